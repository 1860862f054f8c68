// Importing into a database that holds data, and the undo of an import that fails.
#include <new>
#include <string>
#include <vector>

#include "database/component_lookup.h"
#include "database/line_origins.h"
#include "database/read_rollback.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/subsets.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "opensave_fixture.h"

namespace {

using Importing = OpenSaveTest;

// Only new objects: a setup named to sort before the old ones, a second time scale, a macro, a
// subset and a template, and (read while the records are linked) new components under old and
// new parents and cards.
const std::string kAdditions =
    "##QEB-Text\t121122\r\n\r\n"
    "##TimeScale\tVeckor\r\n250106-1\tV2\r\n"
    "##SaveSetup\tA\xC3\xA5r\r\nFB\r\n"
    "##ImportSetup\tKassa\r\nE\tUTF-8\r\n"
    "##Macro\tbeep\r\nM\tbeep\r\n"
    "##Subset\tSmall\r\nVN\tItem 2\r\n"
    "##Templates\r\n#L\tReports: Lines\r\nxeE\tUTF-8\r\n"
    "##Dimension\t1\r\n1030\tKassa\r\n3\tSkulder\r\n30\tL\xC3\xA5n\r\n\r\n"
    "##Cards\r\n"
    "C260102-1\tImporterad\r\nG1030\r\nL12.5\r\n\r\n"
    "C260103-1\tOckså\r\nG30\r\nL-4\r\n\r\n";

std::string Counts(T_Base* base) {
  return std::to_string(base->cardCount) + " cards, " + std::to_string(base->lineCount) +
         " lines, " + std::to_string(CountComponentsInUse(base)) + " components";
}

TEST_F(Importing, AnImportAddsToTheDatabase) {
  T_Base* base = NewSample();
  const std::string path = Path("additions.qex");
  WriteWholeFile(path, kAdditions + "##End\r\n");
  base->generatedCodeCounters[1] = 41;
  const int64_t cards = base->cardCount;

  EXPECT_TRUE(base->ImportFile(path.c_str(), nullptr, nullptr, 0));
  EXPECT_TRUE(user.asked.empty());
  EXPECT_EQ(base->generatedCodeCounters[1], 0);
  EXPECT_NE(FindSaveSetup(base, "A\xC3\xA5r"), nullptr);
  EXPECT_NE(FindSaveSetup(base, "M\xC3\xA5nad"), nullptr);
  EXPECT_NE(FindImportSetup(base, "Kassa"), nullptr);
  EXPECT_TRUE(HasMacro(base, "beep"));
  ASSERT_NE(base->timeScales, nullptr);
  EXPECT_STREQ(base->timeScales->next->next->name, "Veckor");
  EXPECT_NE(FindTemplate(base, "Reports: Lines"), nullptr);
  EXPECT_NE(SubsetFind(base->subsets, "Small"), nullptr);
  // An import keeps the database's own file: its kind, version and path.
  EXPECT_EQ(base->fileKind, 0);
  EXPECT_EQ(base->untitledNumber, 0u);
  EXPECT_TRUE(base->modified);
  if (CardRecordsLinked()) {
    EXPECT_EQ(base->cardCount, cards + 2);
    EXPECT_NE(FindByCode(base, 0, "1030"), nullptr);
  }
  ExpectModelSound(base);
}

TEST_F(Importing, AFailedImportLeavesTheDatabaseAsItWas) {
  T_Base* base = NewSample();
  const std::string before = ModelDump(base);
  const std::string counts = Counts(base);
  const int64_t templates = CountTemplates(base);

  // The read goes wrong after everything was added: the user cancels at an unknown section.
  const std::string path = Path("failing.qex");
  WriteWholeFile(path, kAdditions + "##Bogus\r\n##End\r\n");
  user.answers[3818] = kCancel;
  TakeNotes(base);
  EXPECT_FALSE(base->ImportFile(path.c_str(), nullptr, nullptr, 0));
  EXPECT_EQ(user.asked, std::vector<int32_t>{3818});
  EXPECT_EQ(ModelDump(base), before);
  EXPECT_EQ(Counts(base), counts);
  EXPECT_EQ(CountTemplates(base), templates);
  ExpectModelSound(base);
  EXPECT_TRUE(base->errorFlag);
  EXPECT_TRUE(AbortRequested());  // the failure stays for the caller to report
  if (CardRecordsLinked()) {
    const std::vector<int32_t> notes = TakeNotes(base);
    EXPECT_TRUE(Contains(notes, kChangeComponentsDeleted));
    EXPECT_TRUE(Contains(notes, kChangeCards));
  }
}

TEST_F(Importing, ImportedLinesRememberTheirFile) {
  SKIP_WITHOUT_CARD_RECORDS();
  T_Base* base = NewSample();
  ASSERT_TRUE(SetLineOrigins(base, true));
  const std::string path = Path("origins.qex");
  WriteWholeFile(path, kAdditions + "##End\r\n");
  ASSERT_TRUE(base->ImportFile(path.c_str(), nullptr, nullptr, 0));
  T_TextBuf origin;
  std::vector<std::string> origins;  // file and row of each line that has one
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    for (GroupRecord* group = card->firstGroup; group != nullptr; group = group->next) {
      for (LineRecord* line = group->firstLine; line != nullptr; line = line->next) {
        if (LineOriginText(base, line, &origin)) origins.emplace_back(origin.c_str());
      }
    }
  }
  EXPECT_EQ(origins, (std::vector<std::string>{"origins.qex:24", "origins.qex:28"}));
}

