// The text forms of selections: keyed lines, XML, request parameters, comparison of stored
// definitions, and the definition blocks of exports and printouts.
#include <functional>

#include "core/memory.h"
#include "core/owned_text.h"
#include "database/subsets.h"
#include "tests/database/cardsel/selection_fixture.h"
#include "ui/graphics_port.h"
#include "ui/text_style.h"

namespace {

using selection_test::SelectionTest;

class SelectionFormsTest : public SelectionTest {
 protected:
  void SetUp() override {
    SelectionTest::SetUp();
    SetValueCount(base, 3);
    SelectionDef_init(&def, base);
    SelectionDef_init(&other, base);
    Selection_init(&selection, base, nullptr, nullptr);
  }
  void TearDown() override {
    Selection_free(&selection);
    SelectionDef_free(&other);
    SelectionDef_free(&def);
    SelectionTest::TearDown();
  }

  static void ReadKeys(const std::string& text,
                       const std::function<void(const char*, T_IStream*)>& read) {
    T_IStream in;
    in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    while (in.NextLine()) {
      T_TextBuf key;
      if (in.ReadFieldBuf(&key)) read(key.data, &in);
    }
  }
  void ReadDefKeys(SelectionDef* target, const std::string& text) {
    ReadKeys(text,
             [target](const char* key, T_IStream* in) { SelectionDef_readKey(target, key, in); });
  }
  std::string DefKeys(const SelectionDef* source, char prefix = 'B') {
    T_OStream out;
    SelectionDef_writeKeys(source, &out, prefix);
    return Written(out);
  }
  std::string SelectionKeys(CardSelection* source) {
    T_OStream out;
    Selection_writeKeys(source, &out, 'B');
    return Written(out);
  }
  void SetBound(DateRef* bound, const char* text) {
    DateRefParse(bound, text, static_cast<int32_t>(strlen(text)));
  }
  // Every criterion that the stand-in compiler leaves alone.
  void FillSelection(CardSelection* target) {
    SetBound(&target->from, "240301");
    SetBound(&target->to, "Month");
    Selection_setPattern(target, kPatternCardTitle, "inv");
    Selection_setPattern(target, kPatternLineText, "x");
    Selection_setPattern(target, kPatternNotes, "n");
    Selection_setCondition(target, 1, "<5");
    Selection_setCondition(target, 2, "1…2");
    SubsetCreate(base->subsets, "North");
    CombCompile(&target->subset, "cards North");
  }

