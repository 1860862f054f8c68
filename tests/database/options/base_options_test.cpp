// Base options: the setter table (what each stores and which notes it sends, and that an
// unchanged value sends none), the limits on stored texts, field names, and the reference date.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/cstring.h"
#include "core/utf8.h"
#include "database/base_options.h"
#include "database/change_notes.h"
#include "tests/database/dates/database_fixture.h"
#include "ui/aa_drawing.h"
#include "ui/chooser.h"
#include "ui/graphics_port.h"
#include "ui/text_style.h"

namespace {

// One database with its note recorder, for tables that need a fresh one per row.
struct FreshBase {
  explicit FreshBase(uint32_t untitled = 0)
      : base(new T_Base(nullptr, untitled)), recorder(new T_NoteRecorder(base)) {}
  ~FreshBase() {
    delete recorder;
    delete base;
  }
  T_Base* base;
  T_NoteRecorder* recorder;
};

std::string Name(T_Base* base, int32_t code) {
  T_TextBuf name;
  base->GetFieldName(&name, code);
  return name.data;
}

struct SetterCase {
  const char* what;
  void (*set)(T_Base* base);
  std::vector<int32_t> codes;
  void (*check)(T_Base* base);
};

TEST(BaseOptions, SettersStoreAndNotifyOnlyChanges) {
  T_NoAlerts quiet;
  const SetterCase cases[] = {
      {"card-title label",
       [](T_Base* b) { b->SetCardTitleLabel("Voucher"); },
       {kChangeCardTitleLabel},
       [](T_Base* b) { EXPECT_STREQ(b->GetCardTitleLabel(), "Voucher"); }},
      {"card-title label at its default",
       [](T_Base* b) { b->SetCardTitleLabel("Card Title"); },
       {},
       [](T_Base* b) { EXPECT_EQ(b->cardTitleLabel, nullptr); }},
      {"line-text label with control characters",
       [](T_Base* b) { b->SetLineTextLabel("a\tb\r\nc"); },
       {kChangeLineTextLabel},
       [](T_Base* b) { EXPECT_STREQ(b->GetLineTextLabel(), "a b  c"); }},
      {"value 2 named as its default",
       [](T_Base* b) { b->SetValueName(1, "Value 2"); },
       {},
       [](T_Base* b) { EXPECT_EQ(b->valueNames[1], nullptr); }},
      {"value 2 named",
       [](T_Base* b) { b->SetValueName(1, "Net"); },
       {kChangeValueColumn},
       [](T_Base* b) { EXPECT_EQ(Name(b, kFieldValueFirst + 1), "Net"); }},
      {"value column out of range", [](T_Base* b) { b->SetValueName(24, "Net"); }, {}, nullptr},
      {"card digits unchanged", [](T_Base* b) { b->SetCardDigits(3); }, {}, nullptr},
      {"card digits above 9",
       [](T_Base* b) { b->SetCardDigits(12); },
       {kChangeCardDigits},
       [](T_Base* b) { EXPECT_EQ(b->cardDigits, 9); }},
      {"list width 1 below its floor", [](T_Base* b) { b->SetListWidth1(10); }, {}, nullptr},
      {"list width 1",
       [](T_Base* b) { b->SetListWidth1(100); },
       {kChangeListWidth1},
       [](T_Base* b) { EXPECT_EQ(b->listWidth1, 100); }},
      {"list width 2 above its ceiling",
       [](T_Base* b) { b->SetListWidth2(500); },
       {kChangeListWidth2},
       [](T_Base* b) { EXPECT_EQ(b->listWidth2, 150); }},
      {"decimals code 9",
       [](T_Base* b) { b->SetDecimalsCode(0, 9); },
       {kChangeDecimals},
       [](T_Base* b) { EXPECT_EQ(b->decimalsCodes[0], 0); }},
      {"decimals code 8 on column 4",
       [](T_Base* b) { b->SetDecimalsCode(3, 8); },
       {kChangeDecimals},
       [](T_Base* b) { EXPECT_EQ(b->decimalsCodes[3], 0); }},
      {"decimals code unchanged", [](T_Base* b) { b->SetDecimalsCode(0, 2); }, {}, nullptr},
  };
  for (const SetterCase& c : cases) {
    SCOPED_TRACE(c.what);
    FreshBase fresh;
    c.set(fresh.base);
    EXPECT_EQ(fresh.recorder->Codes(), c.codes);
    if (c.check) c.check(fresh.base);
    fresh.recorder->notes.clear();
    c.set(fresh.base);
    EXPECT_TRUE(fresh.recorder->notes.empty());
  }
}

TEST(BaseOptions, NotesCarryTheColumnAndTheDifference) {
  T_NoAlerts quiet;
  FreshBase fresh;
  fresh.base->SetValueName(5, "Tax");
  fresh.base->SetDecimalsCode(7, 1);
  fresh.base->SetListWidth1(60);
  fresh.base->SetListWidth1(50);
  const std::vector<RecordedNote>& notes = fresh.recorder->notes;
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[0].valueColumn, 5);
  EXPECT_EQ(notes[1].valueColumn, 7);
  EXPECT_EQ(notes[2].difference, 13);
  EXPECT_EQ(notes[3].difference, -10);
  EXPECT_EQ(fresh.base->modified, 1);
}

