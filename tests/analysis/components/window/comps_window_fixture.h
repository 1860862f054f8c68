#pragma once
// The components window over a small database built through the engine: three dimensions whose
// codes nest by prefix three levels deep (accounts on the groups, products and regions on the
// lines), a fourth dimension without components, and twenty cards in 2023 and 2024. Rows read
// as "level code" ("level *" for a dimension root).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "analysis/components/components_install.h"
#include "analysis/components/components_window.h"
#include "database/cards.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/template_runner.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/analysis/components/components_fixture.h"

namespace comps_test {

struct Line {
  int32_t year, month, day, number;
  const char* account;
  const char* product;  // dimension 1, "" for none
  const char* region;   // dimension 2, "" for none
  double value;
};

inline const std::vector<Line>& FixtureLines() {
  static const std::vector<Line> lines = {
      {2023, 3, 1, 1, "111", "AAA", "XXX", 100},  {2023, 6, 1, 1, "112", "AAB", "XX", 50},
      {2023, 9, 1, 1, "121", "AB", "Y", -20},     {2024, 1, 5, 1, "111", "AAA", "XXX", 10},
      {2024, 1, 5, 1, "112", "AAA", "XX", 5},     {2024, 1, 9, 1, "111", "AAB", "XXX", -3},
      {2024, 2, 1, 1, "121", "AB", "YY", 7},      {2024, 2, 1, 1, "121", "BA", "YY", 8},
      {2024, 2, 3, 1, "211", "BA", "Y", -12},     {2024, 3, 1, 1, "211", "B", "XX", 4},
      {2024, 3, 1, 2, "111", "AAA", "", 2},       {2024, 4, 1, 1, "11", "AA", "XXX", 6},
      {2024, 4, 2, 1, "112", "", "XX", 0},        {2024, 5, 1, 1, "121", "AB", "YY", 9},
      {2024, 6, 1, 1, "211", "BA", "Y", 1},       {2024, 7, 1, 1, "111", "AAB", "XX", 3},
      {2024, 8, 1, 1, "21", "B", "YY", -6},       {2024, 9, 1, 1, "12", "AB", "Y", 11},
      {2024, 10, 1, 1, "111", "AAA", "XXX", 15},  {2024, 11, 1, 1, "121", "BA", "YY", -4},
      {2025, 2, 1, 1, "111", "AAA", "XXX", 1000}, {2025, 3, 1, 1, "211", "BA", "Y", -500},
  };
  return lines;
}

inline T_Base* NewFixtureBase() {
  auto* base = new T_Base(nullptr, 0);
  for (const char* code : {"1", "11", "111", "112", "12", "121", "2", "21", "211"})
    AddComponent(base, 0, code, nullptr, nullptr);
  for (const char* code : {"A", "AA", "AAA", "AAB", "AB", "B", "BA"})
    AddComponent(base, 1, code, nullptr, nullptr);
  for (const char* code : {"X", "XX", "XXX", "Y", "YY"}) AddComponent(base, 2, code, nullptr, nullptr);
  SetValueCount(base, 1);
  for (const Line& l : FixtureLines()) {
    CardId id{PackDate(l.year, l.month, l.day), l.number};
    CardRecord* card = FindCardAtOrBefore(base, &id);
    if (card == base->sentinelCard || card->dateNode->date != id.date ||
        card->dayNumber != l.number)
      card = CreateCard(base, &id);
    ComponentRecord* account = FindByCode(base, 0, l.account);
    GroupRecord* group = base->FindOrAddGroup(card, account->number);
    LineRecord* line = CreateLine(base, group);
    base->SetLineValue(line, 0, l.value);
    if (*l.product) base->SetLineComponent(line, 0, FindByCode(base, 1, l.product)->number);
    if (*l.region) base->SetLineComponent(line, 1, FindByCode(base, 2, l.region)->number);
  }
  return base;
}

class CompsWindowTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallComponentsWindow();
    base = NewFixtureBase();
  }
  void TearDown() override {
    Close();
    delete base;
    SetWindowOpener(kTemplateComponents, nullptr);
    SetTemplateConstructor(kTemplateComponents, nullptr);
    BoxTest::TearDown();
  }
  void Close() {
    if (window) EventHandler_CloseAndDelete(window, 3);
    window = nullptr;
  }
  // A window of a template set up by the caller, calculated.
  template <typename SetUpFn>
  T_Comps* Open(SetUpFn setUp) {
    Close();
    T_CompsTmpl templ(base);
    setUp(&templ);
    window = AsCompsWindow(OpenComponentsWindow(&templ, nullptr, 0));
    EXPECT_NE(window, nullptr);
    if (window) {
      window->templ = nullptr;
      window->tupleEstimate = estimate;
      window->RunCalculation(true, true);
    }
    return window;
  }
  // "level code" of every row.
  std::vector<std::string> Rows() const {
    std::vector<std::string> out;
    for (int64_t node : window->rows) {
      const StruxNode* n = window->Node(node);
      std::string code = n->component->parent ? n->component->code : "*";
      out.push_back(std::to_string(n->level) + " " + code);
    }
    return out;
  }
  // The texts of a row, field by field.
  std::vector<std::string> Texts(int64_t row) {
    RowTextPool pool;
    std::vector<std::string> texts;
    if (!pool.Init()) return texts;
    window->GetRowTexts(&pool, row);
    for (T_BoxField* f = window->firstField; f; f = f->next)
      texts.emplace_back(f->cellText ? f->cellText : "");
    pool.Free();
    return texts;
  }
  // The row of a node showing the code in the slot's tree; -1 for none.
  int64_t RowOf(const std::string& code, int32_t slot = 0) {
    for (size_t r = 0; r < window->rows.size(); ++r) {
      const StruxNode* n = window->Node(window->rows[r]);
      if (n->slot == slot && n->component->parent && code == n->component->code)
        return static_cast<int64_t>(r);
    }
    return -1;
  }

  T_Base* base = nullptr;
  T_Comps* window = nullptr;
  int64_t estimate = kTupleEstimate;  // the tuple table's first size estimate
};

}  // namespace comps_test
