#include "ui/window_utilities.h"

#include <cmath>
#include <new>

#include "core/localized_text.h"
#include "core/memory.h"
#include "core/number_text.h"
#include "core/output_stream.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "ui/clipboard_data.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"
#include "ui/graphics_port.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kTextBytes = 3149;
constexpr int32_t kTextKB = 3150;
constexpr int32_t kTextMB = 3151;
constexpr int32_t kTextGB = 3152;

constexpr int64_t kKilo = 1024;
constexpr int64_t kMega = 1048576;
constexpr int64_t kGiga = 1073741824;

constexpr int32_t kZoomFrames = 12;
constexpr int32_t kZoomTrail = 4;
constexpr uint32_t kZoomFrameMs = 16;

constexpr int32_t kEnterSwallowed = 4;
constexpr int32_t kStampLabelWidth = 80;

// The value rounded to the decimals, in general notation so that whole values show no
// decimals ("1 KB", not "1.0 KB").
void AppendRounded(T_TextBuf* out, double value, int32_t decimals) {
  double scale = std::pow(10.0, decimals);
  value = std::floor(value * scale + 0.5) / scale;
  NumFormat format;
  NumFormatInit(&format);
  TextBufAppendDoubleFormat(out, value, &format);
}

struct NamedColour {
  int32_t index;
  int32_t textId;
};
constexpr NamedColour kColourNames[] = {
    {0, 2400},  {4, 2401},  {6, 2402},  {8, 2403},  {10, 2404}, {11, 2405},
    {12, 2406}, {13, 2412}, {14, 2407}, {15, 2411}, {16, 2413}, {17, 2416},
    {18, 2415}, {19, 2414}, {20, 2410}, {21, 2408}, {22, 2409},
};

// The first field of a line (up to a TAB or the line's end) against a marker.
bool FieldIs(const char* field, int32_t n, const char* marker) {
  int32_t i = 0;
  for (; i < n && marker[i]; ++i) {
    if (field[i] != marker[i]) return false;
  }
  return i == n && marker[i] == 0;
}

int32_t NextKind(int32_t kind, const char* field, int32_t n) {
  if (FieldIs(field, n, "## Selection")) {
    if (kind == kContentNone) return kContentSelection;
    if (kind == kContentSelection) return kContentSelections;
    if (kind == kContentFormula || kind == kContentFormulas) return kContentVariables;
  } else if (FieldIs(field, n, "## Formula")) {
    if (kind == kContentNone) return kContentFormula;
    if (kind == kContentSelection || kind == kContentSelections) return kContentVariables;
    if (kind == kContentFormula) return kContentFormulas;
  } else if (FieldIs(field, n, "## Subset")) {
    if (kind == kContentNone) return kContentSubset;
    if (kind == kContentSubset) return kContentSubsets;
  } else if (FieldIs(field, n, "## WebUser")) {
    if (kind == kContentNone) return kContentWebUser;
    if (kind == kContentWebUser) return kContentWebUsers;
  } else if (FieldIs(field, n, "## Authorizations")) {
    if (kind == kContentNone) return kContentAuthorizations;
  }
  return kind;
}

int32_t Interpolate(int32_t a, int32_t b, int32_t k) { return a + (b - a) * k / kZoomFrames; }

}  // namespace

// --- Byte sizes ---------------------------------------------------------------------------

void FormatByteSize(T_TextBuf* out, int64_t bytes) {
  TextBufAssign(out, "");
  if (bytes < 0) {
    TextBufAssign(out, "-");
    return;
  }
  double value = static_cast<double>(bytes);
  int32_t decimals = 0;
  int32_t unit = kTextKB;
  if (bytes == 0) {
    value = 0;
  } else if (bytes < 1000) {
    unit = kTextBytes;
  } else if (bytes < 10240) {
    value /= kKilo;
    decimals = 1;
  } else if (bytes < 1024000) {
    value /= kKilo;
  } else if (bytes < 104857600) {
    value /= kMega;
    decimals = 1;
    unit = kTextMB;
  } else if (bytes < 1048576000) {
    value /= kMega;
    unit = kTextMB;
  } else {
    value /= kGiga;
    unit = kTextGB;
    decimals = bytes < 10737418240LL ? 2 : bytes < 107374182400LL ? 1 : 0;
  }
  AppendRounded(out, value, decimals);
  TextBufAppendChar(out, ' ');
  TextBufAppend(out, GetString(unit));
}

