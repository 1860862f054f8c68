// The automation objects in-process against a copy of a small database: what each method
// answers, its error codes, and the objects' hold on databases closed under them.
#include <functional>
#include <string>
#include <vector>

#include "app/file_wait.h"
#include "com_fixture.h"
#include "core/files.h"
#include "analysis/cards/cards_install.h"
#include "database/base.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/app/wait_bound.h"
#include "tests/source_path.h"

namespace app_test {
namespace {

class ComObjects : public ComTest {
 protected:
  void SetUp() override {
    ComTest::SetUp();
    path_ = folder_ / "fixture.qex";
    ASSERT_TRUE(CopyFileW(WidePathText(TestSourcePath("tests/database/xml/data/fixture.qex").c_str()).c_str(),
                          WidePathText(path_.c_str()).c_str(), FALSE));
  }
  void TearDown() override {
    while (T_Base* base = FirstBase()) DeleteBase(base, kCloseSilently);
    ComTest::TearDown();
  }
  IDatabase* Open(const std::string& path, long expected = 0) {
    IDatabase* database = Make<IDatabase>(CLSID_database, IID_IDatabase);
    long error = 1;
    Bstr name(Widen(path).c_str());
    EXPECT_EQ(database->OpenFile(name, nullptr, &error), S_OK);
    EXPECT_EQ(error, expected) << path;
    return database;
  }
  static std::string Name(IDatabase* database) {
    Bstr name;
    database->get_Name(name.Out());
    return name.Utf8();
  }

