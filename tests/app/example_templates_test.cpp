// The example database as a user opens it: every stored template opens the window its kind
// names, on the dimension and with the variables its records name rather than the defaults, and
// shows values that are not all zero; the colours of a template whose variables name none (the
// component functions contact sheet checks that its curve view draws them).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "analysis/cards/cards_install.h"
#include "analysis/cards/cards_window.h"
#include "analysis/components/cfunc_window.h"
#include "analysis/components/components_install.h"
#include "analysis/components/components_window.h"
#include "analysis/components/function_templates.h"
#include "analysis/time/lines_install.h"
#include "analysis/time/lines_window.h"
#include "analysis/time/tfunc_install.h"
#include "analysis/time/tfunc_window.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "database/base.h"
#include "database/opening.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/source_path.h"

namespace {

struct Expected {
  const char* path;
  int32_t kind;
  int32_t dimension;      // the first view dimension (0 accounts, 3 products); -1 none
  const char* variables;  // the function windows' variable names in order; null for others
};

constexpr Expected kTemplates[] = {
    {"Verifikationer: Alla verifikationer", kTemplateCards, -1, nullptr},
    {"Verifikationer: Mars 2026", kTemplateCards, -1, nullptr},
    {"Rader: Försäljning varor", kTemplateLines, -1, nullptr},
    {"Komponenter: Kontoplan", kTemplateComponents, 0, nullptr},
    {"Komponenter: Avdelningar per konto", kTemplateComponents, 0, nullptr},
    {"Komponenter: Försäljning per produktgrupp", kTemplateComponents, 3, nullptr},
    {"Komponentfunktioner: Konton", kTemplateComponentFunctions, 0,
     "Rader Verifikationer Komponenter Summa Medel Max Min Lopande PerRad"},
    {"Komponentfunktioner: Marginal per produkt", kTemplateComponentFunctions, 3,
     "Forsaljning Inkop Marginal"},
    {"Tidsfunktioner: Försäljning per månad", kTemplateTimeFunctions, -1,
     "Utfall Ifjol Skillnad"},
    {"Tidsfunktioner: Marginal per kvartal", kTemplateTimeFunctions, -1,
     "Forsaljning Inkop Intakter Kostnader Marginal"},
    {"Tidsfunktioner: Försäljning per butik", kTemplateTimeFunctions, -1,
     "S1 G1 G2 M1 Sodermalm Haga Jarntorget Mollevangen"},
};

template <typename Variable>
std::string Names(const Variable* first) {
  std::string names;
  for (const Variable* v = first; v; v = v->next) names += (names.empty() ? "" : " ") + std::string(v->name);
  return names;
}

// Whether some cell of the window shows a number other than zero.
bool ShowsNonZeroValue(T_BoxWin* window) {
  RowTextPool pool;
  if (!pool.Init()) return false;
  bool found = false;
  for (int64_t row = 0; row < window->rowCount && !found; ++row) {
    window->GetRowTexts(&pool, row);
    for (T_BoxField* f = window->firstField; f && !found; f = f->next) {
      const std::string text = f->cellText ? f->cellText : "";
      const bool number = !text.empty() && text.find_first_not_of("0123456789,.- ()") == std::string::npos;
      found = number && text.find_first_of("123456789") != std::string::npos;
    }
  }
  pool.Free();
  return found;
}

class ExampleTemplates : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallCards();
    InstallLinesWindow();
    InstallComponentsWindow();
    InstallFunctionTemplates();
    InstallTimeFunctionsWindow();
    InstallComponentFunctionsWindow();
    base = openDatabase(TestSourcePath("examples/Example.qeb").c_str(), nullptr, 0);
  }
  void TearDown() override {
    delete base;
    BoxTest::TearDown();
  }
  T_BoxWin* Open(T_Template* templ) {
    return dynamic_cast<T_BoxWin*>(RunTemplate(base, templ, nullptr, 0));
  }

  T_NoAlerts quiet;
  T_Base* base = nullptr;
};

TEST_F(ExampleTemplates, EachOpensWhatItsNameSaysAndShowsValues) {
  ASSERT_NE(base, nullptr);
  std::set<std::string> listed;
  for (const Expected& e : kTemplates) listed.insert(e.path);
  // Every stored template is one of the table's, and every analysis kind has one.
  std::set<int32_t> kinds;
  for (T_Template* t = base->rootTemplate->NextBelow(base->rootTemplate); t;
       t = t->NextBelow(base->rootTemplate)) {
    if (t->kind == kTemplateFolder) continue;
    T_TextBuf path;
    t->GetPath(&path);
    EXPECT_TRUE(listed.count(path.data)) << path.data;
    kinds.insert(t->kind);
  }
  EXPECT_EQ(kinds.size(), 5u);

  for (const Expected& e : kTemplates) {
    SCOPED_TRACE(e.path);
    T_Template* templ = FindTemplate(base, e.path);
    ASSERT_NE(templ, nullptr);
    ASSERT_EQ(templ->kind, e.kind);
    T_BoxWin* window = Open(templ);
    ASSERT_NE(window, nullptr);
    window->RunCalculation(true, true);
    switch (e.kind) {
      case kTemplateCards:
        EXPECT_NE(AsCardsWindow(window), nullptr);
        break;
      case kTemplateLines:
        EXPECT_NE(AsLinesWindow(window), nullptr);
        break;
      case kTemplateComponents:
        EXPECT_NE(AsCompsWindow(window), nullptr);
        break;
      case kTemplateTimeFunctions:
        ASSERT_NE(AsTFuncWindow(window), nullptr);
        EXPECT_EQ(Names(AsTFuncWindow(window)->data.variables), e.variables);
        break;
      default:
        ASSERT_NE(AsCFuncWindow(window), nullptr);
        EXPECT_EQ(Names(AsCFuncWindow(window)->data.variables), e.variables);
        break;
    }
    if (e.dimension >= 0) {
      auto* strux = dynamic_cast<T_StruxWin*>(window);
      ASSERT_NE(strux, nullptr);
      ASSERT_GT(strux->nodeCount, 1);
      EXPECT_EQ(strux->live.dimension[0], e.dimension);
      strux->ExpandToDepth(2);
    }
    EXPECT_GT(window->rowCount, 1);
    EXPECT_TRUE(ShowsNonZeroValue(window));
    EventHandler_CloseAndDelete(window, 3);
  }
}

TEST_F(ExampleTemplates, NineVariablesThatNameNoColourTakeNineColours) {
  ASSERT_NE(base, nullptr);
  T_CFuncTmpl* templ =
      AsComponentFunctionsTemplate(FindTemplate(base, "Komponentfunktioner: Konton"));
  ASSERT_NE(templ, nullptr);
  T_CFunc* window = AsCFuncWindow(OpenComponentFunctionsWindow(templ, nullptr, 0));
  ASSERT_NE(window, nullptr);
  std::vector<int32_t> colours;
  for (T_CVariable* v = window->data.variables; v; v = v->next) colours.push_back(v->colour);
  window->templ = nullptr;
  ASSERT_EQ(colours.size(), 9u);
  EXPECT_EQ(std::set<int32_t>(colours.begin(), colours.end()).size(), 9u);
  EventHandler_CloseAndDelete(window, 3);
}

}  // namespace
