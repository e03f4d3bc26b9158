// globals.cpp - the state that the wizard and the engine share for the life of the process.
#include "install.h"

HINSTANCE AppInstance;
PlatformVariant CurrentVariant = VariantNone;
char InstallFolder[INSTALL_FOLDER_SIZE];
char* WorkBuffer;
