#pragma once
// The themed parts of the controls (button faces and frames, check boxes, tabs, scroll bars and
// size grips), painted with the anti-aliased primitives on the current graphics port in the
// colours of the look tables. The controls choose by the Windows version class which parts they
// use. Control states: 0 normal, 1 disabled, 2 pressed, 3 hovered, 4 highlighted or default.
// Directions: 0 up, 1 down, 2 left, 3 right. User-interface thread only.
#include <windows.h>

#include <cstdint>

// The first half of the rectangle (split at its middle plus the offset) with a gradient from
// colour 0 to 1, the second from 2 to 3; a horizontal gradient splits left and right.
void PaintTwoToneGradient(const RECT* rect, bool horizontal, const uint32_t colours[4],
                          int32_t offset);
void PaintFaceGradient(const RECT* rect, bool pressed);
void PaintButtonFace(const RECT* rect, int32_t state, bool horizontal);
void PaintFrameByState(const RECT* rect, int32_t state);
// kind: the strip column (0 normal, 1 disabled, 2 hovered, 3 pressed); mark: 0 none, 1 check,
// 2 dot, 3 square (undecided).
void PaintCheckBox(const RECT* rect, int32_t kind, int32_t mark);
void PaintTab(const RECT* rect, const char* caption, int32_t state);
void PaintTabHighlight(const RECT* rect, int32_t state);
void PaintTabBaseLine(const RECT* rect);
void PaintScrollTrack(const RECT* rect, int32_t state);
void PaintScrollGutter(const RECT* rect, bool vertical);
void PaintScrollFace(const RECT* rect, int32_t state, bool vertical);
void PaintScrollFrame(const RECT* rect, int32_t state);
void PaintScrollButton(const RECT* rect, int32_t state, int32_t direction);
void PaintScrollThumb(const RECT* rect, int32_t state, bool vertical);
void PaintGrip(const RECT* rect, int32_t state, bool vertical);

// The six corners of a tab's outline, from the bottom left up and round to the bottom right.
void TabShapePoints(const RECT* rect, int32_t state, POINT points[6]);
