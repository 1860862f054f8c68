// The link properties dialog runs modally: each test posts its step to the application before
// the run, and the step acts on the dialog from inside the modal loop. A watchdog ends a run
// that is still going after a few seconds, so a broken step fails instead of hanging.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "core/alert.h"
#include "core/file_dialogs.h"
#include "core/text_buffer.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/clipboard_data.h"
#include "ui/link_dialog.h"
#include "ui/link_display.h"
#include "ui/link_handler.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/transfer_list.h"
#include "ui/window.h"

namespace {

// Cards are "17-" and a number; one handler is tagged "card", one "tpl", one has no tag.
class T_TestHandler : public T_LinkHandler {
 public:
  T_TestHandler(T_LinkContext* context, const char* tag, uint32_t textId, const char* prefix)
      : T_LinkHandler(context, tag, textId), prefix(prefix) {}
  bool TargetExists(const char* target) override {
    return std::string(target).rfind(prefix, 0) == 0;
  }
  bool Follow(const char*) override { return true; }
  const char* prefix;
};

// Someone is there to answer: modal dialogs run instead of pressing their default button.
class T_AttendedAlerts : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override { return request->defaultAnswer; }
  bool IsUnattended() override { return false; }
};

class T_StepAction : public T_DeferCom {
 public:
  explicit T_StepAction(std::function<void()> step) : step(std::move(step)) {}
  void Execute() override { step(); }
  std::function<void()> step;
};

T_Window* InnermostModal() {
  T_Window* last = ModalListFirst();
  while (last && last->nextModal) last = last->nextModal;
  return last;
}

bool watchdogFired = false;
void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
  watchdogFired = true;
  for (T_Window* w = ModalListFirst(); w; w = w->nextModal) Dialog_EndModal(w);
}

std::string TextOf(T_Edit* field) {
  T_TextBuf text;
  field->GetText(&text);
  return text.data;
}

class LinkDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(ProgramInstance());
      registered = true;
    }
    SetFrameVisible(false);
    app = new T_Application(true);
    alerts = new T_AttendedAlerts();
    context = new T_LinkContext();
    new T_TestHandler(context, "", 1500, "zz");  // untagged: never a chooser entry
    templates = new T_TestHandler(context, "tpl", 1501, "T:");
    cards = new T_TestHandler(context, "card", 1502, "17-");
    watchdogFired = false;
    watchdog = SetTimer(nullptr, 0, 8000, Watchdog);
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    file = std::string(folder) + "qeb link dialog test.txt";
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, "x", 1, &written, nullptr);
    CloseHandle(h);
  }
  void TearDown() override {
    KillTimer(nullptr, watchdog);
    EXPECT_FALSE(watchdogFired) << "a modal run was left waiting";
    DeleteFileA(file.c_str());
    delete context;
    delete alerts;
    delete app;
    PendingErrorClear();
  }

  // Runs the step on the dialog once its modal loop is up.
  void WhileModal(std::function<void(T_LinkEditor*)> step) {
    app->PostAction(new T_StepAction([step] {
      auto* editor = dynamic_cast<T_LinkEditor*>(InnermostModal());
      ASSERT_NE(editor, nullptr);
      step(editor);
    }));
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
  }

  // The first link of the text, with the buffer as its edit buffer.
  LinkRef Parse(T_TextBuf* buffer) {
    LinkRef link;
    link.context = context;
    link.sourceText = buffer->data;
    link.editBuffer = buffer;
    const char* cursor = buffer->data;
    EXPECT_TRUE(LinkText_Parse(&link, &cursor, nullptr)) << buffer->data;
    return link;
  }

  T_Application* app = nullptr;
  T_AttendedAlerts* alerts = nullptr;
  T_LinkContext* context = nullptr;
  T_LinkHandler* templates = nullptr;
  T_LinkHandler* cards = nullptr;
  UINT_PTR watchdog = 0;
  std::string file;
};

