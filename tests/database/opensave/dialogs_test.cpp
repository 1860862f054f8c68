// The ways the user reaches the file operations: the open and import dialogs, a file dropped on a
// document window (the toolkit's hooks), and the save question of a closing database.
#include <string>
#include <vector>

#include "database/toolkit_adapter.h"
#include "opensave_fixture.h"
#include "ui/document_window.h"

namespace {

using Dialogs = OpenSaveTest;

TEST_F(Dialogs, TheOpenDialogOpensTheChosenFileAndACancelDoesNothing) {
  T_Base* source = NewSample();
  const std::string path = Path("chosen.qex");
  ASSERT_TRUE(SaveAs(source, path, kSaveKindText));
  DeleteBase(source, kCloseSilently);

  FileDialogAnswerInAdvance(path.c_str());
  T_Base* opened = OpenDatabaseDialog();
  ASSERT_NE(opened, nullptr);
  EXPECT_TRUE(PathSameFile(opened->path->c_str(), path.c_str()));

  FileDialogAnswerInAdvance(nullptr);
  EXPECT_EQ(OpenDatabaseDialog(), nullptr);
  FileDialogAnswerInAdvance(Path("gone.qeb").c_str());
  EXPECT_EQ(OpenDatabaseDialog(), nullptr);
  EXPECT_EQ(user.asked, std::vector<int32_t>{605});  // reported; the cancel was not
  EXPECT_FALSE(AbortRequested());
  EXPECT_EQ(FirstBase(), opened);
  EXPECT_EQ(FirstBase()->next, nullptr);
}

TEST_F(Dialogs, ImportsComeFromTheDialogOrAFileDroppedOnAWindow) {
  const std::string path = Path("more.qex");
  WriteWholeFile(path, "##QEB-Text\t121122\r\n\r\n##Macro\tfirst\r\nM\tbeep\r\n##End\r\n");
  T_Base base(Path("into.qeb").c_str(), 0);

  FileDialogAnswerInAdvance(path.c_str());
  EXPECT_TRUE(ImportDialog(&base));
  EXPECT_TRUE(HasMacro(&base, "first"));
  FileDialogAnswerInAdvance(nullptr);
  EXPECT_FALSE(ImportDialog(&base));
  EXPECT_FALSE(AbortRequested());

  // Through the toolkit's hooks, as a document window calls them.
  InstallDatabaseServices();
  WriteWholeFile(path, "##QEB-Text\t121122\r\n\r\n##Macro\tsecond\r\nM\tbeep\r\n##End\r\n");
  CurrentDocumentOperations().importFile(&base, path.c_str());
  EXPECT_TRUE(HasMacro(&base, "second"));
  WriteWholeFile(path, "##QEB-Text\t121122\r\n\r\n##Macro\tthird\r\nM\tbeep\r\n##End\r\n");
  FileDialogAnswerInAdvance(path.c_str());
  CurrentDocumentOperations().importFileWithDialog(&base);
  EXPECT_TRUE(HasMacro(&base, "third"));
  CurrentDocumentOperations().importFile(&base, Path("gone.qex").c_str());
  EXPECT_EQ(user.asked, std::vector<int32_t>{605});
  RemoveDatabaseServices();
  EXPECT_EQ(base.macroCount, 3);
}

TEST_F(Dialogs, AClosingDatabaseSavesThroughTheEngineWhenTheUserSaysSo) {
  T_Base* source = NewSample();
  const std::string path = Path("closing.qeb");
  ASSERT_TRUE(SaveAs(source, path, kSaveKindContainer));
  DeleteBase(source, kCloseSilently);
  const std::string saved = ReadWholeFile(path);

  struct Case {
    int32_t answer;
    bool closes;
    bool writes;
  };
  const Case cases[] = {{kCancel, false, false}, {710, true, false}, {709, true, true}};
  for (const Case& c : cases) {
    T_Base* base = openDatabase(path.c_str(), nullptr, kOpenFlagReuseOpen);
    ASSERT_NE(base, nullptr);
    base->SetCardDigits(7);
    user.asked.clear();
    user.answers[3200] = c.answer;
    EXPECT_EQ(DeleteBase(base, kCloseAsk), c.closes) << c.answer;
    EXPECT_EQ(user.asked, std::vector<int32_t>{3200});
    EXPECT_EQ(FirstBase() == nullptr, c.closes);
    EXPECT_EQ(ReadWholeFile(path) != saved, c.writes) << c.answer;
  }
  T_Base* reopened = openDatabase(path.c_str(), nullptr, 0);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->cardDigits, 7);
}

}  // namespace
