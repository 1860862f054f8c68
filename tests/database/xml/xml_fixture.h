#pragma once
// Shared by the XML request and command-file tests: the fixture database read from its text form
// (three dimensions with components and cards, one more with options only), the user in front of
// the read-problem prompt, requests answered over memory streams, answers left where the output
// check reads them, and a small well-formedness check of an answer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/files.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/file_kinds.h"
#include "database/section_stream.h"
#include "database/text_form.h"
#include "database/xml_command_files.h"
#include "database/xml_requests.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/database/base/base_fixture.h"
#include "tests/source_path.h"

namespace xml_test {

inline std::string DataPath(const std::string& name) {
  return TestSourcePath("tests/database/xml/data/" + name);
}

// The bytes of a file of the source tree ("" when it cannot be read).
inline std::string ReadSourceFile(const std::string& relative) {
  const char* root = std::getenv("QEB_SOURCE_DIR");
  std::ifstream in(std::string(root ? root : "") + "/" + relative, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The folder the output check reads after the tests (QEB_TEST_OUTPUT_DIR), as Windows sees it,
// with the area's own folder made; "" when the tests run without one.
inline std::string OutputFolder(const std::string& area) {
  const char* root = std::getenv("QEB_TEST_OUTPUT_DIR");
  if (root == nullptr || *root == 0) return "";
  std::string folder = std::string("Z:") + root;
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  CreateFolder(folder.c_str());
  folder += "\\" + area;
  CreateFolder(folder.c_str());
  return folder;
}

// Leaves an answer for the output check.
inline void LeaveOutput(const std::string& area, const std::string& name, const std::string& text) {
  std::string folder = OutputFolder(area);
  if (folder.empty()) return;
  HANDLE file = CreateFileW(WidePathText((folder + "\\" + name).c_str()).c_str(), GENERIC_WRITE, 0,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

// --- Well-formedness
// ------------------------------------------------------------------------------

// "" when the text is one well-formed XML document as the answers write them (a declaration, one
// root, balanced tags, quoted attributes, known entities, UTF-8 without control characters);
// otherwise what is wrong and where.
inline std::string XmlProblem(const std::string& text) {
  const size_t n = text.size();
  auto fault = [](const char* what, size_t at) {
    return std::string(what) + " at " + std::to_string(at);
  };
  // UTF-8 and the characters XML allows.
  for (size_t i = 0; i < n;) {
    auto c = static_cast<uint8_t>(text[i]);
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > n) return fault("bad UTF-8", i);
    for (int k = 1; k < length; ++k) {
      if ((static_cast<uint8_t>(text[i + k]) & 0xC0) != 0x80) return fault("bad UTF-8", i);
    }
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return fault("control character", i);
    i += length;
  }
  auto isNameChar = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == ':';
  };
  auto entityEnd = [&](size_t at) -> size_t {  // at the "&"; npos when it is no entity
    size_t semi = text.find(';', at);
    if (semi == std::string::npos || semi - at > 10) return std::string::npos;
    std::string name = text.substr(at + 1, semi - at - 1);
    for (const char* known : {"amp", "lt", "gt", "quot", "apos"}) {
      if (name == known) return semi + 1;
    }
    if (name.size() >= 2 && name[0] == '#') {
      size_t k = name[1] == 'x' ? 2 : 1;
      if (k >= name.size()) return std::string::npos;
      for (; k < name.size(); ++k) {
        if (!isxdigit(static_cast<unsigned char>(name[k]))) return std::string::npos;
      }
      return semi + 1;
    }
    return std::string::npos;
  };
  size_t i = 0;
  if (text.compare(0, 5, "<?xml") != 0) return fault("no declaration", 0);
  i = text.find("?>");
  if (i == std::string::npos) return fault("declaration not closed", 0);
  i += 2;
  std::vector<std::string> open;
  bool rootSeen = false;
  while (i < n) {
    char c = text[i];
    if (c != '<') {
      if (c == '&') {
        size_t end = entityEnd(i);
        if (end == std::string::npos) return fault("bad entity", i);
        i = end;
        continue;
      }
      if (c == '>') return fault("bare >", i);
      if (open.empty() && c != ' ' && c != '\r' && c != '\n' && c != '\t')
        return fault("text outside the root", i);
      ++i;
      continue;
    }
    bool closing = i + 1 < n && text[i + 1] == '/';
    size_t p = i + (closing ? 2 : 1);
    size_t nameStart = p;
    while (p < n && isNameChar(text[p])) ++p;
    if (p == nameStart) return fault("tag without a name", i);
    std::string name = text.substr(nameStart, p - nameStart);
    if (closing) {
      if (p >= n || text[p] != '>') return fault("bad end tag", i);
      if (open.empty() || open.back() != name) return fault("end tag does not match", i);
      open.pop_back();
      i = p + 1;
      continue;
    }
    if (open.empty() && rootSeen) return fault("second root", i);
    // Attributes: blank, name, =, quoted value without "<" and with known entities only.
    for (;;) {
      size_t blanks = p;
      while (p < n && text[p] == ' ') ++p;
      if (p >= n) return fault("tag not closed", i);
      if (text[p] == '>' || (text[p] == '/' && p + 1 < n && text[p + 1] == '>')) break;
      if (p == blanks) return fault("attribute without a blank", p);
      size_t attributeStart = p;
      while (p < n && isNameChar(text[p])) ++p;
      if (p == attributeStart || p + 1 >= n || text[p] != '=' || text[p + 1] != '"')
        return fault("bad attribute", attributeStart);
      p += 2;
      while (p < n && text[p] != '"') {
        if (text[p] == '<') return fault("< in an attribute", p);
        if (text[p] == '&') {
          size_t end = entityEnd(p);
          if (end == std::string::npos) return fault("bad entity", p);
          p = end;
        } else {
          ++p;
        }
      }
      if (p >= n) return fault("attribute not closed", attributeStart);
      ++p;
    }
    rootSeen = true;
    if (text[p] == '/') {
      i = p + 2;
    } else {
      open.push_back(name);
      i = p + 1;
    }
  }
  if (!open.empty()) return fault(("unclosed " + open.back()).c_str(), n);
  return rootSeen ? "" : fault("no root", n);
}

// --- The fixture -------------------------------------------------------------------------------

using T_Answers = base_test::T_AnswerByMessage;

class XmlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    base = new T_Base(DataPath("fixture.qex").c_str(), 0);
    base->fileKind = kFileKindTextForm;
    T_HTextRead in;
    ASSERT_TRUE(in.Open(DataPath("fixture.qex").c_str()));
    ASSERT_TRUE(readDatabaseSections(base, &in));
    base->SetModified(false);
    answers.asked.clear();
  }
  void TearDown() override {
    delete base;
    SetXmlRequestServices(nullptr);
    SetXmlCommandFileServices(nullptr);
    PendingErrorClear();
  }

  // The answer to the request, as a client reads it.
  std::string Answer(const std::string& request) {
    T_IStream in;
    in.CtorFromMemory(request.data(), static_cast<int64_t>(request.size()));
    T_OStream out;
    runXmlRequest(base, &out, &in);
    return std::string(reinterpret_cast<const char*>(out.start),
                       static_cast<size_t>(out.pos - out.start));
  }

  // Every message the user was asked, with its first text: "3901 x".
  std::vector<std::string> Asked() const {
    std::vector<std::string> asked;
    for (const auto& a : answers.asked) asked.push_back(std::to_string(a.message) + " " + a.text0);
    return asked;
  }

  T_Answers answers;
  T_Base* base = nullptr;
};

}  // namespace xml_test
