// The component functions window's interactive side over the components window's fixture
// database: the value-axis zoom and its stack, the legend of the curve view, the column drag, the
// display page and the mode-box menu.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "analysis/components/cfunc_legend.h"
#include "analysis/components/cfunc_window.h"
#include "core/owned_text.h"
#include "core/system_beep.h"
#include "tests/analysis/components/window/comps_window_fixture.h"
#include "tests/ui/scripted_pointer.h"
#include "tests/ui/scripted_popup.h"
#include "ui/button.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"
#include "ui/selection_fields.h"
#include "ui/item.h"
#include "ui/chooser.h"
#include "ui/mode_tree.h"
#include "ui/popup_menu.h"
#include "ui/window_utilities.h"

namespace {

int g_beeps = 0;

class CFuncUiTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallFunctionTemplates();
    InstallComponentFunctionsWindow();
    base = comps_test::NewFixtureBase();
    g_beeps = 0;
    SetSystemBeepHook([] { ++g_beeps; });
    // Every zoom track is a plain click: the button is up at the first poll.
    SetZoomTrackInput([](InputEvent* event) { *event = InputEvent{}; });
  }
  void TearDown() override {
    if (window) EventHandler_CloseAndDelete(window, 3);
    SetZoomTrackInput(nullptr);
    SetSystemBeepHook(nullptr);
    delete base;
    SetWindowOpener(kTemplateComponentFunctions, nullptr);
    BoxTest::TearDown();
  }
  // "S" (Sum), "N" (Line count), "M" (Maximum) and the formula "F" = S/N, calculated.
  T_CFunc* Open(int32_t viewMode = 0) {
    T_CFuncTmpl templ(base);
    templ.viewDims.dimension[0] = 0;
    templ.viewMode = viewMode;
    const struct {
      const char* name;
      int32_t method;
    } selections[] = {{"S", kCMethodSum}, {"N", kCMethodLineCount}, {"M", kCMethodMaximum}};
    for (const auto& s : selections) {
      T_CSelectionTmpl* t = templ.AddSelection();
      t->SetName(s.name);
      t->method = s.method;
      t->decimals = 7;
    }
    T_CFormulaTmpl* f = templ.AddFormula();
    f->SetName("F");
    BlockTextAssign(&f->formula, "S/N");
    window = AsCFuncWindow(OpenComponentFunctionsWindow(&templ, nullptr, 0));
    if (window) {
      window->templ = nullptr;
      window->RunCalculation(true, true);
      window->ExpandToDepth(3);
    }
    return window;
  }
  std::string Names() const {
    std::string text;
    for (T_CVariable* v = window->data.variables; v; v = v->next)
      text += std::string(v->name) + " ";
    return text;
  }
  T_CVariable* Variable(const char* name) { return CFuncFindVariable(&window->data, name); }
  std::vector<uint16_t> MenuOf(ModeNode* node) {
    window->modeBox->SelectNode(node);
    ContextMenuRecord record;
    record.phase = kMenuPhaseList;
    EXPECT_TRUE(window->OnModeboxMenu(window->modeBox, &record));
    std::vector<uint16_t> ids;
    for (const uint16_t* p = record.commands.list; p && *p; ++p) ids.push_back(*p);
    return ids;
  }
  bool RunMenu(int64_t entry) {
    ContextMenuRecord record;
    record.phase = kMenuPhaseRun;
    record.entry = entry;
    return window->OnModeboxMenu(window->modeBox, &record);
  }

  T_Base* base = nullptr;
  T_CFunc* window = nullptr;
};

TEST(CFuncZoomStack, KeepsThirtyTwoRangesDroppingTheOldestAndNoRepeats) {
  CFuncZoomStack stack;
  for (int32_t i = 0; i < 33; ++i) stack.Push(ValueRange{0, 1.0 + i});
  ASSERT_EQ(stack.Count(), kCFuncZoomDepth);
  EXPECT_EQ(stack.At(0).largest, 2.0);  // the first push went
  stack.Push(ValueRange{0, 33.0});      // equal to the top
  EXPECT_EQ(stack.Count(), kCFuncZoomDepth);
  ValueRange range;
  for (int32_t i = 33; i >= 2; --i) {
    ASSERT_TRUE(stack.Pop(&range));
    EXPECT_EQ(range.largest, i);
  }
  EXPECT_FALSE(stack.Pop(&range));
}

