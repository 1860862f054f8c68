#include "ui/text_layout.h"

#include <cstring>

#include "core/memory.h"
#include "core/utf8.h"
#include "ui/graphics_port.h"

namespace {

struct Token {
  int32_t blankStart;
  int32_t blanks;
  int32_t wordStart;
  int32_t wordLength;
  int32_t blankWidth;
  int32_t wordWidth;
};

struct Builder {
  TextLayoutRecord* layout;
  int32_t lineHeight;
  int32_t width;  // of the rectangle
  // Lines are collected here first (start and count only); width and height come at the end.
  TextLine* lines;
  int32_t count;
  int32_t capacity;
};

bool IsBreakAfter(uint32_t c) {
  switch (c) {
    case '&':
    case '*':
    case '+':
    case '-':
    case '/':
    case '<':
    case '=':
    case '>':
    case '\\':
    case '|':
    case 0x00AC:
    case 0x00B1:
    case 0x00F7:
    case 0x2013:
    case 0x2014:
    case 0x2248:
    case 0x2260:
      return true;
    default:
      return false;
  }
}

int32_t Extent(const TextLayoutRecord* layout, const char* bytes, int32_t n) {
  if (n <= 0) return 0;
  return layout->measurer.measure(layout->measurer.context, bytes, n).width;
}

int32_t BlankWidth(TextLayoutRecord* layout, int32_t blanks) {
  static const char kBlanks[] = "               ";  // 15
  if (blanks <= 0) return 0;
  if (blanks <= 15) {
    if (layout->blankWidths[blanks] < 0)
      layout->blankWidths[blanks] = Extent(layout, kBlanks, blanks);
    return layout->blankWidths[blanks];
  }
  return BlankWidth(layout, 15) * (blanks / 15) + BlankWidth(layout, blanks % 15);
}

// The next token of [p, end): a run of blanks and the word after it. A word ends before a
// blank or line break, or just after a break character.
Token NextToken(TextLayoutRecord* layout, int32_t p, int32_t end) {
  const char* text = layout->text;
  Token token{};
  token.blankStart = p;
  while (p < end && text[p] == ' ') ++p;
  token.blanks = p - token.blankStart;
  token.wordStart = p;
  // A NUL ends the word before it but starts the next: every token moves on.
  while (p < end && text[p] != ' ' && text[p] != '\r' && text[p] != '\n' &&
         (text[p] != 0 || p == token.wordStart)) {
    const char* cursor = text + p;
    uint32_t c = Utf8NextChar(&cursor);
    p = static_cast<int32_t>(cursor - text);
    if (p > end) p = end;
    if (IsBreakAfter(c)) break;
  }
  token.wordLength = p - token.wordStart;
  token.blankWidth = BlankWidth(layout, token.blanks);
  token.wordWidth = Extent(layout, text + token.wordStart, token.wordLength);
  return token;
}

bool Push(Builder* builder, int32_t start, int32_t end) {
  if (builder->count >= builder->capacity) return false;
  builder->lines[builder->count++] = TextLine{start, end - start, 0, 0};
  return true;
}

// Pieces of a word too wide for the rectangle, each the longest run of whole characters
// narrower than it (at least one character). Returns the start of the last piece, which the
// caller keeps open; false when the lines are full.
bool CutWord(Builder* builder, const Token& token, int32_t* lastStart, int32_t* lastWidth) {
  const TextLayoutRecord* layout = builder->layout;
  int32_t p = token.wordStart;
  int32_t end = token.wordStart + token.wordLength;
  while (true) {
    int32_t rest = end - p;
    int32_t k = TextFitCountWith(&layout->measurer, layout->text + p, rest, builder->width - 4);
    if (k == -1 || k >= rest) {
      *lastStart = p;
      *lastWidth = Extent(layout, layout->text + p, rest);
      return true;
    }
    if (k <= 0) k = Utf8SeqLen(static_cast<uint8_t>(layout->text[p]));
    if (p + k >= end) {
      *lastStart = p;
      *lastWidth = Extent(layout, layout->text + p, rest);
      return true;
    }
    if (!Push(builder, p, p + k)) return false;
    p += k;
  }
}

// Word wrap of one paragraph [start, end), line by line from its beginning.
bool WrapForward(Builder* builder, int32_t start, int32_t end) {
  TextLayoutRecord* layout = builder->layout;
  int32_t width = builder->width;
  int32_t lineStart = -1;
  int32_t lineEnd = 0;
  int32_t lineWidth = 0;
  int32_t p = start;
  bool first = true;
  while (p < end) {
    Token token = NextToken(layout, p, end);
    p = token.wordStart + token.wordLength;
    if (first && token.blanks > 0) {
      // Blanks at the start of a paragraph belong to its first line.
      lineStart = token.blankStart;
      lineEnd = token.wordStart;
      lineWidth = token.blankWidth;
      token.blankWidth = 0;
    }
    first = false;
    if (token.wordLength == 0) {
      if (lineStart >= 0 && lineWidth + token.blankWidth + 1 <= width) {
        lineEnd = p;
        lineWidth += token.blankWidth;
      }
      continue;
    }
    if (lineStart >= 0 && lineWidth + token.blankWidth + token.wordWidth + 1 <= width) {
      lineEnd = p;
      lineWidth += token.blankWidth + token.wordWidth;
      continue;
    }
    if (lineStart >= 0) {
      if (!Push(builder, lineStart, lineEnd)) return false;
    }
    if (token.wordWidth + 1 > width) {
      if (!CutWord(builder, token, &lineStart, &lineWidth)) return false;
    } else {
      lineStart = token.wordStart;
      lineWidth = token.wordWidth;
    }
    lineEnd = p;
  }
  if (lineStart < 0) return Push(builder, start, start);
  return Push(builder, lineStart, lineEnd);
}

// Word wrap of one paragraph from its end, so that its last line is the full one.
bool WrapBackward(Builder* builder, int32_t start, int32_t end) {
  TextLayoutRecord* layout = builder->layout;
  int32_t width = builder->width;
  // Tokens first: the fill walks them from the last.
  int32_t tokenCapacity = end - start + 1;
  auto* tokens =
      static_cast<Token*>(MemAlloc(static_cast<int64_t>(tokenCapacity) * sizeof(Token), 0));
  if (!tokens) return WrapForward(builder, start, end);
  int32_t n = 0;
  for (int32_t p = start; p < end && n < tokenCapacity;) {
    tokens[n] = NextToken(layout, p, end);
    p = tokens[n].wordStart + tokens[n].wordLength;
    if (tokens[n].wordLength > 0) ++n;  // trailing blanks do not push the text left
  }
  int32_t first = builder->count;
  bool room = true;
  int32_t lineStart = -1;
  int32_t lineEnd = 0;
  int32_t lineWidth = 0;
  for (int32_t i = n - 1; i >= 0 && room; --i) {
    const Token& token = tokens[i];
    int32_t join = i + 1 < n ? tokens[i + 1].blankWidth : 0;
    if (lineStart >= 0 && token.wordWidth + join + lineWidth + 1 <= width) {
      lineStart = token.wordStart;
      lineWidth += token.wordWidth + join;
      continue;
    }
    if (lineStart >= 0) room = Push(builder, lineStart, lineEnd);
    if (!room) break;
    if (token.wordWidth + 1 > width) {
      // The pieces keep their order inside the word; they are reversed back below.
      int32_t pieceFirst = builder->count;
      int32_t lastStart, lastWidth;
      room = CutWord(builder, token, &lastStart, &lastWidth) &&
             Push(builder, lastStart, token.wordStart + token.wordLength);
      for (int32_t a = pieceFirst, b = builder->count - 1; a < b; ++a, --b) {
        TextLine swap = builder->lines[a];
        builder->lines[a] = builder->lines[b];
        builder->lines[b] = swap;
      }
      lineStart = -1;
    } else {
      lineStart = token.wordStart;
      lineEnd = token.wordStart + token.wordLength;
      lineWidth = token.wordWidth;
    }
  }
  if (room && lineStart >= 0) {
    if (n > 0 && lineStart == tokens[0].wordStart) lineStart = tokens[0].blankStart;
    room = Push(builder, lineStart, lineEnd);
  }
  if (room && builder->count == first) room = Push(builder, start, start);
  MemFree(tokens);
  for (int32_t a = first, b = builder->count - 1; a < b; ++a, --b) {
    TextLine swap = builder->lines[a];
    builder->lines[a] = builder->lines[b];
    builder->lines[b] = swap;
  }
  return room;
}

int32_t LineEnd(const char* text, int32_t p, int32_t n) {
  while (p < n && text[p] != '\r' && text[p] != '\n') ++p;
  return p;
}

int32_t SkipBreak(const char* text, int32_t p, int32_t n) {
  if (p < n && text[p] == '\r')
    ++p;
  else if (p < n && text[p] == '\n')
    return p + 1;
  if (p < n && text[p] == '\n') ++p;
  return p;
}

}  // namespace

