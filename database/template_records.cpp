// T_BoxTmpl: the fields every box-window template keeps and their record lines (the table is in
// templates.h and output_options.h).
#include <cstdint>
#include <cstring>

#include "core/bit_vector.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/link_rename.h"
#include "database/templates.h"

namespace {

constexpr int64_t kBoxTemplateExtra = 144;
constexpr int32_t kMinimumWindowSize = 100;
constexpr int32_t kColumnWidthMin = 32;
constexpr int32_t kColumnWidthMax = 800;
constexpr char kGridLetters[] = "-1235Xalu";
constexpr char kViewModeLetters[] = "NLBPR";
constexpr int32_t kKeySize = 8;  // dispatch looks at three characters

// A value outside its field reads as 0.
uint16_t SizeField(T_IStream* stream) {
  return static_cast<uint16_t>(stream->ReadFieldIntInRange(0, UINT16_MAX));
}

int32_t EdgeField(T_IStream* stream) {
  return static_cast<int32_t>(stream->ReadFieldIntInRange(INT32_MIN, INT32_MAX));
}

// An "xP" or "xS" pair of stored edges, written only when one of them is not 0.
void PutEdgePair(T_OStream* stream, const char* key, int32_t first, int32_t second) {
  if (first == 0 && second == 0) return;
  stream->PutText(key);
  stream->PutSeparator();
  stream->PutInt(first);
  stream->PutSeparator();
  stream->PutInt(second);
  stream->PutNewline();
}

void PutSize(T_OStream* stream, const char* key, uint16_t value) {
  if (value != 0) stream->PutKeyIntLine(key, value);
}

}  // namespace

T_BoxTmpl* AsBoxTemplate(T_Template* templ) { return dynamic_cast<T_BoxTmpl*>(templ); }

T_BoxTmpl::T_BoxTmpl(int32_t templateKind, T_Base* base) : T_Template(templateKind, base) {
  StoredSubsetListInit(&subsets, base);
}

T_BoxTmpl::~T_BoxTmpl() {
  BlockTextFree(&notes);
  PrintOptionsFree(&print);
  StoredSubsetListClear(&subsets);
}

void T_BoxTmpl::OnChange(const ChangeNote* note) {
  // Code 63 asks every text that may hold a link to follow a rename; the notes are such a text.
  if (note->code == kChangeLinks && note->rename && RewriteLinks(note->rename, &notes) && database)
    database->SetModified(true);
}

void T_BoxTmpl::SetDefaults() {
  openDirect = 0;
  calcDirect = 0;
  zoomDirect = 0;
  webVisible = 1;
  pageSetupDamaged_ = false;
  subsetsOfThisRead_ = false;
  StoredSubsetsEndRead(&subsets);
}

bool T_BoxTmpl::ReadRecord(T_IStream* stream) {
  if (!stream->NextField()) return false;
  char key[kKeySize] = {};
  std::memcpy(key, stream->Field(),
              static_cast<size_t>(stream->FieldLength() < kKeySize - 1 ? stream->FieldLength()
                                                                       : kKeySize - 1));
  if (key[0] == 's') {
    // The stored subsets: the first line of a read replaces what an earlier read left.
    if (!subsetsOfThisRead_) StoredSubsetListClear(&subsets);
    subsetsOfThisRead_ = true;
    ReadStoredSubsetRecord(&subsets, key, stream);
    return true;
  }
  if (key[0] != 'x') return false;
  switch (key[1]) {
    case 'o':
      openDirect = 1;
      return true;
    case 'c':
      calcDirect = 1;
      return true;
    case 'z':
      zoomDirect = 1;
      return true;
    case 'w':
      webVisible = 0;
      return true;
    case 'P':
      top = EdgeField(stream);
      left = EdgeField(stream);
      return true;
    case 'S':
      bottom = EdgeField(stream);
      right = EdgeField(stream);
      return true;
    case 'E':
      headerHeight = SizeField(stream);
      return true;
    case 'T':
      titleHeight = SizeField(stream);
      return true;
    case 'M':
      modeBoxWidth = SizeField(stream);
      return true;
    case 'N':
      stream->ReadLongText(&notes);
      return true;
    case 'e':
      return ReadOutputOptionRecord(&output, key, stream);
    case 'p':
    case 'L':
      return ReadPrintOptionRecord(&print, key, stream, &pageSetupDamaged_);
    default:
      return false;
  }
}

