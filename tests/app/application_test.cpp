// The application object: documents handed to it in each mode, closing the application with
// databases open, the deferred file commands, the broadcast of settings and closing all windows.
#include <cstdio>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "core/files.h"
#include "database/change_notes.h"
#include "database/file_progress.h"
#include "database/protection.h"
#include "ui/document_window.h"

namespace app_test {
namespace {

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

// A document window that logs the close requests it gets and the setting notes it hears, and may
// refuse to close.
class T_LoggingWindow : public T_HWindow {
 public:
  T_LoggingWindow(const char* name, int32_t kind, T_Base* base)
      : T_HWindow(kKindDocument, kind, &kRect, 0, base, 0), name(name) {}
  bool QueryClose(int32_t mode) override {
    Log().push_back(name + " asked " + std::to_string(mode));
    return !refuse;
  }
  void OnChange(const ChangeNote* note) override {
    if (note->code == kChangeSignature) heard = true;
  }
  static constexpr RECT kRect{10, 10, 300, 200};
  std::string name;
  bool refuse = false;
  bool heard = false;
};

std::string Describe(const FileCall& call) {
  return call.what + " " + call.path + " " + std::to_string(call.flags) +
         (call.base ? " into the current" : "");
}

std::vector<std::string> Calls() {
  std::vector<std::string> calls;
  for (const FileCall& call : FileCalls()) calls.push_back(Describe(call));
  return calls;
}

using ApplicationTest = AppTest;

TEST_F(ApplicationTest, DocumentsOpenImportOrSaveByTheirMode) {
  StartApplication();
  for (int32_t mode : {0, 1, 2, 3}) app->OpenDocument(mode, "C:\\in\\A.qeb");
  EXPECT_EQ(Calls(), (std::vector<std::string>{"open C:\\in\\A.qeb 0", "open C:\\in\\A.qeb 0",
                                               "open C:\\in\\A.qeb 2"}));
  FileCalls().clear();
  RebuildDatabaseMenus(FirstBase());
  for (int32_t mode : {0, 1, 2, 3}) app->OpenDocument(mode, "C:\\in\\B.qex");
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "open C:\\in\\B.qex 0", "import C:\\in\\B.qex 8 into the current",
                         "open C:\\in\\B.qex 2", "save C:\\in\\B.qex 0 into the current"}));
}

T_FileWait* progressWindow = nullptr;

TEST_F(ApplicationTest, ClosingIsRefusedDuringProgressAndByTheFirstDatabaseThatRefuses) {
  StartApplication();
  T_Base* first = new T_Base("C:\\First.qeb", 0);
  T_Base* second = new T_Base("C:\\Second.qeb", 0);
  first->SetModified(true);
  second->SetModified(true);

  FileProgressHooks hooks{};
  hooks.current = [] { return progressWindow; };
  SetFileProgressHooks(&hooks);
  progressWindow = reinterpret_cast<T_FileWait*>(&hooks);
  EXPECT_FALSE(app->QueryClose(0));
  EXPECT_TRUE(user.asked.empty());
  progressWindow = nullptr;
  SetFileProgressHooks(nullptr);

  user.press[3200] = {kButtonCancel};
  EXPECT_FALSE(app->QueryClose(0));
  EXPECT_EQ(user.Messages(), std::vector<int32_t>{3200});
  EXPECT_EQ(FirstBase(), first);
  EXPECT_EQ(first->next, second);

  user.press[3200] = {710, 710};  // "Don't Save"
  EXPECT_TRUE(app->QueryClose(0));
  EXPECT_EQ(FirstBase(), nullptr);
}

TEST_F(ApplicationTest, AReopenTakesThePasswordAlongAndNeedsTheCloseToSucceed) {
  StartApplication();
  T_Base* base = new T_Base("C:\\Locked.qeb", 0);
  base->protection = ProtectionCreate(base);
  SetProtectionPassword(base->protection, "s3cret");
  PostDeferFileCom(kDeferReopen, base);
  Application_AfterMessage(app);
  ASSERT_EQ(FileCalls().size(), 1u);
  EXPECT_EQ(FileCalls()[0].path, "C:\\Locked.qeb");
  EXPECT_EQ(FileCalls()[0].password, "s3cret");
  EXPECT_TRUE(user.asked.empty());  // no password prompt
  ASSERT_NE(FirstBase(), nullptr);
  EXPECT_EQ(FirstBase()->next, nullptr);  // the old one went, the opened one stands

  // A window that refuses to close keeps the database: nothing is opened a second time.
  FileCalls().clear();
  T_Base* kept = FirstBase();
  auto* window = new T_LoggingWindow("cards", kWindowCards, kept);
  window->refuse = true;
  PostDeferFileCom(kDeferReopen, kept);
  Application_AfterMessage(app);
  EXPECT_TRUE(FileCalls().empty());
  EXPECT_EQ(FirstBase(), kept);
  window->refuse = false;
}

