#include "app/base_info.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "app/file_wait.h"
#include "core/date_record.h"
#include "core/threads.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/template_tree.h"
#include "ui/clipboard_stream.h"
#include "ui/draw_primitives.h"
#include "ui/item_drawing.h"
#include "ui/menu_model.h"
#include "ui/native_menu.h"
#include "ui/printing.h"
#include "ui/text_style.h"
#include "ui/window_utilities.h"

namespace {

constexpr int32_t kPictureDatabase = 1000;
constexpr int32_t kTextTitle = 2542;  // "Database Info"
constexpr int32_t kTextCopyTag = 723;  // "Text"
constexpr int32_t kRowHeight = 13;
constexpr int32_t kGroupStep = 3 * kRowHeight + 4;
// Labels get the room of their longest translations ("Verifikationstexter", "I hukommelsen (RAM)").
constexpr int32_t kValueLeft = 125;
// The file frame's values (a time, names of versions, systems and users) are wider than figures.
constexpr int32_t kFileValueLeft = 60;
constexpr int32_t kValueRight = 200;
constexpr int32_t kDimColumn = 73;
constexpr int32_t kDimColumnsFromRight = 225;
constexpr int32_t kDimHeadHeight = 28;

const int32_t kFrameTitles[5] = {4020, 4024, 4028, 4030, 4033};

const RECT* Keep(const RECT& rect) { return &rect; }

void DrawLabel(int32_t x, int32_t y, int32_t right, int32_t textId) {
  RECT rect{x, y, right, y + 12};
  TextDrawIdInRect(&rect, textId);
}

void DrawValue(int32_t left, int32_t right, int32_t y, const char* text) {
  RECT rect{left, y, right, y + 12};
  uint16_t old = TextSetAlign(kStyleRight);
  TextDrawInRectIfAny(&rect, text);
  TextSetAlign(old);
}

void DrawCount(int32_t left, int32_t right, int32_t y, int64_t count) {
  T_TextBuf text;
  FormatCount(&text, count, kSeparatorGlobal);
  DrawValue(left, right, y, text.c_str());
}

void DrawCardId(int32_t y, const CardId* id, int32_t digits) {
  T_TextBuf text;
  FormatCardIdOrDash(&text, id, digits);
  DrawValue(kValueLeft, kValueRight, y, text.c_str());
}

void DrawSize(int32_t y, int64_t bytes) {
  RECT rect{kValueLeft, y, kValueRight, y + 12};
  DrawByteSize(&rect, bytes);
}

// The widest plural name of the shown rows and of "Total", in the window's font.
int32_t WidestDimensionName(T_Base* base, const TextStyle* style) {
  int32_t widest = TextWidthInStyle(style, GetString(4029));
  const int32_t rows = BaseInfoRows(base);
  for (int32_t d = 0; d < rows; ++d) {
    widest = std::max(widest, TextWidthInStyle(style, base->GetDimPlural(d)));
  }
  return widest;
}

}  // namespace

// --- Frames -------------------------------------------------------------------------------------

T_BaseInfoFrame::T_BaseInfoFrame(T_BaseInfo* window, const XYWH& rect, int32_t part,
                                 int32_t titleId)
    : T_Frame(window, rect, 0, false), info(window), part(part) {
  SetTitleId(titleId);
  EventHandler_Open(this);
}

void T_BaseInfoFrame::OnChange(const ChangeNote* note) {
  T_Frame::OnChange(note);
  if (part == kInfoCards && note && note->code == kChangeCardDigits &&
      note->database == info->database) {
    GrafElement_Invalidate(this, 0);
  }
}

