// The records of the two function templates: golden keyed text of defaults, of one selection and
// one formula, and of every field off its default, each read back and written again byte for
// byte; the stand-in goldens of the template tests; the Parts' edge cases in one table; the
// older layouts by file version date; damaged lines; running out of memory on a variable.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/components/function_templates.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "database/change_notes.h"
#include "database/link_rename.h"
#include "tests/analysis/components/functmpl/functmpl_fixture.h"
#include "tests/source_path.h"

namespace functmpl_test {
namespace {

std::string ReadFile(const std::string& relative) {
  std::string text;
  if (FILE* f = std::fopen(TestSourcePath(relative).c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

// The box template's lines of a new template: its export encoding and thousands separator.
#define BOX "xeE\tUTF-8\nxem\t#1\n"

const char kDefaultT[] = "#T\n" BOX "xtna\nxtg+\n\n";
const char kDefaultC[] = "#R\n" BOX "R\tS\nxtna\nxtg+\n\n";

const char kOneEachT[] =
    "#T\n" BOX
    "VN\tSales\n"
    "VF\tA\n"
    "VZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\n"
    "FN\tDouble\n"
    "FF\tSales*2\n"
    "FG\tL\n"
    "FZ\tD0\tCM\tw1\tV+\tB-\tN-\tR-\tS-\n"
    "xtna\nxtg+\n\n";

const char kOneEachC[] =
    "#R\n" BOX
    "VN\tSales\n"
    "VF\tA\n"
    "VZ\tD0\tCU\tcD\tV+\tB-\tN-\tR-\n"
    "FN\tDouble\n"
    "FF\tSales*2\n"
    "FS\tB\n"
    "FZ\tD0\tCM\tcD\tV+\tB-\tN-\tR-\n"
    "R\tS\nxtna\nxtg+\n\n";

// Every field away from its default (box records included only where this class adds them).
const char kEveryFieldT[] =
    "#T\n"
    "xo\n" BOX
    "VN\tSales\tThe <a href=\"template=Reports\">sales</a>\n"
    "VD1\t1910\n"
    "VC\t240101\t241231\n"
    "VF\tC\n"
    "VM\tMP\n"
    "VT\t-2W\n"
    "VZ\tD2\tCR\tW120\tw3\tV-\tB+\tNR\tRB\tS+\n"
    "VN\tCost\n"
    "VF\tB\n"
    "VT\tQ-\n"
    "VZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\n"
    "FN\tMargin\tMargin title\n"
    "FF\tSales - Cost \n"
    "FD\tD\n"
    "FG\tB\n"
    "FZ\tDF\tC-\tW16\tw6\tV+\tB-\tNP\tR+\tS-\n"
    "K\tMonth-1\tMonth\n"
    "PL\tQ\n"
    "PW\t200\n"
    "L\tS\n"
    "Gx\t2\n"
    "Gy\t+\n"
    "SM\t1000.5\n"
    "SN\t-20\n"
    "SV\tCR\tMargin\n"
    "WL\n"
    "ZE\nZI\nZD\nZV\nZR\nZG\nZZ\n"
    "ZC\tKeep me\n"
    "ZB\nZT\nZN\n"
    "xtnh\nxtgh\n\n";

const char kEveryFieldC[] =
    "#R\n" BOX
    "VN\tSales\tTitle\n"
    "VD2\tP1\n"
    "VF\tB\n"
    "VM\tcS\n"
    "VZ\tD3\tCG\tW40\tcS\tV-\tB+\tNP\tR+\n"
    "FN\tShare\n"
    "FF\tSales!/Sales\n"
    "FS\tV\n"
    "FZ\tD1\tCO\tcD\tV+\tB-\tN-\tR-\n"
    "PD\t2\t1\n"
    "K\tFZAUC-\tHC2B-A\n"
    "PW\t24\n"
    "R\tD\n"
    "Gx\tX\n"
    "S\tBT\tShare\n"
    "L\tO\n"
    "N\tD\n"
    "WR\n"
    "ZI\nZV\n"
    "ZX\t|1910|\n"
    "xtnh\nxtg-\n\n";

struct Golden {
  const char* name;
  int32_t kind;
  const char* text;
};
const Golden kGoldens[] = {
    {"default T", kTemplateTimeFunctions, kDefaultT},
    {"default C", kTemplateComponentFunctions, kDefaultC},
    {"one each T", kTemplateTimeFunctions, kOneEachT},
    {"one each C", kTemplateComponentFunctions, kOneEachC},
    {"every field T", kTemplateTimeFunctions, kEveryFieldT},
    {"every field C", kTemplateComponentFunctions, kEveryFieldC},
};

using FunctionTemplates = FuncTest;

TEST_F(FunctionTemplates, DefaultsAndOneVariableOfEachKindWriteTheirGoldenText) {
  T_TFuncTmpl t(base);
  EXPECT_EQ(Write(&t), kDefaultT);
  EXPECT_EQ(t.menuIcon, 2004u);
  T_CFuncTmpl c(base);
  EXPECT_EQ(Write(&c), kDefaultC);
  EXPECT_EQ(c.menuIcon, 2005u);

  T_TSelectionTmpl* s = t.AddSelection();
  s->SetName("Sales");
  T_TFormulaTmpl* f = t.AddFormula();
  f->SetName("Double");
  BlockTextAssign(&f->formula, "Sales*2");
  EXPECT_EQ(Write(&t), kOneEachT);

  T_CSelectionTmpl* cs = c.AddSelection();
  cs->SetName("Sales");
  T_CFormulaTmpl* cf = c.AddFormula();
  cf->SetName("Double");
  BlockTextAssign(&cf->formula, "Sales*2");
  EXPECT_EQ(Write(&c), kOneEachC);
}

TEST_F(FunctionTemplates, GoldenTextReadsBackAndWritesAgainByteForByte) {
  for (const Golden& g : kGoldens) {
    T_Template* templ = Read(base, g.kind, g.text);
    ASSERT_NE(templ, nullptr) << g.name;
    EXPECT_FALSE(IsStandInTemplate(templ)) << g.name;
    EXPECT_EQ(Write(templ), g.text) << g.name;
    EXPECT_EQ(PendingError.request.message, 0) << g.name;
    delete templ;
  }
}

TEST_F(FunctionTemplates, EveryFieldLandsWhereItBelongs) {
  T_TFuncTmpl* t = ReadT(kEveryFieldT);
  ASSERT_NE(t, nullptr);
  T_TSelectionTmpl* s = t->selections;
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->valueColumn, 2);
  EXPECT_EQ(s->method, 11);  // M Maximum
  EXPECT_EQ(s->accumulation, 0);
  EXPECT_EQ(s->shift.kind, 7);
  EXPECT_EQ(s->shift.unit, 2);
  EXPECT_EQ(s->shift.count, -2);
  EXPECT_EQ(s->width, 120);
  EXPECT_EQ(s->lineStyle, 3);
  EXPECT_EQ(s->colour, 13);
  EXPECT_EQ(s->signStyle, 1);
  EXPECT_EQ(s->colouring, 1);
  EXPECT_EQ(s->shown, 0);
  EXPECT_EQ(s->bold, 1);
  EXPECT_EQ(s->totals, 1);
  EXPECT_EQ(s->nextSelection->shift.kind, 4);
  T_TFormulaTmpl* f = t->formulas;
  EXPECT_STREQ(f->formula, "Sales - Cost ");
  EXPECT_EQ(f->operation, 2);
  EXPECT_EQ(f->graphStyle, 2);
  EXPECT_EQ(f->colour, 0);
  EXPECT_EQ(t->periodType, 3);
  EXPECT_EQ(t->labelWidth, 200);
  EXPECT_EQ(t->lSetting, 4);
  EXPECT_DOUBLE_EQ(t->axisMax, 1000.5);
  EXPECT_DOUBLE_EQ(t->axisMin, -20);
  EXPECT_EQ(t->valueOrder, 3);
  EXPECT_EQ(t->sortMode, 1);
  EXPECT_STREQ(t->sortName, "Margin");
  EXPECT_EQ(t->viewMode, 1u);
  EXPECT_EQ(t->beforeShown, 0);
  EXPECT_EQ(t->nTool, 4202);
  EXPECT_EQ(t->gTool, 4202);
  // The variables keep the order of the file: both lists and the variable list.
  std::vector<std::string> names;
  for (T_TVariableTmpl* v = t->variables; v; v = v->next) names.push_back(v->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Sales", "Cost", "Margin"}));
  delete t;

  T_CFuncTmpl* c = ReadC(kEveryFieldC);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->selections->method, 2);  // c Component count
  EXPECT_EQ(c->selections->accumulation, 1);
  EXPECT_EQ(c->selections->cSetting, 1);
  EXPECT_EQ(c->formulas->rule, 4);
  EXPECT_EQ(c->viewDims.count, 2);
  EXPECT_EQ(c->rSetting, 2);
  EXPECT_EQ(c->treeOrder, 3);
  EXPECT_EQ(c->valueOrder, 4);
  EXPECT_EQ(c->nSetting, 8);
  EXPECT_EQ(c->viewMode, 4u);
  EXPECT_EQ(c->barOption, 1);
  EXPECT_EQ(c->valuesShown, 0);
  EXPECT_STREQ(c->expansion, "|1910|");
  delete c;
}

TEST_F(FunctionTemplates, StandInGoldensOfTheTemplateTestsStillReadAndWriteUnchanged) {
  for (auto [kind, file] : {std::pair{kTemplateTimeFunctions, "kind4_time_functions.txt"},
                            std::pair{kTemplateComponentFunctions,
                                      "kind5_component_functions.txt"}}) {
    std::string text = ReadFile(std::string("tests/database/templates/data/") + file);
    ASSERT_FALSE(text.empty()) << file;
    T_Template* templ = Read(base, kind, text);
    EXPECT_FALSE(IsStandInTemplate(templ));
    // Unstored, the template line carries no path; every record line must come back as it was.
    std::string records = text.substr(text.find('\n') + 1);
    std::string written = WriteRaw(templ);
    EXPECT_EQ(written.substr(written.find('\n') + 1), records) << file;
    delete templ;
  }
}

// One table of the Parts' edge cases: text read into a template, what it writes back.
struct EdgeCase {
  const char* name;
  int32_t kind;
  const char* in;
  const char* out;
};
const EdgeCase kEdgeCases[] = {
    // "VM" "cA" in a time template: Component count becomes Sum, From Start: no "VM" line.
    {"time cA", kTemplateTimeFunctions, "#T\nVN\tA\t\nVM\tcA\n",
     "#T\n" BOX "VN\tA\nVF\tA\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\nxtna\nxtg+\n\n"},
    // First and Last become Sum in a component template.
    {"comp FC", kTemplateComponentFunctions, "#R\nVN\tA\t\nVM\tFC\n",
     "#R\n" BOX "VN\tA\nVF\tA\nVZ\tD0\tCU\tcD\tV+\tB-\tN-\tR-\nR\tS\nxtna\nxtg+\n\n"},
    {"comp LS", kTemplateComponentFunctions, "#R\nVN\tA\t\nVM\tLS\n",
     "#R\n" BOX "VN\tA\nVF\tA\nVM\tSS\nVZ\tD0\tCU\tcD\tV+\tB-\tN-\tR-\nR\tS\nxtna\nxtg+\n\n"},
    // A shift count of 0, an unknown unit and a count beyond 32 bits read as no shift.
    {"shift 0", kTemplateTimeFunctions, "#T\nVN\tA\t\nVT\t+0W\n",
     "#T\n" BOX "VN\tA\nVF\tA\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\nxtna\nxtg+\n\n"},
    {"shift unit", kTemplateTimeFunctions, "#T\nVN\tA\t\nVT\t+3X\n",
     "#T\n" BOX "VN\tA\nVF\tA\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\nxtna\nxtg+\n\n"},
    {"shift huge", kTemplateTimeFunctions, "#T\nVN\tA\t\nVT\t-99999999999D\n",
     "#T\n" BOX "VN\tA\nVF\tA\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\nxtna\nxtg+\n\n"},
    {"shift +2W", kTemplateTimeFunctions, "#T\nVN\tA\t\nVT\t+2W\n",
     "#T\n" BOX "VN\tA\nVF\tA\nVT\t+2W\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\nxtna\nxtg+\n\n"},
    // Label widths: 136 and 23 are not written by the component template, 24 is.
    {"width 136", kTemplateComponentFunctions, "#R\nPW\t136\n", "#R\n" BOX "R\tS\nxtna\nxtg+\n\n"},
    {"width 23", kTemplateComponentFunctions, "#R\nPW\t23\n", "#R\n" BOX "R\tS\nxtna\nxtg+\n\n"},
    {"width 24", kTemplateComponentFunctions, "#R\nPW\t24\n", "#R\n" BOX "PW\t24\nR\tS\nxtna\nxtg+\n\n"},
    {"width big", kTemplateTimeFunctions, "#T\nPW\t40000\n", kDefaultT},
    {"width junk", kTemplateTimeFunctions, "#T\nPW\t30x\n", kDefaultT},
    // Period type 16 without a name: no period line, read back as 12; "PL" X (16) is ignored.
    {"PX empty", kTemplateTimeFunctions, "#T\nPX\n", kDefaultT},
    {"PL X", kTemplateTimeFunctions, "#T\nPL\tX\n", kDefaultT},
    {"PX named", kTemplateTimeFunctions, "#T\nPX\tFiscal\n",
     "#T\n" BOX "PX\tFiscal\nxtna\nxtg+\n\n"},
    // Letters outside their sets and column letters from 24 leave the field.
    {"bad letters", kTemplateTimeFunctions,
     "#T\n" BOX "VN\tA\nVF\tY\nVM\tQQ\nVZ\tDQ\tCZ\tw7\tW999\tV?\tNX\n",
     "#T\n" BOX "VN\tA\nVF\tA\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\nxtna\nxtg+\n\n"},
    {"width 998", kTemplateTimeFunctions, "#T\nVN\tA\t\nVZ\tW998\n",
     "#T\n" BOX "VN\tA\nVF\tA\nVZ\tD0\tCU\tW998\tw1\tV+\tB-\tN-\tR-\tS-\nxtna\nxtg+\n\n"},
    {"width 15", kTemplateTimeFunctions, "#T\nVN\tA\t\nVZ\tW15\n",
     "#T\n" BOX "VN\tA\nVF\tA\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\nxtna\nxtg+\n\n"},
    // "V" and "F" lines before any "VN" or "FN" are ignored.
    {"orphans", kTemplateTimeFunctions, "#T\nVF\tC\nVZ\tD2\nFF\tx\nFG\tB\nV-\nF-\n", kDefaultT},
    // "V-" and "F-" remove the variable being read.
    {"removed", kTemplateTimeFunctions, "#T\nVN\tA\t\nV-\nFN\tB\t\nFF\t1\nF-\n", kDefaultT},
    // Axis limits that do not read as numbers leave no limit.
    {"SM junk", kTemplateTimeFunctions, "#T\nSM\tabc\nSN\n", kDefaultT},
    // "WB": bars for every formula, every selection by period, view mode 1.
    {"WB", kTemplateTimeFunctions, "#T\nVN\tA\t\nFN\tB\t\nWB\n",
     "#T\n" BOX "VN\tA\nVF\tA\nVM\tSP\nVZ\tD0\tCU\tw1\tV+\tB-\tN-\tR-\tS-\nFN\tB\nFG\tB\n"
     "FZ\tD0\tCM\tw1\tV+\tB-\tN-\tR-\tS-\nWL\nxtna\nxtg+\n\n"},
    // Keys under a handled letter that match nothing are dropped; others go to the box.
    {"unknown", kTemplateTimeFunctions, "#T\nPQ\t1\nZQ\nxo\nLL\n", "#T\nxo\n" BOX "xtna\nxtg+\n\n"},
    {"comp unknown", kTemplateComponentFunctions, "#R\nWL\nRR\nZQ\nxc\n",
     "#R\nxc\n" BOX "R\tS\nxtna\nxtg+\n\n"},
    {"comp sort -", kTemplateComponentFunctions, "#R\nS\tBT\tX\nS\t-\n", kDefaultC},
};

TEST_F(FunctionTemplates, EdgeCasesOfThePartsReadAndWriteAsTheyShould) {
  for (const EdgeCase& e : kEdgeCases) {
    T_Template* templ = Read(base, e.kind, e.in);
    ASSERT_NE(templ, nullptr) << e.name;
    EXPECT_EQ(Write(templ), e.out) << e.name;
    delete templ;
  }
}

TEST_F(FunctionTemplates, NewVariablesTakeTheLeastUsedOfTheTenColours) {
  T_TFuncTmpl t(base);
  const int32_t expected[] = {21, 15, 10, 20, 19, 13, 6, 11, 8, 18, 21, 15};
  for (int32_t want : expected) EXPECT_EQ(t.AddFormula()->colour, want);
  // Removing a formula frees its colour; a selection chooses among the same ten.
  t.RemoveFormula(t.formulas);
  EXPECT_EQ(t.AddFormula()->colour, 21);
  EXPECT_EQ(t.AddSelection()->colour, 10);
  // A hidden variable counts once, a shown one three times.
  T_CFuncTmpl c(base);
  c.AddSelection()->shown = 0;
  c.AddSelection();
  c.AddSelection()->colour = 10;
  EXPECT_EQ(c.AddSelection()->colour, 20);
  for (T_CVariableTmpl* v = c.variables; v; v = v->next) v->shown = 0;
  c.variables->colour = 15;
  EXPECT_EQ(c.AddFormula()->colour, 21);
}

TEST_F(FunctionTemplates, OldLayoutsApplyOnlyWithinTheirVersionDates) {
  // The old display line: decimals, colour and flags in one field, the width in the next.
  const char old[] = "#T\nVN\tA\t\nVZ\t2R3bv\t140\nFN\tB\t\nFZ\t1G4BV\n";
  const char current[] =
      "#T\n" BOX "VN\tA\nVF\tA\nVZ\tD2\tCR\tW140\tw3\tV-\tB-\tN-\tR-\tS-\n"
      "FN\tB\nFG\tL\nFZ\tD1\tCG\tw4\tV+\tB+\tN-\tR-\tS-\nxtna\nxtg+\n\n";
  base->fileVersion = 19970301;
  T_TFuncTmpl* t = ReadT(old);
  EXPECT_EQ(Write(t), current);
  delete t;

  // From 19970417 to before 19970626 a time selection's "VN" sets By Period; to before 19970714
  // a formula takes its graph style from the "L" field.
  const char mid[] = "#T\nVN\tA\t\nVZ\tD0\nFN\tB\t\nFG\tL\nFZ\tLB\n";
  struct Window {
    int32_t version;
    int32_t accumulation;
    int32_t graphStyle;
  };
  for (Window w : {Window{19970417, 0, 2}, Window{19970625, 0, 2}, Window{19970626, 1, 2},
                   Window{19970713, 1, 2}, Window{19970714, 1, 1}, Window{0, 1, 1}}) {
    base->fileVersion = w.version;
    t = ReadT(mid);
    EXPECT_EQ(t->selections->accumulation, w.accumulation) << w.version;
    EXPECT_EQ(t->formulas->graphStyle, w.graphStyle) << w.version;
    delete t;
  }
  // The component family's old line takes D and S as the c setting.
  base->fileVersion = 19960101;
  T_CFuncTmpl* c = ReadC("#R\nVN\tA\t\nVZ\t3GSB\t30\n");
  EXPECT_EQ(Write(c), "#R\n" BOX "VN\tA\nVF\tA\nVZ\tD3\tCG\tW30\tcS\tV+\tB+\tN-\tR-\nR\tS\nxtna\nxtg+\n\n");
  delete c;
}

TEST_F(FunctionTemplates, OutOfMemoryOnAVariableDropsItsLinesAndReadsTheRest) {
  static int32_t failAt = 0;
  static int32_t calls = 0;
  calls = 0;
  failAt = 2;  // the second variable
  SetFuncAllocFailHook([] { return ++calls == failAt; });
  T_TFuncTmpl* t = ReadT(
      "#T\nVN\tA\t\nVF\tB\nVN\tLost\t\nVF\tC\nVT\tY+\nVZ\tD3\nFN\tF\t\nFF\tA+1\nPL\tM\n");
  EXPECT_EQ(PendingError.request.message, 600);
  std::vector<std::string> names;
  for (T_TVariableTmpl* v = t->variables; v; v = v->next) names.push_back(v->name);
  ASSERT_EQ(names, (std::vector<std::string>{"A", "F"}));
  EXPECT_EQ(t->selections->valueColumn, 1);  // the lost variable's lines landed nowhere
  EXPECT_EQ(t->selections->shift.kind, 0);
  EXPECT_STREQ(t->formulas->formula, "A+1");
  EXPECT_EQ(t->periodType, 5);
  delete t;
}

TEST_F(FunctionTemplates, ReadingAgainUpdatesVariablesByName) {
  T_TFuncTmpl* t = ReadT("#T\nVN\tA\t\nVF\tB\nFN\tF\t\nFF\t1\n");
  T_IStream stream;
  std::string again = "#T\nVN\tA\tnew title\nVF\tC\n";
  stream.CtorFromMemory(again.data(), static_cast<int64_t>(again.size()));
  stream.NextLine();
  t->ReadRecords(&stream, stream.NextLine());
  EXPECT_EQ(t->selections->valueColumn, 2);
  EXPECT_STREQ(t->selections->title, "new title");
  EXPECT_EQ(t->selections->nextSelection, nullptr);
  EXPECT_NE(t->formulas, nullptr);
  EXPECT_EQ(t->readingSelection, nullptr);  // the reading state is forgotten at the end
  delete t;
}

// Damaged record text: every cut and a flipped bit at every byte of the every-field goldens' own
// records (the box lines before them are the box template's) read without harm, and what is
// written then reads back to the same text.
TEST_F(FunctionTemplates, DamagedRecordTextReadsAndWritesStably) {
  for (const Golden& g : {kGoldens[4], kGoldens[5]}) {
    const std::string text = g.text;
    const size_t own = text.find(BOX) + std::strlen(BOX);
    std::vector<std::string> damaged;
    for (size_t n = own; n < text.size(); n += 7) damaged.push_back(text.substr(0, n));
    for (size_t i = own; i < text.size(); ++i) {
      std::string flipped = text;
      flipped[i] = static_cast<char>(flipped[i] ^ (1 << (i % 7)));
      damaged.push_back(flipped);
    }
    for (const std::string& d : damaged) {
      T_Template* first = Read(base, g.kind, d);
      ASSERT_NE(first, nullptr);
      std::string once = Write(first);
      T_Template* second = Read(base, g.kind, once);
      EXPECT_EQ(Write(second), once) << g.name;
      delete first;
      delete second;
      PendingErrorClear();
    }
  }
}

TEST_F(FunctionTemplates, ARenamedTemplateRewritesEveryVariableTitle) {
  T_TFuncTmpl* t = ReadT("#T\nVN\tSales\tThe template=\"Reports\" sales\nFN\tF\tPlain\n");
  T_CFuncTmpl* c = ReadC("#R\nFN\tF\tSee template=Reports\n");
  LinkRename rename;
  rename.kind = kRenameTemplate;
  rename.keyword = "template=";
  TextBufAssign(&rename.oldText, "Reports");
  TextBufAssign(&rename.newText, "Summaries");
  ChangeNote note;
  note.code = kChangeLinks;
  note.database = base;
  note.rename = &rename;
  t->OnChange(&note);
  c->OnChange(&note);
  EXPECT_STREQ(t->selections->title, "The template=\"Summaries\" sales");
  EXPECT_STREQ(t->formulas->title, "Plain");
  EXPECT_STREQ(c->formulas->title, "See template=Summaries");
  delete t;
  delete c;
}

TEST_F(FunctionTemplates, MemorySizeCountsVariablesAndTexts) {
  T_TFuncTmpl t(base);
  int64_t empty = t.MemorySize();
  T_TFormulaTmpl* f = t.AddFormula();
  int64_t one = t.MemorySize();
  EXPECT_GT(one, empty);
  BlockTextAssign(&f->formula, std::string(500, 'x').c_str());
  EXPECT_GE(t.MemorySize(), one + 500);
  T_CFuncTmpl c(base);
  int64_t cEmpty = c.MemorySize();
  c.AddSelection();
  EXPECT_GT(c.MemorySize(), cEmpty);
}

#undef BOX

}  // namespace
}  // namespace functmpl_test
