#include "ui/document_window.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "core/alert.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/placeholders.h"
#include "core/text_buffer.h"
#include "ui/button.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/page_setup.h"
#include "ui/printing.h"
#include "ui/transfer_list.h"

namespace {

constexpr uint32_t kKindPlainItem = 4;
constexpr int32_t kSelectorWidth = 56;
constexpr int32_t kSelectorHeight = 24;

DocumentOperations documentOps{};
T_HWindow* windowList = nullptr;

T_Base* NextDatabase(T_Base* database) {
  return documentOps.nextDatabase ? documentOps.nextDatabase(database) : nullptr;
}
T_Base* FirstDatabase() {
  return documentOps.firstDatabase ? documentOps.firstDatabase() : nullptr;
}

void Log(T_HWindow* window, int32_t verb) {
  const char* name = WindowKindName(window->windowKind);
  if (!name || !window->database || !documentOps.hasLog || !documentOps.logOperation) return;
  if (!documentOps.hasLog(window->database)) return;
  documentOps.logOperation(window->database, name, window->Title(), verb);
}

bool TemplateHangsInTree(T_Template* templ) {
  return templ && documentOps.templateHasParent && documentOps.templateHasParent(templ);
}

}  // namespace

void SetDocumentOperations(const DocumentOperations* operations) {
  documentOps = operations ? *operations : DocumentOperations{};
}

const DocumentOperations& CurrentDocumentOperations() { return documentOps; }

const char* WindowKindName(int32_t kind) {
  switch (kind) {
    case kWindowCards:
      return "cards analysis";
    case kWindowLines:
      return "lines analysis";
    case kWindowComponents:
      return "components analysis";
    case kWindowTimeFunctions:
      return "time functions";
    case kWindowComponentFunctions:
      return "component functions";
    case kWindowSubsetEditor:
      return "subset";
    case kWindowDatabaseInfo:
      return "base info";
    case kWindowCardEditor:
      return "card";
    case kWindowDimEditor:
      return "dimension editor";
    case kWindowDimImportSetup:
      return "dimension import setup";
    case kWindowWebUsers:
      return "web users";
    case kWindowSaveSetup:
      return "save setup";
    case kWindowImportSetup:
      return "import setup";
    default:
      return nullptr;
  }
}

int32_t WindowKindTitleId(int32_t kind) { return IsAnalysisKind(kind) ? 2546 + kind : 0; }

// --- Deferred mode steps ------------------------------------------------------------------------

void T_DeferModeCom::Post(T_HWindow* target, int32_t step, bool control) {
  T_Application* application = App();
  if (!application) return;
  auto* command = new (std::nothrow) T_DeferModeCom();
  if (!command) return;
  command->target = target;
  command->step = step;
  command->control = control ? 1 : 0;
  application->PostAction(command);
}

void T_DeferModeCom::Execute() {
  // The window may have closed between the key and now: only a listed window is stepped.
  for (T_HWindow* w = windowList; w; w = w->nextWindow) {
    if (w == target) {
      w->StepModeBox(step, control != 0);
      return;
    }
  }
}

// --- Toolbar and mode item
// ------------------------------------------------------------------------

T_Toolbar::T_Toolbar(T_HWindow* owner, int32_t width)
    : T_Item(kKindPlainItem, owner, {0, 0, width, kToolbarHeight}, kToolbarId) {
  EventHandler_Open(this);
}

T_Toolbar::~T_Toolbar() {
  if (auto* owner = dynamic_cast<T_HWindow*>(window)) {
    owner->toolSelector = nullptr;
    if (owner->toolbar == this) owner->toolbar = nullptr;
  }
}

void T_Toolbar::BuildShape() { SetRectRgn(shape, 0, 0, width, height + 2); }

void T_Toolbar::DrawFrame() { DrawEtchedHLine(0, height, width); }

T_ModeItem::T_ModeItem(T_HWindow* owner, const XYWH& rect)
    : T_Item(kKindPlainItem, owner, rect, kModeItemId), database(owner->database) {
  EventHandler_Open(this);
}

void T_ModeItem::Notify(int32_t code) {
  T_Item::Notify(code);
  if (code == kNotifyLanguage && opened) Item_InvalidateShape(this, 0);
}

