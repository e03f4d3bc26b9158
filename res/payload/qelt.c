/* qelt.c - the Qelt program. One source, two builds: QELT_WINSOCK selects the
 * Windows Sockets interface (1.1 through wsock32, 2.2 through ws2_32). */
#include "qlt_build.h"

static QltServerFile Servers;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  static const char caption[] = QELT_PRODUCT " (" QELT_BUILD_NAME " build)";
  WSADATA wsa;
  char error[MAX_PATH + 64];
  char text[2 * MAX_PATH + 256];
  int started;
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;

  started = WSAStartup(QELT_WSA_VERSION, &wsa) == 0;
  if (!started) {
    MessageBoxA(NULL, "Windows Sockets " QELT_BUILD_NAME " interface is not available.", caption, MB_OK | MB_ICONSTOP);
    return 1;
  }
  if (QltLoadServerFile(&Servers, error, sizeof error))
    wsprintfA(text, "%s, %s build.\n\nNetwork: %.200s\nServers read from %s: %u", QELT_PRODUCT, QELT_BUILD_NAME,
              wsa.szDescription, QELT_SERVERS_FILE, Servers.count);
  else
    wsprintfA(text, "%s, %s build.\n\nNetwork: %.200s\nNo servers read from %s:\n%s", QELT_PRODUCT, QELT_BUILD_NAME,
              wsa.szDescription, QELT_SERVERS_FILE, error);
  MessageBoxA(NULL, text, caption, MB_OK | MB_ICONINFORMATION);
  WSACleanup();
  return 0;
}
