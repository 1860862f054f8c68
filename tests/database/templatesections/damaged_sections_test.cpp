// Damaged input: a seeded, bounded run of mutations of the golden section text. Every read ends,
// the template tree keeps its invariants, and what the database then writes reads back to the
// same text.
#include <string>

#include "template_sections_fixture.h"

namespace template_sections_test {
namespace {

using DamagedSections = TemplateSectionsTest;

constexpr int32_t kRounds = 300;

// One mutation of the text at a place the seed chooses.
void Mutate(std::string* text, uint32_t* seed) {
  static const char kBytes[] = "#\t\r\n :xKCLPTRS\x80\xC3";
  static const char* const kInserts[] = {"##Templates\r\n",  "##Defaults\r\n", "#C\t", "#K\t",
                                         "\r\n#P\tA: A\r\n", "##Subset\t"};
  if (text->empty()) return;
  const size_t at = NextRandom(seed) % text->size();
  switch (NextRandom(seed) % 5) {
    case 0:
      (*text)[at] = kBytes[NextRandom(seed) % (sizeof kBytes - 1)];
      break;
    case 1:
      text->erase(at, NextRandom(seed) % 200);
      break;
    case 2: {
      size_t start = text->rfind('\n', at);
      start = start == std::string::npos ? 0 : start + 1;
      size_t end = text->find('\n', at);
      end = end == std::string::npos ? text->size() : end + 1;
      text->insert(NextRandom(seed) % text->size(), text->substr(start, end - start));
      break;
    }
    case 3:
      text->resize(at);
      break;
    default:
      text->insert(at, kInserts[NextRandom(seed) % 6]);
      break;
  }
}

TEST_F(DamagedSections, EveryMutationReadsToAnEndAndLeavesASoundTree) {
  const std::string golden = ReadWholeFile(GoldenPath("sections.txt"));
  ASSERT_NE(golden, "<missing>");
  uint32_t seed = 20261210;
  for (int32_t round = 0; round < kRounds; ++round) {
    std::string text = golden;
    for (uint32_t edits = 1 + NextRandom(&seed) % 4; edits > 0; --edits) Mutate(&text, &seed);
    SCOPED_TRACE("round " + std::to_string(round));
    T_Base base(nullptr, 0);
    ReadSections(&base, text);
    ASSERT_EQ(templates_test::TreeProblems(base.rootTemplate), "");
    for (T_Template* node = base.rootTemplate->firstChild; node;
         node = node->NextBelow(base.rootTemplate)) {
      ASSERT_TRUE(node->kind == kTemplateFolder ||
                  (node->kind >= kTemplateCards && node->kind <= kTemplateComponentFunctions));
      ASSERT_TRUE(node->kind == kTemplateFolder || node->firstChild == nullptr);
    }
    PendingErrorClear();
    const std::string written = WriteTemplateSections(&base);
    T_Base again(nullptr, 0);
    ReadSections(&again, written);
    ASSERT_EQ(FirstDifference(WriteTemplateSections(&again), written), "");
    PendingErrorClear();
  }
}

}  // namespace
}  // namespace template_sections_test
