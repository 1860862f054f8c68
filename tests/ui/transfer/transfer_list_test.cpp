// Transfer lists, the tracking of the element under a drag and the delivery of dropped data
// after the current message.
#include <gtest/gtest.h>

#include "transfer_fixture.h"
#include "ui/main_loop.h"

namespace {

TEST(TransferList, NewEntriesGoInFrontAndEmptyOnesAreIgnored) {
  TransferList list;
  DragData_Init(&list);
  EXPECT_TRUE(DragData_Add(&list, kTransferText, "a\rb"));
  EXPECT_TRUE(DragData_Add(&list, kTransferText, ""));
  EXPECT_TRUE(DragData_Add(&list, kTransferText, nullptr));
  EXPECT_TRUE(DragData_AddBytes(&list, kTransferPrivate, "xyz", 2));
  EXPECT_TRUE(DragData_AddBytes(&list, kTransferPrivate, "xyz", 0));
  EXPECT_TRUE(DragData_AddFile(&list, kTransferFile, "C:\\f.qeb"));
  EXPECT_TRUE(DragData_AddFile(&list, kTransferFile, ""));
  EXPECT_EQ(Describe(&list), "4:C:\\f.qeb|2:xy|1:a\rb");

  struct Case {
    uint32_t mask;
    const char* found;  // null: none
  } cases[] = {{kTransferText, "a\rb"},
               {kTransferText | kTransferPrivate, "xy"},
               {kTransferAnyFile, "C:\\f.qeb"},
               {kTransferFiles, nullptr},
               {0, nullptr}};
  for (const Case& c : cases) {
    TransferItem* item = FindTransferItem(&list, c.mask);
    if (!c.found) {
      EXPECT_EQ(item, nullptr) << c.mask;
    } else {
      ASSERT_NE(item, nullptr) << c.mask;
      EXPECT_STREQ(item->path ? item->path->data : item->text.data, c.found);
    }
  }
  DragData_Free(&list);
  EXPECT_EQ(list.first, nullptr);
}

TEST(TransferList, FileNamesComeFromThePathOrTheText) {
  TransferList list;
  DragData_Init(&list);
  DragData_Add(&list, kTransferText, "not a file");
  DragData_Add(&list, kTransferFiles, "D:\\as text.qex");
  DragData_AddFile(&list, kTransferFile, "C:\\old.qeb");
  TransferItem* file = list.first;
  ASSERT_TRUE(TransferItem_SetPath(file, "C:\\new.qeb"));  // replaces the path it held
  T_TextBuf path;
  EXPECT_TRUE(TransferItemPath(file, &path));
  EXPECT_STREQ(path.data, "C:\\new.qeb");
  EXPECT_TRUE(TransferItemPath(file->next, &path));
  EXPECT_STREQ(path.data, "D:\\as text.qex");
  EXPECT_FALSE(TransferItemPath(file->next->next, &path));
  EXPECT_STREQ(path.data, "");
  EXPECT_FALSE(TransferItemPath(nullptr, &path));
  DragData_Free(&list);
}

// root holds a (with a1 and a2) and b; no application above it.
struct DragTree {
  Log log;
  T_Recorder root{nullptr, 0, 0, 400, 400, "root", &log};
  T_Recorder* a = new T_Recorder(&root, 0, 0, 100, 100, "a", &log);
  T_Recorder* a1 = new T_Recorder(a, 0, 0, 10, 10, "a1", &log);
  T_Recorder* a2 = new T_Recorder(a, 20, 0, 10, 10, "a2", &log);
  T_Recorder* b = new T_Recorder(&root, 200, 0, 100, 100, "b", &log);
  ~DragTree() { DragTrack(nullptr, 0); }
};

TEST(DragTracking, OnlyThePartsOfThePathsThatDifferHearOfAMove) {
  DragTree tree;
  struct Step {
    T_EventHandler* target;
    Log expected;
  } steps[] = {
      {tree.a1, {"root 0/5", "a 0/5", "a1 0/5"}},  // outermost first
      {tree.a1, {"a1 1/5"}},
      {tree.a2, {"a1 3/5", "a2 0/5"}},         // siblings: the common parent hears nothing
      {tree.b, {"a2 3/5", "a 3/5", "b 0/5"}},  // deepest first
      {tree.a, {"b 3/5", "a 0/5"}},
      {tree.a1, {"a1 0/5"}},  // into a child of the target
      {tree.a, {"a1 3/5"}},   // back out of it: a itself was never left
      {nullptr, {"a 3/5", "root 3/5"}},
  };
  for (const Step& step : steps) {
    tree.log.clear();
    DragTrack(step.target, 5);
    EXPECT_EQ(tree.log, step.expected);
    EXPECT_EQ(DragTarget(), step.target);
    EXPECT_EQ(DragTracking(), step.target != nullptr);
  }
}

TEST(DragTracking, DropNoticeMakesTheTargetThePendingDropTarget) {
  DragTree tree;
  DragTrack(tree.a2, 1);
  tree.log.clear();
  DropNotice();
  DragTrack(nullptr, 1);
  EXPECT_EQ(tree.log, (Log{"a2 2/0", "a2 3/1", "a 3/1", "root 3/1"}));
  EXPECT_EQ(PendingDropTarget(), tree.a2);
  delete tree.a;  // the pending target goes with its parent: the root takes its place
  EXPECT_EQ(PendingDropTarget(), &tree.root);
}

TEST(DragTracking, ADestroyedTargetHandsTheTrackingToItsParent) {
  DragTree tree;
  DragTrack(tree.a1, 1);
  delete tree.a1;
  EXPECT_EQ(DragTarget(), tree.a);
  DragTrack(tree.a2, 1);
  delete tree.a;  // the target's parent: a2 goes with it, and nobody is left pointing at either
  EXPECT_EQ(DragTarget(), &tree.root);
  tree.log.clear();
  DragTrack(nullptr, 1);
  EXPECT_EQ(tree.log, (Log{"root 3/1"}));
}

using DroppedDataDelivery = TransferWindowTest;

TransferList* FileList(const char* path) {
  TransferList* list = TransferList_New();
  DragData_AddFile(list, kTransferFile, path);
  return list;
}

TEST_F(DroppedDataDelivery, GoesToTheDropTargetOrOpensTheFile) {
  left->accepts = true;
  struct Case {
    T_EventHandler* target;
    Log expected;
  } cases[] = {
      {left, {"left took 1:text|4:C:\\a.qeb"}},
      {right, {"open 0 C:\\a.qeb"}},  // declined all the way up: the file opens
      {nullptr, {"open 0 C:\\a.qeb"}},
  };
  for (const Case& c : cases) {
    DragTrack(c.target, kTransferFile);
    DropNotice();
    DragTrack(nullptr, kTransferFile);
    TransferList* list = FileList("C:\\a.qeb");
    DragData_Add(list, kTransferText, "text");
    TransferList_Queue(list);
    log.clear();
    AfterMessageWork();
    EXPECT_EQ(log, c.expected);
    EXPECT_EQ(app->droppedData, nullptr);
    EXPECT_EQ(PendingDropTarget(), nullptr);
  }
}

TEST_F(DroppedDataDelivery, WaitsWhileADragIsTrackedAndOpensEveryFileAfter) {
  for (const char* path : {"C:\\1.qeb", "C:\\2.qeb", "C:\\3.qeb"})
    TransferList_Queue(FileList(path));
  DragTrack(right, kTransferFile);
  AfterMessageWork();
  EXPECT_NE(app->droppedData, nullptr);
  DropNotice();
  DragTrack(nullptr, kTransferFile);
  log.clear();
  AfterMessageWork();
  EXPECT_EQ(
      log, (Log{"open 0 C:\\3.qeb", "open 0 C:\\2.qeb", "open 0 C:\\1.qeb"}));  // last queued first
}

TEST(DroppedDataQueue, WithoutAnApplicationAListIsFreedAtOnce) {
  ASSERT_EQ(App(), nullptr);
  TransferList_Queue(FileList("C:\\x.qeb"));  // nothing to hold it: freed, not leaked or kept
  TransferList_Queue(nullptr);
}

}  // namespace
