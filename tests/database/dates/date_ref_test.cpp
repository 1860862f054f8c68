// Date bounds: parsing typed and stored texts, resolving every kind against the pinned clock, the
// file and display forms, re-resolving on change notes, and writing ranges.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <initializer_list>
#include <new>
#include <string>
#include <utility>

#include "core/text_buffer.h"
#include "database/change_notes.h"
#include "database/date_ref.h"
#include "database/model_links.h"
#include "database/time_scale.h"
#include "tests/database/dates/database_fixture.h"
#include "ui/edit_field.h"

namespace {

class DateRefTest : public DatabaseTest {
 protected:
  void TearDown() override {
    for (DateRef& ref : refs_) DateRefFree(&ref);
    DatabaseTest::TearDown();
  }

  DateRef* Parse(const char* text, int32_t direction) {
    DateRef& ref = refs_.emplace_back();
    DateRefInit(&ref, base, direction);
    DateRefParse(&ref, text, static_cast<int32_t>(strlen(text)));
    return &ref;
  }

  TimeScale* AddScale(const char* name,
                      std::initializer_list<std::pair<CardId, const char*>> periods) {
    auto* scale = new (std::nothrow) TimeScale(base, name);
    for (const auto& [start, periodName] : periods)
      TimeScaleAppendPeriod(scale, &start, periodName);
    return scale;
  }

