#include "database/dimension_editor_hooks.h"

namespace {

ComponentsAsExpandedMapper mapper = nullptr;
DimensionEditorOpenQuery openQuery = nullptr;

}  // namespace

bool MapComponentsAsExpanded(int64_t* map, T_Base* database, int32_t dimension) {
  return mapper && map && database && mapper(map, database, dimension);
}

void SetComponentsAsExpandedMapper(ComponentsAsExpandedMapper given) { mapper = given; }

bool DimensionEditorIsOpen(T_Base* database, int32_t dimension) {
  return openQuery && database && openQuery(database, dimension);
}

void SetDimensionEditorOpenQuery(DimensionEditorOpenQuery given) { openQuery = given; }
