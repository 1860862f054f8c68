#include "app/base_window.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "app/base_info.h"
#include "app/base_usage.h"
#include "app/file_wait.h"
#include "app/preferences.h"
#include "app/qeb_application.h"
#include "core/alert.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/message_pump.h"
#include "core/placeholders.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/file_questions.h"
#include "database/subsets.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/item.h"
#include "ui/item_drawing.h"
#include "ui/native_window.h"
#include "ui/pictures.h"
#include "ui/text_style.h"
#include "ui/window_utilities.h"

namespace {

constexpr int32_t kPictureNormal = 1000;
constexpr int32_t kPictureText = 1001;
constexpr int32_t kTextBadgeNormal = 4000;
constexpr int32_t kTextBadgeBrowser = 4001;
constexpr int32_t kTextBadgeText = 4002;
constexpr int32_t kTextDatabaseSize = 4020;
constexpr int32_t kTextCards = 2547;
constexpr int32_t kTextLines = 2548;
constexpr int32_t kTextFirst = 2816;
constexpr int32_t kTextLast = 2817;
constexpr int32_t kTextNotes = 3506;
constexpr int32_t kTextSubset = 3135;
constexpr int32_t kTextCardsCount = 4021;  // "@0 cards"
constexpr int32_t kAskDelete = 3208;
constexpr int32_t kButtonDelete = 718;
constexpr int32_t kButtonClose = 707;
constexpr int32_t kFileKindBrowser = 2;
constexpr int32_t kFileKindText = 5;
constexpr int32_t kFieldCardTitle = 65;
constexpr int32_t kFieldLineText = 66;
constexpr int32_t kFieldFirstValue = 67;
constexpr int32_t kSubsetPlacement = 12;  // the sum of distances under which a spot is taken
constexpr int32_t kStepBeyondFrames = 272;

const RECT* Keep(const RECT& rect) { return &rect; }

RECT InitialRect(const T_GrafElement* except) {
  RECT area;
  AvailableArea(&area);
  int32_t frame = GetSystemMetrics(SM_CXDLGFRAME);
  int32_t caption = GetSystemMetrics(SM_CYCAPTION) - 1;
  POINT others[64];
  int32_t count = 0;
  if (T_Application* app = App()) {
    for (T_GrafElement* w = app->firstChild; w && count < 64; w = w->next) {
      if (w != except) others[count++] = {w->x, w->y};
    }
  }
  POINT at = BaseWindowPosition(area, frame, caption, others, count);
  return RECT{at.x, at.y, kBaseWindowWidth, kBaseWindowHeight};
}

RECT BadgeHitRect() {
  RECT rect = kBaseBadgeRect;
  RectInflate(&rect, 3);
  rect.bottom -= 1;
  return rect;
}

// The caption under the badge: 16 pixels left of the picture to 17 right of it, 1 to 13 below.
RECT BadgeCaptionRect() {
  return RECT{kBaseBadgeRect.left - 16, kBaseBadgeRect.bottom + 1, kBaseBadgeRect.right + 17,
              kBaseBadgeRect.bottom + 13};
}

// Measuring happens outside painting: a memory port in the window's font.
template <typename Measure>
int32_t MeasureInStyle(const TextStyle* style, Measure measure) {
  int32_t width = 0;
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenElement(&port, nullptr, nullptr)) {
    if (style) {
      Gfx.style = *style;
      PortApplyStyle();
    }
    width = measure();
    PortClose(&port);
  }
  PortFreeRegions(&port);
  return width;
}

}  // namespace

// --- Pure pieces ----------------------------------------------------------------------------------

void ComputeBaseFigures(T_Base* base, BaseFigures* figures) {
  int64_t reclaimable = 0;
  base->GetMemoryUsage(&figures->size, &reclaimable);
  figures->cards = base->cardCount;
  figures->lines = base->lineCount;
  figures->first = CardId{};
  figures->last = CardId{};
  CardRecord* sentinel = base->sentinelCard;
  if (sentinel && sentinel->next != sentinel) {
    figures->first = CardGetId(sentinel->next);
    figures->last = CardGetId(sentinel->previous);
  }
}

