// Links in an item's text: how they are shown, hovered, clicked and followed, where the caret of
// a point or an index lies, and the link menu with its commands.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/memory.h"
#include "links/link_test_handler.h"
#include "popups/popup_fixture.h"
#include "ui/clipboard_data.h"
#include "ui/edit_field.h"
#include "ui/element_paint.h"
#include "ui/item.h"
#include "ui/link_display.h"
#include "ui/text_layout.h"

namespace {

// "see 17-3 now" as shown; the link's text runs from plain 4 to 8.
constexpr const char* kCardText = "see card=\"17-3\" now";
constexpr const char* kCardPlain = "see 17-3 now";
constexpr int32_t kLinkStart = 4;
constexpr RECT kTextRect{0, 0, 300, 40};

struct PointerStep {
  POINT point;
  bool down;
};
std::vector<PointerStep> pointerSteps;
size_t pointerAt = 0;

void ScriptedPointer(T_GrafElement*, InputEvent* event) {
  PointerStep step =
      pointerAt < pointerSteps.size() ? pointerSteps[pointerAt++] : PointerStep{{0, 0}, false};
  event->x = step.point.x;
  event->y = step.point.y;
  event->leftButton = step.down ? 1 : 0;
  event->anyButton = event->leftButton;
}

LinkRef* editedLink = nullptr;
bool RecordingOpener(LinkRef* link, T_GrafElement*) {
  editedLink = link;
  return true;
}

std::string ClipboardText() {
  char* text = ClipboardReadText();
  std::string result = text ? text : "";
  MemFree(text);
  return result;
}

class LinkDisplayTest : public PopupTest {
 protected:
  void SetUp() override {
    PopupTest::SetUp();
    handler = new TestLinkHandler(&context, "card");
    item = new T_Item(kKindText, window, XYWH{10, 10, 300, 40}, 1);
    item->linkContext = &context;
    EventHandler_Open(item);
    SetItemPointerSource(ScriptedPointer);
    pointerSteps.clear();
    pointerAt = 0;
  }
  void TearDown() override {
    SetLinkEditorOpener(nullptr);
    PopupTest::TearDown();
  }

  // Where a caret before the plain index stands, and the middle of the character at it.
  POINT CaretAt(const char* plain, int32_t index) {
    DrawContext draw;
    DrawContext_Init(&draw);
    DrawContext_Begin(&draw, item);
    POINT point{};
    TextCaretPoint(&point, &kTextRect, plain, index);
    DrawContext_End(&draw);
    return point;
  }
  // The first point of the line whose hit index is the given one.
  POINT HitAt(const char* plain, int32_t index) {
    DrawContext draw;
    DrawContext_Init(&draw);
    DrawContext_Begin(&draw, item);
    POINT found{-1, 6};
    for (int32_t x = 0; x < kTextRect.right && found.x < 0; ++x) {
      if (TextHitTest(&kTextRect, plain, POINT{x, 6}) == index) found.x = x;
    }
    DrawContext_End(&draw);
    EXPECT_GE(found.x, 0) << "no point hits " << index;
    return found;
  }
  POINT Over(const char* plain, int32_t index) {
    POINT a = CaretAt(plain, index);
    POINT b = CaretAt(plain, index + 1);
    return POINT{(a.x + b.x) / 2, 6};
  }

  // Runs the link menu of a right press on the link in the owner (the item when null): records
  // the offered ids, runs `during` while the menu is up, then chooses the entry at index (-1:
  // none).
  std::vector<uint16_t> RunMenu(const char* text, T_TextBuf* buffer, int32_t index,
                                T_GrafElement* owner = nullptr,
                                std::function<void()> during = nullptr) {
    std::vector<uint16_t> ids;
    if (owner == nullptr) owner = item;
    script = Script{};
    script.steps.push_back([owner, &ids, during](PopupInput* input) {
      ContextMenuRecord record;
      record.owner = owner;
      record.selector = kMenuSelectorLink;
      owner->ContextMenu(&record, kMenuPhaseList);
      for (const uint16_t* id = record.commands.list; id && *id; ++id) ids.push_back(*id);
      if (during) during();
      SetButtons(&input->event, kRight);
    });
    if (index >= 0) {
      script.steps.push_back(OnEntry(index, kRight));
      script.steps.push_back(OnEntry(index, kNone));
    }
    InputEvent press = PressAt(Over(kCardPlain, 5).x, 6, kRight);
    EXPECT_TRUE(LinkText_Click(owner, &kTextRect, text, &press, buffer));
    return ids;
  }

