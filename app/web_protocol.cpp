#include "app/web_protocol.h"

namespace {

uint32_t BigEndian32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | p[3];
}

void PutBigEndian32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value >> 24);
  p[1] = static_cast<uint8_t>(value >> 16);
  p[2] = static_cast<uint8_t>(value >> 8);
  p[3] = static_cast<uint8_t>(value);
}

}  // namespace

GatewayHeader ReadGatewayHeader(const uint8_t* bytes) {
  return GatewayHeader{BigEndian32(bytes), BigEndian32(bytes + 4), BigEndian32(bytes + 8)};
}

int64_t GatewayBodyToRead(const GatewayHeader* header) {
  if (header->total < static_cast<uint32_t>(kGatewayHeaderSize)) return -1;
  int64_t body = static_cast<int64_t>(header->total) - kGatewayHeaderSize;
  return body < kGatewayBodyLimit ? body : kGatewayBodyLimit;
}

int64_t GatewayBodyExcess(const GatewayHeader* header) {
  int64_t read = GatewayBodyToRead(header);
  return read < 0 ? 0 : static_cast<int64_t>(header->total) - kGatewayHeaderSize - read;
}

bool SplitGatewayBody(const GatewayHeader* header, char* body, int64_t bytesRead,
                      GatewayTexts* texts) {
  // 64-bit sums: lengths near 2^32 must not wrap into a small offset.
  int64_t key = header->keyLength;
  int64_t query = header->queryLength;
  if (key + 1 + query + 1 > bytesRead) return false;
  body[key] = 0;
  body[key + 1 + query] = 0;
  texts->key = body;
  texts->query = body + key + 1;
  texts->settings = body + key + 1 + query + 1;
  return true;
}

void WriteGatewayReplyHeader(uint8_t* bytes, uint32_t bodyLength) {
  PutBigEndian32(bytes, bodyLength + kGatewayReplyHeaderSize);
  PutBigEndian32(bytes + 4, bodyLength);
  for (int i = 8; i < kGatewayReplyHeaderSize; ++i) bytes[i] = 0;
}
