// The save setup editor: its SIE chooser entries and height, opening from the menus (one editor
// per setup), the SIE tabs, Install with a unique name and the record it writes, the questions
// on closing, Remove and Delete, and Save As with the working options. Pictures of the pages go
// to the working folder (app_save_setup_*.bmp).
#include <string>
#include <vector>

#include "app/base_window.h"
#include "app/main_menus.h"
#include "app/save_setup_editor.h"
#include "app_fixture.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/object_services.h"
#include "database/opening.h"
#include "database/protection.h"
#include "database/save_setups.h"
#include "database/stored_object_holders.h"
#include "database/templates.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/source_path.h"
#include "tests/ui/window_picture.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/edit_field.h"
#include "ui/menu_model.h"
#include "ui/popup_menu.h"
#include "ui/selection_fields.h"
#include "ui/selection_header.h"

namespace app_test {
namespace {

using ui_test::Capture;
using ui_test::Save;

TEST(SaveSetupEditorLayout, SieEntriesAndHeight) {
  const struct {
    int32_t entry;
    int32_t number;
    const char* text;
  } rows[] = {{0, 0, "-"},
              {1, -2, ""},
              {2, -1, "Konto"},
              {3, -2, ""},
              {4, 1, "1 Kostnadsst\xC3\xA4lle"},
              {6, 3, "3 -reserved-"},
              {13, 10, "10 Faktura"},
              {22, 19, "19 -reserved-"},
              {23, -2, ""},
              {24, 20, "20 -free-"},
              {54, 50, "50 -free-"}};
  for (const auto& r : rows) {
    EXPECT_EQ(SieNumberOfEntry(r.entry), r.number) << r.entry;
    if (r.number != -2) { EXPECT_EQ(SieEntryOfNumber(r.number), r.entry) << r.entry; }
    T_TextBuf text;
    SieEntryText(r.entry, &text);
    EXPECT_STREQ(text.c_str(), r.text) << r.entry;
  }
  EXPECT_EQ(SaveSetupEditorHeight(1, 1, 2000), 222 + 77);
  EXPECT_EQ(SaveSetupEditorHeight(12, 1, 2000), 17 * 12 + 63 + 77);
  EXPECT_EQ(SaveSetupEditorHeight(20, 1, 2000), 18 * 20 + 45 + 77);
  EXPECT_EQ(SaveSetupEditorHeight(1, 20, 2000), 17 * 29 + 77);
  EXPECT_EQ(SaveSetupEditorHeight(32, 1, 400), 379);  // the work area less 21
}

class SaveSetupEditorTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    StartApplication();
    InstallBaseWindows();
    InstallSaveSetupEditor();
  }
  void TearDown() override {
    AppTest::TearDown();
    SetBaseServices(nullptr);
    SetObjectServices(nullptr);
  }
  // Dimension 0 with a key, dimension 1 with an account and one card.
  static T_Base* SmallBase() {
    T_Base* base = NewUntitledDatabase();
    AddComponent(base, 0, "K", "Key", nullptr);
    AddComponent(base, 1, "1910", "Cash", nullptr);
    CardId id{(125u << 9) | (3u << 5) | 1u, 1};
    CreateCard(base, &id);
    return base;
  }
  static int32_t Editors() {
    int32_t n = 0;
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow)
      n += w->windowKind == kWindowSaveSetup && !w->onCloseList;
    return n;
  }
  static void Close(T_SaveSetupEditor* editor, bool expected) {
    EXPECT_EQ(EventHandler_RequestClose(editor, 0), expected);
    DeferredCloseDestroyAll();
  }
  static std::string Record(const SaveSetup* setup) {
    T_OStream out;
    WriteSaveSetupRecord(setup, &out);
    return std::string(reinterpret_cast<const char*>(out.start), out.BufferedLength());
  }
};

