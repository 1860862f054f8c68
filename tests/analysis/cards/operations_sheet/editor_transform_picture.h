#pragma once
// The transform dialog over a card editor, painted in a translation unit of its own: the card
// editor's header and the cards window's header cannot meet in one.
#include "tests/ui/window_picture.h"

class T_Base;

namespace operations_sheet {

// The dialog over an editor of the database's first card; an empty picture when none opens.
ui_test::Picture EditorTransformPicture(T_Base* base);

}  // namespace operations_sheet
