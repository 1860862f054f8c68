// What the function templates do with the database and with requests: which variables a formula
// needs, the drill-down templates of web links (only for a served user with the right), the
// "sort", "axisfrom" and "axisto" parameters, and the marking of used components and lines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/components/function_templates.h"
#include "analysis/components/strux_paths.h"
#include "analysis/time/lines_template.h"
#include "core/bit_vector.h"
#include "core/owned_text.h"
#include "core/short_ids.h"
#include "database/component_lookup.h"
#include "tests/analysis/components/functmpl/functmpl_fixture.h"

namespace functmpl_test {
namespace {

bool drillRight = false;
bool DrillRight() { return drillRight; }

class FunctionDrill : public FuncTest {
 protected:
  void SetUp() override {
    FuncTest::SetUp();
    drillRight = true;
    BoxWinServices services{};
    services.webUserDrills = DrillRight;
    SetBoxWinServices(&services);
    SetWebRequestActive(true);
  }
  // A time-functions template of variables: "S name" a selection, "F name=text" a formula.
  template <typename Template>
  void AddVariables(Template* t, const std::vector<std::string>& variables) {
    for (const std::string& variable : variables) {
      if (variable[0] == 'S') {
        t->AddSelection()->SetName(variable.substr(2).c_str());
      } else {
        size_t eq = variable.find('=');
        auto* f = t->AddFormula();
        f->SetName(variable.substr(2, eq - 2).c_str());
        BlockTextAssign(&f->formula, variable.substr(eq + 1).c_str());
      }
    }
  }
  template <typename Template, typename Formula>
  std::string NeedsOf(Template* t, Formula* f, std::string* named) {
    uint8_t needed[32] = {}, direct[32] = {};
    FormulaNeeds(t, f, needed, direct);
    std::string out;
    named->clear();
    int32_t i = 0;
    for (auto* v = t->variables; v; v = v->next, ++i) {
      if (needed[i]) out += std::string(out.empty() ? "" : ",") + v->name;
      if (direct[i]) *named += std::string(named->empty() ? "" : ",") + v->name;
    }
    return out;
  }
  static std::string Link(const char* name, const char* period) {
    T_TextBuf text;
    AppendVariableShortId(&text, name);
    TextBufAppend(&text, ":");
    TextBufAppend(&text, period);
    return text.data;
  }
  static std::string CardText(PackedDate date, int32_t number, int32_t direction) {
    T_TextBuf text;
    CardId id{date, number};
    AppendCardShortId(&text, &id, direction);
    return text.data;
  }
};

TEST_F(FunctionDrill, FormulaNeedsWhatItsCompiledTextReads) {
  struct Case {
    const char* name;
    std::vector<std::string> variables;
    const char* formula;
    const char* needed;
    const char* named;
  };
  const std::vector<Case> timeCases = {
      // The first "Sales" lies inside "Salesman"; the formula still reads Sales.
      {"Salesman - Sales", {"S Sales", "S Salesman", "F F=Salesman - Sales"}, "F",
       "Sales,Salesman,F", "Sales,Salesman"},
      {"letter case", {"S Sales", "F F=sales*2"}, "F", "Sales,F", "Sales"},
      {"line count", {"S A", "S B", "F F=#A+1"}, "F", "A,F", "A"},
      {"chain", {"S A", "S B", "F G=A+1", "F H=G*2", "F F=H"}, "F", "A,G,H,F", "H"},
      {"itself", {"S A", "F F=F+A"}, "F", "A,F", "A,F"},
      {"digit after", {"S A1", "S A", "F F=A1"}, "F", "A1,F", "A1"},
  };
  for (const Case& c : timeCases) {
    T_TFuncTmpl t(base);
    AddVariables(&t, c.variables);
    std::string named;
    EXPECT_EQ(NeedsOf(&t, t.FindFormulaByName(c.formula), &named), c.needed) << c.name;
    EXPECT_EQ(named, c.named) << c.name;
  }
  // The component family's names: "A!" the total at the top, "A#" the line count.
  T_CFuncTmpl c(base);
  AddVariables(&c, {"S A", "S B", "S C", "F F=A!/B# + 0"});
  std::string named;
  EXPECT_EQ(NeedsOf(&c, c.FindFormulaByName("F"), &named), "A,B,F");
  EXPECT_EQ(named, "A,B");
  EXPECT_EQ(PendingError.request.message, 0);
}

TEST_F(FunctionDrill, IsBuiltOnlyForAServedUserWithTheRight) {
  T_TFuncTmpl t(base);
  AddVariables(&t, {"S Sales", "F Twice=Sales*2"});
  const std::string link = Link("Twice", CardText(PackDate(2024, 3, 1), 0, -1).c_str());
  SetWebRequestActive(false);
  EXPECT_EQ(t.DerivedTemplate(link.c_str()), &t);
  SetWebRequestActive(true);
  drillRight = false;
  EXPECT_EQ(t.DerivedTemplate(link.c_str()), &t);
  drillRight = true;
  T_Template* derived = t.DerivedTemplate(link.c_str());
  ASSERT_NE(derived, &t);
  delete derived;
}

TEST_F(FunctionDrill, BadLinksGiveTheTemplateItself) {
  T_TFuncTmpl t(base);
  AddVariables(&t, {"S Sales", "F Twice=Sales*2"});
  const std::string good = CardText(PackDate(2024, 3, 1), 0, -1);
  const std::vector<std::string> links = {
      "no colon at all",
      Link("Nobody", good.c_str()),
      Link("Twice", ""),
      Link("Twice", "ab"),                         // shorter than a date
      Link("Twice", (good + "!").c_str()),         // a foreign digit
      Link("Twice", (good + "1234567").c_str()),   // a number beyond 31 bits
      Link("Twice", "zzz"),                        // no day
      Link("Twice", (good + "_").c_str()),         // an empty to bound
      std::string("Twice:") + good,                // the name without its short id digits
  };
  for (const std::string& link : links) EXPECT_EQ(t.DerivedTemplate(link.c_str()), &t) << link;
  // Old links wrote the number in more digits than it needs, the extra ones 0: still read.
  std::string old = CardText(PackDate(2024, 3, 1), 5, -1) + "0000000";
  T_Template* derived = t.DerivedTemplate(Link("Twice", old.c_str()).c_str());
  ASSERT_NE(derived, &t);
  T_TFuncTmpl* d = AsTimeFunctionsTemplate(derived);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->from.cardId.date, PackDate(2024, 3, 1));
  EXPECT_EQ(d->from.cardId.sequence, 5);
  delete derived;
}

TEST_F(FunctionDrill, TimeFormulaGivesATimeTemplateOfWhatItNeeds) {
  T_TFuncTmpl* t = ReadT(
      "#T\nsn\tNorth\n"
      "VN\tSales\tSales <b>title</b>\nVD1\t1910\nVM\tSP\nVT\tM+\nVZ\tS+\n"
      "VN\tCost\t\nVF\tB\n"
      "VN\tUnused\t\n"
      "FN\tNet\tNet title\nFF\tSales - Cost\nFG\tB\n"
      "FN\tShare\t\nFF\tNet / Sales\nFG\tB\n"
      "K\t240101\t241231\nPL\tM\n");
  ASSERT_NE(t, nullptr);
  const std::string from = CardText(PackDate(2024, 3, 1), 0, -1);
  const std::string to = CardText(PackDate(2024, 3, 31), 0, 1);
  T_Template* derived = t->DerivedTemplate(Link("Share", (from + "_" + to).c_str()).c_str());
  T_TFuncTmpl* d = AsTimeFunctionsTemplate(derived);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->name, "Share = Net / Sales");
  EXPECT_EQ(d->periodType, 5);  // a part of the template's period keeps its type
  EXPECT_EQ(d->beforeShown, 0);
  EXPECT_EQ(d->from.cardId.date, PackDate(2024, 3, 1));
  EXPECT_EQ(d->to.cardId.date, PackDate(2024, 3, 31));
  EXPECT_EQ(d->to.cardId.sequence, kCardSequenceOpen);
  EXPECT_FALSE(StoredSubsetListEmpty(&d->subsets));
  std::vector<std::string> names;
  for (T_TVariableTmpl* v = d->variables; v; v = v->next) names.push_back(v->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Sales", "Cost", "Net", "Share"}));
  T_TSelectionTmpl* sales = d->FindSelectionByName("Sales");
  EXPECT_EQ(sales->shown, 1);  // named by the formula's own text
  EXPECT_EQ(sales->title, nullptr);
  // By Period: from the clicked date moved back by its shift, then From Start, Totals off.
  EXPECT_EQ(sales->accumulation, 1);
  EXPECT_EQ(sales->totals, 0);
  EXPECT_EQ(sales->selection.from.cardId.date, PackDate(2024, 2, 1));
  EXPECT_EQ(d->FindSelectionByName("Cost")->shown, 0);  // needed through Net only
  EXPECT_EQ(d->FindFormulaByName("Net")->shown, 1);
  EXPECT_EQ(d->FindFormulaByName("Net")->graphStyle, 1);
  EXPECT_EQ(d->focus, d->FindFormulaByName("Share"));
  delete derived;

  // The whole period: Active Cards.
  const std::string all = CardText(PackDate(2024, 1, 1), 0, -1) + "_" +
                          CardText(PackDate(2024, 12, 31), 0, 1);
  derived = t->DerivedTemplate(Link("Net", all.c_str()).c_str());
  d = AsTimeFunctionsTemplate(derived);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->periodType, kPeriodActiveCards);
  EXPECT_STREQ(d->name, "Net title = Sales - Cost");
  EXPECT_EQ(d->FindSelectionByName("Unused"), nullptr);
  delete derived;
  delete t;
}

