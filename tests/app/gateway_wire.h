#pragma once
// The gateway's side of the wire for tests written in C++: framed requests and whole replies.
// Request: a 20-byte header of big-endian words (total, key length, query length, 8 unused bytes),
// then key, NUL, query, NUL, settings, NUL. Reply: total, page length, 8 zero bytes, the page.
#include <winsock2.h>

#include <cstdint>
#include <string>

#include "core/sockets.h"

namespace gateway_wire {

inline std::string Word(uint32_t value) {
  std::string bytes(4, 0);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (24 - 8 * i));
  return bytes;
}

inline uint32_t ReadWord(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

inline std::string Header(uint32_t total, uint32_t keyLength, uint32_t queryLength) {
  return Word(total) + Word(keyLength) + Word(queryLength) + std::string(8, 0);
}

// A well-formed request of the three texts.
inline std::string Request(const std::string& key, const std::string& query,
                           const std::string& settings) {
  std::string body = key + '\0' + query + '\0' + settings + '\0';
  return Header(static_cast<uint32_t>(20 + body.size()), static_cast<uint32_t>(key.size()),
                static_cast<uint32_t>(query.size())) +
         body;
}

// Sends the request and reads its whole reply within the milliseconds. False on a close, a
// timeout or a malformed reply header; the reason goes to *why.
inline bool Exchange(SOCKET client, const std::string& request, std::string* page,
                     std::string* why, DWORD milliseconds = 20000) {
  if (send(client, request.data(), static_cast<int>(request.size()), 0) !=
      static_cast<int>(request.size())) {
    *why = "send failed";
    return false;
  }
  std::string bytes;
  DWORD start = GetTickCount();
  while (bytes.size() < 16 || bytes.size() < ReadWord(bytes, 0)) {
    DWORD spent = GetTickCount() - start;
    if (spent >= milliseconds) {
      *why = "no whole reply in time";
      return false;
    }
    if (SocketWaitReadable(static_cast<int32_t>(client), milliseconds - spent) != 1) continue;
    char buffer[8192];
    int got = recv(client, buffer, sizeof(buffer), 0);
    if (got <= 0) {
      *why = bytes.empty() ? "closed" : "closed in the middle of a reply";
      return false;
    }
    bytes.append(buffer, static_cast<size_t>(got));
  }
  uint32_t total = ReadWord(bytes, 0);
  if (ReadWord(bytes, 4) + 16 != total || bytes.compare(8, 8, std::string(8, '\0')) != 0 ||
      bytes.size() != total) {
    *why = "malformed reply header";
    return false;
  }
  *page = bytes.substr(16);
  return true;
}

}  // namespace gateway_wire
