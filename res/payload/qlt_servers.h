/* qlt_servers.h - the servers.qlt server list: its layout and its reader.
 *
 * servers.qlt is the list of servers that the program offers; it is written at
 * build time by tools/mkservers from servers.txt. All integers little-endian.
 *
 *   offset  size  field
 *   0       4     magic, the bytes 'Q' 'S' 'R' 'V'
 *   4       2     format version, 1
 *   6       2     record count N (0 to 65535)
 *   8       ...   N records, back to back, then the end of the file
 *
 * Record:
 *   +0      2     port, 1 to 65535
 *   +2      1     flags: QLT_SERVER_PREFERRED (0x01) tried first,
 *                 QLT_SERVER_DISABLED (0x02) listed but not used; other bits 0
 *   +3      1     host name length H, 1 to 255
 *   +4      H     host name, ASCII letters, digits, '-' and '.', no NUL
 *   +4+H    1     description length D, 0 to 255
 *   +5+H    D     description, printable ASCII, no NUL
 *
 * A reader accepts only a file whose records fill it exactly: a short record,
 * bytes after the last record, unknown flag bits or a zero port mean damage.
 */
#ifndef RES_PAYLOAD_QLT_SERVERS_H
#define RES_PAYLOAD_QLT_SERVERS_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define QLT_SERVERS_VERSION 1
#define QLT_SERVERS_HEADER_SIZE 8
#define QLT_SERVER_PREFERRED 0x01
#define QLT_SERVER_DISABLED 0x02
#define QLT_SERVER_KNOWN_FLAGS (QLT_SERVER_PREFERRED | QLT_SERVER_DISABLED)

/* One record as read; the texts point into the caller's buffer and are not
 * NUL-terminated. */
typedef struct QltServer {
  unsigned short port;
  unsigned char flags;
  unsigned char host_length;
  const char *host;
  unsigned char description_length;
  const char *description;
} QltServer;

typedef enum QltServersResult {
  QltServersOk = 0,
  QltServersBadMagic,
  QltServersBadVersion,
  QltServersTruncated,
  QltServersBadRecord,
  QltServersTrailingBytes
} QltServersResult;

/* Checks the whole list in data[0..size) and stores its record count in *count.
 * Nothing is trusted before it is checked, so any bytes are safe to pass. */
QltServersResult QltServersCheck(const unsigned char *data, size_t size, unsigned *count);

/* Reads record number index of a list that QltServersCheck accepted. Returns 0
 * when index is out of range. */
int QltServersGet(const unsigned char *data, size_t size, unsigned index, QltServer *server);

/* A short English text for a result, for messages. */
const char *QltServersResultText(QltServersResult result);

#ifdef __cplusplus
}
#endif

#endif
