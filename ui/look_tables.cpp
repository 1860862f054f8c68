#include "ui/look_tables.h"

#include "ui/graphics_port.h"

namespace {

// Blue, olive and silver, close to the three colour schemes of the Windows 5.1 look.
constexpr LookColours kLooks[3] = {
    {{0xFF21A121, 0xFF1C5180, 0xFFF3F1EC, 0xFFFEFEFB, 0xFFFEFEFB, 0xFFEEEDE5}, 0, 0},
    {{0xFF21A121, 0xFF93A070, 0xFFF2F1E7, 0xFFFDFDF8, 0xFFFDFDF8, 0xFFEDEBDD}, 0, 0},
    {{0xFF21A121, 0xFF7B7B93, 0xFFF1F1F5, 0xFFFEFEFF, 0xFFFEFEFF, 0xFFE9E9EE}, 0, 0},
};

// Normal, disabled, pressed and hovered, close to the push buttons of Windows 6.1.
constexpr StateColours kStates[4] = {
    {{0xFFF2F2F2, 0xFFEBEBEB, 0xFFDDDDDD, 0xFFCFCFCF, 0xFF707070}},
    {{0xFFF4F4F4, 0xFFF4F4F4, 0xFFF4F4F4, 0xFFF4F4F4, 0xFFADB2B5}},
    {{0xFFE5F4FC, 0xFFC4E5F6, 0xFF98D1EF, 0xFF68B3DB, 0xFF2C628B}},
    {{0xFFEAF6FD, 0xFFD9F0FC, 0xFFBEE6FD, 0xFFA7D9F5, 0xFF3C7FB1}},
};

// Scroll tracks: disabled, pressed, hovered, normal.
constexpr StateColours kTracks[4] = {
    {{0xFFF4F4F4, 0xFFF4F4F4, 0xFFF4F4F4, 0xFFF4F4F4, 0xFFE0E0E0}},
    {{0xFFB9B9B9, 0xFFD1D1D1, 0xFFD1D1D1, 0xFFB9B9B9, 0xFF9A9A9A}},
    {{0xFFE5E5E5, 0xFFF3F3F3, 0xFFF3F3F3, 0xFFE5E5E5, 0xFFC2C2C2}},
    {{0xFFE8E8E8, 0xFFF5F5F5, 0xFFF5F5F5, 0xFFE8E8E8, 0xFFD0D0D0}},
};

int32_t lookOverride = -1;

}  // namespace

const LookColours* LookColoursOf(int32_t look) {
  return &kLooks[look >= 0 && look < 3 ? look : kLookBlue];
}

int32_t LookForHighlight(COLORREF highlight) {
  if (ColourDistance(highlight, 0x70A093) < 24) return kLookOlive;
  if (ColourDistance(highlight, 0xBFB4B2) < 36) return kLookSilver;
  return kLookBlue;
}

int32_t CurrentLook() {
  if (lookOverride >= 0) return lookOverride;
  return LookForHighlight(GetSysColor(COLOR_HIGHLIGHT));
}

void LookOverride(int32_t look) { lookOverride = look >= 0 && look < 3 ? look : -1; }

const StateColours* StateColoursOf(int32_t state) {
  return &kStates[state >= 1 && state <= 3 ? state : 0];
}

const StateColours* ScrollTrackColoursOf(int32_t state) {
  switch (state) {
    case 1:
      return &kTracks[0];
    case 2:
      return &kTracks[1];
    case 3:
      return &kTracks[2];
    default:
      return &kTracks[3];
  }
}
