// The compiler of selection expressions: a recursive descent over the scanner's tokens that
// emits postfix records, folding constant operations over single components as it emits them.
//
// Grammar, loosest first (all binary operators left-associative):
//   expression := either-term { ("|" | "++") either-term }
//   either-term := and-term { ("±" | "+-") and-term }
//   and-term := unary { ("&" | "¬" | "--") unary }    a & ¬b is a ¬ b, a ¬ ¬b is a & b
//   unary := ("¬" | "--") unary | "(" expression ")" | primary
//   primary := code [ "!" | "?" | "¶" | "^" | range code [ "!" ] ]
//            | "\" | "\\" | ("!" | "?" | "¶") [ code ] | "^" code | ("=" | "@") pattern [ "^" ]
// A level that cannot finish gives the text back; words and operators that fit nowhere are
// skipped.
#include <algorithm>

#include "core/memory.h"
#include "core/utf8.h"
#include "database/base.h"
#include "database/components.h"
#include "database/selection_program.h"
#include "database/selection_scanner.h"

namespace {

constexpr int32_t kHeaderSize = static_cast<int32_t>(sizeof(SelectionProgram));
// Brackets and complements nest no deeper than this, or the compile fails: texts from files and
// requests are not cut, and each level costs the descent stack space.
constexpr int32_t kMaxNesting = 500;

// A MemAlloc array that grows by doubling; a failed growth leaves it as it was.
template <typename T>
struct GrowingArray {
  T* data = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;

  ~GrowingArray() { MemFree(data); }
  bool Reserve(int32_t n) {
    if (n <= capacity) return true;
    int32_t wanted = std::max(n, capacity * 2);
    void* block = data;
    if (!MemResize(&block, static_cast<int64_t>(wanted) * sizeof(T), 0)) return false;
    data = static_cast<T*>(block);
    capacity = wanted;
    return true;
  }
  bool Push(const T& value) {
    if (!Reserve(count + 1)) return false;
    data[count++] = value;
    return true;
  }
};

// The binary operator a token stands for between two operands, 0 for none.
int32_t BinaryOperator(int32_t token) {
  switch (token) {
    case kSelUnion:
    case kSelEither:
    case kSelAnd:
      return token;
    case kSelComplement:
      return kSelDifference;
    default:
      return 0;
  }
}

int32_t SuffixOpcode(int32_t token) {
  switch (token) {
    case kSelTop:
      return kSelAlone;
    case kSelInner:
      return kSelInnerOf;
    case kSelLeaves:
      return kSelLeavesOf;
    case kSelAncestors:
      return kSelAncestors;
    default:
      return 0;
  }
}

class Compiler {
 public:
  Compiler(T_Base* base, int32_t d, const char* text, T_Window* owner)
      : base_(base), d_(d), text_(text), owner_(owner) {}

  CompileResult Run(SelectionProgram** program) {
    *program = nullptr;
    int32_t length = StrLength(text_);
    // The guard record lets the simplifier look back past the first record.
    if (!records_.Reserve(length + 3) || !pool_.Reserve(length + 8) ||
        !records_.Push(SelectionRecord{kSelNone, 0, 0}))
      return CompileResult::kFailed;

    bool have = Expression(1);
    while (!Stopped() && Peek().code != kSelEnd) {
      int32_t before = position_;
      SkipStray();
      if (have)
        Continue(1);
      else
        have = Expression(1);
      if (position_ == before) break;
    }
    if (Stopped()) return CompileResult::kFailed;
    if (records_.count == 1) return CompileResult::kUnrestricted;
    Emit(kSelEnd);
    if (outOfMemory_) return CompileResult::kFailed;
    *program = Build();
    return *program ? CompileResult::kProgram : CompileResult::kFailed;
  }

 private:
  struct Mark {
    int32_t position;
    int32_t records;
    int32_t pool;
  };

  static int32_t StrLength(const char* text) {
    int32_t n = 0;
    while (text[n]) ++n;
    return n;
  }

  bool Stopped() const { return unknown_ || outOfMemory_ || tooDeep_; }
  Mark Save() const { return Mark{position_, records_.count, pool_.count}; }
  void Restore(const Mark& mark) {
    position_ = mark.position;
    records_.count = mark.records;
    pool_.count = mark.pool;
  }
  SelectionToken Peek() const { return ScanSelectionToken(text_ + position_); }
  void Take(const SelectionToken& token) { position_ += token.skipped + token.length; }

  // --- Grammar -----------------------------------------------------------------------------------

