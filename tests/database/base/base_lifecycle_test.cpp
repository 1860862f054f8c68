#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert_handlers.h"
#include "database/base.h"
#include "tests/database/base/base_fixture.h"
#include "ui/link_handler.h"

namespace {

using base_test::BaseTest;
using base_test::Step;
using base_test::StepRecorder;

TEST(BaseLifecycle, NewDatabaseHasDefaultsAndEmptyModel) {
  T_NoAlerts quiet;
  auto* base = new T_Base(nullptr, 0);
  struct Default {
    const char* name;
    int64_t value;
    int64_t expected;
  };
  const Default defaults[] = {
      {"card digits", base->cardDigits, 3},
      {"first list width", base->listWidth1, 47},
      {"second list width", base->listWidth2, 52},
      {"value count", base->valueCount, 1},
      {"reference offset", base->referenceOffset, 32},
      {"value offset", base->valueOffset, 24},
      {"reference width", base->referenceWidth, 2},
      {"line slots", base->lineSlots, 1},
      {"XML errors", base->xmlErrors, 1},
      {"save kind", base->saveKind, 1},
      {"second save value", base->secondSaveValue, 1},
      {"modified", base->modified, 0},
      {"busy", base->busyCount, 0},
      {"run open-direct commands", base->runOpenDirectCommands, 1},
      {"macros sorted", base->macrosSorted, 1},
      {"reference date direction", base->referenceDate.direction, kDirectionTo},
  };
  for (const Default& d : defaults) EXPECT_EQ(d.value, d.expected) << d.name;
  for (int32_t code : base->decimalsCodes) EXPECT_EQ(code, 2);
  for (double value : base->defaultValues) EXPECT_EQ(value, 0.0);
  EXPECT_EQ(base->cardTitleLabel, nullptr);
  EXPECT_EQ(base->lineTextLabel, nullptr);
  EXPECT_EQ(base->componentPool.count, kDimensionCount);
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    auto* root = reinterpret_cast<ComponentRecord*>(PagedArrayAt(&base->componentPool, d));
    EXPECT_EQ(root->number, d);
    EXPECT_EQ(root->prevSibling, root);
    EXPECT_EQ(root->parent, nullptr);
    EXPECT_EQ(base->dimensions[d]->number, d);
    EXPECT_EQ(base->defaultComponents[d], d);
  }
  EXPECT_EQ(base->sentinelCard->next, base->sentinelCard);
  EXPECT_EQ(base->dateRing->firstCard, base->sentinelCard);
  EXPECT_EQ(FirstBase(), base);
  delete base;
  EXPECT_EQ(FirstBase(), nullptr);
}

// Code 4 goes out once the new database is listed, code 5 once the closing one has left; every
// open database hears both about every other.
TEST_F(BaseTest, OpenedAndClosedNotesReachEveryListedDatabase) {
  T_NoAlerts quiet;
  StepRecorder recorder;
  auto* a = new T_Base("a.qeb", 0);
  auto* b = new T_Base("b.qeb", 0);
  const std::vector<Step> expected = {
      {1, kChangeDatabaseOpened, a, a, true},        {8, kChangeDatabaseOpened, nullptr, a, true},
      {1, kChangeDatabaseOpened, a, b, true},        {1, kChangeDatabaseOpened, b, b, true},
      {8, kChangeDatabaseOpened, nullptr, b, true},  {1, kChangeDatabaseClosed, a, b, false},
      {8, kChangeDatabaseClosed, nullptr, b, false}, {8, kChangeDatabaseClosed, nullptr, a, false},
  };
  delete b;
  delete a;

  std::vector<Step> firstSteps;
  for (const Step& s : recorder.steps()) {
    if (s.step == 1 || !s.receiver) firstSteps.push_back(s);
  }
  EXPECT_EQ(firstSteps, expected);
}

