#pragma once
// The "##Cards" section: every card, group and line of a database as keyed records, one line
// each, TAB-separated, keyed by their first character.
//
//   record        fields                                          meaning
//   "-D" + C|H|T  dimension number 1..32                          how "G" and "L" name that
//                                                                 dimension's components (C is
//                                                                 read, never written)
//   "-LN"         values per line 1..24                           written from 2 columns on
//   empty line                                                    ends the options, when any
//   "C" + id      title                                           a card ("250307-1")
//   "N" + stamp   notes as a long text (CR as 3, TAB as 4, cut    the card's notes stamp and
//                 into "/==" pieces above 4208 bytes)             notes
//   "S" + stamp   changed, examined, approved stamp               created first; compact
//                                                                 stamps "yymmddhhmmSIG"
//   "G" + name                                                    a group: dimension 0's
//                                                                 component
//   "L" + value1  values 2..n, line text, then one name per       a line of the group
//                 position 1, 2, ... of the dimension order
//   "H"           origin file, position (when not 0)              the origin of the line before
//   empty line                                                    ends a card
//
// A name is the component's code, host code or text as the "-D" records say (empty: no
// component). Values are written by PutCardValue with the column's decimals code. Raw fields
// (titles, line texts, names) go out with control characters as blanks.
#include <cstdint>

#include "database/model_records.h"

class T_Base;
class T_IStream;
class T_OStream;

// Nothing at all when the database has no cards. Sets the progress status 4515; each card adds
// 104 steps and each line 40. Stops when the abort flag is set.
void writeCardsSection(T_Base* base, T_OStream* stream);
// Reads until a line beginning with "#" (left current for the section dispatcher), the end of
// input or the abort flag. Cards are numbered as CreateCard numbers them; a card whose records
// end without lines is dropped. Reads the values per line from base->readValueCount.
void readCardsSection(T_Base* base, T_IStream* stream);
// The component a "G" or "L" field names in the dimension, under the current save options'
// reference style of that dimension; the root for an empty name. A missing component is asked
// about (3310, 3311, 3312) through the read prompt and then created, with a generated code for
// host codes and texts; Cancel and Stop abandon the read after it was created.
int64_t ResolveCardComponent(T_Base* base, int32_t dimension, const char* text);
// A new component under a generated code: "#" and five digits, from 100000 on "#", a letter for
// the count of digits ("A" for six) and the number. The first one since the counter was reset
// (each open and import) first adds the parent "#" "New components". Null when it cannot be
// added.
ComponentRecord* AddGeneratedComponent(T_Base* base, int32_t dimension, const char* text,
                                       const char* hostCode);
// The value as the card records hold it: "." as the decimal mark, no thousands separator.
// Decimals codes 0 to 6 and 8, 9 write that many decimals (cut after adding 0.50001 x 10^-d,
// trailing zeros dropped), 7 the general notation; from 10^17 on an exponent form. Zero, NaN
// and magnitudes above 1e308 write "0"; a negative value writes "-" first, even when its digits
// come out as "0".
void PutCardValue(T_OStream* stream, double value, int32_t decimalsCode);
// The same into a buffer of at least kCardValueMax bytes, NUL-terminated; returns the length.
constexpr int32_t kCardValueMax = 48;
int32_t FormatCardValue(char* buffer, double value, int32_t decimalsCode);