  ScratchFolder folder_;
  std::string path_;
};

TEST_F(ComObjects, ADatabaseAnswersItsDimensions) {
  IDatabase* database = Open(path_);
  EXPECT_EQ(Name(database), "fixture.qex");
  IDimension* dimension = reinterpret_cast<IDimension*>(1);
  EXPECT_EQ(database->GetDim(0, &dimension), E_FAIL);
  EXPECT_EQ(dimension, nullptr);
  EXPECT_EQ(database->GetDim(33, &dimension), E_FAIL);
  ASSERT_EQ(database->GetDim(1, &dimension), S_OK);
  short number = 0;
  dimension->get_Number(&number);
  EXPECT_EQ(number, 1);
  Bstr plural;
  dimension->get_Plural(plural.Out());
  EXPECT_EQ(plural.Utf8(), "Accounts");
  long total = 0, inUse = 0, active = 0;
  dimension->get_TotalComponents(&total);
  dimension->get_ComponentsInUse(&inUse);
  dimension->get_ActiveComponents(&active);
  EXPECT_EQ(total, 6);
  EXPECT_EQ(inUse, 2);
  EXPECT_EQ(active, 3);
  // Display styles: outside 0 to 6 (a negative one too) the default.
  for (const short* row : {(const short[]){2, 2}, (const short[]){-1, 3}, (const short[]){7, 3}}) {
    dimension->put_DimString(row[0]);
    short style = 0;
    dimension->get_DimString(&style);
    EXPECT_EQ(style, row[1]) << row[0];
  }
  // Names round-trip, beyond Latin-1 and a surrogate pair included.
  Bstr name(L"\u00c5sa \u20ac \U0001F600");
  dimension->put_Singular(name);
  Bstr singular;
  dimension->get_Singular(singular.Out());
  EXPECT_EQ(singular.Wide(), name.Wide());
  Bstr list;
  dimension->ExportComponents(Bstr(L"1"), Bstr(L""), Bstr(L"1"), list.Out());
  EXPECT_EQ(list.Utf8(), "1\tAssets\tH1\r\n10\tCash\tH10\r\n11\tBank & Co\r\n");
  dimension->Release();
  database->Release();
  EXPECT_EQ(FirstBase(), nullptr) << "CloseOnRelease closes what the object opened";
}

TEST_F(ComObjects, OpeningFailuresGiveTheirCodes) {
  std::string damaged = folder_ / "damaged.qeb";
  WriteBstrToFile(damaged.c_str(), Bstr(L"QEB?not a container at all"));
  std::string text = folder_ / "notes.txt";
  WriteBstrToFile(text.c_str(), Bstr(L"plain text\r\nof no kind the program reads\r\n"));
  const struct {
    std::string path;
    long code;
  } rows[] = {
      {"", -110},
      {folder_ / "missing.qeb", -110},
      {folder_.path(), -110},
      {damaged, -100},
      {text, -100},
  };
  for (const auto& row : rows) {
    IDatabase* database = Open(row.path, row.code);
    EXPECT_EQ(Name(database), "");
    long error = 0;
    database->Save(&error);
    EXPECT_EQ(error, -130);
    database->Release();
  }
  EXPECT_EQ(FirstBase(), nullptr);
  EXPECT_EQ(user.asked.size(), 0u) << "no dialog";
}

// Calls that fail (a missing file to open, a missing file to import, a save onto a folder) leave
// the program as they found it: the progress switch as it was, the program's own alert handler
// answering again, and the file mutex free for a guarded call from another thread.
TEST_F(ComObjects, AFailedCallRestoresTheSwitchTheHandlerAndTheLock) {
  SetComIndicators(true);
  const std::string missing = folder_ / "missing.qeb";
  IDatabase* database = Open(path_);
  // The handler on top before the calls: it must be on top again after each.
  T_ScriptedUser program;
  const struct {
    const char* name;
    std::function<long()> call;
  } calls[] = {
      {"open", [&] {
         IDatabase* other = Make<IDatabase>(CLSID_database, IID_IDatabase);
         long error = 0;
         other->OpenFile(Bstr(Widen(missing).c_str()), nullptr, &error);
         other->Release();
         return error;
       }},
      {"import", [&] {
         long error = 0;
         database->Import(Bstr(Widen(missing).c_str()), nullptr, &error);
         return error;
       }},
      {"save", [&] {
         long error = 0;
         database->SaveAs(Bstr(Widen(folder_.path()).c_str()), nullptr, &error);
         return error;
       }},
  };
  for (const auto& c : calls) {
    SCOPED_TRACE(c.name);
    SetProgressDisplay(false);
    program.asked.clear();
    EXPECT_NE(c.call(), 0);
    EXPECT_FALSE(ProgressDisplay());
    EXPECT_TRUE(program.asked.empty()) << "the call's own alerts stay silent";
    AlertRequest question;
    AlertInit(&question);
    question.message = 3208;
    AlertAddButton(&question, 718);
    AlertAddButton(&question, 719);
    ShowAlert(&question);
    EXPECT_EQ(program.Messages(), std::vector<int32_t>{3208}) << "the program's handler answers";
    HANDLE other = CreateThread(
        nullptr, 0, [](void*) -> DWORD {
          T_ComCall call(T_ComCall::kGuarded);
          return 0;
        },
        nullptr, 0, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(wait_bound::Deadline().WaitFor(other)) << "the file mutex is held";
    CloseHandle(other);
  }
  SetProgressDisplay(true);
  database->Release();
}

TEST_F(ComObjects, APasswordHoldingATabStillReopensTheSavedFile) {
  IDatabase* database = Open(path_);
  database->put_Password(Bstr(L"se\tcret"));
  std::string saved = folder_ / "protected.qeb";
  long error = 1;
  database->SaveAs(Bstr(Widen(saved).c_str()), Bstr(L""), &error);
  EXPECT_EQ(error, 0);
  database->close();
  EXPECT_EQ(FirstBase(), nullptr);
  Bstr name(Widen(saved).c_str());
  database->OpenFile(name, Bstr(L"wrong"), &error);
  EXPECT_EQ(error, -120);
  database->OpenFile(name, Bstr(L"se\tcret"), &error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(Name(database), "protected.qeb");
  database->Release();
}

TEST_F(ComObjects, GetBaseChecksTheIndexBeforeLettingGo) {
  std::string second = folder_ / "second.qex";
  CopyFileW(WidePathText(path_.c_str()).c_str(), WidePathText(second.c_str()).c_str(), FALSE);
  IDatabase* first = Open(path_);
  IDatabase* other = Open(second);
  long error = 0;
  for (short bad : {0, 3, 99}) {
    first->GetBase(bad, &error);
    EXPECT_EQ(error, -130) << bad;
    EXPECT_EQ(Name(first), "fixture.qex") << "a bad index changes nothing";
  }
  // Index 1 is the object's own database: CloseOnRelease closes it, then the list's first is
  // the other one.
  first->GetBase(1, &error);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(Name(first), "second.qex");
  short close = 1;
  first->get_CloseOnRelease(&close);
  EXPECT_EQ(close, 0);
  first->Release();
  EXPECT_NE(FirstBase(), nullptr) << "attached by GetBase: not closed on release";
  other->Release();
  EXPECT_EQ(FirstBase(), nullptr);
}

TEST_F(ComObjects, ObjectsLetGoOfADatabaseClosedUnderThem) {
  IDatabase* database = Open(path_);
  IDimension* dimension = nullptr;
  ASSERT_EQ(database->GetDim(2, &dimension), S_OK);
  IDatabase* borrowed = Make<IDatabase>(CLSID_database, IID_IDatabase);
  long error = 0;
  borrowed->GetBase(1, &error);
  ASSERT_EQ(error, 0);
  database->close();
  EXPECT_EQ(FirstBase(), nullptr);
  Bstr plural;
  dimension->get_Plural(plural.Out());
  EXPECT_EQ(plural.Utf8(), "");
  long total = 5;
  dimension->get_TotalComponents(&total);
  EXPECT_EQ(total, 0);
  short style = 0;
  dimension->get_DimString(&style);
  EXPECT_EQ(style, 3);
  dimension->ExportText(plural.Out());
  EXPECT_EQ(plural.Utf8(), "");
  dimension->Export(Bstr(L"x.txt"), &error);
  EXPECT_EQ(error, -130);
  borrowed->MacroCommand(Bstr(L"beep"), &error);
  EXPECT_EQ(error, -130);
  Bstr answer;
  borrowed->XML_Command(Bstr(L"<QEB-xml-input><version/></QEB-xml-input>"), answer.Out());
  EXPECT_EQ(answer.Utf8(), "<error>no database</error>");
  dimension->Release();
  borrowed->Release();
  database->Release();
}

TEST_F(ComObjects, MethodsWithoutTheirObjectAnswerAsNothingFound) {
  IDatabase* database = Open(path_);
  long error = 7;
  database->ImportText(Bstr(L""), &error);
  EXPECT_EQ(error, 0);
  database->ImportText(nullptr, &error);
  EXPECT_EQ(error, -132);
  database->ImportTrans(nullptr, Bstr(L"setup"), &error);
  EXPECT_EQ(error, -132);
  database->ImportTrans(Bstr(L"data"), Bstr(L"no such setup"), &error);
  EXPECT_EQ(error, -131);
  database->ImportWithSetup(Bstr(L"x.txt"), Bstr(L"no such setup"), &error);
  EXPECT_EQ(error, -131);
  database->MacroCall(Bstr(L"no such macro"), &error);
  EXPECT_EQ(error, -133);
  database->SaveAs(Bstr(L"x.qex"), Bstr(L"-nonsense"), &error);
  EXPECT_EQ(error, -132);
  Bstr text;
  database->Export(Bstr(L"Cards"), text.Out());
  EXPECT_EQ(text.Utf8(), "");
  IDimension* dimension = nullptr;
  database->GetDim(1, &dimension);
  dimension->Import(Bstr(L"dim.txt"), &error);  // no such file
  EXPECT_NE(error, 0);
  long before = 0, after = 0;
  dimension->get_TotalComponents(&before);
  dimension->ImportText(Bstr(L"ZZ1\tImported\r\nZZ2\tToo\r\n"), &error);
  EXPECT_EQ(error, 0);
  dimension->get_TotalComponents(&after);
  EXPECT_EQ(after, before + 2);
  dimension->ImportText(Bstr(L""), &error);
  EXPECT_EQ(error, 0);
  dimension->ImportText(nullptr, &error);
  EXPECT_EQ(error, -132);
  dimension->Release();
  database->Release();
}

TEST_F(ComObjects, CommandsAndSavesReachTheFiles) {
  IDatabase* database = Open(path_);
  std::string written = folder_ / "written.qex";
  long error = 1;
  database->MacroCommand(Bstr(Widen("save \"" + written + "\"").c_str()), &error);
  EXPECT_EQ(error, 0);
  EXPECT_TRUE(FileExists(written.c_str()));
  database->Save(&error);
  EXPECT_EQ(error, 0);
  database->Release();
  IDatabase* reopened = Open(written);
  IDimension* dimension = nullptr;
  reopened->GetDim(1, &dimension);
  long total = 0;
  dimension->get_TotalComponents(&total);
  EXPECT_EQ(total, 6);
  dimension->Release();
  reopened->Release();
}

TEST_F(ComObjects, TheApplicationOpensIntoADatabaseObject) {
  StartApplication();
  IApplication* application = Make<IApplication>(CLSID_Application, IID_IApplication);
  Bstr version;
  application->get_Version(version.Out());
  EXPECT_EQ(version.Utf8(), "QEB 5.7");
  VARIANT result;
  VariantInit(&result);
  long error = 1;
  application->OpenFile(Bstr(Widen(path_).c_str()), nullptr, &result, &error);
  EXPECT_EQ(error, 0);
  ASSERT_EQ(result.vt, VT_DISPATCH);
  ASSERT_NE(result.pdispVal, nullptr);
  short count = 0;
  application->get_BaseCount(&count);
  EXPECT_EQ(count, 1);
  VariantClear(&result);
  application->get_BaseCount(&count);
  EXPECT_EQ(count, 0);
  application->OpenFile(Bstr(Widen(folder_ / "missing.qeb").c_str()), nullptr, &result, &error);
  EXPECT_EQ(error, -110);
  EXPECT_EQ(result.vt, VT_DISPATCH);
  EXPECT_EQ(result.pdispVal, nullptr);

  application->put_WindowState(0);
  short state = 5, visible = 0;
  application->get_Visible(&visible);
  EXPECT_NE(visible, 0);
  application->put_WindowState(2);
  application->get_WindowState(&state);
  application->get_Visible(&visible);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(visible, 0);
  application->Release();
}

TEST_F(ComObjects, WebCommandAnswersWithTheGatewaysPage) {
  StartApplication();
  IApplication* application = Make<IApplication>(CLSID_Application, IID_IApplication);
  Bstr page;
  application->Web_Command(Bstr(L"version"), Bstr(L"client-1"), page.Out());
  // Whether the service is on or off, the dispatcher answers with a page of LF lines.
  EXPECT_NE(page.Utf8().find("QEB"), std::string::npos) << page.Utf8();
  EXPECT_EQ(page.Utf8().find('\r'), std::string::npos);
  application->Release();
}

}  // namespace
}  // namespace app_test

namespace app_test {
namespace {

// Export opens a stored template's window hidden, calculates it and answers its text; a folder
// answers nothing.
TEST_F(ComObjects, ExportAnswersAStoredTemplatesWindowAsText) {
  InstallCards();
  IDatabase* database = Open(path_);
  T_Base* base = FirstBase();
  ASSERT_NE(base, nullptr);
  ASSERT_TRUE(StoreTemplate(base, NewTemplate(base, kTemplateCards), "Reports: All cards"));
  Bstr text;
  EXPECT_EQ(database->Export(Bstr(L"Reports: All cards"), text.Out()), S_OK);
  EXPECT_NE(text.Utf8().find("250307-001\tFirst"), std::string::npos) << text.Utf8();
  EXPECT_NE(text.Utf8().find("line b\t5.00"), std::string::npos) << text.Utf8();
  Bstr folder;
  database->Export(Bstr(L"Reports"), folder.Out());
  EXPECT_EQ(folder.Utf8(), "");
  SetTemplateConstructor(kTemplateCards, nullptr);
  SetWindowOpener(kTemplateCards, nullptr);
  database->Release();
}

}  // namespace
}  // namespace app_test
