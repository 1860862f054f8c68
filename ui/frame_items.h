#pragma once
// Three simple items: T_Frame, a titled group box whose children are other items, with an
// optional vertical scroll bar and arrow-key selection of a current child; T_Text, a static
// text; and T_ProgressIndicator, a bar that fills during long work with few redraws. Also the
// scrolling that frames and tab strips share: a vertical slide bar appears while the visible
// children do not fit, one position per pixel.
//
// User-interface thread only.
#include <cstdint>

#include "core/owned_text.h"
#include "ui/item.h"

class T_Slidebar;

class T_Frame : public T_Item {
 public:
  T_Frame(T_EventHandler* parent, const XYWH& rect, uint32_t id, bool open);
  ~T_Frame() override;

  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void NotifyFromChild(int32_t code, T_GrafElement* child) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool OnWheel(InputEvent* event, int32_t lines) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  void OnSlidebarEvent(T_GrafElement* bar, SlidebarEvent* record) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;
  void DrawFrame() override;
  void BuildShape() override;
  bool AcceptsFocus() override;

  void SetTitleRef(const char* text);
  void SetTitleId(int32_t textId);
  // Draws the frame line dark even without the focus (hides the text-style setter of the same
  // name on purpose: a frame has no emphasised text).
  void SetEmphasis(bool on);
  void SetScrollable(bool on);
  int32_t ScrollOffset() const;
  void TitleChanged();
  void RepaintLine();
  void UpdateScrollBar();
  void ScrollToChild(T_GrafElement* child);
  // The next enabled, selectable child in the order mode becomes the current item.
  void MoveCurrent(int32_t mode);
  // The title rectangle (empty without a title) and the frame line's rectangle.
  void Layout(RECT* titleRect, RECT* frameRect);

  UiText title{};
  T_Item* currentItem = nullptr;
  uint8_t emphasis = 0;
  uint8_t scrolling = 0;
  T_Slidebar* scrollBar = nullptr;

 private:
  void SetCurrent(T_Item* item);
};

class T_Text : public T_Item {
 public:
  T_Text(T_EventHandler* parent, const XYWH& rect, bool open);
  ~T_Text() override;

  void Notify(int32_t code) override;
  void NotifyFromParent(int32_t code) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;

  void SetTextRef(const char* value);
  void SetTextId(int32_t textId);
  void SetTextCopy(const char* value);

  UiText text{};
};

class T_ProgressIndicator : public T_Item {
 public:
  T_ProgressIndicator(T_EventHandler* parent, const XYWH& rect, bool shown);

  void DrawContent() override;

  // A total or a width of 0 or less gives 0 pixels per unit: Advance then only counts and
  // polls, and the bar stays empty until Finish fills it.
  void Start(int64_t total);
  void Advance(int64_t units);
  void Finish();
  void Recompute();
  void Poll();

  int32_t filled = 0;
  int64_t done = 0;
  int64_t redrawThreshold = 0;
  int64_t pollThreshold = 0;
  double pixelsPerUnit = 0;
  uint64_t lastRedraw = 0;
  uint64_t lastPoll = 0;
};

// --- Scrolling shared by frames and tab strips
// ------------------------------------------------------

// The height the visible children other than the bar need: their least top (at most 99) and
// largest bottom, both counted, with the bar's position added back twice.
int32_t ScrollContentHeight(T_Item* owner, T_Slidebar* bar);
// Adds, updates or removes the bar of an opened owner; widen: a frame grows by 12 pixels while
// it shows a bar.
void ScrollBarUpdate(T_Item* owner, T_Slidebar** bar, bool widen);
// The owner's answers to its bar: visible pixels, one pixel per position, and moving the
// children on a position change.
void ScrollBarAnswer(T_Item* owner, T_Slidebar* bar, SlidebarEvent* record);
