#pragma once
// What a database holds and costs, as the information window shows it, copies it as text and
// writes it as a web page: sizes, card and line counts, components per dimension (all, active by
// hierarchy, in use by cards), templates, analysis memory and the file's origin.
//
// Counting components: a component is in use when a group or a line refers to it; it is active
// when it is in use or an ancestor of one in use. Dimension roots never count.
//
// User-interface thread only (counting pumps messages every 512 cards).
#include <cstdint>

#include "core/packed_date.h"

class T_Base;
class T_OStream;

constexpr int32_t kUsageTotal = 32;  // the index of the totals in the per-dimension arrays

struct BaseUsage {
  int64_t memorySize = -1;  // -1 until computed
  int64_t poolReserve = 0;
  int64_t fileSize = 0;
  double fileDate = 0;  // 0: no file
  int64_t cards = 0;
  int64_t groups = 0;
  int64_t lines = 0;
  int64_t cardTitles = 0;
  int64_t notes = 0;
  int64_t lineTexts = 0;
  CardId first;
  CardId last;
  int64_t all[33] = {};
  int64_t active[33] = {};
  int64_t inUse[33] = {};
  int64_t templateCount = 0;
  int64_t analysesMemory = 0;
};

// The card and component counts and the first and last card.
void CountBaseUsage(T_Base* base, BaseUsage* usage);
// Memory size and pool reserve.
void MeasureBaseMemory(T_Base* base, BaseUsage* usage);
// The file's size and last-write time (0 for none); no pending error is left.
void ReadBaseFileState(T_Base* base, BaseUsage* usage);

// Sizes of the information window's parts, by the database's dimensions and file information.
struct BaseInfoLayout {
  int32_t rows = 12;  // dimension rows
  int32_t dimFrameWidth = 0;
  int32_t dimFrameHeight = 0;
  int32_t fileFrameHeight = 18;
  int32_t width = 0;
  int32_t height = 0;
};
// widestName is the widest measured plural name of the rows and of "Total".
void ComputeBaseInfoLayout(T_Base* base, int32_t widestName, BaseInfoLayout* layout);
// The highest dimension row shown: 1 + the highest dimension from 31 down to 12 that is used, at
// least 12.
int32_t BaseInfoRows(T_Base* base);

// A count grouped by the separator (kSeparatorGlobal: the program's), "-" for zero.
void FormatCount(struct T_TextBuf* out, int64_t count, uint32_t separator);
// A card id with the digits, "-" for none.
void FormatCardIdOrDash(struct T_TextBuf* out, const CardId* id, int32_t digits);

// "year-month-day hour:minute" of a date value in seconds; empty for 0.
void FormatFileDate(double seconds, T_TextBuf* out);
// What "File saved at" shows: the database's save time, else the file's date; empty when the
// database was never saved.
void BaseSavedAt(T_Base* base, const BaseUsage* usage, T_TextBuf* out);
// "User": the user name cut to 15 bytes, " / " when both are set, the computer name cut to 12
// (both at a character boundary); empty when neither is set.
void BaseUserText(T_Base* base, T_TextBuf* out);

// The text form (clipboard copy): TAB-separated lines, counts grouped, "-" for zero.
void WriteBaseInfoText(T_Base* base, const BaseUsage* usage, T_OStream* stream);
// The HTML form of the web pages.
void WriteBaseInfoHtml(T_Base* base, const BaseUsage* usage, T_OStream* stream);
