#include "import/dimension_import.h"

#include <cmath>
#include <cstring>

#include "core/alert.h"
#include "core/code_pages.h"
#include "core/files.h"
#include "core/formula.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/card_text_import.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "database/dimension_sections.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"
#include "editors/dimension_editor.h"
#include "import/dimension_editor_import.h"
#include "import/import_fields.h"
#include "import/row_reader.h"

namespace {

constexpr int32_t kMsgHostCodeDefined = 3314;
constexpr int32_t kMsgCodeDefinedTwice = 3316;
constexpr int32_t kMsgNotImportable = 2111;  // A QEB-file can not be imported into this window.
constexpr int64_t kTextSniffSize = 4096;
constexpr int32_t kMaxLevels = 63;  // levels 0..62

enum Hierarchy : uint32_t { kCodePath = 0, kIndented = 1, kLevelNumbers = 2, kParentLinks = 3 };

// Answers false when the user cancelled the question (the import stops).
bool Ask(T_Base* base, int32_t message, const char* text, int32_t dimension) {
  AskReadErrorTexts(base, message, text, base->GetDimSingular(dimension));
  return base->errorFlag == 0;
}

class DimImport {
 public:
  DimImport(T_Base* base, int32_t dimension, const DimImportSetup* setup, RowReader* reader,
            DimImportTarget* target, DimImportResult* result)
      : base_(base),
        dimension_(dimension),
        setup_(setup),
        reader_(reader),
        target_(target),
        result_(result) {
    for (int64_t& node : lastAtLevel_) node = -1;
  }

  bool Run() {
    for (uint32_t i = 0; i < setup_->format.rowsToSkip; ++i) {
      if (!reader_->ReadNextRow()) return true;
    }
    while (!AbortRequested() && reader_->ReadNextRow()) {
      ++result_->rows;
      if (!Row()) return false;
    }
    return true;
  }

 private:
  // False when the import must stop.
  bool Row() {
    T_TextBuf code, text, host;
    FieldTextWithInserts(reader_, &setup_->code, &code);
    TextBufTrimRight(&code, ' ');
    int32_t level = 0;
    if (setup_->hierarchy == kIndented) {
      while (level < code.length && code.c_str()[level] == ' ') ++level;
      TextBufDelete(&code, 0, level);
      if (level > kMaxLevels - 1) level = kMaxLevels - 1;
    } else {
      TextBufTrim(&code, ' ');
    }
    if (code.empty()) return true;
    FieldTextWithInserts(reader_, &setup_->text, &text);
    TextBufTrim(&text, ' ');
    FieldTextWithInserts(reader_, &setup_->hostCode, &host);
    TextBufTrim(&host, ' ');

    int64_t parent = target_->Root();
    switch (setup_->hierarchy) {
      case kCodePath:
        parent = CodePathParent(code);
        break;
      case kLevelNumbers: {
        T_TextBuf levelText;
        FieldTextWithInserts(reader_, &setup_->levelOrParent, &levelText);
        const double value = levelText.empty() ? NAN : Expr_Evaluate(levelText.c_str());
        if (!std::isfinite(value)) return true;
        const double rounded = std::trunc(value + 0.5) - 1;
        if (rounded < 0 || rounded > kMaxLevels - 1) return true;
        level = static_cast<int32_t>(rounded);
        [[fallthrough]];
      }
      case kIndented:
        parent =
            level == 0 || lastAtLevel_[level - 1] < 0 ? target_->Root() : lastAtLevel_[level - 1];
        if (parent != target_->Root()) {
          T_TextBuf parentCode;
          target_->Code(parent, &parentCode);
          TextBufInsertBuf(&code, 0, &parentCode);
        }
        break;
      case kParentLinks: {
        T_TextBuf link;
        FieldTextWithInserts(reader_, &setup_->levelOrParent, &link);
        TextBufTrim(&link, ' ');
        if (!link.empty()) {
          parent = target_->Find(static_cast<int32_t>(setup_->parentSearch), link.c_str());
          if (parent < 0) return true;
        }
        break;
      }
      default:
        break;
    }

    if (!host.empty() && setup_->hostCodeZeroFill != 0)
      PadCodeWithZeros(&host, static_cast<int32_t>(setup_->hostCodeZeroFill));
    const int64_t existing = target_->Find(0, code.c_str());
    if (!host.empty() && (existing < 0 || setup_->duplicates == 2)) {
      const int64_t owner = target_->Find(2, host.c_str());
      if (owner >= 0 && owner != existing) {
        switch (setup_->hostDuplicates) {
          case 0:
            if (!Ask(base_, kMsgHostCodeDefined, host.c_str(), dimension_)) return false;
            TextBufSetLength(&host, 0);
            break;
          case 1:
            target_->Log("duplicate host code", host.c_str());
            return true;
          case 2:
            target_->Log("duplicate host code", host.c_str());
            TextBufSetLength(&host, 0);
            break;
          default:
            target_->Modify(owner, nullptr, "");
            target_->Log("host code", host.c_str());
            break;
        }
      }
    }

    int64_t node = existing;
    if (existing >= 0) {
      if (setup_->duplicates == 0) {
        if (!Ask(base_, kMsgCodeDefinedTwice, code.c_str(), dimension_)) return false;
      } else if (setup_->duplicates == 1) {
        target_->Log("duplicate component", code.c_str());
      } else {
        T_TextBuf oldHost;
        target_->HostCode(existing, &oldHost);
        const bool hostChanged = !host.empty() && std::strcmp(oldHost.c_str(), host.c_str()) != 0;
        target_->Modify(existing, text.c_str(), hostChanged ? host.c_str() : nullptr);
        ++result_->imported;
      }
    } else {
      node = target_->Create(parent, code.c_str(), text.c_str(), host.c_str());
      if (node < 0) return !AbortRequested();
      ++result_->imported;
      ++result_->created;
    }
    if (setup_->hierarchy == kIndented || setup_->hierarchy == kLevelNumbers) {
      lastAtLevel_[level] = node;
      for (int32_t l = level + 1; l < kMaxLevels; ++l) lastAtLevel_[l] = -1;
    }
    return true;
  }

