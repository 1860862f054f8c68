#pragma once
// Anti-aliased drawing through GDI+ on the current graphics port. Colours are ARGB (alpha in
// the top byte, 0xFF opaque); the outline and line primitives without a colour argument draw in
// the port's foreground colour. Each call makes its own GDI+ objects and deletes them again.
//
// On a printer port, and whenever GDI+ is not running, the same shapes are drawn with plain GDI
// instead, so printed controls and a system without GDI+ keep their shapes.
// User-interface thread only.
#include <windows.h>

#include <cstdint>

// Starts and stops GDI+ for the process (the program entry calls these once).
bool AaStartup();
void AaShutdown();

void AaEllipse(const RECT* rect);
void AaEllipseWidth(const RECT* rect, int32_t width);
void AaRectOutline(const RECT* rect, uint32_t argb);
void AaRoundRect(const RECT* rect, int32_t radius, int32_t width, uint32_t argb);
void AaFillRect(const RECT* rect, uint32_t argb);
void AaGradientH(const RECT* rect, uint32_t from, uint32_t to);
void AaGradientV(const RECT* rect, uint32_t from, uint32_t to);
void AaGradientAngle(const RECT* rect, uint32_t from, uint32_t to, float angle);
void AaLine(POINT a, POINT b);
void DrawLineSmooth(int32_t x, int32_t y, int32_t dx, int32_t dy);
// The line drawn penWidth x penHeight times, each copy shifted by one pixel.
void AaThickLine(int32_t x, int32_t y, int32_t dx, int32_t dy, int32_t penWidth, int32_t penHeight);
// A small triangle centred in the rectangle, pointing up (0), down (1), left (2) or right (3).
void AaArrow(const RECT* rect, int32_t state, int32_t direction);
// The corners of that triangle (tip first).
void AaArrowPoints(const RECT* rect, int32_t direction, POINT points[3]);

COLORREF ArgbToColour(uint32_t argb);