TEST(CFuncZoomStack, PixelSpansBecomeRangesAndNarrowRangesAreRefused) {
  // Area 100..420: 316 pixels for the range, starting at 102 (at 418 when mirrored).
  const struct {
    ValueRange shown;
    bool mirrored;
    int32_t from, to;
    ValueRange expected;
  } cases[] = {
      {{0, 100}, false, 102, 418, {0, 100}}, {{0, 100}, false, 102, 260, {0, 50}},
      {{-50, 50}, false, 260, 418, {0, 50}}, {{0, 100}, true, 418, 260, {0, 50}},
      {{0, 100}, true, 102, 260, {50, 100}},
  };
  for (const auto& c : cases) {
    const ValueRange r = CFuncSpanRange(100, 420, c.shown, c.mirrored, c.from, c.to);
    EXPECT_NEAR(r.smallest, c.expected.smallest, 1e-9) << c.from << " " << c.mirrored;
    EXPECT_NEAR(r.largest, c.expected.largest, 1e-9) << c.from << " " << c.mirrored;
  }
  EXPECT_FALSE(CFuncZoomRefused(ValueRange{0, 1}));
  EXPECT_FALSE(CFuncZoomRefused(ValueRange{-1e6, 1e6}));
  EXPECT_TRUE(CFuncZoomRefused(ValueRange{1e6, 1e6 + 1}));
  EXPECT_TRUE(CFuncZoomRefused(ValueRange{1, 1}));
  EXPECT_TRUE(CFuncZoomRefused(ValueRange{0, INFINITY}));
}

TEST_F(CFuncUiTest, ZoomToolsClicksAndTheWheelMoveTheValueRangeOverTheStack) {
  ASSERT_NE(Open(), nullptr);
  window->SetPresentation(4);
  const ValueRange full{window->smallest, window->largest};
  ASSERT_LT(full.smallest, 0);
  const RECT area = window->CurveArea();
  ASSERT_GT(area.right - area.left, 100);
  // A zoom-in click halves the span around the point.
  InputEvent press{};
  press.x = (area.left + area.right) / 2;
  press.y = area.top + 5;
  press.leftButton = press.anyButton = 1;
  window->toolSelector->currentPicture = 4200;
  EXPECT_TRUE(window->ClickGrid(&press));
  EXPECT_NEAR(window->largest - window->smallest, (full.largest - full.smallest) / 2,
              (full.largest - full.smallest) / 100);
  EXPECT_EQ(window->zoom.Count(), 1);
  // The wheel with the flag zooms in too, without it the rows scroll.
  InputEvent wheel = press;
  wheel.control = 1;
  const double before = window->largest - window->smallest;
  EXPECT_TRUE(window->GridWheel(&wheel, 1));
  EXPECT_LT(window->largest - window->smallest, before);
  EXPECT_EQ(window->zoom.Count(), 2);
  wheel.control = 0;
  EXPECT_FALSE(window->GridWheel(&wheel, 1));
  // A zoom-out click goes back one step at a time; at the bottom it beeps.
  window->toolSelector->currentPicture = 4201;
  EXPECT_TRUE(window->ClickGrid(&press));
  EXPECT_TRUE(window->ClickGrid(&press));
  EXPECT_DOUBLE_EQ(window->smallest, full.smallest);
  EXPECT_DOUBLE_EQ(window->largest, full.largest);
  EXPECT_EQ(g_beeps, 0);
  EXPECT_TRUE(window->ClickGrid(&press));
  EXPECT_EQ(g_beeps, 1);
  // A zoom in on a span too narrow for its values is refused with a beep.
  window->smallest = 1e9;
  window->largest = 1e9 + 100;
  EXPECT_FALSE(window->ZoomToSpan(area.left + 2, area.left + 40));
  EXPECT_EQ(g_beeps, 2);
  EXPECT_EQ(window->zoom.Count(), 0);
  // The zoom-back button fits the rows in view; a new calculation empties the stack.
  const RECT button = window->ZoomBackButton();
  press.x = button.left + 2;
  press.y = button.top + 2;
  EXPECT_TRUE(window->ClickGrid(&press));
  EXPECT_EQ(window->zoom.Count(), 1);
  EXPECT_LE(window->smallest, 0);
  EXPECT_LT(window->largest, 1e9);
  window->RunCalculation(true, true);
  EXPECT_EQ(window->zoom.Count(), 0);
  EXPECT_DOUBLE_EQ(window->largest, full.largest);
}

