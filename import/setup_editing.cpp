#include "import/setup_editing.h"

#include <cstdlib>
#include <cstring>

#include "core/input_stream.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "editors/editor_questions.h"

namespace {

constexpr const char* kLinefields = "## Linefields";
constexpr int32_t kTextImportSetup = 7300;  // "Import Setup"
constexpr int32_t kChangeImportSetupChanged = kChangeImportSetupRenamed + 1;

// The byte offset just after the "## Linefields" line, -1 without one.
int64_t AfterLinefields(const char* text) {
  if (text == nullptr) return -1;
  const size_t n = std::strlen(kLinefields);
  for (const char* line = text; *line != 0;) {
    const char* end = line + std::strcspn(line, "\r\n");
    if (static_cast<size_t>(end - line) >= n && std::strncmp(line, kLinefields, n) == 0) {
      while (*end == '\r' || *end == '\n') ++end;
      return end - text;
    }
    line = end;
    while (*line == '\r' || *line == '\n') ++line;
  }
  return -1;
}

bool NameTaken(T_Base* base, const char* name, const ImportSetup* except) {
  for (const ImportSetup* s = base->importSetups; s != nullptr; s = s->next) {
    if (s != except && StrEqualNoCase(s->name, name)) return true;
  }
  return false;
}

}  // namespace

void LineDefinitionText(const T_Base* base, const LineDef* line, T_TextBuf* text) {
  T_OStream out;
  out.PutLine(kLinefields);
  WriteLineDefinition(&out, base, line);
  TextBufAssignBytes(text, reinterpret_cast<const char*>(out.start),
                     static_cast<int32_t>(out.BufferedLength()));
}

bool HoldsLineDefinition(const char* text) { return AfterLinefields(text) >= 0; }

LineDef* PasteLineDefinition(ImportSetup* setup, const char* text) {
  const int64_t start = AfterLinefields(text);
  if (start < 0) return nullptr;
  LineDef* line = setup->NewLineDefinition();
  if (line == nullptr) return nullptr;
  T_IStream in;
  in.CtorFromMemory(text + start, static_cast<int64_t>(std::strlen(text + start)));
  ReadLineDefinition(line, &in, setup->database);
  return line;
}

LineDef* DuplicateLineDefinition(ImportSetup* setup, const LineDef* line) {
  LineDef* copy = setup->NewLineDefinition();
  if (copy != nullptr) LineDefCopy(copy, line);
  return copy;
}

void UniqueImportSetupName(T_Base* base, const char* name, const ImportSetup* except,
                           T_TextBuf* unique) {
  TextBufAssign(unique, name);
  TextBufTrim(unique, ' ');
  if (unique->empty()) TextBufAssign(unique, GetString(kTextImportSetup));
  while (NameTaken(base, unique->c_str(), except)) {
    int32_t digits = unique->length;
    while (digits > 0 && unique->data[digits - 1] >= '0' && unique->data[digits - 1] <= '9')
      --digits;
    if (digits == unique->length || unique->length - digits > 9) {
      TextBufAppend(unique, " 1");
      continue;
    }
    const int32_t number = std::atoi(unique->c_str() + digits) + 1;
    TextBufTruncate(unique, digits);
    TextBufAppendInt(unique, number);
  }
}

namespace {

// What the save step keeps of the edited contents: compact fields, only the lines that are set.
void CompactSetup(ImportSetup* copy) {
  for (FieldDef& field : copy->cardFields) FieldDefCompact(&field);
  for (LineDef* line = copy->lines; line != nullptr;) {
    LineDef* following = line->next;
    for (FieldDef& field : line->dimensions) FieldDefCompact(&field);
    FieldDefCompact(&line->lineText);
    for (FieldDef& field : line->values) FieldDefCompact(&field);
    if (!LineDefIsSet(line)) ImportSetupRemoveLine(copy, line);
    line = following;
  }
}

// Whether the compacted contents and the name differ from the setup (from the defaults for a
// new one, whose name alone is nothing to keep).
bool DiffersFromSetup(const ImportSetup* setup, const ImportSetup* copy, const char* name) {
  if (setup == nullptr) {
    ImportSetup empty;
    return !ImportSetupEqual(&empty, copy);
  }
  T_TextBuf trimmed(name);
  TextBufTrim(&trimmed, ' ');
  return !ImportSetupEqual(setup, copy) ||
         std::strcmp(setup->name ? setup->name : "", trimmed.c_str()) != 0;
}

}  // namespace

bool ImportSetupEdited(const ImportSetup* setup, const ImportSetup* copy, const char* name) {
  ImportSetup scratch;
  scratch.database = copy->database;
  ImportSetupCopy(&scratch, copy);
  CompactSetup(&scratch);
  return DiffersFromSetup(setup, &scratch, name);
}

bool ImportSetupSaveStep(T_Base* base, ImportSetup* setup, ImportSetup* copy, const char* name,
                         T_Window* owner, ImportSetup** saved) {
  *saved = nullptr;
  CompactSetup(copy);
  T_TextBuf unique;
  UniqueImportSetupName(base, name, setup, &unique);
  if (!DiffersFromSetup(setup, copy, name)) return true;
  int32_t answer;
  if (setup != nullptr) {
    answer = AskEditorQuestion(owner, kAskChange, unique.c_str(),
                               {kButtonChange, kButtonCancel, kButtonDontChange, kButtonAdd}, 1);
  } else {
    answer = AskEditorQuestion(owner, kAskAdd, unique.c_str(),
                               {kButtonAdd, kButtonCancel, kButtonDontAdd}, 1);
  }
  if (answer == kButtonCancel) return false;
  if (answer == kButtonDontChange || answer == kButtonDontAdd) return true;
  ImportSetup* target = setup;
  if (target == nullptr || answer == kButtonAdd) {
    if (target != nullptr) UniqueImportSetupName(base, name, nullptr, &unique);
    target = ImportSetupCreate(base, unique.c_str());
    if (target == nullptr) return false;
  } else if (std::strcmp(target->name ? target->name : "", unique.c_str()) != 0) {
    ImportSetupRename(target, unique.c_str());
  }
  ImportSetupCopy(target, copy);
  NotifyObjectChange(base, kChangeImportSetupChanged, target, 0);
  *saved = target;
  return true;
}

bool DimImportSaveStep(DimImportSetup* setup, DimImportSetup* copy, const char* title,
                       T_Window* owner) {
  DimImportCompact(copy);
  if (DimImportEqual(setup, copy)) return true;
  const int32_t answer = AskEditorQuestion(owner, kAskChange, title,
                                           {kButtonChange, kButtonCancel, kButtonDontChange}, 1);
  if (answer == kButtonCancel) return false;
  if (answer == kButtonChange) {
    DimImportCopy(setup, copy);
    NotifyObjectChange(setup->database, kChangeDimImport, setup, setup->dimension);
  }
  return true;
}

void DimImportEditorGone(DimImportSetup* setup) {
  setup->editor = nullptr;
  if (DimImportIsDefault(setup)) DimImportFree(setup);
}
