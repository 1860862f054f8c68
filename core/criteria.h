#pragma once
// Text and number criteria: short conditions typed into search fields, subset definitions and
// requests ("north|south", "a&¬b", "\" for empty, "\abc*" for a shape, "<100|>=200", "10…20"),
// compiled once and matched against many texts or numbers. Both compilers normalise the typed
// text (canonical operators, inserted brackets, cut where reading stopped) and callers keep the
// normalised form. Criteria texts are read up to their first 1023 UTF-16 units.
//
// Operators: "|" or, "&" and, "¬" not (and-not between terms), "±" exclusive or, "(" ")"
// grouping, "\" empty or shape pattern, "…" range and "<" "=" ">" "≠" "≤" "≥" (numbers only).
// "++" is read as "|", "+-" as "±", "--" as "¬", and for numbers ".." and "_" as "…".
//
// A criteria text the compiler refuses (beyond its limits, or nested too deeply) leaves a
// program that matches nothing and the pending error kMsgCriteriaTooComplex; so does running out
// of memory (pending error 600). A filter that cannot be built never lets everything through.
#include <cstdint>

#include "core/text_buffer.h"

constexpr int32_t kMsgCriteriaTooComplex = 2133;  // "The criteria text is too long or too complex."

// --- Text criteria ------------------------------------------------------------------------------
//
// Program, one MemAlloc block:
//
//   offset      size    meaning
//   0           4       u32 offset of the term pool from the block start
//   4           4       u32 offset of the shape nodes
//   8           8 n     operations {u32 code, i32 argument}, the last one code 0
//   pool        p       NUL-terminated UTF-8 terms, padded to a multiple of 4
//   nodes       12 m    shape nodes {u32 kind, u16 upper bound, u16 character or lower bound,
//                       i16 first successor, i16 second successor}
//
// Operation codes: 0 end; 1 contains term (argument: pool offset); 2 shape matches the whole text
// (argument: its first node); 3 text is empty; 4 not; 5 exclusive or of the two top values;
// 6 when the top is true skip argument operations, else drop it; 7 the same when it is false.
// Node kinds: 0 split (on to both successors; first successor -1 accepts); 1 any character;
// 2 one character, letter case ignored; 3 one character, exact; 4 range, case ignored; 5 range,
// exact. Limits of one program: 128 operations, 1024 bytes of terms, 1030 nodes.

struct CriteriaOperation {
  uint32_t code;
  int32_t argument;
};

struct CriteriaNode {
  uint32_t kind;
  uint16_t upper;
  uint16_t character;  // or the lower bound of a range
  int16_t first;
  int16_t second;
};

struct CriteriaProgram {
  uint32_t poolOffset;
  uint32_t nodeOffset;
  // operations follow
};

struct CriteriaPattern {
  CriteriaProgram* program;  // null: every text matches
  uint8_t emptyResult;       // the result for an empty text
};

void Criteria_Init(CriteriaPattern* pattern);
// Frees the program; the pattern then matches everything.
void MemFreeHeld(CriteriaPattern* pattern);

// Frees the old program and compiles the text, which is written back normalised. The pattern
// text is first converted by the letter-case mode (0 upper, 1 lower, 2 first letter upper,
// 3 word caps; other modes leave it). In single-term mode the whole text is one term: no
// operator is read, and "\" means empty or a shape only at the start. An empty text leaves no
// program.
void Criteria_Compile(CriteriaPattern* pattern, T_TextBuf* text, int32_t caseMode, bool singleTerm);

bool Criteria_Match(const CriteriaPattern* pattern, const char* text, int32_t length);
bool Criteria_MatchTextBuf(const CriteriaPattern* pattern, const T_TextBuf* text);
bool Criteria_MatchCStr(const CriteriaPattern* pattern, const char* text);  // null: empty result
// An owned block text (length = block size - 1); null gives the empty result.
bool Criteria_MatchBlockText(const CriteriaPattern* pattern, const char* block);

// Writes the plain display form of a text with link markup into plain. The toolkit supplies it;
// the core knows nothing of links.
using CriteriaPlainForm = void (*)(void* linkContext, const char* text, int32_t length,
                                   T_TextBuf* plain);
// As Criteria_MatchBlockText, but a contains or shape test that fails on the text is tried again
// on its plain form, and the empty test is always false. A null plainForm tries nothing again.
bool Criteria_MatchFolded(const CriteriaPattern* pattern, const char* block,
                          CriteriaPlainForm plainForm, void* linkContext);

// --- Number criteria ----------------------------------------------------------------------------
//
// Program: an array of records ending with code 0. Codes: 1 not; 2 exclusive or; 3 or (when the
// top is true skip, else drop); 4 and (when the top is false skip, else drop); 5 value is empty
// (NaN); 6 = a; 7 ≠ a; 8 > a; 9 < a; 10 ≥ a; 11 ≤ a; 12 from a to b, both included. Comparisons
// with NaN on either side are false.

struct NumCriteriaOp {
  uint32_t code;
  union {
    uint16_t skip;
    double a;
  };
  double b;
};

struct NumCriteria {
  NumCriteriaOp* program;  // null: every value matches
};

void NumCriteria_Init(NumCriteria* holder);
void MemFreeHeld(NumCriteria* holder);
// Frees the old program, compiles, writes the normalised text back (operators in canonical form,
// numbers in the default number format) and returns the program; null when the text yields
// nothing.
const NumCriteriaOp* NumCriteria_Compile(NumCriteria* holder, T_TextBuf* text);
// True for a null program.
bool NumCriteria_Match(const NumCriteriaOp* program, double value);

// --- Condition texts ----------------------------------------------------------------------------
//
// Rebuilds a condition text from its parts with the fewest brackets: operands are pushed, and
// operators combine the top of the stack. Precedences used by callers: "|" 1, "±" 2, "&" 3,
// "¬" as and-not 3, "¬" as prefix 4.

struct CondTextNode {
  CondTextNode* next;
  int32_t precedence;
  uint16_t op;  // 0 for an operand
  T_TextBuf text;
};

struct CondTextBuilder {
  CondTextNode* top;
  uint16_t spacing;  // written around binary operators; 0 for none
};

void CondText_Init(CondTextBuilder* builder, uint16_t spacing);
void CondText_PushOperand(CondTextBuilder* builder, const char* text);
void CondText_Prefix(CondTextBuilder* builder, uint16_t op, int32_t precedence);
void CondText_PrefixWord(CondTextBuilder* builder, const char* word, int32_t precedence);
void CondText_Join(CondTextBuilder* builder, uint16_t op, int32_t precedence);
// Appends the top text to out.
void CondText_Result(const CondTextBuilder* builder, T_TextBuf* out);
void CondText_Free(CondTextBuilder* builder);
