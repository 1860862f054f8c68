#pragma once
// Where a test program finds the data files of the source tree: wine-exec names the source
// folder in QEB_SOURCE_DIR, and Wine shows the Unix root as drive Z:.
#include <cstdlib>
#include <string>

// The Windows path of a file given relative to the source folder ("tests/core/streams/data/x").
inline std::string TestSourcePath(const std::string& relative) {
  const char* root = std::getenv("QEB_SOURCE_DIR");
  std::string path = std::string("Z:") + (root ? root : "") + "/" + relative;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}