// The seams of the layers above are called in the documented order of construction and
// destruction.
std::vector<std::string> seamCalls;
int rootTemplate;
int defaultTemplates[6];
int window;

class T_RecordingLinks : public T_LinkContext {
 public:
  ~T_RecordingLinks() override { seamCalls.push_back("delete links"); }
};

TEST_F(BaseTest, SeamsRunInConstructionAndDestructionOrder) {
  T_NoAlerts quiet;
  seamCalls.clear();
  BaseServices services{};
  services.createRootTemplate = [](T_Base* base) {
    seamCalls.push_back(std::string("root, listed ") + (FirstBase() == base ? "yes" : "no"));
    return reinterpret_cast<T_Template*>(&rootTemplate);
  };
  services.createDefaultTemplate = [](T_Base*, int32_t kind) {
    seamCalls.push_back("default " + std::to_string(kind));
    for (int32_t i = 0; i < 6; ++i) {
      if (kDefaultTemplateKinds[i] == kind)
        return reinterpret_cast<T_Template*>(&defaultTemplates[i]);
    }
    return static_cast<T_Template*>(nullptr);
  };
  services.createLinkContext = [](T_Base*) -> T_LinkContext* {
    seamCalls.push_back("links");
    return new T_RecordingLinks;
  };
  services.createWindow = [](T_Base* base) {
    seamCalls.push_back("window, digits " + std::to_string(base->cardDigits));
    return reinterpret_cast<T_Window*>(&window);
  };
  services.deleteTemplate = [](T_Template* templ) {
    seamCalls.push_back("delete default " +
                        std::to_string(reinterpret_cast<int*>(templ) - defaultTemplates));
  };
  services.deleteTemplateTree = [](T_Template* root) {
    seamCalls.push_back(root == reinterpret_cast<T_Template*>(&rootTemplate) ? "delete tree"
                                                                             : "delete ?");
  };
  services.destroyWindow = [](T_Base*, T_Window* w) {
    seamCalls.push_back(w == reinterpret_cast<T_Window*>(&window) ? "destroy window" : "?");
  };
  SetBaseServices(&services);
  // The application-wide part ends each broadcast of codes 4 and 5.
  SetDispatchProbe([](int32_t, T_Base* receiver, const ChangeNote* note) {
    if (!receiver) seamCalls.push_back("note " + std::to_string(note->code));
  });

  auto* base = new T_Base(nullptr, 0);
  EXPECT_NE(base->linkContext, nullptr);
  delete base;
  SetDispatchProbe(nullptr);

  const std::vector<std::string> expected = {
      "root, listed yes", "default 10",       "default 1",        "default 2",
      "default 3",        "default 4",        "default 5",        "links",
      "window, digits 3", "note 4",           "note 5",           "delete default 0",
      "delete default 1", "delete default 2", "delete default 3", "delete default 4",
      "delete default 5", "delete links",     "delete tree",      "destroy window",
  };
  EXPECT_EQ(seamCalls, expected);
}

TEST_F(BaseTest, UntitledDatabasesAreNamedFromTheirNumber) {
  T_NoAlerts quiet;
  StepRecorder recorder;
  auto* base = new T_Base("ignored.qeb", 2);
  EXPECT_STREQ(base->path->c_str(), "Noname 2.qeb");
  EXPECT_EQ(recorder.Trace(base), (std::vector<std::string>{"4:1", "4:2", "4:3", "4:4", "4:5",
                                                            "4:6", "4:7", "4:8", "4:9"}));

  // Renaming with a database window tells the windows the name changed.
  int fakeWindow;
  base->mainWindow = reinterpret_cast<T_Window*>(&fakeWindow);
  base->untitledNumber = 7;
  base->NameUntitled();
  base->mainWindow = nullptr;
  EXPECT_STREQ(base->path->c_str(), "Noname 7.qeb");
  EXPECT_EQ(recorder.Trace(base).back(), "3:9");
}

}  // namespace
