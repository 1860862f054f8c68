#pragma once
// Links inside user texts: the markup, its parser, the layout of a text with links into the text
// as shown plus link spans, the canonical writer and the plain and HTML writers.
//
// Three forms of markup stand in the text itself (KEY is "href", "file" or the tag of a handler
// registered in the text's link context, see ui/link_handler.h):
//
//   form     example                            kind               link text
//   tagged   <a href="x.com/p">Prices</a>       URL, file, handler between the tags ("link" if
//                                                                  only blanks)
//   short    file="C:\a\b.txt"   card="17-3"    file, handler      the value
//   bare     http://x.com/p/                    URL                the address after "//",
//                                                                  without trailing slashes
//
// Attribute names and "</a>" are found ignoring letter case; the short keywords and the URL
// schemes ("shttp:", "http:", "https:", "file:", "ftp:", "afp:", "vnc:") compare exactly. Tagged
// values may carry "%" and two upper-case hexadecimal digits for a byte (never a control byte).
//
// A null context stands for a context without handlers, base path or class text. Texts are
// UTF-8; positions are byte offsets. User-interface thread only (handlers may open windows).
#include <cstdint>

#include "core/text_buffer.h"
#include "ui/text_layout.h"

class T_LinkContext;
class T_LinkHandler;
class T_OStream;

// Link kinds.
constexpr uint32_t kLinkNone = 0;
constexpr uint32_t kLinkFile = 1;
constexpr uint32_t kLinkUrl = 2;
constexpr uint32_t kLinkHandler = 3;

// Palette colours of the runs of a text with links.
constexpr uint16_t kLinkColour = 21;
constexpr uint16_t kLinkPlainColour = 10;
// Span flag of the hovered or pressed link.
constexpr uint16_t kLinkSpanHot = 4;

// One parsed link.
struct LinkRef {
  T_LinkContext* context = nullptr;
  uint32_t kind = kLinkNone;
  T_LinkHandler* handler = nullptr;  // for kLinkHandler
  T_TextBuf text;                    // the shown link text
  T_TextBuf target;                  // the file path, URL or handler target
  const char* sourceText = nullptr;  // the text the link was found in (set by editing callers)
  T_TextBuf* editBuffer = nullptr;   // the text being edited; null for a read-only text
  int32_t start = 0;                 // byte offset of the markup in the source text
  int32_t length = 0;                // bytes of the markup
};

// --- Span lists -----------------------------------------------------------------------------
//
// The runs of a laid-out text: a sorted list of TextSpan nodes from a head at 0 to a sentinel at
// 2147483647, both colour 10. Inserted nodes come from the list's free list or MemAlloc and
// return to the free list; the list frees them all when it is destroyed.
constexpr int32_t kSpanEnd = 2147483647;

struct SpanList {
  TextSpan head;
  TextSpan sentinel;
  TextSpan* freeNodes;

  SpanList();
  ~SpanList();
  SpanList(const SpanList&) = delete;
  SpanList& operator=(const SpanList&) = delete;

  const TextSpan* first() const { return &head; }
};

// Back to the head and the sentinel, colour 10 without flags.
void SpanListReset(SpanList* list);
// Gives the range [start, end) the flags and colour, splitting runs at both ends and merging
// neighbours that end up equal. False (and no change) when memory for a node runs out; an empty
// range changes nothing.
bool SpanListMark(SpanList* list, int32_t start, int32_t end, uint16_t flags, uint16_t colour);
// The node whose run holds the position (the head for positions below 0).
TextSpan* SpanListFind(SpanList* list, int32_t position);

// --- Parsing and layout ---------------------------------------------------------------------

// Quick test before every other operation: true when one of the three markup triggers stands in
// the text. A null text has no links.
bool LinkText_HasLinks(const T_LinkContext* context, const char* text);
// Finds the next link at or after *text with the handlers of link->context. The bytes before it
// go into prefix (may be null), the link into link, and *text moves behind its markup; the
// markup's start and length count from link->sourceText when it is set, else from the position
// *text had. At the end of the text the result is false, link's kind 0 with empty texts, and
// neither prefix nor *text changes: the rest of the text is at *text.
bool LinkText_Parse(LinkRef* link, const char** text, T_TextBuf* prefix);

