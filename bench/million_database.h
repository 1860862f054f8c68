#pragma once
// The 1,000,000-line benchmark database, made through the model: five dimensions of 10, 100,
// 500, 2,000 and 5,000 leaf components in three-level trees by code prefixes (dimension 0 keying
// the groups); 100,000 cards spread evenly over 2020 to 2024, about ten lines each in one to
// three groups; a three-word text and three values of two decimals per line. The same seed gives
// the same database on every run.
#include <cstdint>
#include <string>

class T_Base;

constexpr int32_t kLeaves[5] = {10, 100, 500, 2000, 5000};
constexpr int32_t kCards = 100000;
constexpr int32_t kLinesPerCard = 10;

T_Base* MakeDatabase();
// One line per card line: the card id, the group's code, the codes of the line's dimensions, the
// line text and the values with two decimals, TAB-separated. False when the file failed.
bool WriteTabSeparated(T_Base* base, const std::string& path);