  bool Expression(int32_t minimum) {
    if (!Unary()) return false;
    Continue(minimum);
    return true;
  }

  // Joins operators of at least the given precedence and their right operands to the operand
  // already emitted.
  void Continue(int32_t minimum) {
    while (!Stopped()) {
      SelectionToken token = Peek();
      int32_t op = BinaryOperator(token.code);
      int32_t precedence = SelectionPrecedence(op);
      if (!op || precedence < minimum) return;
      Mark mark = Save();
      Take(token);
      if (precedence == 3) {
        // Complements right after "&" or "¬" turn the one into the other.
        for (SelectionToken next = Peek(); next.code == kSelComplement; next = Peek()) {
          Take(next);
          op = op == kSelAnd ? kSelDifference : kSelAnd;
        }
      }
      if (!Expression(precedence + 1)) {
        if (!Stopped()) Restore(mark);
        return;
      }
      EmitBinary(op);
    }
  }

  bool Unary() {
    if (Stopped()) return false;
    SelectionToken token = Peek();
    Mark mark = Save();
    if (token.code == kSelComplement || token.code == kSelOpen) {
      if (nesting_ >= kMaxNesting) {
        tooDeep_ = true;
        return false;
      }
      ++nesting_;
      bool have = Nested(token);
      --nesting_;
      if (!have && !Stopped()) Restore(mark);
      return have;
    }
    if (!Primary()) {
      if (!Stopped()) Restore(mark);
      return false;
    }
    return true;
  }

  // A complement, or an expression in brackets (all up to the balancing one is consumed).
  bool Nested(const SelectionToken& token) {
    Take(token);
    if (token.code == kSelComplement) {
      if (!Unary()) return false;
      EmitComplement();
      return true;
    }
    if (!Expression(1)) return false;
    if (!Stopped()) SkipToClosingBracket();
    return !Stopped();
  }

  bool Primary() {
    SelectionToken token = Peek();
    int64_t component = 0;
    switch (token.code) {
      case kSelNone: {
        if (!Code(&component)) return false;
        SelectionToken next = Peek();
        if (int32_t suffix = SuffixOpcode(next.code)) {
          Take(next);
          Emit(suffix, component);
        } else if (next.code == kSelRange) {
          Range(component, next);
        } else {
          Emit(kSelComponent, component);
        }
        return !Stopped();
      }
      case kSelRoot:
        Take(token);
        if (text_[position_] == '\\') {
          ++position_;
          Emit(kSelEmpty);
        } else {
          Emit(kSelRoot);
        }
        return true;
      case kSelTop:
      case kSelInner:
      case kSelLeaves:
        Take(token);
        if (Code(&component))
          Emit(SuffixOpcode(token.code), component);
        else
          Emit(token.code);
        return !Stopped();
      case kSelAncestors:
        Take(token);
        if (!Code(&component)) return false;
        Emit(kSelAncestors, component);
        return !Stopped();
      case kSelText:
      case kSelHost:
        Take(token);
        return Pattern(token.code);
      default:
        return false;
    }
  }

  // After "a" and a range operator: "a…b", "a…b!", or "a" alone when no code follows.
  void Range(int64_t first, const SelectionToken& rangeToken) {
    Mark afterFirst = Save();
    Take(rangeToken);
    int64_t last = 0;
    if (!Code(&last)) {
      Restore(afterFirst);
      Emit(kSelComponent, first);
      return;
    }
    if (Stopped()) return;
    bool bare = false;
    SelectionToken next = Peek();
    if (next.code == kSelTop) {
      Take(next);
      bare = true;
    }
    if (last == first) {
      Emit(bare ? kSelAlone : kSelComponent, first);
      return;
    }
    Emit(kSelRange, first);
    Emit(bare ? kSelRangeBare : kSelRange, last);
  }

  // A code word at the position, resolved in the dimension. False (position unchanged) when no
  // word starts here; an unknown code stops the compile.
  bool Code(int64_t* component) {
    if (Peek().code != kSelNone) return false;
    SelectionWord word = ReadSelectionWord(text_ + position_, kCodeWord);
    if (word.length == 0) return false;
    position_ += word.consumed;
    *component = base_->FindComponentOrAsk(d_, word.start, word.length, owner_);
    if (*component == d_) unknown_ = true;
    return true;
  }

