// The component functions window's formula field, its "»" commands, the data links of its web
// pages, what change notes ask of it, and its printed definition and legend.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/components/cfunc_definition.h"
#include "analysis/components/cfunc_drill.h"
#include "analysis/components/cfunc_legend.h"
#include "analysis/components/cfunc_formula_edit.h"
#include "analysis/components/components_template.h"
#include "analysis/time/lines_template.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/link_rename.h"
#include "database/web_request.h"
#include "ui/database_services.h"
#include "ui/event_record.h"
#include "ui/popup_menu.h"
#include "tests/analysis/components/cfunc/cfunc_window_fixture.h"
#include "tests/ui/scripted_popup.h"

namespace {

using cfunc_test::CFuncWindowTest;

class CFuncCommandsTest : public CFuncWindowTest {
 protected:
  void SetUp() override {
    CFuncWindowTest::SetUp();
    InstallLinesTemplate();
    InstallCompsTemplate();
  }
  // Selections "Sales" (Sum) and "S" (Line count), the formula "F" = Sales / S * level and
  // "G" = F + 1, and "E" without a text.
  T_CFunc* OpenVariables() {
    return Open([&](T_CFuncTmpl* t) {
      AddSelection(t, "Sales", kCMethodSum);
      AddSelection(t, "S", kCMethodLineCount);
      AddSelection(t, "T", kCMethodMaximum);
      for (auto [name, text] : {std::pair{"F", "Sales/S*level"}, {"G", "F+1"}, {"E", ""}}) {
        T_CFormulaTmpl* f = t->AddFormula();
        f->SetName(name);
        BlockTextAssign(&f->formula, text);
      }
    });
  }
  T_CVariable* Variable(const char* name) { return CFuncFindVariable(&window->data, name); }
  // The formula field of a formula's header.
  T_CFormulaEdit* FormulaEdit(const char* name) {
    window->SelectVariable(Variable(name));
    for (int32_t i = 0; i < window->panelItemCount; ++i) {
      if (auto* edit = dynamic_cast<T_CFormulaEdit*>(window->panelItems[i])) return edit;
    }
    return nullptr;
  }
  static std::vector<int32_t> Commands(const ContextMenuRecord& record) {
    std::vector<int32_t> ids;
    for (uint16_t id : record.commands.entries) {
      if (id) ids.push_back(id);
    }
    return ids;
  }
  static std::string TextOf(T_Edit* edit) {
    T_TextBuf text;
    edit->GetText(&text);
    return text.data;
  }
  static std::string Written(const T_OStream& stream) {
    return std::string(reinterpret_cast<const char*>(stream.start), stream.BufferedLength());
  }
};

TEST_F(CFuncCommandsTest, TheFormulaFieldWidensTokensToNamesAndOperators) {
  ASSERT_TRUE(OpenVariables());
  T_CFormulaEdit* edit = FormulaEdit("F");
  ASSERT_NE(edit, nullptr);
  edit->SetText("Sales*2 + S# - max(Sales!,3)");
  struct Case {
    int32_t caret;
    const char* token;
  } cases[] = {
      {2, "Sales"},   // inside a name
      {0, "Sales"},   // at its start; "S" inside the word is no token
      {10, "S"},      // a name followed by a suffix
      {11, "#"},      // the suffix
      {6, "*2"},      // back to the operator, on over the number
      {21, "Sales"},  // inside a name before "!"
      {16, "max("},   // a function name and what starts no token after it
  };
  for (const Case& c : cases) {
    int32_t start = c.caret, length = 0;
    edit->FindToken(&start, &length);
    EXPECT_EQ(std::string("Sales*2 + S# - max(Sales!,3)").substr(static_cast<size_t>(start),
                                                                  static_cast<size_t>(length)),
              c.token)
        << c.caret;
  }
}

TEST_F(CFuncCommandsTest, ThePopupsInsertNamesOperatorsAndSuffixesAtTheCaret) {
  ASSERT_TRUE(OpenVariables());
  T_CFormulaEdit* edit = FormulaEdit("F");
  ASSERT_NE(edit, nullptr);
  // Popup 1: the selections, a separator, the formulas; the edited formula is not selectable.
  EXPECT_EQ(edit->EntryCount(kFormulaPopupNames), 7);
  EXPECT_EQ(edit->NameEntryOf("sales", 5), 0);
  edit->popupMode = kPopupModeToken;
  ContextMenuRecord record;
  edit->ContextMenu(&record, kMenuPhaseList);
  EXPECT_EQ(record.entry, 7);
  record.entry = 3;  // the separator
  edit->ContextMenu(&record, kMenuPhaseMeasure);
  EXPECT_TRUE(record.separator);
  record = ContextMenuRecord{};
  record.entry = 4;  // "F" itself
  edit->ContextMenu(&record, kMenuPhaseMeasure);
  EXPECT_EQ(record.selectable, 0);
  edit->SetText("1+");
  edit->SetSelection(2, 0);
  record.entry = 1;
  edit->ContextMenu(&record, kMenuPhaseRun);
  EXPECT_EQ(TextOf(edit), "1+S");
  // Popup 2: the formula menu, then the built-ins; "!" and "#" go exactly at the caret, so that
  // they form a selection's derived names.
  edit->popupMode = kPopupModeOperator;
  edit->ContextMenu(&record, kMenuPhaseList);
  ASSERT_GT(record.entry, 40);
  std::vector<std::string> inserted;
  for (int64_t e = 40; e < record.entry; ++e) {
    T_TextBuf text, hint;
    edit->EntryText(kFormulaPopupOps, e, &text, &hint);
    inserted.push_back(text.data);
    if (text.length) {
      EXPECT_GT(hint.length, 0) << text.data;
    }
  }
  EXPECT_EQ(inserted, (std::vector<std::string>{"", "year", "month", "day", "weekday",
                                                "quarterday", "yearday", "", "dim", "level",
                                                "dimlevel", "leaf", "", "!", "#"}));
  for (auto [suffix, entry] : {std::pair{"!", 53}, {"#", 54}}) {
    edit->SetText("Sales*S");
    edit->SetSelection(5, 0);
    ContextMenuRecord run;
    run.entry = entry;
    edit->ContextMenu(&run, kMenuPhaseRun);
    EXPECT_EQ(TextOf(edit), std::string("Sales") + suffix + "*S");
  }
}

TEST_F(CFuncCommandsTest, TheVariablesPopupReplacesTheNameUnderTheCaret) {
  ASSERT_TRUE(OpenVariables());
  T_CFormulaEdit* edit = FormulaEdit("F");
  ASSERT_NE(edit, nullptr);
  edit->SetText("Sales*2");
  // "Sales" under the caret comes preselected: the first key down reaches it, the next "S".
  std::vector<ui_test::PopupStep> steps = ui_test::ChooseByKeys(2);
  ui_test::SetPopupScript(&steps);
  InputEvent event{};
  edit->RunPopup(kPopupModeToken, &event, 2, 0);
  ui_test::SetPopupScript(nullptr);
  EXPECT_EQ(edit->popupKind, kFormulaPopupNames);
  EXPECT_EQ(edit->chosen, 1);
  EXPECT_EQ(TextOf(edit), "S*2");
}

TEST_F(CFuncCommandsTest, TheContextMenuOnANameIsThatVariablesMenu) {
  ASSERT_TRUE(OpenVariables());
  T_CFormulaEdit* edit = FormulaEdit("G");
  ASSERT_NE(edit, nullptr);
  edit->SetText("Sales*2+E+F");
  edit->popupMode = kPopupModeMenu;
  struct Case {
    int32_t caret;
    std::vector<int32_t> commands;
  } cases[] = {
      {2, {3143, 3144, 3145, 3146, 3147}},  // a selection
      {10, {3146, 3147}},                   // a formula with a text
      {8, {}},                              // a formula without one: the edit menu
      {6, {}},                              // a number
  };
  for (const Case& c : cases) {
    edit->SetSelection(c.caret, 0);
    ContextMenuRecord record;
    edit->ContextMenu(&record, kMenuPhaseList);
    const bool variableMenu = edit->popupKind == kCFormulaPopupVariable;
    EXPECT_EQ(variableMenu, !c.commands.empty()) << c.caret;
    if (variableMenu) {
      EXPECT_EQ(Commands(record), c.commands) << c.caret;
    }
  }
}

TEST_F(CFuncCommandsTest, TimeFunctionsTakeTheVariableAndAllItUsesWithConstantsAtTheNode) {
  ASSERT_TRUE(OpenVariables());
  const int64_t node = NodeOf("11");
  ASSERT_GE(node, 0);
  T_Template* made = CFuncOpenTemplate(window, kCFuncOpenTimeFunctions, Variable("G"), node);
  T_TFuncTmpl* t = AsTimeFunctionsTemplate(made);
  ASSERT_NE(t, nullptr);
  std::string names, shown;
  for (T_TVariableTmpl* v = t->variables; v; v = v->next) {
    names += std::string(names.empty() ? "" : ",") + v->name;
    if (v->shown) shown += std::string(shown.empty() ? "" : ",") + v->name;
  }
  EXPECT_EQ(names, "Sales,S,F,G");
  EXPECT_EQ(shown, "F,G");  // the clicked formula and what its own text names
  ASSERT_NE(t->focus, nullptr);
  EXPECT_STREQ(t->focus->name, "G");
  // "level" becomes the node's level; the selections are narrowed to its own lines.
  EXPECT_STREQ(t->FindFormulaByName("F")->formula, "Sales/S*2");
  EXPECT_STREQ(t->FindSelectionByName("Sales")->selection.componentTexts.texts[0], "11!");
  const std::string text = comps_test::WriteTemplate(t);
  EXPECT_NE(text.find("FF\tSales/S*2"), std::string::npos) << text;
  delete made;
}

TEST_F(CFuncCommandsTest, CommandsAreOfferedAndNarrowedByTheVariable) {
  ASSERT_TRUE(OpenVariables());
  int32_t commands[5];
  EXPECT_EQ(CFuncOpenCommands(Variable("Sales"), commands), 5);
  EXPECT_EQ(CFuncOpenCommands(Variable("F"), commands), 2);
  EXPECT_EQ(CFuncOpenCommands(Variable("E"), commands), 0);
  EXPECT_EQ(CFuncOpenCommands(nullptr, commands), 2);
  EXPECT_EQ(CFuncOpenTemplate(window, kCFuncOpenLines, Variable("F"), -1), nullptr);
  // An "Include" selection keeps everything below the node; a leaf has nothing below.
  Variable("S")->sublevels = 1;
  struct Case {
    const char* variable;
    const char* code;
    const char* text;
  } cases[] = {{"Sales", "1", "1!"}, {"S", "1", "1"}, {"Sales", "111", "111"}};
  for (const Case& c : cases) {
    T_Template* made =
        CFuncOpenTemplate(window, kCFuncOpenLines, Variable(c.variable), NodeOf(c.code));
    T_LinesTmpl* lines = AsLinesTemplate(made);
    ASSERT_NE(lines, nullptr);
    EXPECT_STREQ(lines->selection.componentTexts.texts[0], c.text) << c.variable << c.code;
    delete made;
  }
  T_Template* made = CFuncOpenTemplate(window, kCFuncOpenComponents, Variable("S"), -1);
  T_CompsTmpl* comps = AsCompsTemplate(made);
  ASSERT_NE(comps, nullptr);
  EXPECT_TRUE(comps->options.columns[kCompsLines].shown);
  EXPECT_FALSE(comps->options.columns[kCompsPeriod].shown);
  delete made;
  // The overview's component functions carry every variable.
  made = CFuncOpenTemplate(window, kCFuncOpenComponentFunctions, nullptr, -1);
  T_CFuncTmpl* all = AsComponentFunctionsTemplate(made);
  ASSERT_NE(all, nullptr);
  int32_t count = 0;
  for (T_CVariableTmpl* v = all->variables; v; v = v->next) ++count;
  EXPECT_EQ(count, 6);
  delete made;
}

TEST_F(CFuncCommandsTest, WebCellsLinkToTheNodeAndTheVariable) {
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
    AddSelection(t, "Own", kCMethodSum);
    AddSelection(t, "All", kCMethodSum)->cSetting = 1;
    T_CFormulaTmpl* f = t->AddFormula();
    f->SetName("Half");
    BlockTextAssign(&f->formula, "Own/0");
  }));
  BoxWinServices services{};
  services.webSelfUrl = [](T_TextBuf* url) {
    TextBufAssign(url, "qeb.cgi?t=x&sort=A:D");
    return true;
  };
  services.webUserDrills = [] { return true; };
  services.webPicturePath = [](T_TextBuf* path) { TextBufAssign(path, "images/"); };
  SetBoxWinServices(&services);
  SetWebRequestActive(true);
  window->ToggleNode(NodeOf("1"), false, false);
  const int64_t row = window->NodeRow(NodeOf("11"));
  ASSERT_GE(row, 0);
  RowTextPool pool;
  ASSERT_TRUE(pool.Init());
  window->GetRowTexts(&pool, row);
  std::vector<std::string> cells;
  for (T_BoxField* f = window->firstField->next; f; f = f->next) {
    T_OStream stream;
    window->WriteHtmlCell(&stream, row, f);
    cells.push_back(Written(stream));
  }
  SetWebRequestActive(false);
  T_OStream plain;
  window->WriteHtmlCell(&plain, row, window->firstField->next);
  pool.Free();
  // "Exclude" opens the node's own lines ("!"), "Include" everything below it (":"), whatever
  // the tree shows open; the short id names the variable.
  const std::vector<std::string> golden = {
      "<a class=\"data\" href=\"qeb.cgi?t=x&amp;drill=OwnETrJ:n430n43!\">6</a>",
      "<a class=\"data\" href=\"qeb.cgi?t=x&amp;drill=AllCnKG:n430n43:\">1188</a>",
      "<a class=\"data\" href=\"qeb.cgi?t=x&amp;drill=HalfUqKG:n430n43!\">+inf</a>",
  };
  EXPECT_EQ(cells, golden);
  EXPECT_EQ(Written(plain), "6");
  // The page's template opens from the link what the cell holds.
  SetWebRequestActive(true);
  T_CFuncTmpl saved(base);
  window->SaveToTemplate(&saved);
  saved.viewDims = window->live;
  for (auto [value, text] : {std::pair{"OwnETrJ:n430n43!", "11!"}, {"AllCnKG:n430n43:", "11"}}) {
    T_Template* derived = saved.DerivedTemplate(value);
    T_LinesTmpl* lines = AsLinesTemplate(derived);
    ASSERT_NE(lines, nullptr) << value;
    EXPECT_STREQ(lines->selection.componentTexts.texts[0], text) << value;
    if (derived != &saved) delete derived;
  }
  SetWebRequestActive(false);
}

