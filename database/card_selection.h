#pragma once
// Card selections: which cards and lines an analysis looks at. A component restriction per
// dimension, a card-date range, patterns on card titles, line texts and notes, conditions on the
// value columns, and a subset criterion.
//
// SelectionDef is the stored text form (templates, save options, subset items keep it): every
// criterion is a text. CardSelection is the compiled form an analysis runs with: component bit
// sets, compiled patterns and conditions, resolved date bounds and the subset's line set. Both
// register with their database while they live and receive its change notes (steps 4 and 5 of
// the dispatch), so they follow renames and deletions.
//
// Keyed text form, one line per criterion (P is the prefix letter the caller gives):
//   P "D" n TAB expression     the stored form of dimension n - 1 (n = 1..32), one line per
//                              restricted dimension in the database's dimension order
//   P "C" TAB from TAB to      the date bounds in file form; an open from bound is an empty field,
//                              an open to bound is left out, the line when both are open
//   P "Y" TAB pattern          card title          P "L" TAB pattern   line text
//   P "A" TAB pattern          notes               P "S" TAB formula   subset criterion
//   P "V" letter TAB condition the value column of the letter ("A" column 1 .. "X" column 24),
//                              one line per column of the database with a condition
// Lines with an empty text are not written. The reader also takes the digits "1".."9" as
// columns 1..9, and any other column letter as column 1.
//
// XML form: <selection>, <from> and <to> with the bounds, <dim num="n" name="singular"> with the
// expression, <cardtitle>, <linetext>, <notes>, <value> (column 1) and <value2> .. <value24>,
// <subset>; texts in display form. The reader also takes <value num="n"> and <value name="..">.
//
// Invariants:
//   1. each pattern is compiled case-insensitively from its text, which is the compiler's normal
//      form; a null text leaves the pattern without program, which matches everything;
//   2. the same holds for the value conditions, one per column 0..23;
//   3. a registered record stands exactly once on its database's list from init to free.
//
// User-interface thread only (see T_Base).
#include <windows.h>

#include <cstdint>

#include "core/bit_vector.h"
#include "core/criteria.h"
#include "core/text_buffer.h"
#include "database/combination.h"
#include "database/component_selection.h"
#include "database/date_ref.h"
#include "database/model_records.h"
#include "database/selection_texts.h"
#include "ui/database_services.h"

class T_Base;
class T_GrafElement;
class T_HWindow;
class T_IStream;
class T_OStream;

// Field ids of the three patterns (the field names of the database).
constexpr int32_t kPatternCardTitle = 65;
constexpr int32_t kPatternLineText = 66;
constexpr int32_t kPatternNotes = 3506;

struct CardSelection {
  ComponentSelection components;
  DateRef from;
  DateRef to;
  CriteriaPattern titlePattern;
  char* titleText;
  CriteriaPattern lineTextPattern;
  char* lineText;
  CriteriaPattern notesPattern;
  char* notesText;
  NumCriteria values[kMaxValueCount];
  char* valueTexts[kMaxValueCount];
  Combination subset;
  CardSelection* nextRegistered;
};

struct SelectionDef {
  T_Base* database;
  SelectionTexts componentTexts;  // stored forms; null: unrestricted
  DateRef from;
  DateRef to;
  char* titleText;
  char* lineText;
  char* notesText;
  char* valueTexts[kMaxValueCount];
  char* subsetText;
  SelectionDef* nextRegistered;
};

// --- CardSelection: life and criteria (database/card_selection.cpp) -----------------------------

// Unrestricted, open bounds, and registered. The owner is where the component finder would
// open; furtherList offers names to the subset criterion beside the database's subsets.
void Selection_init(CardSelection* selection, T_Base* database, T_GrafElement* owner,
                    SubsetList* furtherList);
// Unregisters and frees everything.
void Selection_free(CardSelection* selection);
// Every dimension unrestricted, both bounds open, no pattern, condition or subset.
void Selection_clear(CardSelection* selection);
void Selection_setFromDef(CardSelection* selection, const SelectionDef* def);
// One of the three patterns by field id (the toolkit's Selection_setTitlePattern and its
// siblings reach these through the header hooks); the text kept is the compiler's normal form.
void Selection_setPattern(CardSelection* selection, int32_t field, const char* text);
const char* Selection_patternText(const CardSelection* selection, int32_t field);
// The condition of a value column 0..23 (others are ignored).
void Selection_setCondition(CardSelection* selection, int32_t column, const char* text);
// Joins a further formula to the subset criterion: "(" present ")&(" further ")".
void Selection_andSubset(CardSelection* selection, const char* text);
// Whether any criterion restricts: an expression, a bound that is not open, a pattern, a
// condition of the database's columns or a subset criterion.
bool Selection_isRestricted(CardSelection* selection);

