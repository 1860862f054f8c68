#pragma once
// T_HWindow: the base of every document window (the database window, the analysis windows, the
// card editor and the object editors). It binds a window to one open database and the template
// it was built from, registers it in the process-wide window list under a window kind, gives it
// its standard furniture (a toolbar, a mode box with the header area beside it) and handles the
// commands, keys, dropped files and notices that all document windows share.
//
// The database and the application shell live in layers above this one; what a document window
// needs of them reaches it through DocumentOperations, which those layers install. Until they do,
// a database has no log, no database window and no templates, and its commands do nothing.
//
// Invariants:
//   1. The window list holds every constructed T_HWindow exactly once, in order of construction,
//      from the constructor to the destructor.
//   2. modeBox, modeItem, toolbar and toolSelector are null or children of this window; a
//      failed creation leaves the pointer null and every operation needing it does nothing.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/application.h"
#include "ui/chooser.h"
#include "ui/database_services.h"
#include "ui/item.h"
#include "ui/mode_tree.h"
#include "ui/selection_header.h"
#include "ui/window.h"

class T_Base;
class T_OStream;
class T_Template;
class T_HWindow;
struct T_TextBuf;

// Window kinds: the identity of a document window in the window list and the logs.
constexpr int32_t kWindowCards = 1;
constexpr int32_t kWindowLines = 2;
constexpr int32_t kWindowComponents = 3;
constexpr int32_t kWindowTimeFunctions = 4;
constexpr int32_t kWindowComponentFunctions = 5;
constexpr int32_t kWindowSubsetEditor = 6;
constexpr int32_t kWindowDatabase = 8;
constexpr int32_t kWindowDatabaseInfo = 9;
constexpr int32_t kWindowCardEditor = 10;
constexpr int32_t kWindowDimEditor = 11;
constexpr int32_t kWindowDimImportSetup = 12;
constexpr int32_t kWindowWebUsers = 13;
constexpr int32_t kWindowProtection = 14;
constexpr int32_t kWindowTimeScale = 15;
constexpr int32_t kWindowMacro = 16;
constexpr int32_t kWindowSaveSetup = 17;
constexpr int32_t kWindowImportSetup = 18;
constexpr int32_t kWindowXmlTester = 19;

// The name of a kind in the operation log; null for kinds that are not logged.
const char* WindowKindName(int32_t kind);
// Analysis windows (kinds 1 to 5).
inline bool IsAnalysisKind(int32_t kind) { return kind >= kWindowCards && kind <= 5; }
// The text id of an analysis kind's title (2547 to 2551); 0 for other kinds.
int32_t WindowKindTitleId(int32_t kind);

// Change codes of windows and databases.
constexpr int32_t kChangeDatabaseOpened = 4;
constexpr int32_t kChangeDatabaseClosed = 5;
constexpr int32_t kChangeWindowOpened = 66;
constexpr int32_t kChangeWindowCalculated = 67;
constexpr int32_t kChangeWindowClosed = 68;

// Operation-log verbs.
constexpr int32_t kLogOpening = 1;
constexpr int32_t kLogCalculated = 9;
constexpr int32_t kLogClosed = 15;

// Commands (label text ids).
constexpr int32_t kCommandImport = 2513;
constexpr int32_t kCommandTransform = 2528;
constexpr int32_t kCommandAggregate = 2529;
constexpr int32_t kCommandDeleteData = 2530;
constexpr int32_t kCommandExamine = 2531;
constexpr int32_t kCommandApprove = 2532;
constexpr int32_t kCommandSetDefaults = 2552;
constexpr int32_t kCommandInstallTemplate = 2553;
constexpr int32_t kCommandRemoveTemplate = 2554;
// Buttons (label text ids).
constexpr int32_t kButtonPageSetup = 207;
constexpr int32_t kButtonPrint = 208;
constexpr int32_t kButtonExport = 2515;
constexpr int32_t kButtonCalc = 3121;

// Element ids of the furniture.
constexpr uint32_t kToolbarId = 350;
constexpr uint32_t kModeBoxId = 351;
constexpr uint32_t kModeItemId = 352;
constexpr int32_t kToolbarHeight = 30;
constexpr int32_t kModeBoxMinWidth = 37;
// The sizing handle: a strip this wide, this far right of the mode box's right edge.
constexpr int32_t kModeBoxHandleGap = 2;
constexpr int32_t kModeBoxHandleWidth = 5;
// The header area starts this far right of the mode box's right edge.
constexpr int32_t kModeItemGap = 5;
constexpr uint32_t kSizeWECursor = 32644;  // the system's horizontal sizing cursor

// Export flags.
constexpr int32_t kExportAppend = 1;
constexpr int32_t kExportAppendNonEmpty = 4;

// Mode-box steps (T_HWindow::StepModeBox).
constexpr int32_t kStepFirst = -9;
constexpr int32_t kStepPrevious = -1;
constexpr int32_t kStepNext = 1;
constexpr int32_t kStepLast = 9;

