#pragma once
// The records of a database's model: the component trees of the 32 dimensions, the ring of date
// nodes and the chain of cards with their groups and lines. All of them live in the pools of
// T_Base (database/base.h) and are addressed there by record number; the pointers between them
// stay valid while the records live, except line pointers across a re-layout of the line pool
// (change codes 40 and 41).
//
// Line records have a variable size; their fixed part and the variable part:
//
//   offset            size                 meaning
//   0                 8                    record number (also the bit of the line in line sets)
//   8                 8                    next line of the group, null at the end
//   16                8                    text: owned C string, null for none
//   24                8 x value count      the values, 64-bit floats
//   reference offset  slots x width        component references, big-endian, slot i holds the
//                                          component of dimension i + 1
//
// The record size is 24 + 8 x value count + slots x width rounded up to a multiple of 8, so
// every record starts on an 8-byte boundary and its values can be read as doubles; memory is
// still reported by the documented formula (that sum plus 1 when odd).
#include <cstdint>

#include "core/packed_date.h"

class T_Base;
struct HashIndex;

constexpr int32_t kDimensionCount = 32;
constexpr int32_t kMaxValueCount = 24;

struct ComponentRecord {
  int64_t number;                // record number; a root holds its dimension number
  ComponentRecord* nextSibling;  // null for the last child
  ComponentRecord* prevSibling;  // the first child's points to the last child; a root's to itself
  ComponentRecord* parent;       // null for roots
  ComponentRecord* firstChild;   // null for a leaf
  char* code;                    // owned; unique within the dimension, no blanks
  char* text;                    // owned, may be null
  char* hostCode;                // owned, may be null; unique within the dimension when set
};

// One per dimension, owned by the database. The option setters and the index upkeep live with
// the component operations (database/components.h) and the dimension options
// (database/dimension_options.h).
struct DimensionRecord {
  T_Base* database = nullptr;
  int32_t number = 0;
  int32_t codeCase = 0;  // letter-case rules: 0 U, 1 L, 2 D, 3 W, 4 S, 5 N
  int32_t textCase = 5;
  int32_t hostCase = 5;
  int32_t displayStyle = 3;  // 0 C, 1 H, 2 T, 3 CT, 4 HT, 5 CH, 6 CHT
  uint8_t optionX = 0;
  char* singular = nullptr;  // owned; null means the default name (text 3000 + number)
  char* plural = nullptr;
  int32_t optionI = 1;    // 0 F, 1 S, 2 D
  int32_t codeWidth = 0;  // 0 means the default widths 80, 160, 80
  int32_t textWidth = 0;
  int32_t hostWidth = 0;
  uint8_t used = 0;                // last announced state of "dimension used" (code 14)
  uint8_t hasSubComponents = 0;    // last announced state (code 15)
  HashIndex* codeIndex = nullptr;  // null while no component has a code
  HashIndex* hostIndex = nullptr;  // null while no component has a host code
  int64_t codeIndexSize = 10;      // sizes asked of the indexes ("-EC", "-EH")
  int64_t hostIndexSize = 10;
};

struct CardRecord;

struct DateNode {
  DateNode* next;
  DateNode* previous;
  PackedDate date;
  int64_t cardCount;
  CardRecord* firstCard;  // the first card of this date in the card chain
  CardRecord* hintCard;   // ends the run of numbers 1..k of this date; null without a number 1
};

struct GroupRecord;

struct CardRecord {
  int64_t number;  // record number; record 0 is the sentinel closing the chain
  CardRecord* next;
  CardRecord* previous;
  DateNode* dateNode;
  int32_t dayNumber;  // the number within the date, the second half of the card id
  GroupRecord* firstGroup;
  char* title;  // owned
  char* notes;  // owned
  SignatureStamp created;
  SignatureStamp changed;
  SignatureStamp notesStamp;
  SignatureStamp examined;
  SignatureStamp approved;
};

struct LineRecord;

struct GroupRecord {
  int64_t number;
  GroupRecord* next;
  LineRecord* firstLine;
  LineRecord* lastLine;
  int64_t component;  // a component of dimension 0, unique within the card; 0: none
};

// The fixed part of a line record; values and references follow (see the table above).
struct LineRecord {
  int64_t number;
  LineRecord* next;
  char* text;  // owned
};

constexpr int32_t kLineValueOffset = 24;

// The pool width of a line record (a multiple of 8).
inline int32_t LineRecordWidth(int32_t valueCount, int32_t slots, int32_t referenceWidth) {
  return (kLineValueOffset + 8 * valueCount + slots * referenceWidth + 7) & ~7;
}
// The size the memory report counts for a line record.
inline int32_t LineRecordReportedSize(int32_t valueCount, int32_t slots, int32_t referenceWidth) {
  int32_t size = kLineValueOffset + 8 * valueCount + slots * referenceWidth;
  return size + (size & 1);
}
inline double* LineValues(LineRecord* line) {
  return reinterpret_cast<double*>(reinterpret_cast<uint8_t*>(line) + kLineValueOffset);
}

// Component reference i (dimension i + 1) of a line, stored big-endian in width bytes at the
// reference offset.
inline int64_t ReadLineReference(const LineRecord* line, int32_t referenceOffset, int32_t width,
                                 int32_t slot) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(line) + referenceOffset + slot * width;
  uint32_t value = 0;
  for (int32_t i = 0; i < width; ++i) value = (value << 8) | bytes[i];
  return value;
}
inline void WriteLineReference(LineRecord* line, int32_t referenceOffset, int32_t width,
                               int32_t slot, int64_t component) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(line) + referenceOffset + slot * width;
  uint32_t value = static_cast<uint32_t>(component);
  for (int32_t i = width - 1; i >= 0; --i) {
    bytes[i] = static_cast<uint8_t>(value);
    value >>= 8;
  }
}
