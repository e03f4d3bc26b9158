// manifest.cpp - the files that setup installs, in the order it installs them.
#include "install.h"
#include "../res/resource.h"

const InstallEntry InstallManifest[ENTRY_COUNT] = {
    {IDR_ALIASES, "aliases.ql_", "aliases.qlt"},
    {IDR_QELT_WS1, "qelt_ws1.ex_", "qelt_ws1.exe"},
    {IDR_QELT_WS2, "qelt_ws2.ex_", "qelt_ws2.exe"},
    {IDR_TESSMOR_WS1, "tessmor1.ex_", "tessmorw.exe"},
    {IDR_TESSMOR_WS2, "tessmor2.ex_", "tessmorw.exe"},
    {IDR_HELP_FILE, "qelt.hl_", "qelt.hlp"},
    {IDR_README, "vornel.tx_", "vornel.txt"},
    {IDR_SERVERS, "servers.ql_", "servers.qlt"},
};
