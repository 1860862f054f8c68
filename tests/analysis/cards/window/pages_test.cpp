// The cards window's "Columns" and "Options" pages, the sort-key rows they edit, the busy
// indicator of a calculation and the "» …" entries that open other windows on the selection.
#include <string>

#include "database/change_notes.h"
#include "database/template_runner.h"
#include "tests/analysis/cards/cards_fixture.h"
#include "tests/ui/scripted_pointer.h"
#include "ui/edit_popups.h"
#include "ui/busy_indicator.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/list_box.h"
#include "ui/popup_menu.h"
#include "ui/sort_orders.h"
#include "ui/value_choosers.h"

namespace cards_test {
namespace {

using CardsPages = CardsTest;

T_Item* Find(T_GrafElement* root, uint32_t id) {
  for (T_GrafElement* child = root ? root->firstChild : nullptr; child; child = child->next) {
    auto* item = dynamic_cast<T_Item*>(child);
    if (item && item->id == id) return item;
    if (T_Item* inner = Find(child, id)) return inner;
  }
  return nullptr;
}

// Chooses an entry of a page chooser as the list would report it.
void Choose(T_Cards* window, uint32_t id, int64_t index) {
  auto* chooser = dynamic_cast<T_Chooser*>(Find(window->modeItem, id));
  ASSERT_NE(chooser, nullptr) << id;
  chooser->SetSelection(index, kSelectSilent);
  ChooserEvent record;
  record.code = kChooserChosen;
  record.chooser = chooser;
  record.index = index;
  window->OnChooserEvent(chooser, &record);
}

std::string Described(T_Cards* window, uint32_t id, int64_t index) {
  auto* chooser = dynamic_cast<T_Chooser*>(Find(window->modeItem, id));
  if (!chooser) return "(none)";
  ChooserEvent record;
  record.index = index;
  record.listOpen = 1;
  window->OnChooserEvent(chooser, &record);
  return record.text ? record.text : (record.plain ? "" : "-");
}

int64_t EntryOf(T_Cards* window, int32_t code) {
  int32_t entries[80];
  int32_t n = window->SortFieldEntries(entries);
  for (int32_t i = 0; i < n; ++i)
    if (entries[i] == code) return i;
  return -1;
}

TEST_F(CardsPages, TheOptionsPageEditsTheSortKeysAndContents) {
  T_Cards* window = Open(Template());
  ASSERT_NE(window, nullptr);
  window->OpenCardsPage(2);
  ASSERT_NE(Find(window->modeItem, 400), nullptr);
  EXPECT_EQ(Find(window->modeItem, 401), nullptr);
  // Card fields, dimensions, line text, values: separators between the groups.
  EXPECT_EQ(Described(window, 400, 0), "Card ID");
  EXPECT_EQ(Described(window, 400, 3), "-");
  EXPECT_EQ(Described(window, 410, 1), "Descending");

  // The date descending: the cards come newest first.
  Choose(window, 400, EntryOf(window, kColDate));
  Choose(window, 410, 1);
  EXPECT_EQ(window->options.keys[0].field, kColDate);
  EXPECT_EQ(window->options.keys[0].cardDirection, kSortDescending);
  EXPECT_EQ(window->RowAt(0)->card->title, std::string("Remark"));
  // A value key offers the six value orders.
  Choose(window, 400, EntryOf(window, kColValue1));
  auto* option = dynamic_cast<T_Chooser*>(Find(window->modeItem, 410));
  ASSERT_NE(option, nullptr);
  EXPECT_EQ(option->count, 6);

  // "+" adds a key row once the page is built again; "-" at one key leaves the default key.
  auto* plus = dynamic_cast<T_Button*>(Find(window->modeItem, 420));
  ASSERT_NE(plus, nullptr);
  window->OnButton(plus);
  EXPECT_EQ(window->options.keyCount, 2);
  Application_AfterMessage(app);
  EXPECT_NE(Find(window->modeItem, 401), nullptr);
  // The second row dragged by its grip onto the first.
  auto top = [&](uint32_t id) {
    return Find(window->modeItem, id)->offsetY - window->modeItem->offsetY;
  };
  ui_test::SetScript({{10, top(400) + 6, true}, {10, top(400) + 5, false}});
  InputEvent press;
  press.x = 10;
  press.y = top(401) + 6;
  press.leftButton = press.anyButton = 1;
  EXPECT_TRUE(window->ClickModeItem(&press, window->modeItem));
  EXPECT_EQ(window->options.keys[0].field, kColCardId);
  EXPECT_EQ(window->options.keys[1].field, kColValue1);
  EXPECT_FALSE(window->MoveSortKey(0, 2));
  window->OnButton(Find(window->modeItem, 421));
  window->OnButton(Find(window->modeItem, 421));
  EXPECT_EQ(window->options.keyCount, 1);
  EXPECT_EQ(window->options.keys[0].field, kColCardId);
  for (int32_t k = 1; k < kCardsMaxKeys; ++k) window->AddSortKey();
  Application_AfterMessage(app);
  EXPECT_FALSE(Find(window->modeItem, 420)->enabled);

  // Groups "None": no groups or lines are listed, and "Lines" is disabled.
  Choose(window, 431, kContentsNone);
  EXPECT_EQ(window->options.groupsMode, kContentsNone);
  EXPECT_FALSE(Find(window->modeItem, 432)->enabled);
  window->RunCalculation(true, true);
  EXPECT_EQ(Dump(window), "C Sale one\nC Sale two\nC Purchase\nC Remark\n");
  EXPECT_EQ(Described(window, 432, 1), "Selected");

  auto* grid = dynamic_cast<T_Checkbox*>(Find(window->modeItem, 430));
  ASSERT_NE(grid, nullptr);
  grid->checked = 1;
  window->OnCheckbox(grid);
  EXPECT_EQ(window->options.gridLines, 1u);
}

TEST_F(CardsPages, TheColumnsPageListsShowsAndFormatsFields) {
  T_Cards* window = Open(Template());
  ASSERT_NE(window, nullptr);
  int32_t codes[kCardsFieldCount];
  int32_t n = window->ListedFields(codes);
  // Card id, date, title, the two dimensions in use, line text, two values, notes, signatures.
  ASSERT_EQ(n, 10);
  EXPECT_EQ(codes[3], kColDim0);
  EXPECT_EQ(codes[4], kColDim1);
  EXPECT_EQ(codes[7], kColValue1 + 1);

  window->currentField = kColValue1 + 1;
  window->OpenCardsPage(1);
  auto* list = dynamic_cast<T_Linebox*>(window->fieldList);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->LineCount(), 10);
  EXPECT_TRUE(list->IsSelected(7));
  auto* decimals = dynamic_cast<T_ChooseDecs*>(Find(window->modeItem, 444));
  ASSERT_NE(decimals, nullptr);
  decimals->SelectCode(3);
  ChooserEvent chosen;
  chosen.code = kChooserChosen;
  window->OnChooserEvent(decimals, &chosen);
  EXPECT_EQ(window->options.fields[kColValue1 + 1].decimals, 3);
  Choose(window, 446, kColourModeRedGreen);
  EXPECT_EQ(window->options.fields[kColValue1 + 1].colour, kColourModeRedGreen);
  EXPECT_EQ(Find(window->modeItem, 442), nullptr);  // no date style for a value