void DrawByteSize(const RECT* rect, int64_t bytes) {
  T_TextBuf text;
  FormatByteSize(&text, bytes);
  int32_t left = rect->right - TextWidthBuf(&text) - 3;
  if (left < rect->left) left = rect->left;
  RECT erase{left, rect->top, rect->right, rect->bottom};
  RectErase(&erase);
  RECT line{left + 3, rect->top, rect->right, rect->bottom};
  TextDrawLine(&line, text.c_str(), nullptr);
}

// --- Colour names -------------------------------------------------------------------------

int32_t ColourNameId(int32_t index) {
  for (const NamedColour& name : kColourNames) {
    if (name.index == index) return name.textId;
  }
  return 0;
}

const char* ColourName(int32_t index) {
  int32_t id = ColourNameId(index);
  return id ? GetString(id) : nullptr;
}

// --- HTML cells ---------------------------------------------------------------------------

void HtmlWriteCell(T_OStream* stream, const char* text, int32_t width) {
  if (width >= 1) {
    stream->PutText("<td width=\"");
    stream->PutInt(width);
    stream->PutText("\"> ");
  } else {
    stream->PutText("<td> ");
  }
  stream->PutEscaped(text ? text : "");
  stream->PutText(" </td>");
  stream->PutNewline();
}

void HtmlWriteRow(T_OStream* stream, const char* label, const char* value, int32_t labelWidth) {
  stream->PutLine("<tr>");
  HtmlWriteCell(stream, label, labelWidth);
  HtmlWriteCell(stream, value, 0);
  stream->PutLine("</tr>");
}

void HtmlWriteStampRow(T_OStream* stream, const SignatureStamp* stamp, int32_t labelTextId) {
  if (!stamp || SignatureStampIsEmpty(stamp)) return;
  char text[64];
  FormatSignatureStampCStr(text, stamp);
  stream->PutText("<tr><td width=\"");
  stream->PutInt(kStampLabelWidth);
  stream->PutText("\">");
  stream->PutEscaped(GetString(labelTextId));
  stream->PutText("</td><td>");
  stream->PutEscaped(text);
  stream->PutText("</td></tr>");
  stream->PutNewline();
}

// --- Clipboard content kinds --------------------------------------------------------------

int32_t ContentKindOfText(const char* text) {
  int32_t kind = kContentNone;
  if (!text) return kind;
  const char* line = text;
  while (*line) {
    const char* end = line;
    while (*end && *end != '\r' && *end != '\n') ++end;
    const char* field = line;
    while (field < end && *field != '\t') ++field;
    kind = NextKind(kind, line, static_cast<int32_t>(field - line));
    line = end;
    if (*line == '\r') ++line;
    if (*line == '\n') ++line;
  }
  return kind;
}

int32_t ClipboardContentKind() {
  if (ClipboardDataKind() != kClipboardText) return kContentNone;
  char* text = ClipboardReadText();
  int32_t kind = ContentKindOfText(text);
  MemFree(text);
  return kind;
}

bool IsCodeInList(int32_t code, const uint16_t* list) {
  if (code == 0 || !list) return false;
  for (; *list; ++list) {
    if (*list == code) return true;
  }
  return false;
}

void EnablePasteForKinds(const uint16_t* accepted, bool allowed) {
  int32_t kind = ClipboardContentKind();
  if (kind == kContentNone) return;
  auto* paste = dynamic_cast<T_MenuItemTag*>(StandardEntry(kCommandPaste));
  if (paste) paste->SetTagAndEnable(kind, allowed && IsCodeInList(kind, accepted));
}

// --- Zoom rectangles ----------------------------------------------------------------------

