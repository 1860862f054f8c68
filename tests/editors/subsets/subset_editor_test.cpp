// The subset editor: its status line, opening with a calculation, the selections it names and
// erases, pasting, the questions on closing, deleting the subset's lines, and the subset box.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/object_lists.h"
#include "database/object_services.h"
#include "database/subsets.h"
#include "editors/editor_questions.h"
#include "editors/subset_editor.h"
#include "editors/time_scale_editor.h"
#include "tests/editors/editors_fixture.h"
#include "core/memory.h"
#include "ui/clipboard_data.h"
#include "ui/edit_field.h"
#include "ui/item.h"
#include "ui/menu_model.h"
#include "ui/mode_tree.h"
#include "ui/application.h"
#include "ui/native_menu.h"
#include "ui/popup_menu.h"

namespace editors_test {
namespace {

class SubsetEditorTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    group = AddComponent(base, 0, "G", "Group", nullptr)->number;
  }
  void TearDown() override {
    SetObjectServices(nullptr);
    EditorTest::TearDown();
  }

  LineRecord* Line(int32_t day) {
    CardRecord*& card = cards[day];
    if (!card) {
      CardId id{PackDate(2024, 3, day), 1};
      card = CreateCard(base, &id);
    }
    return CreateLine(base, base->FindOrAddGroup(card, group));
  }
  // A database subset whose one selection takes every line.
  Subset* Everything(const char* name) {
    Subset* subset = SubsetCreate(base->subsets, name);
    SubsetAppendItem(subset, "A");
    CombCompile(&subset->combination, "A");
    return subset;
  }
  std::string Status(Subset* subset) {
    T_TextBuf text;
    SubsetStatusText(subset, &text);
    return text.data;
  }
  void Type(T_Edit* field, const char* text) { field->SetTextNotify(text); }
  static std::string Selections(Subset* subset) {
    std::string names;
    SelectionItem* item = subset->firstItem;
    for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next)
      names += std::string(i ? " " : "") + item->name;
    return names;
  }

  int64_t group = 0;
  std::map<int32_t, CardRecord*> cards;
};

TEST_F(SubsetEditorTest, StatusTextsCountLinesAndCards) {
  Subset* subset = Everything("S");
  EXPECT_EQ(Status(subset), "Subset not calculated");
  struct Case {
    std::vector<int32_t> days;  // a line on each day's card
    const char* text;
  };
  const Case cases[] = {
      {{}, "Zero lines in this subset"},
      {{1}, "One line in this subset"},
      {{1, 1}, "3 lines in one card"},  // the line of the case before is still there
      {{2}, "4 lines in 2 cards"},
  };
  for (const Case& c : cases) {
    for (int32_t day : c.days) ASSERT_NE(Line(day), nullptr);
    subset->combination.calculated = 0;
    ASSERT_TRUE(CombCalculate(&subset->combination, nullptr));
    EXPECT_EQ(Status(subset), c.text);
  }
}

TEST_F(SubsetEditorTest, OpeningWithCalculationKeepsOnlyASubsetWithLines) {
  Subset* empty = Everything("Empty");
  EXPECT_EQ(OpenSubsetEditorWindow(empty, kSubsetOpenCalc), nullptr);
  EXPECT_EQ(empty->editor, nullptr);
  Line(1);
  Line(2);
  Subset* full = Everything("Full");
  T_SubsetEditor* editor = OpenSubsetEditorWindow(full, kSubsetOpenCalc);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->lineCount, 2);
  EXPECT_FALSE(editor->IsEmpty());
  EXPECT_EQ(std::string(editor->Title()), "Full");
  // Opened again: the same window.
  EXPECT_EQ(OpenSubsetEditorWindow(full, 0), editor);
  EXPECT_EQ(FindSubsetEditor(full), editor);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
  EXPECT_EQ(full->editor, nullptr);
}

