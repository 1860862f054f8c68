#pragma once
// What a test program leaves for the checks that run after the tests, and the golden files it
// compares with.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// Leaves an HTML or XML text below QEB_TEST_OUTPUT_DIR (wine-exec names it), in a folder for the
// test area, for the checks that read every test output.
inline void LeaveTestOutput(const char* area, const std::string& name, const std::string& text) {
  const char* root = std::getenv("QEB_TEST_OUTPUT_DIR");
  if (!root || !*root) return;
  std::string folder = std::string("Z:") + root;
  for (char& c : folder)
    if (c == '/') c = '\\';
  CreateDirectoryA(folder.c_str(), nullptr);
  folder = folder + "\\" + area;
  CreateDirectoryA(folder.c_str(), nullptr);
  std::ofstream out(folder + "\\" + name, std::ios::binary);
  out << text;
}

// The bytes of a golden file (a Windows path); with QEB_UPDATE_GOLDEN set the file is written
// from the text first, to be looked at before it is committed.
inline std::string GoldenText(const std::string& path, const std::string& text) {
  if (std::getenv("QEB_UPDATE_GOLDEN")) {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}