TEST_F(CFuncCommandsTest, ChangeNotesAskForACalculationOnlyWhenTheyChangeValues) {
  struct Case {
    const char* name;
    const char* formula;
    int32_t code;
    int32_t column;
    int32_t variableDecimals;
    int32_t columnDecimals;
    bool needed;
  } cases[] = {
      {"day moved on, formula reads the year", "year*S", kChangeRefresh, 0, 2, 2, true},
      {"day moved on, no date in formulas", "S*2", kChangeRefresh, 0, 2, 2, false},
      {"floating decimals of the variable", "S*2", kChangeDecimals, 0, 7, 2, true},
      {"floating decimals of the column", "S*2", kChangeDecimals, 0, 2, 7, true},
      {"fixed decimals", "S*2", kChangeDecimals, 0, 2, 2, false},
      {"another column", "S*2", kChangeDecimals, 1, 7, 7, false},
      {"a subset calculated, none used", "S*2", kChangeSubsetCalculated, 0, 7, 7, false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
      AddSelection(t, "S", kCMethodSum)->decimals = c.variableDecimals;
      T_CFormulaTmpl* f = t->AddFormula();
      f->SetName("F");
      BlockTextAssign(&f->formula, c.formula);
    }));
    base->decimalsCodes[0] = c.columnDecimals;
    window->data.selections->columnDecimals = c.columnDecimals;
    EXPECT_FALSE(window->CalcButtonEnabled()) << c.name;
    ChangeNote note;
    note.database = base;
    note.code = c.code;
    note.valueColumn = c.column;
    window->OnChange(&note);
    EXPECT_EQ(window->CalcButtonEnabled(), c.needed) << c.name;
  }
}