TEST_F(FunctionDrill, TimeSelectionGivesALinesTemplateOfThePeriod) {
  T_TFuncTmpl* t = ReadT("#T\nVN\tSales\t\nVD1\t1910\nVF\tB\nVM\tMA\n");
  const std::string link = Link("Sales", CardText(PackDate(2024, 5, 6), 0, -1).c_str());
  T_Template* derived = t->DerivedTemplate(link.c_str());
  T_LinesTmpl* lines = AsLinesTemplate(derived);
  ASSERT_NE(lines, nullptr);
  EXPECT_STREQ(lines->name, "Sales");
  EXPECT_EQ(lines->selection.from.cardId.date, PackDate(2024, 5, 6));
  EXPECT_EQ(lines->selection.to.cardId.date, PackDate(2024, 5, 6));
  EXPECT_EQ(lines->selection.to.cardId.sequence, kCardSequenceOpen);
  EXPECT_STREQ(lines->selection.componentTexts.texts[0], "1910");
  EXPECT_EQ(lines->options.accumulated, 1);
  EXPECT_EQ(lines->options.statistics[kStatMaximum], 1);
  delete derived;
  delete t;
}

TEST_F(FunctionDrill, ComponentFormulaGivesAComponentTemplateAndTheFocusOneATimeTemplate) {
  T_CFuncTmpl* c = ReadC(
      "#R\nVN\tA\tA title\nVN\tB\t\nVN\tC\t\nFN\tF\tF title\nFF\tA! - B\nFS\tV\n"
      "PD\t2\t1\n");
  ASSERT_NE(c, nullptr);
  T_TextBuf path;
  WebNodeToken(&path, "P1");  // the first view dimension is the products
  TextBufAppendChar(&path, ':');
  T_Template* derived = c->DerivedTemplate(Link("F", path.data).c_str());
  T_CFuncTmpl* d = AsComponentFunctionsTemplate(derived);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->name, "F title = A! - B");
  EXPECT_EQ(d->viewDims.count, 2);
  std::vector<std::string> names;
  for (T_CVariableTmpl* v = d->variables; v; v = v->next) names.push_back(v->name);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "F"}));
  EXPECT_EQ(d->FindSelectionByName("A")->title, nullptr);
  EXPECT_STREQ(d->FindFormulaByName("F")->title, "F title");
  EXPECT_EQ(d->FindFormulaByName("F")->rule, 4);
  EXPECT_EQ(d->focus, d->FindFormulaByName("F"));
  // Each copied selection is narrowed to the clicked node.
  EXPECT_STREQ(d->FindSelectionByName("B")->selection.componentTexts.texts[1], "P1");
  EXPECT_EQ(c->FindSelectionByName("B")->selection.componentTexts.texts[1], nullptr);

  // In the derived template the formula is the focus: its drill-down is over time.
  T_Template* overTime = d->DerivedTemplate(Link("F", "").c_str());
  T_TFuncTmpl* t = AsTimeFunctionsTemplate(overTime);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->focus, t->FindFormulaByName("F"));
  EXPECT_NE(t->FindSelectionByName("A"), nullptr);
  delete overTime;
  delete derived;
  delete c;
}

