// Text criteria: compiling a criteria text into operations, terms and shape nodes, and running
// the program against texts.
//
// Shape patterns become a nondeterministic automaton of nodes. Each consuming node goes on at its
// first successor; split nodes go on at both. Invariants of the node array while compiling:
//   1. every fragment (item, group, pattern) occupies consecutive nodes and is left through the
//      node just after it, so a sequence is nothing but fragments one after another;
//   2. once a fragment is complete, its successors point at an earlier node only to loop inside
//      it (while a group is open, its jumps to the end are chained backwards instead);
//   3. a group's first node is a split reserved for its alternatives.
#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/criteria.h"
#include "core/criteria_internal.h"
#include "core/locale.h"
#include "core/memory.h"

using namespace criteria_detail;

namespace {

constexpr int32_t kMaxOperations = 128;  // the end operation included
constexpr int32_t kMaxPool = 1024;
constexpr int32_t kMaxNodes = 1030;

enum TextCode : uint32_t {
  kEnd = 0,
  kContains = 1,
  kShape = 2,
  kIsEmpty = 3,
  kNotOp = 4,
  kXorOp = 5,
  kOrSkip = 6,
  kAndSkip = 7,
};

enum NodeKind : uint32_t {
  kSplit = 0,
  kAny = 1,
  kCharFolded = 2,
  kCharExact = 3,
  kRangeFolded = 4,
  kRangeExact = 5,
};

uint16_t Fold(uint32_t unit) { return static_cast<uint16_t>(CharToUpper(unit)); }

bool EndsTerm(wchar_t c) {
  return c == 0 || c == kAnd || c == L')' || c == kOr || c == kNot || c == kXor;
}

// Characters that need quotes to stand for themselves in a shape pattern.
bool CannotStandAlone(wchar_t c) {
  switch (c) {
    case 0:
    case L'"':
    case L'\'':
    case L'&':
    case L'(':
    case L')':
    case L'*':
    case L'+':
    case L':':
    case L';':
    case L'?':
    case L'\\':
    case L'^':
    case L'{':
    case L'|':
    case L'}':
    case kNot:
    case kXor:
    case kRange:
      return true;
    default:
      return false;
  }
}

// A program that matches no text at all: what a refused criteria text leaves behind.
struct RefusedBlock {
  CriteriaProgram header;
  CriteriaOperation ops[5];
};
const RefusedBlock kRefused = {
    {sizeof(RefusedBlock), sizeof(RefusedBlock)},
    {{kIsEmpty, 0}, {kNotOp, 0}, {kAndSkip, 1}, {kIsEmpty, 0}, {kEnd, 0}},
};
CriteriaProgram* RefusedProgram() { return const_cast<CriteriaProgram*>(&kRefused.header); }

class TextCompiler {
 public:
  TextCompiler(CriteriaText* text, bool singleTerm) : w_(*text), single_(singleTerm) {}

  void Run() {
    if (single_)
      Term();
    else
      Criteria();
    w_.Cut(pos_);
    Emit(kEnd, 0);
  }

  bool failed() const { return failed_; }

  CriteriaProgram* Build() const {
    int32_t poolBytes = (poolSize_ + 3) & ~3;  // keeps the nodes aligned
    int64_t poolOffset = static_cast<int64_t>(sizeof(CriteriaProgram)) +
                         int64_t{opCount_} * sizeof(CriteriaOperation);
    int64_t nodeOffset = poolOffset + poolBytes;
    int64_t size = nodeOffset + int64_t{nodeCount_} * sizeof(CriteriaNode);
    auto* block = static_cast<char*>(MemNew(size));
    if (!block) return nullptr;
    auto* program = reinterpret_cast<CriteriaProgram*>(block);
    program->poolOffset = static_cast<uint32_t>(poolOffset);
    program->nodeOffset = static_cast<uint32_t>(nodeOffset);
    std::memcpy(block + sizeof(CriteriaProgram), ops_, sizeof(CriteriaOperation) * opCount_);
    std::memset(block + poolOffset, 0, static_cast<size_t>(poolBytes));
    std::memcpy(block + poolOffset, pool_, static_cast<size_t>(poolSize_));
    std::memcpy(block + nodeOffset, nodes_, sizeof(CriteriaNode) * nodeCount_);
    return program;
  }

