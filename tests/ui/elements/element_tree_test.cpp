// The element tree without native windows: hit tests, notifications, bubbling, the deferred
// close, hover codes, moving and the popup command list.
#include <gtest/gtest.h>

#include "test_element.h"
#include "ui/window.h"

namespace {

using Log = std::vector<std::string>;

// root 200 x 100 with a frame: content (5, 5, 195, 95); a (10, 10, 50 x 40) holds a1 (5, 5, 10 x
// 10) and has a 5-pixel frame; b (40, 20, 50 x 50) overlaps a behind it.
struct Tree {
  T_TestElement root{nullptr, 0, 0, 200, 100, "root"};
  T_TestElement* a = new T_TestElement(&root, 10, 10, 50, 40, "a");
  T_TestElement* a1 = new T_TestElement(a, 5, 5, 10, 10, "a1");
  T_TestElement* b = new T_TestElement(&root, 40, 20, 50, 50, "b");
  Tree() {
    root.content = {5, 5, 195, 95};
    a->content = {5, 5, 45, 35};
    for (T_TestElement* e : {&root, a, a1, b}) e->visible = 1;
  }
};

TEST(ElementHitTest, FindsTheFrontMostElementAndLeavesThePointInIt) {
  struct Case {
    POINT point;
    const char* hit;
    POINT local;
  } cases[] = {
      {{2, 2}, "root", {2, 2}},       // the root's own frame
      {{100, 90}, "root", {100, 90}}, // inside, over no child
      {{16, 16}, "a1", {1, 1}},
      {{11, 11}, "a", {1, 1}},        // a's frame: a wins, not its children
      {{45, 25}, "a", {35, 15}},      // a and b overlap: a is linked first
      {{80, 60}, "b", {40, 40}},
  };
  Tree tree;
  for (const Case& c : cases) {
    POINT p = c.point;
    auto* hit = static_cast<T_TestElement*>(GrafElement_HitTest(&tree.root, &p));
    EXPECT_EQ(hit->name, c.hit) << c.point.x << "," << c.point.y;
    EXPECT_EQ(p.x, c.local.x);
    EXPECT_EQ(p.y, c.local.y);
  }
  tree.a->visible = 0;
  POINT p{45, 25};
  EXPECT_EQ(GrafElement_HitTest(&tree.root, &p), tree.b);
}

TEST(ElementTree, TopmostChildStaysInFront) {
  T_TestElement root(nullptr, 0, 0, 100, 100, "root");
  auto* top = new T_TestElement(&root, 0, 0, 10, 10, "top");
  top->topmost = 1;
  auto* first = new T_TestElement(&root, 0, 0, 10, 10, "first");
  UnlinkChild(first);
  LinkChildBehindTopmost(&root, first);
  auto* second = new T_TestElement(&root, 0, 0, 10, 10, "second");
  UnlinkChild(second);
  LinkChildBehindTopmost(&root, second);
  EXPECT_EQ(root.firstChild, top);
  EXPECT_EQ(top->next, second);
  EXPECT_EQ(second->next, first);
  EXPECT_EQ(root.firstChild->previous, first);  // the first child's previous is the last child
}

TEST(ElementNotify, CodesBelowSixteenClimbAndBroadcastsOnlyDescend) {
  Log log;
  T_TestElement root(nullptr, 0, 0, 100, 100, "root", &log);
  auto* child = new T_TestElement(&root, 0, 0, 10, 10, "child", &log);
  new T_TestElement(&root, 0, 0, 10, 10, "closed", &log);  // never opened: hears nothing
  root.opened = 1;
  child->opened = 1;

  child->Notify(kNotifyBackColour);
  EXPECT_EQ(log, (Log{"child notify 7", "root from child 7"}));
  log.clear();
  root.Notify(kNotifyLanguage);
  EXPECT_EQ(log, (Log{"root notify 18", "child notify 18"}));
  log.clear();
  root.Notify(kNotifyEnabled);
  EXPECT_EQ(log, (Log{"root notify 4", "child from parent 4"}));
  log.clear();
}

TEST(ElementEvents, UnhandledMouseClimbsWithThePointInEachParent) {
  Log log;
  Tree tree;
  tree.root.log = tree.a->log = tree.a1->log = &log;
  InputEvent event;
  event.x = 3;
  event.y = 4;
  EXPECT_FALSE(tree.a1->MouseDown(&event, tree.a1));
  EXPECT_EQ(log, (Log{"a1 mouse 3,4", "a mouse 8,9", "root mouse 18,19"}));
  EXPECT_EQ(event.x, 3);  // given back unchanged
  log.clear();
  tree.a->handlesMouse = true;
  EXPECT_TRUE(tree.a1->MouseDown(&event, tree.a1));
  EXPECT_EQ(log, (Log{"a1 mouse 3,4", "a mouse 8,9"}));
  tree.root.log = tree.a->log = tree.a1->log = nullptr;
}

TEST(DeferredClose, ParentWithChildrenIsDestroyedOnceAfterTheMessage) {
  Log log;
  auto* parent = new T_TestElement(nullptr, 0, 0, 100, 100, "parent", &log);
  auto* child = new T_TestElement(parent, 0, 0, 10, 10, "child", &log);
  auto* other = new T_TestElement(nullptr, 0, 0, 10, 10, "other", &log);
  EXPECT_TRUE(EventHandler_RequestClose(child, 0));
  EXPECT_TRUE(EventHandler_RequestClose(parent, 0));
  EXPECT_TRUE(EventHandler_RequestClose(parent, 0));  // twice: listed once
  other->refuseClose = true;
  EXPECT_FALSE(EventHandler_RequestClose(other, 0));
  EXPECT_TRUE(log.empty());  // nothing is destroyed while the message is handled

  DeferredCloseDestroyAll();
  EXPECT_EQ(log, (Log{"destroyed parent", "destroyed child"}));
  EXPECT_EQ(DeferredCloseFirst(), nullptr);
  other->log = nullptr;
  delete other;
}

TEST(ElementHover, EnteringMovingAndLeavingGiveZeroOneTwo) {
  Log log;
  T_TestElement a(nullptr, 0, 0, 10, 10, "a", &log);
  T_TestElement b(nullptr, 0, 0, 10, 10, "b", &log);
  InputEvent event;
  HoverSetTarget(&event, &a);
  HoverSetTarget(&event, &a);
  HoverSetTarget(&event, &b);
  HoverSetTarget(&event, nullptr);
  EXPECT_EQ(log, (Log{"a hover 0", "a hover 1", "a hover 2", "b hover 0", "b hover 2"}));
}

TEST(ElementGeometry, MovesAndResizesReportOnlyChanges) {
  Log log;
  T_TestElement e(nullptr, 10, 20, 30, 40, "e", &log);
  e.MoveBy(0, 0);
  e.ResizeBy(0, 0);
  EXPECT_TRUE(log.empty());
  e.MoveEdges(-2, 3, 5, 3);  // left and top move, the size grows by (7, 0)
  EXPECT_EQ(log, (Log{"e moved -2,3", "e resized 7,0"}));
  EXPECT_EQ(e.x, 8);
  EXPECT_EQ(e.width, 37);
  EXPECT_EQ(e.content.right, 37);
  EXPECT_EQ(e.previousFrame.left, 10);
  EXPECT_EQ(e.previousFrame.right, 40);
}

TEST(ElementFocus, ClosingTheFocusedItemsAncestorLeavesTheWindowWithoutFocus) {
  RECT rect{20, 20, 200, 100};
  T_Window window(kKindDocument, &rect, 1, nullptr, false);
  auto* group = new T_TestElement(&window, 0, 0, 50, 50, "group");
  auto* item = new T_TestElement(group, 0, 0, 10, 10, "item");
  EXPECT_EQ(item->window, &window);
  window.focusedItem = item;
  group->opened = group->shown = 1;
  EventHandler_CloseElement(group);
  EXPECT_EQ(window.focusedItem, nullptr);
}

TEST(PopupCommands, NeverOverflowTheSixtyFourValues) {
  PopupCommandList list;
  const uint16_t outside[] = {213, 214, 0};
  list.list = outside;
  EXPECT_EQ(PopupMenu_AddCommand(&list, 215, true), 4);  // 213 214 sep 215
  EXPECT_EQ(list.entries[2], kPopupSeparator);
  EXPECT_EQ(PopupMenu_AddCommand(&list, 216, false), 5);
  // With a separator before every id, the values run out before the 62 ids do.
  int32_t stored = 0;
  for (int i = 0; i < 100; ++i) stored = PopupMenu_AddCommand(&list, static_cast<uint16_t>(300 + i), true);
  EXPECT_LE(stored, kPopupListSize - 1);
  EXPECT_EQ(list.entries[stored], 0);
  EXPECT_NE(list.entries[stored - 1], kPopupSeparator);
}

TEST(BackgroundTask, StopWaitsForTheWorkerToFinish) {
  T_TestElement element(nullptr, 0, 0, 10, 10, "worker");
  BackgroundTask task;
  ASSERT_TRUE(BackgroundTaskStart(&task, &element, 7));
  EXPECT_TRUE(task.running.load());
  BackgroundTaskStop(&task);
  EXPECT_FALSE(task.running.load());
}

}  // namespace
