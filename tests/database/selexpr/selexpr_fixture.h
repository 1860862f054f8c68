#pragma once
// A database whose dimension 1 holds a tree of three levels, with codes that hold "&", a quote
// mark and non-ASCII letters, and a component selection over it. In tree order:
//
//   3 Three                   4 Four (host H4)        R&D Research & development
//     35 Thirty-five (H35)      41 Forty-one            R&D1 Lab
//       351 Deep                  411 Forty-one one   'Q Quoted
//     36 Thirty-six             42 Forty-two          ÅS Ås
//                                                       ÅS1 Ørsta
#include <gtest/gtest.h>

#include <string>

#include "core/alert.h"
#include "database/base.h"
#include "database/component_lookup.h"
#include "database/component_selection.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/read_prompt.h"
#include "tests/database/components/components_fixture.h"

namespace selexpr_test {

constexpr int32_t kDim = 1;

using components_test::ReadPromptIsLinked;
using components_test::ScriptedAlerts;

class SelexprTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = new T_Base(nullptr, 0);
    Add("3", "Three");
    Add("35", "Thirty-five", "H35");
    Add("351", "Deep");
    Add("36", "Thirty-six");
    Add("4", "Four", "H4");
    Add("41", "Forty-one");
    Add("411", "Forty-one one");
    Add("42", "Forty-two");
    Add("R&D", "Research & development");
    Add("R&D1", "Lab");
    Add("'Q", "Quoted");
    Add("\xC3\x85S", "\xC3\x85s");
    Add("\xC3\x85S1", "\xC3\x98rsta");
    CompSelInit(&selection, base, nullptr);
  }
  void TearDown() override {
    CompSelFree(&selection);
    delete base;
    PendingErrorClear();
  }

  ComponentRecord* Add(const char* code, const char* text, const char* host = nullptr,
                       int32_t d = kDim) {
    return AddComponent(base, d, code, text, host);
  }
  int64_t C(const char* code, int32_t d = kDim) {
    ComponentRecord* found = FindByCode(base, d, code);
    return found ? found->number : -1;
  }

  bool Compile(const char* text, int32_t d = kDim) {
    return CompSelCompileDimension(&selection, d, text);
  }
  std::string Printed(char separator, int32_t d = kDim) {
    T_TextBuf text;
    CompSelPrintDimension(&selection, &text, d, separator);
    return text.data;
  }
  std::string Stored(int32_t d = kDim) { return Printed(0, d); }
  std::string Display(int32_t d = kDim) { return Printed(' ', d); }

  // The selected components of the dimension in tree order, the root as "\".
  std::string Selected(int32_t d = kDim) {
    std::string out;
    ComponentRecord* root = ComponentAt(base, d);
    ComponentRecord* node = root;
    do {
      if (CompSelSelects(&selection, node->number)) {
        if (!out.empty()) out += ' ';
        out += node == root ? "\\" : node->code;
      }
      node = CompTreeNext(node);
    } while (node != root);
    return out;
  }

  // The whole fixture dimension, as Selected shows an unrestricted one.
  static constexpr const char* kEverything =
      "\\ 3 35 351 36 4 41 411 42 R&D R&D1 'Q \xC3\x85S \xC3\x85S1";

  ScriptedAlerts alerts;
  T_Base* base = nullptr;
  ComponentSelection selection;
};

}  // namespace selexpr_test
