// The cards template: its keyed lines written and read back, the old "P" field lists, sort keys
// from "Q" lines and the "sort" parameter, and the XML children.
#include <string>

#include "core/input_stream.h"
#include "database/template_tree.h"
#include "tests/analysis/cards/cards_fixture.h"
#include "ui/sort_orders.h"

namespace cards_test {
namespace {

using CardsTemplate = CardsTest;

std::string Written(T_Template* templ) {
  T_OStream stream;
  stream.SetNewline("\n");
  templ->WriteText(&stream);
  return StreamText(stream);
}

// Reads record lines (LF-separated) into the template as a section read does.
void ReadLines(T_Template* templ, const std::string& lines) {
  T_IStream in;
  in.CtorFromMemory(lines.data(), static_cast<int64_t>(lines.size()));
  bool atLine = in.NextLine();
  // The template line itself is the section reader's.
  if (atLine && in.lineEnd > in.lineStart && in.lineStart[0] == '#') atLine = in.NextLine();
  templ->ReadRecords(&in, atLine);
}

void ReadXml(T_Template* templ, const std::string& xml) {
  T_IStream in;
  in.CtorFromMemory(xml.data(), static_cast<int64_t>(xml.size()));
  in.NextXmlToken();  // <template>
  templ->ReadXml(&in);
}

constexpr char kDefaultDimensions[] =
    "D3,D4,D5,D6,D7,D8,D9,D10,D11,D12,D13,D14,D15,D16,D17,D18,D19,D20,D21,D22,D23,D24,D25,D26,D27,"
    "D28,D29,D30,D31,D32";

TEST_F(CardsTemplate, DefaultsWriteNoModeNegativeColourOrWidthLines) {
  T_CardsTmpl* templ = Template();
  EXPECT_EQ(templ->menuIcon, 2001u);
  EXPECT_EQ(Written(templ), std::string("#C\nxeE\tUTF-8\nxem\t#1\nP\tI,T,D1,D2,L,VA,VB,") +
                                kDefaultDimensions + "\nD\t20\nQ1I\tCA\tDN\tTA\tVD\nxtna\n");
}

TEST_F(CardsTemplate, EveryOptionGoesRoundTrip) {
  T_CardsTmpl* templ = Template();
  SelectionDef_setComponentText(&templ->selection, 0, "3010");
  SelectionDef_setPattern(&templ->selection, kPatternCardTitle, "sale");
  CardsOptions& o = templ->options;
  for (CardsFieldOptions& field : o.fields) field.show = 0;
  for (int32_t code : {kColCardId, kColDate, kColDim1, kColValue1 + 1, kColNotes, kColSignatures})
    o.fields[code].show = 1;
  o.fields[kColValue1].decimals = 7;
  o.fields[kColValue1 + 1].negative = 2;
  o.fields[kColValue1].colour = 1;
  o.groupsMode = kContentsAll;
  o.linesMode = kContentsNone;
  o.gridLines = 1;
  o.dateStyle = 3;
  o.fields[kColDim1].display = 2;
  o.fields[kColCardId].width = 90;
  o.fields[kColTitle].width = 300;
  o.fields[kColValue1 + 1].width = 70;
  o.fields[kColDim1].width = 120;
  o.keyCount = 2;
  o.keys[0] = CardsSortKey{kColDate, kSortDescending, 0, 0, 0};
  o.keys[1] = CardsSortKey{kColValue1 + 1, 0, kTreeReversed, kSortDescending, kValueAbsAscending};
  o.tool = kToolCardPointer;
  std::string text = Written(templ);
  EXPECT_EQ(text,
            "#C\nxeE\tUTF-8\nxem\t#1\nBD1\t3010\nBY\tsale\nP\tI,P,D2,VB,N,S\nD\tF0\nN\t-P\nR\tR-"
            "\nS\tAN\nGC\nY\tF\n"
            "T\t-T\nwC\t90\nwY\t300\nwV\t\t70\nwD\t\t120\nQ1P\tCD\tDN\tTA\tVD\n"
            "Q2VB\tCA\tDR\tTD\tVC\nxtnh\n");
  T_CardsTmpl* copy = Template();
  ReadLines(copy, text);
  EXPECT_EQ(Written(copy), text);
  EXPECT_EQ(copy->options.tool, kToolCardPointer);
  EXPECT_EQ(copy->options.keyCount, 2);
  EXPECT_TRUE(SelectionDef_equal(&copy->selection, &templ->selection));
}

TEST_F(CardsTemplate, OldFieldListsFollowTheFileVersion) {
  struct Case {
    int32_t version;
    const char* line;
    std::vector<int32_t> shown;
  } cases[] = {
      {19980101, "P\t2LVx", {4, 5, 6}},
      {20000601, "P\tI1LTVa3C", {0, 2, 3, 5, 6, 7, 30, 39}},
      {20001219, "P\tI,D1,VA,D10,DA,Q,VZ", {0, 3, 6, 37}},
  };
  for (const Case& c : cases) {
    base->fileVersion = c.version;
    T_CardsTmpl* templ = Template();
    ReadLines(templ, std::string(c.line) + "\n");
    std::vector<int32_t> shown;
    for (int32_t code = 0; code < kCardsFieldCount; ++code)
      if (templ->options.fields[code].show) shown.push_back(code);
    EXPECT_EQ(shown, c.shown) << c.line;
  }
  base->fileVersion = 0;
}

TEST_F(CardsTemplate, AValueColumnBeyondTheCountIsKeptButNotWritten) {
  T_CardsTmpl* templ = Template();
  ReadLines(templ, "P\tI,VC\n");
  EXPECT_EQ(templ->options.fields[kColValue1 + 2].show, 1);
  EXPECT_EQ(Written(templ), "#C\nxeE\tUTF-8\nxem\t#1\nP\tI\nD\t20\nQ1I\tCA\tDN\tTA\tVD\nxtna\n");
  T_Cards* window = Open(templ);
  EXPECT_EQ(window->fields[kColValue1 + 2], nullptr);
}

TEST_F(CardsTemplate, SortKeysFromQLinesAndTheSortParameter) {
  T_CardsTmpl* templ = Template();
  ReadLines(templ, "Q3VA\tVA\tCD\nQ9I\tCD\nQ0T\n");
  EXPECT_EQ(templ->options.keyCount, 3);
  EXPECT_EQ(templ->options.keys[1].field, kColCardId);  // key 2 keeps its default
  EXPECT_EQ(templ->options.keys[2].field, kColValue1);
  EXPECT_EQ(templ->options.keys[2].valueOrder, kValueAscending);
  EXPECT_EQ(templ->options.keys[2].cardDirection, kSortDescending);
  // Notes and signatures are no keys: the key keeps its field.
  ReadLines(templ, "Q1N\tTD\n");
  EXPECT_EQ(templ->options.keys[0].field, kColCardId);

  struct Case {
    const char* value;
    int32_t field;
    char option;
  } cases[] = {
      // Without ":" the key keeps its options (the text direction "D" read above).
      {"VB:A", kColValue1 + 1, 'A'}, {"D2:R", kColDim1, 'R'}, {"T", kColTitle, 'D'},
      {"N", kColTitle, 'D'},         {"S:A", kColTitle, 'D'}, {"X", kColTitle, 'D'},
      {"P:D", kColDate, 'D'},        {"VZ", kColDate, 'D'},
  };
  for (const Case& c : cases) {
    templ->SetParameter("sort", c.value);
    EXPECT_EQ(templ->options.keyCount, 1) << c.value;
    EXPECT_EQ(templ->options.keys[0].field, c.field) << c.value;
    EXPECT_EQ(CardsKeyOptionLetter(&templ->options.keys[0]), c.option) << c.value;
  }
  // Other names reach the selection.
  templ->SetParameter("cardtitle", "sale");
  EXPECT_STREQ(templ->selection.titleText, "sale");
}

TEST_F(CardsTemplate, XmlChildrenAreReadAndStrangersReported) {
  T_CardsTmpl* templ = Template();
  ReadXml(
      templ,
      "<template><columns card-id=\"off\" value2=\"off\" dim2=\"off\" notes=\"on\" bogus=\"on\"/>"
      "<contents groups=\"all\" lines=\"\" extra=\"x\"/><values decimals=\"0x3\"/>"
      "<selection><cardtitle>sale</cardtitle></selection>"
      "<export-options format=\"xml\"/><unknown>text</unknown></template>");
  const CardsOptions& o = templ->options;
  EXPECT_EQ(o.fields[kColCardId].show, 0);
  EXPECT_EQ(o.fields[kColValue1 + 1].show, 0);
  EXPECT_EQ(o.fields[kColDim1].show, 0);
  EXPECT_EQ(o.fields[kColNotes].show, 1);
  EXPECT_EQ(o.groupsMode, kContentsAll);
  EXPECT_EQ(o.linesMode, kContentsNone);
  EXPECT_EQ(o.fields[kColValue1].decimals, 0);
  EXPECT_EQ(o.fields[kColValue1 + 1].decimals, 0);  // "x" leaves the column as it was
  EXPECT_EQ(o.fields[kColValue1 + 2].decimals, 3);
  EXPECT_STREQ(templ->selection.titleText, "sale");
  EXPECT_EQ(templ->output.format, static_cast<uint32_t>(kOutputXml));
  // "bogus", "extra" and <unknown> went to the template-error report.
  std::vector<int32_t> reported;
  for (const AlertRequest& request : alerts->asked) reported.push_back(request.message);
  EXPECT_EQ(reported, (std::vector<int32_t>{3901, 3901, 3900}));
}

TEST_F(CardsTemplate, DimensionsAreWrittenByTheirPosition) {
  AddComponent(base, 2, "P1", nullptr, nullptr);
  base->dimensionOrder[0] = 0;
  base->dimensionOrder[1] = 2;
  base->dimensionOrder[2] = 1;
  base->dimensionOrderCount = 3;
  T_CardsTmpl* templ = Template();
  for (CardsFieldOptions& field : templ->options.fields) field.show = 0;
  templ->options.fields[CardsDimensionField(2)].show = 1;
  templ->options.fields[CardsDimensionField(2)].width = 99;
  templ->options.keys[0] = CardsSortKey{CardsDimensionField(2), 0, kTreeCode, 0, 0};
  std::string text = Written(templ);
  // Dimension 2 stands at position 1: "D2", and the first "wD" field after dimension 0's.
  EXPECT_NE(text.find("P\tD2\n"), std::string::npos) << text;
  EXPECT_NE(text.find("wD\t\t99\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Q1D2\t"), std::string::npos) << text;
}

// A copy made in memory reads the positions back as the dimensions they stand for, while a file
// read takes them as the numbers the saved dimension sections give.
TEST_F(CardsTemplate, ACopyUnderAChangedOrderKeepsItsDimensions) {
  AddComponent(base, 2, "P1", nullptr, nullptr);
  const int32_t order[] = {0, 2, 1};
  for (int32_t i = 0; i < 3; ++i) base->dimensionOrder[i] = order[i];
  base->dimensionOrderCount = 3;
  T_CardsTmpl* templ = Template();
  for (CardsFieldOptions& field : templ->options.fields) field.show = 0;
  templ->options.fields[CardsDimensionField(2)].show = 1;
  templ->options.fields[CardsDimensionField(2)].width = 99;
  templ->options.fields[CardsDimensionField(2)].display = 2;
  templ->options.keys[0] = CardsSortKey{CardsDimensionField(2), 0, kTreeCode, 0, 0};

  auto* copy = AsCardsTemplate(DuplicateTemplate(base, templ, nullptr));
  ASSERT_NE(copy, nullptr);
  const CardsOptions& o = copy->options;
  EXPECT_TRUE(o.fields[CardsDimensionField(2)].show);
  EXPECT_FALSE(o.fields[CardsDimensionField(1)].show);
  EXPECT_EQ(o.fields[CardsDimensionField(2)].width, 99);
  EXPECT_EQ(o.fields[CardsDimensionField(2)].display, 2);
  EXPECT_EQ(o.keys[0].field, CardsDimensionField(2));
  EXPECT_EQ(Written(copy), Written(templ));
  DeleteTemplate(copy);

  // The same records read as a file's: position 1 is the saved file's dimension 1.
  T_CardsTmpl* read = Template();
  ReadLines(read, Written(templ));
  EXPECT_TRUE(read->options.fields[CardsDimensionField(1)].show);
  EXPECT_EQ(read->options.fields[CardsDimensionField(1)].width, 99);
  EXPECT_EQ(read->options.keys[0].field, CardsDimensionField(1));
}

}  // namespace
}  // namespace cards_test

namespace cards_test {
namespace {

// A file may leave gaps and strangers in the dimension order; every dimension is still written
// once, by a position of its own.
TEST_F(CardsTemplate, ADimensionOrderWithGapsWritesEveryDimensionOnce) {
  const int32_t order[] = {0, 1, -1, 4, 40, 1};
  for (int32_t i = 0; i < 6; ++i) base->dimensionOrder[i] = order[i];
  base->dimensionOrderCount = 6;
  T_CardsTmpl* templ = Template();
  templ->options.fields[CardsDimensionField(4)].width = 50;
  templ->options.fields[CardsDimensionField(4)].display = 1;
  std::string text = Written(templ);
  EXPECT_NE(text.find("\nT\t--H\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("wD"), std::string::npos) << text;  // dimension 4 holds no components
}

}  // namespace
}  // namespace cards_test
