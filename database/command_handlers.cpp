// Commands that change the model: cards, components, dimension options, the stored macros,
// save setups, subsets and templates, and the password.
#include <cstring>
#include <vector>

#include "core/alert.h"
#include "core/bit_vector.h"
#include "core/criteria.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/message_pump.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/command_handlers.h"
#include "database/commands.h"
#include "database/component_lookup.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/date_ref.h"
#include "database/dimension_options.h"
#include "database/file_kinds.h"
#include "database/protection.h"
#include "database/read_prompt.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/subsets.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "ui/document_window.h"
#include "ui/element.h"

namespace {

constexpr int32_t kErrorNoComponent = 3310;     // Cannot find QEB-code "@0" in dimension @1.
constexpr int32_t kErrorCodeDefined = 3313;     // QEB-code "@0" in dimension @1 already defined.
constexpr int32_t kErrorHostDefined = 3314;     // Host code "@0" in dimension @1 already defined.
constexpr int32_t kErrorComponentInUse = 3315;  // Component "@0" is in use and cannot be removed.
constexpr int32_t kErrorNoDimension = 3822;     // Dimension "@0" not found
constexpr int32_t kErrorNoSubset = 3825;        // Template "@0" not found
constexpr int32_t kErrorSubsetInUse = 4705;     // Subset "@0" is in use and cannot be erased.
constexpr int32_t kErrorMacroRecursive = 7106;  // Macro "@0" called recursively.
constexpr int32_t kChangeSaveSetupDeleted = kChangeSaveSetupRenamed + 3;
constexpr int32_t kChangeMacroDeleted = kChangeMacroRenamed + 3;
constexpr int32_t kCaseModeKeep = 5;  // a criteria text keeps its letters
constexpr int32_t kQueryCloseAsk = 0;

using Words = std::vector<T_TextBuf>;

void SendNote(T_Base* base, int32_t code, int32_t index, void* object) {
  ChangeNote note;
  note.code = code;
  note.database = base;
  note.index = index;
  note.object = object;
  NotifyChange(base, &note);
}

// A bound of deleteCards: a date, a kind word or a time-scale period. Anything else would
// become the open bound of the whole file.
bool ParseCardBound(DateRef* bound, const T_TextBuf* word) {
  if (word->empty()) return false;
  DateRefParse(bound, word->data, word->length);
  return bound->kind != kDateRefFixed || bound->cardId.date != 0;
}

// The names of a list command ("-all", "-filter" criteria, names up to a word that begins with
// "//"). Other options are refused.
struct NameList {
  Words names;
  bool all = false;
  bool filtered = false;
  T_TextBuf criteria;  // as given
  CriteriaPattern filter;
  NameList() { Criteria_Init(&filter); }
  ~NameList() { MemFreeHeld(&filter); }
  NameList(const NameList&) = delete;
  NameList& operator=(const NameList&) = delete;

