// The toolkit's component fields over the engine's own answers: the tokens between the
// language's operators, and the component picker shown on the toolkit's popups and driven by
// scripted input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text_buffer.h"
#include "database/component_picker.h"
#include "database/selection_scanner.h"
#include "tests/database/selexpr/selexpr_fixture.h"
#include "tests/ui/scripted_popup.h"
#include "ui/application.h"
#include "ui/database_services.h"
#include "ui/event_record.h"
#include "ui/native_menu.h"
#include "ui/native_window.h"
#include "ui/popup_menu.h"
#include "ui/program_entry.h"
#include "ui/selection_fields.h"
#include "ui/window.h"

namespace selexpr_test {
namespace {

using ui_test::PopupKey;
using ui_test::PopupStep;

// The engine's answers, as the database layer's adapter gives them to the toolkit.
SelectionOperations EngineHooks() {
  SelectionOperations hooks{};
  hooks.hasSubComponents = CompHook_HasSubComponents;
  hooks.findComponentByKey = CompHook_FindByKey;
  hooks.popupComponentMenu = SelHook_PopupComponentMenu;
  hooks.quoteSelectionName = QuoteSelectionWord;
  hooks.nextSelectionOperator = NextSelectionOperatorAt;
  hooks.isSelectionOperator = IsSelectionOperatorAt;
  return hooks;
}

class SelectionFieldsTest : public SelexprTest {
 protected:
  void SetUp() override {
    SelexprTest::SetUp();
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(ProgramInstance());
      registered = true;
    }
    SetFrameVisible(false);
    NativeMenusInstall();
    app = new T_Application(true);
    RECT rect{20, 20, 400, 300};
    window = new T_Window(kKindDocument, &rect, 512, nullptr, true);
    EventHandler_SetActive(app, true);
    SetPopupInputSource(ui_test::ScriptedPopupInput);
    SelectionOperations hooks = EngineHooks();
    SetSelectionOperations(&hooks);
    field = new T_EditDim(window, XYWH{20, 20, 200, 16}, 1, base, kDim);
  }
  void TearDown() override {
    SetPopupInputSource(nullptr);
    SetSelectionOperations(nullptr);
    ui_test::SetPopupScript(nullptr);
    delete app;
    SetMenuOperations(nullptr);
    SelexprTest::TearDown();
  }

  std::string Text() {
    T_TextBuf text;
    field->GetText(&text);
    return text.data;
  }
  static InputEvent At() {
    InputEvent event;
    event.x = 10;
    event.y = 8;
    return event;
  }

  T_Application* app = nullptr;
  T_Window* window = nullptr;
  T_EditDim* field = nullptr;
};

TEST_F(SelectionFieldsTest, TokensReachBetweenTheEnginesOperators) {
  // The toolkit's own cases, then the operators only the engine knows.
  struct Case {
    const char* text;
    int32_t start, length;
    const char* token;
  } cases[] = {
      {"'New York' & 'North'", 3, 0, "'New York'"},
      {"'New York' & 'North'", 16, 0, "'North'"},
      {"North | South", 10, 0, "South"},
      {"North |   South  ", 7, 0, "South"},
      {"North|South", 0, 0, "North"},
      {"'R&D' | North", 2, 0, "'R&D'"},
      {"'R&D' | North", 4, 0, "'R&D'"},
      {"¬North", 3, 0, "North"},
      {"North & New York", 9, 5, "New York"},
      {"", 0, 0, ""},
      {"35++41", 5, 0, "41"},
      {"35 -- 41!", 1, 0, "35"},
      {"35..41", 0, 0, "35"},
      {"35…41", 6, 0, "41"},
      {"A.B | C-D", 1, 0, "A.B"},
      {"=Thirty ^", 3, 0, "Thirty"},
  };
  for (const Case& c : cases) {
    field->SetText(c.text);
    int32_t start = c.start;
    int32_t length = c.length;
    field->FindToken(&start, &length);
    EXPECT_EQ(Text().substr(static_cast<size_t>(start), static_cast<size_t>(length)), c.token)
        << c.text << " at " << c.start;
  }
}

TEST_F(SelectionFieldsTest, ThePickerRunsOnTheToolkitsPopups) {
  T_TextBuf chosen;
  std::vector<PopupStep> steps{PopupKey(kKeyDown), PopupKey(kKeyRight), PopupKey(kKeyDown),
                               PopupKey(kKeyEnter)};
  ui_test::SetPopupScript(&steps);
  InputEvent event = At();
  SelHook_PopupComponentMenu(&chosen, base, kDim, kDim, POINT{event.x, event.y}, field, &event);
  EXPECT_STREQ(chosen.data, "36");

  // Escape chooses nothing, even with a highlight.
  steps = {PopupKey(kKeyDown), PopupKey(kKeyEscape)};
  ui_test::SetPopupScript(&steps);
  SelHook_PopupComponentMenu(&chosen, base, kDim, kDim, POINT{event.x, event.y}, field, &event);
  EXPECT_STREQ(chosen.data, "");

  // From a field: the picker opens at the token's component and the choice comes back quoted.
  field->SetText("3 & 4");
  Item_TakeFocus(field);
  field->SetSelection(4, 0);
  steps = {PopupKey(kKeyDown), PopupKey(kKeyEnter)};
  ui_test::SetPopupScript(&steps);
  field->RunPopup(kPopupModeToken, &event, 4, 0);
  EXPECT_EQ(Text(), "3 & 'R&D'");
}

}  // namespace
}  // namespace selexpr_test
