#pragma once
// The dimension editor's two modal dialogs: T_DimOpt ("Properties": the names, the display style,
// "Must be filled in" and the letter-case rules of a dimension) with its T_StrCaseChooser, and
// T_DimSortDlg ("Sort Rows": the children of a node by code, text or host code).
//
// User-interface thread only.
#include <cstdint>

#include "ui/chooser.h"
#include "ui/dialog_base.h"

class T_Button;
class T_Checkbox;
class T_DimEditor;
class T_Edit;
struct DimNode;
struct DimensionRecord;

// Items whose texts are the text ids first, first + 1, ...
class T_TextIdChooser : public T_Chooser {
 public:
  T_TextIdChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t count,
                  int32_t current, int32_t firstText);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;

  int32_t firstText;
};

// One item per letter of the set: a letter of "ULDWSN" shows the text of that letter-case mode
// (3408 + mode), any other letter is a separator.
class T_StrCaseChooser : public T_Chooser {
 public:
  T_StrCaseChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id, const char* letters,
                   int32_t mode, int32_t labelId);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // The mode of the current item (CaseModeFromLetter); -1 for a separator.
  int32_t ChosenMode() const;

  const char* letters;
};

constexpr uint32_t kDimOptSingularId = 1;
constexpr uint32_t kDimOptPluralId = 2;
constexpr uint32_t kDimOptDisplayId = 3;
constexpr uint32_t kDimOptFilledId = 4;
constexpr uint32_t kDimOptCodeCaseId = 5;
constexpr uint32_t kDimOptTextCaseId = 6;
constexpr uint32_t kDimOptHostCaseId = 7;

class T_DimOpt : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 406;
  static constexpr int32_t kHeight = 262;

  T_DimOpt(T_Base* database, int32_t dimension, T_Window* owner);
  // OK applies in the setters' order: singular, plural, display style, "Must be filled in",
  // code case, text case, host-code case; then ends. Cancel ends.
  void OnButton(T_GrafElement* button) override;
  void Apply();

  DimensionRecord* record;
  T_Edit* singular = nullptr;
  T_Edit* plural = nullptr;
  T_TextIdChooser* display = nullptr;
  T_Checkbox* filled = nullptr;
  T_StrCaseChooser* cases[3] = {};
  T_Button* ok = nullptr;
};

constexpr uint32_t kDimSortFieldId = 1;
constexpr uint32_t kDimSortOrderId = 2;
constexpr uint32_t kDimSortSublevelsId = 3;

class T_DimSortDlg : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 194;
  static constexpr int32_t kHeightWithSublevels = 111;
  static constexpr int32_t kHeight = 90;

  // The node sorted is the current row's node when it is expanded with children, else its
  // parent.
  T_DimSortDlg(T_DimEditor* editor, int32_t field);
  void OnButton(T_GrafElement* button) override;
  // Stores the order for the field, sorts and shows the rows again.
  void Apply();

  T_DimEditor* editor;
  DimNode* node;
  T_TextIdChooser* field = nullptr;
  T_TextIdChooser* order = nullptr;
  T_Checkbox* sublevels = nullptr;
  T_Button* ok = nullptr;
};

void RunDimensionOptions(T_DimEditor* editor);
void RunDimensionSort(T_DimEditor* editor, int32_t field);
