#pragma once
// The "##Cards" section: every card, group and line of a database as keyed records.
#include <cstdint>

class T_Base;
class T_IStream;
class T_OStream;

// Nothing at all when the database has no cards.
void writeCardsSection(T_Base* base, T_OStream* stream);
// Reads until a line beginning with "#" (left current for the section dispatcher), the end of
// input or the abort flag.
void readCardsSection(T_Base* base, T_IStream* stream);
// The component a "G" or "L" field names, created when missing.
int64_t ResolveCardComponent(T_Base* base, int32_t dimension, const char* text);
void PutCardValue(T_OStream* stream, double value, int32_t decimalsCode);