POINT BaseWindowPosition(const RECT& area, int32_t frame, int32_t caption, const POINT* others,
                         int32_t count) {
  POINT at{area.left + frame + 1, area.top + caption + frame + 1};
  for (bool moved = true; moved;) {
    moved = false;
    if (at.x + kBaseWindowWidth >= area.right) return POINT{0, 0};
    for (int32_t i = 0; i < count; ++i) {
      if (std::abs(others[i].x - at.x) + std::abs(others[i].y - at.y) < kSubsetPlacement) {
        at.x += 2 * frame + kStepBeyondFrames;
        moved = true;
        break;
      }
    }
  }
  return at;
}

int32_t MeasureDimensionNamesWidth(T_Base* base) {
  int32_t width = 0;
  for (int32_t d = kDimensionCount - 1; d >= 0; --d) {
    if (base->IsDimUsed(d)) width = std::max(width, base->MeasureFieldName(d + 1, 0));
  }
  return width + 4;
}

int32_t MeasureCardFieldsWidth(T_Base* base) {
  int32_t width = std::max(base->MeasureFieldName(kFieldCardTitle, 0),
                           base->MeasureFieldName(kFieldLineText, 0));
  width = std::max(width, TextWidth(GetString(kTextNotes)));
  width = std::max(width, TextWidth(GetString(kTextSubset)));
  // With several value columns a chooser arrow stands beside each name.
  int32_t arrow = base->valueCount > 1 ? 16 : 0;
  for (int32_t i = 0; i < base->valueCount; ++i) {
    width = std::max(width, base->MeasureFieldName(kFieldFirstValue + i, 0) + arrow);
  }
  return width + 4;
}

// --- T_BaseWin ------------------------------------------------------------------------------------

T_BaseWin::T_BaseWin(T_Base* base)
    : T_HWindow(kKindDocument, kWindowDatabase, Keep(InitialRect(nullptr)), kPictureNormal, base, 0) {
  // The spot computed here stands even at (0, 0), which the toolkit would cascade.
  RECT wanted = InitialRect(this);
  x = wanted.left;
  y = wanted.top;
  T_TextBuf name;
  PathGetName(base->path->c_str(), &name);
  SetTitleBuf(&name);
  fileDate = FileModifiedDate(base->path->c_str());
  fileSize = std::max<int64_t>(FileSizeOfPath(base->path->c_str()), 0);
  PendingErrorClear();
  fileKind = base->fileKind;
  lastCheckTime = TickCount();
  UpdateCardFieldsWidth();
  EventHandler_Open(this);
}

T_BaseWin::~T_BaseWin() {
  T_Base* base = database;
  if (base && base->mainWindow == this) {
    base->mainWindow = nullptr;
    delete base;
  }
}

bool T_BaseWin::QueryClose(int32_t code) {
  if (!T_HWindow::QueryClose(code)) return false;
  if (!database || database->mainWindow != this) return true;
  return CanClose(database, code == kCloseAsk ? kCloseAskAlways : code);
}

void T_BaseWin::MakeFiguresValid() {
  if (summaryValid || !database) return;
  ComputeBaseFigures(database, &figures);
  summaryValid = true;
  GrafElement_Invalidate(this, 0);
}

bool T_BaseWin::Calculate(bool) {
  if (summaryValid) return false;
  MakeFiguresValid();
  return true;
}

void T_BaseWin::Notify(int32_t code) {
  T_HWindow::Notify(code);
  if (code == kNotifyTick && !CurrentFileWait() && database) {
    MakeFiguresValid();
    uint64_t now = TickCount();
    if (now - lastCheckTime > kFileCheckInterval) {
      CompareFile();
      lastCheckTime = now;
    }
    if (database->subsets) SubsetListReleaseIdle(database->subsets);
  } else if (code == kNotifyLanguage && database) {
    database->RefreshDefaultLabels();
    GrafElement_Invalidate(this, 0);
  }
}