void TextLayout(TextLayoutRecord* layout, const char* text, int32_t n, const RECT* rect,
                uint16_t flags, int32_t lineHeight, const TextMeasurer* measurer) {
  layout->lineCount = 0;
  layout->rect = *rect;
  layout->text = text ? text : "";
  layout->length = text && n > 0 ? n : 0;
  layout->flags = flags;
  layout->top = rect->top;
  layout->totalHeight = 0;
  layout->widest = 0;
  layout->measurer = *measurer;
  for (int32_t& w : layout->blankWidths) w = -1;
  int32_t width = rect->right - rect->left;
  if (width < 5) return;

  bool wrap = flags & kStyleWrap;
  bool backward = wrap && (flags & kStyleRight) && (flags & kStyleBottom);
  // Backward filling needs every line of a paragraph before it knows the first: it collects
  // into a block large enough for any text, the rest straight into the record.
  Builder builder{layout, lineHeight, width, layout->lines, 0, kLayoutMaxLines};
  TextLine* block = nullptr;
  if (backward) {
    block = static_cast<TextLine*>(
        MemAlloc((static_cast<int64_t>(layout->length) + 1) * sizeof(TextLine), 0));
    if (block) {
      builder.lines = block;
      builder.capacity = layout->length + 1;
    } else {
      backward = false;
    }
  }
  const char* t = layout->text;
  int32_t length = layout->length;
  int32_t p = 0;
  while (true) {
    int32_t end = LineEnd(t, p, length);
    bool more;
    if (!wrap) {
      more = Push(&builder, p, end);
    } else if (backward) {
      more = WrapBackward(&builder, p, end);
    } else {
      more = WrapForward(&builder, p, end);
    }
    if (!more || end >= length) break;
    p = SkipBreak(t, end, length);
  }
  int32_t count = builder.count < kLayoutMaxLines ? builder.count : kLayoutMaxLines;
  if (block) {
    for (int32_t i = 0; i < count; ++i) layout->lines[i] = block[i];
    MemFree(block);
  }
  layout->lineCount = count;

  int32_t emptyHeight = -1;
  for (int32_t i = 0; i < count; ++i) {
    TextLine& line = layout->lines[i];
    line.width = TextWidthWith(measurer, t + line.start, line.count);
    if (lineHeight > 6) {
      line.height = lineHeight;
    } else if (line.count > 0) {
      line.height = measurer->measure(measurer->context, t + line.start, line.count).height;
    } else {
      if (emptyHeight < 0) emptyHeight = measurer->measure(measurer->context, "M", 1).height;
      line.height = emptyHeight;
    }
    layout->totalHeight += line.height;
    if (line.width > layout->widest) layout->widest = line.width;
  }
  if (flags & kStyleBottom) {
    layout->top = rect->bottom - layout->totalHeight + 1;
  } else if (flags & kStyleMiddle) {
    layout->top = (rect->top + rect->bottom - layout->totalHeight + 1) / 2;
  }
}