 private:
  wchar_t Cur() const { return w_.At(pos_); }

  bool Enter() {
    if (++nesting_ > kMaxNesting) failed_ = true;
    return !failed_;
  }
  void Leave() { --nesting_; }

  // Operators typed twice or mixed ("a&|b") count once.
  void DropOperatorsAfter() {
    while (Cur() == kAnd || Cur() == kOr || Cur() == kXor) w_.Delete(pos_, 1);
  }

  int32_t Emit(uint32_t code, int32_t argument) {
    if (opCount_ >= kMaxOperations || (code != kEnd && opCount_ >= kMaxOperations - 1)) {
      failed_ = true;
      return 0;
    }
    ops_[opCount_] = CriteriaOperation{code, argument};
    return opCount_++;
  }

  // The skip at index at covers the operations emitted since; earlier skips of its kind that
  // land on it jump past it at once.
  void Patch(int32_t at) {
    if (failed_) return;
    ops_[at].argument = opCount_ - at - 1;
    for (int32_t k = 0; k < at; ++k) {
      if (ops_[k].code == ops_[at].code && k + 1 + ops_[k].argument == at)
        ops_[k].argument += 1 + ops_[at].argument;
    }
  }

  void Criteria() {
    Exclusive();
    while (!failed_ && Cur() == kOr) {
      ++pos_;
      DropOperatorsAfter();
      int32_t skip = Emit(kOrSkip, 0);
      Exclusive();
      Patch(skip);
    }
  }

  void Exclusive() {
    Conjunction();
    while (!failed_ && Cur() == kXor) {
      ++pos_;
      DropOperatorsAfter();
      Conjunction();
      Emit(kXorOp, 0);
    }
  }

  void Conjunction() {
    Factor();
    while (!failed_ && (Cur() == kAnd || Cur() == kNot)) {
      bool andNot = Cur() == kNot;
      ++pos_;
      DropOperatorsAfter();
      int32_t skip = Emit(kAndSkip, 0);
      Factor();
      if (andNot) Emit(kNotOp, 0);
      Patch(skip);
    }
  }

  void Factor() {
    if (!Enter()) return;
    DropDoubleNots();
    if (Cur() == L'(') {
      ++pos_;
      Criteria();
      if (Cur() != L')' && !w_.Insert(pos_, L')')) failed_ = true;
      ++pos_;
    } else if (Cur() == kNot) {
      ++pos_;
      Factor();
      Emit(kNotOp, 0);
    } else {
      Term();
    }
    Leave();
  }

  // "¬¬" in front of a factor means nothing and is deleted, also when it only comes together
  // once the operators behind the first "¬" are dropped ("¬|¬a" is "a"); what follows is then
  // read as if right behind the operator before it.
  void DropDoubleNots() {
    while (Cur() == kNot) {
      ++pos_;
      DropOperatorsAfter();
      --pos_;
      if (w_.At(pos_ + 1) != kNot) break;
      w_.Delete(pos_, 2);
      DropOperatorsAfter();
    }
  }

  void Term() {
    if (Cur() == kEmpty) {
      wchar_t next = w_.At(pos_ + 1);
      ++pos_;
      if (single_ ? next == 0 : EndsTerm(next)) {
        Emit(kIsEmpty, 0);
      } else {
        Emit(kShape, nodeCount_);
        Alternatives(false);
        AddNode(kSplit, 0, 0, -1, -1);  // accept
      }
      return;
    }
    int32_t start = pos_;
    if (single_)
      pos_ = w_.length();
    else
      while (!EndsTerm(Cur())) ++pos_;
    if (pos_ == start) {
      if (!w_.Insert(pos_, kEmpty)) failed_ = true;
      ++pos_;
      Emit(kIsEmpty, 0);
      return;
    }
    T_TextBuf term;
    w_.Utf8(start, pos_, &term);
    if (poolSize_ + term.length + 1 > kMaxPool) {
      failed_ = true;
      return;
    }
    Emit(kContains, poolSize_);
    std::memcpy(pool_ + poolSize_, term.data, static_cast<size_t>(term.length) + 1);
    poolSize_ += term.length + 1;
  }