  void Read(CommandContext* context) {
    T_TextBuf word;
    while (NextCommandWord(context, &word)) {
      if (StrStartsWith(word.c_str(), "//")) {
        SkipCommandWords(context);
      } else if (IsCommandOption(&word, "-all")) {
        all = true;
      } else if (IsCommandOption(&word, "-filter")) {
        if (!NextCommandWord(context, &criteria)) {
          RefuseCommandWord(context, word.c_str());
          continue;
        }
        T_TextBuf compiled(criteria.c_str());
        Criteria_Compile(&filter, &compiled, kCaseModeKeep, false);
        filtered = true;
      } else if (IsOptionWord(&word)) {
        RefuseCommandWord(context, word.c_str());
      } else {
        names.push_back(word);
      }
    }
  }
  bool Matches(const char* name) const {
    return all || (filtered && Criteria_MatchCStr(&filter, name));
  }
};

// --- Components ----------------------------------------------------------------------------------

// Marks the top of every run of components below top (top included unless it is the root) that
// no card or line uses, with their subtrees; the count of marked tops.
int64_t MarkUnusedBelow(ComponentRecord* top, const BitVector* used, BitVector* doomed) {
  int64_t count = 0;
  if (top->parent != nullptr && !CompBitSet(used, top->number)) {
    CompMarkSubtree(doomed, top);
    return 1;
  }
  ComponentRecord* node = CompTreeNextWithin(top, top);
  while (node != top) {
    if (!CompBitSet(used, node->number)) {
      CompMarkSubtree(doomed, node);
      ++count;
      int32_t depth = 0;
      node = CompTreeSkip(node, top, &depth);
    } else {
      node = CompTreeNextWithin(node, top);
    }
  }
  return count;
}

// The first component at or below top that a card or line uses; null for none.
ComponentRecord* FirstUsedAt(ComponentRecord* top, const BitVector* used) {
  if (top->parent != nullptr && CompBitSet(used, top->number)) return top;
  for (ComponentRecord* node = CompTreeNextWithin(top, top); node != top;
       node = CompTreeNextWithin(node, top)) {
    if (CompBitSet(used, node->number)) return node;
  }
  return nullptr;
}

// --- Stored objects ------------------------------------------------------------------------------

void DeleteMacroNow(T_Base*, Macro* macro) { MacroDelete(macro); }

bool IsInMacroFolder(const char* macroName, const char* folder) {
  T_TextBuf prefix(folder);
  TextBufAppendChar(&prefix, ':');
  return macroName != nullptr && StrStartsWithNoCase(macroName, prefix.c_str());
}

void DeleteSaveSetupNow(T_Base* base, SaveSetup* setup) {
  SendNote(base, kChangeSaveSetupDeleted, 0, setup);
  SaveSetupFree(setup);
}

// Destroys the subset unless something names it (4705 through the prompt).
bool DeleteSubsetNow(T_Base* base, Subset* subset, bool reportInUse) {
  if (SubsetInUse(subset)) {
    if (reportInUse) AskReadErrorText(base, kErrorSubsetInUse, subset->name);
    return false;
  }
  SubsetDestroy(subset);
  return true;
}

// The words of modify up to a word that begins with "//", joined by TABs into one record, each
// backslash and r a line break.
void ReadRecordText(CommandContext* context, T_TextBuf* record) {
  T_TextBuf word;
  bool first = true;
  while (NextCommandWord(context, &word)) {
    if (StrStartsWith(word.c_str(), "//")) {
      SkipCommandWords(context);
      break;
    }
    ReplaceEscapes(&word, "\\r", "\r");
    if (!first) TextBufAppendChar(record, '\t');
    TextBufAppendBuf(record, &word);
    first = false;
  }
}

}  // namespace

// --- Shared --------------------------------------------------------------------------------------

int32_t CommandDimension(CommandContext* context, const T_TextBuf* word, bool silent) {
  int32_t dimension = context->base->FindDimByName(word->c_str());
  if (dimension < 0 && !silent) AskReadErrorText(context->base, kErrorNoDimension, word->c_str());
  return dimension;
}

void ReplaceEscapes(T_TextBuf* text, const char* from, const char* to) {
  int32_t at = 0;
  auto n = static_cast<int32_t>(std::strlen(from));
  while ((at = TextBufFind(text, at, from)) >= 0) {
    TextBufReplace(text, at, n, to);
    at += static_cast<int32_t>(std::strlen(to));
  }
}

// --- Cards ---------------------------------------------------------------------------------------