  std::deque<DateRef> refs_;
};

std::string FileForm(const DateRef* ref) {
  T_TextBuf text;
  DateRefFileText(ref, &text);
  return text.data;
}

std::string DisplayForm(const DateRef* ref) {
  T_TextBuf text;
  DateRefToText(ref, &text);
  return text.data;
}

// Both written forms parse back to the same bound with the same date.
void ExpectFormsParseBack(T_Base* base, const DateRef* ref) {
  for (const std::string& form : {FileForm(ref), DisplayForm(ref)}) {
    DateRef again;
    DateRefInit(&again, base, ref->direction);
    DateRefParse(&again, form.data(), static_cast<int32_t>(form.size()));
    EXPECT_TRUE(DateRefEqual(&again, ref)) << form;
    EXPECT_TRUE(CardIdEqual(&again.cardId, &ref->cardId)) << form;
    DateRefFree(&again);
  }
}

struct BoundCase {
  const char* text;
  int32_t direction;
  CardId today;  // year, month, day in the date; sequence unused
  int32_t kind;
  int32_t offset;
  CardId resolved;
  const char* fileForm;
  const char* displayForm;
};

constexpr int32_t kOpen = kCardSequenceOpen;

TEST_F(DateRefTest, BoundsParseResolveAndWriteBothForms) {
  const BoundCase cases[] = {
      // A month back from mid-March of a leap year.
      {"Month-1", kDirectionFrom, Id(2024, 3, 15, 0), 3, -1, Id(2024, 2, 1, 1), "Month-1",
       "240201-001 Month-1"},
      {"month - 1", kDirectionTo, Id(2024, 3, 15, 0), 3, -1, Id(2024, 2, 29, kOpen), "Month-1",
       "240229-999 Month-1"},
      {"Mo", kDirectionFrom, Id(2024, 3, 15, 0), 3, 0, Id(2024, 3, 1, 1), "Month",
       "240301-001 Month"},
      // The number 999 of a 3-digit to-bound is the whole day.
      {"050301-999", kDirectionTo, Id(2024, 3, 15, 0), 0, 0, Id(2005, 3, 1, kOpen), "050301",
       "050301-999"},
      {"050301-999", kDirectionFrom, Id(2024, 3, 15, 0), 0, 0, Id(2005, 3, 1, 999), "050301-999",
       "050301-999"},
      {"0503", kDirectionTo, Id(2024, 3, 15, 0), 0, 0, Id(2005, 3, 31, kOpen), "050331",
       "050331-999"},
      {"Day", kDirectionTo, Id(2024, 3, 15, 0), 1, 0, Id(2024, 3, 15, kOpen), "Day",
       "240315-999 Day"},
      {"Day+0", kDirectionTo, Id(2024, 3, 15, 0), 1, 0, Id(2024, 3, 15, kOpen), "Day",
       "240315-999 Day"},
      {"d -2", kDirectionFrom, Id(2024, 3, 1, 0), 1, -2, Id(2024, 2, 28, 1), "Day-2",
       "240228-001 Day-2"},
      // Weeks run Monday to Sunday: 2024-03-17 is a Sunday, 2024-03-18 a Monday.
      {"Week", kDirectionFrom, Id(2024, 3, 17, 0), 2, 0, Id(2024, 3, 11, 1), "Week",
       "240311-001 Week"},
      {"Week", kDirectionTo, Id(2024, 3, 17, 0), 2, 0, Id(2024, 3, 17, kOpen), "Week",
       "240317-999 Week"},
      {"Week", kDirectionFrom, Id(2024, 3, 18, 0), 2, 0, Id(2024, 3, 18, 1), "Week",
       "240318-001 Week"},
      {"We+1", kDirectionTo, Id(2024, 3, 18, 0), 2, 1, Id(2024, 3, 31, kOpen), "Week+1",
       "240331-999 Week+1"},
      {"Quarter-1", kDirectionFrom, Id(2024, 3, 15, 0), 4, -1, Id(2023, 10, 1, 1), "Quarter-1",
       "231001-001 Quarter-1"},
      // Years stop at 2069.
      {"Year+60", kDirectionTo, Id(2024, 3, 15, 0), 5, 60, Id(2069, 12, 31, kOpen), "Year+60",
       "691231-999 Year+60"},
      {"y-200", kDirectionFrom, Id(2024, 3, 15, 0), 5, -200, Id(1900, 1, 1, 1), "Year-200",
       "000101-001 Year-200"},
      // Without a reference date of the database: today, the whole day.
      {"Ref+1", kDirectionFrom, Id(2024, 3, 15, 0), 7, 1, Id(2024, 3, 16, 1), "Reference+1",
       "240316-001 Reference+1"},
      // The display form parses back to its rule, whatever date it shows.
      {"991231-005 Month-1", kDirectionFrom, Id(2024, 3, 15, 0), 3, -1, Id(2024, 2, 1, 1),
       "Month-1", "240201-001 Month-1"},
  };
  for (const BoundCase& c : cases) {
    SCOPED_TRACE(c.text);
    TodayIs::Set(PackedDateYear(c.today.date), PackedDateMonth(c.today.date),
                 PackedDateDay(c.today.date));
    DateRef* ref = Parse(c.text, c.direction);
    EXPECT_EQ(ref->kind, c.kind);
    EXPECT_EQ(ref->offset, c.offset);
    EXPECT_EQ(ref->cardId.date, c.resolved.date);
    EXPECT_EQ(ref->cardId.sequence, c.resolved.sequence);
    EXPECT_EQ(FileForm(ref), c.fileForm);
    EXPECT_EQ(DisplayForm(ref), c.displayForm);
    ExpectFormsParseBack(base, ref);
  }
}

TEST_F(DateRefTest, FileWordInAnyCaseIsTheOpenBound) {
  for (const char* text : {"fi", "FILE", "f", "File+0"}) {
    for (int32_t direction : {kDirectionFrom, kDirectionTo}) {
      DateRef* ref = Parse(text, direction);
      EXPECT_EQ(ref->kind, kDateRefFile) << text;
      EXPECT_EQ(ref->offset, 0) << text;
      EXPECT_TRUE(IsOpenBound(ref)) << text;
      EXPECT_EQ(FileForm(ref), "File") << text;
    }
  }
  DateRef* moved = Parse("File-3", kDirectionTo);
  EXPECT_FALSE(IsOpenBound(moved));
  EXPECT_EQ(FileForm(moved), "File-3");
}

// Needs T_Base::GetCardIdBound: its stand-in answers the empty id, so these checks are skipped
// until the cards are integrated. Documented answer without cards: January 1 (number 1) or
// December 31 (the open end) of the current year, then the offset in days.
TEST_F(DateRefTest, FileBoundOfAnEmptyDatabaseIsTheCurrentYear) {
  CardId probe;
  base->GetCardIdBound(&probe, kDirectionFrom);
  if (probe.date == 0) GTEST_SKIP() << "T_Base::GetCardIdBound is still its stand-in";
  TodayIs::Set(2031, 6, 9);
  DateRef* from = Parse("File", kDirectionFrom);
  EXPECT_EQ(from->cardId.date, PackDate(2031, 1, 1));
  EXPECT_EQ(from->cardId.sequence, 1);
  DateRef* to = Parse("File+2", kDirectionTo);
  EXPECT_EQ(to->cardId.date, PackDate(2032, 1, 2));
  EXPECT_EQ(to->cardId.sequence, kOpen);
  EXPECT_EQ(DisplayForm(to), "320102-999 File+2");
  // Code 28 re-resolves it: a new year moves it.
  TodayIs::Set(2032, 1, 5);
  ChangeNote note;
  note.code = kChangeCards;
  note.database = base;
  EXPECT_TRUE(DateRefOnNotify(from, &note, nullptr));
  EXPECT_EQ(from->cardId.date, PackDate(2032, 1, 1));
}

TEST_F(DateRefTest, NormalizeTurnsAnUnresolvedBoundIntoFileAndShowsTheDisplayForm) {
  DateRef ref;
  DateRefInit(&ref, base, kDirectionFrom);
  T_TextBuf text(" mo-1 ");
  DateRefNormalize(&ref, &text);
  EXPECT_STREQ(text.data, "240201-001 Month-1");

  for (const char* typed : {"", "nonsense", "   "}) {
    TextBufAssign(&text, typed);
    DateRefNormalize(&ref, &text);
    EXPECT_TRUE(IsOpenBound(&ref)) << typed;
    EXPECT_TRUE(text.length >= 4 && strcmp(text.data + text.length - 4, "File") == 0) << typed;
  }
  DateRefFree(&ref);
}

TEST_F(DateRefTest, CurrentAndNamedPeriodsOfATimeScale) {
  TimeScale* quarters = AddScale("Quarters", {{Id(2024, 1, 1, 1), "Q1 2024"},
                                              {Id(2024, 4, 1, 1), "Q2 2024"},
                                              {Id(2024, 7, 1, 1), "Q3 2024"}});
  TodayIs::Set(2024, 5, 10);
  struct {
    const char* text;
    int32_t direction;
    int32_t kind;
    int32_t offset;
    CardId resolved;
    const char* fileForm;
  } cases[] = {
      {"Quarters", kDirectionFrom, 8, 0, Id(2024, 4, 1, 1), "240401 Quarters"},
      {"QUARTERS", kDirectionTo, 8, 0, Id(2024, 6, 30, kOpen), "240630 Quarters"},
      {"Quarters - 1", kDirectionTo, 8, -1, Id(2024, 3, 31, kOpen), "240331 Quarters-1"},
      {"240101 Quarters+1", kDirectionFrom, 8, 1, Id(2024, 7, 1, 1), "240701 Quarters+1"},
      {"Q2 2024", kDirectionFrom, 9, 0, Id(2024, 4, 1, 1), "240401 Q2 2024"},
      {"q2", kDirectionTo, 9, 0, Id(2024, 6, 30, kOpen), "240630 Q2 2024"},
      {"Q2 2024 +3", kDirectionFrom, 9, 3, Id(2024, 4, 4, 1), "240404 Q2 2024+3"},
      // The last period ends with the last card, or without cards with its start's year.
      {"Q3 2024", kDirectionTo, 9, 0, Id(2024, 12, 31, kOpen), "241231 Q3 2024"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    DateRef* ref = Parse(c.text, c.direction);
    EXPECT_EQ(ref->kind, c.kind);
    EXPECT_EQ(ref->offset, c.offset);
    EXPECT_EQ(ref->cardId.date, c.resolved.date);
    EXPECT_EQ(ref->cardId.sequence, c.resolved.sequence);
    EXPECT_EQ(FileForm(ref), c.fileForm);
    ExpectFormsParseBack(base, ref);
  }

  // Deleting the scale turns a current-period bound into "File".
  DateRef* current = Parse("Quarters+1", kDirectionFrom);
  TimeScaleFree(quarters);
  ChangeNote note;
  note.code = kChangeTimeScaleDeleted;
  note.database = base;
  note.object = quarters;
  DateRefOnNotify(current, &note, nullptr);
  EXPECT_EQ(current->kind, kDateRefFile);
  EXPECT_EQ(current->text, nullptr);
  EXPECT_EQ(FileForm(current), "File");
}

TEST_F(DateRefTest, ATimeScaleNameNeedsASignedOffsetOrAPeriodIsMeant) {
  AddScale("Fiscal", {{Id(2023, 7, 1, 1), "Fiscal 2024"}, {Id(2024, 7, 1, 1), "Fiscal 2025"}});
  DateRef* period = Parse("Fiscal 2025", kDirectionFrom);
  EXPECT_EQ(period->kind, kDateRefNamedPeriod);
  EXPECT_STREQ(period->text, "Fiscal 2025");
  EXPECT_EQ(period->cardId.date, PackDate(2024, 7, 1));
  DateRef* current = Parse("Fiscal +1", kDirectionFrom);
  EXPECT_EQ(current->kind, kDateRefCurrentPeriod);
  EXPECT_EQ(current->offset, 1);
  EXPECT_EQ(current->cardId.date, PackDate(2024, 7, 1));
  // Neither a kind word nor a name: the digits are read as a date.
  DateRef* date = Parse("Budget 0503", kDirectionFrom);
  EXPECT_EQ(date->kind, kDateRefFixed);
  EXPECT_EQ(date->cardId.date, PackDate(2005, 3, 1));
}

TEST_F(DateRefTest, DamagedTextsParseWithoutHarm) {
  AddScale("Quarters", {{Id(2024, 1, 1, 1), "Q1 2024"}, {Id(2024, 4, 1, 1), "Q2 2024"}});
  for (std::string good : {"240401-001 Quarters+1", "240101 Q2 2024-3", "050301-999 Month-1"}) {
    for (size_t cut = 0; cut <= good.size(); ++cut) {
      for (int32_t bit = -1; bit < 8; ++bit) {
        std::string damaged = good.substr(0, cut);
        if (bit >= 0 && cut > 0)
          damaged[cut / 2] = static_cast<char>(damaged[cut / 2] ^ (1 << bit));
        DateRef ref;
        DateRefInit(&ref, base, kDirectionTo);
        T_TextBuf text(damaged.c_str());
        DateRefNormalize(&ref, &text);
        EXPECT_TRUE(ref.kind >= kDateRefFixed && ref.kind <= kDateRefNamedPeriod) << damaged;
        EXPECT_EQ(ref.text != nullptr,
                  ref.kind == kDateRefCurrentPeriod || ref.kind == kDateRefNamedPeriod);
        EXPECT_TRUE(ref.cardId.date != 0 || ref.kind == kDateRefFile) << damaged;
        DateRefFree(&ref);
      }
    }
  }
}

TEST_F(DateRefTest, NotesReResolveOnlyTheKindsTheyMove) {
  TimeScale* quarters =
      AddScale("Quarters", {{Id(2024, 1, 1, 1), "Q1"}, {Id(2024, 4, 1, 1), "Q2"}});
  struct {
    const char* text;
    int32_t code;
    bool moves;
  } cases[] = {
      {"Day", kChangeRefresh, true},
      {"Day", kChangeCards, false},
      {"Day", kChangeReferenceDate, false},
      {"Day", kChangeTimeScaleChanged, false},
      {"Day", kChangeCardDigits, false},
      {"Day", kChangeComponentsRebuilt, false},
      {"Reference", kChangeReferenceDate, true},
      {"Reference", kChangeRefresh, true},
      {"Reference", kChangeCardSaved, false},
      {"Quarters", kChangeTimeScaleChanged, true},
      {"Quarters", kChangeTimeScaleDeleted, true},
      {"Quarters", kChangeCards, false},
      {"Q1", kChangeTimeScaleChanged, true},
      {"Q1", kChangeRefresh, true},
      {"Q1", kChangeReferenceDate, false},
      {"240101", kChangeRefresh, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " on " + std::to_string(c.code));
    TodayIs::Set(2024, 2, 10);
    TimeScalePeriod(quarters, 1)->start = Id(2024, 4, 1, 1);
    DateRef* ref = Parse(c.text, kDirectionTo);
    CardId before = ref->cardId;
    // Everything a bound can follow moves: today and the second period's start.
    TodayIs::Set(2024, 5, 20);
    TimeScalePeriod(quarters, 1)->start = Id(2024, 3, 1, 1);
    ChangeNote note;
    note.code = c.code;
    note.database = base;
    EXPECT_EQ(DateRefOnNotify(ref, &note, nullptr), c.moves);
    EXPECT_EQ(CardIdNotEqual(&before, &ref->cardId), c.moves);
  }
}

TEST_F(DateRefTest, NotesRewriteTheEditFieldWhenTheBoundMovesOrTheDigitsChange) {
  T_Edit field(recorder, XYWH{0, 0, 100, 20}, 1, false, false);
  DateRef* ref = Parse("Day", kDirectionFrom);
  ChangeNote note;
  note.database = base;
  note.code = kChangeRefresh;
  EXPECT_FALSE(DateRefOnNotify(ref, &note, &field));
  EXPECT_TRUE(field.text.empty());
  TodayIs::Set(2024, 3, 16);
  EXPECT_TRUE(DateRefOnNotify(ref, &note, &field));
  EXPECT_STREQ(field.text.data, "240316-001 Day");
  base->cardDigits = 5;
  note.code = kChangeCardDigits;
  EXPECT_FALSE(DateRefOnNotify(ref, &note, &field));
  EXPECT_STREQ(field.text.data, "240316-00001 Day");
}

TEST_F(DateRefTest, ReferenceBoundFollowsTheDatabaseReferenceDate) {
  base->SetReferenceDateText("050301");
  DateRef* ref = Parse("Reference-1", kDirectionFrom);
  EXPECT_EQ(ref->cardId.date, PackDate(2005, 2, 28));
  EXPECT_EQ(ref->cardId.sequence, 1);
  // The reference date itself may be a rule, and then it does not name itself.
  base->SetReferenceDateText("Reference");
  EXPECT_EQ(base->referenceDate.cardId.date, PackDate(2024, 3, 15));
  EXPECT_EQ(base->referenceDate.cardId.sequence, kOpen);
}

TEST_F(DateRefTest, SetKindCopyAndEquality) {
  DateRef* to = Parse("Quarter+1", kDirectionTo);
  DateRef* from = Parse("240101", kDirectionFrom);
  DateRefCopy(from, to);
  EXPECT_FALSE(DateRefEqual(from, to));  // the directions differ
  EXPECT_EQ(from->kind, kDateRefQuarter);
  EXPECT_EQ(from->cardId.date, PackDate(2024, 4, 1));
  EXPECT_EQ(from->cardId.sequence, 1);

  DateRef* other = Parse("Quarter+1", kDirectionTo);
  EXPECT_TRUE(DateRefEqual(other, to));
  DateRefSetKind(other, kDateRefYear);
  EXPECT_EQ(other->offset, 0);
  EXPECT_EQ(other->cardId.date, PackDate(2024, 12, 31));
  EXPECT_FALSE(DateRefEqual(other, to));

  CardId fixed = Id(2024, 2, 2, 7);
  DateRefSetDate(other, &fixed);
  DateRef* same = Parse("240202-7", kDirectionTo);
  EXPECT_TRUE(DateRefEqual(other, same));
  fixed.sequence = 8;
  DateRefSetDate(other, &fixed);
  EXPECT_FALSE(DateRefEqual(other, same));
}

TEST_F(DateRefTest, ReadingFieldsAndWritingRanges) {
  TextInput input("R\t\tmo-1\tfi\n");
  DateRef* from = Parse("240101", kDirectionFrom);
  DateRef* to = Parse("240101", kDirectionTo);
  input.stream.NextLine();
  input.stream.NextField();
  EXPECT_TRUE(ReadDateRef(from, &input.stream));  // empty: unchanged
  EXPECT_EQ(from->cardId.date, PackDate(2024, 1, 1));
  EXPECT_TRUE(ReadDateRef(to, &input.stream));
  EXPECT_EQ(to->kind, kDateRefMonth);
  EXPECT_TRUE(ReadDateRef(from, &input.stream));
  EXPECT_TRUE(IsOpenBound(from));
  EXPECT_FALSE(ReadDateRef(from, &input.stream));

  T_OStream stream;
  WriteDateRange(&stream, "R", from, from);
  EXPECT_EQ(Written(stream), "");
  WriteDateRange(&stream, "R", from, to);
  DateRef* fixedFrom = Parse("240105-3", kDirectionFrom);
  DateRef* openTo = Parse("File", kDirectionTo);
  WriteDateRange(&stream, "R", fixedFrom, openTo);
  WriteDateRange(&stream, "R", fixedFrom, to);
  EXPECT_EQ(Written(stream), "R\t\tMonth-1\r\nR\t240105-3\r\nR\t240105-3\tMonth-1\r\n");
}

}  // namespace