  // --- Shape patterns ------------------------------------------------------------------------

  int32_t AddNode(uint32_t kind, uint16_t upper, uint16_t character, int32_t first,
                  int32_t second) {
    if (nodeCount_ >= kMaxNodes) {
      failed_ = true;
      return nodeCount_ - 1;
    }
    nodes_[nodeCount_] = CriteriaNode{kind, upper, character, static_cast<int16_t>(first),
                                      static_cast<int16_t>(second)};
    return nodeCount_++;
  }
  int32_t AddNode(uint32_t kind, uint16_t upper, uint16_t character) {
    return AddNode(kind, upper, character, nodeCount_ + 1, nodeCount_ + 1);
  }

  // Makes room for a node in front of the fragment that starts at at: references from before it
  // to its start now reach the new node; the fragment's own references move with it.
  bool InsertNode(int32_t at) {
    if (nodeCount_ >= kMaxNodes) {
      failed_ = true;
      return false;
    }
    std::memmove(nodes_ + at + 1, nodes_ + at, sizeof(CriteriaNode) * (nodeCount_ - at));
    ++nodeCount_;
    for (int32_t i = 0; i < nodeCount_; ++i) {
      if (i == at) continue;
      for (int16_t* s : {&nodes_[i].first, &nodes_[i].second}) {
        if (*s > at || (*s == at && i > at)) ++*s;
      }
    }
    return true;
  }

  // Layout: a split reserved in front, then for each further alternative a jump to the end and a
  // split; each split's second successor is the next alternative. Until the end is known the
  // jumps are chained through their second successors (-2 ends the chain).
  void Alternatives(bool exact) {
    int32_t split = AddNode(kSplit, 0, 0);
    int32_t lastJump = -2;
    Sequence(exact);
    while (!failed_ && Cur() == L';') {
      ++pos_;
      lastJump = AddNode(kSplit, 0, 0, 0, lastJump);
      nodes_[split].second = static_cast<int16_t>(nodeCount_);
      split = AddNode(kSplit, 0, 0);
      Sequence(exact);
    }
    if (failed_) return;
    for (int32_t jump = lastJump; jump >= 0;) {
      int32_t previous = nodes_[jump].second;
      nodes_[jump].first = nodes_[jump].second = static_cast<int16_t>(nodeCount_);
      jump = previous;
    }
  }

  void Sequence(bool exact) {
    while (!failed_ && Item(exact)) {
    }
  }

  bool Item(bool exact) {
    if (Cur() == L'*') {
      ++pos_;
      while (Cur() == L'*') w_.Delete(pos_, 1);
      int32_t split = AddNode(kSplit, 0, 0);
      int32_t any = AddNode(kAny, 0, 0, split, split);
      nodes_[split].first = static_cast<int16_t>(any);
      nodes_[split].second = static_cast<int16_t>(any + 1);
      return true;
    }
    int32_t start = nodeCount_;
    if (!Atom(exact)) return false;
    if (Cur() == L'+') {
      ++pos_;
      AddNode(kSplit, 0, 0, start, nodeCount_ + 1);
    } else if (Cur() == L':') {
      ++pos_;
      if (!InsertNode(start)) return false;
      int32_t loop = AddNode(kSplit, 0, 0, start + 1, nodeCount_ + 1);
      nodes_[start] = CriteriaNode{kSplit, 0, 0, static_cast<int16_t>(start + 1),
                                   static_cast<int16_t>(loop + 1)};
    }
    return true;
  }

