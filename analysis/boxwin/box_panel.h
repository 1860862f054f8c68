#pragma once
// The side-panel frames of a box window and the mapping of their choices: the grid-line frame,
// the file-attributes frame of the Export page and the title frame of the Printing page.
#include <cstdint>

#include "analysis/boxwin/box_window.h"
#include "ui/frame_items.h"

class T_Checkbox;
class T_Chooser;

// The horizontal grid chooser: "No" .. "Every Tenth", a separator, "Shade All" and, for the
// tree windows, "Shade Lowest" and "Shade Upper".
int32_t GridChooserEntries(int32_t windowKind);  // 8 or 10
// The stored mode of an entry (-1 for the separator) and the entry showing a mode.
int32_t GridModeOfEntry(int64_t entry);
int64_t GridEntryOfMode(uint32_t mode);
// The text id of an entry (0 for the separator).
int32_t GridEntryTextId(int64_t entry);

// The UpdateCommands label of the copy command: "Copy Chart" outside view mode 0.
int32_t CopyCommandLabel(uint32_t viewMode);

// A chart-size edit: letters, a negative number or a value below 48 store 0.
uint32_t ChartSizeFromText(const char* text);

// A page's check box (opened, labelled by the text id) and frame (opened, titled unless 0).
T_Checkbox* AddCheckbox(T_EventHandler* parent, const XYWH& at, uint32_t id, int32_t label,
                        bool on);
T_Frame* AddFrame(T_EventHandler* parent, const XYWH& at, uint32_t id, int32_t title);

// The mode-box items of the Subsets, Printing, Export and Notes pages, each with its picture,
// after the window's own items.
void AddPanelPageItems(T_BoxWin* box);

// Builds a page again after the current message (the control that asked may go with the page),
// when the window is still listed: by the rebuild given, else the box window's own pages when the
// page is still open. False when it cannot be posted.
using PanelRebuild = void (*)(T_BoxWin* box, int32_t page);
bool PostPanelRebuild(T_BoxWin* box, int32_t page, PanelRebuild rebuild = nullptr);

class T_GridFrame : public T_Frame {
 public:
  T_GridFrame(T_BoxWin* owner, T_EventHandler* parent, const XYWH& at, uint32_t id);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;

  T_BoxWin* box;
  T_Chooser* horizontal = nullptr;
  T_Chooser* vertical = nullptr;
};

class T_ExpTextFrame : public T_Frame {
 public:
  T_ExpTextFrame(T_BoxWin* owner, T_EventHandler* parent, const XYWH& at);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;

  T_BoxWin* box;
  T_Chooser* encoding = nullptr;
  T_Chooser* format = nullptr;
};

class T_PrintTitleFrame : public T_Frame {
 public:
  T_PrintTitleFrame(T_BoxWin* owner, T_EventHandler* parent, const XYWH& at);
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;

  T_BoxWin* box;
  T_Chooser* pageNumbers = nullptr;
};
