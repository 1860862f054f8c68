#pragma once
// T_Transform: rewrites the data a list window shows by rules: dimension components replaced,
// lines moved to another group, card dates mapped from one range onto another, titles, line
// texts and notes rewritten by text rules, values recomputed by expressions, stamps cleared.
// "Transform" changes the listed data in place, "Add" (copy mode) adds transformed copies and
// leaves the source as it was.
//
// The owner window walks its own rows (T_HWindow::SetupTransform with this object): state 0 it
// sets rowCount and the default source range, state 1 it calls the steps below for its rows,
// state 2 the dialog closes. The dialog's controls are built only when it is shown
// (transform_dialog.cpp); the command `transform` feeds tokens and runs without showing it.
//
// Fields by number (SetField): 0..31 the target of a dimension, 33..36 source start, source end,
// target start, target end, 37/38 title from/to, 39/40 line text from/to, 41/42 notes from/to,
// 43..66 the expression of value 1..24.
//
// Invariants:
//   1. targets[d] is -1 (keep), d (the dimension's root: remove the component) or a component
//      record number of dimension d;
//   2. programs[c] is null exactly when value c has no expression;
//   3. during a walk, sourceCard is the card being rewritten and targetCard the card receiving
//      its lines (the same card unless the card rule gives a new card or copy mode is on).
//
// User-interface thread only.
#include <cstdint>

#include "core/bit_vector.h"
#include "core/formula.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "database/model_records.h"
#include "ui/dialog_base.h"

class T_Base;
class T_HWindow;
class T_ProgressIndicator;
class T_TransEdit;

// States of the owner's SetupTransform.
constexpr uint32_t kTransformCount = 0;
constexpr uint32_t kTransformRun = 1;
constexpr uint32_t kTransformClosing = 2;

// Field numbers.
constexpr int32_t kTransformSourceStart = 33;
constexpr int32_t kTransformSourceEnd = 34;
constexpr int32_t kTransformTargetStart = 35;
constexpr int32_t kTransformTargetEnd = 36;
constexpr int32_t kTransformTitleFrom = 37;
constexpr int32_t kTransformLineTextFrom = 39;
constexpr int32_t kTransformNotesFrom = 41;
constexpr int32_t kTransformFirstValue = 43;
constexpr int32_t kTransformFieldCount = 67;

// Clear flags.
constexpr int32_t kClearReset = 0;  // created and changed stamps ("XR")
constexpr int32_t kClearExamined = 1;
constexpr int32_t kClearApproved = 2;
constexpr int32_t kClearNotes = 3;

// Text ids of the transform.
constexpr int32_t kTextTransformTitle = 3125;   // Transform  "@0"
constexpr int32_t kErrorTransformDate = 6115;   // the mapped date of a card passes 1900..2069

// A text rule: from and to are owned block texts, null when not given.
struct TextRule {
  char* from = nullptr;
  char* to = nullptr;
  bool Given() const { return from || to; }
};

// Applies the rule to the text (null counts as empty) into out; true when the result differs
// from the text. trim: blanks are trimmed from both ends after the rule (titles, line texts).
bool ApplyTextRule(const TextRule* rule, const char* text, bool trim, T_TextBuf* out);

class T_Transform : public T_HDialog {
 public:
  // Asks the owner for its row count and source range (state 0).
  explicit T_Transform(T_HWindow* owner);
  ~T_Transform() override;

  void Notify(int32_t code) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;
  void DrawContent() override;

  // Sets a field from text; the text is rewritten as the field shows it (a component's display
  // text, a date's six digits, a compiled expression). False for a refused text (the pending
  // error says why; for an expression the text becomes the compiler's message in the dialog).
  bool SetField(int32_t field, T_TextBuf* text);

  // --- Steps offered to the owner's walk --------------------------------------------------------
  void TransformCard(CardRecord* card);
  void CopyCard(CardRecord* card);
  void BeginCard(CardRecord* card);
  void TransformGroup(GroupRecord* group);
  void CopyGroup(GroupRecord* group);
  void MoveLine(GroupRecord* group, LineRecord* line);
  void CopyLine(GroupRecord* group, LineRecord* line);
  void FinishCard();

