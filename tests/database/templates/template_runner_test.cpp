// The template runner with fake window openers: open windows found, replaced or asked about,
// folders run in turn until Control is held, windows on default templates, the defaults of a new
// database, and the questions a window's template commands ask.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "core/criteria.h"
#include "core/files.h"
#include "core/text_buffer.h"
#include "database/change_notes.h"
#include "database/toolkit_adapter.h"
#include "tests/database/templates/templates_fixture.h"

namespace {

using templates_test::FakeOpener;
using templates_test::HeldKeys;
using templates_test::InstallFakeOpeners;
using templates_test::Messages;
using templates_test::Openings;
using templates_test::T_FakeWindow;
using templates_test::TemplatesTest;

class RunnerTest : public TemplatesTest {
 protected:
  void SetUp() override {
    TemplatesTest::SetUp();
    InstallFakeOpeners();
  }
};

TEST_F(RunnerTest, AnOpenWindowIsBroughtForwardReplacedOrAskedAbout) {
  for (int32_t flags : {2, 4, 8, 16}) {
    for (bool open : {false, true}) {
      for (int32_t button : {kButtonNo, 4412}) {
        std::string label =
            std::to_string(flags) + (open ? " open " : " closed ") + std::to_string(button);
        DeleteAllTemplates(base);
        T_Template* templ = Store("Report");
        T_HWindow* existing = open ? RunTemplate(base, templ, nullptr, 0) : nullptr;
        auto* fake = static_cast<T_FakeWindow*>(existing);
        Openings().clear();
        answers.asked.clear();
        answers.press[4411] = button;
        int32_t alive = T_FakeWindow::Alive();

        T_HWindow* result = RunTemplate(base, templ, nullptr, flags);

        bool asked = open && flags == 16;
        bool replaced = open && (flags == 4 || (asked && button == 4412));
        bool opened = !open || flags == 4 || flags == 8 || replaced;
        EXPECT_EQ(Messages(answers), asked ? std::vector<int32_t>{4411} : std::vector<int32_t>{})
            << label;
        if (asked) {
          EXPECT_EQ(answers.asked[0].buttons, (std::vector<int32_t>{kButtonNo, 4412})) << label;
        }
        ASSERT_EQ(Openings().size(), opened ? 1u : 0u) << label;
        EXPECT_EQ(T_FakeWindow::Alive(), alive + (opened ? 1 : 0) - (replaced ? 1 : 0)) << label;
        if (opened) {
          EXPECT_EQ(result, Openings()[0].window) << label;
          EXPECT_EQ(Openings()[0].flags, flags) << label;
          EXPECT_EQ(Openings()[0].window->calculated, flags == 16 ? 1 : 0) << label;
        } else {
          EXPECT_EQ(result, existing) << label;
          EXPECT_EQ(fake->activated, 1) << label;
        }
        if (open && !replaced) delete fake;
        if (opened) delete Openings()[0].window;
      }
    }
  }
}

TEST_F(RunnerTest, AFolderRunsItsTemplatesUntilControlIsHeld) {
  T_Template* a = Store("F: a");
  T_Template* b = Store("F: b", kTemplateLines);
  T_Template* c = Store("F: G: c", kTemplateComponents);
  T_Template* folder = FindTemplate(base, "F");
  EXPECT_EQ(RunTemplate(base, folder, nullptr, 0), nullptr);
  ASSERT_EQ(Openings().size(), 3u);
  EXPECT_EQ(Openings()[0].templ, a);
  EXPECT_EQ(Openings()[1].templ, b);
  EXPECT_EQ(Openings()[2].templ, c);

  // The first window's opening holds Control down; with right Alt (AltGr) it does not count.
  SetWindowOpener(kTemplateCards, [](T_Template* t, T_Template* p, int32_t f) {
    HeldKeys::State().control = 1;
    return FakeOpener<1>(t, p, f);
  });
  for (bool altGr : {false, true}) {
    for (const auto& o : Openings()) delete o.window;
    Openings().clear();
    HeldKeys::State() = InputEvent{};
    HeldKeys::State().rightAlt = altGr ? 1 : 0;
    RunTemplate(base, folder, nullptr, 0);
    EXPECT_EQ(Openings().size(), altGr ? 3u : 1u);
  }
}

// Presses Control through the system's input queue; the key goes up again with the guard.
class ControlPress {
 public:
  ControlPress() { Send(0); }
  ~ControlPress() { Release(); }
  ControlPress(const ControlPress&) = delete;
  ControlPress& operator=(const ControlPress&) = delete;
  void Release() {
    if (down_) Send(KEYEVENTF_KEYUP);
  }
  bool down() const { return down_; }

