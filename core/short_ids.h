#pragma once
// Short identifiers: numbers written as a fixed count of 6-bit digits, lowest digits first, so
// that web addresses and gateway links can name databases, templates, components and cards in
// a few characters. Digit values 0-9 are "0"-"9", 10-35 "A"-"Z", 36-61 "a"-"z", 62 "*" and 63
// "-". Reading goes from the last character to the first; a character outside the digits counts
// as 0.
//
//   identifier           form
//   name short id        4 digits of StrHashNoCase(name) modulo 0xFFFFFD (template names, and a
//                        database's file name without its folder)
//   seven-digit short id 4 digits of StrHash(text) modulo 0xFFFFFD, then 3 digits of
//                        StrHash(text) modulo 0x3FFFB
//   card short id        3 digits of the packed date, then the card's number in as many digits
//                        as it needs; the number is left out when it is below 1 or the default
//                        of the bound (1 for a lower bound, 0x7FFFFFFF for an upper one)
#include <cstdint>

#include "core/packed_date.h"

struct T_TextBuf;

// Appends the lowest 6 x digits bits of the value.
void EncodeDigits64(T_TextBuf* text, uint64_t value, int32_t digits);
// The value of the first n characters (at most 10 count).
uint64_t DecodeDigits64(const char* text, int32_t n);

void AppendNameShortId(T_TextBuf* text, const char* name);
// The short id of a database: the name short id of its file name (the folder is left out).
void AppendDatabaseShortId(T_TextBuf* text, const char* path);
void AppendSevenDigitShortId(T_TextBuf* text, const char* source);

// direction below 1: a lower bound; otherwise an upper bound.
void AppendCardShortId(T_TextBuf* text, const CardId* id, int32_t direction);
// The first 3 characters are the date, the rest (up to 6 further characters) the number; no
// number gives the bound's default.
CardId CardIdFromShortId(const char* text, int32_t n, int32_t direction);
