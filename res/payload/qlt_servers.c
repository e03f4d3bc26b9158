/* qlt_servers.c - reader of the servers.qlt server list, shared by the program,
 * its sibling tool and the host tests. */
#include "qlt_servers.h"

static unsigned ReadU16(const unsigned char *p) { return (unsigned)p[0] | ((unsigned)p[1] << 8); }

static int HostCharOk(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

/* Parses the record at *offset, advancing it; 0 on a short or invalid record,
 * with *truncated telling the two apart. */
static int ParseRecord(const unsigned char *data, size_t size, size_t *offset, QltServer *out, int *truncated) {
  size_t at = *offset;
  size_t i;
  QltServer s;
  *truncated = 1;
  if (size - at < 4) return 0;
  s.port = (unsigned short)ReadU16(data + at);
  s.flags = data[at + 2];
  s.host_length = data[at + 3];
  at += 4;
  if (s.host_length == 0) {
    *truncated = 0;
    return 0;
  }
  if (size - at < (size_t)s.host_length + 1) return 0;
  s.host = (const char *)data + at;
  at += s.host_length;
  s.description_length = data[at];
  at += 1;
  if (size - at < s.description_length) return 0;
  s.description = (const char *)data + at;
  at += s.description_length;
  *truncated = 0;
  if (s.port == 0 || (s.flags & ~QLT_SERVER_KNOWN_FLAGS) != 0) return 0;
  for (i = 0; i < s.host_length; ++i)
    if (!HostCharOk((unsigned char)s.host[i])) return 0;
  for (i = 0; i < s.description_length; ++i)
    if ((unsigned char)s.description[i] < 0x20 || (unsigned char)s.description[i] > 0x7E) return 0;
  *offset = at;
  *out = s;
  return 1;
}

QltServersResult QltServersCheck(const unsigned char *data, size_t size, unsigned *count) {
  size_t offset = QLT_SERVERS_HEADER_SIZE;
  unsigned n, i;
  *count = 0;
  if (size < QLT_SERVERS_HEADER_SIZE) return QltServersTruncated;
  if (data[0] != 'Q' || data[1] != 'S' || data[2] != 'R' || data[3] != 'V') return QltServersBadMagic;
  if (ReadU16(data + 4) != QLT_SERVERS_VERSION) return QltServersBadVersion;
  n = ReadU16(data + 6);
  for (i = 0; i < n; ++i) {
    QltServer s;
    int truncated;
    if (!ParseRecord(data, size, &offset, &s, &truncated))
      return truncated ? QltServersTruncated : QltServersBadRecord;
  }
  if (offset != size) return QltServersTrailingBytes;
  *count = n;
  return QltServersOk;
}

int QltServersGet(const unsigned char *data, size_t size, unsigned index, QltServer *server) {
  size_t offset = QLT_SERVERS_HEADER_SIZE;
  unsigned i;
  if (size < QLT_SERVERS_HEADER_SIZE || index >= ReadU16(data + 6)) return 0;
  for (i = 0; i <= index; ++i) {
    int truncated;
    if (!ParseRecord(data, size, &offset, server, &truncated)) return 0;
  }
  return 1;
}

const char *QltServersResultText(QltServersResult result) {
  static const char *const texts[] = {
      "valid",
      "not a server list (bad magic)",
      "unknown format version",
      "file ends inside a record",
      "invalid record",
      "unexpected bytes after the last record",
  };
  if ((unsigned)result < sizeof texts / sizeof texts[0]) return texts[result];
  return "unknown result";
}
