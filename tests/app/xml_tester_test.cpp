// The XML command tester with a stand-in runner and the tick counter in the test's hand: one
// tester per database, the watch running at the next tick and at most every 500 ms, the result
// in red or green, the same file refused, missing files reported, the paths kept in the user's
// settings, drops, the documentation and double clicks. Pictures of both colours go to the
// working folder.
#include <windows.h>

#include <string>

#include "app/base_window.h"
#include "app/xml_tester.h"
#include "app_fixture.h"
#include "file_times.h"
#include "core/file_dialogs.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/settings_store.h"
#include "core/threads.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/ui/scripted_pointer.h"
#include "tests/ui/window_picture.h"
#include "ui/button.h"
#include "ui/event_record.h"
#include "ui/transfer_list.h"

namespace app_test {
namespace {

int32_t runs = 0;
std::string answer;

void StandInRunner(T_Base*, T_OStream* output, T_IStream*) {
  ++runs;
  output->PutText(answer.c_str());
}

class XmlTesterTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    StartApplication();
    InstallBaseWindows();
    InstallXmlTester();
    ui_test::FakeTicks() = 100000;
    SetTickSource(ui_test::Ticks);
    SetXmlTesterRunner(StandInRunner);
    SetBrowserAvailableHook([] { return false; });
    runs = 0;
    answer = "<QEB-xml-output/>";
    input = folder / "request.xml";
    output = folder / "answer.xml";
    WriteWholeFile(input, "<QEB-xml><version/></QEB-xml>");
  }
  void TearDown() override {
    SetXmlTesterRunner(nullptr);
    SetBrowserAvailableHook(nullptr);
    SetTickSource(nullptr);
    AppTest::TearDown();
    SetBaseServices(nullptr);
  }
  T_XMLTest* NewTester() {
    T_Base* base = NewUntitledDatabase();
    T_XMLTest* tester = OpenXmlTester(base);
    TextBufAssign(&tester->inputPath, input.c_str());
    TextBufAssign(&tester->outputPath, output.c_str());
    return tester;
  }
  void Tick(T_XMLTest* tester, uint64_t ms) {
    ui_test::FakeTicks() += ms;
    tester->Notify(kNotifyTick);
  }

  ScratchFolder folder;
  std::string input;
  std::string output;
};

TEST(XmlErrorScan, CollectsErrorTextsUpToItsLimit) {
  const struct {
    std::string answer;
    int32_t found;
    std::string result;
  } rows[] = {
      {"<QEB-xml-output><version>5.7</version></QEB-xml-output>", 0, ""},
      {"<a>\r\n<error>Unknown tag &quot;x&quot;.</error>\r\n<error/>\r\n"
       "<error>two\r\nlines</error></a>",
       2, "Unknown tag \"x\".\rtwo lines"},
      {"<errors>not one</errors>", 0, ""},
  };
  for (const auto& r : rows) {
    T_IStream in;
    in.CtorFromMemory(r.answer.data(), static_cast<int64_t>(r.answer.size()));
    T_TextBuf result;
    EXPECT_EQ(ScanXmlErrors(&in, &result), r.found) << r.answer;
    EXPECT_EQ(std::string(result.c_str()), r.result) << r.answer;
  }
  std::string many;
  for (int i = 0; i < 200; ++i) many += "<error>" + std::string(300, 'e') + "</error>\r\n";
  T_IStream in;
  in.CtorFromMemory(many.data(), static_cast<int64_t>(many.size()));
  T_TextBuf result;
  EXPECT_EQ(ScanXmlErrors(&in, &result), 200);
  EXPECT_LE(result.length, kXmlResultLimit + 3);
  EXPECT_EQ(std::string(result.c_str() + result.length - 3), "\xE2\x80\xA6");
}