// Recalculates the subset's line set; false when the abort flag is set. With a window, and no
// web request served: false also for a backwards date range (2109) or a dimension that must be
// filled and has no expression (2110), raised as the window reports errors.
bool Selection_validate(CardSelection* selection, T_HWindow* window);
// Title and notes patterns.
bool Selection_matchCard(const CardSelection* selection, const CardRecord* card);
// Subset lines, component references, value conditions, then the line-text pattern; the group's
// own component (dimension 0) is the caller's to test (CompSelSelects).
bool Selection_matchLine(const CardSelection* selection, const LineRecord* line);
// Sizes the set to the line pool, clears it and sets the lines of the cards within the bounds
// that pass the card test, in groups whose component is selected, that pass the line test.
// Stops (false) when the abort flag is set. Validate first.
bool Selection_collectLines(CardSelection* selection, BitVector* lines);
// The same over every card, the bounds not used, with a further card test (a selection item's
// conditions on the card id and stamps).
using CardFilter = bool (*)(void* context, const CardRecord* card);
bool Selection_collectLinesOfCards(CardSelection* selection, BitVector* lines, CardFilter filter,
                                   void* context);
// Components (11, 12), bounds, and the subset criterion.
void Selection_onChange(CardSelection* selection, const ChangeNote* note);
// Step 4 of the dispatch: every registered card selection of the database.
void SelectionsOnChange(T_Base* base, const ChangeNote* note);

// --- SelectionDef (database/selection_def.cpp) --------------------------------------------------

// Open bounds, no texts, registered.
void SelectionDef_init(SelectionDef* def, T_Base* database);
void SelectionDef_free(SelectionDef* def);
void SelectionDef_clear(SelectionDef* def);
void SelectionDef_copy(SelectionDef* target, const SelectionDef* source);
// The programs printed in stored form, bounds and texts copied, the subset criterion printed.
void SelectionDef_fromSelection(SelectionDef* def, CardSelection* selection);
// Setters of the texts (null or empty: none); a dimension or column out of range is ignored.
void SelectionDef_setComponentText(SelectionDef* def, int32_t dimension, const char* text);
void SelectionDef_setPattern(SelectionDef* def, int32_t field, const char* text);
void SelectionDef_setCondition(SelectionDef* def, int32_t column, const char* text);
void SelectionDef_setSubset(SelectionDef* def, const char* text);
// Joins a further condition to a column's with "&" (AndConditionText of core/value_format.h).
void SelectionDef_andValueCondition(SelectionDef* def, int32_t column, const char* text);
bool SelectionDef_equal(const SelectionDef* a, const SelectionDef* b);
bool SelectionDef_isRestricted(const SelectionDef* def);
int64_t SelectionDef_byteSize(const SelectionDef* def);
// Code 13 rewrites the text of the note's dimension through the dimension editor; code 58 of a
// stored subset renames it in the subset text.
void SelectionDef_onChange(SelectionDef* def, const ChangeNote* note);
// Step 5 of the dispatch: the registered definitions of the database, for codes 13 and 58 (a
// subset stored with the database).
void SelectionDefsOnChange(T_Base* base, const ChangeNote* note);

// The dimension numbers in the database's dimension order, then those the order leaves out;
// returns 32.
int32_t DimensionsInOrder(const T_Base* base, int32_t* dimensions);
// Of those, the dimensions the selection restricts; returns how many.
int32_t RestrictedDimensions(const CardSelection* selection, int32_t* dimensions);

// --- Text forms (database/selection_forms.cpp) --------------------------------------------------

void Selection_writeKeys(CardSelection* selection, T_OStream* stream, char prefix);
void SelectionDef_writeKeys(const SelectionDef* def, T_OStream* stream, char prefix);
// The key field (prefix letter, field letter, then a dimension number or column letter) has been
// read; the rest of the line is read from the stream. False for a key it does not know. The
// card selection compiles as it reads; the definition keeps the texts.
bool Selection_readKey(CardSelection* selection, const char* key, T_IStream* stream);
bool SelectionDef_readKey(SelectionDef* def, const char* key, T_IStream* stream);

void Selection_writeXml(CardSelection* selection, T_OStream* stream);
// At the <selection> tag: clears the definition and reads up to </selection> or the abort flag.
// Unknown tags and attributes are reported (3900, 3901) while the database's XML warnings are
// on, and skipped.
void Selection_readXml(SelectionDef* def, T_IStream* stream);
// One request parameter of a template run: "dimN", "value" or "valueN", "cardtitle", "linetext"
// and "notes" join the value with "&"; "cardfrom" and "cardto" narrow the bounds. An empty value
// and unknown names are ignored.
void Selection_readAttributes(SelectionDef* def, const char* name, const char* value);

// --- Definition blocks (database/selection_definition.cpp) -------------------------------------

// The "Definition" row of an HTML export: one row per criterion, From and To always.
void Selection_writeHtmlDefinition(CardSelection* selection, T_OStream* stream);
// The same rows as text lines: label, TAB, value.
void Selection_writeDefinitionText(CardSelection* selection, T_OStream* stream);
// The printed block in the current port: 0 when nothing restricts.
int32_t Selection_getDefinitionHeight(CardSelection* selection);
// Draws the block with its top left at the area's; values are clipped to the area.
void Selection_drawDefinition(CardSelection* selection, const RECT* area);
