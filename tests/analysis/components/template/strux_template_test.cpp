// The structure template: the view-dimension lines under a subclass's key, the "K" flags read
// as far as each field goes, out-of-range fields that keep the set, the expansion line and the
// "exp" parameter with its cap.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/components/strux_template.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"

namespace {

std::string Plain(const T_OStream& stream) {
  std::string text;
  for (const uint8_t* p = stream.start; p < stream.pos; ++p) {
    if (*p != '\r') text += static_cast<char>(*p);
  }
  return text;
}

// Feeds record lines (LF ends) to the template's reader, the dimension key to ReadViewDimensions.
void ReadLines(T_StruxTmpl* templ, const std::string& text, const char* dimensionKey = "P") {
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  while (stream.NextLine()) {
    if (stream.NextField() && stream.FieldLength() == static_cast<int32_t>(strlen(dimensionKey)) &&
        std::string(stream.Field(), static_cast<size_t>(stream.FieldLength())) == dimensionKey) {
      templ->ReadViewDimensions(&stream);
      continue;
    }
    stream.RewindLine();
    templ->ReadRecord(&stream);
  }
}

class StruxTemplate : public ::testing::Test {
 protected:
  void SetUp() override { base = new T_Base(nullptr, 0); }
  void TearDown() override {
    delete base;
    PendingErrorClear();
  }
  std::string Lines(const T_StruxTmpl& t, const char* key = "P") {
    T_OStream stream;
    t.WriteViewDimLines(&stream, key);
    t.WriteExpansionLine(&stream);
    return Plain(stream);
  }
  T_Base* base = nullptr;
};

TEST_F(StruxTemplate, DefaultsAndAFullSetReadBackByteForByte) {
  T_StruxTmpl fresh(kTemplateComponents, base);
  EXPECT_EQ(Lines(fresh), "P\t2\nK\tHAAB--\n");
  EXPECT_EQ(fresh.expansion, nullptr);

  const std::string full =
      "P\t1\t4\t32\t2\n"
      "K\tFU2GT-\tHZ8BR-\tHCA5-z\tFCANHD\n"
      "ZX\t|1910|1910.P1|\n";
  for (const char* key : {"P", "PD"}) {
    std::string text = full;
    if (std::string(key) == "PD") text.insert(1, "D");
    T_StruxTmpl t(kTemplateComponentFunctions, base);
    ReadLines(&t, text, key);
    EXPECT_EQ(Lines(t, key), text) << key;
    EXPECT_EQ(t.viewDims.count, 4);
    EXPECT_EQ(t.viewDims.dimension[2], 31);
    EXPECT_EQ(t.viewDims.structure[0], 1);
    EXPECT_EQ(t.viewDims.filter[0], kViewFilterInUse);
    EXPECT_EQ(t.viewDims.levels[0], 2);
    EXPECT_EQ(t.viewDims.colour[0], 19);
    EXPECT_EQ(t.viewDims.display[0], 2);
    EXPECT_EQ(t.viewDims.levels[1], 8);
    EXPECT_EQ(t.viewDims.filter[2], kViewFilterColumn + 51);
    EXPECT_EQ(t.viewDims.colour[2], 6);
    EXPECT_EQ(t.viewDims.filter[3], kViewFilterColumn + 3);
  }
}

TEST_F(StruxTemplate, BadFieldsKeepWhatWasThere) {
  struct Case {
    const char* text;
    int32_t count;
    int32_t dimension0;
    const char* written;
  } cases[] = {
      // a first field out of range keeps the set (no tree can be built from none)
      {"P\t0\n", 1, 1, "P\t2\nK\tHAAB--\n"},
      {"P\t33\t2\n", 1, 1, "P\t2\nK\tHAAB--\n"},
      {"P\tx\n", 1, 1, "P\t2\nK\tHAAB--\n"},
      // reading stops at the first field out of range
      {"P\t3\t99\t4\n", 1, 2, "P\t3\nK\tHAAB--\n"},
      {"P\t1\t2\t3\t4\t5\n", 4, 0, "P\t1\t2\t3\t4\nK\tHAAB--\tHAAU--\tHAAG--\tHAAN--\n"},
      // short fields read as far as they go; foreign letters leave the value
      {"K\tF\n", 1, 1, "P\t2\nK\tFAAB--\n"},
      {"K\tXQ9?Q\n", 1, 1, "P\t2\nK\tHAAB--\n"},
      // a "C" filter without a column letter stays on column 0
      {"K\tHCA-C!\n", 1, 1, "P\t2\nK\tHCABCA\n"},
      // more than four fields: the rest is ignored
      {"K\tF\tF\tF\tF\tF\n", 1, 1, "P\t2\nK\tFAAB--\n"},
  };
  for (const Case& c : cases) {
    T_StruxTmpl t(kTemplateComponents, base);
    ReadLines(&t, c.text);
    EXPECT_EQ(t.viewDims.count, c.count) << c.text;
    EXPECT_EQ(t.viewDims.dimension[0], c.dimension0) << c.text;
    EXPECT_EQ(Lines(t), c.written) << c.text;
  }
}

TEST_F(StruxTemplate, ExpParameterReplacesOrAppendsUpToTheCap) {
  struct Step {
    const char* value;
    const char* expected;
  };
  const std::vector<std::vector<Step>> runs = {
      {{"a", "wa"}, {"b", "wa:b"}},
      {{"a", "wa"}, {"-x2", "-x2"}, {"b", "wb"}},
      {{"-x0", "-x0"}, {"", "-x0"}},
  };
  for (const auto& run : runs) {
    T_StruxTmpl t(kTemplateComponents, base);
    t.SetExpansionText("|old|");
    for (const Step& step : run) {
      t.SetParameter("exp", step.value);
      EXPECT_STREQ(t.expansion, step.expected) << step.value;
    }
  }
  T_StruxTmpl t(kTemplateComponents, base);
  for (int32_t i = 0; i < 2000; ++i) t.SetParameter("exp", "abcdefg");
  int32_t n = static_cast<int32_t>(strlen(t.expansion));
  EXPECT_GE(n, kExpansionTextCap);
  EXPECT_LT(n, kExpansionTextCap + 8);
  // Other names reach the box template.
  t.SetParameter("notestext", "hello");
  EXPECT_STREQ(t.notes, "hello");
  int64_t withText = t.MemorySize();
  t.SetDefaults();
  EXPECT_EQ(t.expansion, nullptr);
  EXPECT_EQ(withText - t.MemorySize(), n + 1);
}

TEST_F(StruxTemplate, RepeatedDimensionsAreRemovedKeepingTheFirst) {
  ViewDimSet set;
  ViewDimSetInit(&set);
  set.count = 4;
  int32_t dims[] = {3, 5, 3, 5};
  for (int32_t i = 0; i < 4; ++i) set.dimension[i] = dims[i];
  set.colour[1] = 6;
  ViewDimSetRemoveRepeats(&set);
  EXPECT_EQ(set.count, 2);
  EXPECT_EQ(set.dimension[1], 5);
  EXPECT_EQ(set.colour[1], 6);
  EXPECT_EQ(ViewColourLetter(7), '-');
  EXPECT_EQ(ViewColourFromLetter('-'), -1);
}

}  // namespace
