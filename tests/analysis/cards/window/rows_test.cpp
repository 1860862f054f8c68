// The rows of the cards window: which cards, groups and lines a selection and the contents modes
// list, their order under the sort keys, and the texts of their cells.
#include <cstring>

#include "core/threads.h"
#include "tests/analysis/cards/cards_fixture.h"
#include "ui/sort_orders.h"

namespace cards_test {
namespace {

using CardsRows = CardsTest;

TEST_F(CardsRows, ContentsModesAndSelectionChooseTheRows) {
  struct Case {
    const char* lineText;  // the selection's line-text pattern, null for none
    uint32_t groups;
    uint32_t lines;
    const char* rows;
  } cases[] = {
      {nullptr, kContentsSelected, kContentsSelected,
       "C Sale one\nG 3010\nL Widget\nL Gadget\nG 1910\nL Cash\nC Sale two\nG 3010\nL Widget\n"
       "C Purchase\nG 4010\nL Goods\nC Remark\nG 3010\nL Small\n"},
      {nullptr, kContentsNone, kContentsAll, "C Sale one\nC Sale two\nC Purchase\nC Remark\n"},
      {"wid", kContentsSelected, kContentsSelected,
       "C Sale one\nG 3010\nL Widget\nC Sale two\nG 3010\nL Widget\n"},
      {"wid", kContentsSelected, kContentsAll,
       "C Sale one\nG 3010\nL Widget\nL Gadget\nC Sale two\nG 3010\nL Widget\n"},
      {"wid", kContentsAll, kContentsSelected,
       "C Sale one\nG 3010\nL Widget\nG 1910\nC Sale two\nG 3010\nL Widget\n"},
      {"wid", kContentsAll, kContentsAll,
       "C Sale one\nG 3010\nL Widget\nL Gadget\nG 1910\nL Cash\nC Sale two\nG 3010\nL Widget\n"},
      {"wid", kContentsAll, kContentsNone, "C Sale one\nG 3010\nG 1910\nC Sale two\nG 3010\n"},
      {"wid", kContentsNone, kContentsSelected, "C Sale one\nC Sale two\n"},
  };
  for (const Case& c : cases) {
    T_CardsTmpl* templ = Template();
    if (c.lineText) SelectionDef_setPattern(&templ->selection, kPatternLineText, c.lineText);
    templ->options.groupsMode = c.groups;
    templ->options.linesMode = c.lines;
    T_Cards* window = Open(templ);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Dump(window), c.rows)
        << (c.lineText ? c.lineText : "-") << " " << c.groups << c.lines;
    EXPECT_FALSE(window->CalcButtonEnabled());
    Close(window);
  }
}

TEST_F(CardsRows, NotesAndSignaturesRowsFollowTheirCard) {
  T_CardsTmpl* templ = Template();
  templ->options.fields[kColNotes].show = 1;
  templ->options.fields[kColSignatures].show = 1;
  templ->options.groupsMode = kContentsNone;
  T_Cards* window = Open(templ);
  // "Remark" has only its notes stamp: a notes row, no signatures row.
  EXPECT_EQ(Dump(window), "C Sale one\nN\nS\nC Sale two\nS\nC Purchase\nC Remark\nN\n");
  std::string stamps = Cells(window, 2);
  EXPECT_NE(
      stamps.find("Created 240510 14:05 TST, Approved 240511 09:00 BOS, Notes 240510 14:06 TST"),
      std::string::npos)
      << stamps;
  EXPECT_NE(Cells(window, 1).find("First line Second line"), std::string::npos);
  // Notes rows measure their text within their bounds.
  EXPECT_GE(window->GetRowHeight(1), 10);
  EXPECT_LE(window->GetRowHeight(1), 145);
}

TEST_F(CardsRows, LongNotesAreCutBetweenCharacters) {
  std::string notes;
  for (int i = 0; i < 4500; ++i) notes += "\xC3\xA9";  // 9000 bytes of two-byte characters
  notes = "x" + notes;                                 // so that byte 8000 falls inside one
  SetCardNotes(base->sentinelCard->next, notes.c_str());
  T_CardsTmpl* templ = Template();
  templ->options.fields[kColNotes].show = 1;
  templ->options.groupsMode = kContentsNone;
  T_Cards* window = Open(templ);
  ASSERT_EQ(window->RowAt(1)->kind, kRowNotes);
  std::string cell = Cells(window, 1);
  size_t bar = cell.rfind('|');
  std::string text = cell.substr(bar + 1);
  EXPECT_EQ(text.size(), 7999u);
  EXPECT_EQ(static_cast<uint8_t>(text.back()), 0xA9);
  EXPECT_GE(window->GetRowHeight(1), 10);
  EXPECT_EQ(window->GetRowHeight(1), 145);
}

TEST_F(CardsRows, ValueCellsTakeDecimalsNegativeStylesAndColours) {
  struct Case {
    int32_t decimals, negative, colour;
    const char* text;
    uint32_t colourIndex;
  } cases[] = {
      {2, 0, 0, "-20.50", 10},
      {0, 2, 1, "(21)", 13},
      {1, 1, 2, "20.5-", 13},
  };
  for (const Case& c : cases) {
    T_CardsTmpl* templ = Template();
    templ->options.fields[kColValue1].decimals = c.decimals;
    templ->options.fields[kColValue1].negative = c.negative;
    templ->options.fields[kColValue1].colour = c.colour;
    T_Cards* window = Open(templ);
    ASSERT_EQ(window->RowAt(3)->kind, kRowLine);  // Gadget
    RowTextPool pool;
    pool.Init();
    window->GetRowTexts(&pool, 3);
    T_CardsField* value = window->fields[kColValue1];
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value->cellText, c.text);
    EXPECT_EQ(value->cellColour, c.colourIndex);
    pool.Free();
    Close(window);
  }
  // The card row: its id with the database's digits, the title, and no line cells.
  T_Cards* window = Open(Template());
  EXPECT_EQ(Cells(window, 0), "240510-001|Sale one|||||");
  EXPECT_EQ(Cells(window, 2), "|||A|Widget|100.00|2");
}