  bool Atom(bool exact) {
    wchar_t c = Cur();
    if (c == L'(' || c == L'{') {
      if (!Enter()) return false;
      w_.Set(pos_++, L'{');
      Alternatives(exact);
      if (Cur() == L')' || Cur() == L'}')
        w_.Set(pos_, L'}');
      else if (!w_.Insert(pos_, L'}'))
        failed_ = true;
      ++pos_;
      Leave();
      return true;
    }
    if (c == L'^') {
      int32_t saved = pos_++;
      if (!Enter()) return false;
      bool read = Atom(true);
      Leave();
      if (!read) pos_ = saved;
      return read;
    }
    if (c == L'"' || c == L'\'') {
      ++pos_;
      for (; Cur() != c && Cur() != 0; ++pos_) AddCharacter(Cur(), exact);
      // A missing closing quote is inserted, as brackets are: otherwise what the text gains
      // behind it (a closing "}") would be read as quoted the next time.
      if (Cur() != c && !w_.Insert(pos_, c)) failed_ = true;
      ++pos_;
      return true;
    }
    if (c == L'?') {
      ++pos_;
      AddNode(kAny, 0, 0);
      return true;
    }
    if (CannotStandAlone(c)) return false;
    wchar_t upper = w_.At(pos_ + 2);
    if (w_.At(pos_ + 1) == kRange && !CannotStandAlone(upper)) {
      pos_ += 3;
      if (exact)
        AddNode(kRangeExact, upper, c);
      else
        AddNode(kRangeFolded, Fold(upper), Fold(c));
      return true;
    }
    ++pos_;
    AddCharacter(c, exact);
    return true;
  }

  void AddCharacter(wchar_t c, bool exact) {
    if (exact)
      AddNode(kCharExact, 0, c);
    else
      AddNode(kCharFolded, 0, Fold(c));
  }

  CriteriaText& w_;
  bool single_;
  int32_t pos_ = 0;
  int32_t nesting_ = 0;
  bool failed_ = false;
  int32_t opCount_ = 0;
  int32_t poolSize_ = 0;
  int32_t nodeCount_ = 0;
  CriteriaOperation ops_[kMaxOperations];
  char pool_[kMaxPool];
  CriteriaNode nodes_[kMaxNodes];
};

// --- Running ------------------------------------------------------------------------------------

const CriteriaOperation* Operations(const CriteriaProgram* program) {
  return reinterpret_cast<const CriteriaOperation*>(program + 1);
}

// The term occurs in the text, letter case folded on both sides.
bool Contains(const char* text, int32_t length, const char* term) {
  const char* end = text + length;
  const char* termEnd = term + std::strlen(term);
  for (const char* start = text; start < end;) {
    const char* t = start;
    const char* p = term;
    bool same = true;
    while (p < termEnd) {
      if (t >= end) return false;  // the rest of the text is shorter than the term
      uint32_t lowT, lowP;
      uint32_t a = NextUnit(&t, end, &lowT);
      uint32_t b = NextUnit(&p, termEnd, &lowP);
      if (Fold(a) != Fold(b) || lowT != lowP) {
        same = false;
        break;
      }
    }
    if (same) return true;
    uint32_t low;
    NextUnit(&start, end, &low);
  }
  return false;
}

// Simulates the automaton from node first over the whole text, all live states at once.
class ShapeRunner {
 public:
  ShapeRunner(const CriteriaNode* nodes, int32_t nodeCount) : nodes_(nodes), nodeCount_(nodeCount) {
    std::memset(marks_, 0, sizeof(uint32_t) * static_cast<size_t>(nodeCount));
  }