TEST_F(FunctionDrill, ComponentSelectionGivesALinesTemplateOfTheClickedNode) {
  T_CFuncTmpl* c = ReadC("#R\nVN\tSales\tSales title\nVF\tB\nVM\tMC\nPD\t1\n");
  ASSERT_NE(c, nullptr);
  T_TextBuf path;
  WebNodeToken(&path, "1910");
  TextBufAppendChar(&path, '!');
  T_Template* derived = c->DerivedTemplate(Link("Sales", path.data).c_str());
  T_LinesTmpl* lines = AsLinesTemplate(derived);
  ASSERT_NE(lines, nullptr);
  EXPECT_STREQ(lines->name, "1910 Sales title");
  EXPECT_STREQ(lines->selection.componentTexts.texts[0], "1910!");
  EXPECT_EQ(lines->options.accumulated, 1);
  EXPECT_EQ(lines->options.statistics[kStatMaximum], 1);
  delete derived;
  // A path naming no component restricts nothing; an unknown variable gives the template.
  derived = c->DerivedTemplate(Link("Sales", "zzzzzzz:").c_str());
  lines = AsLinesTemplate(derived);
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(lines->selection.componentTexts.texts[0], nullptr);
  delete derived;
  EXPECT_EQ(c->DerivedTemplate(Link("Nobody", path.data).c_str()), c);
  delete c;
}

