// The computation of the component functions window on small hand-made trees: the thirteen
// methods in both level modes against a table worked out by methods_oracle.py, the roll-up
// rules of formulas, the name table and the evaluation order.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "analysis/components/cfunc_variables.h"
#include "core/alert.h"
#include "core/date_record.h"
#include "core/packed_date.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/lines.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// root, A, A1, A2, B, B1, B2, B3 (no lines): the tree of methods_oracle.py.
CFuncTree MethodsTree() {
  CFuncTree tree;
  tree.parent = {-1, 0, 1, 1, 0, 4, 4, 4};
  tree.LinkFromParents();
  return tree;
}

struct Line {
  int32_t card;
  int32_t month, day;
  int64_t node;
  double value;
};
const Line kLines[] = {
    {1, 1, 10, 2, 10}, {1, 1, 10, 2, -4}, {1, 1, 10, 3, 0},  {2, 1, 20, 2, 6},
    {2, 1, 20, 5, -3}, {3, 2, 5, 1, 2.5}, {3, 2, 5, 6, 8},   {3, 2, 5, 3, 0.3},
    {4, 3, 1, 6, -1},  {4, 3, 1, 5, 5},   {4, 3, 1, 6, 4},   {5, 3, 1, 5, -2.5},
};
int32_t kCards[6];

struct MethodCase {
  int32_t method;
  int32_t mode;
  std::vector<double> own;
  std::vector<double> total;
};

const MethodCase kMethodCases[] = {
#include "methods_table.inc"
};

bool Same(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  if (std::isinf(a) || std::isinf(b)) return a == b;
  return std::fabs(a - b) <= 1e-9 * (1 + std::fabs(b));
}

class CFuncModel : public ::testing::Test {
 protected:
  void SetUp() override {
    base = new T_Base(nullptr, 0);
    SetValueCount(base, 1);
    base->decimalsCodes[0] = 0;
    CFuncDataInit(&data, base);
    data.cellsOf = [](void* context, int64_t node) {
      auto* self = static_cast<CFuncModel*>(context);
      return self->cells.data() + node * 2 * kMaxColumns;
    };
    data.cellsContext = this;
  }
  void TearDown() override {
    CFuncDataFree(&data);
    delete base;
    SetClockSource(nullptr);
  }
  // The selection scanned over the fixture lines and finished.
  void Scan(T_CSelection* s, const CFuncTree& tree, const std::vector<Line>& lines) {
    ASSERT_TRUE(s->Prepare(tree.Count()));
    for (const Line& l : lines)
      s->Take(tree, &kCards[l.card], PackDate(2024, l.month, l.day), l.node, l.value);
    ASSERT_TRUE(s->Finish(tree, PackedDateToDayNumber(PackDate(2025, 1, 1))));
  }
  // Every shown variable's cells after a full run.
  void Run(const CFuncTree& tree, const std::vector<Line>& lines) {
    ASSERT_TRUE(CFunc_setupVariables(&data));
    ASSERT_EQ(CFuncCheckFormulas(&data, nullptr), 0);
    CFuncBuildOrder(&data);
    for (T_CSelection* s = data.computed; s; s = s->nextComputed) Scan(s, tree, lines);
    for (T_CFormula* f = data.evaluated; f; f = f->nextEvaluated)
      ASSERT_TRUE(f->SetUpRule(tree.Count()));
    cells.assign(static_cast<size_t>(tree.Count()) * 2 * kMaxColumns, kNaN);
    CFunc_evaluate(&data, tree);
  }
  double Own(int64_t node, int32_t column) { return cells[node * 2 * kMaxColumns + column * 2]; }
  double Total(int64_t node, int32_t column) {
    return cells[node * 2 * kMaxColumns + column * 2 + 1];
  }

  static constexpr int32_t kMaxColumns = 8;
  T_Base* base = nullptr;
  CFuncData data;
  std::vector<double> cells;
};

TEST_F(CFuncModel, EveryMethodInBothLevelModesMatchesTheIndependentTable) {
  const CFuncTree tree = MethodsTree();
  const std::vector<Line> lines(std::begin(kLines), std::end(kLines));
  T_CSelection* s = CFuncNewSelection(&data, nullptr);
  for (const MethodCase& c : kMethodCases) {
    s->method = c.method;
    s->levelMode = c.mode;
    Scan(s, tree, lines);
    for (int64_t n = 0; n < tree.Count(); ++n) {
      EXPECT_PRED2(Same, s->own[n], c.own[n]) << "method " << c.method << " mode " << c.mode
                                              << " node " << n << " own";
      EXPECT_PRED2(Same, s->total[n], c.total[n]) << "method " << c.method << " mode "
                                                  << c.mode << " node " << n << " total";
    }
  }
}