void T_BaseWin::CompareFile() {
  T_Base* base = database;
  if (checking || changeAnswered || !Prefs().checkFiles || !base || base->busyCount >= 1 ||
      CurrentFileWait() || ModalLoopRunning() || AbortRequested()) {
    return;
  }
  checking = true;
  double now = FileModifiedDate(base->path->c_str());
  if (now != fileDate && now != 0 && fileDate != 0) {
    SysFile file;
    FileInit(&file);
    bool readable = FileOpenRead(&file, base->path->c_str());
    FileDestroy(&file);
    if (readable) {
      changeAnswered = true;
      if (WebServiceServing() && !base->modified) {
        PostDeferFileCom(kDeferReopen, base);
      } else {
        int32_t answer = AskAboutFile(base, kAskModifiedOnDisk, base->path->c_str(),
                                      {kButtonOk, kButtonClose, kButtonOpenModified}, 0, 1);
        if (answer == kButtonClose) PostDeferFileCom(kDeferClose, base);
        if (answer == kButtonOpenModified) PostDeferFileCom(kDeferReopen, base);
      }
    }
  }
  // A file that is gone, locked or unreadable asks nothing and leaves no error behind.
  PendingErrorClear();
  PendingError.abort.store(false);
  checking = false;
}

void T_BaseWin::RecordFileState() {
  fileDate = FileModifiedDate(database->path->c_str());
  fileSize = std::max<int64_t>(FileSizeOfPath(database->path->c_str()), 0);
  PendingErrorClear();
  changeAnswered = false;
}

void T_BaseWin::UpdateDimensionNamesWidth() {
  T_Base* base = database;
  base->SetListWidth1(MeasureInStyle(&style, [base] { return MeasureDimensionNamesWidth(base); }));
}

void T_BaseWin::UpdateCardFieldsWidth() {
  T_Base* base = database;
  base->SetListWidth2(MeasureInStyle(&style, [base] { return MeasureCardFieldsWidth(base); }));
}

void T_BaseWin::OnChange(const ChangeNote* note) {
  T_HWindow::OnChange(note);
  if (!note || note->database != database || !database) return;
  switch (note->code) {
    case kChangePath: {
      T_TextBuf name;
      PathGetName(database->path->c_str(), &name);
      SetTitleBuf(&name);
      break;
    }
    case kChangeSaved:
      RecordFileState();
      break;
    case kChangeSaveKind:
      if (database->fileKind != fileKind) {
        fileKind = database->fileKind;
        RECT badge = kBaseBadgeRect;
        GrafElement_InvalidateRect(this, &badge, 0);
        RECT caption = BadgeCaptionRect();
        GrafElement_InvalidateRect(this, &caption, 0);
      }
      break;
    case 11:
    case kChangeComponentsDeleted:
    case kChangeCardSaved:
    case kChangeCards:
    case 32:
    case 65:
      summaryValid = false;
      break;
    case kChangeCardDigits:
      GrafElement_Invalidate(this, 0);
      break;
    case 61:
    case 62:
      if (SubsetIsStored(note->object)) summaryValid = false;
      break;
    default:
      break;
  }
  if (note->code == kChangeSingularName || note->code == kChangeLineSlots) {
    UpdateDimensionNamesWidth();
  }
  if (note->code == kChangeLineSlots) summaryValid = false;
  if (note->code == 32 || note->code == 35 || note->code == 36 || note->code == 37) {
    UpdateCardFieldsWidth();
  }
}

void T_BaseWin::UpdateCommands() {
  T_HWindow::UpdateCommands();
  if (CurrentFileWait() || !database) return;
  MakeFiguresValid();
  if (database->cardCount > 0) {
    if (const MenuOperations* menus = Menus(); menus && menus->enableCommand) {
      menus->enableCommand(kCommandDeleteData, true);
      // Transform and Aggregate wait for their dialogs.
      const DocumentOperations& ops = CurrentDocumentOperations();
      if (ops.openTransformDialog) menus->enableCommand(kCommandTransform, true);
      if (ops.openAggregateDialog) menus->enableCommand(kCommandAggregate, true);
    }
  }
}

bool T_BaseWin::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_HWindow::MouseDown(event, target)) return true;
  RECT hit = BadgeHitRect();
  POINT at{event->x, event->y};
  if (!event->leftButton || event->doubleClick || !PtInRect(&hit, at)) return false;
  InputEvent poll = *event;
  bool inside = true;
  badgePressed = true;
  GrafElement_InvalidateRect(this, &hit, kPaintNow);
  for (;;) {
    Item_PollPointer(this, &poll);
    bool now = PtInRect(&hit, POINT{poll.x, poll.y}) != 0;
    if (now != inside) {
      inside = now;
      badgePressed = now;
      GrafElement_InvalidateRect(this, &hit, kPaintNow);
    }
    if (!poll.leftButton) break;
  }
  badgePressed = false;
  GrafElement_InvalidateRect(this, &hit, kPaintNow);
  if (inside && database) OpenBaseInfo(database, 0);
  return true;
}

