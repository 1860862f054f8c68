#pragma once
// The component restrictions of a stored selection (SelectionDef) as texts: one selection
// expression per dimension number, kept as typed or as printed in stored form, compiled only when
// a selection is made from them.
//
// User-interface thread only (through the database).
#include <cstdint>

#include "database/model_records.h"

class T_Base;
class T_OStream;
struct ChangeNote;
struct ComponentSelection;
struct T_TextBuf;

struct SelectionTexts {
  char* texts[kDimensionCount] = {};  // owned block texts; null: the dimension is unrestricted
};

// Every text is wiped and freed.
void SelTextsClear(SelectionTexts* texts);
// False when memory ran out; the copy then holds the texts copied so far.
bool SelTextsCopy(SelectionTexts* to, const SelectionTexts* from);
// Each dimension's program in stored form.
void SelTextsFromSelection(SelectionTexts* texts, const ComponentSelection* selection);
// The text of dimension d from n bytes (none for n <= 0). Dimensions outside 0 to 31 are ignored.
void SelTextsSet(SelectionTexts* texts, int32_t d, const char* bytes, int32_t n);
// Joins the text to d's with "&" (alone when d has none), bracketing a side whose loosest
// operator binds less than "&".
void SelTextsAndCondition(SelectionTexts* texts, int32_t d, const char* text);
bool SelTextsEqual(const SelectionTexts* a, const SelectionTexts* b);
bool SelTextsAnySet(const SelectionTexts* texts);
// The bytes the texts take.
int64_t SelTextsMemSize(const SelectionTexts* texts);
// For each position p of the database's dimension order (natural when it is empty) whose
// dimension has a text: the prefix, p + 1, TAB, the text and a line end. The position is the
// number a saved file gives the dimension (a save renumbers the dimensions by that order), so a
// selection read back from the file names the same dimensions.
void SelTextsWrite(const SelectionTexts* texts, const T_Base* base, T_OStream* stream,
                   const char* prefix);
// Code 13 (a dimension editor applied its changes) of the owner's database: the text of the
// note's dimension is rewritten by that editor (the note's object).
void SelTextsOnChange(SelectionTexts* texts, const T_Base* owner, const ChangeNote* note);

// The dimension editor's rewriting of a selection text for its edited tree; the editors layer
// installs it. Until then (null) texts stay as they are.
using DimensionTextRewriter = void (*)(void* editor, T_TextBuf* text);
void SetDimensionTextRewriter(DimensionTextRewriter rewriter);
