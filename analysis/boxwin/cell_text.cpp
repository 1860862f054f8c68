#include "analysis/boxwin/cell_text.h"

#include <cstring>
#include <string>
#include <string_view>

#include "ui/graphics_port.h"
#include "ui/text_layout.h"
#include "ui/text_style.h"

namespace {

constexpr const char* kEllipsis = "\xE2\x80\xA6";

bool Blank(char c) { return c == ' ' || c == '\t'; }

// Draws one line left-aligned (a cut text shows its start), keeping the vertical alignment.
void DrawLineFromLeft(const RECT* room, const char* text) {
  uint16_t flags = Gfx.style.flags;
  Gfx.style.flags = static_cast<uint16_t>(flags & ~(kStyleRight | kStyleCentre));
  TextDrawLine(room, text, nullptr);
  Gfx.style.flags = flags;
}

// The longest start of the text, on a character boundary, at most width pixels wide.
std::string StartThatFits(const char* text, int32_t width) {
  int32_t n = static_cast<int32_t>(std::strlen(text));
  int32_t count = TextFitCount(text, n, width - 3);  // the count fits width - 3 + 3
  if (count == -1) return text;
  if (count < 0) return {};
  return std::string(text, static_cast<size_t>(count));
}

bool MultiLine(const RECT* rect, const char* text) {
  if (rect->bottom - rect->top < 18) return false;
  return (Gfx.style.flags & kStyleWrap) || std::strpbrk(text, "\r\n") != nullptr;
}

}  // namespace

CellClip::CellClip(const RECT* cell) {
  saved_ = Gfx.clip ? CreateRectRgn(0, 0, 0, 0) : nullptr;
  if (saved_) CombineRgn(saved_, Gfx.clip, nullptr, RGN_COPY);
  HRGN region = CreateRectRgnIndirect(cell);
  if (saved_) CombineRgn(region, region, saved_, RGN_AND);
  PortSetClip(region);
  DeleteObject(region);
}

CellClip::~CellClip() {
  if (saved_) {
    PortSetClip(saved_);
    DeleteObject(saved_);
  } else {
    RECT all{-32000, -32000, 32000, 32000};
    PortSetClipRect(&all);
  }
}

bool CellTextIsNumber(const char* text) {
  if (!text) return false;
  while (Blank(*text)) ++text;
  size_t n = std::strlen(text);
  while (n > 0 && Blank(text[n - 1])) --n;
  std::string_view t(text, n);
  if (t == "+inf" || t == "-inf") return true;
  bool digit = false;
  for (size_t i = 0; i < t.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(t[i]);
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == 0xC2 && i + 1 < t.size() && static_cast<unsigned char>(t[i + 1]) == 0xA0) {
      ++i;  // a no-break space as thousands separator
    } else if (std::strchr(" +-.,'()%eE", c) == nullptr || c == 0) {
      return false;
    }
  }
  return digit;
}

RECT CellTextRoom(const RECT* text, const RECT* cell) {
  RECT room = *text;
  if (room.right > cell->right - kCellGap) room.right = cell->right - kCellGap;
  if (room.left < cell->left) room.left = cell->left;
  return room;
}

void DrawCellText(const RECT* room, const char* text) {
  if (!text || !text[0] || room->right <= room->left || room->bottom <= room->top) return;
  CellClip clip(room);
  int32_t width = room->right - room->left;
  if (CellTextIsNumber(text)) {
    if (TextWidth(text) <= width) {
      TextDrawLine(room, text, nullptr);
      return;
    }
    int32_t hash = TextWidth("#");
    int32_t count = hash > 0 ? width / hash : 0;
    if (count <= 0) return;
    std::string row(static_cast<size_t>(count), '#');
    DrawLineFromLeft(room, row.c_str());
    return;
  }
  if (MultiLine(room, text)) {
    TextDrawLines(room, text, nullptr);
    return;
  }
  if (TextWidth(text) <= width) {
    TextDrawLine(room, text, nullptr);
    return;
  }
  std::string start = StartThatFits(text, width);
  if (!start.empty()) DrawLineFromLeft(room, start.c_str());
}

bool TextFitsRect(const RECT* rect, const char* text) {
  int32_t width = rect->right - rect->left;
  if (!MultiLine(rect, text)) return TextWidth(text) <= width;
  RECT need = *rect;
  TextFitRect(&need, text);
  return need.right - need.left <= width && need.bottom - need.top <= rect->bottom - rect->top;
}

void DrawTitleText(const RECT* rect, const char* plain) {
  if (!plain || !plain[0] || rect->right <= rect->left) return;
  CellClip clip(rect);
  int32_t width = rect->right - rect->left;
  std::string start = StartThatFits(plain, width - TextWidth(kEllipsis));
  // Blanks before the ellipsis would only look like a gap.
  while (!start.empty() && Blank(start.back())) start.pop_back();
  std::string shown = start + kEllipsis;
  if (TextWidth(shown.c_str()) > width) return;  // not even the ellipsis fits
  uint16_t flags = Gfx.style.flags;
  Gfx.style.flags = static_cast<uint16_t>(flags & ~kStyleWrap);
  TextDrawLine(rect, shown.c_str(), nullptr);
  Gfx.style.flags = flags;
}
