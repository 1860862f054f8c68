// Paints the preferences dialog (with and without recent files), the signature dialog and the
// About box while they run, and leaves pictures of them in the working folder (app_*.bmp), which
// the build turns into PNG files for a person to look at. The checks only make sure that each
// part drew something.
#include <string>

#include "app/about_box.h"
#include "app/prefs_dialog.h"
#include "app_fixture.h"
#include "tests/ui/window_picture.h"

namespace app_test {
namespace {

using ui_test::Capture;
using ui_test::ExpectDrawn;
using ui_test::Picture;
using ui_test::Save;

using DialogPictureTest = AppTest;

TEST_F(DialogPictureTest, PreferencesDrawEveryFrameInBothRecentFileStates) {
  StartApplication();
  for (int32_t count : {8, 0}) {
    Prefs().recentCount = count;
    WhileModal([count](T_Window* dialog) {
      Picture picture = Capture(dialog);
      ASSERT_FALSE(picture.pixels.empty());
      Save(picture, count ? "app_preferences.bmp" : "app_preferences_no_recent.bmp");
      ExpectDrawn(picture, RECT{17, 22, 207, 66}, 200);     // language and date format
      ExpectDrawn(picture, RECT{17, 144, 207, 202}, 100);   // the recent-file boxes
      ExpectDrawn(picture, RECT{232, 22, 412, 108}, 200);   // the three buttons
      ExpectDrawn(picture, RECT{232, 136, 412, 184}, 100);  // web service and port
      dialogs_test::PressButton(dialog, kDialogCancelId);
    });
    ShowPreferencesDialog();
  }
}

TEST_F(DialogPictureTest, SignatureDialogDrawsItsLabelAndField) {
  StartApplication();
  SetSignature("JD", 2);
  WhileModal([](T_Window* dialog) {
    Picture picture = Capture(dialog);
    ASSERT_FALSE(picture.pixels.empty());
    Save(picture, "app_signature.bmp");
    ExpectDrawn(picture, RECT{12, 15, 82, 29}, 20);    // the label
    ExpectDrawn(picture, RECT{116, 46, 186, 66}, 10);  // OK (the field edits natively)
    dialogs_test::PressButton(dialog, kDialogCancelId);
  });
  RunSignatureDialog(nullptr);
}

TEST_F(DialogPictureTest, AboutBoxDrawsItsPictureAndLines) {
  StartApplication();
  WhileModal([](T_Window* dialog) {
    Picture picture = Capture(dialog);
    ASSERT_FALSE(picture.pixels.empty());
    EXPECT_EQ(picture.width, 360);
    EXPECT_EQ(picture.height, 160);
    Save(picture, "app_about.bmp");
    ExpectDrawn(picture, RECT{190, 18, 350, 120}, 300);  // the name and the lines
    EXPECT_GT(ui_test::Pixels(picture, RECT{20, 20, 180, 140}, true), 200);  // the picture
    dialogs_test::PressButton(dialog, kDialogOkId);
  });
  ShowAboutBox();
}

TEST(AboutBox, SysversionShowsEightUpperCaseDigits) {
  T_TextBuf line;
  SysversionLine(0x1DB10106, &line);
  EXPECT_STREQ(line.c_str(), "Sysversion 1DB10106");
  SysversionLine(0x0000000A, &line);
  EXPECT_STREQ(line.c_str(), "Sysversion 0000000A");
}

}  // namespace
}  // namespace app_test
