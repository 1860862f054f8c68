#include "analysis/components/strux_template.h"

#include <cstring>

#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/model_records.h"

namespace {

constexpr const char* kColourLetters = "B5NUDMORVG";
constexpr const char* kDisplayLetters = "CHTNMPR";
constexpr const char* kFilterLetters = "AUZC";
constexpr int64_t kStruxTemplateExtra = 104;

// A dimension field of the "P" line: the number 1..32 as written, else -1.
int32_t DimensionField(T_IStream* stream) {
  const char* text = stream->Field();
  int32_t n = stream->FieldLength();
  if (n <= 0 || n > 2) return -1;
  int32_t number = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    number = number * 10 + (text[i] - '0');
  }
  return number >= 1 && number <= kDimensionCount ? number : -1;
}

char ColumnLetter(int32_t column) {
  return column < 26 ? static_cast<char>('A' + column) : static_cast<char>('a' + column - 26);
}

int32_t ColumnFromLetter(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  return -1;
}

}  // namespace

const int32_t kViewColours[kViewColourCount] = {10, 6, 11, 21, 22, 15, 12, 13, 16, 19};

char ViewColourLetter(int32_t colour) {
  for (int32_t i = 0; i < kViewColourCount; ++i) {
    if (kViewColours[i] == colour) return kColourLetters[i];
  }
  return '-';
}

int32_t ViewColourFromLetter(char letter) {
  int32_t i = LetterIndex(kColourLetters, letter);
  return i >= 0 ? kViewColours[i] : -1;
}

void ViewDimSetInit(ViewDimSet* set) {
  static const int32_t kColours[kViewDimMax] = {10, 21, 19, 11};
  std::memset(set, 0, sizeof *set);
  set->count = 1;
  for (int32_t i = 0; i < kViewDimMax; ++i) {
    set->dimension[i] = i + 1;
    set->colour[i] = kColours[i];
    set->display[i] = -1;
  }
}

bool ViewDimSetEqual(const ViewDimSet* a, const ViewDimSet* b) {
  if (a->count != b->count) return false;
  for (int32_t i = 0; i < a->count && i < kViewDimMax; ++i) {
    if (a->dimension[i] != b->dimension[i] || a->levels[i] != b->levels[i] ||
        a->structure[i] != b->structure[i] || a->filter[i] != b->filter[i] ||
        a->colour[i] != b->colour[i] || a->display[i] != b->display[i])
      return false;
  }
  return true;
}

void ViewDimSetRemoveRepeats(ViewDimSet* set) {
  int32_t kept = 0;
  for (int32_t i = 0; i < set->count && i < kViewDimMax; ++i) {
    bool repeat = false;
    for (int32_t j = 0; j < kept; ++j) repeat = repeat || set->dimension[j] == set->dimension[i];
    if (repeat) continue;
    if (kept != i) {
      set->dimension[kept] = set->dimension[i];
      set->levels[kept] = set->levels[i];
      set->structure[kept] = set->structure[i];
      set->filter[kept] = set->filter[i];
      set->colour[kept] = set->colour[i];
      set->display[kept] = set->display[i];
    }
    ++kept;
  }
  if (kept > 0) set->count = kept;
}

// --- The template -------------------------------------------------------------------------------

T_StruxTmpl::T_StruxTmpl(int32_t kind, T_Base* base) : T_BoxTmpl(kind, base) {
  ViewDimSetInit(&viewDims);
}

T_StruxTmpl::~T_StruxTmpl() { BlockTextFree(&expansion); }

void T_StruxTmpl::SetDefaults() {
  T_BoxTmpl::SetDefaults();
  ViewDimSetInit(&viewDims);
  BlockTextFree(&expansion);
}

bool T_StruxTmpl::SetExpansionText(const char* text) { return BlockTextAssign(&expansion, text); }

bool T_StruxTmpl::ReadRecord(T_IStream* stream) {
  if (!stream->NextField()) return false;
  const char* key = stream->Field();
  const int32_t n = stream->FieldLength();
  if (n == 1 && key[0] == 'K') {
    ReadViewDimFlags(stream);
    return true;
  }
  if (n == 2 && key[0] == 'Z' && key[1] == 'X') {
    T_TextBuf text;
    if (stream->ReadFieldBuf(&text)) SetExpansionText(text.data);
    return true;
  }
  stream->RewindLine();
  return T_BoxTmpl::ReadRecord(stream);
}