TEST_F(CFuncUiTest, TheOpenNodeToolOnABarShowsItsMenuAndHeaderEditsAskForACalculation) {
  ASSERT_NE(Open(4), nullptr);
  window->SetPresentation(4);
  const RECT area = window->CurveArea();
  // A point on some bar of the top rows.
  POINT on{-1, -1};
  int64_t node = -1;
  T_CVariable* hit = nullptr;
  for (int32_t y = area.top + 1; y < area.top + 60 && !hit; y += 3)
    for (int32_t x = area.left + 1; x < area.right && !hit; x += 2)
      if ((hit = window->BarAtPoint(POINT{x, y}, &node))) on = POINT{x, y};
  ASSERT_NE(hit, nullptr);
  EXPECT_GE(node, 0);
  int32_t menus = 0;
  std::vector<ui_test::PopupStep> steps = {[&](PopupInput* input) {
    ++menus;
    input->event.keyCode = kKeyEscape;
  }};
  SetItemPointerSource(ui_test::ScriptedPointer);
  window->toolSelector->currentPicture = kCFuncToolOpenNode;
  // Released over the bar: the bar's variable is chosen and its menu shows.
  for (const bool over : {true, false}) {
    ui_test::SetPopupScript(&steps);
    ui_test::SetScript({{on.x, over ? on.y : area.bottom + 40, false}});
    InputEvent press{};
    press.x = on.x;
    press.y = on.y;
    press.leftButton = press.anyButton = 1;
    EXPECT_TRUE(window->ClickGrid(&press));
    EXPECT_EQ(window->current, hit);
    EXPECT_EQ(menus, 1) << over;
  }
  ui_test::SetPopupScript(nullptr);
  SetItemPointerSource(nullptr);
  // Typing in a selection's header field enables Calc; "Show" takes the colour frame along.
  window->SelectVariable(Variable("S"));
  window->RunCalculation(true, true);
  ASSERT_FALSE(window->CalcButtonEnabled());
  ASSERT_NE(window->header.fromField, nullptr);
  window->OnEditEvent(window->header.fromField, kEditChanged);
  EXPECT_TRUE(window->CalcButtonEnabled());
  auto frames = [&](uint32_t id) {
    int32_t n = 0;
    for (int32_t i = 0; i < window->panelItemCount; ++i) {
      auto* item = dynamic_cast<T_Item*>(window->panelItems[i]);
      n += item && item->id == id;
    }
    return n;
  };
  EXPECT_EQ(frames(kCFuncGraphicFrame), 1);
  T_Checkbox* show = nullptr;
  for (int32_t i = 0; i < window->panelItemCount && !show; ++i)
    show = dynamic_cast<T_Checkbox*>(window->panelItems[i]);
  ASSERT_NE(show, nullptr);
  show->Press();
  EXPECT_EQ(Variable("S")->shown, 0);
  EXPECT_EQ(frames(kCFuncGraphicFrame), 0);
  show->Press();
  EXPECT_EQ(frames(kCFuncGraphicFrame), 1);
}

