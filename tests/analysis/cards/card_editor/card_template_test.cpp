// The card template's own records and the repeat dialog's count.
#include "analysis/cards/card_repeat_dialog.h"
#include "tests/analysis/cards/card_editor/card_editor_fixture.h"

using namespace card_test;

namespace {

// The card template's own lines: what it writes after the box template's.
std::string Written(T_CardTmpl* templ) {
  T_OStream stream;
  templ->WriteText(&stream);
  T_OStream box;
  templ->T_BoxTmpl::WriteText(&box);
  std::string all = box_test::StreamText(stream);
  std::string prefix = box_test::StreamText(box);
  EXPECT_EQ(all.substr(0, prefix.size()), prefix);
  return all.substr(prefix.size());
}

void ReadInto(T_CardTmpl* templ, const std::string& text) {
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  templ->ReadRecords(&stream, stream.NextLine());
}

TEST_F(CardEditorTest, ATemplateWithoutWidthsWritesNoWidthLines) {
  T_CardTmpl templ(base);
  EXPECT_EQ(Written(&templ), "\r\n");
  templ.openNotes = 1;
  EXPECT_EQ(Written(&templ), "Nx\r\n\r\n");
}

TEST_F(CardEditorTest, TemplateWidthsRoundTrip) {
  T_CardTmpl templ(base);
  templ.lineTextWidth = 140;
  templ.valueWidths[1] = 90;
  templ.dimensionWidths[0] = 170;
  templ.dimensionWidths[2] = 60;
  templ.dimensionWidths[7] = 99;  // not in use: not written
  std::string text = Written(&templ);
  EXPECT_EQ(text,
            "wL\t140\r\n"
            "wV\t\t90\r\n"
            "wD\t170\t\t60\r\n"
            "\r\n");
  T_CardTmpl back(base);
  ReadInto(&back, text);
  EXPECT_EQ(back.lineTextWidth, 140u);
  EXPECT_EQ(back.valueWidths[1], 90u);
  EXPECT_EQ(back.dimensionWidths[2], 60u);
  EXPECT_EQ(back.dimensionWidths[7], 0u);
}

TEST_F(CardEditorTest, ShortOrBadWidthLinesReadAsZero) {
  T_CardTmpl templ(base);
  ReadInto(&templ, "wV\t50\r\nwD\tx\t30\r\nxo\r\n");
  EXPECT_EQ(templ.valueWidths[0], 50u);
  EXPECT_EQ(templ.valueWidths[1], 0u);
  EXPECT_EQ(templ.valueWidths[23], 0u);
  EXPECT_EQ(templ.dimensionWidths[0], 0u);
  EXPECT_EQ(templ.dimensionWidths[1], 30u);
  EXPECT_EQ(templ.openDirect, 1);  // the box template's lines still read
}

TEST_F(CardEditorTest, TheRepeatCountTakesDigitsAndRefusesMoreThan32Bits) {
  T_CardRepeat dialog(nullptr, kRepeatWeeks, 12);
  EXPECT_EQ(dialog.unit, kRepeatWeeks);
  EXPECT_TRUE(dialog.TakeCount("3 times"));
  EXPECT_EQ(dialog.count, 3);
  EXPECT_FALSE(dialog.TakeCount("99999999999"));
  EXPECT_EQ(dialog.count, 3);
  EXPECT_TRUE(dialog.countRefused);
  EXPECT_TRUE(dialog.TakeCount("2147483647"));
  EXPECT_EQ(dialog.count, 2147483647);
}

}  // namespace
