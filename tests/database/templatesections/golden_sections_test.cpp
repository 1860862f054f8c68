// The golden section text (subsets, a template tree with folders and every kind from 1 to 5 with
// every box key away from its default, the six defaults) is read and written back byte for byte:
// through memory, and as the templates file in the text form and in the container.
#include <string>

#include "core/file_dialogs.h"
#include "template_sections_fixture.h"

namespace template_sections_test {
namespace {

using GoldenSections = TemplateSectionsTest;

std::string Golden() { return ReadWholeFile(GoldenPath("sections.txt")); }

// The options of Save Templates, in the kind given.
bool SaveTemplatesFile(T_Base* base, const std::string& path, int32_t kind) {
  SaveOptions options;
  SaveOptionsInit(&options, base);
  SaveOptionsClearSections(&options);
  for (SaveSection on : {kSectionCharacters, kSectionSubsets, kSectionTemplates, kSectionDefaults})
    options.sections[on] = 1;
  options.kind = kind;
  const bool saved = SaveDatabaseTo(base, path.c_str(), &options);
  SaveOptionsFree(&options);
  return saved;
}

TEST_F(GoldenSections, ComeBackByteForByteThroughMemory) {
  const std::string golden = Golden();
  ASSERT_NE(golden, "<missing>");
  T_Base base(nullptr, 0);
  ASSERT_TRUE(ReadSections(&base, golden));
  EXPECT_TRUE(user.asked.empty());
  EXPECT_EQ(FirstDifference(WriteTemplateSections(&base), golden), "");

  // What the reading made of it: the folders the paths imply, a stand-in of each kind, the
  // subsets by name.
  EXPECT_EQ(templates_test::Outline(&base),
            "Functions/\n  Margins \xC3\xB8\nReports/\n  Archive/\n    2024/\n      Q1\n"
            "      Q2 \xE2\x80\x93 net\n  Cards by month\n  Lines/\n    Open items\nStructure\n"
            "Time/\n  Monthly sums\n");
  EXPECT_EQ(templates_test::TreeProblems(base.rootTemplate), "");
  EXPECT_EQ(CountTemplates(&base), 7);
  for (int32_t kind = kTemplateCards; kind <= kTemplateComponentFunctions; ++kind) {
    T_Template* templ = nullptr;
    for (T_Template* node = base.rootTemplate; node; node = node->NextBelow(base.rootTemplate)) {
      if (node->kind == kind) templ = node;
    }
    ASSERT_NE(templ, nullptr) << kind;
    EXPECT_TRUE(IsStandInTemplate(templ));
  }
  EXPECT_EQ(AsBoxTemplate(base.GetDefaultTemplate(kTemplateCards))->modeBoxWidth, 120);
  EXPECT_EQ(AsBoxTemplate(base.GetDefaultTemplate(kTemplateCard))->right, 420);
  ASSERT_EQ(base.subsets->count, 2);
  EXPECT_EQ(SubsetFind(base.subsets, "north")->itemCount, 2);

  // A second database read from what the first wrote holds the same.
  T_Base copy(nullptr, 0);
  ASSERT_TRUE(ReadSections(&copy, WriteTemplateSections(&base)));
  EXPECT_EQ(FirstDifference(ModelDump(&copy), ModelDump(&base)), "");
}

TEST_F(GoldenSections, TheTemplatesFileInEitherKindOpensAndSavesToTheSameBytes) {
  const std::string golden = Golden();
  T_Base* base = new T_Base(nullptr, 0);
  ASSERT_TRUE(ReadSections(base, golden));
  FileDialogAnswerInAdvance(Path("templates.qeb").c_str());
  ASSERT_TRUE(SaveTemplates(base));
  ASSERT_TRUE(SaveTemplatesFile(base, Path("templates.qex"), kSaveKindText));
  const char* const kFiles[] = {"templates.qex", "templates.qeb"};
  for (const char* name : kFiles) {
    const std::string written = ReadWholeFile(Path(name));
    if (UpdatingGolden()) {
      WriteWholeFile(GoldenPath(name), written);
    } else {
      EXPECT_TRUE(written == ReadWholeFile(GoldenPath(name))) << name << " differs";
    }
  }

  // Each golden file opens to the golden sections and is written again in both kinds as it is.
  for (const char* source : kFiles) {
    T_Base* opened = openDatabase(GoldenPath(source).c_str(), nullptr, 0);
    ASSERT_NE(opened, nullptr) << source;
    EXPECT_TRUE(user.asked.empty()) << source;
    const bool textForm = std::string(source).back() == 'x';
    EXPECT_EQ(opened->fileKind, textForm ? kFileKindTextForm : kFileKindContainerU);
    FileDialogAnswerInAdvance(Path("again.qeb").c_str());
    ASSERT_TRUE(SaveTemplates(opened));
    ASSERT_TRUE(SaveTemplatesFile(opened, Path("again.qex"), kSaveKindText));
    EXPECT_EQ(FirstDifference(WriteTemplateSections(opened), golden), "") << source;
    DeleteBase(opened, kCloseSilently);
    EXPECT_TRUE(ReadWholeFile(Path("again.qeb")) == ReadWholeFile(GoldenPath("templates.qeb")))
        << "the container saved from " << source << " differs";
    EXPECT_TRUE(ReadWholeFile(Path("again.qex")) == ReadWholeFile(GoldenPath("templates.qex")))
        << "the text form saved from " << source << " differs";
  }
}

}  // namespace
}  // namespace template_sections_test