bool T_ModeItem::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (auto* owner = dynamic_cast<T_HWindow*>(window)) {
    if (owner->ClickModeItem(event, this)) return true;
  }
  return T_Item::MouseDown(event, target);
}

bool T_ModeItem::OnWheel(InputEvent* event, int32_t lines) {
  auto* owner = dynamic_cast<T_HWindow*>(window);
  if (!owner || !owner->modeBox) return T_Item::OnWheel(event, lines);
  T_Modebox* box = owner->modeBox;
  int32_t dx = offsetX - box->offsetX;
  int32_t dy = offsetY - box->offsetY;
  event->x += dx;
  event->y += dy;
  bool handled = box->OnWheel(event, lines);
  event->x -= dx;
  event->y -= dy;
  return handled;
}

void T_ModeItem::OnResized(int32_t dw, int32_t dh) {
  T_Item::OnResized(dw, dh);
  if (auto* owner = dynamic_cast<T_HWindow*>(window)) owner->OnModeItemResized(dw, dh);
}

void T_ModeItem::DrawContent() {
  auto* owner = dynamic_cast<T_HWindow*>(window);
  if (!owner) return;
  owner->DrawModeItem();
  if (showLabels) owner->DrawHeaderLabels();
}

void T_ModeItem::OnChange(const ChangeNote* note) {
  T_Item::OnChange(note);
  auto* owner = dynamic_cast<T_HWindow*>(window);
  if (!owner || !note || !showLabels || !opened || note->database != database) return;
  int32_t field = HeaderFieldOfChange(note);
  if (field == 0) return;
  RECT label;
  owner->GetHeaderFieldRect(&label, field);
  if (label.right <= label.left || label.bottom <= label.top) return;
  GrafElement_InvalidateRect(owner, &label, 0);
}

// --- T_HWindow
// ------------------------------------------------------------------------------------

T_HWindow::T_HWindow(uint32_t style, int32_t kind, const RECT* rect, uint32_t helpId, T_Base* db,
                     uint32_t flags)
    : T_Window(style, rect, helpId, nullptr, false), windowKind(kind), database(db) {
  owner = OwnerFor();
  if (database) {
    if (T_LinkContext* context = Database_LinkContext(database)) linkContext = context;
  }
  if (flags & 0x11) wantVisible = 0;
  T_HWindow** link = &windowList;
  while (*link) link = &(*link)->nextWindow;
  *link = this;
}

T_HWindow::~T_HWindow() {
  // Closed here rather than by the base destructor, so that the closing notice still reaches
  // this layer (logging and change 68) while the window is listed.
  if (opened) EventHandler_CloseElement(this);
  for (T_HWindow** link = &windowList; *link; link = &(*link)->nextWindow) {
    if (*link == this) {
      *link = nextWindow;
      break;
    }
  }
  // The children may still reach back through the pointers while they go.
  DestroyChildren();
  modeBox = nullptr;
  modeItem = nullptr;
  toolbar = nullptr;
  toolSelector = nullptr;
  FreeTreeOrderTable();
  if (PendingError.request.owner == this) PendingError.request.owner = nullptr;
}

void T_HWindow::FreeTreeOrderTable() {
  MemFree(treeOrder);
  treeOrder = nullptr;
}

T_Window* T_HWindow::OwnerFor() const {
  if (!database || windowKind == kWindowDatabase) return nullptr;
  bool several = NextDatabase(database) != nullptr || FirstDatabase() != database;
  if (!several || !documentOps.databaseWindow) return nullptr;
  return documentOps.databaseWindow(database);
}

void T_HWindow::StepModeBox(int32_t step, bool) {
  if (modeBox) modeBox->StepSelection(step);
}
void T_HWindow::OnToolSelected(int32_t) {}
void T_HWindow::DrawModeItem() {}
void T_HWindow::OnModeItemResized(int32_t, int32_t) {}
bool T_HWindow::ClickModeItem(InputEvent*, T_GrafElement*) { return false; }
bool T_HWindow::Calculate(bool) { return false; }
void T_HWindow::Export(const char*, int32_t) {}
void T_HWindow::WriteText(T_OStream*, int32_t) {}
void T_HWindow::RestrictToSubset(void*) {}
void T_HWindow::ApplyRequestParams(const char*) {}
void T_HWindow::SetupTransform(void*) {}
void T_HWindow::SetupAggregate(void*) {}
void T_HWindow::DeleteData(bool) {}
void T_HWindow::MarkCards(int32_t) {}
void T_HWindow::SaveToTemplate(T_Template*) {}
bool T_HWindow::IsEmpty() { return false; }
int64_t T_HWindow::GetMemoryUsage() { return 0; }