int32_t TextLayoutLineX(const TextLayoutRecord* layout, int32_t line) {
  const RECT& r = layout->rect;
  int32_t width = layout->lines[line].width;
  if (layout->flags & kStyleRight) return r.right - width;
  if (layout->flags & kStyleCentre) return (r.left - width + r.right) / 2;
  return r.left;
}

int32_t TextLayoutLineTop(const TextLayoutRecord* layout, int32_t line) {
  int32_t top = layout->top;
  for (int32_t i = 0; i < line; ++i) top += layout->lines[i].height;
  return top;
}

int32_t TextLayoutHitTest(const TextLayoutRecord* layout, POINT point) {
  if (point.y < layout->rect.top) return -2;
  if (point.y >= layout->rect.bottom || layout->lineCount == 0) return -1;
  int32_t line = -1;
  int32_t top = layout->top;
  if (layout->flags & kStyleBottom) {
    // From the last line upwards: the lines hang from the bottom, anything above is the first.
    int32_t lineTop = top + layout->totalHeight;
    line = 0;
    for (int32_t i = layout->lineCount - 1; i >= 0; --i) {
      lineTop -= layout->lines[i].height;
      if (point.y >= lineTop) {
        line = i;
        break;
      }
    }
    if (point.y >= top + layout->totalHeight) return -1;
  } else {
    for (int32_t i = 0; i < layout->lineCount; ++i) {
      top += layout->lines[i].height;
      if (point.y < top) {
        line = i;
        break;
      }
    }
    if (line < 0) return -1;
  }
  const TextLine& l = layout->lines[line];
  // Measured from where the line is drawn, whatever the alignment.
  int32_t dx = point.x - TextLayoutLineX(layout, line);
  int32_t fit = TextFitCountWith(&layout->measurer, layout->text + l.start, l.count, dx);
  if (fit == -2) return line == 0 ? -2 : l.start;
  if (fit == -1) return line == layout->lineCount - 1 ? -1 : l.start + l.count;
  return l.start + fit;
}