void T_StruxTmpl::ReadViewDimensions(T_IStream* stream) {
  int32_t dims[kViewDimMax];
  int32_t count = 0;
  while (count < kViewDimMax && stream->NextField()) {
    int32_t number = DimensionField(stream);
    if (number < 0) break;
    dims[count++] = number - 1;
  }
  // No tree can be built from no dimension, so such a line keeps the set as it was.
  if (count == 0) return;
  viewDims.count = count;
  for (int32_t i = 0; i < count; ++i) viewDims.dimension[i] = dims[i];
}

void T_StruxTmpl::ReadViewDimFlags(T_IStream* stream) {
  for (int32_t i = 0; i < kViewDimMax && stream->NextField(); ++i) {
    const char* f = stream->Field();
    const int32_t n = stream->FieldLength();
    if (n > 0) {
      if (f[0] == 'F') viewDims.structure[i] = 1;
      if (f[0] == 'H') viewDims.structure[i] = 0;
    }
    if (n > 1) {
      int32_t filter = LetterIndex(kFilterLetters, f[1]);
      if (filter >= 0) viewDims.filter[i] = filter;
    }
    if (n > 2) {
      if (f[2] == 'A') {
        viewDims.levels[i] = 0;
      } else if (f[2] >= '0' && f[2] <= '9') {
        viewDims.levels[i] = static_cast<uint16_t>(f[2] <= '8' ? f[2] - '0' : 0);
      }
    }
    if (n > 3) {
      int32_t colour = ViewColourFromLetter(f[3]);
      if (colour >= 0) viewDims.colour[i] = colour;
    }
    if (n > 4) {
      if (f[4] == '-') {
        viewDims.display[i] = -1;
      } else {
        int32_t display = LetterIndex(kDisplayLetters, f[4]);
        if (display >= 0) viewDims.display[i] = display;
      }
    }
    if (n > 5 && viewDims.filter[i] == kViewFilterColumn) {
      int32_t column = ColumnFromLetter(f[5]);
      if (column >= 0) viewDims.filter[i] = kViewFilterColumn + column;
    }
  }
}

void T_StruxTmpl::WriteViewDimLines(T_OStream* stream, const char* dimensionKey) const {
  const int32_t count = viewDims.count < kViewDimMax ? viewDims.count : kViewDimMax;
  stream->PutText(dimensionKey);
  for (int32_t i = 0; i < count; ++i) {
    stream->PutSeparator();
    int32_t d = viewDims.dimension[i];
    stream->PutInt((database ? database->MapDimIndex(d) : d) + 1);
  }
  stream->PutNewline();
  stream->PutChar('K');
  for (int32_t i = 0; i < count; ++i) {
    stream->PutSeparator();
    int32_t filter = viewDims.filter[i];
    int32_t display = viewDims.display[i];
    int32_t levels = viewDims.levels[i];
    char field[7];
    field[0] = viewDims.structure[i] ? 'F' : 'H';
    field[1] = kFilterLetters[filter < kViewFilterColumn ? filter : kViewFilterColumn];
    field[2] = levels >= 1 && levels <= kViewLevelMax ? static_cast<char>('0' + levels) : 'A';
    field[3] = ViewColourLetter(viewDims.colour[i]);
    field[4] = display >= 0 && display < 7 ? kDisplayLetters[display] : '-';
    field[5] = filter >= kViewFilterColumn ? ColumnLetter(filter - kViewFilterColumn) : '-';
    field[6] = 0;
    stream->PutText(field);
  }
  stream->PutNewline();
}

void T_StruxTmpl::WriteExpansionLine(T_OStream* stream) const {
  stream->PutKeyBlockTextLine("ZX", expansion);
}

void T_StruxTmpl::SetParameter(const char* name, const char* value) {
  if (name && StrEqualNoCase(name, "exp")) {
    if (!value || !*value) return;
    if (value[0] == '-' || !expansion || expansion[0] != 'w') {
      if (value[0] == '-') {
        SetExpansionText(value);
        return;
      }
      T_TextBuf text;
      TextBufAssignChar(&text, 'w');
      TextBufAppend(&text, value);
      SetExpansionText(text.data);
      return;
    }
    if (BlockTextLength(expansion) >= kExpansionTextCap) return;
    T_TextBuf text;
    TextBufAssign(&text, expansion);
    TextBufAppendChar(&text, ':');
    TextBufAppend(&text, value);
    SetExpansionText(text.data);
    return;
  }
  T_BoxTmpl::SetParameter(name, value);
}

int64_t T_StruxTmpl::MemorySize() const {
  int64_t text = expansion ? BlockTextLength(expansion) + 1 : 0;
  return T_BoxTmpl::MemorySize() + text + kStruxTemplateExtra;
}

T_StruxTmpl* AsStruxTemplate(T_Template* templ) { return dynamic_cast<T_StruxTmpl*>(templ); }
