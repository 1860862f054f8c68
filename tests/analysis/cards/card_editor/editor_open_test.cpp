// Opening the card editor: by key, by id through the followed card links, positioned on a line,
// one editor per card, and what the kind-10 template gives and takes back.
#include "database/object_services.h"
#include "tests/analysis/cards/card_editor/card_editor_fixture.h"
#include "ui/frame_items.h"
#include "ui/transfer_list.h"

using namespace card_test;

namespace {

TEST_F(CardEditorTest, AKeyOpensItsCardOnTheNthLine) {
  struct Case {
    const char* key;
    int32_t line;
    int64_t row;  // -1: the id field, no cell
    int32_t field;
  } cases[] = {
      {"240110-1", 3, 4, 3},   // the third line over both groups, at the first value column
      {"240110-1", 0, -1, -1},
      {"240110-1", 9, -1, -1},  // fewer lines
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    T_CardEditor* editor = openCardByKey(base, c.key, c.line);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->selectedRow, c.row);
    EXPECT_EQ(editor->selectedField, c.field);
    if (c.row >= 0) {
      EXPECT_EQ(editor->FieldCode(editor->selectedField), 1);
    }
    EventHandler_CloseAndDelete(editor, 3);
  }
}

TEST_F(CardEditorTest, AKeyThatNamesNoCardGives3823) {
  for (const char* key : {"240110-7", "240110", "24011-1", "240110-x", "", "240110-1a"}) {
    SCOPED_TRACE(key);
    PendingErrorClear();
    EXPECT_EQ(openCardByKey(base, key, 1), nullptr);
    EXPECT_EQ(PendingError.request.message, 3823);
    EXPECT_STREQ(PendingError.request.texts[0], key);
  }
  PendingErrorClear();
  EXPECT_EQ(WindowListFirst() ? FindWindowOfKind(kWindowCardEditor, base) : nullptr, nullptr);
}

TEST_F(CardEditorTest, OneEditorPerCardUnlessANewOneIsAsked) {
  T_CardEditor* first = Open("240110-1");
  EXPECT_EQ(Open("240110-1"), first);
  T_CardEditor* second = openCardEditor(base, CardAt("240110-1"), kPositionId, nullptr, kOpenNewWindow);
  EXPECT_NE(second, first);
  EXPECT_EQ(GetEditorCard(second), CardAt("240110-1"));
  EXPECT_EQ(GetEditorCard(nullptr), nullptr);
}

TEST_F(CardEditorTest, AFollowedCardLinkOpensTheEditor) {
  InstallCardEditor(nullptr);
  CardEditorServices keep = CardServices();
  CardId id{PackDate(2024, 1, 10), 2};
  OpenCardEditor(base, &id, 1);
  T_HWindow* window = FindWindowOfKind(kWindowCardEditor, base);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(GetEditorCard(window), CardAt("240110-2"));
  CardId missing{PackDate(2024, 1, 11), 1};
  OpenCardEditor(base, &missing, 0);
  EXPECT_EQ(answers.shown.back(), "3823|240111-1");
  SetCardEditorServices(&keep);
  SetObjectServices(nullptr);
}

TEST_F(CardEditorTest, TheTemplateGivesWidthsAndTakesThemBack) {
  auto* templ = AsCardTemplate(base->GetDefaultTemplate(kTemplateCard));
  ASSERT_NE(templ, nullptr);
  templ->lineTextWidth = 140;
  templ->valueWidths[1] = 10;  // below 16: the default
  templ->dimensionWidths[1] = 90;
  T_CardEditor* editor = Open("240110-2");
  EXPECT_EQ(editor->GetField(editor->FieldOfCode(kFieldLineText))->Width(), 140);
  EXPECT_EQ(editor->GetField(editor->FieldOfCode(2))->Width(), 72);
  EXPECT_EQ(editor->GetField(editor->FieldOfCode(kFieldGroup + 1))->Width(), 90);
  EXPECT_EQ(editor->GetField(editor->FieldOfCode(kFieldGroup))->Width(), 160);
  editor->GetField(editor->FieldOfCode(1))->SetWidth(100);
  editor->OnFieldWidthChanged(editor->GetField(editor->FieldOfCode(1)), 17);
  editor->ShowNotes(true);
  editor->SaveToTemplate(templ);
  EXPECT_EQ(templ->valueWidths[0], 100u);
  EXPECT_EQ(templ->openNotes, 1);
}