// Lays the text out as shown: the prefixes and link texts in order (a piece starting with a
// carriage return gets a blank in front when something precedes it) into plain. With spans,
// every link text is marked in colour 21 and the rest keeps colour 10. With an index map of one
// entry per source byte, a prefix byte maps to its plain position and a markup byte to the
// plain position just after its link's text. With hit >= 0, the first link whose text covers
// the plain position (start <= hit <= start + length) is copied into hitLink with its markup
// position in the source; the result tells whether one was found. Spans, indexMap and hitLink
// may be null.
bool LinkText_Layout(T_LinkContext* context, const char* text, T_TextBuf* plain, SpanList* spans,
                     uint16_t* indexMap, int32_t hit, LinkRef* hitLink);

// --- Writing markup -------------------------------------------------------------------------

// The canonical markup of the link. A form that would not read back as the same link (a target
// holding a double quote, a bare address that running text would lengthen) gives way to the
// tagged form, whose value carries "\"", "%", "<" and ">" as "%" and two hexadecimal digits.
void LinkRef_WriteMarkup(const LinkRef* link, T_TextBuf* out);
// Every link of the text rewritten in canonical form after the context's AdjustLink and the
// handler's StripOwnBase; two links never touch (a blank between), and when the text ends with
// a link the blanks before the end go. A result that would not fit a text leaves it unchanged.
void LinkText_Normalize(T_LinkContext* context, T_TextBuf* text);
// What an edit field does with a committed text: mode 1 normalises it, mode 4 replaces it by its
// plain text, other modes leave it.
void LinkText_Apply(T_LinkContext* context, T_TextBuf* text, int32_t mode);
// The markup of a dropped file: a tagged file link showing the file name.
void LinkText_FileLinkMarkup(T_TextBuf* out, const char* path);

// --- The text as shown ----------------------------------------------------------------------

// Replaces a text holding links by its plain text.
void LinkText_StripBuf(T_LinkContext* context, T_TextBuf* text);
// Copies the plain text into out (the text itself when it has no links; null gives empty).
void LinkText_ToPlain(T_LinkContext* context, T_TextBuf* out, const char* text);
// The text itself when it has no links, else its plain text laid out in scratch.
const char* LinkText_PlainText(T_LinkContext* context, T_TextBuf* scratch, const char* text);
// The plain text, unescaped.
void LinkText_WritePlain(T_LinkContext* context, T_OStream* stream, const char* text);
// The plain display form of length bytes for the folded text criteria (core/criteria.h's
// CriteriaPlainForm); linkContext is a T_LinkContext or null.
void LinkText_CriteriaPlainForm(void* linkContext, const char* text, int32_t length,
                                T_TextBuf* plain);

// --- HTML -----------------------------------------------------------------------------------
//
// Texts are XML-escaped. A URL link becomes an anchor (with the context's class text as its
// class in LinkText_WriteHtml) only when its target begins with one of the link schemes other
// than "file:" (see LinkUrl_IsSafeForPage); a handler link writes itself (WriteLink); any other
// link, relative addresses and "mailto:" among them, is its text in "<tt>" (LinkText_WriteHtml)
// or its text alone (LinkText_WriteHtmlPlain).
void LinkText_WriteHtml(T_LinkContext* context, T_OStream* stream, const char* text);
void LinkText_WriteHtmlPlain(T_LinkContext* context, T_OStream* stream, const char* text);

// True when the URL may stand as an anchor in a page: it begins with one of the link schemes
// ("http://" that the parser adds included) other than "file:". Every other address may run code
// or open a local file when clicked, wherever the page is shown.
bool LinkUrl_IsSafeForPage(const char* url);
// True when following the URL may hand it to the browser or the shell: a link scheme,
// "mailto:" or a "www." address. A relative name would make the shell start a program.
bool LinkUrl_IsSafeToFollow(const char* url);
