// The selection fields in an active document window, over a small fake of the database engine's
// selection languages. Popups run on scripted input: each poll takes the next step, and past the
// end of the script the user presses Escape.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/text_buffer.h"
#include "tests/ui/hidden_frame.h"
#include "tests/ui/scripted_popup.h"
#include "ui/application.h"
#include "ui/event_record.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/popup_menu.h"
#include "ui/program_entry.h"
#include "ui/selection_fields.h"
#include "ui/window.h"

// The engine's objects, as far as the fake needs them.
struct CardSelection {
  std::map<int32_t, std::string> expressions;
};
struct Subset {
  std::string name;
};
struct SubsetList {
  std::vector<Subset*> subsets;
};
struct Combination {
  std::string text;
  SubsetList* list = nullptr;
};
struct DateRef {
  std::string text;
};

namespace {

using Step = ui_test::PopupStep;
using ui_test::ChooseByKeys;
using ui_test::ScriptedPopupInput;
inline Step Key(uint16_t code) { return ui_test::PopupKey(code); }

// --- The fake engine ---------------------------------------------------------------------------

constexpr int32_t kRegion = 2;  // a dimension with components
constexpr int32_t kEmpty = 3;   // one without

const char* const kOperators[] = {"|",        "&",        "(",        ")",           "!",
                                  "?",        "^",        "=",        "@",           "\\",
                                  "\xC2\xB1", "\xC2\xAC", "\xC2\xB6", "\xE2\x80\xA6"};
const char* const kCombinationOperators[] = {"|", "&", "(", ")", "\xC2\xB1", "\xC2\xAC"};

template <size_t N>
int32_t OperatorAt(const char* const (&table)[N], const char* position) {
  for (const char* op : table) {
    size_t n = strlen(op);
    if (strncmp(position, op, n) == 0) return static_cast<int32_t>(n);
  }
  return 0;
}

struct FakeEngine {
  std::map<std::string, int32_t> components{{"North", 40}, {"New York", 41}, {"R&D", 42}};
  std::vector<std::string> keysAsked;
  int32_t popupComponent = -1;
  std::string popupChoice;
  std::vector<std::string> opened;  // the editors opened, as "dimension:component" or "subset:name"
  bool subsetNewFails = false;
  Subset created{"Subset 1"};
};
FakeEngine* engine = nullptr;

const SelectionOperations kFakeSelections{
    [](CardSelection* selection, T_TextBuf* text, int32_t dimension, char) {
      TextBufAssign(text, selection->expressions[dimension].c_str());
    },
    [](CardSelection* selection, const char* text, int32_t dimension) {
      selection->expressions[dimension] = std::string("compiled:") + text;
    },
    [](T_Base*, int32_t dimension) { return dimension == kRegion; },
    [](T_Base*, int32_t, const char* key, int32_t length) {
      std::string asked(key, static_cast<size_t>(length));
      engine->keysAsked.push_back(asked);
      auto found = engine->components.find(asked);
      return found == engine->components.end() ? 0 : found->second;
    },
    [](T_TextBuf* chosen, T_Base*, int32_t, int32_t component, POINT, T_GrafElement*,
       const InputEvent*) {
      engine->popupComponent = component;
      TextBufAssign(chosen, engine->popupChoice.c_str());
    },
    [](T_TextBuf* text, int32_t) {
      std::string name = text->data;
      if (name.find_first_of(" &|") != std::string::npos) {
        TextBufAssign(text, ("'" + name + "'").c_str());
      }
    },
    [](const char** position) {
      while (**position == ' ') ++*position;
      int32_t n = OperatorAt(kOperators, *position);
      *position += n;
      return n > 0;
    },
    [](const char* position) { return OperatorAt(kOperators, position) > 0; },
    [](Combination* combination, T_TextBuf* text, char) {
      TextBufAssign(text, combination->text.c_str());
    },
    [](Combination* combination, const char* text) {
      combination->text = std::string("compiled:") + text;
    },
    [](Combination* combination) {
      return combination->list ? static_cast<int32_t>(combination->list->subsets.size()) : 0;
    },
    [](Combination* combination, int32_t index) {
      return combination->list->subsets[static_cast<size_t>(index)]->name.c_str();
    },
    [](Combination* combination, const char* name) -> Subset* {
      if (!combination->list) return nullptr;
      for (Subset* subset : combination->list->subsets) {
        if (subset->name == name) return subset;
      }
      return nullptr;
    },
    [](Combination* combination, Subset* subset) {
      return combination->text.find(subset->name) != std::string::npos;
    },
    [](Combination* combination) { return combination->list; },
    [](const char* position, int32_t* length) {
      *length = OperatorAt(kCombinationOperators, position);
      return *length > 0;
    },
    [](DateRef* bound, T_TextBuf* text) {
      bound->text = std::string("normalised:") + text->data;
      TextBufAssign(text, bound->text.c_str());
    },
    [](DateRef* bound, T_TextBuf* text) { TextBufAssign(text, bound->text.c_str()); },
    [](T_Base*, int32_t dimension, int32_t component, int32_t) {
      engine->opened.push_back(std::to_string(dimension) + ":" + std::to_string(component));
    },
    [](Subset* subset, int32_t) { engine->opened.push_back("subset:" + subset->name); },
    [](SubsetList* list, int32_t) -> Subset* {
      if (engine->subsetNewFails) return nullptr;
      list->subsets.push_back(&engine->created);
      return &engine->created;
    },
    [](Subset* subset) { return subset->name.c_str(); },
};

T_Base* const kDatabase = reinterpret_cast<T_Base*>(0x1000);

class SelectionFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui_test::PrepareHiddenFrame();
    app = new T_Application(true);
    RECT rect{20, 20, 400, 300};
    window = new T_Window(kKindDocument, &rect, 512, nullptr, true);
    EventHandler_SetActive(app, true);
    SetPopupInputSource(ScriptedPopupInput);
    engine = &fake;
    SetSelectionOperations(&kFakeSelections);
    ui_test::SetPopupScript(nullptr);
  }
  void TearDown() override {
    SetPopupInputSource(nullptr);
    SetSelectionOperations(nullptr);
    ui_test::SetPopupScript(nullptr);
    engine = nullptr;
    delete app;
    SetMenuOperations(nullptr);
    PendingErrorClear();
  }

  void Run(std::vector<Step>* steps) { ui_test::SetPopupScript(steps); }
  static InputEvent At() {
    InputEvent event;
    event.x = 10;
    event.y = 8;
    return event;
  }
  static std::string Text(T_Edit* of) {
    T_TextBuf text;
    of->GetText(&text);
    return text.data;
  }
  static std::string Token(T_EditPopup* field, int32_t start, int32_t length) {
    field->FindToken(&start, &length);
    return Text(field).substr(static_cast<size_t>(start), static_cast<size_t>(length));
  }
  // A popup of the mode over the given range, as the gestures open it.
  void Popup(T_EditPopup* field, int32_t mode, int32_t start, int32_t length,
             std::vector<Step> steps) {
    Item_TakeFocus(field);
    field->SetSelection(start, length);
    Run(&steps);
    InputEvent event = At();
    field->RunPopup(mode, &event, start, length);
    ui_test::SetPopupScript(nullptr);
  }
  T_EditDim* NewDim(int32_t dimension, const char* expression) {
    selection.expressions[dimension] = expression;
    auto* field = new T_EditDim(window, XYWH{20, 20, 200, 16}, 1, kDatabase, dimension);
    field->BindSelection(&selection);
    return field;
  }

  FakeEngine fake;
  CardSelection selection;
  T_Application* app = nullptr;
  T_Window* window = nullptr;
};