  bool Match(int32_t first, const char* text, int32_t length) {
    const char* p = text;
    const char* end = text + length;
    int32_t* current = listA_;
    int32_t* next = listB_;
    int32_t count = 0;
    ++generation_;
    bool accepted = Close(first, current, &count);
    while (p < end) {
      uint32_t low;
      uint32_t unit = NextUnit(&p, end, &low);
      for (int pass = 0; pass < (low ? 2 : 1); ++pass) {
        uint32_t c = pass ? low : unit;
        int32_t nextCount = 0;
        ++generation_;
        accepted = false;
        for (int32_t i = 0; i < count; ++i) {
          const CriteriaNode& n = nodes_[current[i]];
          if (Consumes(n, c)) accepted |= Close(n.first, next, &nextCount);
        }
        if (nextCount == 0 && !accepted) return false;
        std::swap(current, next);
        count = nextCount;
      }
    }
    return accepted;
  }

 private:
  static bool Consumes(const CriteriaNode& n, uint32_t c) {
    switch (n.kind) {
      case kAny:
        return true;
      case kCharFolded:
        return Fold(c) == n.character;
      case kCharExact:
        return c == n.character;
      case kRangeFolded:
        return Fold(c) >= n.character && Fold(c) <= n.upper;
      case kRangeExact:
        return c >= n.character && c <= n.upper;
      default:
        return false;
    }
  }

  // Adds the consuming nodes reachable from node through splits; true when the accepting node
  // is among them.
  bool Close(int32_t node, int32_t* list, int32_t* count) {
    bool accepted = false;
    int32_t* stack = pending_;
    int32_t top = 0;
    stack[top++] = node;
    while (top > 0) {
      int32_t i = stack[--top];
      if (i < 0 || i >= nodeCount_ || marks_[i] == generation_) continue;
      marks_[i] = generation_;
      const CriteriaNode& n = nodes_[i];
      if (n.kind == kSplit) {
        if (n.first < 0) {
          accepted = true;
          continue;
        }
        stack[top++] = n.second;
        stack[top++] = n.first;
      } else {
        list[(*count)++] = i;
      }
    }
    return accepted;
  }

  const CriteriaNode* nodes_;
  int32_t nodeCount_;
  uint32_t generation_ = 0;
  uint32_t marks_[kMaxNodes];
  int32_t listA_[kMaxNodes];
  int32_t listB_[kMaxNodes];
  int32_t pending_[2 * kMaxNodes + 2];  // each node adds at most its two successors
};

struct PlainText {
  CriteriaPlainForm plainForm = nullptr;
  void* linkContext = nullptr;
  const char* text = nullptr;
  int32_t length = 0;
  bool made = false;
  T_TextBuf plain;

  const T_TextBuf* Get() {
    if (!made) {
      made = true;
      plainForm(linkContext, text, length, &plain);
    }
    return &plain;
  }
};

bool RunProgram(const CriteriaProgram* program, const char* text, int32_t length,
                PlainText* folded) {
  const auto* base = reinterpret_cast<const char*>(program);
  const char* pool = base + program->poolOffset;
  const auto* nodes = reinterpret_cast<const CriteriaNode*>(base + program->nodeOffset);
  int32_t nodeCount = 0;
  uint8_t stack[kMaxOperations];
  int32_t top = -1;
  ShapeRunner* shapes = nullptr;
  alignas(ShapeRunner) char shapeRoom[sizeof(ShapeRunner)];
  for (const CriteriaOperation* op = Operations(program);; ++op) {
    switch (op->code) {
      case kEnd:
        return top >= 0 && stack[top];
      case kContains: {
        const char* term = pool + op->argument;
        bool found = Contains(text, length, term);
        if (!found && folded && folded->plainForm) {
          const T_TextBuf* plain = folded->Get();
          found = Contains(plain->data, plain->length, term);
        }
        stack[++top] = found;
        break;
      }
      case kShape: {
        if (!shapes) {
          nodeCount =
              static_cast<int32_t>((reinterpret_cast<const char*>(program) + MemSize(program) -
                                    reinterpret_cast<const char*>(nodes)) /
                                   sizeof(CriteriaNode));
          shapes = new (shapeRoom) ShapeRunner(nodes, nodeCount);
        }
        bool found = shapes->Match(op->argument, text, length);
        if (!found && folded && folded->plainForm) {
          const T_TextBuf* plain = folded->Get();
          found = shapes->Match(op->argument, plain->data, plain->length);
        }
        stack[++top] = found;
        break;
      }
      case kIsEmpty:
        stack[++top] = !folded && length == 0;
        break;
      case kNotOp:
        stack[top] ^= 1;
        break;
      case kXorOp: {
        uint8_t b = stack[top--];
        stack[top] ^= b;
        break;
      }
      case kOrSkip:
        if (stack[top])
          op += op->argument;
        else
          --top;
        break;
      case kAndSkip:
        if (!stack[top])
          op += op->argument;
        else
          --top;
        break;
      default:
        return false;
    }
  }
}

}  // namespace

