#pragma once
// What the engine asks of a dimension's open editor. The editors layer fills the seam at
// start-up; until then the engine sees no editor open.
#include <cstdint>

class T_Base;

// When the dimension's editor is open: map[c] becomes, for each component c of the dimension that
// the editor holds, the component the editor shows for it (c itself when its row is shown, else
// its nearest shown ancestor, as the tree is expanded there), and the answer is true. Entries of
// other components stay as they were. False, the map untouched, when no editor is open. The map
// has an entry for every component record of the database (indexed by component number).
bool MapComponentsAsExpanded(int64_t* map, T_Base* database, int32_t dimension);

// Whether an editor of the dimension is open.
bool DimensionEditorIsOpen(T_Base* database, int32_t dimension);

using ComponentsAsExpandedMapper = bool (*)(int64_t* map, T_Base* database, int32_t dimension);
// Null puts the default (no editor open) back.
void SetComponentsAsExpandedMapper(ComponentsAsExpandedMapper mapper);

using DimensionEditorOpenQuery = bool (*)(T_Base* database, int32_t dimension);
// Null puts the default (no editor open) back.
void SetDimensionEditorOpenQuery(DimensionEditorOpenQuery query);
