#include "ui/text_style.h"

#include "core/memory.h"
#include "core/text_buffer.h"
#include "core/utf8.h"
#include "ui/graphics_port.h"
#include "ui/text_wide.h"

const TextStyle TextStyleFixed{11, 0, 0, "Courier New", 49};
const TextStyle TextStyleStandard{11, 0, 0, "Tahoma", 34};
const TextStyle TextStyleStandard2{11, 0, 0, "Tahoma", 34};
const TextStyle TextStyleDialog{12, 0, 0, "Arial", 34};

void TextStyleInit(TextStyle* style, int16_t size, uint16_t flags, const char* face,
                   uint8_t pitchAndFamily) {
  style->size = size;
  style->lineHeight = 0;
  style->flags = flags;
  style->face = face;
  style->pitchAndFamily = pitchAndFamily;
}

void TextStyleSetEmphasis(TextStyle* style, uint16_t value) {
  style->flags =
      static_cast<uint16_t>((style->flags & ~kStyleEmphasisMask) | (value & kStyleEmphasisMask));
}

void TextStyleSetAlign(TextStyle* style, uint16_t value) {
  style->flags =
      static_cast<uint16_t>((style->flags & ~kStyleAlignMask) | (value & kStyleAlignMask));
}

void LogFontFromStyle(LOGFONTW* font, const TextStyle* style, bool printer) {
  *font = LOGFONTW{};
  int32_t size = style->size;
  font->lfHeight = -(printer ? size - size / 8 : size);
  font->lfWeight = (style->flags & kStyleBold) ? 700 : 400;
  font->lfItalic = (style->flags & kStyleItalic) ? 1 : 0;
  font->lfUnderline = (style->flags & kStyleUnderline) ? 1 : 0;
  font->lfPitchAndFamily = style->pitchAndFamily;
  if (style->face) {
    // 31 bytes of UTF-8 are at most 31 units, so the face always fits LF_FACESIZE.
    int32_t n = 0;
    while (n < 31 && style->face[n]) ++n;
    n = Utf8BoundaryAtOrBefore(style->face, n);
    WideText face;
    if (WideTextAssign(&face, style->face, n)) {
      for (int32_t i = 0; i < face.length && i < LF_FACESIZE - 1; ++i)
        font->lfFaceName[i] = face.data[i];
    }
  }
}

HFONT FontFromStyle(const TextStyle* style) {
  LOGFONTW font;
  LogFontFromStyle(&font, style, PortIsPrinter());
  return CreateFontIndirectW(&font);
}

uint16_t TextSetStyleBits(uint16_t value, uint16_t mask) {
  uint16_t old = Gfx.style.flags & mask;
  uint16_t now = value & mask;
  if (old != now) {
    Gfx.style.flags = static_cast<uint16_t>((Gfx.style.flags & ~mask) | now);
    PortApplyFont();
  }
  return old;
}

uint16_t TextSetEmphasis(uint16_t value) { return TextSetStyleBits(value, kStyleEmphasisMask); }
uint16_t TextSetAlign(uint16_t value) { return TextSetStyleBits(value, kStyleAlignMask); }
uint16_t TextSetWrap(bool on) { return TextSetStyleBits(on ? kStyleWrap : 0, kStyleWrap); }
uint16_t TextSetBit4(bool on) { return TextSetStyleBits(on ? kStyleBit4 : 0, kStyleBit4); }

// --- Measuring ---------------------------------------------------------------------------------

TextMeasure TextExtent(const char* bytes, int32_t n) {
  TextMeasure result{0, 0};
  HDC dc = PortDC();
  if (!dc || !bytes || n <= 0) return result;
  WideText wide;
  if (!WideTextAssign(&wide, bytes, n)) return result;
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, wide.data, wide.length, &size)) return result;
  result.width = size.cx + (bytes[0] == 'W' ? 1 : 0);
  result.height = size.cy;
  return result;
}

namespace {

TextMeasure MeasureOnPort(void*, const char* bytes, int32_t n) { return TextExtent(bytes, n); }

int32_t StrLen(const char* text) {
  int32_t n = 0;
  if (text) {
    while (text[n]) ++n;
  }
  return n;
}

}  // namespace

TextMeasurer TextMeasurerOfPort() { return TextMeasurer{MeasureOnPort, nullptr}; }

int32_t TextWidthWith(const TextMeasurer* measurer, const char* bytes, int32_t n) {
  if (!bytes || n <= 0) return 0;
  return measurer->measure(measurer->context, bytes, n).width + 1;
}

int32_t TextWidthN(const char* bytes, int32_t n) {
  TextMeasurer measurer = TextMeasurerOfPort();
  return TextWidthWith(&measurer, bytes, n);
}

int32_t TextWidth(const char* text) { return TextWidthN(text, StrLen(text)); }

int32_t TextWidthBuf(const T_TextBuf* text) { return TextWidthN(text->data, text->length); }

int32_t TextFitCountWith(const TextMeasurer* measurer, const char* bytes, int32_t n,
                         int32_t width) {
  if (width < -3) return -2;
  if (!bytes || n <= 0) return -1;
  int32_t whole = TextWidthWith(measurer, bytes, n);
  if (whole <= width + 3) return whole < width - 3 ? -1 : n;
  // Binary search over character starts, so a count never ends inside a character. The empty
  // prefix always fits (width 0 <= width + 3).
  int32_t low = 0;   // fits
  int32_t high = n;  // does not fit
  while (true) {
    int32_t middle = Utf8BoundaryAtOrBefore(bytes, low + (high - low) / 2);
    if (middle <= low) {
      // No boundary strictly between low and the middle: try the next character after low.
      middle = low + Utf8SeqLen(static_cast<uint8_t>(bytes[low]));
      if (middle >= high) break;
    }
    if (TextWidthWith(measurer, bytes, middle) <= width + 3) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return low;
}

int32_t TextFitCount(const char* bytes, int32_t n, int32_t width) {
  TextMeasurer measurer = TextMeasurerOfPort();
  return TextFitCountWith(&measurer, bytes, n, width);
}

int32_t TextFitCountC(const char* text, int32_t width) {
  return TextFitCount(text, StrLen(text), width);
}

// --- Output ----------------------------------------------------------------------------------

void TextOut(int32_t x, int32_t y, const RECT* clip, const char* bytes, int32_t n) {
  HDC dc = PortDC();
  if (!dc || !bytes || n <= 0) return;
  if (Gfx.clippedTextWatch) PortNoteTextRun(x, y, clip, bytes, n);
  WideText wide;
  if (!WideTextAssign(&wide, bytes, n)) return;
  if (PortIsPrinter()) {
    // Some printer drivers clip the last glyph of a run at the clip edge.
    WideTextAppend(&wide, L"   ", 3);
    if (!(Gfx.style.flags & kStyleBottom)) ++y;
  }
  ExtTextOutW(dc, x, y, ETO_CLIPPED, clip, wide.data, static_cast<UINT>(wide.length), nullptr);
}