namespace {

void (*zoomTrackInput)(InputEvent* event) = nullptr;

}  // namespace

void PollZoomTrack(InputEvent* event) {
  if (zoomTrackInput) {
    zoomTrackInput(event);
    return;
  }
  InputPoll(event, kPollButtons | kPollModifiers);
  event->time = TickCount();
}

namespace {

int32_t Span(int32_t press, int32_t pointer, bool mirrored, int32_t* low) {
  if (pointer > press) ++pointer;
  if (mirrored) {
    int32_t reach = pointer > press ? pointer - press : press - pointer;
    *low = press - reach;
    return press + reach;
  }
  *low = pointer < press ? pointer : press;
  return pointer < press ? press : pointer;
}

bool InRegion(const Region* region, int32_t x, int32_t y) {
  return region && region->handle && PtInRegion(region->handle, x, y);
}

}  // namespace

void SetZoomTrackInput(void (*poll)(InputEvent* event)) { zoomTrackInput = poll; }

RECT ZoomTrackRect(POINT press, POINT pointer, bool shift, int32_t axisMode) {
  RECT rect;
  int32_t low;
  rect.right = Span(press.x, pointer.x, shift, &low);
  rect.left = low;
  rect.bottom = Span(press.y, pointer.y, shift, &low);
  rect.top = low;
  if (axisMode == kZoomColumns) {
    rect.top = -1;
    rect.bottom = 9999;
  } else if (axisMode == kZoomRows) {
    rect.left = -1;
    rect.right = 9999;
  }
  return rect;
}

bool ZoomRectShown(const RECT* rect, int32_t axisMode, int32_t minimum) {
  int32_t width = rect->right - rect->left;
  int32_t height = rect->bottom - rect->top;
  if (axisMode == kZoomColumns) return width > minimum;
  if (axisMode == kZoomRows) return height > minimum;
  return width >= 3 && height >= 3 && width + height > minimum;
}

int32_t TrackZoomRect(const InputEvent* press, RECT* rect, int32_t axisMode, int32_t minimum,
                      int32_t* cursorId, const Region* highlight, const Region* hit) {
  const POINT origin{press->x, press->y};
  // The hit region alone decides what a click is; the highlight only shows it.
  const bool shows = highlight && highlight->handle;
  bool inHit = hit && hit->handle && InRegion(hit, press->x, press->y);
  if (inHit && shows) RgnInvert(highlight);
  bool changed = false;
  bool drawn = false;
  bool altGrToggled = false;
  bool longPress = false;
  RECT shown{};
  POINT last{origin.x - 1, origin.y - 1};  // forces the first pass to measure
  bool lastShift = press->shift != 0;
  InputEvent now;
  for (;;) {
    PollZoomTrack(&now);
    if (!now.anyButton) break;
    if (!changed && !drawn && now.time >= press->time + kZoomLongPressMs) {
      longPress = true;
      break;
    }
    if (inHit) {
      if (InRegion(hit, now.x, now.y)) continue;
      inHit = false;
      if (shows) RgnInvert(highlight);
      changed = true;
    }
    if (cursorId) {
      bool toggled = (now.rightAlt != 0) != (press->rightAlt != 0);
      if (toggled != altGrToggled) {
        altGrToggled = toggled;
        int32_t other = *cursorId == kCursorZoomIn ? kCursorZoomOut : kCursorZoomIn;
        CursorSet(static_cast<uint32_t>(toggled ? other : *cursorId));
        changed = true;
      }
    }
    bool shift = now.shift != 0;
    if (now.x == last.x && now.y == last.y && shift == lastShift) continue;
    last = POINT{now.x, now.y};
    lastShift = shift;
    RECT next = ZoomTrackRect(origin, last, shift, axisMode);
    bool show = ZoomRectShown(&next, axisMode, minimum);
    if (drawn && (!show || !EqualRect(&next, &shown))) {
      RectFrameDottedXor(&shown);
      drawn = false;
    }
    if (show && !drawn) {
      RectFrameDottedXor(&next);
      drawn = true;
      shown = next;
      changed = true;
    }
  }
  if (drawn) RectFrameDottedXor(&shown);
  if (inHit && shows) RgnInvert(highlight);
  // The state at the release decides, even when AltGr went back between two polls.
  if (cursorId && !longPress && (now.rightAlt != 0) != (press->rightAlt != 0)) {
    *cursorId = *cursorId == kCursorZoomIn ? kCursorZoomOut : kCursorZoomIn;
  }
  if (longPress) return kZoomLongPress;
  if (drawn) {
    *rect = shown;
    return kZoomRectangle;
  }
  return changed || (hit && hit->handle && !inHit) ? kZoomNothing : kZoomClick;
}