TEST_F(SaveSetupEditorTest, MenusOpenOneEditorPerSetup) {
  T_Base* base = SmallBase();
  ASSERT_TRUE(base->IsCommandEnabled(2505));
  ASSERT_TRUE(base->DoCommand(2505));
  ASSERT_EQ(Editors(), 1);
  auto* fresh = dynamic_cast<T_SaveSetupEditor*>(FindWindowOfKind(kWindowSaveSetup, base));
  ASSERT_NE(fresh, nullptr);
  EXPECT_STREQ(fresh->Title(), "Save Setup");
  EXPECT_EQ(fresh->width, 424);
  EXPECT_EQ(fresh->currentPage, kPageFormat);
  Save(Capture(fresh), "app_save_setup_format.bmp");

  SaveSetup* setup = SaveSetupCreate(base, "Monthly");
  CurrentObjectServices().openSaveSetupEditor(base, setup);
  CurrentObjectServices().openSaveSetupEditor(base, setup);
  EXPECT_EQ(Editors(), 2);  // the second choice brought the first forward
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, setup);
  EXPECT_STREQ(editor->Title(), "Monthly");
  EXPECT_NE(editor, fresh);
}

TEST_F(SaveSetupEditorTest, SieRetitlesTheSecondTabAndEditsItsOwnModes) {
  T_Base* base = SmallBase();
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, nullptr);
  editor->SetKind(kSaveKindSie);
  TabEvent sections = Tab_Describe(editor->tab, kPageSections);
  EXPECT_STREQ(sections.text, "SIE");
  EXPECT_FALSE(Tab_Describe(editor->tab, kPageTemplates).enabled);
  EXPECT_FALSE(Tab_Describe(editor->tab, kPageRearrange).enabled);
  EXPECT_TRUE(Tab_Describe(editor->tab, kPageCards).enabled);
  Save(Capture(editor), "app_save_setup_sie_format.bmp");
  Tab_Select(editor->tab, kPageSections);
  Save(Capture(editor), "app_save_setup_sie.bmp");

  Tab_Select(editor->tab, kPageDimensions);
  ASSERT_NE(editor->componentChoosers[1], nullptr);
  ASSERT_NE(editor->sieChoosers[1], nullptr);
  EXPECT_EQ(editor->sieChoosers[1]->current, 2);  // the accounts: "Konto"
  editor->componentChoosers[1]->SetSelection(kDimSaveNone, kSelectReport);
  EXPECT_EQ(editor->options.sieComponentModes[1], kDimSaveNone);
  EXPECT_EQ(editor->options.dimensionModes[1], kDimSaveAll);
  editor->sieChoosers[1]->SetSelection(SieEntryOfNumber(6), kSelectReport);
  EXPECT_EQ(editor->options.sieDimensionNumbers[1], 6);
  Save(Capture(editor), "app_save_setup_sie_dimensions.bmp");

  editor->SetKind(kSaveKindContainer);
  EXPECT_STREQ(Tab_Describe(editor->tab, kPageSections).text, "Sections");
  EXPECT_EQ(editor->sieChoosers[1], nullptr);
  for (int32_t page = kPageFormat; page < kSaveSetupPageCount; ++page) {
    Tab_Select(editor->tab, page);
    EXPECT_EQ(editor->currentPage, page);
    Save(Capture(editor), ("app_save_setup_page" + std::to_string(page) + ".bmp").c_str());
  }
}

TEST_F(SaveSetupEditorTest, SectionsDefaultAndClear) {
  T_Base* base = SmallBase();
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, nullptr);
  Tab_Select(editor->tab, kPageSections);
  auto button = [&](uint32_t id) {
    for (int32_t i = 0; i < editor->pageItemCount; ++i) {
      auto* b = dynamic_cast<T_Button*>(editor->pageItems[i]);
      if (b && b->id == id) return b;
    }
    return static_cast<T_Button*>(nullptr);
  };
  ASSERT_NE(button(kClearSectionsId), nullptr);
  editor->OnButton(button(kClearSectionsId));
  for (uint8_t flag : editor->options.sections) EXPECT_EQ(flag, 0);
  editor->OnButton(button(kDefaultSectionsId));
  EXPECT_EQ(editor->options.sections[kSectionCards], 1);
  EXPECT_EQ(editor->options.sections[kSectionProtection], 0);  // the database has none
}

