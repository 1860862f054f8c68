#include "app/help_files.h"

#include "app/document_files.h"
#include "app/program_location.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/localized_text.h"

namespace {

constexpr int32_t kLanguageSwedish = 12;

struct HelpDocument {
  const char* plain;
  const char* swedish;
};

constexpr HelpDocument kHelpFile{"QEB Help.chm", "QEB Help SWE.chm"};
constexpr HelpDocument kUserManual{"QEB Users manual.pdf", "QEB Users manual SWE.pdf"};

bool Exists(const char* path) { return FileCreationDate(path) != 0; }

// The preferred variant when it exists, else the other one; the preferred one's path when
// neither does (for the message).
bool Choose(const HelpDocument& document, T_TextBuf* path) {
  bool swedish = CurrentLanguage() == kLanguageSwedish;
  T_TextBuf folder;
  ProgramFolder(&folder);
  T_TextBuf other(folder);
  TextBufAssignBuf(path, &folder);
  TextBufAppend(path, swedish ? document.swedish : document.plain);
  if (Exists(path->c_str())) return true;
  TextBufAppend(&other, swedish ? document.plain : document.swedish);
  if (!Exists(other.c_str())) return false;
  TextBufAssignBuf(path, &other);
  return true;
}

void Open(const HelpDocument& document) {
  T_TextBuf path;
  if (!Choose(document, &path) || !ShellOpen(path.c_str())) ReportCannotOpen(path.c_str());
}

}  // namespace

bool ChooseHelpFile(T_TextBuf* path) {
  bool found = Choose(kHelpFile, path);
  if (!found) TextBufAssign(path, "");
  return found;
}

bool ChooseUserManual(T_TextBuf* path) {
  bool found = Choose(kUserManual, path);
  if (!found) TextBufAssign(path, "");
  return found;
}

void OpenHelpFile() { Open(kHelpFile); }

void OpenUserManual() { Open(kUserManual); }

void OpenMakerHomePage() { BrowserShowUrl(kMakerHomePage); }