void CommandDeleteCards(CommandContext* context) {
  T_Base* base = context->base;
  T_TextBuf words[2];
  ReadCommandWords(context, words, 2, NoOptions);
  DateRef from, to;
  DateRefInit(&from, base, kDirectionFrom);
  DateRefInit(&to, base, kDirectionTo);
  bool parsed = ParseCardBound(&from, &words[0]);
  if (!parsed) RefuseCommandWord(context, words[0].c_str());
  if (!ParseCardBound(&to, &words[1])) {
    parsed = false;
    RefuseCommandWord(context, words[1].c_str());
  }
  if (parsed && !AbortRequested()) {
    // An open card editor would go on showing a card that is gone; one that keeps its changes
    // keeps every card.
    bool closed = true;
    T_HWindow* previous = nullptr;
    while (T_HWindow* editor = FindWindowOfKind(kWindowCardEditor, base)) {
      if (editor == previous || !EventHandler_CloseAndDelete(editor, kQueryCloseAsk)) {
        closed = false;
        break;
      }
      previous = editor;
    }
    int64_t deleted = 0;
    CardRecord* card = closed ? base->SeekCard(&from.cardId) : base->sentinelCard;
    while (card != base->sentinelCard && !AbortRequested()) {
      CardId id = CardGetId(card);
      if (CardIdGreater(&id, &to.cardId)) break;
      CardRecord* following = card->next;
      DeleteCard(base, card);
      ++deleted;
      PumpMessages();
      card = following;
    }
    if (deleted > 0) base->NotifyCode(kChangeCards);
  }
  DateRefFree(&from);
  DateRefFree(&to);
}

// --- Components ----------------------------------------------------------------------------------

void CommandDeleteComponent(CommandContext* context) {
  T_Base* base = context->base;
  bool silent = false;
  bool unused = false;
  bool all = false;
  T_TextBuf words[2];
  int32_t count = ReadCommandWords(context, words, 2, [&](const T_TextBuf* word) {
    if (IsCommandOption(word, "-silent")) return silent = true;
    if (IsCommandOption(word, "-unused")) return unused = true;
    if (IsCommandOption(word, "-all")) return all = true;
    return false;
  });
  if (AbortRequested()) return;
  int32_t d = CommandDimension(context, &words[0], silent);
  if (d < 0) return;
  ComponentRecord* root = ComponentAt(base, d);
  ComponentRecord* target = root;
  if (!all && !(unused && count < 2)) {
    target = FindByCode(base, d, words[1].c_str());
    if (target == nullptr) {
      if (!silent)
        AskReadErrorTexts(base, kErrorNoComponent, words[1].c_str(), base->GetDimSingular(d));
      return;
    }
  }

  BitVector used;
  BitVecInit(&used, 0, 0);
  base->MarkUsedComponents(&used, d);
  CompCloseUpward(base, &used);
  BitVector doomed;
  BitVecInit(&doomed, base->componentPool.count, 0);
  int64_t marked = 0;
  if (unused) {
    marked = MarkUnusedBelow(target, &used, &doomed);
  } else if (ComponentRecord* inUse = FirstUsedAt(target, &used)) {
    if (!silent)
      AskReadErrorText(base, kErrorComponentInUse, target == root ? inUse->code : target->code);
  } else if (target == root) {
    for (ComponentRecord* child = root->firstChild; child != nullptr; child = child->nextSibling) {
      CompMarkSubtree(&doomed, child);
      ++marked;
    }
  } else {
    CompMarkSubtree(&doomed, target);
    marked = 1;
  }
  if (marked > 0) {
    ChangeNote note;
    note.code = kChangeComponentsDeleted;
    note.database = base;
    note.index = d;
    note.componentSet = &doomed;
    NotifyChange(base, &note);
    DeleteMarkedComponents(base, &doomed, d);
    SendNote(base, kChangeComponentsRebuilt, d, nullptr);
  }
  BitVecFree(&used);
  BitVecFree(&doomed);
}