TEST_F(FunctionDrill, SortAndAxisParametersNarrowOnly) {
  T_TFuncTmpl* t = ReadT("#T\nVN\tSales\t\nFN\tMargin\t\nK\t240201\t241130\nSV\tAN\tSales\n");
  ASSERT_NE(t, nullptr);
  t->SetParameter("sort", "-:R");
  EXPECT_EQ(t->sortName, nullptr);
  EXPECT_EQ(t->sortMode, 1);
  t->SetParameter("sort", (ShortId(t->formulas) + ":C").c_str());
  EXPECT_STREQ(t->sortName, "Margin");
  EXPECT_EQ(t->valueOrder, 3);
  t->SetParameter("sort", ShortId(t->selections).c_str());  // no colon
  t->SetParameter("sort", "Nobody1234:A");
  EXPECT_STREQ(t->sortName, "Margin");
  EXPECT_EQ(t->valueOrder, 3);

  struct Axis {
    const char* name;
    const char* value;
    PackedDate from;
    PackedDate to;
  };
  const Axis axes[] = {
      {"axisfrom", "240101", PackDate(2024, 2, 1), PackDate(2024, 11, 30)},  // earlier: kept
      {"axisfrom", "not a date", PackDate(2024, 2, 1), PackDate(2024, 11, 30)},
      {"axisfrom", "240315", PackDate(2024, 3, 15), PackDate(2024, 11, 30)},
      {"axisto", "241231", PackDate(2024, 3, 15), PackDate(2024, 11, 30)},  // later: kept
      {"axisto", "", PackDate(2024, 3, 15), PackDate(2024, 11, 30)},
      {"axisto", "240930", PackDate(2024, 3, 15), PackDate(2024, 9, 30)},
  };
  for (const Axis& a : axes) {
    t->SetParameter(a.name, a.value);
    EXPECT_EQ(t->from.cardId.date, a.from) << a.name << " " << a.value;
    EXPECT_EQ(t->to.cardId.date, a.to) << a.name << " " << a.value;
  }
  // Other names go to every selection, then to the box.
  t->SetParameter("dim1", "1910");
  EXPECT_STREQ(t->selections->selection.componentTexts.texts[0], "1910");
  t->SetParameter("notestext", "hello");
  EXPECT_STREQ(t->notes, "hello");
  delete t;

  T_CFuncTmpl c(base);
  c.SetParameter("sort", "-:T");
  EXPECT_EQ(c.treeOrder, 3);
}

TEST_F(FunctionDrill, MarkingFollowsTheSelectionsAndCutsAtTheUpperBound) {
  using time_test::AddLine;
  LineRecord* early = AddLine(base, {PackDate(2024, 1, 10), 1, "1910", {1}});
  LineRecord* inside = AddLine(base, {PackDate(2024, 2, 10), 1, "1910", {2}});
  LineRecord* late = AddLine(base, {PackDate(2024, 6, 10), 1, "1910", {3}});
  LineRecord* other = AddLine(base, {PackDate(2024, 2, 11), 1, "3010", {4}});
  T_TFuncTmpl* t = ReadT("#T\nVN\tA\t\nVD1\t1910\nVC\t240201\t241231\nK\t\t240331\n");
  ASSERT_NE(t, nullptr);
  BitVector set;
  BitVecInit(&set, 64, 0);
  BitVecFill(&set, false);
  t->MarkSelectedLines(&set);
  EXPECT_FALSE(BitVecGet(&set, early->number));
  EXPECT_TRUE(BitVecGet(&set, inside->number));
  EXPECT_FALSE(BitVecGet(&set, late->number));  // after the template's to bound
  EXPECT_FALSE(BitVecGet(&set, other->number));
  BitVecFill(&set, false);
  t->MarkUsedComponents(&set);
  EXPECT_TRUE(BitVecGet(&set, FindByCode(base, 0, "1910")->number));
  EXPECT_FALSE(BitVecGet(&set, FindByCode(base, 0, "3010")->number));
  delete t;

  // The component template does not cut.
  T_CFuncTmpl* c = ReadC("#R\nVN\tA\t\nVD1\t1910\n");
  BitVecFill(&set, false);
  c->MarkSelectedLines(&set);
  EXPECT_TRUE(BitVecGet(&set, early->number));
  EXPECT_TRUE(BitVecGet(&set, late->number));
  EXPECT_FALSE(BitVecGet(&set, other->number));
  delete c;
  BitVecFree(&set);
}

}  // namespace
}  // namespace functmpl_test
