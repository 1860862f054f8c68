// The example database in examples/: the builder writes the committed bytes again, and both files
// open to the model it built.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "opensave_fixture.h"
#include "tests/source_path.h"
#include "tools/make_example/example_database.h"

namespace {

// What the example holds; a change of the builder shows here and in the committed files.
constexpr int32_t kDimensions = 5;
constexpr int64_t kComponents = 93;
constexpr int64_t kCards = 2400;
constexpr int64_t kLines = 7889;
constexpr double kQuantity = 158201;

const char* const kFiles[] = {"Example.qeb", "Example.qex"};

TEST(Example, RegeneratingGivesTheCommittedBytes) {
  SKIP_WITHOUT_CARD_RECORDS();
  T_NoAlerts quiet;
  ScratchFolder folder;
  ASSERT_TRUE(WriteExampleFiles(folder.path().c_str()));
  for (const char* name : kFiles) {
    const std::string committed = ReadWholeFile(TestSourcePath(std::string("examples/") + name));
    ASSERT_NE(committed, "<missing>") << name;
    EXPECT_TRUE(ReadWholeFile(folder / name) == committed) << name << " differs";
  }
}

TEST(Example, BothFilesOpenToTheModelItWasWrittenFrom) {
  SKIP_WITHOUT_CARD_RECORDS();
  AnsweringUser user;
  T_Base* model = BuildExampleDatabase();
  ASSERT_NE(model, nullptr);
  const ExampleCounts built = CountExample(model);
  EXPECT_EQ(built.dimensions, kDimensions);
  EXPECT_EQ(built.components, kComponents);
  EXPECT_EQ(built.cards, kCards);
  EXPECT_EQ(built.lines, kLines);
  EXPECT_LT(std::fabs(built.amount), 1e-6);  // every card balances
  EXPECT_EQ(built.quantity, kQuantity);
  const std::string dump = ModelDump(model);
  DeleteBase(model, kCloseSilently);

  for (const char* name : kFiles) {
    T_Base* opened =
        openDatabase(TestSourcePath(std::string("examples/") + name).c_str(), nullptr, 0);
    ASSERT_NE(opened, nullptr) << name;
    EXPECT_TRUE(user.asked.empty()) << name;
    const ExampleCounts counts = CountExample(opened);
    EXPECT_EQ(counts.dimensions, built.dimensions) << name;
    EXPECT_EQ(counts.components, built.components) << name;
    EXPECT_EQ(counts.cards, built.cards) << name;
    EXPECT_EQ(counts.lines, built.lines) << name;
    EXPECT_EQ(counts.amount, built.amount) << name;
    EXPECT_EQ(counts.quantity, built.quantity) << name;
    EXPECT_TRUE(ModelDump(opened) == dump) << name;
    ExpectModelSound(opened);
    DeleteBase(opened, kCloseSilently);
  }
}

}  // namespace
