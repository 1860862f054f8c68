#pragma once
// Dragging a column title to another place in the column order, for windows whose columns stand
// for movable things (the function windows' variables). The first field stays in front.
//
// User-interface thread only.
#include "analysis/boxwin/box_window.h"

// Tracks the press on the field's title while the button is held: the title is framed, and the
// drop place between two titles is marked. The field after which the dragged column is to go (the
// first field: to the front), or null when no place was chosen or the pointer moved 2 pixels or
// less.
T_BoxField* TrackColumnTitleDrag(T_BoxWin* window, const InputEvent* press, T_BoxField* field);
