#pragma once
// How components read as text: the display forms by style (code, host code, text and their
// combinations, see DimensionRecord::displayStyle) and the component lines that list a
// dimension (code, separator, text, separator, host code). The list form of the database,
// T_Base::GetComponentText, is declared in database/base.h.
//
// User-interface thread only (see T_Base).
#include <cstdint>

#include "core/criteria.h"
#include "core/text_buffer.h"
#include "database/model_records.h"

class T_Base;
class T_OStream;

// The parts the style shows, separated by one blank; an empty text or host code is left out
// with its blank. A negative style is the dimension's own; roots and styles above 6 give an
// empty text. Link markup stays in place (the display lays links out).
void FormatComponent(T_Base* base, T_TextBuf* out, int64_t component, int32_t dimension,
                     int32_t style);
// T_Base::GetComponentText with the link markup left in place.
void GetComponentTextMarkup(T_Base* base, T_TextBuf* out, int64_t component, int32_t dimension);

// Code, separator, text, separator, host code and the line end; control characters left in
// older data go out as blanks, so a component can never break its line.
void PutComponentLine(T_OStream* stream, const ComponentRecord* component);
// One line per component of the dimension, in tree order; stops when the abort flag is set.
void WriteDimensionComponents(T_Base* base, T_OStream* stream, int32_t dimension);
// The lines of the components whose code, text or host code matches the pattern (a pattern
// without a program passes all), at most maxDepth levels below the start (-1: no limit). The
// start is the component of startCode, which is written at depth 0, or with a null or empty
// startCode the root, whose children are at depth 1 and which is not written itself. Nothing
// is written for an unknown start code. Pumps messages after each line and stops on abort.
void WriteDimensionComponentsFiltered(T_Base* base, T_OStream* stream, int32_t dimension,
                                      const char* startCode, const CriteriaPattern* pattern,
                                      int32_t maxDepth);
// The same walk for any writer: visit gets each component that would be written, with its depth
// below the start, and messages are pumped after each one.
using ComponentVisitor = void (*)(void* context, ComponentRecord* component, int32_t depth);
void WalkDimensionComponentsFiltered(T_Base* base, int32_t dimension, const char* startCode,
                                     const CriteriaPattern* pattern, int32_t maxDepth,
                                     ComponentVisitor visit, void* context);
