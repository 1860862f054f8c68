#pragma once
// Shared by the tests of the template, defaults and subset sections: a database read from and
// written to memory and files with the machine, the clock and the container seeds pinned (the
// open-and-save fixture), analysis windows that are never opened (the template tests' fake
// windows), and the golden section text.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "../opensave/opensave_fixture.h"
#include "../templates/templates_fixture.h"
#include "database/save_options.h"
#include "database/section_stream.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "database/template_sections.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "tests/source_path.h"

namespace template_sections_test {

using templates_test::T_FakeWindow;

// The golden files: the section text, and the templates file written from it in both kinds.
inline std::string GoldenPath(const std::string& name) {
  return TestSourcePath("tests/database/templatesections/data/" + name);
}

// With QEB_UPDATE_GOLDEN set a test writes its golden files instead of comparing, to be looked
// at before they are committed.
inline bool UpdatingGolden() { return std::getenv("QEB_UPDATE_GOLDEN") != nullptr; }

// Memory streams over the database's sections: only those given are written.
inline void SaveOnly(T_Base* base, std::initializer_list<SaveSection> sections) {
  SaveOptionsFromBase(&base->saveOptions, base);
  for (uint8_t& flag : base->saveOptions.sections) flag = 0;
  for (SaveSection section : sections) base->saveOptions.sections[section] = 1;
}

inline std::string WriteSections(T_Base* base) {
  T_OStream out;
  writeDatabaseSections(base, &out);
  return Written(out);
}

// The subsets, the templates and the defaults, then "##End".
inline std::string WriteTemplateSections(T_Base* base) {
  SaveOnly(base, {kSectionSubsets, kSectionTemplates, kSectionDefaults});
  return WriteSections(base);
}

// Empty when the texts are equal, else where they part, with a little of each: texts of this size
// printed whole would bury the difference.
inline std::string FirstDifference(const std::string& written, const std::string& expected) {
  if (written == expected) return "";
  size_t at = 0;
  while (at < written.size() && at < expected.size() && written[at] == expected[at]) ++at;
  size_t from = at > 40 ? at - 40 : 0;
  return "differ at byte " + std::to_string(at) + ": written \"" + written.substr(from, 80) +
         "\", expected \"" + expected.substr(from, 80) + "\"";
}

inline bool ReadSections(T_Base* base, const std::string& text) {
  TextInput input(text);
  return readDatabaseSections(base, &input.stream);
}

class TemplateSectionsTest : public OpenSaveTest {
 protected:
  void TearDown() override {
    for (T_FakeWindow* window : windows) {
      if (Listed(window)) delete window;
    }
    for (int32_t kind : {1, 2, 3, 4, 5, 10}) SetWindowOpener(kind, nullptr);
    OpenSaveTest::TearDown();
  }

  // A window that shows the template, as its opener would have made it.
  T_FakeWindow* OpenWindowOn(T_Template* templ) {
    auto* window = new T_FakeWindow(templ->kind, templ->database);
    window->templ = templ;
    windows.push_back(window);
    return window;
  }
  static bool Listed(T_HWindow* window) {
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) {
      if (w == window) return true;
    }
    return false;
  }
  static T_Template* Store(T_Base* base, const char* path, int32_t kind = kTemplateCards) {
    return templates_test::StoreNewTemplate(base, path, kind);
  }

  std::vector<T_FakeWindow*> windows;
};

}  // namespace template_sections_test