POINT TextLayoutCaretPoint(const TextLayoutRecord* layout, int32_t index) {
  if (layout->lineCount == 0) return POINT{layout->rect.left, layout->rect.top};
  if (index == -2 || index < 0) index = index == -1 ? layout->length : 0;
  if (index > layout->length) index = layout->length;
  int32_t line = 0;
  for (int32_t i = 1; i < layout->lineCount && layout->lines[i].start <= index; ++i) line = i;
  const TextLine& l = layout->lines[line];
  int32_t before = index - l.start;
  if (before > l.count) before = l.count;
  if (before < 0) before = 0;
  int32_t x = TextLayoutLineX(layout, line) +
              TextWidthWith(&layout->measurer, layout->text + l.start, before);
  int32_t y = TextLayoutLineTop(layout, line) + l.height - 2;
  return POINT{x, y};
}

// --- On the current port -----------------------------------------------------------------------

namespace {

int32_t Length(const char* text) {
  int32_t n = 0;
  if (text) {
    while (text[n]) ++n;
  }
  return n;
}

// Large: callers keep one on the heap rather than the stack of a deep paint.
TextLayoutRecord* LayoutOnPort(const RECT* rect, const char* text) {
  auto* layout = static_cast<TextLayoutRecord*>(MemAlloc(sizeof(TextLayoutRecord), 0));
  if (!layout) return nullptr;
  TextMeasurer measurer = TextMeasurerOfPort();
  TextLayout(layout, text, Length(text), rect, Gfx.style.flags, Gfx.style.lineHeight, &measurer);
  return layout;
}

void DrawRun(int32_t x, int32_t y, const RECT* clip, const char* text, int32_t start,
             int32_t length, const TextSpan* spans) {
  if (spans) {
    DrawTextRuns(x, y, clip, text, start, length, spans);
  } else {
    TextOut(x, y, clip, text + start, length);
  }
}

}  // namespace

void TextFitRect(RECT* rect, const char* text) {
  TextLayoutRecord* layout = LayoutOnPort(rect, text);
  if (!layout) return;
  rect->right = rect->left + layout->widest;
  rect->bottom = rect->top + layout->totalHeight;
  MemFree(layout);
}

int32_t TextHitTest(const RECT* rect, const char* text, POINT point) {
  if (point.y < rect->top) return -2;
  TextLayoutRecord* layout = LayoutOnPort(rect, text);
  if (!layout) return -1;
  int32_t index = TextLayoutHitTest(layout, point);
  MemFree(layout);
  return index;
}

void TextCaretPoint(POINT* point, const RECT* rect, const char* text, int32_t index) {
  TextLayoutRecord* layout = LayoutOnPort(rect, text);
  if (!layout) {
    *point = POINT{rect->left, rect->top};
    return;
  }
  *point = TextLayoutCaretPoint(layout, index);
  MemFree(layout);
}