// What a document window needs of the database engine, the application shell and the box-window
// layer. A missing hook does nothing (answers false, null or empty).
struct DocumentOperations {
  // The open-database list.
  T_Base* (*firstDatabase)();
  T_Base* (*nextDatabase)(T_Base* database);
  T_Window* (*databaseWindow)(T_Base* database);
  bool (*hasLog)(T_Base* database);
  void (*logOperation)(T_Base* database, const char* kindName, const char* name, int32_t verb);
  void (*notifyChange)(const ChangeNote* note);
  void (*importFile)(T_Base* database, const char* path);
  void (*importFileWithDialog)(T_Base* database);
  bool (*templateHasParent)(T_Template* templ);
  void (*templatePath)(T_Template* templ, T_TextBuf* path);
  void (*runTemplateDefaults)(T_Base* database, T_HWindow* window);
  void (*runInstallTemplate)(T_Base* database, T_HWindow* window);
  void (*removeInstalledTemplate)(T_Base* database, T_HWindow* window);
  void (*rebuildDatabaseMenus)(T_Base* database);
  void (*openTransformDialog)(T_HWindow* window);
  void (*openAggregateDialog)(T_HWindow* window);
};
// Null puts back the defaults.
void SetDocumentOperations(const DocumentOperations* operations);
// The hooks in force, so that a layer may replace one of them and keep the others.
const DocumentOperations& CurrentDocumentOperations();

// Steps a window's mode box after the current message.
class T_DeferModeCom : public T_DeferCom {
 public:
  // Posts itself to the application (deleted at once when there is none).
  static void Post(T_HWindow* target, int32_t step, bool control);
  void Execute() override;

  T_HWindow* target = nullptr;
  int32_t step = 0;
  uint8_t control = 0;
};

// The strip across the top of a document window.
class T_Toolbar : public T_Item {
 public:
  T_Toolbar(T_HWindow* owner, int32_t width);
  ~T_Toolbar() override;
  void BuildShape() override;
  void DrawFrame() override;
};

// The header area beside the mode box.
class T_ModeItem : public T_Item {
 public:
  T_ModeItem(T_HWindow* owner, const XYWH& rect);
  void Notify(int32_t code) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool OnWheel(InputEvent* event, int32_t lines) override;
  void OnResized(int32_t dw, int32_t dh) override;
  void DrawContent() override;
  void OnChange(const ChangeNote* note) override;

  T_Base* database;
  uint8_t showLabels = 0;
};

class T_HWindow : public T_Window {
 public:
  // style is the element kind (kKindDocument or kKindFixedDocument). The window is not opened
  // here: the subclass builds its content and opens it. Flags bit 0 or bit 4: it starts hidden.
  T_HWindow(uint32_t style, int32_t kind, const RECT* rect, uint32_t helpId, T_Base* database,
            uint32_t flags);
  ~T_HWindow() override;

  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  bool AcceptDrop(TransferList* list) override;
  bool KeyDown(InputEvent* event, T_GrafElement* target) override;
  // Over the mode box's sizing handle (right button up): the sizing cursor, and a press there
  // drags the mode box's width until the button is released.
  bool SetCursor(InputEvent* event, T_GrafElement* target) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  bool PaintHeld() override;
  void OnButton(T_GrafElement* button) override;
  void OnSelectorEvent(T_GrafElement* selector) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;

  virtual void StepModeBox(int32_t step, bool control);
  virtual void OnToolSelected(int32_t item);
  virtual void DrawModeItem();
  virtual void OnModeItemResized(int32_t dw, int32_t dh);
  virtual bool ClickModeItem(InputEvent* event, T_GrafElement* sender);
  virtual bool Calculate(bool force);
  virtual void ImportFile(const char* path);
  // flags: kExportAppend asks to append; kExportAppendNonEmpty says the file is not empty.
  virtual void Export(const char* path, int32_t flags);
  virtual void WriteText(T_OStream* stream, int32_t flags);
  virtual void RestrictToSubset(void* subset);
  virtual void ApplyRequestParams(const char* parameters);
  virtual void SetupTransform(void* dialog);
  virtual void SetupAggregate(void* aggregator);
  virtual void DeleteData(bool ask);
  virtual void MarkCards(int32_t command);
  virtual void SaveToTemplate(T_Template* templ);
  virtual bool IsEmpty();
  virtual int64_t GetMemoryUsage();
  // Frees the tree-order table (ui/sort_orders.h); the next build starts a new one.
  void FreeTreeOrderTable();

