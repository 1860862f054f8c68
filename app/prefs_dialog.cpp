#include "app/prefs_dialog.h"

#include "app/com_server.h"
#include "app/file_association.h"
#include "app/preferences.h"
#include "app/recent_files.h"
#include "core/localized_text.h"
#include "core/number_parse.h"
#include "core/packed_date.h"
#include "core/threads.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"
#include "ui/value_choosers.h"

namespace {

constexpr int32_t kTextPreferences = 206;
constexpr int32_t kTextLanguage = 722;
constexpr int32_t kTextGeneral = 2300;
constexpr int32_t kTextDateFormat = 2301;
constexpr int32_t kTextAnalyses = 2302;
constexpr int32_t kTextAutoRecalc = 2303;
constexpr int32_t kTextRecentFiles = 2304;
constexpr int32_t kTextFullPaths = 2305;
constexpr int32_t kTextSubmenu = 2306;
constexpr int32_t kTextFiles = 2307;
constexpr int32_t kTextCheckFiles = 2308;
constexpr int32_t kTextSystemSetup = 2314;
constexpr int32_t kTextAssociate = 2315;
constexpr int32_t kTextRegisterServer = 2316;
constexpr int32_t kTextUnregisterServer = 2317;
constexpr int32_t kTextWeb = 2318;
constexpr int32_t kTextServeWeb = 2319;
constexpr int32_t kTextPort = 2320;

constexpr size_t kDialogReserve = 20480;
constexpr int32_t kChooserTitleWidth = 80;

T_Button* NewButton(T_EventHandler* parent, const XYWH& rect, uint32_t id, int32_t textId,
                    bool enabled) {
  auto* button = new T_Button(parent, rect, id);
  button->SetTitleId(textId);
  if (!enabled) Item_SetEnabled(button, false);
  return button;
}

void SetPortText(T_Edit* field, int32_t port) {
  T_TextBuf text;
  TextBufAssignInt(&text, port);
  field->SetText(text.c_str());
}

}  // namespace

T_PrefsDlg::T_PrefsDlg() : T_HDialog(kWidth, kHeight, nullptr, nullptr) {
  const Preferences& p = Prefs();
  SetTitleId(kTextPreferences);

  T_Frame* general = Dialog_AddFrame(this, XYWH{17, 22, 190, 44}, kGeneralFrame, kTextGeneral);
  language = new T_LangChooser(general, XYWH{6, 4, 176, 15}, kLanguage, kOfferedLanguages,
                               CurrentLanguage(), false);
  language->SetTitleId(kTextLanguage);
  language->SetTitleWidth(kChooserTitleWidth);
  dateFormat = new T_ChooseDateformat(general, XYWH{6, 24, 176, 15}, kDateFormat, DateStyleGet());
  dateFormat->SetTitleId(kTextDateFormat);
  dateFormat->SetTitleWidth(kChooserTitleWidth);

  T_Frame* analyses = Dialog_AddFrame(this, XYWH{17, 94, 190, 22}, kAnalysesFrame, kTextAnalyses);
  autoRecalc =
      Dialog_AddCheckbox(analyses, XYWH{8, 3, 176, 14}, kAutoRecalc, kTextAutoRecalc, p.autoRecalc);

  T_Frame* recent = Dialog_AddFrame(this, XYWH{17, 144, 190, 58}, kRecentFrame, kTextRecentFiles);
  recentFiles = Dialog_AddCheckbox(recent, XYWH{8, 3, 176, 14}, kRecentFiles, kTextRecentFiles,
                                   p.recentCount > 0);
  fullPaths = Dialog_AddCheckbox(recent, XYWH{24, 21, 160, 14}, kFullPaths, kTextFullPaths,
                                 p.recentFullPaths);
  submenu =
      Dialog_AddCheckbox(recent, XYWH{24, 39, 160, 14}, kSubmenu, kTextSubmenu, p.recentSubmenu);
  Item_SetEnabled(fullPaths, p.recentCount > 0);
  Item_SetEnabled(submenu, p.recentCount > 0);

  T_Frame* files = Dialog_AddFrame(this, XYWH{17, 230, 190, 22}, kFilesFrame, kTextFiles);
  checkFiles =
      Dialog_AddCheckbox(files, XYWH{8, 3, 176, 14}, kCheckFiles, kTextCheckFiles, p.checkFiles);

  T_Frame* system = Dialog_AddFrame(this, XYWH{232, 22, 180, 86}, kSystemFrame, kTextSystemSetup);
  NewButton(system, XYWH{10, 6, 160, 20}, kAssociate, kTextAssociate, true);
  NewButton(system, XYWH{10, 33, 160, 20}, kRegisterServer, kTextRegisterServer, true);
  NewButton(system, XYWH{10, 60, 160, 20}, kUnregisterServer, kTextUnregisterServer, true);

  T_Frame* web = Dialog_AddFrame(this, XYWH{232, 136, 180, 48}, kWebFrame, kTextWeb);
  serveWeb = Dialog_AddCheckbox(web, XYWH{8, 3, 164, 14}, kServeWeb, kTextServeWeb, p.serveWeb);
  auto* label = new T_Text(web, XYWH{8, 27, 90, 14}, false);
  label->SetTextId(kTextPort);
  EventHandler_Open(label);
  port = new T_Edit(web, XYWH{104, 27, 60, 14}, kPort, true, false);
  SetPortText(port, p.webPort);
  EventHandler_Open(port);

  Dialog_AddButtons(this, nullptr, nullptr);
}

