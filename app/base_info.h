#pragma once
// T_BaseInfo, the database information window: what a database holds and costs in five frames
// (memory, cards and lines, dimension components, analyses, file on disk), kept up to date on
// the periodic tick, copied to the clipboard as text (app/base_usage.h has the figures and the
// text and HTML forms).
//
// User-interface thread only.
#include <cstdint>

#include "app/base_usage.h"
#include "ui/document_window.h"
#include "ui/frame_items.h"

class T_Base;

// Opening flags.
constexpr int32_t kBaseInfoHidden = 1;
constexpr int32_t kBaseInfoPrivate = 8;  // a new window the database does not remember

// Pending-update bits.
constexpr uint32_t kUpdateCounts = 1;
constexpr uint32_t kUpdateTemplates = 2;
constexpr uint32_t kUpdateAnalyses = 4;

class T_BaseInfo;

// The frames: each draws its part of the window's figures.
class T_BaseInfoFrame : public T_Frame {
 public:
  T_BaseInfoFrame(T_BaseInfo* window, const XYWH& rect, int32_t part, int32_t titleId);
  void DrawContent() override;
  void OnChange(const ChangeNote* note) override;

  T_BaseInfo* info;
  int32_t part;
};

class T_BaseInfo : public T_HWindow {
 public:
  T_BaseInfo(T_Base* base, int32_t flags);
  ~T_BaseInfo() override;

  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  // One page: the path and the time at the top, then every frame's figures in one column.
  void Print(void* phase) override;
  // The page on the current port (drawing units from the page's corner).
  void DrawPage();

  // Runs the pending updates now (the tick does it when no file operation runs).
  void Update();
  // Resizes the window and its dimension and file frames to the computed layout.
  void Relayout();
  // The text form onto the clipboard.
  void CopyText();

  T_BaseInfoFrame* frames[5] = {};
  uint32_t pending = kUpdateCounts | kUpdateTemplates | kUpdateAnalyses;
  BaseUsage usage;
  BaseInfoLayout layout;
  bool remembered = false;
};

// Parts of the frames, in the order of T_BaseInfo::frames.
constexpr int32_t kInfoMemory = 0;
constexpr int32_t kInfoCards = 1;
constexpr int32_t kInfoDimensions = 2;
constexpr int32_t kInfoAnalyses = 3;
constexpr int32_t kInfoFile = 4;

// The database's information window: an existing one comes forward unless flag 8 is given;
// otherwise a new one (remembered by the database unless flag 1 or 8; hidden with flag 1). Null
// when it cannot be made.
T_BaseInfo* OpenBaseInfo(T_Base* base, int32_t flags);
// The HTML form of a window's figures (the web pages open a private window for it).
void WriteBaseInfoHtml(T_BaseInfo* window, T_OStream* stream);
