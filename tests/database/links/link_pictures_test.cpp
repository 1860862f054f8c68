// The links of a database as a person sees them: the link properties dialog on a card link, and a
// note with a card, a macro and a template link. Both are painted offscreen and left in the
// working folder (link_dialog_card.bmp, link_note.bmp), which the build turns into PNG files; the
// checks make sure the dialog offers the database's kinds in their order and that both drew.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/database/links/links_fixture.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "tests/ui/window_picture.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/link_dialog.h"
#include "ui/link_display.h"
#include "ui/link_markup.h"

namespace links_test {
namespace {

using ui_test::Capture;
using ui_test::ExpectDrawn;
using ui_test::Picture;
using ui_test::Save;

class PicturesTest : public LinksTest {
 protected:
  void SetUp() override {
    LinksTest::SetUp();
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(ProgramInstance());
      registered = true;
    }
    SetFrameVisible(false);
    app = new T_Application(true);
    dialogs_test::WatchdogFired() = false;
    watchdog = SetTimer(nullptr, 0, 8000, dialogs_test::Watchdog);
    CardId id = Id(2012, 11, 22, 5);
    CreateCard(own, &id);
    MacroCreate(own, "Run");
    Template(own, "Sales: Monthly");
  }
  void TearDown() override {
    KillTimer(nullptr, watchdog);
    EXPECT_FALSE(dialogs_test::WatchdogFired()) << "a modal run was left waiting";
    delete app;
    LinksTest::TearDown();
  }

  T_Application* app = nullptr;
  UINT_PTR watchdog = 0;
};

TEST_F(PicturesTest, TheLinkDialogOffersTemplateMacroCard) {
  T_TextBuf buffer("Paid, see card=\"121122-5#2\".");
  LinkRef link;
  link.context = own->linkContext;
  link.sourceText = buffer.data;
  link.editBuffer = &buffer;
  const char* cursor = buffer.data;
  ASSERT_TRUE(LinkText_Parse(&link, &cursor, nullptr));

  std::vector<std::string> kinds;
  int64_t current = -1;
  app->PostAction(new dialogs_test::T_StepAction([&] {
    auto* editor = dynamic_cast<T_LinkEditor*>(dialogs_test::InnermostModal());
    ASSERT_NE(editor, nullptr);
    current = editor->kindChooser->current;
    for (int64_t i = 0; i < editor->kindChooser->count; ++i) {
      ChooserEvent record;
      editor->kindChooser->DescribeItem(i, &record);
      kinds.push_back(record.text ? record.text : "");
    }
    Picture picture = Capture(editor);
    ASSERT_FALSE(picture.pixels.empty());
    Save(picture, "link_dialog_card.bmp");
    ExpectDrawn(picture, RECT{0, 0, picture.width, picture.height}, 200);
    Items()->press(AsItem(Window_CancelButton(editor)));
  }));
  PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
  LinkEditor_Run(&link, nullptr);
  EXPECT_EQ(kinds, (std::vector<std::string>{"URL", "File", "Template", "Macro", "Card"}));
  EXPECT_EQ(current, 4);
}

TEST_F(PicturesTest, ANoteShowsItsThreeKindsOfLinks) {
  RECT rect{20, 20, 420, 120};
  auto* window = new T_Window(kKindDocument, &rect, 512, nullptr, true);
  window->linkContext = own->linkContext;
  auto* note = new T_Edit(window, XYWH{10, 10, 380, 16}, 1, true, true);
  note->linkMode = kLinkModeLive;
  note->SetText(
      "Paid: card=\"121122-5\", then macro=\"Run\" or <a template=\"Sales: Monthly\">the "
      "monthly sales</a>.");
  Picture picture = Capture(window);
  ASSERT_FALSE(picture.pixels.empty());
  Save(picture, "link_note.bmp");
  ExpectDrawn(picture, RECT{10, 10, 390, 26}, 100);
  // The links are drawn in the link colour: some pixels of the field are neither grey nor black.
  int32_t coloured = 0;
  for (int32_t y = 10; y < 26; ++y) {
    for (int32_t x = 10; x < 390; ++x) {
      uint32_t p = picture.pixels[static_cast<size_t>(y) * picture.width + x];
      int32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (b > r + 40 || b > g + 40) ++coloured;
    }
  }
  EXPECT_GT(coloured, 20);
}

}  // namespace
}  // namespace links_test