TEST_F(CFuncUiTest, ASelectionPageShowsAndEditsNotesValuesAndSubset) {
  ASSERT_NE(Open(), nullptr);
  auto* s = static_cast<T_CSelection*>(Variable("S"));
  Selection_setNotesPattern(&s->selection, "late*");
  Selection_setValueCondition(&s->selection, ">5", 0);
  window->SelectVariable(s);
  const SelectionHeader& h = window->header;
  ASSERT_NE(h.notesField, nullptr);
  ASSERT_NE(h.subsetField, nullptr);
  ASSERT_NE(h.valueFields[0], nullptr);
  T_TextBuf text;
  h.notesField->GetText(&text);
  EXPECT_STREQ(text.data, "late*");
  h.valueFields[0]->GetText(&text);
  EXPECT_STREQ(text.data, ">5");
  EXPECT_EQ(h.subsetField->combination, Selection_Combination(&s->selection));
  EXPECT_EQ(h.notesField->y, h.lineTextField->y + kHeaderRowPitch);
  window->RunCalculation(true, true);
  ASSERT_FALSE(window->CalcButtonEnabled());
  h.notesField->SetTextNotify("early*");
  Selection_Pattern(&s->selection, kHeaderNotes, &text);
  EXPECT_STREQ(text.data, "early*");
  EXPECT_TRUE(window->CalcButtonEnabled());
  window->SetCalcButtonEnabled(false);
  window->OnEditEvent(h.notesField, kEditChanged);
  EXPECT_TRUE(window->CalcButtonEnabled());
  // The fields go with the page.
  window->SelectVariable(Variable("F"));
  EXPECT_EQ(h.notesField, nullptr);
  EXPECT_EQ(h.subsetField, nullptr);
  EXPECT_EQ(h.valueFields[0], nullptr);
}

TEST_F(CFuncUiTest, VariablePagesFitTheDefaultWidthWithoutOverlaps) {
  // The formula page in the table and the curve view, a selection page in the table view.
  for (const int32_t view : {0, 4, -1}) {
    ASSERT_NE(Open(std::max(view, 0)), nullptr);
    window->SelectVariable(Variable(view < 0 ? "S" : "F"));
    T_GrafElement* page = window->modeItem;
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(window->width, 685);
    // The page's items, a frame with its title above it, in the page's coordinates.
    std::vector<RECT> rects;
    for (T_GrafElement* e = page->firstChild; e; e = e->next) {
      RECT r{e->offsetX - page->offsetX, e->offsetY - page->offsetY, 0, 0};
      r.right = r.left + e->width;
      r.bottom = r.top + e->height;
      if (dynamic_cast<T_Frame*>(e)) r.top -= 15;
      rects.push_back(r);
    }
    ASSERT_GE(rects.size(), 6u);
    for (size_t i = 0; i < rects.size(); ++i) {
      const RECT& a = rects[i];
      EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= page->width && a.bottom <= page->height)
          << view << " item " << i << " at " << a.left << "," << a.top << " to " << a.right << ","
          << a.bottom;
      for (size_t j = i + 1; j < rects.size(); ++j) {
        RECT both;
        EXPECT_FALSE(IntersectRect(&both, &a, &rects[j])) << view << " items " << i << ", " << j;
      }
    }
    EventHandler_CloseAndDelete(window, 3);
    window = nullptr;
  }
}

TEST_F(CFuncUiTest, TheLegendFollowsTheCurveViewAndWrapsLongTitles) {
  // A window that opens in the curve view has its legend at once.
  ASSERT_NE(Open(4), nullptr);
  ASSERT_NE(window->labels, nullptr);
  EXPECT_EQ(window->labels->entries.size(), window->data.shownList.size());
  EventHandler_CloseAndDelete(window, 3);
  ASSERT_NE(Open(), nullptr);
  const int32_t numericTitle = window->titleHeight;
  window->SetPresentation(4);
  ASSERT_NE(window->labels, nullptr);
  EXPECT_EQ(window->labels->entries.size(), window->data.shownList.size());
  EXPECT_FALSE(window->fieldTitlesShown);
  EXPECT_EQ(window->labels->height, 21);
  EXPECT_EQ(window->titleHeight, 21);
  // Long titles wrap the entries into rows 13 pixels apart, and the title row grows with them.
  for (T_CVariable* v = window->data.variables; v; v = v->next)
    BlockTextAssign(&v->title, "A rather long column title for the legend");
  window->BuildFields();
  EXPECT_GT(window->labels->height, 21);
  EXPECT_EQ((window->labels->height - 15) % 13, 0);
  EXPECT_EQ(window->titleHeight, window->labels->height);
  const RECT& last = window->labels->entries.back().rect;
  EXPECT_LT(last.top + 14, window->labels->height + 1);
  // A click on a swatch selects its variable.
  T_CFuncLabels::Entry& second = window->labels->entries[1];
  InputEvent press{};
  press.x = second.rect.left + 3;
  press.y = second.rect.top + 3;
  press.leftButton = press.anyButton = 1;
  window->labels->MouseDown(&press, window->labels);
  EXPECT_EQ(window->current, second.field->variable);
  // Back in the numeric view the legend goes and the titles get their height back.
  window->SetPresentation(0);
  EXPECT_EQ(window->labels, nullptr);
  EXPECT_TRUE(window->fieldTitlesShown);
  EXPECT_EQ(window->titleHeight, numericTitle);
  for (T_BoxField* f = window->firstField; f; f = f->next)
    EXPECT_EQ(f->title.bottom, numericTitle - 1);
}