// --- Sorting ----------------------------------------------------------------------------------

std::string Titles(T_Cards* window) {
  std::string out;
  for (int64_t i = 0; i < window->rowCount; ++i)
    if (window->RowAt(i)->kind == kRowCard) out += std::string(window->RowAt(i)->card->title) + ";";
  return out;
}

TEST_F(CardsRows, SortKeysOrderCardsGroupsAndLines) {
  struct Key {
    int32_t field;
    char option;
  };
  struct Case {
    std::vector<Key> keys;
    uint32_t groups;
    const char* rows;
  } cases[] = {
      // Equal dates keep their date order.
      {{{kColDate, 'D'}}, kContentsNone, "C Remark\nC Purchase\nC Sale one\nC Sale two\n"},
      {{{kColCardId, 'D'}}, kContentsNone, "C Remark\nC Purchase\nC Sale two\nC Sale one\n"},
      {{{kColTitle, 'D'}}, kContentsNone, "C Sale two\nC Sale one\nC Remark\nC Purchase\n"},
      // The reversal keeps each card's rows after it.
      {{{kColCardId, 'D'}},
       kContentsSelected,
       "C Remark\nG 3010\nL Small\nC Purchase\nG 4010\nL Goods\nC Sale two\nG 3010\nL Widget\n"
       "C Sale one\nG 3010\nL Widget\nL Gadget\nG 1910\nL Cash\n"},
      // Hierarchical: groups by tree order, lines by value within their group.
      {{{kColDim0, 'N'}, {kColValue1, 'A'}},
       kContentsSelected,
       "C Sale one\nG 1910\nL Cash\nG 3010\nL Gadget\nL Widget\nC Sale two\nG 3010\nL Widget\n"
       "C Purchase\nG 4010\nL Goods\nC Remark\nG 3010\nL Small\n"},
      {{{kColTitle, 'A'}, {kColLineText, 'D'}},
       kContentsSelected,
       "C Purchase\nG 4010\nL Goods\nC Remark\nG 3010\nL Small\nC Sale one\nG 3010\nL Widget\n"
       "L Gadget\nG 1910\nL Cash\nC Sale two\nG 3010\nL Widget\n"},
  };
  for (const Case& c : cases) {
    T_CardsTmpl* templ = Template();
    templ->options.groupsMode = c.groups;
    templ->options.keyCount = static_cast<int32_t>(c.keys.size());
    for (size_t k = 0; k < c.keys.size(); ++k) {
      templ->options.keys[k].field = c.keys[k].field;
      ASSERT_TRUE(CardsKeySetOption(&templ->options.keys[k], c.keys[k].option));
    }
    T_Cards* window = Open(templ);
    EXPECT_EQ(Dump(window), c.rows) << c.keys.size() << " keys on " << c.keys[0].field;
    Close(window);
  }
}

TEST_F(CardsRows, CardIdAscendingAloneCallsNoComparator) {
  T_CardsTmpl* templ = Template();
  int64_t before = CardsCompareCalls();
  T_Cards* window = Open(templ);
  EXPECT_EQ(CardsCompareCalls(), before);
  EXPECT_EQ(window->rowMap, nullptr);
  EXPECT_EQ(Titles(window), "Sale one;Sale two;Purchase;Remark;");
  // No marker for the default key until the user sorts.
  EXPECT_EQ(window->fields[kColCardId]->markerPicture, 0u);
}

