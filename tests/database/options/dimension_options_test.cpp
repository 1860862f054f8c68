// Dimension options: the setter table, and the option lines in both directions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/hash_index.h"
#include "core/owned_text.h"
#include "database/change_notes.h"
#include "database/dimension_options.h"
#include "tests/database/dates/database_fixture.h"

namespace {

struct DimensionSetterCase {
  const char* what;
  void (*set)(DimensionRecord* dimension);
  std::vector<int32_t> codes;
  void (*check)(const DimensionRecord* dimension);
};

TEST(DimensionOptions, SettersStoreAndNotifyOnlyChanges) {
  T_NoAlerts quiet;
  const DimensionSetterCase cases[] = {
      {"style at its default", [](DimensionRecord* d) { SetDisplayStyle(d, 3); }, {}, nullptr},
      {"style",
       [](DimensionRecord* d) { SetDisplayStyle(d, 6); },
       {kChangeDisplayStyle, kChangeDisplayText},
       [](const DimensionRecord* d) { EXPECT_EQ(d->displayStyle, 6); }},
      {"style out of range", [](DimensionRecord* d) { SetDisplayStyle(d, 7); }, {}, nullptr},
      {"style by text",
       [](DimensionRecord* d) { SetDisplayStyleText(d, "HT"); },
       {kChangeDisplayStyle, kChangeDisplayText},
       [](const DimensionRecord* d) { EXPECT_EQ(d->displayStyle, 4); }},
      {"style by a text in lower case",
       [](DimensionRecord* d) { SetDisplayStyleText(d, "ht"); },
       {},
       nullptr},
      {"option X",
       [](DimensionRecord* d) { SetOptionX(d, true); },
       {kChangeOptionX},
       [](const DimensionRecord* d) { EXPECT_EQ(d->optionX, 1); }},
      {"option I by letter",
       [](DimensionRecord* d) { SetOptionILetter(d, 'D'); },
       {kChangeOptionI},
       [](const DimensionRecord* d) { EXPECT_EQ(d->optionI, 2); }},
      {"option I by an unknown letter",
       [](DimensionRecord* d) { SetOptionILetter(d, 'd'); },
       {},
       nullptr},
      {"text width at its default", [](DimensionRecord* d) { SetTextWidth(d, 160); }, {}, nullptr},
      {"text width",
       [](DimensionRecord* d) { SetTextWidth(d, 200); },
       {kChangeColumnWidths},
       [](const DimensionRecord* d) { EXPECT_EQ(d->textWidth, 200); }},
      {"host width",
       [](DimensionRecord* d) { SetHostWidth(d, 40); },
       {kChangeColumnWidths},
       [](const DimensionRecord* d) { EXPECT_EQ(d->hostWidth, 40); }},
      {"singular at its default",
       [](DimensionRecord* d) { SetSingular(d, "Dim 3"); },
       {},
       [](const DimensionRecord* d) { EXPECT_EQ(d->singular, nullptr); }},
      {"singular",
       [](DimensionRecord* d) { SetSingular(d, "Account"); },
       {kChangeSingularName},
       [](const DimensionRecord* d) { EXPECT_STREQ(d->singular, "Account"); }},
      {"plural with a line break",
       [](DimensionRecord* d) { SetPlural(d, "Acc\nounts"); },
       {kChangePluralName},
       [](const DimensionRecord* d) { EXPECT_STREQ(d->plural, "Acc ounts"); }},
      {"plural of 70 bytes",
       [](DimensionRecord* d) { SetPlural(d, std::string(70, 'p').c_str()); },
       {kChangePluralName},
       [](const DimensionRecord* d) { EXPECT_EQ(std::string(d->plural), std::string(64, 'p')); }},
  };
  for (const DimensionSetterCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto* base = new T_Base(nullptr, 0);
    auto* recorder = new T_NoteRecorder(base);
    DimensionRecord* dimension = base->dimensions[2];
    c.set(dimension);
    EXPECT_EQ(recorder->Codes(), c.codes);
    for (const RecordedNote& note : recorder->notes) {
      if (note.code != kChangeModified) {
        EXPECT_EQ(note.index, 2);
      }
    }
    if (c.check) c.check(dimension);
    recorder->notes.clear();
    c.set(dimension);
    EXPECT_TRUE(recorder->notes.empty());
    delete recorder;
    delete base;
  }
}

class OptionLinesTest : public DatabaseTest {
 protected:
  void TearDown() override {
    for (DimensionRecord* dimension : base->dimensions) {
      dimension->codeIndex = nullptr;
      dimension->hostIndex = nullptr;
    }
    DatabaseTest::TearDown();
  }

  std::string Write(const DimensionRecord* dimension) {
    T_OStream stream;
    WriteDimensionOptions(dimension, &stream);
    return Written(stream);
  }

  // Reads every line of the text as an option line.
  void Read(DimensionRecord* dimension, const std::string& text) {
    TextInput input(text);
    while (input.stream.NextLine()) {
      if (input.stream.NextField()) ReadDimensionOption(dimension, &input.stream);
    }
  }