  SelectionDef def;
  SelectionDef other;
  CardSelection selection;
};

TEST_F(SelectionFormsTest, KeyedDefinitionGoldenAndRoundTrip) {
  SelectionDef_setComponentText(&def, 2, "a&b");
  SelectionDef_setComponentText(&def, 0, "g");
  SetBound(&def.from, "240301");
  SelectionDef_setPattern(&def, kPatternCardTitle, "inv");
  SelectionDef_setPattern(&def, kPatternLineText, "x");
  SelectionDef_setPattern(&def, kPatternNotes, "n");
  SelectionDef_setCondition(&def, 1, "<5");
  SelectionDef_setSubset(&def, "S");
  std::string keys = DefKeys(&def);
  EXPECT_EQ(keys,
            "BD1\tg\r\nBD3\ta&b\r\nBC\t240301\r\nBY\tinv\r\nBL\tx\r\nBA\tn\r\nBVB\t<5\r\n"
            "BS\tS\r\n");
  ReadDefKeys(&other, keys);
  EXPECT_TRUE(SelectionDef_equal(&def, &other));
  EXPECT_EQ(DefKeys(&other), keys);

  // The dimension order decides the lines and their numbers: a save numbers the dimensions by
  // their places in it, and the file read back knows them by those numbers.
  base->dimensionOrder[0] = 2;
  base->dimensionOrder[1] = 0;
  base->dimensionOrderCount = 2;
  EXPECT_EQ(DefKeys(&def).substr(0, 16), "BD1\ta&b\r\nBD2\tg\r\n");
}

TEST_F(SelectionFormsTest, KeyedFormEdgeCases) {
  // Restricted only in the dimension with number 2: one line.
  SelectionDef_setComponentText(&def, 2, "x");
  EXPECT_EQ(DefKeys(&def, 'Z'), "ZD3\tx\r\n");
  SelectionDef_clear(&def);
  EXPECT_EQ(DefKeys(&def), "");

  // A range open at the start keeps its empty field; one open at the end leaves it out.
  ReadDefKeys(&def, "BC\t\t240331\r\n");
  EXPECT_TRUE(IsOpenBound(&def.from));
  EXPECT_EQ(DefKeys(&def), "BC\t\t240331\r\n");
  ReadDefKeys(&def, "BC\t240301\r\n");
  EXPECT_TRUE(IsOpenBound(&def.to));
  EXPECT_EQ(DefKeys(&def), "BC\t240301\r\n");

  // Dimension numbers outside 1..32 and unknown letters are passed over.
  SelectionDef_clear(&def);
  ReadDefKeys(&def, "BD0\ta\r\nBD33\tb\r\nBQ\tc\r\nBD32\td\r\n");
  EXPECT_STREQ(def.componentTexts.texts[31], "d");
  EXPECT_EQ(DefKeys(&def), "BD32\td\r\n");

  // The column of a "V" key: letters, digits, and the first column for anything else.
  const std::pair<const char*, int32_t> columns[] = {
      {"BV", 0}, {"BVA", 0}, {"BVC", 2}, {"BV3", 2}, {"BV?", 0}, {"BVZ", 0}, {"BVX", 23},
  };
  for (const auto& [key, column] : columns) {
    SCOPED_TRACE(key);
    SelectionDef_clear(&def);
    ReadDefKeys(&def, std::string(key) + "\t>1\r\n");
    for (int32_t c = 0; c < kMaxValueCount; ++c)
      EXPECT_EQ(def.valueTexts[c] != nullptr, c == column) << c;
  }
}

TEST_F(SelectionFormsTest, KeyedSelectionRoundTrip) {
  FillSelection(&selection);
  std::string keys = SelectionKeys(&selection);
  EXPECT_EQ(keys,
            "BC\t240301\tMonth\r\nBY\tinv\r\nBL\tx\r\nBA\tn\r\nBVB\t<5\r\nBVC\t1…2\r\nBS\tcards "
            "North\r\n");
  CardSelection read;
  Selection_init(&read, base, nullptr, nullptr);
  ReadKeys(keys, [&read](const char* key, T_IStream* in) { Selection_readKey(&read, key, in); });
  EXPECT_EQ(SelectionKeys(&read), keys);
  SelectionDef_fromSelection(&def, &read);
  ReadDefKeys(&other, keys);
  EXPECT_TRUE(SelectionDef_equal(&def, &other));
  Selection_free(&read);
}

TEST_F(SelectionFormsTest, XmlRoundTrip) {
  FillSelection(&selection);
  Selection_setPattern(&selection, kPatternCardTitle, "A<B");
  Selection_setCondition(&selection, 0, ">7");
  T_OStream out;
  Selection_writeXml(&selection, &out);
  std::string xml = Written(out);
  EXPECT_NE(xml.find("<cardtitle>A&lt;B</cardtitle>\r\n"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<value>&gt;7</value>\r\n<value2>&lt;5</value2>\r\n<value3>1…2</value3>"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<subset>cards North</subset>"), std::string::npos) << xml;
  EXPECT_EQ(xml.rfind("</selection>\r\n"), xml.size() - 14);

  T_IStream in;
  in.CtorFromMemory(xml.data(), static_cast<int64_t>(xml.size()));
  ASSERT_TRUE(in.NextXmlToken());
  Selection_readXml(&def, &in);
  SelectionDef_fromSelection(&other, &selection);
  EXPECT_TRUE(SelectionDef_equal(&def, &other)) << DefKeys(&def) << "\n" << DefKeys(&other);
}

TEST_F(SelectionFormsTest, XmlReaderTakesEveryValueForm) {
  base->dimensions[1]->singular = StrDup("Region");
  base->valueNames[2] = StrDup("Tax");
  SelectionDef_setPattern(&def, kPatternNotes, "old");
  std::string xml =
      "<selection><dim num=\"3\">a</dim><dim name=\"Region\">b</dim><dim name=\"none\">c</dim>"
      "<value num=\"2\">x</value><value3>y</value3><value name=\"Tax\">&lt;z</value>"
      "<value30>no</value30><bogus><dim num=\"5\">q</dim></bogus><from>240301</from>"
      "<linetext/></selection><dim num=\"4\">after</dim>";
  T_IStream in;
  in.CtorFromMemory(xml.data(), static_cast<int64_t>(xml.size()));
  ASSERT_TRUE(in.NextXmlToken());
  Selection_readXml(&def, &in);
  EXPECT_STREQ(def.componentTexts.texts[2], "a");
  EXPECT_STREQ(def.componentTexts.texts[1], "b");
  EXPECT_EQ(def.componentTexts.texts[4], nullptr);
  EXPECT_EQ(def.componentTexts.texts[3], nullptr);
  EXPECT_STREQ(def.valueTexts[1], "x");
  EXPECT_STREQ(def.valueTexts[2], "<z");  // "value3" then the column named "Tax"
  EXPECT_EQ(def.notesText, nullptr);      // the reader starts from a clear definition
  EXPECT_EQ(def.from.cardId.date, Day(2024, 3, 1));
  EXPECT_TRUE(IsOpenBound(&def.to));
}

TEST_F(SelectionFormsTest, RequestParametersNarrowAndJoin) {
  SetBound(&def.from, "240310");
  SetBound(&def.to, "240320");
  SelectionDef_setComponentText(&def, 2, "a|b");
  struct Step {
    const char* name;
    const char* value;
  };
  const Step steps[] = {
      {"cardfrom", "240301"}, {"cardto", "240325"},  // wider: ignored
      {"cardfrom", "240315"}, {"cardto", "240318"},  // narrower: taken
      {"dim3", "c"},          {"value", "<5"},      {"VALUE2", ">1"},
      {"value4", "x"},        {"cardtitle", ""},    {"cardtitle", "A"},
      {"cardtitle", "B"},     {"dimx", "q"},        {"unknown", "q"},
  };
  for (const Step& step : steps) Selection_readAttributes(&def, step.name, step.value);
  EXPECT_EQ(def.from.cardId.date, Day(2024, 3, 15));
  EXPECT_EQ(def.to.cardId.date, Day(2024, 3, 18));
  EXPECT_STREQ(def.componentTexts.texts[2], "(a|b)&c");
  EXPECT_STREQ(def.valueTexts[0], "<5");
  EXPECT_STREQ(def.valueTexts[1], ">1");
  EXPECT_EQ(def.valueTexts[3], nullptr);
  EXPECT_STREQ(def.titleText, "A&B");
}

TEST_F(SelectionFormsTest, EqualityAndRestriction) {
  struct Case {
    const char* name;
    std::function<void(SelectionDef*)> change;
    bool equal;
    bool restricted;
  };
  const Case cases[] = {
      {"nothing", [](SelectionDef*) {}, true, false},
      {"a dimension", [](SelectionDef* d) { SelectionDef_setComponentText(d, 31, "x"); }, false,
       true},
      {"a fixed from bound", [this](SelectionDef* d) { SetBound(&d->from, "240301"); }, false,
       true},
      {"the file shifted", [this](SelectionDef* d) { SetBound(&d->to, "File+3"); }, false, true},
      {"the file written out", [this](SelectionDef* d) { SetBound(&d->to, "fi"); }, true, false},
      {"a pattern", [](SelectionDef* d) { SelectionDef_setPattern(d, kPatternNotes, "n"); }, false,
       true},
      {"a value", [](SelectionDef* d) { SelectionDef_setCondition(d, 2, ">1"); }, false, true},
      {"a value beyond the columns", [](SelectionDef* d) { SelectionDef_setCondition(d, 3, ">1"); },
       true, false},
      {"a subset", [](SelectionDef* d) { SelectionDef_setSubset(d, "S"); }, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SelectionDef_clear(&def);
    SelectionDef_clear(&other);
    c.change(&other);
    EXPECT_EQ(SelectionDef_equal(&def, &other), c.equal);
    EXPECT_EQ(SelectionDef_isRestricted(&other), c.restricted);
  }

  // Rules compare by their rule, fixed dates by their card id.
  SelectionDef_clear(&other);
  SetBound(&def.from, "Month-1");
  SetBound(&other.from, "Month-1");
  EXPECT_TRUE(SelectionDef_equal(&def, &other));
  SetBound(&other.from, "Month");
  EXPECT_FALSE(SelectionDef_equal(&def, &other));
  SetBound(&def.from, "240301-2");
  SetBound(&other.from, "240301-3");
  EXPECT_FALSE(SelectionDef_equal(&def, &other));

  SelectionDef_setPattern(&def, kPatternCardTitle, "copied");
  SelectionDef_copy(&other, &def);
  EXPECT_TRUE(SelectionDef_equal(&def, &other));
  EXPECT_GT(SelectionDef_byteSize(&def), static_cast<int64_t>(sizeof(SelectionDef)));
}

TEST_F(SelectionFormsTest, HtmlDefinitionGolden) {
  SetBound(&selection.from, "240301");
  SetBound(&selection.to, "240331");
  Selection_setPattern(&selection, kPatternCardTitle, "<b>&x");
  Selection_setCondition(&selection, 0, ">5");
  T_OStream out;
  Selection_writeHtmlDefinition(&selection, &out);
  EXPECT_EQ(Written(out),
            "<tr><td class=\"definition\">Definition\r\n"
            "<table border=\"0\" cellspacing=\"0\" cellpadding=\"1\" class=\"definition\">\r\n"
            "<tr><td width=\"80\"> From </td><td> 240301-001 </td></tr>\r\n"
            "<tr><td> To </td><td> 240331-999 </td></tr>\r\n"
            "<tr><td> Card Title </td><td> &lt;b&gt;&amp;x </td></tr>\r\n"
            "<tr><td> Value </td><td> &gt;5 </td></tr>\r\n"
            "</table></td></tr>\r\n");

  T_OStream text;
  Selection_writeDefinitionText(&selection, &text);
  EXPECT_EQ(Written(text),
            "From\t240301-001\r\nTo\t240331-999\r\nCard Title\t<b>&x\r\nValue\t>5\r\n");
}

class PrintedDefinitionTest : public SelectionFormsTest {
 protected:
  void SetUp() override {
    SelectionFormsTest::SetUp();
    PaletteReset();
    Gfx.foreColour = kColourBlack;
    Gfx.backColour = kColourWhite;
    Gfx.style = TextStyleStandard;
    PortInitRegions(&port);
    RECT rect{0, 0, 300, 120};
    ASSERT_TRUE(PortOpenOffscreen(&port, &bitmap, &rect));
    PortApplyStyle();
  }
  void TearDown() override {
    if (port.dc) PortClose(&port);
    PortFreeRegions(&port);
    OffscreenFree(&bitmap);
    SelectionFormsTest::TearDown();
  }
  // Dark pixels in the rectangle.
  int32_t Ink(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    uint32_t* pixels = PixelsRead(port.dc, left, top, right - left, bottom - top);
    int32_t ink = 0;
    for (int32_t i = 0; pixels && i < (right - left) * (bottom - top); ++i)
      ink += ColourSum(pixels[i] & 0xFFFFFF) < 300;
    MemFree(pixels);
    return ink;
  }

  GraphicsPort port;
  OffscreenBitmap bitmap;
};

TEST_F(PrintedDefinitionTest, DrawsOneRowPerCriterion) {
  RECT area{0, 0, 300, 120};
  EXPECT_EQ(Selection_getDefinitionHeight(&selection), 0);
  Selection_drawDefinition(&selection, &area);
  EXPECT_EQ(Ink(0, 0, 300, 120), 0);

  Selection_setPattern(&selection, kPatternNotes, "WWWWWWWW");
  int32_t height = Selection_getDefinitionHeight(&selection);
  int32_t row = (height - 2) / 3;
  EXPECT_EQ(height, 3 * row + 2);
  EXPECT_GE(row, 12);
  Selection_drawDefinition(&selection, &area);
  // Labels from pixel 14 in a column 78 wide, values from pixel 79, three rows and no more.
  EXPECT_EQ(Ink(0, 0, 14, 3 * row), 0);
  for (int32_t r = 0; r < 3; ++r) {
    EXPECT_GT(Ink(14, r * row, 78, (r + 1) * row), 0) << r;
    EXPECT_GT(Ink(79, r * row, 300, (r + 1) * row), 0) << r;
  }
  EXPECT_EQ(Ink(0, 3 * row, 300, 120), 0);
}

}  // namespace
