#pragma once
// Small pieces the document windows share: byte-size texts, the names of the palette colours,
// HTML table cells of the information and export pages, the kind of the system's own content
// on the clipboard, zoom rectangles and their animation, and a few element factories.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/regions.h"

class T_EventHandler;
class T_Text;
class T_Edit;
class T_OStream;
struct SignatureStamp;
struct T_TextBuf;

// --- Byte sizes ---------------------------------------------------------------------------

// "-" for a negative size; else the value, a blank and "bytes", "KB", "MB" or "GB" with as many
// decimals as the magnitude deserves (0 bytes read "0 KB").
void FormatByteSize(T_TextBuf* out, int64_t bytes);
// The byte-size text right-aligned in the rectangle on the current port: the rectangle is erased
// from 3 pixels left of the text to its right edge.
void DrawByteSize(const RECT* rect, int64_t bytes);

// --- Colour names -------------------------------------------------------------------------

// The text id that names a palette colour (2400 to 2416), 0 for an index without a name.
int32_t ColourNameId(int32_t index);
// Its text in the current language; null for an index without a name.
const char* ColourName(int32_t index);

// --- HTML cells ---------------------------------------------------------------------------

// "<td width="w"> " (width >= 1) or "<td> ", the escaped text, " </td>" and a line end.
void HtmlWriteCell(T_OStream* stream, const char* text, int32_t width);
// A table row of a label cell of the width and a value cell.
void HtmlWriteRow(T_OStream* stream, const char* label, const char* value, int32_t labelWidth);
// A row of the label text and the stamp; nothing for an empty stamp.
void HtmlWriteStampRow(T_OStream* stream, const SignatureStamp* stamp, int32_t labelTextId);

// --- Clipboard content kinds --------------------------------------------------------------

// The kinds name the content: they are the text ids of its label in the Paste command.
constexpr int32_t kContentNone = 0;
constexpr int32_t kContentSelection = 3127;
constexpr int32_t kContentSelections = 3128;
constexpr int32_t kContentFormula = 3130;
constexpr int32_t kContentFormulas = 3131;
constexpr int32_t kContentVariables = 3134;
constexpr int32_t kContentSubset = 3135;
constexpr int32_t kContentSubsets = 3136;
constexpr int32_t kContentWebUser = 7217;
constexpr int32_t kContentWebUsers = 2508;
constexpr int32_t kContentAuthorizations = 7210;

// The kind of the clipboard's text; kContentNone when it holds no text or none of ours.
int32_t ClipboardContentKind();
// The kind of a text from the section markers that open its lines (null: none).
int32_t ContentKindOfText(const char* text);
// True when a non-zero code occurs in the zero-terminated list (null: an empty list).
bool IsCodeInList(int32_t code, const uint16_t* list);
// When the clipboard holds one of our kinds: the Paste entry names it and is enabled when
// allowed and the kind is among the accepted ones (a zero-terminated list).
void EnablePasteForKinds(const uint16_t* accepted, bool allowed);

// --- Zoom rectangles ----------------------------------------------------------------------

// Axis modes of a zoom rectangle: free, full height (a range of columns), full width.
constexpr int32_t kZoomFree = 0;
constexpr int32_t kZoomColumns = 1;
constexpr int32_t kZoomRows = 2;
// The zoom cursors; the press's cursor id switches between them when AltGr changed meanwhile.
constexpr int32_t kCursorZoomIn = 4200;
constexpr int32_t kCursorZoomOut = 4201;
// Results of TrackZoomRect.
constexpr int32_t kZoomNothing = 0;  // changed state without a rectangle, or left the hit region
constexpr int32_t kZoomClick = 1;
constexpr int32_t kZoomRectangle = 2;
constexpr int32_t kZoomLongPress = 3;
constexpr uint64_t kZoomLongPressMs = 3000;

// The rectangle between the press and the pointer: a pointer right of or below the press counts
// one pixel further; with Shift the pointer is mirrored through the press; the axis modes make
// it span the full height or width.
RECT ZoomTrackRect(POINT press, POINT pointer, bool shift, int32_t axisMode);
// Whether a tracked rectangle is large enough to be shown (and to count).
bool ZoomRectShown(const RECT* rect, int32_t axisMode, int32_t minimum);
// Tracks the pointer from the press while the button is held, showing the inverted dotted frame
// of the rectangle on the current port. With a hit region, a release while the pointer stayed
// in it is a click; a highlight, when given, is inverted meanwhile. With a
// cursor id, AltGr held unlike at the press shows the other zoom cursor, and a release in that
// state switches the id. Returns one of the kZoom results; the rectangle only with
// kZoomRectangle.
int32_t TrackZoomRect(const InputEvent* press, RECT* rect, int32_t axisMode, int32_t minimum,
                      int32_t* cursorId, const Region* highlight, const Region* hit);
// For tests: the input TrackZoomRect polls (buttons, modifiers, point and time); null goes back
// to the real input.
void SetZoomTrackInput(void (*poll)(InputEvent* event));
// The input the zoom tracking reads: buttons, modifiers, point and time (the seam above when set).
void PollZoomTrack(InputEvent* event);

// Zooming out: the rectangle (the outer one) becomes the rectangle that the scaling from the
// inner one to the outer one maps the outer one onto. An empty inner rectangle changes nothing.
void RectZoomOut(RECT* rect, const RECT* inner);
// Frame k of 12 of the zoom animation: k/12 of the way from one rectangle to the other.
RECT ZoomFrameRect(const RECT* from, const RECT* to, int32_t k);
// Draws the zoom animation on the current port (about a quarter of a second); the port is left
// as it was.
void AnimateZoomRect(const RECT* from, const RECT* to);
// A one-pixel frame in the current brush, or a dotted one.
void DrawRectFrame(const RECT* rect, bool patterned);

// --- Texts and factories ------------------------------------------------------------------

// In place: TAB becomes a blank, other control characters but CR are dropped, blanks before a
// CR and trailing blanks and control characters go.
void TidyMultilineText(T_TextBuf* text);
// An opened text item showing the text of the id; null when memory runs out.
T_Text* NewTextItem(T_EventHandler* parent, const XYWH& rect, int32_t textId);
// A framed, opened edit field that swallows Enter, with the text (null: empty); null when
// memory runs out.
T_Edit* NewEditItem(T_EventHandler* parent, const XYWH& rect, uint32_t id, const char* text);
