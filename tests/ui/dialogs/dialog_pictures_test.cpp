// Paints the copying options and the level dialog while they run and leaves pictures of them in
// the working folder (dialog_copy_options.bmp, dialog_expand.bmp), which the build turns into PNG
// files for a person to look at. The checks only make sure that the controls drew something.
#include <cstdio>
#include <string>
#include <vector>

#include "dialog_fixture.h"
#include "tests/ui/window_picture.h"
#include "ui/small_dialogs.h"

namespace dialogs_test {
namespace {

using DialogPictureTest = DialogTest;

TEST_F(DialogPictureTest, CopyingOptionsDrawTheirControls) {
  WhileModal([](T_Window* dialog) {
    Picture picture = Capture(dialog);
    ASSERT_FALSE(picture.pixels.empty());
    Save(picture, "dialog_copy_options.bmp");
    ExpectDrawn(picture, RECT{17, 22, 217, 137}, 300);   // the separator rows
    ExpectDrawn(picture, RECT{242, 22, 432, 119}, 200);  // the check boxes and the data rows
    ExpectDrawn(picture, RECT{17, 165, 162, 199}, 50);   // the options
    ExpectDrawn(picture, RECT{366, 185, 428, 197}, 10);  // inside OK
    PressButton(dialog, kDialogCancelId);
  });
  RunCopyOptions();
}

TEST_F(DialogPictureTest, LevelDialogDrawsItsChooser) {
  WhileModal([](T_Window* dialog) {
    Picture picture = Capture(dialog);
    ASSERT_FALSE(picture.pixels.empty());
    Save(picture, "dialog_expand.bmp");
    ExpectDrawn(picture, RECT{13, 13, 133, 28}, 30);
    PressButton(dialog, kDialogCancelId);
  });
  RunExpandDialog(nullptr, 12, 1);
}

}  // namespace
}  // namespace dialogs_test