TEST_F(CFuncCommandsTest, RenamedLinksInTitlesAreRewrittenFromAnyDatabase) {
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) {
    T_CSelectionTmpl* s = AddSelection(t, "S", kCMethodSum);
    BlockTextAssign(&s->title, "see template=\"Sales: Monthly\"");
  }));
  LinkRename rename;
  rename.kind = kRenameTemplate;
  rename.keyword = "template=";
  TextBufAssign(&rename.oldText, "Sales: Monthly");
  TextBufAssign(&rename.newText, "Sales: Weekly");
  ChangeNote note;
  note.database = nullptr;
  note.code = kChangeLinks;
  note.rename = &rename;
  window->OnChange(&note);
  EXPECT_STREQ(window->data.selections->title, "see template=\"Sales: Weekly\"");
  EXPECT_FALSE(window->CalcButtonEnabled());
}

TEST_F(CFuncCommandsTest, PrintedDefinitionMeasuresBothBlocksAndPagesAcross) {
  ASSERT_TRUE(OpenVariables());
  BoxDrawRecord record;
  record.band = RECT{0, 0, 500, 700};
  record.phase = 1;
  window->PrintPart(&record);
  // Selections: title, Name, From, To; formulas: title, Name, Formula.
  EXPECT_EQ(record.height, 12 * 4 + 12 * 3);
  EXPECT_EQ(record.pageCount, 1);
  record.band.right = 300;  // two variables on the first page, two on each later one
  record.pageCount = 0;
  window->PrintPart(&record);
  EXPECT_EQ(record.pageCount, 2);
  // Without formulas there is no formulas block.
  ASSERT_TRUE(Open([&](T_CFuncTmpl* t) { AddSelection(t, "S", kCMethodSum); }));
  const std::vector<FunctionDefinitionTable> tables = CFuncDefinitionTables(&window->data);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].title, "Selections");
}

TEST_F(CFuncCommandsTest, PrintedLegendFitsOrWraps) {
  struct Case {
    std::vector<int32_t> widths;
    int32_t width;
    std::vector<POINT> places;
    int32_t height;
  } cases[] = {
      // 38 + 48 = 86 of 294: the spare width goes into the one gap.
      {{20, 30}, 300, {{3, 0}, {3 + 38 + 30 + (294 - 86 - 30), 0}}, 21},
      // 218 each: the second wraps to the next row.
      {{200, 200}, 300, {{3, 0}, {3, 13}}, 27},
      // Wrapped entries start at multiples of 32.
      {{40, 40, 200}, 300, {{3, 0}, {64, 0}, {3, 13}}, 27},
  };
  for (const Case& c : cases) {
    std::vector<POINT> places;
    EXPECT_EQ(CFuncPrintLegendLayout(c.widths, c.width, &places), c.height);
    ASSERT_EQ(places.size(), c.places.size());
    for (size_t i = 0; i < places.size(); ++i) {
      EXPECT_EQ(places[i].x, c.places[i].x) << i;
      EXPECT_EQ(places[i].y, c.places[i].y) << i;
    }
  }
}

}  // namespace
