#pragma once
// Links shown inside the texts of items: drawn in link colour, highlighted under the pointer,
// followed on a click, edited through their context menu, and positions mapped between the text
// with markup and the text as shown.
//
// Every operation takes the element (for its link context), the rectangle the text occupies in
// the element's coordinates and the text with markup. Drawing and caret operations draw on the
// current port when one is open and open one on the element otherwise; the pointer operations
// always open their own.
//
// The link menu: while LinkMenu_Run shows it, the clicked link is the current context-menu link
// of its element, and the element's ContextMenu (selector 3200) reaches LinkMenu_Handle. Menu
// commands that change the text act on the link's edit buffer; a link without one is read-only.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "core/text_buffer.h"
#include "ui/link_markup.h"

class T_GrafElement;
struct InputEvent;
struct ContextMenuRecord;

// Link modes of an item: 0 plain text; 1, 2 and 3 the text may hold links.
constexpr int32_t kLinkModePlain = 0;
constexpr int32_t kLinkModeLive = 1;
// Ways of showing a text.
constexpr int32_t kLinkShowRaw = 0;    // the text as it stands, markup visible
constexpr int32_t kLinkShowLinks = 1;  // links in link colour
constexpr int32_t kLinkShowPlain = 2;  // the plain text, no link colours

// Palette colour of a pressed link.
constexpr uint16_t kLinkPressedColour = 15;
constexpr uint32_t kLinkCursor = 32512;  // the system arrow

// Link menu commands (text ids).
constexpr uint16_t kLinkMenuCut = 213;
constexpr uint16_t kLinkMenuCopy = 214;
constexpr uint16_t kLinkMenuErase = 216;
constexpr uint16_t kLinkMenuDuplicate = 217;
constexpr uint16_t kLinkMenuProperties = 730;
constexpr uint16_t kLinkMenuFreeze = 731;
constexpr uint16_t kLinkMenuEnclosingFolder = 732;  // the file is missing
constexpr uint16_t kLinkMenuOpenFolder = 733;       // the file exists

// How the text is shown for the item's link mode and focus.
int32_t LinkText_ShowMode(T_GrafElement* element, int32_t linkMode, const char* text, bool focused);

// Draws a text with links in its runs (links 21, the rest 10), the link whose span starts at
// hoveredLink (-1 none) with the hot flag; a text without links as it stands; nothing for null.
void LinkText_Draw(T_GrafElement* element, const RECT* rect, const char* text,
                   int32_t hoveredLink = -1);

// On pointer moves: *hoveredLink becomes the plain start of the link under the point (the
// character under it or the one before it), -1 for none; a change redraws the text. The arrow
// cursor is set while over a link.
void LinkText_TrackHover(T_GrafElement* element, const RECT* rect, const char* text, POINT point,
                         int32_t* hoveredLink);

// A press on a link: true when the press was on one. A right press runs the link menu; a left
// press tracks the pointer until the release and follows the link when released over it. With
// an edit buffer, the buffer first receives a copy of the text and the link (and its menu)
// works on it; the caller compares it with its text afterwards.
bool LinkText_Click(T_GrafElement* element, const RECT* rect, const char* text,
                    const InputEvent* event, T_TextBuf* editBuffer);

// The byte index in the text with markup for a point: inside a link's text, nearer its end than
// its start, the index lies after the link's whole markup, else before it.
int32_t LinkText_SourceIndexAt(T_GrafElement* element, const RECT* rect, const char* text,
                               POINT point);

// The caret point for a byte index of the text with markup (-1 the end, -2 the start); an index
// inside a link's markup stands before the link. With state non-zero a caret bar from 10 pixels
// above to 2 below the point is inverted there (a second call erases it).
POINT LinkText_DrawCaret(T_GrafElement* element, int32_t state, const RECT* rect, const char* text,
                         int32_t sourceIndex);

// --- The link menu ---------------------------------------------------------------------------

// Runs the link menu of the element at the event's point with the link as its current link.
void LinkMenu_Run(T_GrafElement* element, LinkRef* link, const InputEvent* event);
// The element's part of the link menu protocol; false when the element runs no link menu now.
bool LinkMenu_Handle(T_GrafElement* element, ContextMenuRecord* record, int32_t phase);

// --- The link properties dialog ----------------------------------------------------------------

// Opens the dialog on the link (whose edit buffer it rewrites on OK); true when the user
// confirmed. The dialog layer installs itself; until then nothing opens.
using LinkEditorOpener = bool (*)(LinkRef* link, T_GrafElement* element);
void SetLinkEditorOpener(LinkEditorOpener opener);
bool LinkEditor_Open(LinkRef* link, T_GrafElement* element);