void T_PrefsDlg::OnCheckbox(T_GrafElement* checkbox) {
  if (checkbox == recentFiles) {
    Item_SetEnabled(fullPaths, recentFiles->checked != 0);
    Item_SetEnabled(submenu, recentFiles->checked != 0);
    return;
  }
  T_HDialog::OnCheckbox(checkbox);
}

void T_PrefsDlg::OnEditEvent(T_GrafElement* field, int32_t code) {
  if (field == port && code == kEditCommit) TakePort();
  T_HDialog::OnEditEvent(field, code);
}

int32_t T_PrefsDlg::TakePort() {
  T_TextBuf text;
  port->GetText(&text);
  int32_t number = StrToInt(text.c_str());
  if (IsUsableWebPort(number)) return number;
  SetPortText(port, kDefaultWebPort);
  return kDefaultWebPort;
}

void T_PrefsDlg::Apply() {
  Preferences& p = Prefs();
  int32_t chosen = language->GetLanguage();
  if (chosen >= 0) ApplyLanguage(chosen);
  SetDateFormat(dateFormat->SelectedFormat());
  p.autoRecalc = autoRecalc->checked != 0;
  p.recentCount = recentFiles->checked ? kRecentFileSlots : 0;
  p.recentFullPaths = fullPaths->checked != 0;
  p.recentSubmenu = submenu->checked != 0;
  BuildRecentFilesMenu();
  p.checkFiles = checkFiles->checked != 0;
  bool serve = serveWeb->checked != 0;
  int32_t webPort = TakePort();
  if (serve != p.serveWeb || webPort != p.webPort) {
    p.serveWeb = serve;
    p.webPort = webPort;
    RestartWebService();
  }
  SavePreferences();
}

void T_PrefsDlg::OnButton(T_GrafElement* button) {
  T_Item* item = AsItem(button);
  if (Dialog_IsOk(button)) {
    port->CommitEdit();
    Apply();
    Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    Dialog_EndModal(this);
  } else if (item && item->id == kAssociate) {
    RegisterFileAssociations();
  } else if (item && item->id == kRegisterServer) {
    RegisterServer();
  } else if (item && item->id == kUnregisterServer) {
    UnregisterServer();
  } else {
    T_HDialog::OnButton(button);
  }
}

void ShowPreferencesDialog() {
  if (!MemCanAlloc(kDialogReserve)) return;
  T_PrefsDlg dialog;
  Dialog_Run(&dialog);
}