  void CreateToolbar();
  // Only with a toolbar: a selector at (x, 3), 56 by 24, kept as the tool selector.
  void CreateToolSelector(int32_t x, uint32_t id, const uint16_t* pictures, uint16_t current);
  // A further selector at (150, 3), returned and not kept.
  T_Selector* NewToolSelector(uint32_t id, const uint16_t* pictures, uint16_t current);
  void SetToolSelector(const uint16_t* pictures, uint16_t current);
  void CreateCalcButton(uint32_t id);
  // Only with a toolbar: the busy indicator at (106, 2), 26 by 26 (ui/busy_indicator.h).
  void CreateBusyIndicator();
  void CreateModeBox(int32_t boxWidth, int32_t boxHeight);
  int32_t ModeBoxWidth() const;
  // The point (window coordinates) lies on the mode box's sizing handle.
  bool OnModeBoxHandle(int32_t px, int32_t py) const;
  ModeNode* AddModeItem(ModeNode* parentNode, ModeNode* at, int32_t id);
  ModeNode* AddModeItemWithPicture(ModeNode* parentNode, ModeNode* at, int32_t id, int32_t picture);
  void RemoveModeItem(ModeNode* node);
  void SelectModeItem(ModeNode* node);
  void SelectModeById(int32_t id);
  void ReselectMode();
  void SetMode(int32_t id);
  void SetModeItemFlag(bool flag);
  // The title of an analysis window, from a source window, the template's path or the kind.
  void MakeTitle(T_HWindow* source);
  void BroadcastChange(int32_t code);

  // The selection header (ui/selection_header.cpp). The fields are made in header.headerParent,
  // the window itself unless a subclass names another element first; rectangles are in its
  // coordinates, label rectangles in the window's.
  virtual void OnHeaderResized();
  void CreateDimensionEdits(const XYWH& rect);
  void CreateFromToEdits(const XYWH& rect, uint32_t id);
  void CreateCardTitleEdit(const XYWH& rect, uint32_t id);
  void CreateLineTextEdit(const XYWH& rect, uint32_t id);
  void CreateNotesEdit(const XYWH& rect, uint32_t id);
  void CreateSubsetEdit(const XYWH& rect, uint32_t id);
  void CreateValueEdits(const XYWH& rect, uint32_t firstId);
  void ShowSelection(CardSelection* selection);
  void DeleteSelectionEdits();
  // The element is one of the selection fields made above (not the value-column chooser).
  bool IsHeaderEdit(const T_GrafElement* field) const;
  virtual bool HasHeaderField(int32_t id);
  virtual void GetHeaderFieldRect(RECT* rect, int32_t id);
  int32_t HeaderFieldIndex(int32_t column) const;
  // The value-column chooser chose free column index.
  void ChooseValueColumn(int32_t index);
  void SyncDimensionEdits();
  void DeriveValueRows();
  void BuildValueEdits();
  void DrawHeaderLabels();
  // Header parts of Notify, OnChange and OnEditText; the last is true when it took the text.
  void HeaderTick();
  void HeaderOnChange(const ChangeNote* note);
  bool HeaderEditText(T_TextBuf* text, T_GrafElement* field);

  SelectionHeader header;
  T_Template* templ = nullptr;
  T_GrafElement* busyIndicator = nullptr;
  ModeNode* initialModeItem = nullptr;
  int32_t windowKind;
  T_HWindow* nextWindow = nullptr;
  T_Toolbar* toolbar = nullptr;
  T_Selector* toolSelector = nullptr;
  T_Modebox* modeBox = nullptr;
  T_ModeItem* modeItem = nullptr;
  T_Base* database;
  int64_t* treeOrder = nullptr;  // owned MemAlloc block

 private:
  T_Window* OwnerFor() const;
  void TrackModeBoxWidth(InputEvent* event);
};

// Held while a database's records change in steps that let messages through (a deletion pumps
// every few hundred records) and until the change note has gone out: meanwhile any window of the
// database may hold rows that point at freed records, so none of them paints. When the last hold
// of the database ends, each of its windows is painted anew. Holds nest.
class DatabasePaintHold {
 public:
  explicit DatabasePaintHold(const T_Base* database);
  ~DatabasePaintHold();
  DatabasePaintHold(const DatabasePaintHold&) = delete;
  DatabasePaintHold& operator=(const DatabasePaintHold&) = delete;

 private:
  const T_Base* database_;
};
bool DatabasePaintingHeld(const T_Base* database);

// The first window of the list (then follow nextWindow).
T_HWindow* WindowListFirst();
// The window whose template is the given one; null for none and for a null template.
T_HWindow* FindWindowOfTemplate(T_Template* templ);
// The first window of a kind and database (any database when null), or null.
T_HWindow* FindWindowOfKind(int32_t kind, T_Base* database);
// title = the text of the id with "@0" filled with the named window's title.
void SetTitleWithName(T_Window* window, T_Window* named, int32_t textId);
// OnChange of every listed window of the database, then of every dialog of the application.
void BroadcastToWindows(const ChangeNote* note, T_Base* database);
// Only the listed windows of the database.
void BroadcastToDocumentWindows(const ChangeNote* note, T_Base* database);
// Closes the database's windows other than its database window, one at a time from the head;
// false as soon as one refuses or comes back after closing.
bool CloseWindowsOfDatabase(T_Base* database, int32_t mode);