TEST_F(CFuncModel, SumZeroesSmallOwnValuesBeforeTheyReachTheTotals) {
  CFuncTree tree;
  tree.parent = {-1, 0, 0};
  tree.LinkFromParents();
  T_CSelection* s = CFuncNewSelection(&data, nullptr);
  Scan(s, tree, {{1, 1, 1, 1, 0.3}, {1, 1, 1, 2, 1.3}});
  EXPECT_EQ(s->own[1], 0.0);
  EXPECT_EQ(s->own[2], 1.3);
  EXPECT_EQ(s->total[0], 1.3);
  base->decimalsCodes[0] = 7;  // floating: every value is kept
  Scan(s, tree, {{1, 1, 1, 1, 0.3}, {1, 1, 1, 2, 1.3}});
  EXPECT_DOUBLE_EQ(s->total[0], 1.6);
}

TEST_F(CFuncModel, FormulaRulesCarryCountedValuesUpTheTree) {
  // Lines only at the grandchildren under A; B has one line of value 0 for the geometric mean.
  const CFuncTree tree = MethodsTree();
  const std::vector<Line> lines = {{1, 1, 1, 2, 4}, {1, 1, 1, 3, 9}, {2, 1, 2, 5, -2},
                                   {2, 1, 2, 6, 0}};
  T_CSelection* s = CFuncNewSelection(&data, "S");
  s->shown = 0;
  T_CFormula* f = CFuncNewFormula(&data, "F");
  BlockTextAssign(&f->text, "S+1");
  // node 2: 5, node 3: 10, node 5: -1, node 6: 1; nodes without lines give 1 and count nowhere.
  const struct {
    int32_t rule;
    double root, a, b;
  } cases[] = {
      {kRuleApply, 12, 14, -1},  // the formula over the totals: S total + 1
      {kRuleCount, 4, 2, 2},
      {kRuleSum, 15, 15, 0},
      {kRuleProduct, -50, 50, -1},
      {kRuleAverage, 3.75, 7.5, 0},
      {kRuleGeomMean, -std::sqrt(std::sqrt(50.0)), std::sqrt(50.0), -1},
      {kRuleMaximum, 10, 10, 1},
      {kRuleMinimum, -1, 5, -1},
  };
  for (const auto& c : cases) {
    f->rule = c.rule;
    Run(tree, lines);
    EXPECT_PRED2(Same, Total(0, 0), c.root) << "rule " << c.rule;
    EXPECT_PRED2(Same, Total(1, 0), c.a) << "rule " << c.rule;
    EXPECT_PRED2(Same, Total(4, 0), c.b) << "rule " << c.rule;
    EXPECT_PRED2(Same, Total(2, 0), 5.0) << "a leaf applies the formula, rule " << c.rule;
  }
  // One zero in the subtree makes the geometric mean 0.
  BlockTextAssign(&f->text, "S");
  f->compiled = 0;
  f->rule = kRuleGeomMean;
  Run(tree, lines);
  EXPECT_EQ(Total(4, 0), 0.0);
}

TEST_F(CFuncModel, NameTableHoldsBuiltinsThenVariablesWithTheirDerivedNames) {
  SetClockSource([] {
    DateRecord r;
    r.year = 2024;
    r.month = 5;
    r.day = 13;  // a Monday
    r.precision = 5;
    return r;
  });
  T_CSelection* a = CFuncNewSelection(&data, nullptr);
  T_CFormula* f = CFuncNewFormula(&data, nullptr);
  T_CSelection* b = CFuncNewSelection(&data, nullptr);
  ASSERT_TRUE(CFunc_setupVariables(&data));
  auto row = [&](int32_t i) {
    return std::string(reinterpret_cast<const char*>(data.names + 4 + i * 32));
  };
  const char* expected[] = {"year", "month", "day",   "weekday", "quarterday", "yearday", "dim",
                            "level", "dimlevel", "leaf", "A",   "A!",      "A#",    "F1", "B",
                            "B!",   "B#"};
  ASSERT_EQ(data.nameCount, 17);
  for (int32_t i = 0; i < 17; ++i) EXPECT_EQ(row(i), expected[i]) << i;
  EXPECT_EQ(a->slot, 10);
  EXPECT_EQ(f->slot, 13);
  EXPECT_EQ(b->slot, 14);
  EXPECT_EQ(data.valueSlots[3], 1);                  // Monday
  EXPECT_EQ(data.valueSlots[4], 30 + 13);  // April, then May 13
  EXPECT_EQ(data.valueSlots[5], 31 + 29 + 31 + 30 + 13);
  SetClockSource([] {
    DateRecord r;
    r.year = 2024;
    r.month = 5;
    r.day = 19;  // a Sunday
    r.precision = 5;
    return r;
  });
  data.namesBuilt = 0;
  ASSERT_TRUE(CFunc_setupVariables(&data));
  EXPECT_EQ(data.valueSlots[3], 7);
}

