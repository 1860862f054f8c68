#pragma once
// Text styles, fonts and the measuring and output of single texts on the current graphics port.
// Every text is UTF-8; it becomes UTF-16 only at the GDI call. User-interface thread only.
#include <windows.h>

#include <cstdint>

// The toolkit's own TextOut takes UTF-8; the Win32 macro would rename it.
#undef TextOut

struct T_TextBuf;

// Style flag bits.
constexpr uint16_t kStyleBold = 1;
constexpr uint16_t kStyleItalic = 2;
constexpr uint16_t kStyleUnderline = 4;
constexpr uint16_t kStyleWrap = 8;
constexpr uint16_t kStyleBit4 = 16;  // kept with the style for its users; no meaning here
constexpr uint16_t kStyleRight = 32;
constexpr uint16_t kStyleBottom = 64;
constexpr uint16_t kStyleCentre = 128;
constexpr uint16_t kStyleMiddle = 256;
constexpr uint16_t kStyleEmphasisMask = 7;
constexpr uint16_t kStyleAlignMask = 0x1E0;

struct TextStyle {
  int16_t size = 0;        // font height in points (pixels on screen)
  int16_t lineHeight = 0;  // above 6: replaces the measured height of every line
  uint16_t flags = 0;
  const char* face = nullptr;  // not owned; at most 31 bytes are used
  uint8_t pitchAndFamily = 0;
};

// The four standard styles: fixed pitch, the default of every element, a second default and
// the style of dialogs and alerts.
extern const TextStyle TextStyleFixed;
extern const TextStyle TextStyleStandard;
extern const TextStyle TextStyleStandard2;
extern const TextStyle TextStyleDialog;

void TextStyleInit(TextStyle* style, int16_t size, uint16_t flags, const char* face,
                   uint8_t pitchAndFamily);
void TextStyleSetEmphasis(TextStyle* style, uint16_t value);  // bits under mask 7
void TextStyleSetAlign(TextStyle* style, uint16_t value);     // bits under mask 0x1E0

// A new font of the style (the caller deletes it); on a printer port the size is reduced by
// one eighth. Null when GDI refuses.
HFONT FontFromStyle(const TextStyle* style);
// The LOGFONT that FontFromStyle creates, for a given printer flag.
void LogFontFromStyle(LOGFONTW* font, const TextStyle* style, bool printer);

// Changes the bits under the mask in the current style and, when they changed, applies the
// font to the current port. Returns the old bits under the mask.
uint16_t TextSetStyleBits(uint16_t value, uint16_t mask);
uint16_t TextSetEmphasis(uint16_t value);
uint16_t TextSetAlign(uint16_t value);
uint16_t TextSetWrap(bool on);
uint16_t TextSetBit4(bool on);

// --- Measuring ---------------------------------------------------------------------------------

struct TextMeasure {
  int32_t width;
  int32_t height;
};

// Measures n bytes of UTF-8 text. The layout, fitting and hit tests take one, so that they can
// run without a device (tests give a fixed width per character).
using TextMeasureFunction = TextMeasure (*)(void* context, const char* bytes, int32_t n);
struct TextMeasurer {
  TextMeasureFunction measure;
  void* context;
};
// The measurer of the current port's font (TextExtent).
TextMeasurer TextMeasurerOfPort();

// Width and height in the current font; the width is one more when the text begins with "W"
// (its glyph overhangs the advance); 0, 0 on failure.
TextMeasure TextExtent(const char* bytes, int32_t n);
// The extent's width + 1; 0 for an empty text.
int32_t TextWidth(const char* text);
int32_t TextWidthN(const char* bytes, int32_t n);
int32_t TextWidthBuf(const T_TextBuf* text);
int32_t TextWidthWith(const TextMeasurer* measurer, const char* bytes, int32_t n);

// The largest count of bytes, always ending on a character boundary, whose width is at most
// width + 3; -2 when width < -3; -1 when the whole text is narrower than width - 3.
int32_t TextFitCount(const char* bytes, int32_t n, int32_t width);
int32_t TextFitCountC(const char* text, int32_t width);
int32_t TextFitCountWith(const TextMeasurer* measurer, const char* bytes, int32_t n, int32_t width);

// --- Output ----------------------------------------------------------------------------------

// Draws n bytes at (x, y) clipped to the rectangle in the current colours and font.
void TextOut(int32_t x, int32_t y, const RECT* clip, const char* bytes, int32_t n);