TEST_F(SubsetEditorTest, SelectionNamesAreRefusedOrTaken) {
  Subset* subset = Everything("S");
  SubsetAppendItem(subset, "B");
  T_SubsetEditor* editor = OpenSubsetEditorWindow(subset, 0);
  ASSERT_NE(editor, nullptr);
  editor->SelectModeById(kSubsetModeFirstSelection);
  ASSERT_EQ(editor->page, kSubsetPageSelection);
  ASSERT_NE(editor->selectionNameEdit, nullptr);
  for (const char* refused : {"groups of mine", "CARDSX", "b", "", "unbalanced"}) {
    Type(editor->selectionNameEdit, refused);
    EXPECT_EQ(Selections(subset), "A B") << refused;
  }
  Type(editor->selectionNameEdit, "North");
  EXPECT_EQ(Selections(subset), "North B");
  // The formula follows the rename.
  T_TextBuf text;
  CombPrint(&subset->combination, &text, 0);
  EXPECT_STREQ(text.data, "North");
  EXPECT_TRUE(alerts->asked.empty());
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(SubsetEditorTest, ErasingASelectionInUseIsRefusedAndTheOnlyOneIsReplaced) {
  Subset* subset = Everything("S");
  SubsetAppendItem(subset, "B");
  T_SubsetEditor* editor = OpenSubsetEditorWindow(subset, 0);
  ASSERT_NE(editor, nullptr);
  editor->SelectModeById(kSubsetModeFirstSelection);
  editor->EraseSelection();
  EXPECT_EQ(Asked(), std::vector<int32_t>{4718});
  EXPECT_EQ(Selections(subset), "A B");
  editor->SelectModeById(kSubsetModeFirstSelection + 1);
  editor->EraseSelection();
  EXPECT_EQ(Selections(subset), "A");
  EXPECT_EQ(editor->current, subset->firstItem);  // the previous item is shown

  // The only selection, not named by the formula, gives way to a new one.
  CombCompile(&subset->combination, "");
  editor->SelectModeById(kSubsetModeFirstSelection);
  editor->EraseSelection();
  EXPECT_EQ(subset->itemCount, 1);
  EXPECT_NE(subset->firstItem, nullptr);
  T_TextBuf text;
  CombPrint(&subset->combination, &text, 0);
  EXPECT_STREQ(text.data, subset->firstItem->name);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(SubsetEditorTest, PastingDropsUnusedSelectionsAndReplacesTheFirst) {
  Subset* subset = Everything("S");
  SubsetAppendItem(subset, "Unused");
  T_SubsetEditor* editor = OpenSubsetEditorWindow(subset, 0);
  ASSERT_NE(editor, nullptr);
  const std::string blocks =
      "## Selection\tP\r\nVk\t2401\r\n## Selection\tQ\r\nVY\tRent\r\n";
  // On the "Selections" page: the unused selection goes, the pasted ones are added.
  editor->SelectModeById(kSubsetModeSelections);
  T_IStream in;
  in.CtorFromMemory(blocks.data(), static_cast<int64_t>(blocks.size()));
  EXPECT_EQ(editor->PasteSelections(&in), 2);
  EXPECT_EQ(Selections(subset), "A P Q");
  EXPECT_STREQ(SubsetFindItem(subset, "P")->cardId.text, "2401");

  // With the mode box focused on a selection page, the first block replaces that selection.
  editor->SelectModeById(kSubsetModeFirstSelection + 2);
  Item_SetFocus(editor->modeBox, true);
  T_IStream again;
  again.CtorFromMemory(blocks.data(), static_cast<int64_t>(blocks.size()));
  EXPECT_EQ(editor->PasteSelections(&again), 2);
  // The replaced selection takes the pasted name, made unique (P is taken: Q), so the second
  // block's Q becomes R.
  EXPECT_EQ(Selections(subset), "A P Q R");
  SelectionItem* replaced = SubsetItemAt(subset, 2);
  EXPECT_STREQ(replaced->cardId.text, "2401");
  // Cleared first: the title pattern it had is gone.
  EXPECT_EQ(Selection_patternText(&replaced->selection, kPatternCardTitle), nullptr);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(SubsetEditorTest, TheModeBoxPopupOffersWhatThePageTakes) {
  Subset* subset = Everything("S");
  T_SubsetEditor* editor = OpenSubsetEditorWindow(subset, 0);
  ASSERT_NE(editor, nullptr);
  auto entries = [&] {
    ContextMenuRecord record;
    record.phase = kMenuPhaseList;
    EXPECT_TRUE(editor->OnModeboxMenu(editor->modeBox, &record));
    std::vector<uint16_t> ids;
    for (const uint16_t* id = record.commands.list; id && *id; ++id) {
      if (*id != 0xFFFF) ids.push_back(*id);
    }
    return ids;
  };
  auto run = [&](uint16_t entry) {
    ContextMenuRecord record;
    record.phase = kMenuPhaseRun;
    record.entry = entry;
    EXPECT_TRUE(editor->OnModeboxMenu(editor->modeBox, &record));
  };
  ASSERT_TRUE(ClipboardSetText("no selections here", 18, 0));
  editor->SelectModeById(kSubsetModeSelections);
  EXPECT_EQ(entries(), (std::vector<uint16_t>{kEditMenuCopy, 4713}));
  editor->SelectModeById(kSubsetModeFirstSelection);
  EXPECT_EQ(entries(), (std::vector<uint16_t>{kEditMenuCut, kEditMenuCopy, kEditMenuErase,
                                              kEditMenuDuplicate, 4713}));

  run(4713);  // "New Selection": its page, and the formula names it
  EXPECT_EQ(subset->itemCount, 2);
  EXPECT_EQ(editor->current, SubsetItemAt(subset, 1));
  run(kEditMenuDuplicate);
  EXPECT_EQ(subset->itemCount, 3);
  run(kEditMenuErase);  // the copy, which the formula does not name
  EXPECT_EQ(subset->itemCount, 2);
  // Copied selections make "Paste" appear; it runs the paste command.
  editor->SelectModeById(kSubsetModeFirstSelection);
  run(kEditMenuCopy);
  char* copied = ClipboardReadText();
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(std::string(copied).rfind("## Selection\tA", 0), 0u);
  MemFree(copied);
  std::vector<uint16_t> withPaste = entries();
  EXPECT_NE(std::find(withPaste.begin(), withPaste.end(), kEditMenuPaste), withPaste.end());
  run(kEditMenuPaste);
  EXPECT_EQ(subset->itemCount, 3);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(SubsetEditorTest, ClosingAsksAsTheSubsetRequires) {
  // An unchanged new subset that nobody uses goes without a question.
  Subset* fresh = NewSubset(base);
  ASSERT_NE(fresh, nullptr);
  T_SubsetEditor* editor = FindSubsetEditor(fresh);
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_TRUE(alerts->asked.empty());
  EXPECT_NE(fresh->pendingDelete, nullptr);

  // A changed subset: 3203; "Cancel" keeps the window, "Don't Change" restores the subset.
  Subset* kept = Everything("Kept");
  editor = OpenSubsetEditorWindow(kept, 0);
  ASSERT_NE(editor, nullptr);
  CombCompile(&kept->combination, "");
  alerts->answers = {kButtonCancel};
  EXPECT_FALSE(editor->QueryClose(0));
  alerts->answers = {kButtonDontChange};
  EXPECT_TRUE(editor->QueryClose(0));
  EXPECT_EQ(Asked(), (std::vector<int32_t>{3203, 3203}));
  T_TextBuf text;
  CombPrint(&kept->combination, &text, 0);
  EXPECT_STREQ(text.data, "A");
  EventHandler_CloseAndDelete(editor, 3);

  // A new subset in use: 4705 with "Add" keeps it.
  alerts->asked.clear();
  Subset* used = NewSubset(base);
  Subset* user = Everything("User");
  Selection_andSubset(&user->firstItem->selection, used->name);
  alerts->answers = {kButtonAdd};
  EXPECT_TRUE(FindSubsetEditor(used)->QueryClose(0));
  EXPECT_EQ(Asked(), std::vector<int32_t>{4705});
  EXPECT_EQ(alerts->asked[0].buttons[0], kButtonAdd);
  EXPECT_EQ(used->isNew, 0);
  EXPECT_EQ(used->pendingDelete, nullptr);
  EventHandler_CloseAndDelete(FindSubsetEditor(used), 3);
}

TEST_F(SubsetEditorTest, DeleteDataCalculatesAStaleSetFirstAndNeedsASignature) {
  LineRecord* first = Line(1);
  ASSERT_NE(first, nullptr);
  Subset* subset = Everything("All");
  T_SubsetEditor* editor = OpenSubsetEditorWindow(subset, kSubsetOpenCalc);
  ASSERT_NE(editor, nullptr);
  // A line arrives after the calculation: the set is stale.
  Line(2);
  base->NotifyCode(kChangeCards);
  ObjectServices services{};
  static int stamps = 0;
  services.signatureStamp = [](SignatureStamp* stamp) {
    ++stamps;
    stamp->stamp = 0;  // no signature: nothing is deleted
  };
  SetObjectServices(&services);
  alerts->answers = {kButtonDelete};
  editor->DoCommand(kCommandDeleteData);
  EXPECT_EQ(editor->lineCount, 2);  // calculated anew before anything else
  EXPECT_EQ(stamps, 1);
  EXPECT_EQ(base->lineCount, 2);

  services.signatureStamp = [](SignatureStamp* stamp) {
    ++stamps;
    stamp->stamp = 1;
    stamp->signature[0] = 'X';
  };
  SetObjectServices(&services);
  alerts->answers = {kButtonDelete};
  editor->DoCommand(kCommandDeleteData);
  EXPECT_EQ(stamps, 2);
  EXPECT_EQ(base->lineCount, 0);
  EXPECT_EQ(editor->lineCount, -1);
  EventHandler_CloseAndDelete(editor, 3);
}

TEST_F(SubsetEditorTest, TheSubsetBoxLabelsItsCommandsByTheSelection) {
  SubsetList list;
  SubsetListInit(&list, base, kSubsetListOfWindow);
  SubsetCreate(&list, "One");
  SubsetCreate(&list, "Two");
  // The standard menus, whose entries the box labels.
  NativeMenusInstall();
  ASSERT_NE(Menus(), nullptr);
  Menus()->create();
  auto* box = new T_SubsetBox(recorder, XYWH{5, 5, 100, 60}, 9, &list);
  EXPECT_EQ(box->LineCount(), 2);
  auto label = [](int32_t command) {
    T_MenuItem* entry = StandardEntry(command);
    return std::string(entry ? entry->Title() : "-") + (entry && entry->enabled ? "" : " (off)");
  };
  box->SelectOnly(0);
  app->UpdateCommands();
  box->UpdateCommands();
  EXPECT_EQ(label(kCommandCopy), "&Copy Subset");
  box->SelectAll();
  app->UpdateCommands();
  box->UpdateCommands();
  EXPECT_EQ(label(kCommandCopy), "&Copy Subsets");
  // Duplicating selects the copies.
  box->DuplicateSelected();
  EXPECT_EQ(list.count, 4);
  EXPECT_EQ(box->CountSelected(), 2);
  EXPECT_FALSE(box->IsSelected(0));
  delete box;
  SubsetListFree(&list);
  Menus()->destroy();
  SetMenuOperations(nullptr);
}

}  // namespace
}  // namespace editors_test

namespace editors_test {
namespace {

// A box window's Subsets page lists the window's own subsets in the subset box (item 300).
TEST_F(SubsetEditorTest, ABoxWindowsSubsetsPageListsItsSubsets) {
  T_TScaleEditor* window = OpenTimeScaleEditor(base, nullptr);
  ASSERT_NE(window, nullptr);
  SubsetCreate(&window->subsets, "Mine");
  window->OpenPanelPage(kPanelSubsets);
  T_SubsetBox* box = nullptr;
  for (int32_t i = 0; i < window->panelItemCount; ++i) {
    if (auto* found = dynamic_cast<T_SubsetBox*>(window->panelItems[i])) box = found;
  }
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->id, 300u);
  EXPECT_EQ(box->list, &window->subsets);
  EXPECT_EQ(box->LineCount(), 1);
  window->ClosePanelPage();
  EventHandler_CloseAndDelete(window, 3);
}

}  // namespace
}  // namespace editors_test
