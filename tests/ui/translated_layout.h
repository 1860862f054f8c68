#pragma once
// The languages whose translations the window and dialog tests hold to the layout check, and the
// comparison with English: a window whose English layout has faults of its own must get no
// further fault from a translation. A language joins the tests by one row of the table.
#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "core/localized_text.h"
#include "tests/ui/layout_check.h"
#include "ui/application.h"

namespace ui_test {

struct TestLanguage {
  int32_t language;
  const char* name;
};
inline constexpr TestLanguage kTranslations[] = {
    {12, "swedish"},
    {2, "danish"},
    {9, "norwegian"},
    {7, "german"},
    {5, "finnish"},
    {6, "french"},
    {3, "dutch"},
    {10, "slovak"},
};

// A fault with its quoted texts and the extents that follow their widths left out, so that a
// frame titled in Swedish names the same fault as the frame titled in English.
inline std::string LanguageNeutral(const std::string& fault) {
  static const std::regex wording("\"[^\"]*\"|(drawn|in a box) \\([^)]*\\)-\\([^)]*\\)");
  return std::regex_replace(fault, wording, "");
}

// The faults the window's layout check finds in the language and not in English; the language is
// English again after.
inline LayoutFaults FaultsAddedByLanguage(T_GrafElement* window, int32_t language) {
  App()->SetLanguage(kLanguageEnglish);
  std::vector<std::string> english;
  for (const std::string& line : LayoutCheck(window).lines) english.push_back(LanguageNeutral(line));
  App()->SetLanguage(language);
  LayoutFaults added;
  for (const std::string& line : LayoutCheck(window).lines) {
    if (std::find(english.begin(), english.end(), LanguageNeutral(line)) == english.end()) added.Add(line);
  }
  App()->SetLanguage(kLanguageEnglish);
  return added;
}

}  // namespace ui_test