void T_HWindow::ImportFile(const char* path) {
  if (!database) return;
  if (path) {
    if (documentOps.importFile) documentOps.importFile(database, path);
  } else if (documentOps.importFileWithDialog) {
    documentOps.importFileWithDialog(database);
  }
}

// --- Furniture ----------------------------------------------------------------------------------

void T_HWindow::CreateToolbar() {
  if (toolbar) return;
  toolbar = new (std::nothrow) T_Toolbar(this, width);
}

void T_HWindow::CreateToolSelector(int32_t x, uint32_t id, const uint16_t* pictures,
                                   uint16_t current) {
  if (!toolbar) return;
  toolSelector = new (std::nothrow)
      T_Selector(toolbar, {x, 3, kSelectorWidth, kSelectorHeight}, id, pictures, current, true);
}

T_Selector* T_HWindow::NewToolSelector(uint32_t id, const uint16_t* pictures, uint16_t current) {
  if (!toolbar) return nullptr;
  return new (std::nothrow)
      T_Selector(toolbar, {150, 3, kSelectorWidth, kSelectorHeight}, id, pictures, current, true);
}

void T_HWindow::SetToolSelector(const uint16_t* pictures, uint16_t current) {
  if (!toolSelector) return;
  toolSelector->SetPictures(pictures, current);
  OnToolSelected(toolSelector->currentPicture);
}

void T_HWindow::CreateCalcButton(uint32_t id) {
  if (!toolbar) return;
  auto* button = new (std::nothrow) T_Button(toolbar, {12, 5, 70, 20}, id);
  if (!button) return;
  button->SetTitleId(kButtonCalc);
  button->SetDefault(true);
}

void T_HWindow::CreateModeBox(int32_t boxWidth, int32_t boxHeight) {
  if (modeBox) return;
  int32_t top = toolbar ? kToolbarHeight + 2 : 0;
  int32_t w = std::max(boxWidth, kModeBoxMinWidth);
  modeBox = new (std::nothrow) T_Modebox(this, {3, top + 3, w, boxHeight - 7}, kModeBoxId);
  if (!modeBox) return;
  int32_t itemX = 3 + w + kModeItemGap;
  modeItem = new (std::nothrow) T_ModeItem(this, {itemX, top, width - itemX, boxHeight});
}

int32_t T_HWindow::ModeBoxWidth() const { return modeBox ? modeBox->width : 0; }

// --- Dragging the mode box's width --------------------------------------------------------------

bool T_HWindow::OnModeBoxHandle(int32_t px, int32_t py) const {
  if (!modeBox || !modeBox->visible) return false;
  int32_t left = modeBox->x + modeBox->width + kModeBoxHandleGap;
  return px >= left && px < left + kModeBoxHandleWidth && py >= modeBox->y &&
         py < modeBox->y + modeBox->height;
}

bool T_HWindow::SetCursor(InputEvent* event, T_GrafElement* target) {
  if (!event->rightButton && OnModeBoxHandle(event->x, event->y)) {
    CursorSet(kSizeWECursor);
    return true;
  }
  return T_Window::SetCursor(event, target);
}

bool T_HWindow::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (!event->rightButton && OnModeBoxHandle(event->x, event->y)) {
    TrackModeBoxWidth(event);
    return true;
  }
  return T_Window::MouseDown(event, target);
}