void CommandNewComponent(CommandContext* context) {
  T_Base* base = context->base;
  bool silent = false;
  T_TextBuf words[4];
  ReadCommandWords(
      context, words, 4,
      [&](const T_TextBuf* word) { return IsCommandOption(word, "-silent") && (silent = true); },
      true);
  if (AbortRequested()) return;
  int32_t d = CommandDimension(context, &words[0], silent);
  if (d < 0) return;
  T_TextBuf code, text, hostCode;
  if (!NormaliseComponentTexts(base->dimensions[d], words[1].c_str(), words[2].c_str(),
                               words[3].c_str(), &code, &text, &hostCode))
    return;
  if (FindByCode(base, d, code.c_str()) != nullptr) {
    if (!silent) AskReadErrorTexts(base, kErrorCodeDefined, code.c_str(), base->GetDimSingular(d));
    return;
  }
  if (!hostCode.empty() && FindByHostCode(base, d, hostCode.c_str()) != nullptr) {
    if (!silent)
      AskReadErrorTexts(base, kErrorHostDefined, hostCode.c_str(), base->GetDimSingular(d));
    TextBufAssign(&hostCode, nullptr);
  }
  if (AddComponent(base, d, code.c_str(), text.c_str(), hostCode.c_str()) != nullptr)
    SendNote(base, kChangeComponentsRebuilt, d, nullptr);
}

void CommandSortComponents(CommandContext* context) {
  T_Base* base = context->base;
  int32_t flags = 0;
  T_TextBuf words[2];
  int32_t count = ReadCommandWords(context, words, 2, [&flags](const T_TextBuf* word) {
    const struct {
      const char* option;
      int32_t flag;
    } kFlags[] = {{"-sublevels", kSortChildrenRecursive},
                  {"-reverse", kSortChildrenDescending},
                  {"-text", kSortChildrenByText},
                  {"-host", kSortChildrenByHostCode}};
    for (const auto& f : kFlags) {
      if (!IsCommandOption(word, f.option)) continue;
      flags |= f.flag;
      return true;
    }
    return false;
  });
  if (AbortRequested()) return;
  int32_t d = CommandDimension(context, &words[0], false);
  if (d < 0) return;
  ComponentRecord* node = ComponentAt(base, d);
  if (count > 1) {
    node = FindByCode(base, d, words[1].c_str());
    if (node == nullptr) {
      AskReadErrorTexts(base, kErrorNoComponent, words[1].c_str(), base->GetDimSingular(d));
      return;
    }
  }
  SortChildren(node, flags);
  SendNote(base, kChangeComponentsRebuilt, d, nullptr);
}

void CommandDimOptions(CommandContext* context) {
  T_Base* base = context->base;
  Words words;
  T_TextBuf word;
  while (NextCommandWord(context, &word)) words.push_back(word);
  // The dimension first, wherever it stands: the options apply to it.
  int32_t d = -1;
  size_t dimensionAt = words.size();
  for (size_t i = 0; i < words.size(); ++i) {
    if (IsOptionWord(&words[i])) {
      bool takesValue =
          !IsCommandOption(&words[i], "-compulsory") && !IsCommandOption(&words[i], "-optional");
      if (takesValue) ++i;
      continue;
    }
    dimensionAt = i;
    break;
  }
  if (dimensionAt < words.size())
    d = CommandDimension(context, &words[dimensionAt], false);
  else
    AskReadErrorText(base, kErrorNoDimension, "");
  if (d < 0) return;
  DimensionRecord* dimension = base->dimensions[d];
  for (size_t i = 0; i < words.size() && !AbortRequested(); ++i) {
    if (i == dimensionAt) continue;
    const T_TextBuf& option = words[i];
    if (IsCommandOption(&option, "-compulsory")) {
      SetOptionX(dimension, true);
      continue;
    }
    if (IsCommandOption(&option, "-optional")) {
      SetOptionX(dimension, false);
      continue;
    }
    const bool singular = IsCommandOption(&option, "-singular");
    const bool plural = IsCommandOption(&option, "-plural");
    const char* caseRules = IsCommandOption(&option, "-codecase")   ? "ULSN"
                            : IsCommandOption(&option, "-textcase") ? "ULDWSN"
                            : IsCommandOption(&option, "-hostcase") ? "ULDWSN"
                                                                    : nullptr;
    const bool strings = IsCommandOption(&option, "-strings");
    if (!singular && !plural && caseRules == nullptr && !strings) {
      RefuseCommandWord(context, option.c_str());
      continue;
    }
    if (i + 1 >= words.size() || i + 1 == dimensionAt) {
      RefuseCommandWord(context, option.c_str());
      continue;
    }
    const T_TextBuf& value = words[++i];
    if (singular || plural) {
      // "default" gives the name back to the language's default.
      const char* name = StrEqualNoCase(value.c_str(), "default") ? nullptr : value.c_str();
      if (singular) {
        SetSingular(dimension, name);
      } else {
        SetPlural(dimension, name);
      }
    } else if (caseRules != nullptr) {
      char letter = AsciiUpper(value.data[0]);
      if (letter == 0 || std::strchr(caseRules, letter) == nullptr) {
        RefuseCommandWord(context, value.c_str());
      } else if (IsCommandOption(&option, "-codecase")) {
        SetCodeCaseLetter(dimension, letter);
      } else if (IsCommandOption(&option, "-textcase")) {
        SetTextCaseLetter(dimension, letter);
      } else {
        SetHostCaseLetter(dimension, letter);
      }
    } else {
      int32_t style = 0;
      while (style < kDisplayStyleCount && !StrEqual(DisplayStyleName(style), value.c_str()))
        ++style;
      if (style < kDisplayStyleCount) {
        SetDisplayStyle(dimension, style);
      } else {
        RefuseCommandWord(context, value.c_str());
      }
    }
  }
}

