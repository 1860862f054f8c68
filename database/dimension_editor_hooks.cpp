#include "database/dimension_editor_hooks.h"

namespace {

ComponentsAsExpandedMapper mapper = nullptr;

}  // namespace

bool MapComponentsAsExpanded(int64_t* map, T_Base* database, int32_t dimension) {
  return mapper && map && database && mapper(map, database, dimension);
}

void SetComponentsAsExpandedMapper(ComponentsAsExpandedMapper given) { mapper = given; }