TEST_F(LinkDialogTest, TheDialogStartsWithTheLinkAndItsKind) {
  struct Case {
    std::string text;
    int64_t kind;
    bool browse;
    std::string target;
  } cases[] = {
      {"see <a href=\"http://x.com/p\">Prices</a>", 0, false, "http://x.com/p"},
      {"see <a file=\"" + file + "\">Data</a>", 1, true, file},
      {"see card=\"17-3\"", 2, false, "17-3"},  // the newest handler comes first
      {"see tpl=\"T:a\"", 3, false, "T:a"},
  };
  for (Case& c : cases) {
    T_TextBuf buffer(c.text.c_str());
    LinkRef link = Parse(&buffer);
    std::vector<std::string> kinds;
    WhileModal([&](T_LinkEditor* editor) {
      EXPECT_EQ(editor->kindChooser->current, c.kind) << c.text;
      EXPECT_EQ(editor->browseButton->visible != 0, c.browse) << c.text;
      EXPECT_EQ(TextOf(editor->targetField), c.target);
      for (int64_t i = 0; i < editor->kindChooser->count; ++i) {
        ChooserEvent record;
        editor->kindChooser->DescribeItem(i, &record);
        kinds.push_back(record.text ? record.text : "");
      }
      Items()->press(editor->okButton);
    });
    EXPECT_TRUE(LinkEditor_Run(&link, nullptr));
    EXPECT_EQ(kinds, (std::vector<std::string>{"URL", "File", "Either-or", "And (Intersection)"}));
  }
}

TEST_F(LinkDialogTest, OkWritesTheEditedLinkInPlaceAndCancelLeavesTheText) {
  for (bool ok : {true, false}) {
    T_TextBuf buffer("see <a href=\"http://x.com/p\">Prices</a> now");
    LinkRef link = Parse(&buffer);
    WhileModal([&](T_LinkEditor* editor) {
      editor->textField->SetTextNotify("  New prices ");
      editor->targetField->SetTextNotify("card=\"17-9\"");  // not a target: emptied
      EXPECT_EQ(TextOf(editor->targetField), "");
      editor->targetField->SetTextNotify(" 17-9 ");
      EXPECT_EQ(editor->kindChooser->current, 2);
      Items()->press(ok ? editor->okButton : Window_CancelButton(editor));
    });
    EXPECT_EQ(LinkEditor_Run(&link, nullptr), ok);
    if (!ok) {
      EXPECT_STREQ(buffer.data, "see <a href=\"http://x.com/p\">Prices</a> now");
      continue;
    }
    T_TextBuf expected;
    LinkRef edited;
    edited.context = context;
    edited.kind = kLinkHandler;
    edited.handler = cards;
    TextBufAssign(&edited.text, "New prices");
    TextBufAssign(&edited.target, "17-9");
    LinkRef_WriteMarkup(&edited, &expected);
    EXPECT_EQ(std::string(buffer.data), "see " + std::string(expected.data) + " now");
    EXPECT_EQ(link.length, expected.length);
  }
}

TEST_F(LinkDialogTest, OkWithoutAUsableTargetLeavesTheTextAlone) {
  T_TextBuf buffer("a www.x.com b");
  int32_t length = 1;
  WhileModal([&](T_LinkEditor* editor) {
    EXPECT_EQ(TextOf(editor->targetField), "");
    editor->targetField->SetTextNotify("no such thing");
    Items()->press(editor->okButton);
  });
  ClipboardSetText("two\rlines", 9, 0);  // not taken as a target
  EXPECT_FALSE(LinkEditor_CreateFromSelection(nullptr, &buffer, "a www.x.com b", 0, &length));
  EXPECT_STREQ(buffer.data, "a www.x.com b");
  EXPECT_EQ(length, 1);
}