  // The longest existing proper prefix of the code, with the missing parents made as the setup
  // says.
  int64_t CodePathParent(const T_TextBuf& code) {
    int64_t parent = target_->Root();
    int32_t parentLength = 0;
    T_TextBuf prefix(code);
    while (prefix.length > 0) {
      TextBufDropLast(&prefix);
      if (prefix.empty()) break;
      const int64_t found = target_->Find(0, prefix.c_str());
      if (found >= 0) {
        parent = found;
        parentLength = prefix.length;
        break;
      }
    }
    if (setup_->createParents >= 1 && setup_->createParents <= 8) {
      const int32_t limit = static_cast<int32_t>(setup_->createParents);
      for (int32_t n = parentLength + 1; n <= limit && n < code.length; ++n) {
        // Only at character bounds.
        if ((static_cast<uint8_t>(code.c_str()[n]) & 0xC0) == 0x80) continue;
        parent = MakeParent(parent, code.c_str(), n);
      }
    } else if (setup_->createParents == 9) {
      T_TextBuf parts;
      FieldTextTabbed(reader_, &setup_->code, &parts);
      TextBufTrim(&parts, ' ');
      int32_t bound = 0;
      for (int32_t i = 0; i < parts.length; ++i) {
        if (parts.c_str()[i] != '\t') {
          ++bound;
          continue;
        }
        if (bound > parentLength && bound < code.length)
          parent = MakeParent(parent, code.c_str(), bound);
      }
    }
    return parent;
  }

  int64_t MakeParent(int64_t parent, const char* code, int32_t n) {
    T_TextBuf prefix;
    TextBufAssignBytes(&prefix, code, n);
    const int64_t found = target_->Find(0, prefix.c_str());
    if (found >= 0) return found;
    const int64_t made = target_->Create(parent, prefix.c_str(), "", "");
    if (made < 0) return parent;
    ++result_->created;
    return made;
  }

