#pragma once
// What the two setup editors do to their private copies apart from their pages: line
// definitions through the clipboard's text, the name a saved setup takes, and the save step on
// closing with its questions (3203 change, 3205 add).
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "database/import_setups.h"

class T_Base;
class T_Window;

// The clipboard form of a line definition: a line "## Linefields", then its record lines.
void LineDefinitionText(const T_Base* base, const LineDef* line, T_TextBuf* text);
// Whether a clipboard text holds a line "## Linefields".
bool HoldsLineDefinition(const char* text);
// Appends to the setup the line definition the text holds after its "## Linefields" line (what
// does not read leaves it empty); null when the text holds none or memory runs out.
LineDef* PasteLineDefinition(ImportSetup* setup, const char* text);
// Appends a copy of the line definition at the end of the setup.
LineDef* DuplicateLineDefinition(ImportSetup* setup, const LineDef* line);

// The name a saved setup takes: blanks trimmed, an empty one "Import Setup"; while another setup
// of the database than except holds it (letter case ignored) its trailing number goes up by one
// (a name without one gets " 1").
void UniqueImportSetupName(T_Base* base, const char* name, const ImportSetup* except,
                           T_TextBuf* unique);

// Whether the save step would ask to keep the edited contents and name; the copy stays as it is.
bool ImportSetupEdited(const ImportSetup* setup, const ImportSetup* copy, const char* name);
// The save step of the import setup editor. setup is the edited one (null for a new one), copy
// the edited contents and name the edited name. Answers whether the window may close; a saved
// setup (made or changed) goes to *saved.
bool ImportSetupSaveStep(T_Base* base, ImportSetup* setup, ImportSetup* copy, const char* name,
                         T_Window* owner, ImportSetup** saved);

// The save step of the dimension import editor: the copy compacted; asked 3203 with the title
// when it differs from the setup; "Change" copies it into the setup with note 26. Answers
// whether the window may close.
bool DimImportSaveStep(DimImportSetup* setup, DimImportSetup* copy, const char* title,
                       T_Window* owner);
// When the editor goes: a setup left at every default is dropped from its dimension.
void DimImportEditorGone(DimImportSetup* setup);
