// The database settings dialog and the component finder, driven while they run: sizes by the
// number of value fields, the card-number entries the cards allow, value names made names, the
// question before value fields go, a reference date on itself cleared, OK applying, and the
// finder's OK and its Cancel giving up the read. Pictures go to the working folder.
#include <string>

#include "app/base_window.h"
#include "app/settings_dialogs.h"
#include "app_fixture.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/lines.h"
#include "tests/ui/window_picture.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/value_choosers.h"

namespace app_test {
namespace {

using ui_test::Capture;
using ui_test::ExpectDrawn;
using ui_test::Save;

class SettingsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    StartApplication();
    InstallBaseWindows();
    InstallSettingsDialogs();
  }
  void TearDown() override {
    AppTest::TearDown();
    SetBaseServices(nullptr);
  }
};

TEST(BaseOptSizes, FollowTheNumberOfValueFields) {
  const struct {
    int32_t count, width, frame, height;
  } rows[] = {
      {1, 473, 64, 207}, {3, 473, 104, 207}, {7, 473, 184, 254},
      {12, 473, 284, 354}, {13, 485, 284, 354}, {24, 485, 284, 354},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(BaseOptWidth(r.count), r.width) << r.count;
    EXPECT_EQ(ValueFrameHeight(r.count), r.frame) << r.count;
    EXPECT_EQ(BaseOptHeight(r.count), r.height) << r.count;
  }
}

TEST_F(SettingsTest, DatabaseSettingsOfferWhatTheCardsAllowAndApplyOnOk) {
  T_Base* base = NewUntitledDatabase();
  CardId id{(125u << 9) | (3u << 5) | 1u, 1234};  // a number of four digits
  ASSERT_NE(CreateCard(base, &id), nullptr);
  base->SetCardDigits(4);
  SetValueCount(base, 3);
  ASSERT_EQ(base->valueCount, 3);
  EXPECT_EQ(MinimumCardDigits(base), 4);

  int32_t steps = 0;
  auto check = [&](T_Window* window) {
    auto* dialog = dynamic_cast<T_BaseOpt*>(window);
    ASSERT_NE(dialog, nullptr);
    ++steps;
    EXPECT_EQ(dialog->width, 473);
    for (int64_t i = 0; i < 9; ++i) {
      ChooserEvent record;
      dialog->digitsChooser->DescribeItem(i, &record);
      EXPECT_EQ(record.enabled != 0, i >= 3) << i;
    }
    ChooserEvent record;
    dialog->digitsChooser->DescribeItem(3, &record);
    EXPECT_STREQ(record.text, "YYMMDD-1234");
    Save(Capture(dialog), "app_base_settings_3.bmp");
    ExpectDrawn(Capture(dialog), RECT{20, 30, 205, 60}, 50);

    T_Edit* name = dialog->valueFrame->names[0];
    name->SetTextNotify("Net sales %");
    T_TextBuf text;
    name->GetText(&text);
    EXPECT_STREQ(text.c_str(), "Net.sales..");

    dialog->referenceEdit->SetTextNotify("Reference");
    dialog->referenceEdit->GetText(&text);
    EXPECT_STREQ(text.c_str(), "");

    dialog->SetValueCount(24);
    EXPECT_EQ(dialog->width, 485);
    Save(Capture(dialog), "app_base_settings_24.bmp");
    dialog->SetValueCount(1);
    EXPECT_EQ(dialog->width, 473);
    user.press[4209] = {kButtonCancel};
    dialogs_test::PressButton(dialog, kDialogOkId);  // asked, and stays open
    EXPECT_EQ(base->valueCount, 3);
    user.press[4209] = {718};
    dialogs_test::PressButton(dialog, kDialogOkId);
  };
  WhileModal(check);
  RunDatabaseSettings(base);
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(user.Messages(), (std::vector<int32_t>{4209, 4209}));
  EXPECT_EQ(base->valueCount, 1);
  EXPECT_STREQ(base->valueNames[0], "Net.sales..");
  EXPECT_EQ(base->cardDigits, 4);

  // Cancel changes nothing.
  WhileModal([](T_Window* dialog) {
    auto* settings = dynamic_cast<T_BaseOpt*>(dialog);
    settings->cardTitle->SetText("Voucher");
    dialogs_test::PressButton(dialog, kDialogCancelId);
  });
  RunDatabaseSettings(base);
  EXPECT_STRNE(base->GetCardTitleLabel(), "Voucher");
}

TEST_F(SettingsTest, TheFinderEnablesOkForWhatResolvesAndItsCancelGivesUpTheRead) {
  T_Base* base = NewUntitledDatabase();
  AddComponent(base, 1, "A1", "Alpha", nullptr);
  const struct {
    int32_t dimension;
    const char* typed;
    bool ok;
  } rows[] = {
      {1, "A1", true},
      {1, "", true},
      {1, "nowhere", false},
      {2, "nowhere", true},  // a dimension without components takes anything
  };
  for (const auto& r : rows) {
    T_NodeFinder finder(base, r.dimension, nullptr, r.typed);
    EXPECT_EQ(finder.ok->enabled != 0, r.ok) << r.typed;
  }

  WhileModal([](T_Window* dialog) {
    Save(Capture(dialog), "app_node_finder.bmp");
    auto* finder = dynamic_cast<T_NodeFinder*>(dialog);
    finder->edit->SetText("A1");
    finder->Resolve();
    dialogs_test::PressButton(dialog, kDialogOkId);
  });
  std::string longCode(120, 'X');
  EXPECT_EQ(base->FindComponentOrAsk(1, longCode.c_str(), -1, nullptr),
            base->FindComponentByKey(1, "A1", -1));

  WhileModal([](T_Window* dialog) { dialogs_test::PressButton(dialog, kDialogCancelId); });
  EXPECT_EQ(base->FindComponentOrAsk(1, "Q9", -1, nullptr), 1);
  EXPECT_TRUE(AbortRequested());
  PendingErrorClear();
}

}  // namespace
}  // namespace app_test