  bool Pattern(int32_t opcode) {
    SelectionWord word = ReadSelectionWord(text_ + position_, kPatternWord);
    if (word.length == 0) return false;
    position_ += word.consumed;
    int32_t offset = pool_.count;
    if (!pool_.Reserve(pool_.count + word.length + 2)) {
      outOfMemory_ = true;
      return false;
    }
    if (word.bracketed) pool_.data[pool_.count++] = kBracketedPattern;
    for (int32_t i = 0; i < word.length; ++i) pool_.data[pool_.count++] = word.start[i];
    pool_.data[pool_.count++] = 0;
    SelectionToken next = Peek();
    if (next.code == kSelAncestors) {
      Take(next);
      ++opcode;
    }
    Emit(opcode, offset);
    return true;
  }

  // Consumes the rest of a bracket, up to its balancing ")" or the end of the text.
  void SkipToClosingBracket() {
    int32_t depth = 1;
    for (;;) {
      SelectionToken token = Peek();
      if (token.code == kSelEnd) return;
      if (token.code == kSelOpen) ++depth;
      if (token.code == kSelClose && --depth == 0) {
        Take(token);
        return;
      }
      SkipStray();
    }
  }

  void SkipStray() {
    SelectionToken token = Peek();
    if (token.code > kSelEnd) {
      Take(token);
      return;
    }
    if (token.code == kSelEnd) return;
    SelectionWord word = ReadSelectionWord(text_ + position_, kCodeWord);
    if (word.consumed > 0) {
      position_ += word.consumed;
    } else {
      const char* p = text_ + position_;
      Utf8NextChar(&p);
      position_ = static_cast<int32_t>(p - text_);
    }
  }

  // --- Emitting and simplifying --------------------------------------------------------------

  SelectionRecord& Back(int32_t n) { return records_.data[records_.count - n]; }
  void Pop(int32_t n) { records_.count -= n; }

  void Emit(int32_t opcode, int64_t argument = 0) {
    if (!records_.Push(SelectionRecord{static_cast<uint32_t>(opcode), 0, argument}))
      outOfMemory_ = true;
  }

  void EmitComplement() {
    if (records_.count > 1 && Back(1).opcode == kSelComplement) {
      Pop(1);
      return;
    }
    Emit(kSelComplement);
  }

  // x is y or lies below it.
  bool Within(int64_t x, int64_t y) const {
    for (const ComponentRecord* node = ComponentAt(base_, x); node; node = node->parent) {
      if (node->number == y) return true;
    }
    return false;
  }

  void ReplaceByEmpty(int32_t n) {
    Pop(n);
    Emit(kSelEmpty);
  }

  // A and B are the last two records; each is a whole operand when it is a single-record one.
  void EmitBinary(int32_t op) {
    SelectionRecord a = Back(2);
    SelectionRecord b = Back(1);
    if (a.opcode == kSelComponent && b.opcode == kSelComponent) {
      SimplifyComponents(op, a, b);
      return;
    }
    if (a.opcode == kSelComponent && b.opcode == kSelRoot) {
      if (op == kSelEither) {
        Emit(kSelUnion);
      } else if (op == kSelDifference) {
        Pop(1);
      } else if (op == kSelAnd) {
        ReplaceByEmpty(2);
      } else {
        Emit(op);
      }
      return;
    }
    if (a.opcode == kSelComponent &&
        (b.opcode == kSelAlone || b.opcode == kSelInnerOf || b.opcode == kSelLeavesOf) &&
        Within(b.argument, a.argument)) {
      if (op == kSelAnd) {
        Pop(2);
        Emit(b.opcode, b.argument);
      } else if (op == kSelUnion) {
        Pop(1);
      } else {
        Emit(op == kSelEither ? kSelDifference : op);
      }
      return;
    }
    if (a.opcode == kSelRoot && b.opcode == kSelRoot) {
      if (op == kSelAnd || op == kSelUnion) {
        Pop(1);
      } else if (op == kSelDifference) {
        ReplaceByEmpty(2);
      } else {
        Emit(op);
      }
      return;
    }
    if (a.opcode == kSelRoot && b.opcode == kSelComponent &&
        (op == kSelDifference || op == kSelAnd)) {
      if (op == kSelDifference)
        Pop(1);
      else
        ReplaceByEmpty(2);
      return;
    }
    if (b.opcode == kSelRoot && (a.opcode == kSelRange || a.opcode == kSelRangeBare) &&
        Back(3).opcode == kSelRange && op == kSelAnd) {
      ReplaceByEmpty(3);
      return;
    }
    if (b.opcode == kSelEmpty) {
      if (op != kSelAnd) {
        Pop(1);
      } else if (a.opcode == kSelRoot || a.opcode == kSelEmpty || a.opcode == kSelComponent) {
        ReplaceByEmpty(2);
      } else {
        Emit(op);
      }
      return;
    }
    if (a.opcode == kSelEmpty && b.opcode == kSelComplement) {
      // The right operand is everything.
      if (op == kSelAnd) {
        Pop(2);
      } else if (op == kSelEither) {
        Pop(2);
        EmitComplement();
      } else {
        Emit(op);
      }
      return;
    }
    if (a.opcode == kSelEmpty && (b.opcode == kSelRoot || b.opcode == kSelComponent)) {
      if (op == kSelAnd || op == kSelDifference) {
        ReplaceByEmpty(2);
      } else {
        Pop(2);
        Emit(b.opcode, b.argument);
      }
      return;
    }
    Emit(op);
  }