void TextDrawLine(const RECT* rect, const char* text, const TextSpan* spans) {
  int32_t n = Length(text);
  if (n == 0) return;
  RECT clip = *rect;
  int32_t x = rect->left;
  int32_t y = rect->top - 1;
  uint16_t flags = Gfx.style.flags;
  if (flags & kStyleAlignMask) {
    int32_t width = TextWidthN(text, n);
    int32_t height = TextExtent(text, n).height;
    if (flags & kStyleRight) {
      x = rect->right - width;
      clip.right += 9;
    }
    if (flags & kStyleBottom) y = rect->bottom - height;
    if (flags & kStyleCentre) x = (rect->right - width + rect->left - 1) / 2;
    if (flags & kStyleMiddle) y = (rect->bottom - height + y + 1) / 2;
  } else if (text[0] == 'W') {
    ++x;
  }
  DrawRun(x, y, &clip, text, 0, n, spans);
}

void TextDrawLineFitting(const RECT* rect, const char* text) {
  int32_t n = Length(text);
  const int32_t room = rect->right - rect->left;
  if (n == 0 || TextWidthN(text, n) <= room) {
    TextDrawLine(rect, text, nullptr);
    return;
  }
  static constexpr char kEllipsis[] = "\xE2\x80\xA6";
  const int32_t ellipsis = TextWidthN(kEllipsis, 3);
  const char* end = text + n;
  while (end > text && TextWidthN(text, static_cast<int32_t>(end - text)) + ellipsis > room) {
    Utf8PrevChar(&end);
  }
  char* shown = static_cast<char*>(MemNew(end - text + sizeof kEllipsis));
  if (!shown) return;
  std::memcpy(shown, text, end - text);
  std::memcpy(shown + (end - text), kEllipsis, sizeof kEllipsis);
  TextDrawLine(rect, shown, nullptr);
  MemFree(shown);
}

void TextDrawLines(const RECT* rect, const char* text, const TextSpan* spans) {
  TextLayoutRecord* layout = LayoutOnPort(rect, text);
  if (!layout) return;
  bool right = layout->flags & kStyleRight;
  int32_t top = layout->top;
  for (int32_t i = 0; i < layout->lineCount; ++i) {
    const TextLine& line = layout->lines[i];
    RECT clip{rect->left, top > rect->top ? top : rect->top, rect->right + (right ? 9 : 0),
              top + line.height + 3 < rect->bottom ? top + line.height + 3 : rect->bottom};
    if (clip.bottom > clip.top && line.count > 0) {
      DrawRun(TextLayoutLineX(layout, i), top, &clip, text, line.start, line.count, spans);
    }
    top += line.height;
  }
  MemFree(layout);
}

void TextDrawInRect(const RECT* rect, const char* text, const TextSpan* spans) {
  if (!text || !text[0]) return;
  HDC dc = PortDC();
  if (!dc) return;
  int oldMode = SetBkMode(dc, TRANSPARENT);
  bool hasBreak = false;
  for (const char* p = text; *p; ++p) {
    if (*p == '\r' || *p == '\n') {
      hasBreak = true;
      break;
    }
  }
  if (rect->bottom - rect->top < 18 || (!(Gfx.style.flags & kStyleWrap) && !hasBreak)) {
    TextDrawLine(rect, text, spans);
  } else {
    TextDrawLines(rect, text, spans);
  }
  SetBkMode(dc, oldMode);
}

void DrawTextRuns(int32_t x, int32_t y, const RECT* clip, const char* text, int32_t start,
                  int32_t length, const TextSpan* spans) {
  const TextSpan* span = spans;
  while (span && span->next && span->next->start <= start) span = span->next;
  if (!span) {
    TextOut(x, y, clip, text + start, length);
    return;
  }
  uint16_t oldEmphasis = Gfx.style.flags & kStyleEmphasisMask;
  int32_t oldColour = Gfx.foreColour;
  int32_t end = start + length;
  int32_t p = start;
  while (p < end && span) {
    int32_t runEnd = span->next && span->next->start < end ? span->next->start : end;
    if (runEnd > p) {
      TextSetEmphasis(span->flags & kStyleEmphasisMask);
      PortSetForeIndex(span->colour);
      TextOut(x, y, clip, text + p, runEnd - p);
      // Runs join at their advance, so a word split between two runs keeps its spacing.
      x += TextExtent(text + p, runEnd - p).width;
      p = runEnd;
    }
    span = span->next;
  }
  TextSetEmphasis(oldEmphasis);
  PortSetForeIndex(oldColour);
}