TEST_F(LinkDialogTest, ANewLinkTakesItsTargetFromTheSelectionOrTheClipboard) {
  struct Case {
    const char* clipboard;
    int32_t start, length;
    std::string text, target, written;
  } cases[] = {
      {"http://clip.org/", 5, 12, "www.x.com", "www.x.com", "http://www.x.com"},  // blanks trimmed
      {"http://clip.org/", 0, 4, "Look", "http://clip.org/", "http://clip.org/"},
      // No text: the target stands for it.
      {"http://clip.org/", 0, 0, "http://clip.org/", "http://clip.org/", "http://clip.org/"},
  };
  for (Case& c : cases) {
    ClipboardSetText(c.clipboard, static_cast<int32_t>(strlen(c.clipboard)), 0);
    const char* text = "Look  www.x.com  now";
    T_TextBuf buffer;
    int32_t length = c.length;
    WhileModal([&](T_LinkEditor* editor) {
      EXPECT_EQ(TextOf(editor->textField), c.text);
      EXPECT_EQ(TextOf(editor->targetField), c.target);
      EXPECT_EQ(editor->kindChooser->current, 0);
      Items()->press(editor->okButton);
    });
    EXPECT_TRUE(LinkEditor_CreateFromSelection(nullptr, &buffer, text, c.start, &length));
    std::string after = buffer.data;
    std::string markup = after.substr(static_cast<size_t>(c.start), static_cast<size_t>(length));
    EXPECT_EQ(std::string(text).substr(0, static_cast<size_t>(c.start)) + markup +
                  std::string(text).substr(static_cast<size_t>(c.start + c.length)),
              after);
    LinkRef link;
    const char* cursor = markup.c_str();
    ASSERT_TRUE(LinkText_Parse(&link, &cursor, nullptr)) << markup;
    EXPECT_EQ(std::string(link.target.data), c.written);
    EXPECT_EQ(cursor, markup.c_str() + markup.size()) << "the length covers the markup";
  }
}

TEST_F(LinkDialogTest, DroppedFilesGoWhereTheyAreDropped) {
  enum Where { kOnText, kOnTarget, kElsewhere };
  struct Case {
    Where where;
    std::string text, target;
    int64_t kind;
  } cases[] = {
      {kOnText, "qeb link dialog test.txt", "http://x.com/p", 0},
      {kOnTarget, "Prices", file, 1},
      {kElsewhere, "qeb link dialog test.txt", file, 1},
  };
  for (Case& c : cases) {
    T_TextBuf buffer("<a href=\"http://x.com/p\">Prices</a>");
    LinkRef link = Parse(&buffer);
    WhileModal([&](T_LinkEditor* editor) {
      TransferList list;
      DragData_Init(&list);
      DragData_AddFile(&list, kTransferFile, file.c_str());
      T_GrafElement* on = editor;
      if (c.where == kOnText) on = editor->textField;
      if (c.where == kOnTarget) on = editor->targetField;
      list.target = on;
      EXPECT_TRUE(on->AcceptDrop(&list));
      DragData_Free(&list);
      EXPECT_EQ(TextOf(editor->textField), c.text);
      EXPECT_EQ(TextOf(editor->targetField), c.target);
      EXPECT_EQ(editor->kindChooser->current, c.kind);
      EXPECT_EQ(editor->browseButton->visible != 0, c.kind == 1);
      Items()->press(Window_CancelButton(editor));
    });
    LinkEditor_Run(&link, nullptr);
  }
}

TEST_F(LinkDialogTest, DroppedTextGivesItsFirstLink) {
  T_TextBuf buffer("<a href=\"http://x.com/p\">Prices</a>");
  LinkRef link = Parse(&buffer);
  WhileModal([&](T_LinkEditor* editor) {
    TransferList list;
    DragData_Init(&list);
    DragData_Add(&list, kTransferText, "a card=\"17-4\" and <a href=\"http://y.org/\">Y</a>");
    list.target = editor;
    EXPECT_TRUE(editor->AcceptDrop(&list));
    DragData_Free(&list);
    EXPECT_EQ(TextOf(editor->textField), "17-4");
    EXPECT_EQ(TextOf(editor->targetField), "17-4");
    EXPECT_EQ(editor->kindChooser->current, 2);

    // Text without links is no link: the dialog leaves it to the field under it.
    TransferList plain;
    DragData_Init(&plain);
    DragData_Add(&plain, kTransferText, "just words");
    EXPECT_FALSE(LinkEditor_AcceptDrop(editor, &plain));
    DragData_Free(&plain);
    Items()->press(Window_CancelButton(editor));
  });
  LinkEditor_Run(&link, nullptr);
}

