#pragma once
// T_BaseWin: the database window. Every open database has exactly one; it stands for the
// database on the desktop with its size, card and line counts and first and last card, carries
// the file-kind badge (a press opens the information window), compares the file on disk with the
// loaded one, keeps the database's two display widths and serves Delete Data. Closing it closes
// the database: its destruction deletes the T_Base, and a database deleted first (DeleteBase)
// takes its window with it.
//
// Invariants:
//   1. base->mainWindow is this window from construction until one of the two destroys the
//      other; whichever goes first clears the pointer before it deletes the other, so neither is
//      deleted twice.
//   2. figures are current while summaryValid is set; every change note that can alter them
//      clears it, and drawing, the tick and menu enabling recompute them.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "core/packed_date.h"
#include "ui/document_window.h"

class T_Base;

// The window's size and where its badge stands.
constexpr int32_t kBaseWindowWidth = 260;
constexpr int32_t kBaseWindowHeight = 81;
constexpr RECT kBaseBadgeRect{203, 18, 235, 50};
// How often the file on disk is compared, in ms.
constexpr uint64_t kFileCheckInterval = 15000;

// Message and answers of the file comparison.
constexpr int32_t kAskModifiedOnDisk = 4004;
constexpr int32_t kButtonOpenModified = 4010;

// What the window shows of its database.
struct BaseFigures {
  int64_t size = 0;
  int64_t cards = 0;
  int64_t lines = 0;
  CardId first;
  CardId last;
};
void ComputeBaseFigures(T_Base* base, BaseFigures* figures);

// Placement (pure): the first spot from (f + 1, c + f + 1) of the area's corner, stepping right
// by 2f + 272 while another window's corner lies within 12 pixels (horizontal plus vertical
// distance); a spot whose right edge reaches the area's right edge gives (0, 0).
POINT BaseWindowPosition(const RECT& area, int32_t frame, int32_t caption, const POINT* others,
                         int32_t count);

// The two display widths as the window measures them in the current port's font: dimension
// names, and card and line fields. Both include the 4 pixels of margin.
int32_t MeasureDimensionNamesWidth(T_Base* base);
int32_t MeasureCardFieldsWidth(T_Base* base);

class T_BaseWin : public T_HWindow {
 public:
  explicit T_BaseWin(T_Base* base);
  ~T_BaseWin() override;

  bool QueryClose(int32_t code) override;
  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  void DrawContent() override;
  bool Calculate(bool force) override;
  void DeleteData(bool ask) override;
  // The transform and the aggregation over every card of the database (base_window_data.cpp).
  void SetupTransform(void* dialog) override;
  void SetupAggregate(void* aggregator) override;

  // The figures recomputed when they are not current.
  void MakeFiguresValid();
  // Runs the comparison of the file on disk (the tick runs it every 15 s).
  void CompareFile();
  // Takes the file's date and size again and forgets an answered question (after a save).
  void RecordFileState();
  void UpdateDimensionNamesWidth();
  void UpdateCardFieldsWidth();

  bool summaryValid = false;
  BaseFigures figures;
  uint64_t lastCheckTime = 0;
  double fileDate = 0;
  int64_t fileSize = 0;
  bool checking = false;
  bool changeAnswered = false;
  int32_t fileKind = 0;
  bool badgePressed = false;
};

// Asks each card editor of the database to close (mode 0) and destroys those that agree; false
// at the first refusal. Pending messages are pumped first.
bool CloseCardEditors(T_Base* base);

// Fills the engine's window seams: every database gets its T_BaseWin, and "Database Info" opens
// the information window. Call after InstallDatabaseServices.
void InstallBaseWindows();