  T_LinkContext context;
  TestLinkHandler* handler = nullptr;
  T_Item* item = nullptr;
};

TEST_F(LinkDisplayTest, ShowModeFollowsTheLinkModeAndTheFocus) {
  struct Case {
    int32_t mode;
    bool focused;
    const char* text;
    int32_t way;
  } cases[] = {
      {1, false, kCardText, kLinkShowLinks}, {1, true, kCardText, kLinkShowRaw},
      {2, false, kCardText, kLinkShowLinks}, {2, true, kCardText, kLinkShowPlain},
      {3, false, kCardText, kLinkShowPlain}, {3, true, kCardText, kLinkShowPlain},
      {0, false, kCardText, kLinkShowRaw},   {4, false, kCardText, kLinkShowRaw},
      {2, false, "no links", kLinkShowRaw},  {2, false, nullptr, kLinkShowRaw},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinkText_ShowMode(item, c.mode, c.text, c.focused), c.way)
        << "mode " << c.mode << " focused " << c.focused << " " << (c.text ? c.text : "null");
  }
}

TEST_F(LinkDisplayTest, HoverFindsTheLinkUnderThePointerAndJustAfterIt) {
  struct Case {
    const char* where;
    POINT point;
    int32_t hovered;
  } cases[] = {
      {"before the link", Over(kCardPlain, 1), -1},
      {"inside the link", Over(kCardPlain, 5), kLinkStart},
      {"its last character", Over(kCardPlain, 7), kLinkStart},
      {"just after it", HitAt(kCardPlain, 8), kLinkStart},
      {"after it", Over(kCardPlain, 10), -1},
      {"outside the rectangle", POINT{400, 6}, -1},
  };
  for (const Case& c : cases) {
    int32_t hovered = 99;
    LinkText_TrackHover(item, &kTextRect, kCardText, c.point, &hovered);
    EXPECT_EQ(hovered, c.hovered) << c.where;
  }
}

TEST_F(LinkDisplayTest, APressFollowsTheLinkOnlyWhenReleasedOverIt) {
  POINT on = Over(kCardPlain, 5);
  POINT off = Over(kCardPlain, 10);
  struct Case {
    const char* what;
    std::vector<PointerStep> steps;
    size_t followed;
  } cases[] = {
      {"released over the link", {{on, true}, {on, false}}, 1},
      {"moved off and back", {{off, true}, {on, true}, {on, false}}, 1},
      {"moved off and released there", {{on, true}, {off, true}, {off, false}}, 0},
  };
  for (const Case& c : cases) {
    handler->followed.clear();
    pointerSteps = c.steps;
    pointerAt = 0;
    InputEvent press = PressAt(on.x, on.y, kLeft);
    EXPECT_TRUE(LinkText_Click(item, &kTextRect, kCardText, &press, nullptr)) << c.what;
    EXPECT_EQ(handler->followed.size(), c.followed) << c.what;
    if (c.followed) {
      EXPECT_EQ(handler->followed[0], "17-3") << c.what;
    }
  }
  InputEvent beside = PressAt(off.x, off.y, kLeft);
  EXPECT_FALSE(LinkText_Click(item, &kTextRect, kCardText, &beside, nullptr));
  EXPECT_FALSE(LinkText_Click(item, &kTextRect, "plain text", &beside, nullptr));
}

TEST_F(LinkDisplayTest, SourceIndexLiesBeforeOrAfterTheWholeMarkup) {
  // "see " is bytes 0-3, the markup bytes 4-14, " now" from 15.
  struct Case {
    const char* where;
    POINT point;
    int32_t index;
  } cases[] = {
      {"in the prefix", HitAt(kCardPlain, 2), 2},
      {"at the link's start", HitAt(kCardPlain, 4), 4},
      {"near the link's start", HitAt(kCardPlain, 5), 4},
      {"near the link's end", HitAt(kCardPlain, 7), 15},
      {"at the link's end", HitAt(kCardPlain, 8), 15},
      {"after the link", HitAt(kCardPlain, 10), 17},
      {"beyond the end", POINT{290, 6}, 19},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LinkText_SourceIndexAt(item, &kTextRect, kCardText, c.point), c.index) << c.where;
  }
}