void RectZoomOut(RECT* rect, const RECT* inner) {
  int32_t innerWidth = inner->right - inner->left;
  int32_t innerHeight = inner->bottom - inner->top;
  if (innerWidth <= 0 || innerHeight <= 0) return;
  double sx = static_cast<double>(rect->right - rect->left) / innerWidth;
  double sy = static_cast<double>(rect->bottom - rect->top) / innerHeight;
  RECT outer = *rect;
  rect->left = static_cast<LONG>(std::lround(outer.left - (inner->left - outer.left) * sx));
  rect->top = static_cast<LONG>(std::lround(outer.top - (inner->top - outer.top) * sy));
  rect->right = static_cast<LONG>(std::lround(outer.right + (outer.right - inner->right) * sx));
  rect->bottom = static_cast<LONG>(std::lround(outer.bottom + (outer.bottom - inner->bottom) * sy));
}

RECT ZoomFrameRect(const RECT* from, const RECT* to, int32_t k) {
  return RECT{Interpolate(from->left, to->left, k), Interpolate(from->top, to->top, k),
              Interpolate(from->right, to->right, k), Interpolate(from->bottom, to->bottom, k)};
}

void AnimateZoomRect(const RECT* from, const RECT* to) {
  // Every frame is drawn inverted, so drawing it a second time erases it; four frames stay on
  // screen at once, which reads as motion rather than flicker.
  for (int32_t k = 1; k <= kZoomFrames + kZoomTrail; ++k) {
    uint64_t start = TickCount();
    if (k <= kZoomFrames) {
      RECT frame = ZoomFrameRect(from, to, k);
      RectFrameDottedXor(&frame);
    }
    if (k > kZoomTrail) {
      RECT old = ZoomFrameRect(from, to, k - kZoomTrail);
      RectFrameDottedXor(&old);
    }
    GdiFlush();
    SleepUntil(kZoomFrameMs, start);
  }
}

void DrawRectFrame(const RECT* rect, bool patterned) {
  if (patterned) {
    RectFrameDotted(rect);
  } else {
    RectFrame(rect);
  }
}

// --- Texts and factories ------------------------------------------------------------------

void TidyMultilineText(T_TextBuf* text) {
  char* data = text->data;
  int32_t n = 0;
  for (int32_t i = 0; i < text->length; ++i) {
    char c = data[i];
    if (c == '\t') c = ' ';
    if (static_cast<unsigned char>(c) < 32 && c != '\r') continue;
    if (c == '\r') {
      while (n > 0 && data[n - 1] == ' ') --n;
    }
    data[n++] = c;
  }
  while (n > 0 && static_cast<unsigned char>(data[n - 1]) <= 32) --n;
  TextBufSetLength(text, n);
}

T_Text* NewTextItem(T_EventHandler* parent, const XYWH& rect, int32_t textId) {
  auto* item = new (std::nothrow) T_Text(parent, rect, true);
  if (item) item->SetTextId(textId);
  return item;
}

T_Edit* NewEditItem(T_EventHandler* parent, const XYWH& rect, uint32_t id, const char* text) {
  auto* field = new (std::nothrow) T_Edit(parent, rect, id, true, true);
  if (!field) return nullptr;
  field->enterMode = kEnterSwallowed;
  field->SetText(text ? text : "");
  return field;
}
