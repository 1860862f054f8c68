#pragma once
// Controls that pick one value out of a small set: T_Chooser, a title and a box showing the
// current item with a drop-down list; T_LangChooser, a chooser of user-interface languages; and
// T_Selector, a strip of up to seven picture buttons of which one is current.
//
// A chooser holds no items: it asks for each one through OnChooserEvent (code 0), which a
// subclass answers or which climbs to the parent, and it reports a choice with code 1. An item
// with neither text nor picture is a separator; an item answered with plain 0 is an action item:
// choosing it reports code 1 but leaves the current index as it is.
//
// The current index changes only through SetSelection, the list, the arrow keys and type-ahead.
// User-interface thread only; the list runs a local tracking loop (ui/popup_menu.h).
#include <windows.h>

#include <cstdint>

#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "ui/item.h"

constexpr int32_t kChooserDescribe = 0;
constexpr int32_t kChooserChosen = 1;

// Item pictures: 30000-30099 a colour swatch of colour index id - 30000, 30100 and up a line
// sample id - 30099 pixels thick, anything else a picture of ui/pictures.h.
constexpr int32_t kChooserSwatchFirst = 30000;
constexpr int32_t kChooserLineFirst = 30100;

// SetSelection modes.
constexpr int32_t kSelectSilent = 0;
constexpr int32_t kSelectReport = 1;
constexpr int32_t kSelectReportAlways = 2;  // reports even when the index stays

constexpr int32_t kChooserTextBuffer = 64;
constexpr uint64_t kTypeAheadPause = 2000;

struct ChooserEvent {
  int32_t code = kChooserDescribe;
  T_GrafElement* chooser = nullptr;
  int64_t index = 0;
  int64_t previous = 0;        // the current index when the record was made
  const char* text = nullptr;  // null: none
  int32_t picture = 0;
  uint8_t enabled = 1;
  uint8_t plain = 1;
  uint8_t listOpen = 0;
  char buffer[kChooserTextBuffer] = {};
  // The list while it is up.
  RECT listRect{};
  int32_t lineHeight = 0;
  int32_t visibleLines = 0;
  int64_t firstVisible = 0;
  int64_t highlighted = -1;
  uint64_t lastScroll = 0;
  uint32_t scrollDelay = 0;
};

// Copies the text into the record's buffer (cut after the last whole UTF-8 character that fits)
// and points the record's text at it.
void ChooserEvent_SetText(ChooserEvent* record, const char* text);

// The width of the drop-down arrow part, which other choosers' layouts use too.
int32_t GetChooserArrowWidth();

// The first line a list of visible lines shows so that the current item stands a third down.
int64_t ChooserFirstVisible(int64_t count, int32_t visible, int64_t current);

// Draws an item's line sample, swatch or picture and then its text (italic for an action item)
// in the rectangle, in the current port's colours.
void ChooserDrawItem(const ChooserEvent* record, const RECT* rect);

class T_Chooser : public T_Item {
 public:
  // Kind 15, empty title, text vertically centred; opened when open is set.
  T_Chooser(T_EventHandler* parent, const XYWH& rect, uint32_t id, int64_t count, int64_t current,
            bool open);
  ~T_Chooser() override;

  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;
  void DrawFrame() override;
  void BuildShape() override;
  bool AcceptsFocus() override;

  // An index outside 0..count-1 does nothing, nor does the current index unless the mode is
  // kSelectReportAlways; the reporting modes send code 1 to OnChooserEvent.
  void SetSelection(int64_t index, int32_t mode);
  void SetItemCount(int64_t n);
  void SetTitleRef(const char* text);  // the caller's text, which must outlive the chooser
  void SetTitleId(int32_t textId);
  void SetTitleCopy(const char* text);
  void SetTitleWidth(int32_t minimum);
  void Relayout();
  // The title, a blank when the title is not empty, then the current item's text when it has
  // one and is enabled.
  void GetDisplayText(T_TextBuf* text);

  // Asks for item i (code 0); the record says what to show.
  void DescribeItem(int64_t index, ChooserEvent* record);
  // Adds the character to the typed prefix (restarted after a pause of more than two seconds)
  // and returns the first enabled plain item whose text, after leading blanks, starts with it
  // ignoring case, dropping leading characters of the prefix until one matches; -1 for none and
  // for characters below 32.
  int64_t TypeAhead(uint32_t character, uint64_t time);
  // Drops the list down and tracks it until the user chooses or cancels.
  void RunList(const InputEvent* event);

  int64_t count;
  int64_t current;
  UiText title{};
  int32_t titlePicture = 0;  // drawn before the title, 0 none
  int32_t minTitleWidth = 0;
  int32_t boxWidth = 0;  // fixed width of the box, 0 automatic
  uint8_t hover = 0;
  uint8_t listOpen = 0;
  uint8_t arrowPressed = 0;
  int32_t boxBackground = 0;
  int32_t listBackground = 0;
  RECT titleRect{};
  RECT boxRect{};
  RECT outlineRect{};
  T_TextBuf typedPrefix;
  uint64_t lastTyped = 0;

 private:
  void TitleChanged();
  void RedrawBox();
  int32_t ItemWidth(int64_t index);
  void Paint();
  bool DisabledLook();
  RECT ArrowFeedbackRect();
  void SetArrowPressed(bool on);

  ChooserEvent* list_ = nullptr;  // the list's geometry while it is up
};

class T_LangChooser : public T_Chooser {
 public:
  static constexpr int32_t kMaxLanguages = 31;
  // languages: language numbers ended by a negative byte (at most 31 are kept). The current item
  // is the current language's position, 0 when it is not among them or noCurrent is set.
  T_LangChooser(T_EventHandler* parent, const XYWH& rect, uint32_t id, const int8_t* languages,
                int32_t currentLanguage, bool noCurrent);

  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  // The language number of the current item; -1 when there is none.
  int32_t GetLanguage() const;

  uint8_t languages[kMaxLanguages + 1] = {};  // ended by 255
  int32_t languageCount = 0;
};

class T_Selector : public T_Item {
 public:
  static constexpr int32_t kMaxPictures = 7;
  static constexpr int32_t kPitch = 24;
  // pictures: 16-bit picture ids ended by 0 (at most 7 are kept); kind 16.
  T_Selector(T_EventHandler* parent, const XYWH& rect, uint32_t id, const uint16_t* pictures,
             uint16_t currentPicture, bool open);

  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void OnHover(InputEvent* event, int32_t code) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  void DrawContent() override;

  void SetPictures(const uint16_t* ids, uint16_t currentPicture);
  // The cell under a point of the item (-1 none).
  int32_t CellAt(int32_t px, int32_t py);
  RECT CellRect(int32_t cell) const;
  int32_t CellOf(uint16_t picture) const;

  uint16_t pictures[kMaxPictures + 1] = {};
  int32_t count = 0;
  uint16_t currentPicture = 0;
  uint16_t pressedPicture = 0;
  uint16_t hoveredPicture = 0;
  int32_t pitch = kPitch;

 private:
  void RedrawCell(uint16_t picture);
  void DrawCell(int32_t cell);
};