void T_BaseWin::DrawContent() {
  T_HWindow::DrawContent();
  if (!database) return;
  MakeFiguresValid();
  RECT badge = kBaseBadgeRect;
  PictureDraw(&badge, fileKind == kFileKindText ? kPictureText : kPictureNormal);
  if (badgePressed) {
    RECT frame = BadgeHitRect();
    DrawRectFrame(&frame, false);
  }
  int32_t captionId = fileKind == kFileKindBrowser ? kTextBadgeBrowser
                      : fileKind == kFileKindText  ? kTextBadgeText
                                                   : kTextBadgeNormal;
  RECT caption = BadgeCaptionRect();
  uint16_t oldAlign = TextSetAlign(kStyleCentre);
  TextDrawIdInRect(&caption, captionId);
  TextSetAlign(oldAlign);

  const int32_t labels[5] = {kTextDatabaseSize, kTextCards, kTextLines, kTextFirst, kTextLast};
  const int32_t tops[5] = {7, 22, 35, 50, 63};
  for (int32_t i = 0; i < 5; ++i) {
    RECT rect{10, tops[i], 180, tops[i] + 12};
    TextDrawIdInRect(&rect, labels[i]);
  }
  if (summaryValid) {
    RECT sizeRect{60, tops[0], 180, tops[0] + 12};
    DrawByteSize(&sizeRect, figures.size);
    T_TextBuf values[4];
    FormatCount(&values[0], figures.cards, kSeparatorGlobal);
    FormatCount(&values[1], figures.lines, kSeparatorGlobal);
    FormatCardIdOrDash(&values[2], &figures.first, database->cardDigits);
    FormatCardIdOrDash(&values[3], &figures.last, database->cardDigits);
    oldAlign = TextSetAlign(kStyleRight);
    for (int32_t i = 0; i < 4; ++i) {
      RECT rect{60, tops[i + 1], 180, tops[i + 1] + 12};
      TextDrawInRectIfAny(&rect, values[i].c_str());
    }
    TextSetAlign(oldAlign);
  }
  DrawDottedHLine(0, 82, 300);
}

void T_BaseWin::DeleteData(bool ask) {
  T_Base* base = database;
  if (!base || base->cardCount == 0) return;
  if (ask) {
    T_TextBuf count(GetString(kTextCardsCount));
    TextBufFillParamInt(&count, 0, static_cast<int32_t>(std::min<int64_t>(base->cardCount, INT32_MAX)));
    AlertRequest request;
    AlertInit(&request);
    request.message = kAskDelete;
    request.owner = this;
    AlertAddText(&request, count.c_str());
    AlertAddButton(&request, kButtonDelete);
    AlertAddButton(&request, kButtonCancel);
    request.defaultAnswer = 1;
    if (ShowAlert(&request) != 0) return;
  }
  if (!CloseCardEditors(base)) return;
  // The deletion lets messages through: no window of the database paints the cards going away.
  DatabasePaintHold hold(base);
  if (DeleteAllCards(base) > 0) base->NotifyCode(kChangeCards);
}

bool CloseCardEditors(T_Base* base) {
  PumpMessages();
  for (T_HWindow* window = WindowListFirst(); window;) {
    T_HWindow* following = window->nextWindow;
    if (window->database == base && window->windowKind == kWindowCardEditor) {
      if (!window->QueryClose(kCloseAsk)) return false;
      delete window;
      // The list may have changed under the deletion: start again from its head.
      following = WindowListFirst();
    }
    window = following;
  }
  return true;
}

// --- The engine's seams ---------------------------------------------------------------------------

void InstallBaseWindows() {
  BaseServices services = CurrentBaseServices();
  services.createWindow = [](T_Base* base) -> T_Window* {
    if (!App()) return nullptr;
    return new (std::nothrow) T_BaseWin(base);
  };
  services.destroyWindow = [](T_Base* base, T_Window* window) {
    base->mainWindow = nullptr;  // the window must not delete the database going now
    delete window;
  };
  services.showDatabaseInfo = [](T_Base* base) { OpenBaseInfo(base, 0); };
  SetBaseServices(&services);
}
