#pragma once
// The base options of a database (its T_Base members are declared in database/base.h, section
// "Base options") and the rules every stored name or label follows.
//
// Optional texts (labels, value names, dimension names) are stored as none while they equal
// their default text, so a database shows the defaults of whatever language the program runs
// in. Stored texts are written as raw fields of the section stream: control characters in them
// become blanks, and they are cut (at a character boundary) to the length their readers take,
// so what is stored reads back unchanged.
#include <cstdint>

class T_Base;

// Bytes the readers take: labels and value names, and a field of a dimension option line
// (dimension names among them).
constexpr int32_t kLabelMaxBytes = 63;
constexpr int32_t kOptionFieldMaxBytes = 64;

constexpr int32_t kCardDigitsMin = 1;
constexpr int32_t kCardDigitsMax = 9;
constexpr int32_t kListWidth1Default = 47;
constexpr int32_t kListWidth2Default = 52;
constexpr int32_t kListWidthMax = 150;

// Text ids of the default texts.
constexpr int32_t kTextCardTitleLabel = 3102;  // "Card Title"
constexpr int32_t kTextLineTextLabel = 3103;   // "Line Text"
constexpr int32_t kTextValueName = 3104;       // "Value"
constexpr int32_t kTextDimensionName = 3000;   // + the dimension: "Dim 1" .. "Dim 32"

// Field codes of GetFieldName.
constexpr int32_t kFieldSingularFirst = 1;  // + the dimension
constexpr int32_t kFieldPluralFirst = 33;   // + the dimension
constexpr int32_t kFieldCardTitle = 65;
constexpr int32_t kFieldLineText = 66;
constexpr int32_t kFieldTextIdFirst = 100;

// Stores the text into an optional holder: control characters blanked, cut to limit bytes, none
// when the result equals the default (or is empty). True when the stored text changed.
bool AssignOptionalText(char** holder, const char* text, const char* defaultText, int32_t limit);