void Criteria_Init(CriteriaPattern* pattern) {
  pattern->program = nullptr;
  pattern->emptyResult = 1;
}

void MemFreeHeld(CriteriaPattern* pattern) {
  if (pattern->program != RefusedProgram()) MemFree(pattern->program);
  Criteria_Init(pattern);
}

void Criteria_Compile(CriteriaPattern* pattern, T_TextBuf* text, int32_t caseMode,
                      bool singleTerm) {
  MemFreeHeld(pattern);
  // Most patterns of a selection are empty: they need no work space, whose allocation as large
  // blocks is costly (a web page opens a selection per request).
  if (text->length == 0) return;
  auto* input = static_cast<CriteriaText*>(MemNew(sizeof(CriteriaText)));
  auto* compiler = static_cast<TextCompiler*>(MemNew(sizeof(TextCompiler)));
  if (!input || !compiler) {
    MemFree(input);
    MemFree(compiler);
    pattern->program = RefusedProgram();
    pattern->emptyResult = 0;
    return;
  }
  new (input) CriteriaText();
  input->Load(text);
  if (!singleTerm) input->Prepare(false);
  input->ApplyCaseMode(caseMode);
  if (input->length() > 0) {
    new (compiler) TextCompiler(input, singleTerm);
    compiler->Run();
    if (compiler->failed()) {
      PendingErrorSet(kMsgCriteriaTooComplex);
      pattern->program = RefusedProgram();
    } else {
      input->Store(text);
      pattern->program = compiler->Build();
      if (!pattern->program) pattern->program = RefusedProgram();  // out of memory, reported
    }
    compiler->~TextCompiler();
    pattern->emptyResult = RunProgram(pattern->program, "", 0, nullptr);
  } else {
    TextBufSetLength(text, 0);
  }
  MemFree(compiler);
  MemFree(input);
}

bool Criteria_Match(const CriteriaPattern* pattern, const char* text, int32_t length) {
  if (!pattern->program) return true;
  if (length <= 0) return pattern->emptyResult != 0;
  return RunProgram(pattern->program, text, length, nullptr);
}

bool Criteria_MatchTextBuf(const CriteriaPattern* pattern, const T_TextBuf* text) {
  return Criteria_Match(pattern, text->data, text->length);
}

bool Criteria_MatchCStr(const CriteriaPattern* pattern, const char* text) {
  if (!text || !*text) return pattern->program ? pattern->emptyResult != 0 : true;
  return Criteria_Match(pattern, text, static_cast<int32_t>(std::strlen(text)));
}

bool Criteria_MatchBlockText(const CriteriaPattern* pattern, const char* block) {
  if (!block) return pattern->program ? pattern->emptyResult != 0 : true;
  return Criteria_Match(pattern, block, static_cast<int32_t>(MemSize(block) - 1));
}

bool Criteria_MatchFolded(const CriteriaPattern* pattern, const char* block,
                          CriteriaPlainForm plainForm, void* linkContext) {
  if (!pattern->program) return true;
  if (!block) return pattern->emptyResult != 0;
  PlainText folded;
  folded.plainForm = plainForm;
  folded.linkContext = linkContext;
  folded.text = block;
  folded.length = static_cast<int32_t>(MemSize(block) - 1);
  return RunProgram(pattern->program, folded.text, folded.length, &folded);
}
