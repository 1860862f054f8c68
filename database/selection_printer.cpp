// The printer of compiled selection programs: the records are replayed on a stack of texts, each
// with the precedence of its outermost operator, and brackets go only where reading the text back
// needs them. Stored forms go into files, templates and save setups, so this output is a format:
// operators are "|" (1), "±" (2), "&" and "¬" (3), prefix "¬" (4), loosest first.
#include <new>

#include "core/text_buffer.h"
#include "database/base.h"
#include "database/component_text.h"
#include "database/components.h"
#include "database/selection_program.h"
#include "database/selection_scanner.h"
#include "ui/link_markup.h"

namespace {

constexpr char kEither[] = "\xC2\xB1";
constexpr char kNot[] = "\xC2\xAC";
constexpr char kPilcrow[] = "\xC2\xB6";
constexpr char kEllipsis[] = "\xE2\x80\xA6";
constexpr int32_t kOperandPrecedence = 99;
constexpr int32_t kComplementPrecedence = 4;

struct Entry {
  T_TextBuf text;
  int32_t precedence = kOperandPrecedence;
  int32_t op = 0;
};

const char* OperatorText(int32_t op) {
  switch (op) {
    case kSelUnion:
      return "|";
    case kSelEither:
      return kEither;
    case kSelAnd:
      return "&";
    default:
      return kNot;
  }
}

const char* SuffixText(uint32_t opcode) {
  switch (opcode) {
    case kSelAncestors:
      return "^";
    case kSelAlone:
      return "!";
    case kSelInnerOf:
      return "?";
    case kSelLeavesOf:
      return kPilcrow;
    default:
      return "";
  }
}

// A pattern that needs quotes but holds both quote marks cannot be quoted; brackets hold it
// when its own brackets balance.
bool NeedsBracketsForQuotes(const char* pattern, int32_t length) {
  bool single = false;
  bool twin = false;
  int32_t depth = 0;
  for (int32_t i = 0; i < length; ++i) {
    single |= pattern[i] == '\'';
    twin |= pattern[i] == '"';
    if (pattern[i] == '(') ++depth;
    if (pattern[i] == ')' && --depth < 0) return false;
  }
  return single && twin && depth == 0 && SelectionWordNeedsQuotes(pattern, length, kPatternWord);
}

void Bracket(T_TextBuf* text) {
  TextBufInsertChar(text, 0, '(');
  TextBufAppendChar(text, ')');
}

class Printer {
 public:
  Printer(T_Base* base, int32_t d, const SelectionProgram* program, char separator)
      : base_(base), d_(d), program_(program), separator_(separator) {}

  void Print(T_TextBuf* out) {
    const SelectionRecord* records = ProgramRecords(program_);
    if (program_->recordCount == 2 && records[0].opcode == kSelComponent &&
        records[0].argument != d_ && ComponentInDimension(base_, d_, records[0].argument)) {
      PrintDisplayText(out, records[0].argument);
      return;
    }
    auto* stack = new (std::nothrow) Entry[program_->stackDepth];
    if (!stack) return;
    int32_t top = -1;
    for (uint32_t i = 0; i < program_->recordCount && records[i].opcode != kSelEnd; ++i) {
      uint32_t opcode = records[i].opcode;
      if (opcode >= kSelRoot) {
        if (top + 1 >= static_cast<int32_t>(program_->stackDepth)) break;
        Entry* entry = &stack[++top];
        TextBufAssign(&entry->text, "");
        entry->precedence = kOperandPrecedence;
        entry->op = 0;
        Operand(records + i, entry);
        if (opcode == kSelRange) ++i;
      } else if (opcode == kSelComplement) {
        if (top < 0) break;
        Complement(&stack[top]);
      } else {
        if (top < 1) break;
        Join(&stack[top - 1], &stack[top], static_cast<int32_t>(opcode));
        --top;
      }
    }
    if (top >= 0) TextBufAssignBuf(out, &stack[top].text);
    delete[] stack;
  }

 private:
  // Display text of the dimension's style in plain form; the code when the style shows nothing.
  void PrintDisplayText(T_TextBuf* out, int64_t component) {
    T_TextBuf shown;
    FormatComponent(base_, &shown, component, d_, -1);
    T_TextBuf scratch;
    const char* plain = LinkText_PlainText(base_->linkContext, &scratch, shown.data);
    if (!*plain) plain = ComponentAt(base_, component)->code;
    if (!plain) return;
    int32_t length = 0;
    while (plain[length]) ++length;
    AppendSelectionWord(out, plain, length, kCodeWord);
  }

  void Code(T_TextBuf* text, int64_t component) {
    const char* code = ComponentAt(base_, component)->code;
    int32_t length = 0;
    while (code && code[length]) ++length;
    AppendSelectionWord(text, code, length, kCodeWord);
  }