TEST_F(SaveSetupEditorTest, InstallMakesTheNameUniqueAndWritesARecordThatReadsBackEqual) {
  T_Base* base = SmallBase();
  SaveSetupCreate(base, "Year");
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, nullptr);
  editor->options.kind = kSaveKindSie;
  BlockTextAssign(&editor->options.sieCompanyName, "Acme AB");
  editor->options.sieDimensionNumbers[1] = 6;
  editor->options.sections[kSectionMacros] = 0;
  Tab_Select(editor->tab, kPageInstall);
  ASSERT_NE(editor->nameEdit, nullptr);
  EXPECT_FALSE(editor->installButton->enabled);
  EXPECT_FALSE(editor->removeButton->enabled);
  editor->nameEdit->SetText("  year\tend ");
  editor->OnButton(editor->installButton);
  ASSERT_NE(editor->setup, nullptr);
  EXPECT_STREQ(editor->setup->name, "year end");  // the TAB blanked, the blanks trimmed
  EXPECT_STREQ(editor->Title(), "year end");

  editor->nameEdit->SetText("YEAR");
  editor->OnButton(editor->installButton);
  EXPECT_STREQ(editor->setup->name, "YEAR 1");  // "Year" is taken
  EXPECT_TRUE(editor->removeButton->enabled);

  const std::string record = Record(editor->setup);
  EXPECT_NE(record.find("##SaveSetup\tYEAR 1\r\nFS\r\n"), std::string::npos) << record;
  EXPECT_NE(record.find("RC\tAcme AB"), std::string::npos) << record;
  EXPECT_NE(record.find("RD2\t6"), std::string::npos) << record;
  T_IStream in;
  in.CtorFromMemory(record.data(), static_cast<int64_t>(record.size()));
  in.NextLine();  // the header
  // Read back into a setup of its own, it writes the same record.
  SaveSetup copy;
  copy.database = base;
  copy.name = editor->setup->name;
  SaveOptionsInit(&copy.options, base);
  ReadSaveSetupLines(&copy.options, &in);
  EXPECT_EQ(Record(&copy), record);
  EXPECT_STREQ(copy.options.sieCompanyName, "Acme AB");
  SaveOptionsFree(&copy.options);

  // An installed, unchanged editor closes without a question.
  Close(editor, true);
  EXPECT_TRUE(user.asked.empty());
  EXPECT_NE(FindSaveSetup(base, "YEAR 1"), nullptr);
}

TEST_F(SaveSetupEditorTest, ClosingAsksOnlyAboutChangesAndFollowsTheAnswer) {
  T_Base* base = SmallBase();
  // A new editor without a name asks nothing, whatever changed.
  T_SaveSetupEditor* fresh = OpenSaveSetupEditor(base, nullptr);
  fresh->options.kind = kSaveKindText;
  Close(fresh, true);
  EXPECT_TRUE(user.asked.empty());
  EXPECT_EQ(base->saveSetups, nullptr);

  // Named and changed: 3205 with the typed name; "Add" stores it.
  fresh = OpenSaveSetupEditor(base, nullptr);
  fresh->options.kind = kSaveKindText;
  Tab_Select(fresh->tab, kPageInstall);
  fresh->nameEdit->SetText("Text copy");
  user.press[3205] = {714};
  Close(fresh, true);
  ASSERT_EQ(user.Messages(), std::vector<int32_t>{3205});
  EXPECT_NE(user.asked[0].text.find("Text copy"), std::string::npos) << user.asked[0].text;
  SaveSetup* setup = FindSaveSetup(base, "Text copy");
  ASSERT_NE(setup, nullptr);
  EXPECT_EQ(setup->options.kind, kSaveKindText);

  const struct {
    int32_t answer;
    bool closes;
    int32_t kind;    // of the setup afterwards
    int32_t setups;  // in the database afterwards
  } rows[] = {
      {701, false, kSaveKindText, 1},    // Cancel: the window stays
      {713, true, kSaveKindText, 1},     // Don't Change
      {712, true, kSaveKindBrowser, 1},  // Change
      {714, true, kSaveKindText, 2},     // Add: a further setup, the edited one kept
  };
  for (const auto& r : rows) {
    // Back to one setup of kind 5 before each case.
    while (base->saveSetups && base->saveSetups->next) SaveSetupDelete(base->saveSetups->next);
    base->saveSetups->options.kind = kSaveKindText;
    user.asked.clear();
    T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, base->saveSetups);
    editor->options.kind = kSaveKindBrowser;
    user.press[3203] = {r.answer};
    Close(editor, r.closes);
    ASSERT_EQ(user.Messages(), std::vector<int32_t>{3203}) << r.answer;
    EXPECT_NE(user.asked[0].text.find("Text copy"), std::string::npos);
    EXPECT_EQ(user.asked[0].buttons, (std::vector<int32_t>{712, 701, 713, 714}));
    EXPECT_EQ(FindSaveSetup(base, "Text copy")->options.kind, r.kind) << r.answer;
    int32_t n = 0;
    for (SaveSetup* s = base->saveSetups; s; s = s->next) ++n;
    EXPECT_EQ(n, r.setups) << r.answer;
    if (!r.closes) { EXPECT_TRUE(EventHandler_RequestClose(editor, kCloseSilently)); }
    DeferredCloseDestroyAll();
  }
  EXPECT_NE(FindSaveSetup(base, "Text copy 1"), nullptr);
}

