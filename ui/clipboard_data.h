#pragma once
// Texts and bitmaps on the system clipboard, and the kind of data it holds (0 none, 1 Unicode
// text, 2 a bitmap), which the application follows to enable its Paste commands.
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/pictures.h"

constexpr int32_t kClipboardNone = 0;
constexpr int32_t kClipboardText = 1;
constexpr int32_t kClipboardBitmap = 2;
// The notify code the application receives when the clipboard kind changes.
constexpr int32_t kNotifyClipboardChanged = 19;

// Called whenever the application must hear of the clipboard (notify code 19); the application
// object installs it.
using ClipboardListener = void (*)();
void SetClipboardListener(ClipboardListener listener);

// Opens the clipboard for the owner window (null: none), waiting up to half a second while
// another program holds it: clipboard viewers and managers open it for a moment after every
// change, so a single try fails now and then for no lasting reason.
bool ClipboardOpen(HWND owner);

// A duplicate of the holder's bitmap goes to the clipboard as CF_BITMAP (owner: the frame
// window); the kind becomes 2. False when the clipboard cannot be had.
bool BitmapToClipboard(const BitmapHolder* holder);
// The n bytes of UTF-8 as CF_UNICODETEXT; every lone CR is written as CR LF unless flag 1.
bool ClipboardSetText(const char* text, int32_t n, uint32_t flags);
// CF_UNICODETEXT as a new UTF-8 MemAlloc block (CR LF read as CR), or null.
char* ClipboardReadText();
// Reads the kind from the clipboard and tells the application when it is or was not 0.
int32_t ClipboardRefreshKind();
int32_t ClipboardDataKind();