  void SimplifyComponents(int32_t op, const SelectionRecord& a, const SelectionRecord& b) {
    bool same = a.argument == b.argument;
    bool bInA = !same && Within(b.argument, a.argument);
    bool aInB = !same && !bInA && Within(a.argument, b.argument);
    switch (op) {
      case kSelAnd:
        if (same || aInB) {
          Pop(1);
        } else if (bInA) {
          Pop(2);
          Emit(kSelComponent, b.argument);
        } else {
          ReplaceByEmpty(2);
        }
        return;
      case kSelUnion:
        if (same || bInA) {
          Pop(1);
        } else if (aInB) {
          Pop(2);
          Emit(kSelComponent, b.argument);
        } else {
          Emit(kSelUnion);
        }
        return;
      case kSelEither:
        if (same) {
          ReplaceByEmpty(2);
        } else if (bInA) {
          Emit(kSelDifference);
        } else if (aInB) {
          Pop(2);
          Emit(kSelComponent, b.argument);
          Emit(kSelComponent, a.argument);
          Emit(kSelDifference);
        } else {
          Emit(kSelUnion);
        }
        return;
      default:  // difference
        if (same || aInB) {
          ReplaceByEmpty(2);
        } else if (bInA) {
          Emit(kSelDifference);
        } else {
          Pop(1);
        }
        return;
    }
  }

  // --- The block ---------------------------------------------------------------------------------

  // The most sets the evaluator holds at once.
  uint32_t StackDepth() const {
    uint32_t depth = 0;
    uint32_t most = 0;
    for (int32_t i = 1; i < records_.count; ++i) {
      uint32_t opcode = records_.data[i].opcode;
      if (opcode == kSelRange) ++i;  // the range's end record adds nothing
      if (opcode >= kSelRoot) {
        most = std::max(most, ++depth);
      } else if (opcode != kSelComplement && opcode != kSelEnd && depth > 0) {
        --depth;
      }
    }
    return std::max<uint32_t>(most, 1);
  }

  SelectionProgram* Build() {
    int32_t recordCount = records_.count - 1;
    int64_t recordBytes = static_cast<int64_t>(recordCount) * sizeof(SelectionRecord);
    int64_t size = kHeaderSize + recordBytes + pool_.count;
    auto* program = static_cast<SelectionProgram*>(MemAlloc(size, 0));
    if (!program) return nullptr;
    program->poolOffset = static_cast<uint32_t>(kHeaderSize + recordBytes);
    program->stackDepth = StackDepth();
    program->recordCount = static_cast<uint32_t>(recordCount);
    program->reserved = 0;
    program->ancestry = nullptr;
    SelectionRecord* records = ProgramRecords(program);
    for (int32_t i = 0; i < recordCount; ++i) records[i] = records_.data[i + 1];
    char* pool = reinterpret_cast<char*>(program) + program->poolOffset;
    for (int32_t i = 0; i < pool_.count; ++i) pool[i] = pool_.data[i];
    return program;
  }

  T_Base* base_;
  int32_t d_;
  const char* text_;
  T_Window* owner_;
  int32_t position_ = 0;
  int32_t nesting_ = 0;
  GrowingArray<SelectionRecord> records_;
  GrowingArray<char> pool_;
  bool unknown_ = false;
  bool outOfMemory_ = false;
  bool tooDeep_ = false;
};

}  // namespace

CompileResult CompileSelection(T_Base* base, int32_t d, const char* text, T_Window* owner,
                               SelectionProgram** program) {
  *program = nullptr;
  if (!text || !*text) return CompileResult::kUnrestricted;
  Compiler compiler(base, d, text, owner);
  return compiler.Run(program);
}

void FreeSelectionProgram(SelectionProgram* program) {
  if (!program) return;
  MemFree(program->ancestry);
  MemFree(program);
}
