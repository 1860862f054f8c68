// The toolkit's view of the engine once the adapter is installed.
#include <gtest/gtest.h>

#include <string>

#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/toolkit_adapter.h"
#include "tests/database/base/base_fixture.h"
#include "ui/database_services.h"
#include "ui/document_window.h"
#include "ui/link_handler.h"

namespace {

using base_test::BaseTest;
using base_test::StepRecorder;
using base_test::T_QuietWindow;

class AdapterTest : public BaseTest {
 protected:
  void SetUp() override {
    BaseTest::SetUp();
    InstallDatabaseServices();
  }
  void TearDown() override {
    RemoveDatabaseServices();
    BaseTest::TearDown();
  }
};

std::string FieldName(T_Base* base, int32_t code) {
  T_TextBuf text;
  Database_FieldName(base, &text, code);
  return text.c_str();
}

TEST_F(AdapterTest, FieldNamesAreStoredTextsOrTheirDefaults) {
  auto* base = new T_Base(nullptr, 0);
  struct Case {
    int32_t code;
    const char* name;
  };
  const Case defaults[] = {
      {1, "Dim 1"},      {32, "Dim 32"}, {33, "Dim 1"},   {64, "Dim 32"},   {65, "Card Title"},
      {66, "Line Text"}, {67, "Value"},  {68, "Value 2"}, {90, "Value 24"}, {3102, "Card Title"},
      {0, ""},           {91, ""},       {99, ""},
  };
  for (const Case& c : defaults) EXPECT_EQ(FieldName(base, c.code), c.name) << c.code;

  BlockTextAssign(&base->dimensions[1]->singular, "Account");
  BlockTextAssign(&base->dimensions[1]->plural, "Accounts");
  BlockTextAssign(&base->cardTitleLabel, "Voucher");
  BlockTextAssign(&base->lineTextLabel, "Posting");
  BlockTextAssign(&base->valueNames[1], "Budget");
  const Case stored[] = {
      {2, "Account"}, {34, "Accounts"}, {65, "Voucher"}, {66, "Posting"},
      {67, "Value"},  {68, "Budget"},   {69, "Value 3"},
  };
  for (const Case& c : stored) EXPECT_EQ(FieldName(base, c.code), c.name) << c.code;
}

TEST_F(AdapterTest, ValueColumnsAndWidthsComeFromTheDatabase) {
  auto* base = new T_Base(nullptr, 0);
  base->valueCount = 3;
  base->decimalsCodes[2] = 7;
  base->listWidth1 = 60;
  EXPECT_EQ(Database_ValueColumnCount(base), 3);
  EXPECT_EQ(Database_DecimalsCode(base, 0), 2);
  EXPECT_EQ(Database_DecimalsCode(base, 2), 7);
  EXPECT_EQ(Database_DecimalsCode(base, 3), 0);  // beyond the columns
  int32_t first = 0;
  int32_t second = 0;
  Database_DisplayWidths(base, &first, &second);
  EXPECT_EQ(first, 60);
  EXPECT_EQ(second, 52);
}

TEST_F(AdapterTest, WindowsKnowTheirDatabaseAndItsLinkContext) {
  auto* a = new T_Base(nullptr, 0);
  auto* b = new T_Base(nullptr, 0);
  // Each database has a link context of its own.
  ASSERT_NE(a->linkContext, nullptr);
  EXPECT_EQ(Database_LinkContext(a), a->linkContext);
  EXPECT_NE(Database_LinkContext(b), a->linkContext);

  // With two databases open a document window is owned by its database's window.
  auto* databaseWindow = new T_QuietWindow(kWindowDatabase, a);
  a->mainWindow = databaseWindow;
  auto* cards = new T_QuietWindow(kWindowCards, a);
  EXPECT_EQ(Database_OfWindow(cards), a);
  EXPECT_EQ(cards->owner, databaseWindow);
  EXPECT_EQ(cards->linkContext, a->linkContext);

  // A window's notes go through the database's dispatcher, and reach the window again.
  StepRecorder recorder;
  cards->BroadcastChange(kChangeWindowCalculated);
  EXPECT_EQ(recorder.Trace(a).size(), 9u);
  EXPECT_TRUE(recorder.Trace(b).empty());
  EXPECT_EQ(cards->codes.back(), kChangeWindowCalculated);

  delete cards;
  a->mainWindow = nullptr;
  delete databaseWindow;
}

TEST_F(AdapterTest, ActivatingADatabaseSetsTheMenusDatabase) {
  auto* base = new T_Base(nullptr, 0);
  base->modified = 1;
  // The toolkit calls this hook when a window of the database becomes active.
  auto* window = new T_QuietWindow(kWindowCards, base);
  window->active = 1;
  window->Notify(kNotifyActivation);
  EXPECT_EQ(MenuMarks().current, base);
  EXPECT_EQ(MenuMarks().saveEnabled, 1);
  delete window;
}

}  // namespace
