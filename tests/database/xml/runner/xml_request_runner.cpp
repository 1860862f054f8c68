// The request runner: a console program on the engine that stands in for an automation client.
// It opens a database file (text form or block container), answers the XML request of a file and
// writes the answer as the client would receive it.
//
//   xml_request_runner DATABASE REQUEST ANSWER
//
// Exit codes: 0 answered, 1 the database or the request could not be read or the answer not
// written, 2 wrong arguments. Nothing is ever shown: the alerts of opening go nowhere, those of
// the request into the answer.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cwchar>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/file_stream.h"
#include "core/files.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/block_container.h"
#include "database/file_kinds.h"
#include "database/section_stream.h"
#include "database/text_form.h"
#include "database/xml_requests.h"

namespace {

// Reads the database's file into it by its kind; false for a kind that is no database.
bool ReadDatabase(T_Base* base, const char* path) {
  FileKindInfo info;
  DetectFileKind(&info, path);
  base->fileKind = info.kind;
  if (info.kind == kFileKindTextForm) {
    T_HTextRead in;
    return in.Open(path) && readDatabaseSections(base, &in) && !base->errorFlag;
  }
  if (info.kind >= kFileKindContainerN && info.kind <= kFileKindContainerU) {
    T_ShifterRead in(base);
    return in.Open(path, info.kind, nullptr) && readDatabaseSections(base, &in) && in.error == 0 &&
           !base->errorFlag;
  }
  return false;
}

int Run(const char* databasePath, const char* requestPath, const char* answerPath) {
  T_NoAlerts quiet;
  T_Base* base = new T_Base(databasePath, 0);
  if (!ReadDatabase(base, databasePath)) {
    std::fprintf(stderr, "xml_request_runner: cannot read the database %s\n", databasePath);
    delete base;
    return 1;
  }
  PendingErrorClear();
  T_HTextRead request;
  if (!request.Open(requestPath)) {
    std::fprintf(stderr, "xml_request_runner: cannot read the request %s\n", requestPath);
    delete base;
    return 1;
  }
  T_OStream answer;
  runXmlRequest(base, &answer, &request);
  delete base;

  // As the client receives it: the text alone, without a byte-order mark.
  T_OStreamFile out;
  bool written = out.Open(answerPath, kOpenNoBom);
  if (written) {
    out.PutBytes(reinterpret_cast<const char*>(answer.start), answer.BufferedLength());
    written = out.Close();
  }
  if (!written) {
    std::fprintf(stderr, "xml_request_runner: cannot write the answer %s\n", answerPath);
    return 1;
  }
  return 0;
}

}  // namespace

int main() {
  // The arguments as Unicode, so any path the client names reaches the engine unchanged.
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 4) {
    std::fprintf(stderr, "usage: xml_request_runner DATABASE REQUEST ANSWER\n");
    return 2;
  }
  T_TextBuf paths[3];
  for (int i = 0; i < 3; ++i)
    TextBufAssignWidePath(&paths[i], argv[i + 1], static_cast<int32_t>(wcslen(argv[i + 1])));
  LocalFree(argv);
  return Run(paths[0].c_str(), paths[1].c_str(), paths[2].c_str());
}