  void Operand(const SelectionRecord* record, Entry* entry) {
    T_TextBuf* text = &entry->text;
    uint32_t opcode = record->opcode;
    if (NamesComponent(opcode) && NamedComponentMissing(record, entry)) return;
    switch (opcode) {
      case kSelRoot:
        TextBufAppend(text, "\\");
        return;
      case kSelEmpty:
        TextBufAppend(text, "\\\\");
        return;
      case kSelTop:
        TextBufAppend(text, "!");
        return;
      case kSelInner:
        TextBufAppend(text, "?");
        return;
      case kSelLeaves:
        TextBufAppend(text, kPilcrow);
        return;
      case kSelComponent:
        Code(text, record->argument);
        return;
      case kSelRange:
        Code(text, record[0].argument);
        TextBufAppend(text, kEllipsis);
        Code(text, record[1].argument);
        if (record[1].opcode == kSelRangeBare) TextBufAppend(text, "!");
        return;
      case kSelAncestors:
      case kSelAlone:
      case kSelInnerOf:
      case kSelLeavesOf:
        Code(text, record->argument);
        TextBufAppend(text, SuffixText(opcode));
        return;
      default:
        Pattern(text, record);
        return;
    }
  }

  // A record that names the root (a deleted top-level component remapped) or a component no
  // longer in the tree prints as what it selects. True when the entry is done.
  bool NamedComponentMissing(const SelectionRecord* record, Entry* entry) {
    int32_t ends = record->opcode == kSelRange ? 2 : 1;
    bool root = false;
    for (int32_t k = 0; k < ends; ++k) {
      if (!ComponentInDimension(base_, d_, record[k].argument)) {
        TextBufAssign(&entry->text, "\\\\");  // the evaluator selects nothing for it
        return true;
      }
      if (record[k].argument == d_) root = true;
    }
    if (!root) return false;
    switch (record->opcode) {
      case kSelAlone:
        TextBufAssign(&entry->text, "\\");
        return true;
      case kSelAncestors:
        TextBufAssign(&entry->text, "\\\\");
        return true;
      case kSelInnerOf:
        TextBufAssign(&entry->text, "?");
        return true;
      case kSelLeavesOf:
        TextBufAssign(&entry->text, kPilcrow);
        return true;
      default:  // the root with its descendants: everything
        TextBufAssign(&entry->text, kNot);
        TextBufAppend(&entry->text, "\\\\");
        entry->precedence = kComplementPrecedence;
        entry->op = kSelComplement;
        return true;
    }
  }

  void Pattern(T_TextBuf* text, const SelectionRecord* record) {
    uint32_t opcode = record->opcode;
    const char* pattern = ProgramPool(program_) + record->argument;
    TextBufAppend(text, opcode <= kSelTextUp ? "=" : "@");
    if (*pattern == kBracketedPattern) {
      TextBufAppendChar(text, '(');
      TextBufAppend(text, pattern + 1);
      TextBufAppendChar(text, ')');
    } else {
      int32_t length = 0;
      while (pattern[length]) ++length;
      if (NeedsBracketsForQuotes(pattern, length)) {
        TextBufAppendChar(text, '(');
        TextBufAppend(text, pattern);
        TextBufAppendChar(text, ')');
      } else {
        AppendSelectionWord(text, pattern, length, kPatternWord);
      }
    }
    if (opcode == kSelTextUp || opcode == kSelHostUp) TextBufAppend(text, "^");
  }

  void Complement(Entry* entry) {
    if (entry->precedence < kComplementPrecedence) Bracket(&entry->text);
    TextBufInsert(&entry->text, 0, kNot);
    entry->precedence = kComplementPrecedence;
    entry->op = kSelComplement;
  }

  void Join(Entry* left, const Entry* right, int32_t op) {
    int32_t precedence = SelectionPrecedence(op);
    if (left->precedence < precedence) Bracket(&left->text);
    if (separator_) TextBufAppendChar(&left->text, separator_);
    TextBufAppend(&left->text, OperatorText(op));
    if (separator_) TextBufAppendChar(&left->text, separator_);
    bool bracketRight =
        right->precedence < precedence ||
        (right->precedence == precedence && (right->op != op || op == kSelDifference));
    if (bracketRight) TextBufAppendChar(&left->text, '(');
    TextBufAppendBuf(&left->text, &right->text);
    if (bracketRight) TextBufAppendChar(&left->text, ')');
    left->precedence = precedence;
    left->op = op;
  }

  T_Base* base_;
  int32_t d_;
  const SelectionProgram* program_;
  char separator_;
};

}  // namespace

void PrintSelection(T_Base* base, int32_t d, const SelectionProgram* program, T_TextBuf* out,
                    char separator) {
  TextBufAssign(out, "");
  if (!program) return;
  Printer printer(base, d, program, separator);
  printer.Print(out);
}