TEST_F(CardEditorTest, TheHtmlCardPageNamesEachLinesGroupAndEscapesText) {
  T_CardEditor* editor = Open("240110-1");
  BlockTextAssign(&editor->Row(2)->text, "Paid <cash> & \"more\"");
  editor->output.notes = 1;
  T_OStream stream;
  int64_t n = editor->PrepareRowList();
  EXPECT_EQ(n, 3);
  editor->WriteHtmlRows(&stream, 0, n - 1);
  std::string html = box_test::StreamText(stream);
  EXPECT_EQ(html,
            "<!-- card data -->\r\n"
            "<tr><td>\r\n"
            "<table border=\"0\" cellspacing=\"0\" cellpadding=\"2\" class=\"analysis\">\r\n"
            "<tr class=\"columntitles\">\r\n"
            "<th width=\"160\" align=\"left\">Unit</th>\r\n"
            "<th width=\"119\" align=\"left\">Account</th>\r\n"
            "<th width=\"55\" align=\"left\">Line Text</th>\r\n"
            "<th width=\"83\" align=\"right\">Amount</th>\r\n"
            "<th width=\"72\" align=\"right\">Qty</th>\r\n"
            "<th width=\"80\" align=\"left\">Project</th>\r\n"
            "</tr>\r\n"
            "\r\n"
            "<tr>\r\n"
            "<td>U1 North</td>\r\n"
            "<td>5010 Rent</td>\r\n"
            "<td>Rent</td>\r\n"
            "<td align=\"right\">1,000.00</td>\r\n"
            "<td align=\"right\">1.00</td>\r\n"
            "<td>P1 Alpha</td>\r\n"
            "</tr>\r\n"
            "\r\n"
            "<tr class=\"gridline\">\r\n"
            "<td>U1 North</td>\r\n"
            "<td>1910 Cash</td>\r\n"
            "<td>Paid &lt;cash&gt; &amp; &quot;more&quot;</td>\r\n"
            "<td align=\"right\">-1,000.00</td>\r\n"
            "<td></td>\r\n"
            "<td></td>\r\n"
            "</tr>\r\n"
            "\r\n"
            "<tr>\r\n"
            "<td>U2 South</td>\r\n"
            "<td>5010 Rent</td>\r\n"
            "<td>Share</td>\r\n"
            "<td align=\"right\">250.00</td>\r\n"
            "<td></td>\r\n"
            "<td></td>\r\n"
            "</tr>\r\n"
            "\r\n"
            "</table>\r\n"
            "</td></tr>\r\n"
            "\r\n"
            "<!-- card notes -->\r\n"
            "<tr><td class=\"notes\"><p class=\"notes\">Paid by transfer.</p></td></tr>\r\n"
            "<!-- card signatures -->\r\n"
            "<tr><td>\r\n"
            "<table border=\"0\" cellspacing=\"0\" cellpadding=\"0\" class=\"analysis\">\r\n"
            "<tr><td>Created</td><td>240110 11:00 AK</td></tr>\r\n"
            "</table>\r\n"
            "</td></tr>\r\n")
      << html;
}

}  // namespace


namespace {

std::vector<std::string> dragged;

TEST_F(CardEditorTest, TheIdLabelDragsTheCardAsACardLink) {
  BoxWinServices services = BoxServices();
  services.startDrag = [](T_BoxWin*, const TransferList* list) {
    dragged.clear();
    for (uint32_t kind : {kTransferText, kTransferPrivate}) {
      TransferItem* item = FindTransferItem(list, kind);
      dragged.push_back(item ? item->text.data : "");
    }
  };
  SetBoxWinServices(&services);
  T_CardEditor* editor = Open("240110-2");
  InputEvent press{};
  press.leftButton = press.anyButton = 1;
  EXPECT_TRUE(editor->MouseDown(&press, editor->idLabel));
  EXPECT_EQ(dragged, (std::vector<std::string>{"card=\"240110-002\"", "240110-002"}));
  // A new card has no link yet.
  dragged.clear();
  T_CardEditor* fresh = openCardEditor(base, nullptr, kPositionId, nullptr, 0);
  fresh->MouseDown(&press, fresh->idLabel);
  EXPECT_TRUE(dragged.empty());
}

}  // namespace