TEST_F(LinkDialogTest, ChoosingTheKindShowsBrowseOnlyForFiles) {
  T_TextBuf buffer("<a href=\"http://x.com/p\">Prices</a>");
  LinkRef link = Parse(&buffer);
  WhileModal([&](T_LinkEditor* editor) {
    for (auto [index, browse] : {std::pair{1, true}, std::pair{0, false}, std::pair{3, false},
                                 std::pair{1, true}, std::pair{2, false}}) {
      editor->kindChooser->SetSelection(index, kSelectReport);
      EXPECT_EQ(editor->browseButton->visible != 0, browse) << index;
    }
    EXPECT_EQ(link.kind, kLinkHandler);
    EXPECT_EQ(link.handler, cards);
    Items()->press(Window_CancelButton(editor));
  });
  LinkEditor_Run(&link, nullptr);
}

TEST_F(LinkDialogTest, BrowseSetsAFileLinkAndACancelledBrowseLeavesNoStop) {
  T_TextBuf buffer("<a href=\"http://x.com/p\">Prices</a>");
  LinkRef link = Parse(&buffer);
  WhileModal([&](T_LinkEditor* editor) {
    FileDialogAnswerInAdvance(nullptr);
    LinkEditor_Browse(editor);
    EXPECT_FALSE(AbortRequested());
    EXPECT_EQ(TextOf(editor->targetField), "http://x.com/p");
    FileDialogAnswerInAdvance(file.c_str());
    LinkEditor_Browse(editor);
    EXPECT_EQ(TextOf(editor->targetField), file);
    EXPECT_EQ(TextOf(editor->textField), "qeb link dialog test.txt");
    EXPECT_EQ(editor->kindChooser->current, 1);
    Items()->press(editor->okButton);
  });
  EXPECT_TRUE(LinkEditor_Run(&link, nullptr));
  EXPECT_EQ(link.kind, kLinkFile);
}

TEST_F(LinkDialogTest, TheLinkMenuSeamOpensTheDialog) {
  LinkEditor_Install();
  // A link of no kind is a new link over a selection, as an edit field's "Create link" makes it.
  T_TextBuf buffer("go www.x.com");
  LinkRef link;
  link.context = context;
  link.editBuffer = &buffer;
  link.start = 3;
  link.length = 9;
  TextBufAssign(&link.text, "www.x.com");
  WhileModal([&](T_LinkEditor* editor) {
    EXPECT_EQ(TextOf(editor->targetField), "www.x.com");
    Items()->press(editor->okButton);
  });
  EXPECT_TRUE(LinkEditor_Open(&link, nullptr));
  EXPECT_EQ(std::string(buffer.data, 3), "go ");
  EXPECT_NE(std::string(buffer.data), "go www.x.com");
  SetLinkEditorOpener(nullptr);
}

TEST_F(LinkDialogTest, ApplyRefusesAMarkupRangeOutsideTheBuffer) {
  T_TextBuf buffer("short");
  for (auto [start, length] : {std::pair{-1, 2}, std::pair{3, 9}, std::pair{6, 0}}) {
    LinkRef link;
    link.kind = kLinkUrl;
    TextBufAssign(&link.target, "http://x.com/");
    link.editBuffer = &buffer;
    link.start = start;
    link.length = length;
    EXPECT_FALSE(LinkEditor_ApplyToBuffer(&link)) << start << "+" << length;
    EXPECT_STREQ(buffer.data, "short");
  }
}

}  // namespace