TEST_F(CFuncUiTest, DraggingAColumnTitleMovesTheVariableAndItsCells) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_EQ(Names(), "S N M F ");
  std::vector<double> sums, maxima;
  for (int64_t n = 0; n < window->nodeCount; ++n) {
    sums.push_back(window->CellValue(n, Variable("S")));
    maxima.push_back(window->CellValue(n, Variable("M")));
  }
  auto* s = static_cast<T_CFuncField*>(Variable("S")->field);
  auto* m = static_cast<T_CFuncField*>(Variable("M")->field);
  InputEvent press{};
  press.x = (s->title.left + s->title.right) / 2;
  press.y = 5;
  press.leftButton = press.anyButton = 1;
  // Dropped between "M" and "F": just after "M".
  const int32_t drop = m->title.right + 2;
  ui_test::SetScript({{press.x + 10, 5, true}, {drop, 5, true}, {drop, 5, false}});
  window->ClickFieldTitle(&press, s);
  EXPECT_EQ(Names(), "N M S F ");
  EXPECT_EQ(window->current, Variable("S"));
  EXPECT_FALSE(window->CalcButtonEnabled());
  for (int64_t n = 0; n < window->nodeCount; ++n) {
    const double v = window->CellValue(n, Variable("S"));
    EXPECT_TRUE(v == sums[static_cast<size_t>(n)] ||
                (std::isnan(v) && std::isnan(sums[static_cast<size_t>(n)])));
    const double w = window->CellValue(n, Variable("M"));
    EXPECT_TRUE(w == maxima[static_cast<size_t>(n)] ||
                (std::isnan(w) && std::isnan(maxima[static_cast<size_t>(n)])));
  }
  // Onto the last column: to the end of the list; onto the labels column: before the first.
  window->MoveColumn(Variable("N"), Variable("F")->field
                                        ? static_cast<T_BoxField*>(Variable("F")->field)
                                        : nullptr);
  EXPECT_EQ(Names(), "M S F N ");
  window->MoveColumn(Variable("F"), window->labelsField);
  EXPECT_EQ(Names(), "F M S N ");
  // A press that does not move drops nothing.
  ui_test::SetScript({{press.x, 5, false}});
  window->ClickFieldTitle(&press, static_cast<T_BoxField*>(Variable("M")->field));
  EXPECT_EQ(Names(), "F M S N ");
}

