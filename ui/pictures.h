#pragma once
// Bitmaps and the numbered pictures of the program, drawn on the current graphics port.
//
// Picture ids and their sizes:
//   1..1999      32 x 32 icon resources
//   2000..3799   16 x 16 bitmap resources
//   3800..3807   13 x 13, cells of toolbar strip 100 (16 x 16 cells)
//   3808..3826   16 x 16, cells of toolbar strip 110
//   3827..3999   26 x 26, cells of toolbar strip 111 (8 cells per row)
//   4000 and up  bitmap resources of their own size
// In bitmaps and strips white stands for the background. User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/graphics_port.h"

struct BitmapHolder {
  RECT rect{};
  HBITMAP bitmap = nullptr;
};

// A new screen-compatible bitmap with a copy of the pixels; null on failure.
HBITMAP BitmapDuplicate(HBITMAP bitmap);
// Writes a Windows bitmap file of 8 bits per pixel (layout in pictures.cpp). False with the
// file's pending error when it cannot be written.
bool BitmapSaveFile(const char* path, HBITMAP bitmap);
void BitmapHolderInit(BitmapHolder* holder);
void BitmapHolderFree(BitmapHolder* holder);
bool BitmapHolderSave(const BitmapHolder* holder, const char* path);

void DrawIconInRect(const RECT* rect, HICON icon);
// Rectangles 40 pixels wide or more are copied directly (ANDed onto white-like backgrounds);
// narrower ones through an offscreen in which white shows what lies below.
void DrawBitmapInRect(const RECT* rect, HBITMAP bitmap);

// The size of a picture at (0, 0); empty for ids without a picture.
RECT PictureGetRect(int32_t id);
// Draws the picture into the rectangle; ids that cannot be drawn erase the rectangle instead.
void PictureDraw(const RECT* rect, int32_t id);
void PictureDrawAt(int32_t x, int32_t y, int32_t id);
// A cell of the toolbar strips for ids 3800 and up (state chooses the column set or row).
void DrawToolbarPicture(const RECT* rect, int32_t id, int32_t state);
// The strip, cell rectangle and size of a toolbar picture; false for other ids.
bool ToolbarPictureCell(int32_t id, int32_t state, int32_t versionClass, int32_t* strip,
                        RECT* cell);
// White and light pixels at the edge of the picture, and next to white, take the background.
void SoftenEdges(OffscreenBitmap* offscreen);

// Every byte from 32 up becomes "*" (password display).
void MaskText(char* text);

// Drags an outline of a window-like element by its frame. The rectangle (the element's client
// area) and the point are in the window's client coordinates. True when the point lay on the
// frame; *moved then holds the total movement for the caller to apply.
bool DragFrameOutline(HWND window, const RECT* clientRect, POINT point, POINT* moved);