TEST_F(SaveSetupEditorTest, RemoveKeepsAnUnnamedEditorAndDeleteAsksFirst) {
  T_Base* base = SmallBase();
  SaveSetup* first = SaveSetupCreate(base, "First");
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, first);
  Tab_Select(editor->tab, kPageInstall);
  editor->OnButton(editor->removeButton);
  EXPECT_EQ(base->saveSetups, nullptr);
  EXPECT_EQ(editor->setup, nullptr);
  EXPECT_STREQ(editor->Title(), "Save Setup");
  EXPECT_EQ(editor->nameEdit->GetTextLength(), 0);
  EXPECT_EQ(Editors(), 1);
  Close(editor, true);  // unnamed: nothing asked
  EXPECT_TRUE(user.asked.empty());

  SaveSetup* second = SaveSetupCreate(base, "Second");
  editor = OpenSaveSetupEditor(base, second);
  user.press[3208] = {kButtonCancel};
  EXPECT_TRUE(editor->DoCommand(2506));
  EXPECT_EQ(base->saveSetups, second);
  user.press[3208] = {718};
  EXPECT_TRUE(base->DoCommand(2506));  // the database's entry reaches the editor
  DeferredCloseDestroyAll();
  EXPECT_EQ(base->saveSetups, nullptr);
  EXPECT_EQ(Editors(), 0);
  ASSERT_EQ(user.asked.size(), 2u);
  EXPECT_NE(user.asked[1].text.find("Second"), std::string::npos);

  // Deleted from elsewhere, the editor forgets its setup.
  SaveSetup* third = SaveSetupCreate(base, "Third");
  editor = OpenSaveSetupEditor(base, third);
  SaveSetupDelete(third);
  EXPECT_EQ(editor->setup, nullptr);
}

TEST_F(SaveSetupEditorTest, DeleteIsOfferedOnlyWhileAStoredSetupIsEdited) {
  T_Base* base = SmallBase();
  RebuildDatabaseMenus(base);
  auto state = [](T_HWindow* active) {
    App()->UpdateCommands();
    if (active) active->UpdateCommands();
    T_MenuItem* entry = MenuItem_FindCommand(MenuRoot(), 2506);
    return entry != nullptr && entry->enabled;
  };
  EXPECT_TRUE(base->IsCommandEnabled(2506));  // the database can run it on an editor
  EXPECT_FALSE(state(nullptr));               // but without one the entry stays off
  T_SaveSetupEditor* fresh = OpenSaveSetupEditor(base, nullptr);
  EXPECT_FALSE(state(fresh));
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, SaveSetupCreate(base, "Monthly"));
  EXPECT_TRUE(state(editor));
  Close(editor, true);
  Close(fresh, true);
  EXPECT_FALSE(state(nullptr));
}

TEST_F(SaveSetupEditorTest, TheCardsPageHoldsEverySelectionField) {
  T_Base* base = SmallBase();
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, nullptr);
  ASSERT_NE(editor, nullptr);
  Tab_Select(editor->tab, kPageCards);
  const SelectionHeader& h = editor->header;
  ASSERT_NE(h.notesField, nullptr);
  ASSERT_NE(h.subsetField, nullptr);
  ASSERT_NE(h.valueFields[h.shownColumns[0]], nullptr);
  // The rows stand below each other on the page, the subset after the value rows.
  EXPECT_EQ(h.notesField->y, h.lineTextField->y + kHeaderRowPitch);
  EXPECT_EQ(h.valueFields[h.shownColumns[0]]->y, h.notesField->y + kHeaderRowPitch);
  EXPECT_EQ(h.subsetField->y, h.valueFields[h.shownColumns[0]]->y + kHeaderRowPitch);
  // The notes condition reaches the editor's selection.
  T_TextBuf typed("late*");
  editor->OnEditText(&typed, h.notesField);
  T_TextBuf pattern;
  Selection_Pattern(&editor->selection, kHeaderNotes, &pattern);
  EXPECT_STREQ(pattern.c_str(), "late*");
  Save(Capture(editor), "app_save_setup_cards.bmp");
  Close(editor, true);
}