  static void ExpectSameOptions(const DimensionRecord* a, const DimensionRecord* b) {
    EXPECT_STREQ(a->singular ? a->singular : "", b->singular ? b->singular : "");
    EXPECT_STREQ(a->plural ? a->plural : "", b->plural ? b->plural : "");
    EXPECT_EQ(a->codeCase, b->codeCase);
    EXPECT_EQ(a->textCase, b->textCase);
    EXPECT_EQ(a->hostCase, b->hostCase);
    EXPECT_EQ(a->displayStyle, b->displayStyle);
    EXPECT_EQ(a->optionI, b->optionI);
    EXPECT_EQ(a->optionX, b->optionX);
    EXPECT_EQ(a->codeWidth, b->codeWidth);
    EXPECT_EQ(a->textWidth, b->textWidth);
    EXPECT_EQ(a->hostWidth, b->hostWidth);
  }

  HashIndex codes_;
  HashIndex hosts_;
};

TEST_F(OptionLinesTest, DefaultsWriteNothing) {
  for (const DimensionRecord* dimension : base->dimensions) EXPECT_EQ(Write(dimension), "");
}

TEST_F(OptionLinesTest, EveryOptionWritesItsLineAndReadsBack) {
  DimensionRecord* dimension = base->dimensions[1];
  SetSingular(dimension, "Account");
  dimension->codeCase = 1;
  dimension->textCase = 0;
  dimension->hostCase = 4;
  SetDisplayStyle(dimension, 6);
  SetOptionI(dimension, 0);
  SetOptionX(dimension, true);
  SetTextWidth(dimension, 200);
  codes_.entryCount = 12;
  hosts_.entryCount = 3;
  dimension->codeIndex = &codes_;
  dimension->hostIndex = &hosts_;
  std::string written = Write(dimension);
  EXPECT_EQ(written,
            "-N\tAccount\r\n-C\tL\r\n-T\tU\r\n-H\tS\r\n-S\tCHT\r\n-I\tF\r\n-X\t+\r\n-W\t\t200\r\n"
            "-EC\t12\r\n-EH\t3\r\n");

  DimensionRecord* copy = base->dimensions[5];
  Read(copy, written);
  ExpectSameOptions(copy, dimension);
  EXPECT_EQ(copy->codeIndexSize, 12);
  EXPECT_EQ(copy->hostIndexSize, 3);

  DimensionRecord* plural = base->dimensions[6];
  SetPlural(plural, "Projects");
  EXPECT_EQ(Write(plural), "-N\t\tProjects\r\n");
  DimensionRecord* pluralCopy = base->dimensions[7];
  Read(pluralCopy, Write(plural));
  ExpectSameOptions(pluralCopy, plural);
}

TEST_F(OptionLinesTest, ReadingTakesTheDocumentedForms) {
  DimensionRecord* dimension = base->dimensions[3];
  // Widths with empty fields, and any line end.
  Read(dimension, "-W\t\t200\t\r");
  EXPECT_EQ(dimension->codeWidth, 0);
  EXPECT_EQ(dimension->textWidth, 200);
  EXPECT_EQ(dimension->hostWidth, 0);
  Read(dimension, "-W\t90\r-X\t+\n-N\tProject\r\n");
  EXPECT_EQ(dimension->codeWidth, 90);
  EXPECT_EQ(dimension->textWidth, 0);
  EXPECT_EQ(dimension->optionX, 1);
  EXPECT_STREQ(dimension->singular, "Project");
  EXPECT_EQ(dimension->plural, nullptr);
  // An empty name field stores no name.
  Read(dimension, "-N\t\tProjects\n");
  EXPECT_EQ(dimension->singular, nullptr);
  EXPECT_STREQ(dimension->plural, "Projects");

  // Fields outside the lists, and unknown keys, leave every option.
  SetDisplayStyle(dimension, 1);
  SetOptionILetter(dimension, 'D');
  dimension->codeCase = 2;
  recorder->notes.clear();
  Read(dimension,
       "-X\tx\n-C\tx\n-T\t\n-H\tq\n-I\tz\n-S\tcht\n-S\tCHTN\n-Q\tfoo\n-EC\tmany\n-\t+\n");
  EXPECT_EQ(dimension->optionX, 1);
  EXPECT_EQ(dimension->codeCase, 2);
  EXPECT_EQ(dimension->textCase, 5);
  EXPECT_EQ(dimension->hostCase, 5);
  EXPECT_EQ(dimension->optionI, 2);
  EXPECT_EQ(dimension->displayStyle, 1);
  EXPECT_EQ(dimension->codeIndexSize, 10);
  EXPECT_TRUE(recorder->notes.empty());
  Read(dimension, "-X\t-\n");
  EXPECT_EQ(dimension->optionX, 0);
}

TEST_F(OptionLinesTest, DamagedLinesReadWithoutHarm) {
  DimensionRecord* source = base->dimensions[1];
  SetSingular(source, "Account");
  SetPlural(source, "Accounts");
  SetDisplayStyle(source, 6);
  SetCodeWidth(source, 120);
  const std::string good = Write(source);
  DimensionRecord* dimension = base->dimensions[8];
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    for (int32_t bit = -1; bit < 8; ++bit) {
      std::string damaged = good.substr(0, cut);
      if (bit >= 0 && cut > 0) damaged[cut / 2] = static_cast<char>(damaged[cut / 2] ^ (1 << bit));
      Read(dimension, damaged);
      EXPECT_LE(BlockTextLength(dimension->singular), 64);
      EXPECT_LE(BlockTextLength(dimension->plural), 64);
      EXPECT_GE(dimension->displayStyle, 0);
      EXPECT_LT(dimension->displayStyle, kDisplayStyleCount);
      EXPECT_GE(dimension->codeCase, 0);
      EXPECT_LT(dimension->codeCase, 6);
    }
  }
}

}  // namespace
