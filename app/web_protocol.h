#pragma once
// The web gateway's wire format: what the external gateway program sends for one browser request
// and what it gets back. All words are unsigned 32-bit big-endian.
//
// Request:
//   offset  size        field
//   0       4           total length of the request, header included
//   4       4           K: length in bytes of the client key
//   8       4           Q: length in bytes of the query
//   12      8           not used
//   20      total - 20  body: the client key (K bytes) and a NUL; the query (Q bytes, the URL
//                       query of the browser's request) and a NUL; the gateway settings text,
//                       ended by a NUL
//
// Reply:
//   offset  size        field
//   0       4           total length of the reply, header included (body length + 16)
//   4       4           body length
//   8       8           zero
//   16      body length the page: UTF-8, lines ended by LF alone
//
// Framing rules the reader keeps (each ends in a reply or a closed connection, never a read
// outside the buffer):
//   1. A total below 20 closes the connection.
//   2. At most 5,999 body bytes are read; a NUL is put after the bytes read. The rest of a longer
//      body is read and discarded after the reply, so it is never taken for the next header.
//   3. When K + 1 + Q + 1 exceeds the bytes read (a total of 20 included) the three texts do not
//      stand inside the body: the connection closes without a reply, as for a short read.
#include <cstdint>

constexpr int32_t kGatewayHeaderSize = 20;
constexpr int32_t kGatewayBodyLimit = 5999;
constexpr int32_t kGatewayReplyHeaderSize = 16;

struct GatewayHeader {
  uint32_t total;
  uint32_t keyLength;
  uint32_t queryLength;
};

struct GatewayTexts {
  const char* key;
  const char* query;
  const char* settings;
};

GatewayHeader ReadGatewayHeader(const uint8_t* bytes);  // 20 bytes
// The body bytes to read for the header: min(total - 20, 5999); -1 for a total below 20.
int64_t GatewayBodyToRead(const GatewayHeader* header);
// The announced body bytes beyond those read, to discard after the reply.
int64_t GatewayBodyExcess(const GatewayHeader* header);
// The three texts inside a body of bytesRead bytes followed by a NUL; false when they do not fit.
// The key and the query are ended after K and Q bytes whatever the gateway put there.
bool SplitGatewayBody(const GatewayHeader* header, char* body, int64_t bytesRead,
                      GatewayTexts* texts);
void WriteGatewayReplyHeader(uint8_t* bytes, uint32_t bodyLength);  // 16 bytes
