#pragma once
// The database's settings dialogs: T_BaseOpt ("Database Settings": card-number digits, file
// origins, the card-title and line-text labels, the reference date, and the value fields with
// their names and decimals in T_ValueFrame) and T_NodeFinder, which asks for a replacement when
// a component code read from a file cannot be found. Each applies its settings only through its
// confirming button.
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "database/date_ref.h"
#include "ui/dialog_base.h"
#include "ui/frame_items.h"

class T_Base;
class T_Button;
class T_Checkbox;
class T_Chooser;
class T_ChooseDecs;
class T_Edit;
class T_Text;
class T_BaseOpt;

constexpr int32_t kMaxValueFields = 24;

// Sizes (pure): the value frame shows at most 12 rows and scrolls beyond them.
int32_t BaseOptWidth(int32_t valueCount);
int32_t ValueFrameHeight(int32_t valueCount);
int32_t BaseOptHeight(int32_t valueCount);
// The fewest card-number digits that hold the largest card number of the database.
int32_t MinimumCardDigits(T_Base* base);

class T_ValueFrame : public T_Frame {
 public:
  static constexpr uint32_t kId = 9;
  T_ValueFrame(T_BaseOpt* dialog, T_Base* base, int32_t count);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // A committed value name becomes a valid variable name.
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  // Shows the first count rows and sizes the frame for them.
  void ShowRows(int32_t count);

  T_BaseOpt* dialog;
  T_Base* database;
  int32_t shown = 0;
  T_Chooser* countChooser = nullptr;
  T_Text* labels[kMaxValueFields] = {};
  T_Edit* names[kMaxValueFields] = {};
  T_ChooseDecs* decimals[kMaxValueFields] = {};
};

class T_BaseOpt : public T_HDialog {
 public:
  explicit T_BaseOpt(T_Base* base);
  ~T_BaseOpt() override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // Committed labels are trimmed; the reference date is parsed.
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;

  // The number of value fields changed: the frame and the dialog follow at once.
  void SetValueCount(int32_t count);
  // A committed reference-date text parsed into the working bound (a bound on the reference date
  // itself is cleared); the text becomes the bound's display form.
  void TakeReferenceDate(T_TextBuf* text);
  // OK: 4209 first when fields are to go ("Cancel" keeps the dialog); false when not applied.
  bool Apply();

  int32_t minimumDigits = 1;
  T_Chooser* digitsChooser = nullptr;
  T_Checkbox* fileOrigins = nullptr;
  T_Edit* cardTitle = nullptr;
  T_Edit* lineText = nullptr;
  T_ValueFrame* valueFrame = nullptr;
  DateRef reference;
  T_Edit* referenceEdit = nullptr;
  int32_t valueCount = 1;
};

// Runs the database settings dialog modally.
void RunDatabaseSettings(T_Base* base);

class T_NodeFinder : public T_HDialog {
 public:
  T_NodeFinder(T_Base* base, int32_t dimension, T_Window* owner, const char* unknown);
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void OnButton(T_GrafElement* button) override;
  // Resolves the edit's text and enables OK unless a typed text finds nothing in a dimension
  // that has components.
  void Resolve();

  int32_t dimension;
  T_Text* message = nullptr;
  T_Edit* edit = nullptr;
  T_Text* found = nullptr;
  int64_t result = -1;
  int64_t resolved = -1;
  T_Button* ok = nullptr;
};

// Asks for the component of an unknown code; -1 after "Cancel", which also abandons the read
// under way.
int64_t AskForComponent(T_Base* base, int32_t dimension, T_Window* owner, const char* unknown);

// Fills the engine's seams of these dialogs. Call after InstallDatabaseServices.
void InstallSettingsDialogs();
