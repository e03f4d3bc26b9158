/* tessmorw.c - Tessmor, Qelt's connection tester: tries a TCP connection to the
 * preferred server of servers.qlt and says whether it answered. Built like the
 * program itself, once per Windows Sockets interface. */
#include "qlt_build.h"

#define TEST_TIMEOUT_SECONDS 5

static QltServerFile Servers;

/* The first preferred enabled server, else the first enabled one. */
static int PickServer(QltServer *picked) {
  unsigned i;
  int found = 0;
  for (i = 0; i < Servers.count; ++i) {
    QltServer s;
    if (!QltServersGet(Servers.data, Servers.size, i, &s) || (s.flags & QLT_SERVER_DISABLED)) continue;
    if (s.flags & QLT_SERVER_PREFERRED) {
      *picked = s;
      return 1;
    }
    if (!found) *picked = s;
    found = 1;
  }
  return found;
}

/* Connects without blocking longer than the timeout; returns a text for the user. */
static const char *TestConnection(const char *host, unsigned short port) {
  struct hostent *entry = gethostbyname(host);
  struct sockaddr_in address;
  SOCKET sock;
  u_long nonblocking = 1;
  fd_set writable, failed;
  struct timeval timeout = {TEST_TIMEOUT_SECONDS, 0};
  const char *verdict;

  if (entry == NULL || entry->h_addrtype != AF_INET || entry->h_length != 4) return "host name not found";
  ZeroMemory(&address, sizeof address);
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  CopyMemory(&address.sin_addr, entry->h_addr_list[0], 4);

  sock = socket(AF_INET, SOCK_STREAM, 0);
  if (sock == INVALID_SOCKET) return "no socket available";
  ioctlsocket(sock, FIONBIO, &nonblocking);
  if (connect(sock, (struct sockaddr *)&address, sizeof address) == 0) {
    closesocket(sock);
    return "connected";
  }
  if (WSAGetLastError() != WSAEWOULDBLOCK) {
    closesocket(sock);
    return "connection refused";
  }
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(sock, &writable);
  FD_SET(sock, &failed);
  switch (select(0, NULL, &writable, &failed, &timeout)) {
    case 0: verdict = "no answer"; break;
    case SOCKET_ERROR: verdict = "test failed"; break;
    default: verdict = FD_ISSET(sock, &writable) ? "connected" : "connection refused"; break;
  }
  closesocket(sock);
  return verdict;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  static const char caption[] = "Tessmor - " QELT_PRODUCT " connection test (" QELT_BUILD_NAME " build)";
  WSADATA wsa;
  QltServer server;
  char host[256];
  char error[MAX_PATH + 64];
  char text[2 * MAX_PATH + 256];
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;

  if (WSAStartup(QELT_WSA_VERSION, &wsa) != 0) {
    MessageBoxA(NULL, "Windows Sockets " QELT_BUILD_NAME " interface is not available.", caption, MB_OK | MB_ICONSTOP);
    return 1;
  }
  if (!QltLoadServerFile(&Servers, error, sizeof error)) {
    wsprintfA(text, "Tessmor (%s build) cannot test:\n%s", QELT_BUILD_NAME, error);
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONEXCLAMATION);
  } else if (!PickServer(&server)) {
    wsprintfA(text, "Tessmor (%s build): %s lists no enabled server.", QELT_BUILD_NAME, QELT_SERVERS_FILE);
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONEXCLAMATION);
  } else {
    CopyMemory(host, server.host, server.host_length);
    host[server.host_length] = '\0';
    wsprintfA(text, "Tessmor (%s build)\n\nServer: %s, port %u\nResult: %s", QELT_BUILD_NAME, host,
              (unsigned)server.port, TestConnection(host, server.port));
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONINFORMATION);
  }
  WSACleanup();
  return 0;
}