TEST_F(XmlTesterTest, TheWatchRunsAtTheNextTickAndAtMostEvery500Ms) {
  T_XMLTest* tester = NewTester();
  EXPECT_EQ(OpenXmlTester(tester->database), tester);  // one per database
  Tick(tester, 1000);
  EXPECT_EQ(runs, 0);  // not watching yet
  tester->watch->Press();
  EXPECT_TRUE(tester->watching);
  Tick(tester, 10);
  EXPECT_EQ(runs, 1);  // at once, though no file changed
  EXPECT_EQ(tester->resultColour, kResultGreen);
  EXPECT_STREQ(tester->result.c_str(), "no errors");
  ui_test::Save(ui_test::Capture(tester), "app_xml_tester_green.bmp");
  Tick(tester, 1000);
  EXPECT_EQ(runs, 1);  // nothing changed

  answer = "<QEB-xml-output><error>Unknown tag \"y\".</error></QEB-xml-output>";
  MoveLastWriteTime(input, 5);
  Tick(tester, 100);
  EXPECT_EQ(runs, 1);  // within 500 ms of the last look
  MoveLastWriteTime(input, 10);
  Tick(tester, 450);
  EXPECT_EQ(runs, 2);  // both saves, one run
  EXPECT_EQ(tester->resultColour, kResultRed);
  EXPECT_STREQ(tester->result.c_str(), "Unknown tag \"y\".");
  ui_test::Save(ui_test::Capture(tester), "app_xml_tester_red.bmp");
  Tick(tester, 600);
  EXPECT_EQ(runs, 2);
}

TEST_F(XmlTesterTest, TheSameFileOrAMissingInputIsShownInRed) {
  T_XMLTest* tester = NewTester();
  TextBufAssign(&tester->outputPath, (folder / "REQUEST.XML").c_str());
  tester->Run();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(tester->resultColour, kResultRed);
  EXPECT_STREQ(tester->result.c_str(), "The input file and the output file are the same file.");
  EXPECT_EQ(ReadWholeFile(input), "<QEB-xml><version/></QEB-xml>");  // the request stays

  TextBufAssign(&tester->outputPath, output.c_str());
  TextBufAssign(&tester->inputPath, (folder / "missing.xml").c_str());
  tester->Run();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(tester->resultColour, kResultRed);
  EXPECT_NE(std::string(tester->result.c_str()).find("missing.xml"), std::string::npos)
      << tester->result.c_str();
  EXPECT_FALSE(AbortRequested());
}

TEST_F(XmlTesterTest, PathsGoBackToTheSettingsOnlyWithAFileName) {
  T_XMLTest* tester = NewTester();
  TextBufAssign(&tester->outputPath, "");
  EventHandler_RequestClose(tester, 3);
  DeferredCloseDestroyAll();
  SettingsStore store;
  SettingsOpen(&store, kPreferencesSection, kSettingsUser);
  T_TextBuf value;
  SettingsRead(&store, "XML.test.input", &value);
  EXPECT_EQ(std::string(value.c_str()), input);
  SettingsRead(&store, "XML.test.output", &value);
  EXPECT_STREQ(value.c_str(), "");
  SettingsClose(&store);

  // The next tester of the run starts from them.
  T_XMLTest* next = OpenXmlTester(FirstBase());
  EXPECT_EQ(std::string(next->inputPath.c_str()), input);
}

TEST_F(XmlTesterTest, FramesTakeTheFirstDroppedFileAndOpenItOnADoubleClick) {
  T_XMLTest* tester = NewTester();
  TransferList list;
  DragData_Init(&list);
  DragData_Add(&list, kTransferText, "not a file");
  EXPECT_TRUE(tester->outputFrame->AcceptDrop(&list));
  EXPECT_EQ(std::string(tester->outputPath.c_str()), output);  // refused
  DragData_AddFile(&list, kTransferFile, (folder / "second.xml").c_str());
  DragData_AddFile(&list, kTransferFile, (folder / "first.xml").c_str());
  EXPECT_TRUE(tester->outputFrame->AcceptDrop(&list));
  EXPECT_EQ(std::string(tester->outputPath.c_str()), folder / "first.xml");
  EXPECT_TRUE(tester->runNeeded);
  DragData_Free(&list);

  InputEvent event;
  event.leftButton = event.anyButton = 1;
  event.doubleClick = 1;
  event.x = 20;
  event.y = 10;
  tester->inputFrame->MouseDown(&event, tester->inputFrame);
  tester->OnButton(tester->documentation);
  ASSERT_EQ(ShellTargets().size(), 2u);
  EXPECT_EQ(ShellTargets()[0], input);
  EXPECT_EQ(ShellTargets()[1], kXmlDocumentationUrl);
}

}  // namespace
}  // namespace app_test