  T_Base* base_;
  int32_t dimension_;
  const DimImportSetup* setup_;
  RowReader* reader_;
  DimImportTarget* target_;
  DimImportResult* result_;
  int64_t lastAtLevel_[kMaxLevels];
};

// Rows are text: a database file or binary data read as rows would fill the dimension with
// junk and call it success. NUL and the controls no text editor writes tell binary data; UTF-16
// holds NULs, so a byte-order mark or a UTF-16 setup lets them pass.
bool ImportableAsRows(const char* path, uint32_t encoding) {
  if (IsOpenableFile(path)) return false;
  uint8_t head[kTextSniffSize];
  SysFile file;
  FileInit(&file);
  const int64_t n = FileOpenRead(&file, path) ? FileRead(&file, head, kTextSniffSize) : 0;
  FileDestroy(&file);
  const bool wide = encoding == kEncodingUtf16LE || encoding == kEncodingUtf16BE ||
                    (n >= 2 && ((head[0] == 0xFF && head[1] == 0xFE) ||
                                (head[0] == 0xFE && head[1] == 0xFF)));
  if (wide) return true;
  int64_t controls = 0;
  for (int64_t i = 0; i < n; ++i) {
    const uint8_t c = head[i];
    if (c == 0) return false;
    if (c < 32 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) ++controls;
  }
  return controls * 100 <= n;
}

ComponentRecord* Node(T_Base* base, int64_t node) {
  return node >= 0 ? ComponentAt(base, node) : nullptr;
}

}  // namespace

bool DimImportRun(T_Base* base, int32_t dimension, const DimImportSetup* setup, const char* path,
                  DimImportTarget* target, DimImportResult* result) {
  DimImportSetup plain;
  if (setup == nullptr) setup = &plain;
  *result = DimImportResult{};
  if (!ImportableAsRows(path, setup->format.encoding)) {
    PendingErrorSet(kMsgNotImportable);
    return false;
  }
  RowReader reader(&setup->format);
  if (!reader.Open(path)) return false;
  DimImport import(base, dimension, setup, &reader, target, result);
  const bool finished = import.Run();
  char count[24];
  std::snprintf(count, sizeof count, "%lld", static_cast<long long>(result->imported));
  target->Log("components", count);
  return finished;
}

int64_t DatabaseDimImportTarget::Root() { return dimension_; }

int64_t DatabaseDimImportTarget::Find(int32_t lookup, const char* key) {
  ComponentRecord* found = lookup == 0   ? FindByCode(base_, dimension_, key)
                           : lookup == 1 ? FindByText(base_, dimension_, key)
                                         : FindByHostCode(base_, dimension_, key);
  return found != nullptr ? found->number : -1;
}

void DatabaseDimImportTarget::Code(int64_t node, T_TextBuf* code) {
  ComponentRecord* component = Node(base_, node);
  TextBufAssign(code,
                component != nullptr && component->parent != nullptr ? component->code : nullptr);
}

void DatabaseDimImportTarget::HostCode(int64_t node, T_TextBuf* hostCode) {
  ComponentRecord* component = Node(base_, node);
  TextBufAssign(hostCode, component != nullptr ? component->hostCode : nullptr);
}

int64_t DatabaseDimImportTarget::Create(int64_t parent, const char* code, const char* text,
                                        const char* hostCode) {
  ComponentRecord* made =
      AddComponentUnder(base_, dimension_, code, text, hostCode, Node(base_, parent));
  return made != nullptr ? made->number : -1;
}

void DatabaseDimImportTarget::Modify(int64_t node, const char* text, const char* hostCode) {
  ComponentRecord* component = Node(base_, node);
  if (component != nullptr && component->parent != nullptr)
    SetComponentTexts(base_, dimension_, component, text, hostCode);
}

void DatabaseDimImportTarget::Log(const char* what, const char* detail) {
  if (base_->operationLog != nullptr) LogOperation(base_, what, detail, kLogVerbLoaded);
}

bool ImportIntoDimension(T_Base* base, int32_t dimension, const char* path) {
  if (dimension < 0 || dimension >= kDimensionCount) return false;
  return ImportIntoDimensionWith(base, dimension, base->dimImports[dimension], path);
}

bool ImportIntoDimensionWith(T_Base* base, int32_t dimension, const DimImportSetup* setup,
                             const char* path) {
  if (dimension < 0 || dimension >= kDimensionCount) return false;
  // The dimension's open editor takes the rows into its tree and stays open: applying behind it
  // would be undone by its own apply, and taking it over would apply its user's edits unasked.
  if (T_DimEditor* open = FindDimensionEditor(base, dimension)) {
    int64_t imported = 0;
    return ImportIntoDimEditorWith(open, setup, path, &imported);
  }
  DatabaseDimImportTarget target(base, dimension);
  DimImportResult result;
  const bool done = DimImportRun(base, dimension, setup, path, &target, &result);
  SendPendingDimensionNotes(base);
  if (result.imported > 0) base->SetModified(true);
  return done;
}
