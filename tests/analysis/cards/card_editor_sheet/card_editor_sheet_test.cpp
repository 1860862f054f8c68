// The card editor as a person sees it, laid out on one contact sheet (card_editor_sheet.bmp, made
// a PNG by the build): a new card, a stored card with notes, stamps and groups and a cell being
// edited, the repeat dialog, and a printed card page. The checks only make sure that each picture
// drew something where it should.
#include "analysis/cards/card_repeat_dialog.h"
#include "tests/ui/printed_page.h"
#include "tests/analysis/cards/card_editor/card_editor_fixture.h"
#include "tests/ui/window_picture.h"
#include "ui/graphics_port.h"
#include "ui/printing.h"

using namespace card_test;

namespace {

constexpr int32_t kColumns = 2;
constexpr int32_t kCellWidth = 620;
constexpr int32_t kCellHeight = 420;
constexpr int32_t kSheetWidth = kColumns * kCellWidth;
constexpr int32_t kSheetRows = 3;

class CardEditorSheet : public CardEditorTest {
 protected:
  void Place(const ui_test::Picture& picture) {
    int32_t ox = (slot % kColumns) * kCellWidth;
    int32_t oy = (slot / kColumns) * kCellHeight;
    ++slot;
    for (int32_t y = 0; y < picture.height && y < kCellHeight - 4; ++y)
      for (int32_t x = 0; x < picture.width && x < kCellWidth - 4; ++x)
        sheet[static_cast<size_t>(oy + y) * kSheetWidth + ox + x] =
            picture.pixels[static_cast<size_t>(y) * picture.width + x];
  }
  int32_t slot = 0;
  std::vector<uint32_t> sheet = std::vector<uint32_t>(static_cast<size_t>(kSheetWidth) * kSheetRows * kCellHeight, 0x404040);
};

TEST_F(CardEditorSheet, TheCardEditorInItsStates) {
  T_CardEditor* fresh = openCardEditor(base, nullptr, kPositionId, nullptr, 0);
  ASSERT_NE(fresh, nullptr);
  // A line typed, and the focus in the grid so the id field shows its text rather than its
  // native edit.
  fresh->StoreCellText(0, kFieldGroup + 1, "3010");
  fresh->StoreCellText(0, kFieldLineText, "Coffee");
  fresh->StoreCellText(0, 1, "12*4");
  Item_TakeFocus(fresh->grid);
  ui_test::Picture picture = ui_test::Capture(fresh);
  ui_test::ExpectDrawn(picture, RECT{4, 4, 300, 28}, 20);
  Place(picture);
  EventHandler_CloseAndDelete(fresh, 3);

  T_CardEditor* editor = Open("240110-1");
  ASSERT_NE(editor, nullptr);
  editor->DoCommand(kCommandExamine);
  editor->SelectEditCell(2, editor->FieldOfCode(kFieldLineText));
  editor->grid->focus = 1;
  picture = ui_test::Capture(editor);
  ui_test::ExpectDrawn(picture, RECT{editor->grid->x, editor->grid->y, editor->grid->x + 300,
                                     editor->grid->y + 40}, 20);
  Place(picture);

  T_CardRepeat dialog(editor, kRepeatMonths, 12);
  EventHandler_Open(&dialog);
  picture = ui_test::Capture(&dialog);
  ui_test::ExpectDrawn(picture, RECT{10, 10, 220, 40}, 10);
  Place(picture);
  EventHandler_CloseElement(&dialog);

  editor->EndCellEdit();
  editor->print.dateTime = 0;
  picture = ui_test::PrintedPage(editor, 600, 400);
  ui_test::ExpectDrawn(picture, RECT{0, 20, 500, 120}, 40);
  Place(picture);
  ASSERT_TRUE(WritePixelsAsBitmap(sheet.data(), kSheetWidth, kSheetRows * kCellHeight, "card_editor_sheet.bmp"));
}

}  // namespace