TEST_F(SaveSetupEditorTest, SaveAsWritesOnlyWhatTheOptionsSay) {
  ScratchFolder folder;
  T_Base* base = SmallBase();
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, nullptr);
  SaveOptionsClearSections(&editor->options);
  editor->options.sections[kSectionDimensions] = 1;
  editor->options.kind = kSaveKindText;
  const std::string target = folder / "Dimensions only";
  FileDialogAnswerInAdvance(target.c_str());
  ASSERT_TRUE(editor->SaveAs()) << PendingError.request.message;
  EXPECT_EQ(base->cardCount, 1);
  EXPECT_NE(base->untitledNumber, 0u);  // the database keeps its own name

  T_Base* copy = openDatabase((target + ".qex").c_str(), nullptr, 0);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->cardCount, 0);
  EXPECT_TRUE(copy->HasSubComponents(1));

  // A cancelled dialog saves nothing.
  FileDialogAnswerInAdvance(nullptr);
  EXPECT_FALSE(editor->SaveAs());
  PendingErrorClear();
}

TEST_F(SaveSetupEditorTest, ATextTargetOfAProtectedDatabaseWarnsAndAsksForThePassword) {
  ScratchFolder folder;
  T_Base* base = SmallBase();
  SetProtectionPassword(base->protection, "secret");
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, nullptr);
  editor->options.kind = kSaveKindText;
  editor->options.sections[kSectionProtection] = 1;
  const std::string target = folder / "Protected.qex";
  user.press[4012] = {kButtonCancel};
  FileDialogAnswerInAdvance(target.c_str());
  EXPECT_FALSE(editor->SaveAs());
  ASSERT_EQ(user.Messages(), std::vector<int32_t>{4012});
  EXPECT_NE(user.asked[0].text.find("Do you still want to save it as is?"), std::string::npos)
      << user.asked[0].text;
  EXPECT_EQ(user.asked[0].buttons, (std::vector<int32_t>{709, 701}));

  user.press[4012] = {709};
  PasswordAnswerInAdvance("wrong");
  EXPECT_FALSE(editor->SaveAs());  // the password must agree
  PendingErrorClear();
  user.press[4012] = {709};
  PasswordAnswerInAdvance("secret");
  EXPECT_TRUE(editor->SaveAs());
  EXPECT_NE(ReadWholeFile(target).find("##Protection"), std::string::npos);
  FileDialogAnswerInAdvance(nullptr);
}

TEST_F(SaveSetupEditorTest, TheTemplateFilterMenuInsertsATemplatePath) {
  T_Base* base = openDatabase(TestSourcePath("examples/Example.qeb").c_str(), nullptr, 0);
  ASSERT_NE(base, nullptr);
  T_SaveSetupEditor* editor = OpenSaveSetupEditor(base, nullptr);
  Tab_Select(editor->tab, kPageTemplates);
  T_EditTmplFilter* filter = nullptr;
  for (int32_t i = 0; i < editor->pageItemCount; ++i) {
    if (auto* f = dynamic_cast<T_EditTmplFilter*>(editor->pageItems[i])) filter = f;
  }
  ASSERT_NE(filter, nullptr);
  ContextMenuRecord record;
  filter->ContextMenu(&record, kMenuPhaseList);
  ASSERT_GT(record.entry, 0);
  T_TextBuf path;
  base->rootTemplate->NextBelow(base->rootTemplate)->GetPath(&path);
  record.entry = 0;
  filter->ContextMenu(&record, kMenuPhaseRun);
  T_TextBuf text;
  filter->GetText(&text);
  EXPECT_STREQ(text.c_str(), path.c_str());
  editor->TakeFilter();
  EXPECT_STREQ(editor->options.templateNameFilter, path.c_str());
}

}  // namespace
}  // namespace app_test