void T_BoxTmpl::BeginRead() {}

void T_BoxTmpl::WriteText(T_OStream* stream) {
  T_Template::WriteText(stream);
  if (openDirect) stream->PutLine("xo");
  if (calcDirect) stream->PutLine("xc");
  if (zoomDirect) stream->PutLine("xz");
  if (!webVisible) stream->PutLine("xw");
  PutEdgePair(stream, "xP", top, left);
  PutEdgePair(stream, "xS", bottom, right);
  PutSize(stream, "xE", headerHeight);
  PutSize(stream, "xT", titleHeight);
  PutSize(stream, "xM", modeBoxWidth);
  WriteStoredSubsets(&subsets, stream);
  WritePrintOptionRecords(stream, &print);
  WriteOutputOptionRecords(stream, &output);
  if (notes) {
    stream->PutText("xN");
    stream->PutSeparator();
    stream->PutLongText(notes);
    stream->PutNewline();
  }
}

void T_BoxTmpl::SetXmlExport() { output.format = kOutputXml; }

void T_BoxTmpl::MarkUsedComponents(BitVector* components) {
  StoredSubsetsMarkComponents(&subsets, components);
}

void T_BoxTmpl::SetParameter(const char* parameterName, const char* value) {
  if (StrEqualNoCase(parameterName, "notestext")) BlockTextAssign(&notes, value);
}

int64_t T_BoxTmpl::MemorySize() const {
  return T_Template::MemorySize() + kBoxTemplateExtra + MemAllocatedSize(notes) +
         PrintOptionsMemSize(&print) + StoredSubsetsMemSize(&subsets);
}

RECT T_BoxTmpl::GetWindowRect(int32_t defaultWidth, int32_t defaultHeight) const {
  RECT rect{left, top, right, bottom};
  if (rect.right < kMinimumWindowSize) rect.right = defaultWidth;
  if (rect.bottom < kMinimumWindowSize) rect.bottom = defaultHeight;
  // A left edge beyond the default right edge would leave a window of negative width.
  if (rect.right - rect.left < kMinimumWindowSize) rect.right = rect.left + defaultWidth;
  if (rect.bottom - rect.top < kMinimumWindowSize) rect.bottom = rect.top + defaultHeight;
  return rect;
}

int32_t T_BoxTmpl::GetColumnWidth(int32_t fallback) const {
  return modeBoxWidth >= kColumnWidthMin && modeBoxWidth <= kColumnWidthMax ? modeBoxWidth
                                                                            : fallback;
}

void T_BoxTmpl::ApplyDefaults() {
  T_BoxTmpl* source = database ? AsBoxTemplate(database->GetDefaultTemplate(kind)) : nullptr;
  if (source && source != this) {
    right = source->right;
    bottom = source->bottom;
    headerHeight = source->headerHeight;
    titleHeight = source->titleHeight;
    modeBoxWidth = source->modeBoxWidth;
    output = source->output;
    PrintOptionsCopy(&print, &source->print);
  }
  calcDirect = 1;
  zoomDirect = 0;
}

void T_BoxTmpl::GridLinesWrite(T_OStream* stream) const {
  if (gridMode != 0 && gridMode < kGridModeCount)
    stream->PutKeyCharLine("Gx", kGridLetters[gridMode]);
  if (verticalGridLines) stream->PutKeyCharLine("Gy", '+');
}

bool T_BoxTmpl::GridLinesReadLine(const char* key, T_IStream* stream) {
  if (key[0] != 'G' || (key[1] != 'x' && key[1] != 'y')) return false;
  stream->NextField();
  char letter = stream->FieldLength() > 0 ? stream->Field()[0] : 0;
  if (key[1] == 'x') {
    const char* at = letter ? std::strchr(kGridLetters, letter) : nullptr;
    if (at) gridMode = static_cast<uint32_t>(at - kGridLetters);
  } else {
    SetFlagFromSign(&verticalGridLines, letter);
  }
  return true;
}

void T_BoxTmpl::WriteViewModeLine(T_OStream* stream) const {
  if (viewMode == 0 || viewMode >= sizeof(kViewModeLetters) - 1) return;
  stream->PutChar('W');
  stream->PutChar(kViewModeLetters[viewMode]);
  stream->PutNewline();
}
