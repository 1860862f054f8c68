#pragma once
// The colours of the controls' looks, in one table: three colour looks (blue, olive, silver,
// chosen from the system highlight colour) of six ARGB colours each, and four sets of five ARGB
// colours for the button states. Pure data and pure choices; no drawing.
#include <windows.h>

#include <cstdint>

constexpr int32_t kLookBlue = 0;
constexpr int32_t kLookOlive = 1;
constexpr int32_t kLookSilver = 2;

// Roles of the six colours of a look.
constexpr int32_t kLookMark = 0;    // check marks and glyphs; the first row of a size grip
constexpr int32_t kLookFrame = 1;   // check-box frame; the second row of a size grip
constexpr int32_t kLookGutter = 2;  // 2..5: the four stops of the scroll gutter's two-tone gradient

struct LookColours {
  uint32_t colour[6];
  int32_t gutterOffsetHorizontal;  // where the gutter gradient splits, from the middle
  int32_t gutterOffsetVertical;
};

// Roles of the five colours of a button-state set: four gradient stops, then the frame.
constexpr int32_t kStateFrame = 4;

struct StateColours {
  uint32_t colour[5];
};

const LookColours* LookColoursOf(int32_t look);
// The look for a system highlight colour: olive within distance 24 of 0x70A093, silver within
// 36 of 0xBFB4B2, else blue.
int32_t LookForHighlight(COLORREF highlight);
// The look of this system, or the one forced by LookOverride (-1 clears it).
int32_t CurrentLook();
void LookOverride(int32_t look);

// The set of a control state: 1 disabled, 2 pressed, 3 hovered; every other state the normal set.
const StateColours* StateColoursOf(int32_t state);
// The four fixed colour sets of a scroll track: state 1, 2, 3 and any other state.
const StateColours* ScrollTrackColoursOf(int32_t state);