void T_BaseInfoFrame::DrawContent() {
  T_Frame::DrawContent();
  T_Base* base = info->database;
  const BaseUsage& u = info->usage;
  const bool counted = !(info->pending & kUpdateCounts);
  switch (part) {
    case kInfoMemory:
      DrawLabel(8, 2, kValueLeft, 4022);
      DrawLabel(8, 2 + kRowHeight, kValueLeft, 4023);
      if (u.memorySize >= 0) {
        DrawSize(2, u.memorySize);
        if (u.fileSize > 0) DrawSize(2 + kRowHeight, u.fileSize);
      }
      break;
    case kInfoCards: {
      const int32_t labels[8] = {2547, 4025, 2548, 4026, 4027, 3506, 2816, 2817};
      const int64_t counts[6] = {u.cards, u.groups, u.lines, u.cardTitles, u.lineTexts, u.notes};
      for (int32_t i = 0; i < 8; ++i) {
        int32_t y = 2 + (i / 3) * kGroupStep + (i % 3) * kRowHeight;
        DrawLabel(8, y, kValueLeft, labels[i]);
        if (!counted) continue;
        if (i < 6) {
          DrawCount(kValueLeft, kValueRight, y, counts[i]);
        } else {
          DrawCardId(y, i == 6 ? &u.first : &u.last, base->cardDigits);
        }
      }
      DrawDottedHLine(4, 42, content.right - 8);
      DrawDottedHLine(4, 85, content.right - 8);
      break;
    }
    case kInfoDimensions: {
      const int32_t right = content.right;
      const int32_t heads[3] = {4042, 4043, 4044};
      for (int32_t c = 0; c < 3; ++c) {
        int32_t left = right - kDimColumnsFromRight + c * kDimColumn;
        RECT rect{left, 2, left + kDimColumn - 4, 2 + kDimHeadHeight};
        uint16_t old = TextSetAlign(kStyleRight);
        TextDrawIdInRect(&rect, heads[c]);
        TextSetAlign(old);
      }
      int32_t y = 2 + kDimHeadHeight + 4;
      auto row = [&](const char* name, int32_t i) {
        RECT rect{8, y, right - kDimColumnsFromRight, y + 12};
        TextDrawInRectIfAny(&rect, name);
        if (counted) {
          const int64_t values[3] = {u.inUse[i], u.active[i], u.all[i]};
          for (int32_t c = 0; c < 3; ++c) {
            int32_t left = right - kDimColumnsFromRight + c * kDimColumn;
            DrawCount(left, left + kDimColumn - 4, y, values[c]);
          }
        }
        y += kRowHeight;
      };
      for (int32_t d = 0; d < info->layout.rows; ++d) {
        if (d > 0 && d % 4 == 0) {
          DrawDottedHLine(4, y + 1, right - 8);
          y += 4;
        }
        row(base->GetDimPlural(d), d);
      }
      DrawHLine(4, y + 1, right - 8);
      y += 4;
      row(GetString(4029), kUsageTotal);
      break;
    }
    case kInfoAnalyses:
      DrawLabel(8, 2, kValueLeft + 40, 4031);
      DrawLabel(8, 2 + kRowHeight, kValueLeft + 40, 4032);
      if (!(info->pending & kUpdateTemplates)) DrawCount(kValueLeft, kValueRight, 2, u.templateCount);
      if (!(info->pending & kUpdateAnalyses)) DrawSize(2 + kRowHeight, u.analysesMemory);
      break;
    case kInfoFile: {
      T_TextBuf text;
      BaseSavedAt(base, &u, &text);
      int32_t y = 2;
      if (text.empty()) {
        DrawLabel(8, y, kValueRight, 4035);
      } else {
        DrawLabel(8, y, kValueLeft, 4034);
        DrawValue(kFileValueLeft, kValueRight, y, text.c_str());
      }
      const FileInfo& file = base->fileInfo;
      auto line = [&](int32_t label, const char* value) {
        if (!value || !*value) return;
        y += kRowHeight;
        DrawLabel(8, y, kValueLeft, label);
        DrawValue(kFileValueLeft, kValueRight, y, value);
      };
      line(4036, file.versionLabel);
      line(4037, file.operatingSystem);
      BaseUserText(base, &text);
      line(4038, text.c_str());
      break;
    }
    default:
      break;
  }
}

// --- The window ---------------------------------------------------------------------------------

T_BaseInfo::T_BaseInfo(T_Base* base, int32_t flags)
    : T_HWindow(kKindDocument, kWindowDatabaseInfo, Keep(RECT{0, 0, 480, 360}),
                kPictureDatabase, base, (flags & kBaseInfoHidden) ? 1u : 0u) {
  SetTitleId(kTextTitle);
  ComputeBaseInfoLayout(base, WidestDimensionName(base, &style), &layout);
  frames[kInfoMemory] = new T_BaseInfoFrame(this, XYWH{15, 24, 208, 31}, kInfoMemory, kFrameTitles[0]);
  frames[kInfoCards] = new T_BaseInfoFrame(this, XYWH{15, 85, 208, 117}, kInfoCards, kFrameTitles[1]);
  frames[kInfoAnalyses] =
      new T_BaseInfoFrame(this, XYWH{15, 232, 208, 31}, kInfoAnalyses, kFrameTitles[3]);
  frames[kInfoFile] = new T_BaseInfoFrame(this, XYWH{15, 293, 208, layout.fileFrameHeight},
                                          kInfoFile, kFrameTitles[4]);
  frames[kInfoDimensions] = new T_BaseInfoFrame(
      this, XYWH{245, 24, layout.dimFrameWidth, layout.dimFrameHeight}, kInfoDimensions,
      kFrameTitles[2]);
  ReadBaseFileState(base, &usage);
  Relayout();
  if (!(flags & (kBaseInfoHidden | kBaseInfoPrivate))) {
    base->infoWindow = this;
    remembered = true;
  }
  EventHandler_Open(this);
}