// --- Component fields --------------------------------------------------------------------------

TEST_F(SelectionFieldsTest, ComponentTokensReachBetweenOperatorsAndKeepQuotedNamesWhole) {
  struct Case {
    const char* text;
    int32_t start, length;
    const char* token;
  } cases[] = {
      {"'New York' & 'North'", 3, 0, "'New York'"},
      {"'New York' & 'North'", 16, 0, "'North'"},
      {"North | South", 10, 0, "South"},
      {"North |   South  ", 7, 0, "South"},  // blanks after the operator are skipped
      {"North|South", 0, 0, "North"},
      {"'R&D' | North", 2, 0, "'R&D'"},        // caret before the operator in the name
      {"'R&D' | North", 4, 0, "'R&D'"},        // and after it
      {"\xC2\xACNorth", 3, 0, "North"},        // a two-byte operator in front
      {"North & New York", 9, 5, "New York"},  // a selection inside the token
      {"", 0, 0, ""},
  };
  T_EditDim* field = NewDim(kRegion, "");
  for (const Case& c : cases) {
    field->SetText(c.text);
    EXPECT_EQ(Token(field, c.start, c.length), c.token) << c.text << " at " << c.start;
  }
}

TEST_F(SelectionFieldsTest, TheComponentOfATokenFallsBackToTheNameWithoutQuotes) {
  T_EditDim* field = NewDim(kRegion, "");
  struct Case {
    const char* token;
    int32_t component;
  } cases[] = {
      {"", kRegion},  // an empty token is the dimension itself
      {"North", 40}, {"'New York'", 41}, {"'\"R&D\"'", 42}, {"Nowhere", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(field->ComponentOfToken(c.token, static_cast<int32_t>(strlen(c.token))), c.component)
        << c.token;
  }
}

TEST_F(SelectionFieldsTest, AComponentFieldShowsCompilesAndFollowsItsDimension) {
  T_EditDim* field = NewDim(kRegion, "North");
  EXPECT_EQ(Text(field), "North");

  field->SetTextNotify("North | South");
  EXPECT_EQ(selection.expressions[kRegion], "compiled:North | South");

  // Notes of its own dimension re-show the expression; others leave it alone.
  selection.expressions[kRegion] = "South";
  ChangeNote other{.code = kChangeComponentsRebuilt, .database = kDatabase, .index = kEmpty};
  window->OnChange(&other);
  EXPECT_EQ(Text(field), "North | South");
  for (int32_t code : {kChangeComponentsRebuilt, kChangeCodeCase, kChangeComponentTexts}) {
    field->SetText("stale");
    ChangeNote note{.code = code, .database = kDatabase, .index = kRegion};
    window->OnChange(&note);
    EXPECT_EQ(Text(field), "South") << code;
  }

  // Without a selection the text is stored as it stands.
  field->BindSelection(nullptr);
  field->SetTextNotify("North");
  EXPECT_EQ(Text(field), "North");
  EXPECT_EQ(selection.expressions[kRegion], "South");
}

TEST_F(SelectionFieldsTest, AComponentFieldOfADimensionWithoutComponentsOpensNoPopup) {
  T_EditDim* field = NewDim(kEmpty, "ab");
  fake.popupChoice = "North";
  for (int32_t mode : {kPopupModeToken, kPopupModeOperator, kPopupModeMenu}) {
    Popup(field, mode, 1, 0, ChooseByKeys(1));
    EXPECT_EQ(Text(field), "ab") << mode;
  }
  EXPECT_EQ(fake.popupComponent, -1);
  EXPECT_TRUE(fake.opened.empty());
}

TEST_F(SelectionFieldsTest, TheComponentPopupReplacesTheTokenWithTheQuotedChoice) {
  T_EditDim* field = NewDim(kRegion, "North & Sou");
  fake.popupChoice = "New York";
  Popup(field, kPopupModeToken, 9, 0, {});
  EXPECT_EQ(fake.popupComponent, 0);  // "Sou" names no component
  EXPECT_EQ(Text(field), "North & 'New York'");
  EXPECT_EQ(field->GetSelStart(), 18);  // the caret follows the choice

  // Cancelled: the popup opened at the token's component and nothing changed.
  fake.popupChoice = "";
  Popup(field, kPopupModeToken, 2, 0, {});
  EXPECT_EQ(fake.popupComponent, 40);
  EXPECT_EQ(Text(field), "North & 'New York'");
  EXPECT_EQ(field->GetSelStart(), 2);
}

TEST_F(SelectionFieldsTest, OperatorPopupsInsertTheChosenCharacterOrWord) {
  struct Case {
    const char* name;
    int field;  // 0 component, 1 subset, 2 period
    int downs;
    const char* inserted;
  } cases[] = {
      {"component: Or", 0, 1, "|"},
      {"component: Null after a separator", 0, 7, "\\"},
      {"component: Lowest Components", 0, 10, "\xC2\xB6"},
      {"component: Search Host Codes, the last", 0, 30, "@"},
      {"subset: groups", 1, 8, "groups"},
      {"period: Less Than", 2, 9, "<"},
      {"period: Quarter", 2, 14, "Quarter"},
  };
  SubsetList list;
  Subset alpha{"Alpha"};
  list.subsets.push_back(&alpha);
  Combination combination{"", &list};
  for (const Case& c : cases) {
    T_EditPopup* field = nullptr;
    if (c.field == 0) field = NewDim(kRegion, "");
    if (c.field == 1) {
      auto* subsets = new T_EditSubset(window, XYWH{20, 40, 200, 16}, 2);
      subsets->BindCombination(&combination);
      field = subsets;
    }
    if (c.field == 2) {
      field = new T_EditSubtime(window, XYWH{20, 60, 200, 16}, 3);
      EventHandler_Open(field);
    }
    field->SetText("ab");
    Popup(field, kPopupModeOperator, 1, 0, ChooseByKeys(c.downs));
    EXPECT_EQ(Text(field), std::string("a") + c.inserted + "b") << c.name;
    delete field;
  }
}

TEST_F(SelectionFieldsTest, OpenDimensionOpensTheEditorAtTheComponentUnderThePress) {
  T_EditDim* field = NewDim(kRegion, "North & 'New York'");
  // Open Dimension is the last entry of the menu.
  Popup(field, kPopupModeMenu, 12, 0, ChooseByKeys(12));
  EXPECT_EQ(fake.opened, std::vector<std::string>{"2:41"});
}

// --- Subset fields -----------------------------------------------------------------------------

class SubsetFieldTest : public SelectionFieldsTest {
 protected:
  void SetUp() override {
    SelectionFieldsTest::SetUp();
    field = new T_EditSubset(window, XYWH{20, 20, 200, 16}, 1);
    combination.list = &list;
  }
  void Add(Subset* subset) {
    list.subsets.push_back(subset);
    ChangeNote note{.code = kChangeSubsetAdded, .database = kDatabase, .object = subset};
    window->OnChange(&note);
  }

  Subset alpha{"Alpha"};
  Subset beta{"Beta"};
  SubsetList list;
  Combination combination;
  T_EditSubset* field = nullptr;
};

TEST_F(SubsetFieldTest, TheFieldIsHiddenWhileTheCombinationOffersNoNames) {
  EXPECT_TRUE(field->visible);  // no combination
  field->BindCombination(&combination);
  EXPECT_FALSE(field->visible);
  Add(&alpha);
  EXPECT_TRUE(field->visible);
  list.subsets.clear();
  ChangeNote removed{.code = kChangeSubsetRemoved, .database = kDatabase, .object = &alpha};
  window->OnChange(&removed);
  EXPECT_FALSE(field->visible);
}

TEST_F(SubsetFieldTest, TheFieldShowsCompilesAndFollowsRenamedSubsets) {
  combination.text = "Alpha | Beta";
  field->BindCombination(&combination);
  EXPECT_EQ(Text(field), "Alpha | Beta");
  field->SetTextNotify("Alpha");
  EXPECT_EQ(combination.text, "compiled:Alpha");

  combination.text = "Alpha2";
  ChangeNote unused{.code = kChangeSubset, .database = kDatabase, .object = &beta};
  window->OnChange(&unused);
  EXPECT_EQ(Text(field), "Alpha");
  alpha.name = "Alpha2";
  ChangeNote renamed{.code = kChangeSubset, .database = kDatabase, .object = &alpha};
  window->OnChange(&renamed);
  EXPECT_EQ(Text(field), "Alpha2");
}

TEST_F(SubsetFieldTest, SubsetTokensStopAtOperatorsAndStandaloneWords) {
  struct Case {
    const char* text;
    int32_t start;
    const char* token;
  } cases[] = {
      {"Alpha & Beta", 10, "Beta"},
      {"Alpha & Beta", 2, "Alpha"},
      {"cards Beta ", 8, "Beta"},
      {"Alpha unbalanced Beta", 18, "Beta"},
      {"Alpha UNBALANCED Beta", 18, "Beta"},
      // A name that merely ends like a word is one token.
      {"Postcards", 9, "Postcards"},
      {"Alpha &Postcards", 12, "Postcards"},
  };
  field->BindCombination(&combination);
  for (const Case& c : cases) {
    field->SetText(c.text);
    EXPECT_EQ(Token(field, c.start, 0), c.token) << c.text << " at " << c.start;
  }
}

TEST_F(SubsetFieldTest, TheNamePopupReplacesTheTokenWithTheChosenName) {
  Add(&alpha);
  Add(&beta);
  field->BindCombination(&combination);
  field->SetText("alpha & Be");
  // The token "Be" preselects nothing: the first Down reaches Alpha, the second Beta.
  Popup(field, kPopupModeToken, 9, 0, ChooseByKeys(2));
  EXPECT_EQ(Text(field), "alpha & Beta");
  // "alpha" preselects Alpha (case ignored); the Downs step on to Beta.
  Popup(field, kPopupModeToken, 2, 0, ChooseByKeys(2));
  EXPECT_EQ(Text(field), "Beta & Beta");
}

TEST_F(SubsetFieldTest, NewSubsetNamesAnEmptyFieldAndOpensTheEditor) {
  Add(&alpha);
  field->BindCombination(&combination);
  // Cut, Copy and the rest are absent for an empty field; New Subset is the last entry.
  Popup(field, kPopupModeMenu, 0, 0, ChooseByKeys(12));
  EXPECT_EQ(Text(field), "Subset 1");
  EXPECT_EQ(combination.text, "compiled:Subset 1");
  EXPECT_EQ(fake.opened, std::vector<std::string>{"subset:Subset 1"});

  // A refused new subset opens nothing and leaves the text alone.
  fake.opened.clear();
  fake.subsetNewFails = true;
  field->SetText("");
  Popup(field, kPopupModeMenu, 0, 0, ChooseByKeys(12));
  EXPECT_EQ(Text(field), "");
  EXPECT_TRUE(fake.opened.empty());
}

TEST_F(SubsetFieldTest, OpenSubsetOpensTheSubsetUnderThePress) {
  Add(&alpha);
  Add(&beta);
  combination.text = "Alpha | Beta";
  field->BindCombination(&combination);
  Popup(field, kPopupModeMenu, 10, 0, ChooseByKeys(12));
  EXPECT_EQ(fake.opened, std::vector<std::string>{"subset:Beta"});
}

// --- Card period bounds ------------------------------------------------------------------------

TEST_F(SelectionFieldsTest, ABoundFieldReplacesItsWholeTextWithTheChosenWord) {
  DateRef bound{"260101-1"};
  auto* field = new T_EditCID(window, XYWH{20, 20, 200, 16}, 1);
  EventHandler_Open(field);
  field->BindBound(&bound);
  EXPECT_EQ(Text(field), "260101-1");
  for (int32_t mode : {kPopupModeToken, kPopupModeOperator}) {
    field->SetText("260101-1");
    Popup(field, mode, 3, 0, ChooseByKeys(3));  // Day, Week, Month
    EXPECT_EQ(Text(field), "Month") << mode;
  }
  field->SetTextNotify("Year");
  EXPECT_EQ(bound.text, "normalised:Year");
}

}  // namespace