// --- Stored objects ------------------------------------------------------------------------------

void CommandDeleteMacro(CommandContext* context) {
  T_Base* base = context->base;
  NameList list;
  list.Read(context);
  if (AbortRequested()) return;
  for (const T_TextBuf& name : list.names) {
    std::vector<Macro*> doomed;
    Macro* macro = base->macros;
    for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) {
      if (StrEqualNoCase(macro->name, name.c_str()) || IsInMacroFolder(macro->name, name.c_str()))
        doomed.push_back(macro);
    }
    if (doomed.empty()) RefuseCommandWord(context, name.c_str());
    for (Macro* m : doomed) DeleteMacroNow(base, m);
  }
  if (list.all || list.filtered) {
    std::vector<Macro*> doomed;
    Macro* macro = base->macros;
    for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) {
      if (list.Matches(macro->name != nullptr ? macro->name : "")) doomed.push_back(macro);
    }
    for (Macro* m : doomed) DeleteMacroNow(base, m);
  }
}

void CommandExecute(CommandContext* context) {
  T_Base* base = context->base;
  T_TextBuf name;
  if (!NextCommandWord(context, &name)) return;
  T_TextBuf word;
  while (NextCommandWord(context, &word)) RefuseCommandWord(context, word.c_str());
  Macro* macro = base->FindMacro(name.c_str());
  if (macro == nullptr) {
    RefuseCommandWord(context, name.c_str());
    return;
  }
  RunMacro(macro);
  // A recursive call is refused and reported like any refused command, so the run that called
  // it goes on with its next line.
  if (AbortRequested() && PendingError.request.message == kErrorMacroRecursive) {
    PendingErrorClear();
    AskReadErrorText(base, kErrorMacroRecursive, name.c_str());
  }
}

void CommandDeleteSaveSetup(CommandContext* context) {
  T_Base* base = context->base;
  NameList list;
  list.Read(context);
  if (AbortRequested()) return;
  for (const T_TextBuf& name : list.names) {
    if (SaveSetup* setup = FindSaveSetup(base, name.c_str())) {
      DeleteSaveSetupNow(base, setup);
    } else {
      RefuseCommandWord(context, name.c_str());
    }
  }
  if (list.all || list.filtered) {
    SaveSetup* setup = base->saveSetups;
    while (setup != nullptr) {
      SaveSetup* following = setup->next;
      if (list.Matches(setup->name != nullptr ? setup->name : "")) DeleteSaveSetupNow(base, setup);
      setup = following;
    }
  }
}