T_BaseInfo::~T_BaseInfo() {
  if (database && database->infoWindow == this) database->infoWindow = nullptr;
}

void T_BaseInfo::Relayout() {
  ComputeBaseInfoLayout(database, WidestDimensionName(database, &style), &layout);
  MoveToRect(x, y, layout.width, layout.height);
  if (T_BaseInfoFrame* dims = frames[kInfoDimensions]) {
    dims->MoveToRect(dims->x, dims->y, layout.dimFrameWidth, layout.dimFrameHeight);
  }
  if (T_BaseInfoFrame* file = frames[kInfoFile]) {
    file->MoveToRect(file->x, file->y, file->width, layout.fileFrameHeight);
  }
  GrafElement_Invalidate(this, 0);
}

void T_BaseInfo::Update() {
  T_Base* base = database;
  if (!base) return;
  int64_t before = usage.memorySize;
  MeasureBaseMemory(base, &usage);
  if (usage.memorySize != before && frames[kInfoMemory]) {
    GrafElement_Invalidate(frames[kInfoMemory], 0);
  }
  if (pending & kUpdateCounts) {
    CountBaseUsage(base, &usage);
    pending &= ~kUpdateCounts;
    if (frames[kInfoCards]) GrafElement_Invalidate(frames[kInfoCards], 0);
    if (frames[kInfoDimensions]) GrafElement_Invalidate(frames[kInfoDimensions], 0);
  }
  if (pending & kUpdateTemplates) {
    usage.templateCount = CountTemplates(base);
    pending &= ~kUpdateTemplates;
    if (frames[kInfoAnalyses]) GrafElement_Invalidate(frames[kInfoAnalyses], 0);
  }
  if (pending & kUpdateAnalyses) {
    int64_t memory = 0;
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) {
      if (w->database == base) memory += w->GetMemoryUsage();
    }
    usage.analysesMemory = memory;
    pending &= ~kUpdateAnalyses;
    if (frames[kInfoAnalyses]) GrafElement_Invalidate(frames[kInfoAnalyses], 0);
  }
}

void T_BaseInfo::Notify(int32_t code) {
  T_HWindow::Notify(code);
  if (code == kNotifyTick && !CurrentFileWait()) Update();
  if (code == kNotifyLanguage) Relayout();
}

void T_BaseInfo::OnChange(const ChangeNote* note) {
  T_HWindow::OnChange(note);
  if (!note || note->database != database || !database) return;
  switch (note->code) {
    case kChangeSaved: {
      double date = usage.fileDate;
      int64_t size = usage.fileSize;
      ReadBaseFileState(database, &usage);
      if (usage.fileSize != size && frames[kInfoMemory]) GrafElement_Invalidate(frames[kInfoMemory], 0);
      if (usage.fileDate != date && frames[kInfoFile]) GrafElement_Invalidate(frames[kInfoFile], 0);
      Relayout();
      break;
    }
    case 11:
    case kChangeComponentsDeleted:
    case kChangeCardSaved:
    case kChangeCards:
      Relayout();
      pending |= kUpdateCounts;
      break;
    case kChangePluralName:
    case kChangeLineSlots:
      pending |= kUpdateCounts;
      break;
    case kChangeTemplates:
      pending |= kUpdateTemplates;
      break;
    case kChangeWindowOpened:
    case kChangeWindowCalculated:
    case kChangeWindowClosed:
      pending |= kUpdateAnalyses;
      break;
    default:
      break;
  }
}

void T_BaseInfo::UpdateCommands() {
  T_HWindow::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (menus && menus->enableCommand) menus->enableCommand(kCommandPrint, true);
  if (auto* copy = dynamic_cast<T_MenuItemTag*>(StandardEntry(kCommandCopy))) {
    copy->SetTagAndEnable(kTextCopyTag, true);
  } else if (menus && menus->enableCommand) {
    menus->enableCommand(kCommandCopy, true);
  }
}

bool T_BaseInfo::DoCommand(int32_t command) {
  if (command == kCommandCopy) {
    CopyText();
    return true;
  }
  return T_HWindow::DoCommand(command);
}

void T_BaseInfo::CopyText() {
  Update();
  T_OStreamClip stream;
  WriteBaseInfoText(database, &usage, &stream);
}

