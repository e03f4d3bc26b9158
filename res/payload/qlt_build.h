/* qlt_build.h - what tells the WinSock1 and WinSock2 builds of the product apart,
 * and the servers.qlt loader that both programs share.
 * Compile with QELT_WINSOCK defined to 1 (link wsock32) or 2 (link ws2_32). */
#ifndef RES_PAYLOAD_QLT_BUILD_H
#define RES_PAYLOAD_QLT_BUILD_H

#if QELT_WINSOCK == 1
#include <windows.h>
#include <winsock.h>
#define QELT_BUILD_NAME "WinSock1"
#define QELT_WSA_VERSION MAKEWORD(1, 1)
#elif QELT_WINSOCK == 2
#include <winsock2.h>
#include <windows.h>
#define QELT_BUILD_NAME "WinSock2"
#define QELT_WSA_VERSION MAKEWORD(2, 2)
#else
#error "QELT_WINSOCK must be 1 or 2"
#endif

#include "qlt_servers.h"

#define QELT_PRODUCT "Qelt 2.13b"
#define QELT_SERVERS_FILE "servers.qlt"
/* Far above any real list; a larger file is not a server list. */
#define QELT_SERVERS_MAX_BYTES 65536

typedef struct QltServerFile {
  unsigned char data[QELT_SERVERS_MAX_BYTES];
  DWORD size;
  unsigned count;
  char path[MAX_PATH];
} QltServerFile;

/* Reads servers.qlt from the folder of the running executable into *file and
 * checks it. On failure returns 0 and leaves a reason in error (size error_size). */
int QltLoadServerFile(QltServerFile *file, char *error, int error_size);

#endif
