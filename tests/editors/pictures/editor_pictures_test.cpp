// A contact sheet of the editors: the password dialog in its layouts, the protection window, the
// web-user editor with one and with several rows selected, the macro editor and the time scale
// editor, each painted
// offscreen into a picture (editor_*.bmp, turned into PNG files by the build) for a person to
// look at. The checks only make sure that the controls drew something.
#include <gtest/gtest.h>

#include <string>

#include "database/macros.h"
#include "database/protection.h"
#include "database/date_ref.h"
#include "database/time_scale.h"
#include "database/web_users.h"
#include "editors/macro_editor.h"
#include "editors/password_dialog.h"
#include "editors/protection_editor.h"
#include "editors/time_scale_editor.h"
#include "editors/web_user_editor.h"
#include "tests/editors/editors_fixture.h"
#include "tests/ui/window_picture.h"
#include "ui/edit_field.h"
#include "ui/list_box.h"

namespace editors_test {
namespace {

using ui_test::Capture;
using ui_test::ExpectDrawn;
using ui_test::Picture;
using ui_test::Save;

using EditorPictures = EditorTest;

void Snap(T_Window* window, const std::string& name, const RECT& drawn) {
  Picture picture = Capture(window);
  ASSERT_FALSE(picture.pixels.empty());
  Save(picture, ("editor_" + name + ".bmp").c_str());
  ExpectDrawn(picture, drawn, 20);
}

TEST_F(EditorPictures, PasswordDialogLayouts) {
  const struct {
    int32_t prompt;
    int32_t flags;
    const char* name;
  } layouts[] = {{0, 0, "password_plain"},
                 {7221, 0, "password_prompt"},
                 {7221, kPwEnterKeychain, "password_keychain"}};
  for (const auto& layout : layouts) {
    WhileModal([&](T_Window* dialog) {
      static_cast<T_PwEnter*>(dialog)->edit->SetText("secret");
      // The edit holds the focus: its text is in the native overlay, which the capture leaves
      // out; the label beside it is the toolkit's.
      Snap(dialog, layout.name, RECT{0, layout.prompt ? 52 : 15, 95, layout.prompt ? 67 : 30});
      PressButton(dialog, kDialogCancelId);
    });
    T_TextBuf password;
    RunPasswordDialog(base, &password, layout.prompt, "Budget.qeb", layout.flags, nullptr);
  }
}

TEST_F(EditorPictures, DocumentEditors) {
  SetProtectionPassword(base->protection, "secret");
  PasswordAnswerInAdvance("secret");
  T_PwEditor* protection = OpenProtectionEditor(base);
  ASSERT_NE(protection, nullptr);
  Snap(protection, "protection", RECT{80, 12, 200, 24});
  EventHandler_CloseAndDelete(protection, 3);

  for (const char* name : {"ann", "bob", "carl"}) {
    WebUser* user = WebUserAt(base->webUsers, WebUserAdd(base->webUsers));
    BlockTextAssign(&user->name, name);
    user->cards = 1;
  }
  PasswordAnswerInAdvance("secret");
  T_WebUserEditor* users = OpenWebUsersEditor(base);
  ASSERT_NE(users, nullptr);
  Snap(users, "web_users_one", RECT{5, 31, 110, 271});
  users->list->SelectAll();
  users->ShowSelection();
  Snap(users, "web_users_several", RECT{5, 31, 110, 271});
  EventHandler_CloseAndDelete(users, 3);

  Macro* macro = MacroCreate(base, "Daily");
  macro->SetText("errorFile run.log -verbose\rexecute Loop\rwrite ran.txt started");
  macro->inExecuteMenu = 1;
  T_MacroEditor* editor = OpenMacroEditor(base, macro);
  ASSERT_NE(editor, nullptr);
  Snap(editor, "macro", RECT{8, 53, 372, 221});
  EventHandler_CloseAndDelete(editor, 3);

  auto* halves = new TimeScale(base, "Halves");
  CardId starts[2];
  parseDate(&starts[0], "050101", 6, kDirectionFrom);
  parseDate(&starts[1], "050701", 6, kDirectionFrom);
  TimeScaleAppendPeriod(halves, &starts[0], "First half");
  TimeScaleAppendPeriod(halves, &starts[1], "Second half");
  T_TScaleEditor* scales = OpenTimeScaleEditor(base, halves);
  ASSERT_NE(scales, nullptr);
  Snap(scales, "time_scale", RECT{1, 41, 199, 65});
  EventHandler_CloseAndDelete(scales, 3);
}

}  // namespace
}  // namespace editors_test
