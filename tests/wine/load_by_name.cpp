// load_by_name.cpp - loads comctl32.dll by its bare name, as a program without the full-path
// binding would: the planted copy beside it must be the one found. Exit code 0 when loaded.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return LoadLibraryA("comctl32.dll") ? 0 : 1; }