  // --- Pieces shared with the card editor's own walk --------------------------------------------
  // The value rules over values[0..valueCount): true when a column changed (NaN on either side
  // counts as a change). With all set every column is computed, else only those with a rule.
  bool ComputeValues(double* values, bool all);
  // T for a card date (0 for a one-day source range).
  void ComputeT(PackedDate date);
  // The card's date after the mapping (the date itself without one).
  PackedDate MapDate(PackedDate date) const;
  // Derives the rule flags and the date map (the first steps of the run).
  void Prepare();
  // The map keeps every listed card inside 1900..2069 (the map is linear, so the two ends tell);
  // false sets the pending error naming the first card date that would leave it.
  bool CheckDateRange() const;
  // Stamps of a target card by the clear flags and the run stamp.
  void ApplyStamps(CardRecord* card, bool changed);

  uint32_t state = kTransformCount;
  int64_t rowCount = 0;
  CardId defaultSourceStart{};
  CardId defaultSourceEnd{};
  uint8_t copyMode = 0;
  uint8_t cardRule = 0;
  uint8_t groupRule = 0;
  uint8_t lineRule = 0;
  uint8_t valueRule = 0;
  uint8_t dateMapping = 0;
  uint8_t stampRule = 0;
  int64_t targets[kDimensionCount];
  uint32_t variableCount = 1;
  char variables[4 + 32 * (kMaxValueCount + 1)] = {};  // formula variable table: "T", values
  ExprProgram* programs[kMaxValueCount] = {};
  char* expressions[kMaxValueCount] = {};  // owned block texts as compiled
  TextRule lineTextRule;
  TextRule titleRule;
  TextRule notesRule;
  uint8_t clear[4] = {};
  PackedDate sourceStart = 0;
  PackedDate sourceEnd = 0;
  PackedDate targetStart = 0;
  PackedDate targetEnd = 0;
  int32_t startDay = 0;
  int32_t endDay = 0;
  double factor = 1;
  double offset = 0;
  double t = 0;
  uint8_t tUsed = 0;
  SignatureStamp runStamp{};
  uint8_t stampTaken = 0;
  CardRecord* sourceCard = nullptr;
  CardRecord* targetCard = nullptr;
  uint8_t linesMoved = 0;
  uint8_t cardChanged = 0;
  T_HWindow* ownerWindow = nullptr;
  T_ProgressIndicator* progress = nullptr;
  uint8_t shown = 0;
  T_TransEdit* fields[kTransformFieldCount] = {};
  BitVector ruledLines{};  // lines whose rules ran in this run, by record number
  LineRecord* previousKept = nullptr;   // the last line of previousGroup a line walk left there
  GroupRecord* previousGroup = nullptr;

 private:
  // The group of the target card a source group's lines go to.
  GroupRecord* TargetGroup(int64_t component);
  void ApplyLineRules(LineRecord* line);
  void CopyLineInto(GroupRecord* target, LineRecord* line);
  void Step();
};

// Applies one option token of the command `transform` (letters upper case; a leading "-" is
// passed over); false for a token it does not know or a refused value.
bool Transform_parseOption(T_Transform* transform, const char* token);
// Runs the transform over the owner's rows; false when the abort flag is set, the run stamp
// cannot be had or the date map would leave the supported years (nothing changed then).
bool Transform_run(T_Transform* transform);

// The run stamp of a transform or an aggregation: the user's signature stamp through the card
// editor's service (which may ask for the signature); false when the user declined.
bool TakeOperationStamp(T_Window* owner, SignatureStamp* stamp);

// The buttons of the transform and aggregate dialogs: "Add" and the default button commit the
// fields and run (add says which), a completed run and "Cancel" end the dialog, a failed run
// reports its error. False for any other button.
constexpr uint32_t kOperationAddId = 102;
bool OperationDialog_Button(T_HDialog* dialog, T_GrafElement* button,
                            bool (*run)(T_HDialog* dialog, bool add));

// Opens the transform dialog over the window; nothing when the window lists no rows.
void OpenTransformDialog(T_HWindow* owner);
