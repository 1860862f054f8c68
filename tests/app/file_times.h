#pragma once
// Moves a file's last-write time on, as a program that saved the file meanwhile would: the
// program under test sees a change on disk without the bytes changing.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace app_test {

inline void MoveLastWriteTime(const std::string& path, int64_t seconds) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
  FILETIME time;
  GetFileTime(file, nullptr, nullptr, &time);
  ULARGE_INTEGER t{{time.dwLowDateTime, time.dwHighDateTime}};
  t.QuadPart += static_cast<uint64_t>(seconds) * 10000000u;
  time = FILETIME{t.LowPart, t.HighPart};
  SetFileTime(file, nullptr, nullptr, &time);
  CloseHandle(file);
}

}  // namespace app_test