TEST_F(CFuncModel, FormulasReadOwnAndTotalCountsAndTheTopTotal) {
  const CFuncTree tree = MethodsTree();
  const std::vector<Line> lines(std::begin(kLines), std::end(kLines));
  T_CSelection* s = CFuncNewSelection(&data, "S");
  T_CFormula* top = CFuncNewFormula(&data, "Top");
  T_CFormula* count = CFuncNewFormula(&data, "Count");
  T_CFormula* leaf = CFuncNewFormula(&data, "Leaf");
  BlockTextAssign(&top->text, "S!");
  BlockTextAssign(&count->text, "S#");
  BlockTextAssign(&leaf->text, "leaf*10+level");
  Run(tree, lines);
  for (int64_t n = 0; n < tree.Count(); ++n) EXPECT_EQ(Own(n, 1), 25.0) << n;
  EXPECT_EQ(Own(2, 2), 3.0);
  EXPECT_EQ(Own(1, 2), 1.0);
  EXPECT_EQ(Total(1, 2), 6.0);
  EXPECT_EQ(Total(0, 2), 12.0);
  EXPECT_EQ(Own(2, 3), 12.0);
  EXPECT_EQ(Own(1, 3), 1.0);
  EXPECT_EQ(Own(0, 0), 0.0);
  EXPECT_EQ(Total(0, 0), 25.0);
  (void)s;
}

TEST_F(CFuncModel, EvaluationOrderPutsDependenciesFirstAndLeavesOutUnusedFormulas) {
  const CFuncTree tree = MethodsTree();
  const std::vector<Line> lines(std::begin(kLines), std::end(kLines));
  CFuncNewSelection(&data, "S");
  T_CFormula* c = CFuncNewFormula(&data, "C");
  T_CFormula* b = CFuncNewFormula(&data, "B");
  T_CFormula* a = CFuncNewFormula(&data, "A");
  T_CFormula* unused = CFuncNewFormula(&data, "U");
  BlockTextAssign(&c->text, "B*2");  // listed before what it uses
  BlockTextAssign(&b->text, "A+1");
  BlockTextAssign(&a->text, "S");
  BlockTextAssign(&unused->text, "S*100");
  b->shown = a->shown = unused->shown = 0;
  Run(tree, lines);
  std::vector<T_CFormula*> order;
  for (T_CFormula* f = data.evaluated; f; f = f->nextEvaluated) order.push_back(f);
  EXPECT_EQ(order, (std::vector<T_CFormula*>{a, b, c}));
  EXPECT_EQ(Total(0, 1), 52.0);
}

TEST_F(CFuncModel, CircularAndRefusedFormulasNameTheCulprit) {
  CFuncNewSelection(&data, "S");
  T_CFormula* a = CFuncNewFormula(&data, "A");
  T_CFormula* b = CFuncNewFormula(&data, "B");
  T_CFormula* culprit = nullptr;
  BlockTextAssign(&a->text, "A+S");
  EXPECT_EQ(CFuncCheckFormulas(&data, &culprit), kMsgCRefersToItself);
  EXPECT_EQ(culprit, a);
  BlockTextAssign(&a->text, "B+S");
  BlockTextAssign(&b->text, "A*2");
  a->compiled = b->compiled = 0;
  EXPECT_EQ(CFuncCheckFormulas(&data, &culprit), kMsgCRefersIndirectly);
  EXPECT_EQ(culprit, a);
  // Nesting deeper than the compiler follows: refused, with the compiler's message.
  std::string deep(200, '(');
  deep += "1";
  deep += std::string(200, ')');
  BlockTextAssign(&a->text, deep.c_str());
  BlockTextAssign(&b->text, "S");
  a->compiled = b->compiled = 0;
  const int32_t code = CFuncCheckFormulas(&data, &culprit);
  EXPECT_TRUE(code == kMsgFormulaTooDeep || code == kMsgFormulaTooLong) << code;
  EXPECT_EQ(culprit, a);
  EXPECT_FALSE(AbortRequested());
}

