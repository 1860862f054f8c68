// The two questions about stored templates as the user sees them: 4411 when a template whose
// window is open runs again, 4408 before a window's template is removed. Each is painted while it
// runs, both are put side by side into templatesections_questions.bmp in the working folder,
// which the build turns into a PNG for a person to look at; the checks only make sure that the
// message and the buttons drew something.
#include <algorithm>
#include <vector>

#include "core/localized_text.h"
#include "database/toolkit_adapter.h"
#include "template_sections_fixture.h"
#include "tests/ui/alerts/alerts_fixture.h"
#include "tests/ui/window_picture.h"

namespace template_sections_test {
namespace {

using QuestionPictures = TemplateSectionsTest;
using ui_test::Picture;

// The question as painted, its message and every button checked for drawing; then answered
// with the button of the text given (the answer that changes nothing).
void PaintAndAnswer(T_Alert* alert, int32_t buttonText, Picture* picture) {
  *picture = ui_test::Capture(alert);
  ASSERT_FALSE(picture->pixels.empty());
  ui_test::ExpectDrawn(*picture, alert->messageRect, 100);
  for (T_Button* button : alerts_test::Buttons(alert)) {
    RECT inside{button->x + 4, button->y + 4, button->x + button->width - 4,
                button->y + button->height - 4};
    EXPECT_GT(ui_test::Pixels(*picture, inside, true), 10) << alerts_test::Title(button);
  }
  for (T_Button* button : alerts_test::Buttons(alert)) {
    if (alerts_test::Title(button) == GetString(buttonText)) {
      Button_Press(button, TickCount() - 1000);
      return;
    }
  }
  ADD_FAILURE() << "no button " << buttonText;
}

// The pictures side by side on white, 8 pixels apart.
Picture SideBySide(const std::vector<Picture>& pictures) {
  Picture sheet;
  for (const Picture& p : pictures) {
    sheet.width += p.width + 8;
    sheet.height = std::max(sheet.height, p.height + 16);
  }
  sheet.width += 8;
  sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height, 0xFFFFFF);
  int32_t left = 8;
  for (const Picture& p : pictures) {
    for (int32_t y = 0; y < p.height; ++y) {
      std::copy_n(p.pixels.begin() + static_cast<ptrdiff_t>(y) * p.width, p.width,
                  sheet.pixels.begin() + static_cast<ptrdiff_t>(y + 8) * sheet.width + left);
    }
    left += p.width + 8;
  }
  return sheet;
}

TEST_F(QuestionPictures, RevertAndRemoveAreDrawnWithTheirMessagesAndButtons) {
  T_Application* app = alerts_test::StartHiddenApplication();
  auto* dialogs = new T_AlertDialogs;
  SetWindowOpener(kTemplateCards, templates_test::FakeOpener<kTemplateCards>);

  T_Base* base = NewSample();
  T_Template* templ = Store(base, "Reports: Cards by month");
  T_HWindow* window = RunTemplate(base, templ, nullptr, 0);
  ASSERT_NE(window, nullptr);
  windows.push_back(static_cast<T_FakeWindow*>(window));
  // Titled by its template's path, as the analysis windows are: the removal names the title.
  InstallDatabaseServices();
  window->MakeTitle(nullptr);
  RemoveDatabaseServices();
  EXPECT_STREQ(window->Title(), "Reports: Cards by month");

  std::vector<Picture> pictures(2);
  alerts_test::WhileModal(
      [&](T_Window* running) {
        PaintAndAnswer(static_cast<T_Alert*>(running), kButtonNo, &pictures[0]);
      },
      [&] { EXPECT_EQ(RunTemplate(base, templ, nullptr, 0), window); });
  alerts_test::WhileModal(
      [&](T_Window* running) {
        PaintAndAnswer(static_cast<T_Alert*>(running), kButtonCancel, &pictures[1]);
      },
      [&] { RemoveTemplateAsk(base, window); });
  // Declined: the window stays on its template, and the template in the tree.
  EXPECT_EQ(window->templ, templ);
  EXPECT_EQ(FindTemplate(base, "Reports: Cards by month"), templ);
  if (!HasFailure()) ui_test::Save(SideBySide(pictures), "templatesections_questions.bmp");

  delete window;
  windows.clear();
  delete dialogs;
  delete app;
}

}  // namespace
}  // namespace template_sections_test