void CommandDeleteSubset(CommandContext* context) {
  T_Base* base = context->base;
  NameList list;
  list.Read(context);
  if (AbortRequested() || base->subsets == nullptr) return;
  for (const T_TextBuf& name : list.names) {
    if (Subset* subset = SubsetFind(base->subsets, name.c_str())) {
      DeleteSubsetNow(base, subset, true);
    } else {
      AskReadErrorText(base, kErrorNoSubset, name.c_str());
    }
  }
  if (!(list.all || list.filtered)) return;
  // A subset that another one names goes once that one has gone: passes until one deletes
  // nothing, then each that is still in use is reported.
  for (bool deleted = true; deleted;) {
    deleted = false;
    Subset* subset = base->subsets->first;
    for (int32_t i = base->subsets->count; i > 0 && subset != nullptr; --i) {
      Subset* following = subset->next != base->subsets->first ? subset->next : nullptr;
      if (list.Matches(subset->name != nullptr ? subset->name : "") &&
          DeleteSubsetNow(base, subset, false))
        deleted = true;
      subset = following;
    }
  }
  Subset* subset = base->subsets->first;
  for (int32_t i = base->subsets->count; i > 0 && subset != nullptr; --i, subset = subset->next) {
    if (list.Matches(subset->name != nullptr ? subset->name : ""))
      AskReadErrorText(base, kErrorSubsetInUse, subset->name);
  }
}

void CommandDeleteTemplate(CommandContext* context) {
  T_Base* base = context->base;
  NameList list;
  list.Read(context);
  if (AbortRequested()) return;
  for (const T_TextBuf& name : list.names) {
    TemplateRunEntry target =
        FindCommandTarget(context, name.c_str(), kEntryTemplate | kEntryFolder);
    if (target.templ != nullptr) RemoveTemplate(base, target.templ);
    if (AbortRequested()) return;
  }
  // The tree matches paths itself, with and without the blank after each colon.
  if (list.all) {
    DeleteAllTemplates(base);
  } else if (list.filtered) {
    DeleteTemplatesMatching(base, list.criteria.c_str());
  }
}

void CommandDuplicateTemplate(CommandContext* context) {
  T_Base* base = context->base;
  T_TextBuf words[2];
  int32_t count = ReadCommandWords(context, words, 2, NoOptions);
  if (count < 2 || AbortRequested()) return;
  TemplateRunEntry source = FindCommandTarget(context, words[0].c_str(), kEntryTemplate);
  if (source.templ == nullptr) return;
  if (DuplicateTemplate(base, source.templ, words[1].c_str()) == nullptr)
    RefuseCommandWord(context, words[1].c_str());
}

void CommandModify(CommandContext* context) {
  T_Base* base = context->base;
  T_TextBuf name;
  if (!NextCommandWord(context, &name)) return;
  T_TextBuf record;
  ReadRecordText(context, &record);
  if (AbortRequested()) return;
  TemplateRunEntry target = FindCommandTarget(context, name.c_str(), kEntrySubset | kEntryTemplate);
  if (target.kind == 0) return;

  T_IStream stream;
  stream.CtorFromMemory(record.data, record.length);
  const int32_t savedKind = base->fileKind;
  const int32_t savedVersion = base->fileVersion;
  base->fileKind = kFileKindTextForm;
  // The records on the line are read as the text form of the current format writes them.
  base->fileVersion = kFormatDate;
  bool atLine = stream.NextLine();
  if (target.kind == kEntrySubset) {
    SubsetClearRecords(target.subset);
    if (atLine) ReadSubset(target.subset, &stream);
    SendNote(base, kChangeSubsetDefinition, 0, target.subset);
  } else {
    target.templ->ReadRecords(&stream, atLine);
    SendNote(base, kChangeTemplates, 0, target.templ);
  }
  base->fileKind = savedKind;
  base->fileVersion = savedVersion;
}

void CommandPassword(CommandContext* context) {
  T_Base* base = context->base;
  T_TextBuf password;
  if (!NextCommandWord(context, &password)) return;
  SetProtectionPassword(base->protection, password.c_str());
  WipeCommandWord(context, &password);
  T_TextBuf word;
  while (NextCommandWord(context, &word)) RefuseCommandWord(context, word.c_str());
  base->NotifyCode(kChangePassword);
}
