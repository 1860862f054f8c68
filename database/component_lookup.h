#pragma once
// Finding components of a dimension by what a user or a file names them with: exact codes and
// host codes through the dimension's indexes, and prefix and floor searches over texts and host
// codes in their plain form (link markup removed). The searches compare under the dimension's
// case rule of the field: exactly under rule 4, ignoring letter case under every other rule.
// The T_Base lookups (FindComponentByKey, FindDimByName, ...) are declared in database/base.h.
//
// User-interface thread only (see T_Base).
#include <cstdint>

#include "database/model_records.h"

class T_Base;

// Null when the index does not exist or holds no such key.
ComponentRecord* FindByCode(T_Base* base, int32_t dimension, const char* key);
ComponentRecord* FindByHostCode(T_Base* base, int32_t dimension, const char* key);
// The first component in tree order whose text equals the key under the dimension's text rule;
// a linear walk.
ComponentRecord* FindByText(T_Base* base, int32_t dimension, const char* key);
// Of the components whose text (host code) begins with the key, the one with the smallest; the
// first in tree order among equals; components without one are passed over. Linear walks.
ComponentRecord* FindByTextPrefix(T_Base* base, int32_t dimension, const char* key);
ComponentRecord* FindByHostPrefix(T_Base* base, int32_t dimension, const char* key);
// The component with the greatest host code that does not exceed the key; null when none does.
ComponentRecord* FindByHostFloor(T_Base* base, int32_t dimension, const char* key);