TEST_F(LinkDisplayTest, ACaretInsideTheMarkupStandsBeforeTheLink) {
  struct Case {
    int32_t index;
    int32_t plain;
  } cases[] = {{2, 2}, {4, 4}, {9, 4}, {15, 8}, {-2, 0}, {-1, 12}};
  for (const Case& c : cases) {
    POINT caret = LinkText_DrawCaret(item, 0, &kTextRect, kCardText, c.index);
    EXPECT_EQ(caret.x, CaretAt(kCardPlain, c.plain == 12 ? -1 : c.plain).x) << "index " << c.index;
  }
}

TEST_F(LinkDisplayTest, TheLinkMenuOffersWhatTheTextAllows) {
  const uint16_t sep = kPopupSeparator;
  EXPECT_EQ(RunMenu(kCardText, nullptr, -1), (std::vector<uint16_t>{214}));
  T_TextBuf buffer;
  EXPECT_EQ(RunMenu(kCardText, &buffer, -1),
            (std::vector<uint16_t>{213, 214, 216, 217, sep, 730, 731}));
  const char* fileText = "see file=\"C:\\missing\\nothing.txt\" now";
  // The file link's text is longer: the press on plain 5 still lies on it.
  EXPECT_EQ(RunMenu(fileText, nullptr, -1), (std::vector<uint16_t>{214, sep, 732}));
}

// The link menu of a password field neither offers nor runs Cut and Copy: the markup would
// carry the clear text out.
TEST_F(LinkDisplayTest, ThePasswordLinkMenuCopiesNothing) {
  auto* secret = new T_Edit(window, XYWH{10, 10, 300, 40}, 2, false, true);
  secret->linkContext = &context;
  secret->SetPassword(true);
  ClipboardSetText("old", 3, 0);
  auto runCopies = [secret] {
    for (uint16_t command : {kLinkMenuCut, kLinkMenuCopy}) {
      ContextMenuRecord run;
      run.owner = secret;
      run.selector = kMenuSelectorLink;
      run.entry = command;
      secret->ContextMenu(&run, kMenuPhaseRun);
    }
  };
  T_TextBuf buffer;
  EXPECT_EQ(RunMenu(kCardText, &buffer, -1, secret, runCopies),
            (std::vector<uint16_t>{216, 217, kPopupSeparator, 730, 731}));
  EXPECT_EQ(ClipboardText(), "old");
  EXPECT_STREQ(buffer.data, kCardText);
}

TEST_F(LinkDisplayTest, TheLinkMenuCommandsEditTheBuffer) {
  SetLinkEditorOpener(RecordingOpener);
  struct Case {
    const char* command;
    int32_t entry;
    const char* text;
    const char* clipboard;  // null: not looked at
  } cases[] = {
      {"cut", 0, "see  now", "card=\"17-3\""},
      {"copy", 1, kCardText, "card=\"17-3\""},
      {"erase", 2, "see  now", nullptr},
      {"duplicate", 3, "see card=\"17-3\" card=\"17-3\" now", nullptr},
      {"freeze", 6, "see 17-3 now", nullptr},
  };
  for (const Case& c : cases) {
    ClipboardSetText("old", 3, 0);
    T_TextBuf buffer;
    RunMenu(kCardText, &buffer, c.entry);
    EXPECT_STREQ(buffer.data, c.text) << c.command;
    if (c.clipboard) {
      EXPECT_EQ(ClipboardText(), c.clipboard) << c.command;
    }
  }

  editedLink = nullptr;
  T_TextBuf buffer;
  RunMenu(kCardText, &buffer, 5);
  ASSERT_NE(editedLink, nullptr);
  EXPECT_EQ(editedLink->start, 4);
  EXPECT_EQ(editedLink->length, 11);
  EXPECT_EQ(editedLink->editBuffer, &buffer);
}

}  // namespace