void T_BaseInfo::Print(void* record) {
  auto* phase = static_cast<PrintPhase*>(record);
  if (phase->phase == kPrintCountPages) {
    Update();
    phase->pageCount = 1;
  } else if (phase->phase == kPrintPage) {
    DrawPage();
  }
}

void T_BaseInfo::DrawPage() {
  constexpr int32_t kPageWidth = 480;
  constexpr int32_t kLabels = 0;
  constexpr int32_t kValues = 100;
  constexpr int32_t kValuesEnd = 200;
  constexpr int32_t kGroupGap = 23;
  T_Base* base = database;
  const BaseUsage& u = usage;
  T_TextBuf text;
  RECT top{0, 0, kPageWidth, 12};
  TextDrawInRectIfAny(&top, base->path->c_str());
  DateRecord now = DateNow();
  char stamp[24];
  std::snprintf(stamp, sizeof stamp, "%02d%02d%02d %02d:%02d", now.year % 100, now.month, now.day,
                now.hour, now.minute);
  DrawValue(kPageWidth - 120, kPageWidth, 0, stamp);
  DrawHLine(0, 14, kPageWidth);
  int32_t y = 14 + kGroupGap;
  auto title = [&](int32_t id) {
    DrawLabel(kLabels, y, kPageWidth, id);
    y += kRowHeight;
  };
  auto row = [&](int32_t id, const char* value) {
    DrawLabel(kLabels, y, kValues, id);
    DrawValue(kValues, kValuesEnd, y, value);
    y += kRowHeight;
  };
  auto count = [&](int32_t id, int64_t n) {
    FormatCount(&text, n, kSeparatorGlobal);
    row(id, text.c_str());
  };
  title(kFrameTitles[kInfoMemory]);
  FormatByteSize(&text, u.memorySize);
  row(4022, text.c_str());
  FormatByteSize(&text, u.fileSize);
  row(4023, text.c_str());
  y += kGroupGap - kRowHeight;
  title(kFrameTitles[kInfoCards]);
  const int32_t labels[6] = {2547, 4025, 2548, 4026, 4027, 3506};
  const int64_t counts[6] = {u.cards, u.groups, u.lines, u.cardTitles, u.lineTexts, u.notes};
  for (int32_t i = 0; i < 6; ++i) count(labels[i], counts[i]);
  FormatCardIdOrDash(&text, &u.first, base->cardDigits);
  row(2816, text.c_str());
  FormatCardIdOrDash(&text, &u.last, base->cardDigits);
  row(2817, text.c_str());
  y += kGroupGap - kRowHeight;
  title(kFrameTitles[kInfoDimensions]);
  auto dimRow = [&](const char* name, int32_t i) {
    RECT rect{kLabels, y, kValues, y + 12};
    TextDrawInRectIfAny(&rect, name);
    const int64_t values[3] = {u.inUse[i], u.active[i], u.all[i]};
    for (int32_t c = 0; c < 3; ++c) DrawCount(kValues + c * 71, kValues + (c + 1) * 71 - 4, y, values[c]);
    y += kRowHeight;
  };
  for (int32_t d = 0; d < layout.rows; ++d) dimRow(base->GetDimPlural(d), d);
  dimRow(GetString(4029), kUsageTotal);
  y += kGroupGap - kRowHeight;
  title(kFrameTitles[kInfoAnalyses]);
  count(4031, u.templateCount);
  FormatByteSize(&text, u.analysesMemory);
  row(4032, text.c_str());
  y += kGroupGap - kRowHeight;
  title(kFrameTitles[kInfoFile]);
  BaseSavedAt(base, &u, &text);
  if (text.empty()) {
    title(4035);
  } else {
    row(4034, text.c_str());
  }
  const FileInfo& file = base->fileInfo;
  if (file.versionLabel && *file.versionLabel) row(4036, file.versionLabel);
  if (file.operatingSystem && *file.operatingSystem) row(4037, file.operatingSystem);
  BaseUserText(base, &text);
  if (!text.empty()) row(4038, text.c_str());
}

T_BaseInfo* OpenBaseInfo(T_Base* base, int32_t flags) {
  if (!(flags & kBaseInfoPrivate)) {
    if (auto* open = dynamic_cast<T_BaseInfo*>(base->infoWindow)) {
      open->BringToFront();
      return open;
    }
  }
  auto* window = new (std::nothrow) T_BaseInfo(base, flags);
  if (window) window->Update();
  return window;
}

void WriteBaseInfoHtml(T_BaseInfo* window, T_OStream* stream) {
  window->Update();
  WriteBaseInfoHtml(window->database, &window->usage, stream);
}