TEST_F(CFuncModel, NamesAreUniqueCutAndNeverBuiltins) {
  T_CSelection* a = CFuncNewSelection(&data, nullptr);
  EXPECT_STREQ(a->name, "A");
  T_CSelection* a2 = CFuncNewSelection(&data, "a");
  EXPECT_STREQ(a2->name, "b");
  T_CFormula* year = CFuncNewFormula(&data, "Year");
  EXPECT_STRNE(year->name, "Year");
  const std::string longName(40, 'x');
  T_CFormula* l1 = CFuncNewFormula(&data, longName.c_str());
  T_CFormula* l2 = CFuncNewFormula(&data, (longName + "y").c_str());
  EXPECT_EQ(std::string(l1->name).size(), 31u);
  EXPECT_LE(std::string(l2->name).size(), 31u);
  EXPECT_STRNE(l1->name, l2->name);
  // A multi-byte character at the cut is not split.
  const std::string accented = std::string(30, 'e') + "\xC3\xA9" + "z";
  T_CFormula* e = CFuncNewFormula(&data, accented.c_str());
  EXPECT_EQ(std::string(e->name), std::string(30, 'e'));
  // Renames: refused to empty, taken (any case) and built-in names; accepted ones rewrite.
  BlockTextAssign(&year->text, "A+B");
  EXPECT_FALSE(CFuncRename(&data, a, ""));
  EXPECT_FALSE(CFuncRename(&data, a, "b"));
  EXPECT_FALSE(CFuncRename(&data, a, "LEAF"));
  EXPECT_STREQ(a->name, "A");
  EXPECT_TRUE(CFuncRename(&data, a, "Sales"));
  EXPECT_STREQ(year->text, "Sales+B");
}

TEST_F(CFuncModel, PastedSectionsReadTheirKeysUpToTheNextSection) {
  const std::string text =
      "## Selection\tS\tSales\r\nVF\tC\r\nVM\tLS\r\nVQ\tunknown\r\n"
      "## Formula\tF\t\r\nFF\tS*2\r\nFS\tZ\r\n"
      "## Formula\tG\t\r\nFS\tN\r\n";
  T_CVariable* last = CFuncPaste(&data, text.data(), static_cast<int32_t>(text.size()), nullptr);
  ASSERT_NE(last, nullptr);
  ASSERT_EQ(data.selectionCount, 1);
  ASSERT_EQ(data.formulaCount, 2);
  T_CSelection* s = data.selections;
  EXPECT_STREQ(s->title, "Sales");
  EXPECT_EQ(s->valueColumn, 0);  // column C is beyond the database's one column
  EXPECT_EQ(s->method, kCMethodSum);  // L reads as Sum
  EXPECT_EQ(s->levelMode, kLevelFromStart);
  EXPECT_STREQ(data.formulas->text, "S*2");
  EXPECT_EQ(data.formulas->rule, kRuleApply);  // an unknown rule letter leaves the rule
  EXPECT_EQ(data.formulas->nextFormula->rule, kRuleMinimum);
  EXPECT_FALSE(CFuncTextHasVariables("## Subset\tX\r\n", 13));
}

TEST_F(CFuncModel, FormulaTextsCarryTheBuiltinsOfANodeAsConstants) {
  CFuncTree tree = MethodsTree();
  tree.dim.assign(8, 3);
  CFuncNewSelection(&data, "S");
  T_CFormula* f = CFuncNewFormula(&data, "F");
  BlockTextAssign(&f->text, "S*level+dim-leaf");
  ASSERT_TRUE(CFunc_setupVariables(&data));
  CFuncCompile(&data, f);
  T_TextBuf text;
  CFuncFormulaWithConstants(&data, f, tree, 2, &text);
  EXPECT_STREQ(text.data, "S*2+3-1");
  CFuncFormulaWithConstants(&data, f, tree, 1, &text);
  EXPECT_STREQ(text.data, "S*1+3-0");
}

}  // namespace