TEST_F(CardsRows, TrailingKeysAreDroppedAndMarkersNumbered) {
  T_CardsTmpl* templ = Template();
  templ->options.keyCount = 4;
  templ->options.keys[0] = CardsSortKey{kColTitle, 0, 0, 1, 0};
  templ->options.keys[1] = CardsSortKey{kColValue1, 0, 0, 0, kValueAscending};
  templ->options.keys[2] = CardsSortKey{kColValue1, 0, 0, 0, kValueDescending};
  templ->options.keys[3] = CardsSortKey{kColCardId, 0, 0, 0, 0};
  T_Cards* window = Open(templ);
  EXPECT_EQ(window->options.keyCount, 2);
  EXPECT_EQ(window->fields[kColTitle]->markerPicture, kMarkerDescending);
  EXPECT_EQ(window->fields[kColTitle]->markerDigit, 1u);
  EXPECT_EQ(window->fields[kColValue1]->markerPicture, kMarkerAscending);
  EXPECT_EQ(window->fields[kColValue1]->markerDigit, 2u);
}

TEST_F(CardsRows, HeaderButtonTogglesTheKeyDirection) {
  struct Case {
    CardsSortKey key;
    char after;
  } cases[] = {
      {{kColValue1, 0, 0, 0, kValueDescending}, 'A'},
      {{kColValue1, 0, 0, 0, kValueAscending}, 'D'},
      {{kColValue1, 0, 0, 0, kValueCombinedDescending}, 'B'},
      {{kColValue1, 0, 0, 0, kValueAbsDescending}, 'C'},
      {{kColDim1, 0, kTreeNormal, 0, 0}, 'R'},
      {{kColDim1, 0, kTreeReversed, 0, 0}, 'N'},
      {{kColDim1, 0, kTreeCode, 0, 0}, 'R'},
      {{kColDate, 0, 0, 0, 0}, 'D'},
      {{kColLineText, 0, 0, 1, 0}, 'A'},
  };
  for (const Case& c : cases) {
    CardsSortKey key = c.key;
    CardsKeyToggle(&key);
    EXPECT_EQ(CardsKeyOptionLetter(&key), c.after) << c.key.field;
  }
  // Through the title's button: the rows follow at once.
  T_CardsTmpl* templ = Template();
  templ->options.groupsMode = kContentsNone;
  templ->options.fields[kColDate].show = 1;
  templ->options.keys[0] = CardsSortKey{kColDate, 0, 0, 0, 0};
  T_Cards* window = Open(templ);
  EXPECT_EQ(Titles(window), "Sale one;Sale two;Purchase;Remark;");
  window->ClickFieldButton(nullptr, window->fields[kColDate], nullptr);
  EXPECT_EQ(Titles(window), "Remark;Purchase;Sale one;Sale two;");
  EXPECT_EQ(window->fields[kColDate]->markerPicture, kMarkerDescending);
}

TEST_F(CardsRows, WithoutMemoryForTheRowMapTheRowsKeepTheirOrder) {
  // Enough cards that the row map is a heap block, which the hook can refuse.
  for (int32_t n = 1; n <= 700; ++n) {
    CardRecord* card = AddCard(base, 2025, 1, 1 + n % 28, n, "Bulk");
    AddLine(base, card, "3010", "Bulk", n, 0, "A");
  }
  T_CardsTmpl* templ = Template();
  templ->options.groupsMode = kContentsNone;
  T_Cards* window = Open(templ);
  ASSERT_NE(window, nullptr);
  ASSERT_EQ(window->rowCount, 704);
  window->options.keys[0] = CardsSortKey{kColCardId, kSortDescending, 0, 0, 0};
  SetHeapFailHook([](size_t size) { return size == 704 * sizeof(int64_t); });
  window->SortRows();
  SetHeapFailHook(nullptr);
  EXPECT_EQ(window->rowMap, nullptr);
  EXPECT_STREQ(window->RowAt(0)->card->title, "Sale one");
  EXPECT_FALSE(AbortRequested());
  window->SortRows();
  EXPECT_NE(window->rowMap, nullptr);
  EXPECT_STREQ(window->RowAt(703)->card->title, "Sale one");
}

TEST_F(CardsRows, NumbersAreWholeOrHashesWhateverTheStoredWidth) {
  struct Case {
    int32_t stored;
    int32_t built;
  } cases[] = {{0, 80}, {-3, 80}, {1 << 30, kMaxFieldWidth}, {32, 32}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    T_CardsTmpl* templ = Template();
    templ->options.fields[kColValue1].width = c.stored;
    T_Cards* window = Open(templ);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(window->fields[kColValue1], nullptr);
    EXPECT_EQ(window->fields[kColValue1]->Width(), c.built);
    box_test::ExpectNumbersWholeOrHashes(window, 14);
    Close(window);
  }
}

}  // namespace
}  // namespace cards_test