TEST_F(ApplicationTest, AFileCommandForADatabaseClosedMeanwhileDoesNothing) {
  StartApplication();
  T_Base* base = new T_Base("C:\\Gone.qeb", 0);
  T_Base* other = new T_Base("C:\\Other.qeb", 0);
  PostDeferFileCom(kDeferReopen, base);
  PostDeferFileCom(kDeferClose, base);
  DeleteBase(base, kCloseSilently);
  Application_AfterMessage(app);
  EXPECT_TRUE(FileCalls().empty());
  EXPECT_EQ(FirstBase(), other);

  // The close command reports what is pending first, then closes without questions.
  other->SetModified(true);
  PendingErrorSet(606);
  PostDeferFileCom(kDeferClose, other);
  Application_AfterMessage(app);
  EXPECT_EQ(user.Messages(), std::vector<int32_t>{606});
  EXPECT_EQ(FirstBase(), nullptr);
}

TEST_F(ApplicationTest, ASettingReachesEveryDatabaseAndEveryWindow) {
  StartApplication();
  SetDispatchProbe([](int32_t step, T_Base* base, const ChangeNote* note) {
    if (step == 1 && note->code == kChangeSignature) Log().push_back(base->path->c_str());
  });
  Log().clear();
  T_Base* first = new T_Base("C:\\One.qeb", 0);
  T_Base* second = new T_Base("C:\\Two.qeb", 0);
  auto* ofFirst = new T_LoggingWindow("one", kWindowCards, first);
  auto* ofSecond = new T_LoggingWindow("two", kWindowLines, second);
  auto* alone = new T_LoggingWindow("alone", kWindowCards, nullptr);
  BroadcastSetting(kChangeSignature);
  SetDispatchProbe(nullptr);
  EXPECT_EQ(Log(), (std::vector<std::string>{"C:\\One.qeb", "C:\\Two.qeb"}));
  EXPECT_TRUE(ofFirst->heard);
  EXPECT_TRUE(ofSecond->heard);
  EXPECT_TRUE(alone->heard);
  delete ofFirst;
  delete ofSecond;
  delete alone;
}

TEST_F(ApplicationTest, ClosingAllWindowsSparesDatabaseWindowsAndOtherDatabases) {
  StartApplication();
  T_Base* sales = new T_Base("C:\\Sales.qeb", 0);
  T_Base* stock = new T_Base("C:\\Stock.qeb", 0);
  auto* salesBase = new T_LoggingWindow("sales database", kWindowDatabase, sales);
  auto* salesCards = new T_LoggingWindow("sales cards", kWindowCards, sales);
  new T_LoggingWindow("sales lines", kWindowLines, sales);
  auto* stockCards = new T_LoggingWindow("stock cards", kWindowCards, stock);

  Log().clear();
  EXPECT_TRUE(app->CloseAllWindows(salesCards, 0));
  EXPECT_EQ(Log(), (std::vector<std::string>{"sales lines asked 0", "sales cards asked 0"}));
  Application_AfterMessage(app);  // the closed ones go

  Log().clear();
  stockCards->refuse = true;
  EXPECT_FALSE(app->CloseAllWindows(nullptr, 1));
  EXPECT_EQ(Log(), (std::vector<std::string>{"stock cards asked 1"}));
  stockCards->refuse = false;
  delete salesBase;
}

TEST_F(ApplicationTest, TruncatingEmptiesAFile) {
  T_TextBuf path;
  MakeTempFileName(&path);
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fputs("##QEB-Text\r\n", file);
  std::fclose(file);
  EXPECT_TRUE(TruncateFile(path.c_str()));
  EXPECT_EQ(FileSizeOfPath(path.c_str()), 0);
  FileDelete(path.c_str());
  EXPECT_FALSE(TruncateFile("Z:\\no such folder\\x.qeb"));
  PendingErrorClear();
}

}  // namespace
}  // namespace app_test