void T_HWindow::TrackModeBoxWidth(InputEvent* event) {
  int32_t top = toolbar ? kToolbarHeight + 2 : 0;
  // Leaving this neighbourhood of the window cancels the drag until the pointer comes back.
  RECT keep{-30, top - 30, width + 66, modeBox->height + top + 30};
  int32_t startX = event->x;
  int32_t startWidth = modeBox->width;
  // A narrow window must not turn the bounds around: the minimum wins.
  int32_t widest = std::max(kModeBoxMinWidth, width - 6);
  InputEvent poll = *event;
  for (;;) {
    Item_PollPointer(this, &poll);
    if (!poll.leftButton) break;
    POINT at{poll.x, poll.y};
    int32_t wanted = startWidth;
    if (PtInRect(&keep, at)) {
      wanted = std::clamp(startWidth + poll.x - startX, kModeBoxMinWidth, widest);
    }
    // The box may have gone while the loop polled (a window closing under the pointer).
    if (!modeBox) break;
    if (wanted == modeBox->width) continue;
    modeBox->ResizeBy(wanted - modeBox->width, 0);
    if (modeItem) {
      // The header area keeps its place beside the box (as CreateModeBox lays it out) but never
      // passes its own right edge: a negative width would hand the header layout an inverted
      // rectangle.
      int32_t left = std::min(modeBox->x + wanted + kModeItemGap, modeItem->x + modeItem->width);
      modeItem->MoveEdges(left - modeItem->x, 0, 0, 0);
    }
    GrafElement_Invalidate(this, kPaintNow | kPaintChildren);
  }
}

ModeNode* T_HWindow::AddModeItem(ModeNode* parentNode, ModeNode* at, int32_t id) {
  return modeBox ? modeBox->AddNode(parentNode, at, id) : nullptr;
}

ModeNode* T_HWindow::AddModeItemWithPicture(ModeNode* parentNode, ModeNode* at, int32_t id,
                                            int32_t picture) {
  ModeNode* node = AddModeItem(parentNode, at, id);
  if (node && picture) modeBox->SetNodePicture(node, picture);
  return node;
}

void T_HWindow::RemoveModeItem(ModeNode* node) {
  if (!modeBox) return;
  if (initialModeItem && ModeNodeWithin(initialModeItem, node)) initialModeItem = nullptr;
  modeBox->RemoveNode(node);
}

void T_HWindow::SelectModeItem(ModeNode* node) {
  if (modeBox) modeBox->SelectNode(node);
}

void T_HWindow::SelectModeById(int32_t id) {
  if (modeBox) modeBox->SelectNodeById(id);
}

void T_HWindow::ReselectMode() {
  if (!modeBox) return;
  ModeNode* node = modeBox->SelectedNode();
  if (node) modeBox->SelectById(node->id);
}

void T_HWindow::SetMode(int32_t id) {
  if (modeBox) modeBox->SelectById(id);
}

void T_HWindow::SetModeItemFlag(bool flag) {
  if (!modeItem || modeItem->showLabels == (flag ? 1 : 0)) return;
  modeItem->showLabels = flag ? 1 : 0;
  if (modeItem->opened) Item_InvalidateShape(modeItem, 0);
}

// --- Titles and changes
// ---------------------------------------------------------------------------

void T_HWindow::MakeTitle(T_HWindow* source) {
  T_TextBuf title;
  const char* kindTitle = GetString(WindowKindTitleId(windowKind));
  if (source) {
    TextBufAssign(&title, source->Title());
    TextBufAppend(&title, " >> ");
    TextBufAppend(&title, kindTitle);
  } else if (TemplateHangsInTree(templ) && documentOps.templatePath) {
    documentOps.templatePath(templ, &title);
  } else {
    for (int32_t n = 1;; ++n) {
      TextBufAssign(&title, kindTitle);
      TextBufAppendChar(&title, ' ');
      TextBufAppendInt(&title, n);
      bool taken = false;
      for (T_HWindow* w = windowList; w && !taken; w = w->nextWindow) {
        taken = w != this && std::strcmp(w->Title(), title.c_str()) == 0;
      }
      if (!taken) break;
    }
  }
  SetTitleBuf(&title);
}

void T_HWindow::BroadcastChange(int32_t code) {
  if (!database || !documentOps.notifyChange) return;
  ChangeNote note;
  note.code = code;
  note.database = database;
  note.object = this;
  documentOps.notifyChange(&note);
}

void T_HWindow::Notify(int32_t code) {
  if (code == kNotifyOpened) Log(this, kLogOpening);
  if (code == kNotifyClosed) Log(this, kLogClosed);
  if (code == kNotifyOpened && initialModeItem) SelectModeItem(initialModeItem);
  if ((code == kNotifyActivation || code == kNotifyTick) && active && database &&
      documentOps.rebuildDatabaseMenus) {
    documentOps.rebuildDatabaseMenus(database);
  }
  T_Window::Notify(code);
  if (code == kNotifyOpened) {
    BroadcastChange(kChangeWindowOpened);
    if (templ && !TemplateHangsInTree(templ)) templ = nullptr;
  } else if (code == kNotifyClosed) {
    BroadcastChange(kChangeWindowClosed);
  } else if (code == kNotifyTick) {
    HeaderTick();
  }
}

