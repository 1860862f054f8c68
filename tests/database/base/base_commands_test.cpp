// The database commands: each runs its installed editor, dialog or service, and is disabled and
// does nothing while that is missing; the default templates run through the engine's runner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "core/file_dialogs.h"
#include "database/base.h"
#include "database/operation_log.h"
#include "tests/database/base/base_fixture.h"

namespace {

using base_test::BaseTest;

std::vector<std::string> ran;
T_Base* ranOn;

template <int Tag>
void Record(T_Base* base) {
  ran.push_back(std::to_string(Tag));
  ranOn = base;
}

BaseServices RecordingServices() {
  BaseServices s{};
  s.openDimensionEditor = [](T_Base* base, int32_t d) {
    ran.push_back("dimension " + std::to_string(d));
    ranOn = base;
  };
  s.runDefaultTemplate = [](T_Base* base, int32_t kind) {
    ran.push_back("template " + std::to_string(kind));
    ranOn = base;
  };
  s.saveDatabase = [](T_Base* base) {
    Record<204>(base);
    return true;
  };
  s.saveDatabaseAs = [](T_Base* base) {
    Record<205>(base);
    return true;
  };
  s.saveTemplates = [](T_Base* base) {
    Record<2503>(base);
    return true;
  };
  s.newSaveSetup = Record<2505>;
  s.deleteSaveSetup = Record<2506>;
  s.editProtection = Record<2507>;
  s.editWebUsers = Record<2508>;
  s.newImportSetup = Record<2511>;
  s.deleteImportSetup = Record<2512>;
  s.editCopyingOptions = Record<2519>;
  s.newCard = Record<2526>;
  s.newSubset = Record<2534>;
  s.deleteSubset = Record<2535>;
  s.newTimeScale = Record<2537>;
  s.deleteTimeScale = Record<2538>;
  s.newMacro = Record<2540>;
  s.deleteMacro = Record<2541>;
  s.showDatabaseInfo = Record<2542>;
  s.runDatabaseSettings = Record<2543>;
  s.openXmlTester = Record<2545>;
  return s;
}

struct Command {
  int32_t id;
  std::string runs;
};
const Command kCommands[] = {
    {25, "dimension 0"},  {26, "dimension 1"},  {56, "dimension 31"}, {204, "204"},
    {205, "205"},         {2503, "2503"},       {2505, "2505"},       {2506, "2506"},
    {2507, "2507"},       {2508, "2508"},       {2511, "2511"},       {2512, "2512"},
    {2519, "2519"},       {2526, "2526"},       {2534, "2534"},       {2535, "2535"},
    {2537, "2537"},       {2538, "2538"},       {2540, "2540"},       {2541, "2541"},
    {2542, "2542"},       {2543, "2543"},       {2545, "2545"},       {2547, "template 1"},
    {2548, "template 2"}, {2551, "template 5"},
};
// Neighbours of the table that belong to others.
const int32_t kNotDatabaseCommands[] = {24, 57, 203, 206, 2504, 2544, 2546, 2552, 0, -5};

TEST_F(BaseTest, CommandsWithoutTheirEditorAreDisabledAndDoNothing) {
  auto* base = new T_Base(nullptr, 0);
  ran.clear();
  for (const Command& c : kCommands) {
    // The default templates run through the engine's own runner, which opens nothing while no
    // window kind is installed; the saves are the engine's own, and each asks for a file first
    // (cancelled here).
    bool saves = c.id == 204 || c.id == 205 || c.id == 2503;
    bool engines = saves || (c.id >= 2547 && c.id <= 2551);
    EXPECT_EQ(base->IsCommandEnabled(c.id), engines) << c.id;
    if (saves) FileDialogAnswerInAdvance(nullptr);
    EXPECT_EQ(base->DoCommand(c.id), engines) << c.id;
    PendingErrorClear();
  }
  EXPECT_TRUE(ran.empty());
}

TEST_F(BaseTest, EachCommandRunsItsOwnService) {
  BaseServices services = RecordingServices();
  SetBaseServices(&services);
  auto* base = new T_Base(nullptr, 0);
  for (const Command& c : kCommands) {
    ran.clear();
    ranOn = nullptr;
    EXPECT_TRUE(base->IsCommandEnabled(c.id)) << c.id;
    EXPECT_TRUE(ran.empty()) << "asking ran " << c.id;
    EXPECT_TRUE(base->DoCommand(c.id)) << c.id;
    EXPECT_EQ(ran, std::vector<std::string>{c.runs}) << c.id;
    EXPECT_EQ(ranOn, base) << c.id;
  }
  ran.clear();
  for (int32_t id : kNotDatabaseCommands) {
    EXPECT_FALSE(base->IsCommandEnabled(id)) << id;
    EXPECT_FALSE(base->DoCommand(id)) << id;
  }
  EXPECT_TRUE(ran.empty());
}

TEST_F(BaseTest, AfterACommandOnlyTheLogACallerNamedStaysOpen) {
  auto* base = new T_Base(nullptr, 0);
  OpenErrorLog(base, "", false);  // named by a caller: alerts swallowed until told otherwise
  base->AfterCommand();
  EXPECT_NE(base->alertLog, nullptr);
  base->logChosenByCaller = 0;  // as when the user picked the file after a read problem
  base->AfterCommand();
  EXPECT_EQ(base->alertLog, nullptr);
  delete base;
}

}  // namespace