// The undo itself, on objects made through the model while the read stands open.
TEST_F(Importing, TheRollbackRemovesWhatCameAfterTheSnapshot) {
  T_Base base(Path("into.qeb").c_str(), 0);
  FillSample(&base);
  if (!CardRecordsLinked()) AddSampleModel(&base);
  StoreTemplate(&base, NewTemplate(&base, kTemplateCards), "Old: One");
  const int64_t templates = CountTemplates(&base);
  const std::string before = ModelDump(&base);
  const std::string counts = Counts(&base);

  ReadSnapshot snapshot;
  ASSERT_TRUE(TakeReadSnapshot(&base, &snapshot));
  AddComponent(&base, 0, "1030", "Under an old parent", nullptr);
  AddComponent(&base, 0, "9", "A new tree", nullptr);
  AddComponent(&base, 0, "91", "Below it", nullptr);
  AddComponent(&base, 2, "X", "A new dimension", nullptr);
  CardId id{PackDate(2026, 2, 2), 1};
  CardRecord* card = CreateCard(&base, &id);
  GroupRecord* group = base.FindOrAddGroup(card, FindByCode(&base, 0, "91")->number);
  base.SetLineComponent(CreateLine(&base, group), 1, FindByCode(&base, 2, "X")->number);
  SaveSetupCreate(&base, "Aaa");
  SaveSetupCreate(&base, "Zzz");
  ImportSetupCreate(&base, "A first");
  new (std::nothrow) TimeScale(&base, "New scale");
  MacroCreate(&base, "new macro");
  StoreTemplate(&base, NewTemplate(&base, kTemplateLines), "Old: Two");
  StoreTemplate(&base, NewTemplate(&base, kTemplateLines), "New: Three");
  TextInput held("##Subset\tNew\r\nF\tItem\r\n##Templates\r\n#C\tNew one\r\n##End\r\n");
  readDatabaseSections(&base, &held.stream);
  ASSERT_NE(Counts(&base), counts);

  // The read failed: its error is pending and the abort flag raised.
  PendingErrorSet(3811);
  TakeNotes(&base);
  RollBackRead(&base, &snapshot);
  FreeReadSnapshot(&snapshot);
  EXPECT_EQ(PendingError.request.message, 3811);
  EXPECT_TRUE(AbortRequested());
  EXPECT_EQ(ModelDump(&base), before);
  EXPECT_EQ(Counts(&base), counts);
  ExpectModelSound(&base);
  EXPECT_EQ(CountTemplates(&base), templates);
  EXPECT_NE(FindTemplate(&base, "Old: One"), nullptr);
  EXPECT_EQ(FindTemplate(&base, "New"), nullptr);
  EXPECT_EQ(base.lineSlots, 1);  // dimension 2 has no components again
  const std::vector<int32_t> notes = TakeNotes(&base);
  EXPECT_TRUE(Contains(notes, kChangeComponentsDeleted));
  EXPECT_TRUE(Contains(notes, kChangeComponentsRebuilt));
  EXPECT_TRUE(Contains(notes, kChangeCards));
  EXPECT_TRUE(Contains(notes, kChangeTimeScaleDeleted));
  for (int32_t d = 0; d < kDimensionCount; ++d) EXPECT_FALSE(base.dimensionChangePending[d]);
  EXPECT_FALSE(base.cardChangePending);
}

}  // namespace