 private:
  void Send(DWORD flags) {
    INPUT key = {};
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_CONTROL;
    key.ki.dwFlags = flags;
    bool sent = SendInput(1, &key, sizeof(INPUT)) == 1;
    down_ = sent && flags == 0;
    Sleep(50);
  }
  bool down_ = false;
};

TEST_F(RunnerTest, ARealControlPressStopsARun) {
  SetModifierPollHook(nullptr);
  Store("F: a");
  Store("F: b");
  {
    ControlPress press;
    ASSERT_TRUE(press.down());
    EXPECT_TRUE(ControlKeyHeld());
    RunTemplate(base, FindTemplate(base, "F"), nullptr, 0);
    EXPECT_TRUE(Openings().empty());
  }
  EXPECT_FALSE(ControlKeyHeld());
  RunTemplate(base, FindTemplate(base, "F"), nullptr, 0);
  EXPECT_EQ(Openings().size(), 2u);
}

TEST_F(RunnerTest, WindowsOfTemplatesOutsideTheTreeKeepTheDefault) {
  T_Template* loose = NewTemplate(base, kTemplateLines);
  T_Template* parameter = Store("Caller");
  T_HWindow* window = RunTemplate(base, loose, parameter, 0);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(Openings()[0].parameter, parameter);
  EXPECT_EQ(window->templ, base->GetDefaultTemplate(kTemplateLines));
  // Outside the tree nothing is looked for: a second run opens a second window.
  EXPECT_NE(RunTemplate(base, loose, nullptr, 0), window);
  DeleteTemplate(loose);

  // The database's commands run the defaults.
  ASSERT_TRUE(base->DoCommand(2549));
  ASSERT_EQ(Openings().size(), 3u);
  EXPECT_EQ(Openings()[2].templ, base->GetDefaultTemplate(kTemplateComponents));
  EXPECT_EQ(Openings()[2].window->templ, base->GetDefaultTemplate(kTemplateComponents));
}

TEST_F(RunnerTest, CalculatingAtOnceDiscardsAnEmptyWindow) {
  T_Template* templ = Store("Report");
  int32_t alive = T_FakeWindow::Alive();
  T_FakeWindow::NextEmpty() = true;
  EXPECT_EQ(RunTemplate(base, templ, nullptr, kRunCalculate), nullptr);
  ASSERT_EQ(Openings().size(), 1u);
  EXPECT_EQ(T_FakeWindow::Alive(), alive);
}

TEST_F(RunnerTest, KindsWithoutAWindowOpenNothing) {
  EXPECT_EQ(NewTemplate(base, kTemplateSubset), nullptr);
  EXPECT_EQ(NewTemplate(base, kTemplateFolder), nullptr);
  EXPECT_EQ(NewTemplate(base, 7), nullptr);
  auto* subset = new T_BoxTmpl(kTemplateSubset, base);
  ASSERT_TRUE(StoreTemplate(base, subset, "S"));
  EXPECT_EQ(RunTemplate(base, subset, nullptr, 0), nullptr);
  EXPECT_EQ(RunTemplate(base, base->GetDefaultTemplate(kTemplateCard), nullptr, 0), nullptr);
  EXPECT_EQ(RunTemplate(base, nullptr, nullptr, 0), nullptr);
  EXPECT_TRUE(Openings().empty());
  // Without its opener a kind opens nothing either.
  SetWindowOpener(kTemplateLines, nullptr);
  EXPECT_EQ(RunTemplate(base, Store("L", kTemplateLines), nullptr, 0), nullptr);
  EXPECT_TRUE(Openings().empty());
}

TEST_F(RunnerTest, OpenAtStartAndCommandEntries) {
  T_Template* a = Store("A");
  T_Template* b = Store("F: B", kTemplateLines);
  Store("F: C", kTemplateComponents);
  AsBoxTemplate(a)->openDirect = 1;
  AsBoxTemplate(b)->openDirect = 1;
  HeldKeys::State().control = 1;
  RunOpenAtStartTemplates(base);
  EXPECT_TRUE(Openings().empty());
  HeldKeys::State().control = 0;
  RunOpenAtStartTemplates(base);
  ASSERT_EQ(Openings().size(), 2u);
  EXPECT_EQ(Openings()[0].templ, a);
  EXPECT_EQ(Openings()[1].templ, b);

  // openTemplate: a folder's templates pass the filter one by one, and what opens calculates.
  CriteriaPattern filter;
  Criteria_Init(&filter);
  T_TextBuf text;
  TextBufAssign(&text, "C");
  Criteria_Compile(&filter, &text, 5, false);
  TemplateRunEntry folder;
  folder.kind = kEntryFolder;
  folder.templ = base->rootTemplate;
  RunTemplateFolder(base, &folder, &filter, kRunNoLookup);
  ASSERT_EQ(Openings().size(), 3u);
  EXPECT_EQ(Openings()[2].templ, FindTemplate(base, "F: C"));
  EXPECT_EQ(Openings()[2].window->calculated, 1);
  MemFreeHeld(&filter);
  TemplateRunEntry single;
  single.templ = a;
  RunTemplateFolder(base, &single, nullptr, kRunBringForward);
  EXPECT_EQ(Openings().size(), 3u);  // its window came forward
  EXPECT_EQ(Openings()[0].window->activated, 1);
  EXPECT_EQ(Openings()[0].window->calculated, 1);
}

TEST_F(RunnerTest, RemovingAWindowsTemplateAsksFirst) {
  InstallDatabaseServices();
  T_Template* templ = Store("Reports: Monthly");
  T_HWindow* window = RunTemplate(base, templ, nullptr, 0);
  window->SetTitleCopy("Reports: Monthly");
  answers.press[4408] = kButtonCancel;
  EXPECT_TRUE(window->DoCommand(kCommandRemoveTemplate));
  ASSERT_EQ(Messages(answers), std::vector<int32_t>{4408});
  EXPECT_EQ(answers.asked[0].text0, "Reports: Monthly");
  EXPECT_EQ(answers.asked[0].buttons, (std::vector<int32_t>{716, kButtonCancel}));
  EXPECT_EQ(FindTemplate(base, "Reports: Monthly"), templ);

  answers.press[4408] = 716;
  EXPECT_TRUE(window->DoCommand(kCommandRemoveTemplate));
  EXPECT_EQ(FindTemplate(base, "Reports"), nullptr);
  EXPECT_EQ(window->templ, nullptr);
  // A window without a stored template is not asked about.
  EXPECT_TRUE(window->DoCommand(kCommandRemoveTemplate));
  EXPECT_EQ(answers.asked.size(), 2u);
  // The two dialogs of later issues end quietly.
  EXPECT_TRUE(window->DoCommand(kCommandSetDefaults));
  EXPECT_TRUE(window->DoCommand(kCommandInstallTemplate));
  RemoveDatabaseServices();
}

// Counts the notes its templates receive.
class T_CountingTmpl : public T_BoxTmpl {
 public:
  explicit T_CountingTmpl(T_Base* base) : T_BoxTmpl(kTemplateComponents, base) {}
  void OnChange(const ChangeNote* note) override { Codes().push_back(note->code); }
  static std::vector<int32_t>& Codes() {
    static std::vector<int32_t> codes;
    return codes;
  }
};

TEST_F(RunnerTest, ANewDatabaseHasItsRootAndSixDefaultsAndPassesRenamesThroughTheTree) {
  ASSERT_NE(base->rootTemplate, nullptr);
  EXPECT_EQ(base->rootTemplate->kind, kTemplateFolder);
  for (int32_t i = 0; i < 6; ++i) {
    T_Template* templ = base->defaultTemplates[i];
    ASSERT_NE(templ, nullptr);
    EXPECT_EQ(templ->kind, kDefaultTemplateKinds[i]);
    EXPECT_EQ(templ, base->GetDefaultTemplate(templ->kind));
    EXPECT_TRUE(IsStandInTemplate(templ));
    EXPECT_EQ(templ->menuIcon, 2000u + static_cast<uint32_t>(templ->kind));
    EXPECT_EQ(templ->parent, nullptr);
  }
  EXPECT_EQ(base->GetDefaultTemplate(kTemplateSubset), nullptr);

  SetTemplateConstructor(kTemplateComponents,
                         [](T_Base* b) -> T_Template* { return new T_CountingTmpl(b); });
  base->ResetDefaultTemplate(kTemplateComponents);
  Store("A", kTemplateComponents);
  Store("F: B", kTemplateComponents);
  T_CountingTmpl::Codes().clear();
  base->NotifyCode(kChangeLinks);
  base->NotifyCode(kChangeCards);  // other codes do not travel the tree
  EXPECT_EQ(T_CountingTmpl::Codes(), (std::vector<int32_t>{63, 63, 63}));

  // A window on the replaced default moves to the new one.
  T_HWindow* window = RunTemplate(base, base->GetDefaultTemplate(kTemplateLines), nullptr, 0);
  T_Template* old = window->templ;
  base->ResetDefaultTemplate(kTemplateLines);
  EXPECT_NE(window->templ, old);
  EXPECT_EQ(window->templ, base->GetDefaultTemplate(kTemplateLines));
}

TEST(TempFiles, ATemporaryFolderBeyondTheCodePageGetsItsFile) {
  wchar_t saved[MAX_PATH + 1] = {};
  DWORD had = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
  wchar_t base[MAX_PATH + 1];
  ASSERT_GT(GetTempPathW(MAX_PATH + 1, base), 0u);
  std::wstring folder = std::wstring(base) + L"Jos\u00e9 \u0141\u00f3d\u017a";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", folder.c_str()));
  T_TextBuf path;
  MakeTempFileName(&path);
  SetEnvironmentVariableW(L"TMP", had ? saved : nullptr);
  ASSERT_FALSE(path.empty());
  std::string text = path.c_str();
  EXPECT_NE(text.find("Jos\xC3\xA9 \xC5\x81\xC3\xB3"
                      "d\xC5\xBA\\qeb"),
            std::string::npos)
      << text;
  EXPECT_EQ(FileSizeOfPath(path.c_str()), 0);
  SysFile file;
  FileInit(&file);
  EXPECT_TRUE(FileOpenRead(&file, path.c_str()));
  FileDestroy(&file);
  EXPECT_TRUE(FileDelete(path.c_str()));
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