TEST_F(CFuncUiTest, TheDisplayPageSortsSpacesAndStylesTheView) {
  ASSERT_NE(Open(), nullptr);
  window->SelectModeById(kCFuncModeDisplay);
  ASSERT_EQ(window->mode, kCFuncModeDisplay);
  ASSERT_EQ(window->openPanelPage, kCFuncDisplayPage);
  auto choose = [&](uint32_t id, int64_t index) {
    ChooserEvent record;
    record.code = kChooserChosen;
    record.index = index;
    return window->DisplayChooserEvent(id, nullptr, &record);
  };
  // Sorting by "S" (item 1) in the first value order puts the larger sum first at the top level,
  // and the sort marker shows on its column.
  ASSERT_TRUE(choose(5348, 1));
  EXPECT_EQ(window->sortVariable, Variable("S"));
  ASSERT_TRUE(choose(5349, 0));
  std::vector<double> tops;
  for (int64_t row = 0; row < window->rowCount; ++row) {
    const int64_t node = window->RowNode(row);
    if (node > 0 && window->Node(node)->level == 1)
      tops.push_back(window->CellValue(node, Variable("S")));
  }
  ASSERT_GE(tops.size(), 2u);
  EXPECT_GE(tops[0], tops[1]);
  EXPECT_NE(static_cast<T_CFuncField*>(Variable("S")->field)->markerPicture, 0u);
  // A presentation setting of the current variable shows at once, without a calculation.
  window->SelectVariable(Variable("S"));
  ASSERT_TRUE(choose(5342, 1));
  EXPECT_EQ(Variable("S")->sublevels, 1);
  EXPECT_FALSE(window->CalcButtonEnabled());
  // Spacing sets the row height; the bar style and the bar option belong to the curve view.
  ASSERT_TRUE(choose(5353, 3));
  EXPECT_EQ(window->GetRowHeight(0), 24);
  ASSERT_TRUE(choose(5352, 4));
  EXPECT_EQ(window->barStyle, 4);
  EXPECT_TRUE(window->DisplayCheckbox(5354, true));
  EXPECT_EQ(window->barOption, 1);
  // The vertical grid-line choice is kept apart for each view.
  window->verticalGridLines = 1;
  window->SetPresentation(4);
  EXPECT_EQ(window->verticalGridLines, 0);
  window->SetPresentation(0);
  EXPECT_EQ(window->verticalGridLines, 1);
}

TEST_F(CFuncUiTest, TheModeBoxMenuOffersWhatTheItemAllows) {
  ASSERT_NE(Open(), nullptr);
  ModeNode* overview = window->modeBox->FindNode(kCFuncItemOverview);
  ASSERT_NE(overview, nullptr);
  constexpr uint16_t kSep = kPopupSeparator;
  EXPECT_EQ(MenuOf(overview),
            (std::vector<uint16_t>{214, 215, kSep, 4713, 5372, kSep, 3146, 3147}));
  EXPECT_EQ(MenuOf(static_cast<ModeNode*>(Variable("S")->modeItem)),
            (std::vector<uint16_t>{213, 214, 215, 216, 217, kSep, 4713, 5372, kSep, 3143, 3144,
                                   3145, 3146, 3147}));
  EXPECT_EQ(MenuOf(static_cast<ModeNode*>(Variable("F")->modeItem)),
            (std::vector<uint16_t>{213, 214, 215, 216, 217, kSep, 4713, 5372, kSep, 3146, 3147}));
  auto* f = static_cast<T_CFormula*>(Variable("F"));
  BlockTextAssign(&f->text, "");
  EXPECT_EQ(MenuOf(static_cast<ModeNode*>(f->modeItem)),
            (std::vector<uint16_t>{213, 214, 215, 216, 217, kSep, 4713, 5372}));
  // The entries run on the variable of the item: duplicate, then erase the copy.
  MenuOf(static_cast<ModeNode*>(Variable("M")->modeItem));
  EXPECT_TRUE(RunMenu(217));
  EXPECT_EQ(window->data.selectionCount, 4);
  T_CVariable* copy = window->data.variables;
  while (copy->next) copy = copy->next;
  EXPECT_EQ(Names(), "S N M F " + std::string(copy->name) + " ");
  EXPECT_EQ(static_cast<T_CSelection*>(copy)->method, kCMethodMaximum);
  MenuOf(static_cast<ModeNode*>(copy->modeItem));
  EXPECT_TRUE(RunMenu(216));
  EXPECT_EQ(Names(), "S N M F ");
  MenuOf(overview);
  EXPECT_TRUE(RunMenu(5372));
  EXPECT_EQ(window->data.formulaCount, 2);
  // Delete typed in the mode box erases the variable of the item; elsewhere it does not.
  window->SelectVariable(Variable("M"));
  InputEvent key{};
  key.keyCode = kKeyDelete;
  EXPECT_FALSE(window->KeyDown(&key, window));
  EXPECT_NE(Variable("M"), nullptr);
  EXPECT_TRUE(window->KeyDown(&key, window->modeBox));
  EXPECT_EQ(Variable("M"), nullptr);
}

}  // namespace
