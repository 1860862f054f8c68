// Time scales: the period lookups at their edges, named-period bounds, the section record in
// both directions, and the notes of their life.
#include <gtest/gtest.h>

#include <new>
#include <string>

#include "core/owned_text.h"
#include "core/value_format.h"
#include "database/change_notes.h"
#include "database/time_scale.h"
#include "tests/database/dates/database_fixture.h"

namespace {

constexpr int32_t kOpen = kCardSequenceOpen;
const CardId kOpenEnd{0x7fffffffu, kOpen};

class TimeScaleTest : public DatabaseTest {
 protected:
  // Halves of 2005, as in the documented edge cases.
  TimeScale* Halves() {
    auto* scale = new (std::nothrow) TimeScale(base, "Halves");
    CardId first = Id(2005, 1, 1, 1);
    CardId second = Id(2005, 7, 1, 1);
    TimeScaleAppendPeriod(scale, &first, "H1");
    TimeScaleAppendPeriod(scale, &second, "H2");
    return scale;
  }
};

void ExpectId(const CardId& actual, const CardId& expected) {
  EXPECT_EQ(actual.date, expected.date);
  EXPECT_EQ(actual.sequence, expected.sequence);
}

TEST_F(TimeScaleTest, PeriodLookupsAtTheEdges) {
  TimeScale* scale = Halves();
  struct {
    CardId id;
    int64_t index;
    const char* name;
    CardId end;
  } cases[] = {
      {Id(2004, 12, 31, 5), -1, nullptr, Id(2004, 12, 31, kOpen)},
      {Id(2005, 1, 1, 1), 0, "H1", Id(2005, 6, 30, kOpen)},
      {Id(2005, 6, 30, 7), 0, "H1", Id(2005, 6, 30, kOpen)},
      {Id(2005, 7, 1, 1), 1, "H2", kOpenEnd},
      {Id(2030, 1, 1, 1), 1, "H2", kOpenEnd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id.date);
    EXPECT_EQ(PeriodIndexOf(scale, &c.id), c.index);
    const char* name = PeriodNameOfDate(scale, &c.id);
    EXPECT_STREQ(name ? name : "(none)", c.name ? c.name : "(none)");
    ExpectId(PeriodEnd(scale, &c.id), c.end);
  }
}

TEST_F(TimeScaleTest, PeriodBoundsMoveByPeriods) {
  TimeScale* scale = Halves();
  CardId inFirst = Id(2005, 3, 3, 2);
  struct {
    int32_t offset;
    CardId start;
    CardId end;
  } cases[] = {
      {-1, CardId{}, Id(2004, 12, 31, kOpen)},
      {-5, CardId{}, Id(2004, 12, 31, kOpen)},
      {0, Id(2005, 1, 1, 1), Id(2005, 6, 30, kOpen)},
      {1, Id(2005, 7, 1, 1), kOpenEnd},
      {9, Id(2005, 7, 1, 1), kOpenEnd},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    CardId start, end;
    PeriodBounds(scale, &start, &end, &inFirst, c.offset);
    ExpectId(start, c.start);
    ExpectId(end, c.end);
  }

  auto* empty = new (std::nothrow) TimeScale(base, "Empty");
  CardId start, end;
  PeriodBounds(empty, &start, &end, &inFirst, 1);
  ExpectId(start, CardId{});
  ExpectId(end, kOpenEnd);
  EXPECT_EQ(PeriodNameOfDate(empty, &inFirst), nullptr);
  ExpectId(PeriodEnd(empty, &inFirst), kOpenEnd);
}

TEST_F(TimeScaleTest, NamedPeriodBounds) {
  TimeScale* scale = Halves();
  CardId id;
  PeriodBound(scale, &id, 1, kDirectionFrom);
  ExpectId(id, Id(2005, 7, 1, 1));
  PeriodBound(scale, &id, 0, kDirectionTo);
  ExpectId(id, Id(2005, 6, 30, kOpen));
  // Without cards the last period ends with its start's year.
  PeriodBound(scale, &id, 1, kDirectionTo);
  ExpectId(id, Id(2005, 12, 31, kOpen));

  PrefixMatcher matcher;
  PrefixMatcherInit(&matcher, "h2+4", "+- ");
  int64_t index = -1;
  EXPECT_EQ(FindPeriodByPrefix(base, &matcher, &index), scale);
  EXPECT_EQ(index, 1);
  EXPECT_STREQ(PrefixMatcherRest(&matcher), "+4");
  PrefixMatcherFree(&matcher);
}

TEST_F(TimeScaleTest, SectionRecordRoundTrip) {
  TimeScale* scale = Halves();
  auto* empty = new (std::nothrow) TimeScale(base, "Empty");
  T_OStream stream;
  WriteTimeScale(scale, &stream);
  WriteTimeScale(empty, &stream);
  EXPECT_EQ(Written(stream),
            "##TimeScale\tHalves\r\n050101-1\tH1\r\n050701-1\tH2\r\n\r\n"
            "##TimeScale\tEmpty\r\n\r\n");

  // The reader skips lines without a date, cuts long names at a character boundary and stops
  // at the next section, leaving its line.
  std::string longName(62, 'x');
  longName +=
      "\xC3\xA9"
      "tail";
  TextInput input("0501\tJan\r\n\r\nnot a date\tX\r\n050201-3\t" + longName +
                  "\r\n050301\r\n##Next\tsection\r\n");
  auto* read = new (std::nothrow) TimeScale(base, "Read");
  recorder->notes.clear();
  ReadTimeScale(read, &input.stream);
  ASSERT_EQ(TimeScalePeriodCount(read), 3);
  ExpectId(TimeScalePeriod(read, 0)->start, Id(2005, 1, 1, 1));
  EXPECT_STREQ(TimeScalePeriod(read, 0)->name, "Jan");
  ExpectId(TimeScalePeriod(read, 1)->start, Id(2005, 2, 1, 3));
  EXPECT_EQ(std::string(TimeScalePeriod(read, 1)->name), std::string(62, 'x'));
  EXPECT_EQ(TimeScalePeriod(read, 2)->name, nullptr);
  EXPECT_EQ(recorder->Codes(), std::vector<int32_t>{kChangeTimeScaleChanged});
  ASSERT_TRUE(input.stream.NextField());
  EXPECT_EQ(std::string(input.stream.Field(), input.stream.FieldLength()), "##Next");

  // What was written reads back.
  T_IStream again;
  again.CtorFromOStream(&stream);
  again.NextLine();
  auto* copy = new (std::nothrow) TimeScale(base, "Copy");
  ReadTimeScale(copy, &again);
  ASSERT_EQ(TimeScalePeriodCount(copy), 2);
  ExpectId(TimeScalePeriod(copy, 1)->start, Id(2005, 7, 1, 1));
  EXPECT_STREQ(TimeScalePeriod(copy, 1)->name, "H2");
}

TEST_F(TimeScaleTest, DamagedSectionsReadWithoutHarm) {
  T_OStream stream;
  WriteTimeScale(Halves(), &stream);
  const std::string good = Written(stream);
  auto* read = new (std::nothrow) TimeScale(base, "Read");
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    for (int32_t bit = -1; bit < 8; ++bit) {
      std::string damaged = good.substr(0, cut);
      if (bit >= 0 && cut > 0) damaged[cut / 2] = static_cast<char>(damaged[cut / 2] ^ (1 << bit));
      TextInput input(damaged);
      input.stream.NextLine();
      ReadTimeScale(read, &input.stream);
      ASSERT_LE(TimeScalePeriodCount(read), 2);
      for (int64_t i = 0; i < TimeScalePeriodCount(read); ++i) {
        const TimePeriod* period = TimeScalePeriod(read, i);
        EXPECT_NE(period->start.date, 0u);
        EXPECT_LE(BlockTextLength(period->name), kPeriodNameMax);
      }
    }
  }
}

TEST_F(TimeScaleTest, LifeInTheDatabaseList) {
  TimeScale* first = Halves();
  auto* second = new (std::nothrow) TimeScale(base, "Second");
  EXPECT_EQ(base->timeScales, first);
  EXPECT_EQ(first->next, second);
  int64_t size = TimeScaleMemorySize(first);
  EXPECT_GT(size, 64 + PagedArrayMemSize(&first->periods));

  second->SetName("Renamed");
  TimeScaleFree(first);
  EXPECT_EQ(base->timeScales, second);
  std::vector<int32_t> expected{52, 52, 50, 53};
  EXPECT_EQ(recorder->Codes(), expected);
  EXPECT_EQ(recorder->notes.back().object, first);
  // The rest goes with the database, silently.
}

}  // namespace
