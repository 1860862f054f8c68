#include "database/read_prompt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../core/streams/scratch_folder.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/file_dialogs.h"
#include "database/base.h"
#include "logs_fixture.h"

namespace {

constexpr int32_t kUnknownOption = 3820;  // Unknown option "@0"

class ReadPromptTest : public ::testing::Test {
 protected:
  void SetUp() override { PendingErrorClear(); }
  void TearDown() override {
    delete base;
    PendingErrorClear();
  }

  ScratchFolder folder;
  ScriptedUser user;
  T_Base* base = new T_Base((folder / "shop.qeb").c_str(), 0);
};

TEST_F(ReadPromptTest, ShowsFourButtonsWithOneBeepAndContinueByDefault) {
  T_NoAlerts unattended;
  EXPECT_EQ(AskReadErrorText(base, kUnknownOption, "-zz"), kReadErrorContinue);
  EXPECT_EQ(unattended.lastMessage, kUnknownOption);
  EXPECT_STREQ(unattended.lastText, "Unknown option \"-zz\"");
  EXPECT_EQ(base->errorFlag, 0);
  EXPECT_FALSE(AbortRequested());
}

TEST_F(ReadPromptTest, AnswersSetTheErrorAndAbortFlags) {
  struct Case {
    int32_t answer;
    uint8_t errorFlag;
    bool abort;
  };
  const Case cases[] = {
      {kReadErrorContinue, 0, false},
      {kReadErrorCancel, 1, true},
      {kReadErrorStop, 0, true},
  };
  for (const Case& c : cases) {
    base->errorFlag = 0;
    PendingErrorClear();
    user.asked.clear();
    user.answer = c.answer;
    EXPECT_EQ(AskReadErrorText(base, kUnknownOption, "-zz"), c.answer);
    EXPECT_EQ(base->errorFlag, c.errorFlag) << c.answer;
    EXPECT_EQ(AbortRequested(), c.abort) << c.answer;
    ASSERT_EQ(user.asked.size(), 1u);
    const AlertRequest& asked = user.asked[0];
    EXPECT_EQ(asked.beeps, 1);
    EXPECT_EQ(asked.defaultAnswer, kReadErrorContinue);
    ASSERT_EQ(asked.buttonCount, 4);
    EXPECT_EQ(std::vector<int32_t>(asked.buttons, asked.buttons + 4),
              (std::vector<int32_t>{705, 701, 704, 3123}));
  }
}

TEST_F(ReadPromptTest, LogToFileWritesTheSameAlertIntoTheNewLog) {
  LogCapture capture;
  user.answer = kReadErrorLogToFile;
  std::string path = folder / "problems.txt";
  FileDialogAnswerInAdvance(path.c_str());
  PendingError.abort.store(true);
  EXPECT_EQ(AskReadErrorText(base, kUnknownOption, "-zz"), kReadErrorLogToFile);
  ASSERT_NE(base->alertLog, nullptr);
  EXPECT_STREQ(base->errorFileName, path.c_str());
  EXPECT_FALSE(AbortRequested());
  EXPECT_EQ(base->errorFlag, 0);
  EXPECT_EQ(user.asked.size(), 1u);  // the second showing went into the log only
  EXPECT_EQ(LogCapture::Lines(), std::vector<std::string>{"Unknown option \"-zz\""});

  // Later problems of the read go straight into the log.
  EXPECT_EQ(AskReadErrorText(base, kUnknownOption, "-yy"), kReadErrorContinue);
  EXPECT_EQ(user.asked.size(), 1u);
  EXPECT_EQ(LogCapture::Lines().size(), 2u);
}

TEST_F(ReadPromptTest, LogToFileCancelledGoesOnWithoutALog) {
  LogCapture capture;
  user.answer = kReadErrorLogToFile;
  FileDialogAnswerInAdvance(nullptr);
  EXPECT_EQ(AskReadErrorText(base, kUnknownOption, "-zz"), kReadErrorLogToFile);
  EXPECT_EQ(base->alertLog, nullptr);
  EXPECT_FALSE(AbortRequested());
  EXPECT_EQ(PendingError.request.message, 0);
  EXPECT_EQ(user.asked.size(), 1u);
  EXPECT_TRUE(LogCapture::Lines().empty());
}

}  // namespace