void T_HWindow::OnChange(const ChangeNote* note) {
  T_Window::OnChange(note);
  if (!note) return;
  if (note->code == kChangeWindowCalculated && note->object == this) Log(this, kLogCalculated);
  if ((note->code == kChangeDatabaseOpened || note->code == kChangeDatabaseClosed) &&
      windowKind != kWindowDatabase) {
    Window_SetOwner(this, OwnerFor());
  }
  HeaderOnChange(note);
}

void T_HWindow::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (!HeaderEditText(text, field)) T_Window::OnEditText(text, field);
}

// --- Commands, keys, buttons, drops
// ---------------------------------------------------------------

void T_HWindow::UpdateCommands() {
  T_Window::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (menus && menus->enableCommand && database) {
    if (IsAnalysisKind(windowKind)) {
      menus->enableCommand(kCommandInstallTemplate, true);
      if (TemplateHangsInTree(templ)) menus->enableCommand(kCommandRemoveTemplate, true);
    }
    if (IsAnalysisKind(windowKind) || windowKind == kWindowCardEditor) {
      menus->enableCommand(kCommandSetDefaults, true);
    }
  }
  bool documents = false;
  for (T_HWindow* w = windowList; w && !documents; w = w->nextWindow) {
    documents = w->windowKind != kWindowDatabase;
  }
  if (menus && menus->enableCommand) menus->enableCommand(kCommandCloseAll, documents);
}

bool T_HWindow::DoCommand(int32_t command) {
  if (database) {
    switch (command) {
      case kCommandSetDefaults:
        if (documentOps.runTemplateDefaults) documentOps.runTemplateDefaults(database, this);
        return true;
      case kCommandInstallTemplate:
        if (documentOps.runInstallTemplate) documentOps.runInstallTemplate(database, this);
        return true;
      case kCommandRemoveTemplate:
        if (documentOps.removeInstalledTemplate) {
          documentOps.removeInstalledTemplate(database, this);
        }
        return true;
      default:
        break;
    }
  }
  switch (command) {
    case kCommandImport:
      ImportFile(nullptr);
      return true;
    case kCommandTransform:
    case kCommandAggregate:
    case kCommandDeleteData:
    case kCommandExamine:
    case kCommandApprove:
      Calculate(true);
      if (AbortRequested()) return true;
      if (command == kCommandTransform) {
        if (documentOps.openTransformDialog) documentOps.openTransformDialog(this);
      } else if (command == kCommandAggregate) {
        if (documentOps.openAggregateDialog) documentOps.openAggregateDialog(this);
      } else if (command == kCommandDeleteData) {
        DeleteData(true);
      } else {
        MarkCards(command);
      }
      return true;
    default:
      return T_Window::DoCommand(command);
  }
}

bool T_HWindow::KeyDown(InputEvent* event, T_GrafElement* target) {
  if (T_Window::KeyDown(event, target)) return true;
  int32_t step;
  switch (event->keyCode) {
    case kKeyHome:
      step = kStepFirst;
      break;
    case kKeyEnd:
      step = kStepLast;
      break;
    case kKeyPageUp:
      step = kStepPrevious;
      break;
    case kKeyPageDown:
      step = kStepNext;
      break;
    default:
      return false;
  }
  bool homeOrEnd = step == kStepFirst || step == kStepLast;
  if (homeOrEnd && !event->control && focusedItem && focusedItem->kind == kKindEdit) return false;
  T_DeferModeCom::Post(this, step, event->control != 0);
  return true;
}

void T_HWindow::OnButton(T_GrafElement* button) {
  int32_t label = 0;
  if (button && button->kind == kKindButton) label = static_cast<T_Button*>(button)->title.id;
  switch (label) {
    case kButtonPageSetup:
      Window_PageSetup(this, false);
      break;
    case kButtonPrint:
      Window_Print(this, false);
      break;
    case kButtonExport:
      Export(nullptr, 0);
      break;
    case kButtonCalc:
      Calculate(true);
      break;
    default:
      T_Window::OnButton(button);
      break;
  }
}

