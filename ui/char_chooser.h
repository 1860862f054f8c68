#pragma once
// Choosing a separator character: T_ChooseChar, a chooser over a small set of characters that
// fits one use (decimal separator, thousands separator, field separator, quote character, row
// terminator), with a custom item for any other character and "Other..." to type one in
// T_CustomChar. Also the meaning of the stored codes.
//
// A character set is a string of letter codes: "D" 0 (the default), "N" 1 (none), "C" 2 (CR/LF),
// "T" 9 (tab), "L" 10 (line feed), "R" 13 (carriage return), "B" 160 (padding), "-" a separator
// row, any other letter the character itself. The chooser's items are the set's letters, the
// custom item (when the character is not in the set), a separator and "Other...".
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "ui/chooser.h"
#include "ui/dialog_base.h"

// Flags of T_ChooseChar: the mode in the low four bits, and whether the default is offered.
constexpr int32_t kCharModeDecimal = 0;    // "D-,."     default: the decimal separator
constexpr int32_t kCharModeThousands = 1;  // "D-N B.,"  default: the thousands separator
constexpr int32_t kCharModeField = 2;      // "D-T, ;"   default: tab
constexpr int32_t kCharModeQuote = 3;      // "D-N\"'_"  default: none
constexpr int32_t kCharModeRowEnd = 4;     // "D-RLC"    default: CR/LF
constexpr int32_t kCharModeLineEnd = 5;    // "D-RL"     default: CR/LF
constexpr int32_t kCharModeMask = 15;
constexpr int32_t kCharOfferDefault = 16;  // without it "D" and its separator are dropped

// Character codes with a meaning of their own.
constexpr uint16_t kCharDefault = 0;
constexpr uint16_t kCharNone = 1;
constexpr uint16_t kCharCrLf = 2;

// The code a set letter stands for; -1 for the separator row "-".
int32_t DecodeCharLetter(char letter);
// The character set of a mode with or without the default, and the mode's default character.
const char* CharSetOfMode(int32_t flags);
uint16_t DefaultCharOfMode(int32_t mode);

// The label of a code as the chooser shows it. The default (0) shows the default character's
// label (1209 "None" for none) and, with detail, 724 " from System"; with detail, line feed and
// carriage return add " (LF)" and " (CR)".
void CharLabel(T_TextBuf* text, uint32_t code, uint16_t defaultChar, bool detail);

// The character a stored separator code stands for: 1 gives 0 (none); codes above 3 other than
// U+FEFF give themselves; 0, 2, 3 and U+FEFF give the decimal separator in mode 0, the thousands
// separator in mode 1 and the code itself in other modes.
uint32_t ResolveSeparatorChar(uint32_t code, int32_t mode);
// The bytes of a row terminator code: CR LF for 0 and 2, nothing for 1 (none), else the
// character in UTF-8. Returns the byte length.
int32_t RowTerminatorText(T_TextBuf* text, uint32_t code);

class T_ChooseChar : public T_Chooser {
 public:
  static constexpr int32_t kMaxSet = 11;
  // The chooser edits the caller's character, which must outlive it. Opened at once.
  T_ChooseChar(T_EventHandler* parent, const XYWH& rect, uint32_t id, uint16_t* edited,
               int32_t flags);

  // Labels its items (the detail form while the list is up); takes its choices itself.
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;

  // The item count without and with the custom item, and the positions of the fixed rows.
  int32_t SetLength() const { return setLength; }
  bool HasCustom() const { return custom != 0; }
  int64_t OtherItem() const { return count - 1; }
  // The code item i stands for; -1 for a separator or "Other...".
  int32_t CodeOfItem(int64_t item) const;
  // Makes the character current: its set item, else the custom item (added when missing); CR/LF
  // is never taken as custom. Stores it when it differs. False when it could not be taken.
  bool SelectCharacter(uint16_t character);
  // "Other...": asks for a character in T_CustomChar and selects it.
  void RunOther();

  uint16_t* edited;
  char set[kMaxSet + 1] = {};
  int32_t setLength = 0;
  uint16_t custom = 0;  // the custom item's character, 0 none
  uint16_t defaultChar = 0;
  uint8_t defaultOffered = 0;

 private:
  void Store(uint16_t character);
};

// A T_ChooseChar with a title (and a minimum title width when not 0); the rectangle moves 19
// pixels down for the next row.
T_ChooseChar* NewChooseCharRow(T_EventHandler* parent, XYWH* rect, int32_t titleId, uint32_t id,
                               uint16_t* edited, int32_t flags, int32_t titleWidth);

// The dialog behind "Other...": one field where the user types a character or its name ("tab",
// "#7", ...). After the run, character holds the result, 0 for none.
//
// The field's committed text reaches the dialog through OnEditText; OK commits the field first.
class T_CustomChar : public T_HDialog {
 public:
  static constexpr int32_t kWidth = 194;
  static constexpr int32_t kHeight = 78;
  static constexpr uint32_t kFieldId = 1;
  T_CustomChar(T_Window* owner, uint16_t character, int32_t titleId);
  ~T_CustomChar() override;

  void OnButton(T_GrafElement* button) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;

  // A committed text: read as a separator name or character; a result below 4 (or beyond 16
  // bits) empties the field and clears the character, anything else shows its name.
  void CommitText(const char* text);

  uint16_t character;
  T_TextBuf fieldText;  // what the field shows

 private:
  void ReadText(const char* text);
  class T_Edit* field_ = nullptr;
};