TEST(BaseOptions, StoredTextsAreCutAtACharacterBoundary) {
  T_NoAlerts quiet;
  FreshBase fresh;
  struct {
    std::string text;
    size_t stored;
  } cases[] = {
      {std::string(63, 'a'), 63},
      {std::string(64, 'a'), 63},
      {std::string(62, 'a') + "\xC3\xA9", 62},  // the two-byte character would end at byte 64
      {std::string(61, 'a') + "\xE2\x82\xAC", 61},
  };
  for (const auto& c : cases) {
    fresh.base->SetCardTitleLabel(c.text.c_str());
    fresh.base->SetValueName(2, c.text.c_str());
    for (const char* stored : {fresh.base->cardTitleLabel, fresh.base->valueNames[2]}) {
      ASSERT_NE(stored, nullptr);
      EXPECT_EQ(strlen(stored), c.stored) << c.text;
      EXPECT_EQ(c.text.compare(0, c.stored, stored), 0);
      EXPECT_TRUE(Utf8IsValid(stored, static_cast<int32_t>(strlen(stored)) + 2));
    }
  }
}

TEST(BaseOptions, FieldNamesByCode) {
  T_NoAlerts quiet;
  FreshBase fresh;
  T_Base* base = fresh.base;
  base->dimensions[1]->singular = StrDup("Account");
  base->dimensions[1]->plural = StrDup("Accounts");
  base->SetValueName(0, "Net");
  base->SetLineTextLabel("Remark");
  struct {
    int32_t code;
    const char* name;
  } cases[] = {
      {1, "Dim 1"},       {2, "Account"}, {32, "Dim 32"}, {33, "Dim 1"},   {34, "Accounts"},
      {65, "Card Title"}, {66, "Remark"}, {67, "Net"},    {68, "Value 2"}, {90, "Value 24"},
      {3104, "Value"},    {0, ""},        {91, ""},       {-4, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Name(base, c.code), c.name) << c.code;

  ChooserEvent item;
  base->SetItemFieldName(&item, 34);
  EXPECT_STREQ(item.text, "Accounts");
  EXPECT_EQ(item.text, item.buffer);
}

TEST(BaseOptions, MeasureFieldNameUsesTheCurrentFont) {
  T_NoAlerts quiet;
  FreshBase fresh;
  EXPECT_EQ(fresh.base->MeasureFieldName(65, 7), 7);  // no port, no width

  AaStartup();
  PaletteReset();
  Gfx.style = TextStyleStandard;
  GraphicsPort port;
  PortInitRegions(&port);
  OffscreenBitmap bitmap;
  RECT rect{0, 0, 60, 40};
  ASSERT_TRUE(PortOpenOffscreen(&port, &bitmap, &rect));
  int32_t width = TextWidth("Card Title");
  EXPECT_GT(width, 20);
  EXPECT_EQ(fresh.base->MeasureFieldName(65, 7), width);
  EXPECT_EQ(fresh.base->MeasureFieldName(65, 500), 500);
  PortClose(&port);
  PortFreeRegions(&port);
  OffscreenFree(&bitmap);
}

TEST(BaseOptions, RefreshDefaultLabelsAnnouncesTheDefaultsAndRenamesAnUntitledDatabase) {
  T_NoAlerts quiet;
  FreshBase fresh(2);
  T_Base* base = fresh.base;
  EXPECT_STREQ(base->path->data, "Noname 2.qeb");
  base->SetCardTitleLabel("Voucher");
  base->SetValueName(0, "Net");
  TextBufAssign(base->path, "Namenlos 2.qeb");
  fresh.recorder->notes.clear();
  base->RefreshDefaultLabels();
  std::vector<int32_t> expected{kChangeLineTextLabel};
  for (int32_t column = 1; column < kMaxValueCount; ++column)
    expected.push_back(kChangeValueColumn);
  expected.push_back(kChangePath);
  EXPECT_EQ(fresh.recorder->Codes(), expected);
  EXPECT_EQ(fresh.recorder->notes[1].valueColumn, 1);
  EXPECT_STREQ(base->path->data, "Noname 2.qeb");
}

TEST_F(DatabaseTest, ReferenceDateNotifiesWhenItsRuleOrDateChanges) {
  base->SetReferenceDateText("Month");
  EXPECT_EQ(recorder->Codes(), std::vector<int32_t>{kChangeReferenceDate});
  EXPECT_EQ(base->referenceDate.cardId.date, PackDate(2024, 3, 31));
  EXPECT_EQ(base->referenceDate.cardId.sequence, kCardSequenceOpen);
  recorder->notes.clear();
  base->SetReferenceDateText("mo");
  EXPECT_TRUE(recorder->notes.empty());
  // Another rule that gives the same day is a change that must reach the file.
  base->SetReferenceDateText("Day+16");
  base->SetReferenceDateText("240331");
  EXPECT_EQ(recorder->Codes(), (std::vector<int32_t>{kChangeReferenceDate, kChangeReferenceDate}));
  EXPECT_EQ(base->referenceDate.kind, kDateRefFixed);

  // The last step of the dispatch re-resolves a rule and announces a move.
  base->SetReferenceDateText("Day");
  recorder->notes.clear();
  ChangeNote refresh;
  refresh.database = base;
  ReferenceDateOnNotify(base, &refresh);
  EXPECT_TRUE(recorder->notes.empty());
  TodayIs::Set(2024, 3, 16);
  ReferenceDateOnNotify(base, &refresh);
  EXPECT_EQ(recorder->Codes(), std::vector<int32_t>{kChangeReferenceDate});
}

}  // namespace
