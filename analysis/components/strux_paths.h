#pragma once
// Node tokens and drill paths of the tree windows' web pages.
//
// A node token is the seven-digit short id of a text (core/short_ids.h): 4 digits of the text
// read as a big-endian number modulo 0xFFFFFD, then 3 digits of it modulo 0x3FFFB. A drill path
// names one component per view dimension, from the first:
//
//   part      bytes   meaning
//   ":"       1       follows the value type letter of the link
//   "x"       0 or 1  the view dimensions after the last item count only their root (own lines)
//   item      8 each  the token of the component's code, then "!" (its own lines only) or ":"
//                     (the component with everything below it)
//
// A missing ":", an item that is cut short or whose token names no component of its view
// dimension ends the resolution there.
#include <cstdint>

#include "analysis/components/strux_template.h"

class T_Base;
struct ComponentRecord;
struct SelectionDef;
struct T_TextBuf;

// Appends the 7-character token of the text.
void WebNodeToken(T_TextBuf* out, const char* text);
// The first component of the dimension in pre-order (the root first, its code counting as
// empty) whose code has the token; null for none.
ComponentRecord* FindComponentByToken(T_Base* base, int32_t dimension, const char* token);
// Narrows the selection's component expressions along a drill path; the title gets the
// components' texts (codes when they have none, the dimension's plural name for a root) joined
// with " / ". Returns the number of items resolved.
int32_t ResolveDrillPath(T_Base* base, const ViewDimSet* view, const char* path,
                         SelectionDef* selection, T_TextBuf* title);