  // The list's default action toggles a field; notes shown bring their rows.
  LineboxEvent action;
  action.code = kLineDefaultAction;
  action.index = 8;
  window->OnLineboxEvent(list, &action);
  EXPECT_TRUE(window->options.fields[kColNotes].show);
  EXPECT_NE(window->fields[kColNotes], nullptr);
  EXPECT_TRUE(window->Calculate(false));
  EXPECT_NE(Dump(window).find("\nN"), std::string::npos);
  auto* show = dynamic_cast<T_Checkbox*>(Find(window->modeItem, 441));
  ASSERT_NE(show, nullptr);
  show->checked = 0;
  window->OnCheckbox(show);
  EXPECT_FALSE(window->options.fields[kColValue1 + 1].show);
  EXPECT_EQ(window->fields[kColValue1 + 1], nullptr);

  // Choosing the date in the list shows its date style after the current message.
  LineboxEvent selected;
  selected.code = kLineSelected;
  selected.index = 1;
  selected.flag = 1;
  window->OnLineboxEvent(list, &selected);
  Application_AfterMessage(app);
  EXPECT_EQ(window->currentField, kColDate);
  EXPECT_NE(Find(window->modeItem, 442), nullptr);
}

TEST_F(CardsPages, ACalculationStepsTheBusyIndicatorToItsEnd) {
  T_Cards* window = Open(Template());
  ASSERT_NE(window, nullptr);
  auto* busy = static_cast<T_BusyIndicator*>(window->busyIndicator);
  ASSERT_NE(busy, nullptr);
  EXPECT_EQ(busy->picture, kBusyPictureLast);
  EXPECT_EQ(busy->totalWork, 6);  // every card of the range, listed or not
}

TEST_F(CardsPages, TheSelectionPageOpensACardsWindowOnItsSelection) {
  T_CardsTmpl* templ = Template();
  SelectionDef_setComponentText(&templ->selection, 0, "4010");
  templ->options.fields[kColDate].show = 1;
  T_Cards* window = Open(templ);
  ASSERT_NE(window, nullptr);
  window->OpenCardsPage(0);
  ASSERT_NE(window->header.fromField, nullptr);
  // A change of the list widths builds the page again, its fields showing the selection.
  ChangeNote widths;
  widths.code = kChangeListWidth1;
  widths.database = base;
  window->OnChange(&widths);
  Application_AfterMessage(app);
  EXPECT_EQ(window->currentPage, 0);
  ASSERT_NE(window->header.fromField, nullptr);
  EXPECT_NE(window->header.dimensionFields[0], nullptr);
  // The notes field is a selection field too, though its id is a text id.
  ASSERT_NE(window->header.notesField, nullptr);
  window->SetCalcButtonEnabled(false);
  window->header.notesField->SetTextNotify("late*");
  EXPECT_TRUE(window->CalcButtonEnabled());
  window->header.notesField->SetTextNotify("");
  ContextMenuRecord menu;
  menu.phase = kMenuPhaseList;
  ASSERT_TRUE(window->OnModeboxMenu(window->modeBox, &menu));
  EXPECT_EQ(menu.commands.entries[0], 214);
  // Lines and the function windows wait for their openers.
  EXPECT_TRUE(window->CanOpenRelated(kTemplateCards));
  EXPECT_EQ(window->CanOpenRelated(kTemplateLines), HasWindowOpener(kTemplateLines));
  menu.phase = kMenuPhaseMeasure;
  menu.entry = 3147;
  window->OnModeboxMenu(window->modeBox, &menu);
  EXPECT_EQ(menu.selectable, HasWindowOpener(kTemplateComponentFunctions) ? 1 : 0);

  auto* opened = AsCardsWindow(window->OpenRelatedWindow(kTemplateCards));
  ASSERT_NE(opened, nullptr);
  EXPECT_NE(opened, window);
  EXPECT_TRUE(opened->options.fields[kColDate].show);
  opened->Calculate(true);
  EXPECT_EQ(Dump(opened), Dump(window));
  EXPECT_EQ(Dump(opened).substr(0, 10), "C Purchase");
  EventHandler_CloseAndDelete(opened, 3);
}

}  // namespace
}  // namespace cards_test