void T_HWindow::OnSelectorEvent(T_GrafElement* selector) {
  if (selector && selector == toolSelector) {
    OnToolSelected(toolSelector->currentPicture);
    return;
  }
  T_Window::OnSelectorEvent(selector);
}

bool T_HWindow::AcceptDrop(TransferList* list) {
  if (T_Window::AcceptDrop(list)) return true;
  if (!list || !database) return false;
  for (TransferItem* item = list->first; item; item = item->next) {
    if ((item->kind & kTransferAnyFile) == 0) continue;
    const T_TextBuf* path = item->path ? item->path : &item->text;
    if (path->length == 0) continue;
    Activate();
    ImportFile(path->c_str());
    return true;
  }
  return false;
}

// --- Painting held during a change -------------------------------------------------------------

namespace {

struct PaintHoldCount {
  const T_Base* database;
  int32_t count;
};
std::vector<PaintHoldCount> paintHolds;

}  // namespace

DatabasePaintHold::DatabasePaintHold(const T_Base* database) : database_(database) {
  for (PaintHoldCount& hold : paintHolds) {
    if (hold.database == database) {
      ++hold.count;
      return;
    }
  }
  paintHolds.push_back({database, 1});
}

DatabasePaintHold::~DatabasePaintHold() {
  for (size_t i = 0; i < paintHolds.size(); ++i) {
    if (paintHolds[i].database != database_) continue;
    if (--paintHolds[i].count > 0) return;
    paintHolds.erase(paintHolds.begin() + static_cast<std::ptrdiff_t>(i));
    break;
  }
  for (T_HWindow* w = windowList; w; w = w->nextWindow) {
    if (w->database == database_ && w->native.handle) InvalidateRect(w->native.handle, nullptr, FALSE);
  }
}

bool DatabasePaintingHeld(const T_Base* database) {
  for (const PaintHoldCount& hold : paintHolds) {
    if (hold.database == database) return true;
  }
  return false;
}

bool T_HWindow::PaintHeld() { return database && DatabasePaintingHeld(database); }

// --- The window list ----------------------------------------------------------------------------

T_HWindow* WindowListFirst() { return windowList; }

T_HWindow* FindWindowOfTemplate(T_Template* templ) {
  if (!templ) return nullptr;
  for (T_HWindow* w = windowList; w; w = w->nextWindow) {
    if (w->templ == templ) return w;
  }
  return nullptr;
}

T_HWindow* FindWindowOfKind(int32_t kind, T_Base* database) {
  for (T_HWindow* w = windowList; w; w = w->nextWindow) {
    if (w->windowKind == kind && (!database || w->database == database)) return w;
  }
  return nullptr;
}

void SetTitleWithName(T_Window* window, T_Window* named, int32_t textId) {
  T_TextBuf title;
  TextBufAssign(&title, GetString(textId));
  TextBufFillParam(&title, 0, named ? named->Title() : "");
  window->SetTitleBuf(&title);
}

void BroadcastToWindows(const ChangeNote* note, T_Base* database) {
  BroadcastToDocumentWindows(note, database);
  if (T_Application* application = App()) {
    for (T_GrafElement* child = application->firstChild; child; child = child->next) {
      if (child->kind == kKindDialog) child->OnChange(note);
    }
  }
}

void BroadcastToDocumentWindows(const ChangeNote* note, T_Base* database) {
  // A window may close in its handler: re-find the successor by position in a fresh walk.
  for (T_HWindow* w = windowList; w;) {
    T_HWindow* following = w->nextWindow;
    if (w->database == database) w->OnChange(note);
    bool stillListed = false;
    for (T_HWindow* v = windowList; v && !stillListed; v = v->nextWindow)
      stillListed = v == following;
    w = stillListed ? following : nullptr;
  }
}

bool CloseWindowsOfDatabase(T_Base* database, int32_t mode) {
  T_HWindow* previous = nullptr;
  for (;;) {
    T_HWindow* found = nullptr;
    for (T_HWindow* w = windowList; w && !found; w = w->nextWindow) {
      if (w->database == database && w->windowKind != kWindowDatabase) found = w;
    }
    if (!found) return true;
    if (found == previous) return false;
    if (!EventHandler_CloseAndDelete(found, mode)) return false;
    previous = found;
  }
}
