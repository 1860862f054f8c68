#pragma once
// Texts the automation tests share: a BSTR for the length of a statement, golden listings read
// from the source tree, and registry lines with a program's path masked.
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <fstream>
#include <string>
#include <vector>

#include "scratch_registry.h"
#include "tests/source_path.h"

namespace app_test {

class Bstr {
 public:
  explicit Bstr(const std::wstring& text)
      : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  Bstr() = default;
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  operator BSTR() const { return text_; }
  BSTR* Out() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }
  std::wstring Wide() const { return text_ ? std::wstring(text_, SysStringLen(text_)) : L"<null>"; }
  std::string Utf8() const { return text_ ? Narrow(Wide()) : "<null>"; }

 private:
  BSTR text_ = nullptr;
};

// The lines of a golden file given relative to the source folder, without their CRs.
inline std::vector<std::string> GoldenLines(const std::string& relative) {
  std::vector<std::string> lines;
  std::ifstream file(TestSourcePath(relative));
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The program's path and its folder written as <module>.
inline std::string MaskModule(std::string line, const std::string& program) {
  const std::string folder = program.substr(0, program.rfind('\\'));
  for (const std::string& part : {program, folder}) {
    for (size_t at; (at = line.find(part)) != std::string::npos;)
      line.replace(at, part.size(), "<module>");
  }
  return line;
}

}  // namespace app_test
