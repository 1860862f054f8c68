// Expanding the tree: a table of expansion texts against the expanded nodes, the state saved and
// restored across a calculation, a changed first view dimension, the 8000-byte cap, and node
// tokens against values computed once by an independent script.
#include <gtest/gtest.h>

#include <string>

#include "analysis/components/strux_paths.h"
#include "tests/analysis/components/window/comps_window_fixture.h"

namespace {

using comps_test::CompsWindowTest;

class StruxExpand : public CompsWindowTest {
 protected:
  // The accounts tree with the expansion text of the template applied by the first build.
  void OpenWith(const char* text, int32_t dims = 1) {
    Open([&](T_CompsTmpl* t) {
      t->viewDims.count = dims;
      t->viewDims.dimension[0] = 0;
      t->viewDims.dimension[1] = 1;
      t->SetExpansionText(text);
    });
  }
  // The codes of the expanded nodes in row order ("*" for the root).
  std::string Expanded() {
    std::string out;
    for (int64_t n = 0; n < window->nodeCount; ++n) {
      const StruxNode* node = window->Node(n);
      if (!node->expanded) continue;
      if (!out.empty()) out += ' ';
      out += node->component->parent ? node->component->code : "*";
    }
    return out;
  }
};

std::string Token(const char* text) {
  T_TextBuf token;
  WebNodeToken(&token, text);
  return token.data;
}

TEST_F(StruxExpand, TextsAgainstTheExpandedNodes) {
  const std::string one = "w" + Token("1");
  const std::string two = "w" + Token("211") + ":" + Token("12");
  struct Case {
    std::string text;
    const char* expanded;
  } cases[] = {
      {"-x0", ""},
      {"-x1", "*"},
      {"-x2", "* 1 2"},
      {"-x99", "* 1 11 12 2 21"},
      {"-x99999999999", "*"},  // an overflowing number expands nothing (the root stays)
      {"-w1", "* 1 11 12 2 21"},
      {"|", ""},
      {"|1|11|", "* 1 11"},
      {"\\12\\2\\", "* 1 11 21"},
      {"wroot", "*"},
      {"wnone", ""},
      {one, "* 1"},
      {two, "* 1 12 2 21"},  // a leaf opens its ancestors
      {"wabc", ""},
      {"?", "*"},
  };
  for (const Case& c : cases) {
    OpenWith(c.text.c_str());
    EXPECT_EQ(Expanded(), c.expanded) << c.text;
  }
}

TEST_F(StruxExpand, StateSurvivesACalculationButNotANewFirstDimension) {
  OpenWith("|1|11|");
  window->ToggleNode(window->RowNode(RowOf("2")), false, false);
  EXPECT_EQ(Expanded(), "* 1 11 2");
  window->RunCalculation(true, true);
  EXPECT_EQ(Expanded(), "* 1 11 2");
  window->ChooseViewDimension(1);
  window->RunCalculation(true, true);
  EXPECT_EQ(Expanded(), "*");
}

TEST_F(StruxExpand, SavedStateStopsAt8000Bytes) {
  for (int32_t i = 0; i < 20000; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "Q%05d", i);
    AddComponent(base, 3, code, nullptr, nullptr);
  }
  // Every other component gets a child so that half of them can be expanded.
  for (int32_t i = 0; i < 20000; i += 2) {
    char code[16];
    std::snprintf(code, sizeof code, "Q%05dC", i);
    AddComponent(base, 3, code, nullptr, nullptr);
  }
  Open([](T_CompsTmpl* t) { t->viewDims.dimension[0] = 3; });
  ASSERT_GT(window->nodeCount, 30000);
  // Every other expandable node open, so neither list is empty.
  for (int64_t n = 1; n < window->nodeCount; ++n) {
    if (window->HasChildren(n)) window->Node(n)->expanded = (n / 2) % 2;
  }
  window->RebuildRows();
  T_TextBuf text;
  window->SaveExpansionState(&text);
  EXPECT_GE(text.length, 7990);
  EXPECT_LE(text.length, 8000 + 16);
}

TEST_F(StruxExpand, NodeNamesAreTokensOfTheirCodes) {
  // Computed once with the formula by an independent script.
  EXPECT_EQ(Token("1"), "n000n00");
  EXPECT_EQ(Token("111"), "n4JCj5J");
  EXPECT_EQ(Token("1910"), "37JEswM");
  EXPECT_EQ(Token("AAA 111"), "QLFzZ-8");
  OpenWith("-x99", 2);
  T_TextBuf name;
  window->NodeName(&name, 0);
  EXPECT_STREQ(name.data, "root");
  int64_t node = -1;
  for (int64_t n = 0; n < window->nodeCount && node < 0; ++n) {
    const StruxNode* x = window->Node(n);
    const int64_t account = window->SlotAncestor(n, 0);
    const ComponentRecord* a = window->Node(account)->component;
    if (x->slot == 1 && x->component->parent && std::string(x->component->code) == "AAA" &&
        a->parent && std::string(a->code) == "111")
      node = n;
  }
  ASSERT_GE(node, 0);
  window->NodeName(&name, node);
  EXPECT_STREQ(name.data, "QLFzZ-8");
}

}  // namespace
