#pragma once
// The selection header of an analysis window: the fields that show and edit the window's card
// selection (one component field per dimension in use, the period bounds, the card-title,
// line-text and notes patterns, one row per value condition and the subset), the placement of
// their labels, and the two checks that name the window when a selection cannot be applied.
//
// The operations are members of T_HWindow (ui/document_window.h), which embeds the state below;
// this file holds that state, the value-column chooser and the free functions.
//
// Invariants:
//   1. valueRowCount >= 1 and shownColumns[0 .. valueRowCount - 1] are distinct value columns in
//      ascending order, except that a chooser choice may re-target the last row.
//   2. Every field and label pointer is null or a child of headerParent; a field that could not
//      be made stays null and every operation skips it.
//   3. The fields only point into the shown selection, which the window's caller owns.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "core/packed_date.h"
#include "ui/chooser.h"
#include "ui/database_services.h"
#include "ui/draw_primitives.h"

class T_EditDim;
class T_EditCID;
class T_EditSubset;
class T_EditTxVal;
class T_HWindow;
class T_Text;

// Header field ids: 1 + dimension, the patterns, 67 + value column, and label text ids.
constexpr int32_t kHeaderDimensionFirst = 1;
constexpr int32_t kHeaderCardTitle = 65;
constexpr int32_t kHeaderLineText = 66;
constexpr int32_t kHeaderValueFirst = kFieldValueFirst;
constexpr int32_t kHeaderFrom = 3105;
constexpr int32_t kHeaderTo = 3106;
constexpr int32_t kHeaderNotes = 3506;
constexpr int32_t kHeaderSubset = 3135;

constexpr int32_t kMaxDimensions = 32;
// The vertical pitch of the header rows.
constexpr int32_t kHeaderRowPitch = 17;

// Change codes that concern a header field.
constexpr int32_t kChangeDimensionComponents = 15;  // index: the dimension
constexpr int32_t kChangeDimensionName = 16;        // index: the dimension
constexpr int32_t kChangeCardTitleLabel = 35;
constexpr int32_t kChangeLineTextLabel = 36;

// Text ids of the checks.
constexpr int32_t kTextNegativePeriod = 2109;
constexpr int32_t kTextDimensionNotFilled = 2110;

// Offers the value columns no row shows, plus the last row's own column, by name.
class T_ValueEditChooser : public T_Chooser {
 public:
  // Opened.
  T_ValueEditChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id, T_HWindow* owner,
                     int64_t count, int64_t current);

  void OnChange(const ChangeNote* note) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;

  T_HWindow* owner;
  T_Base* database;
};

// The header state of a document window.
struct SelectionHeader {
  CardSelection* selection = nullptr;
  T_EventHandler* headerParent = nullptr;
  T_EditDim* dimensionFields[kMaxDimensions] = {};
  XYWH dimensionArea{};  // width 0: no dimension fields
  T_EditCID* fromField = nullptr;
  T_EditCID* toField = nullptr;
  T_EditTxVal* cardTitleField = nullptr;
  T_EditTxVal* lineTextField = nullptr;
  T_EditTxVal* notesField = nullptr;
  XYWH valueArea{};  // width 0: no value fields
  int32_t firstValueId = 0;
  T_EditTxVal* valueFields[kMaxValueColumns] = {};  // by value column
  uint16_t freeColumns[kMaxValueColumns] = {};
  uint16_t shownColumns[kMaxValueColumns] = {};  // by row
  int32_t valueRowCount = 1;
  T_ValueEditChooser* chooser = nullptr;
  uint8_t valueRowsStale = 0;
  T_EditSubset* subsetField = nullptr;
  // One label a shown field, in headerParent, with the header id it names.
  T_Text* labels[kMaxDimensions + 6 + kMaxValueColumns] = {};
  int32_t labelIds[kMaxDimensions + 6 + kMaxValueColumns] = {};
  int32_t labelCount = 0;
};

// The header field a change note concerns; 0 for none.
int32_t HeaderFieldOfChange(const ChangeNote* note);

// True when from lies after to. Only an active window sets the pending error (2109, the
// window as its object); the result does not depend on it.
bool CheckNegativePeriod(T_HWindow* window, const CardId* from, const CardId* to);
// True when a dimension that must be filled has no expression in the selection; an active
// window sets the pending error (2110 with the dimension's name) for the first one.
bool CheckDimensionsFilled(T_HWindow* window, CardSelection* selection);
