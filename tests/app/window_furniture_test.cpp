// A stored template of the example for each window kind opens its real window on a hidden frame:
// each window's toolbar stand side by side inside the toolbar in every view, and after a click in
// a grid cell the keys move in the grid, not in the window's page list. The toolbars are left as
// pictures (app_toolbar_*.bmp) to look at.
#include <windows.h>

#include <string>
#include <vector>

#include "analysis/boxwin/box_window.h"
#include "app/run_application.h"
#include "app_fixture.h"
#include "database/opening.h"
#include "database/template_runner.h"
#include "database/templates.h"
#include "tests/source_path.h"
#include "tests/ui/window_picture.h"
#include "ui/chooser.h"
#include "ui/document_window.h"
#include "ui/mode_tree.h"
#include "ui/native_window.h"

namespace app_test {
namespace {

class WindowFurniture : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    StartApplication();
    InstallProgramParts();
    base = openDatabase(TestSourcePath("examples/Example.qeb").c_str(), nullptr, 0);
    ASSERT_NE(base, nullptr);
  }

  // The window of the stored template of that name (its full path), opened as the Analysis
  // menu opens it.
  T_HWindow* Open(const char* path) {
    for (T_Template* t = base->rootTemplate; t; t = t->NextInTree()) {
      T_TextBuf name;
      TextBufInit(&name);
      t->GetPath(&name);
      const bool found = std::string(name.c_str()) == path;
      TextBufFree(&name);
      if (found) return RunTemplate(base, t, nullptr, kRunNoLookup);
    }
    ADD_FAILURE() << "no template " << path;
    return nullptr;
  }

  T_Base* base = nullptr;
};

struct WindowCase {
  const char* templ;
  const char* picture;
};

const WindowCase kWindows[] = {
    {"Verifikationer: Mars 2026", "app_toolbar_cards.bmp"},
    {"Komponenter: Kontoplan", "app_toolbar_components.bmp"},
    {"Komponentfunktioner: Konton", "app_toolbar_cfunc.bmp"},
    {"Rader: F\xC3\xB6rs\xC3\xA4ljning varor", "app_toolbar_lines.bmp"},
    {"Tidsfunktioner: F\xC3\xB6rs\xC3\xA4ljning per m\xC3\xA5nad", "app_toolbar_tfunc.bmp"},
};

std::vector<T_GrafElement*> ToolbarControls(T_HWindow* window) {
  std::vector<T_GrafElement*> controls;
  for (T_GrafElement* c = window->toolbar->firstChild; c; c = c->next) controls.push_back(c);
  return controls;
}

void ExpectSideBySide(T_HWindow* window, const std::string& where) {
  const T_Toolbar* bar = window->toolbar;
  const std::vector<T_GrafElement*> controls = ToolbarControls(window);
  for (size_t i = 0; i < controls.size(); ++i) {
    const T_GrafElement* a = controls[i];
    EXPECT_TRUE(a->x >= 0 && a->y >= 0 && a->x + a->width <= bar->width &&
                a->y + a->height <= bar->height)
        << where << ": control " << i << " at " << a->x << "," << a->y << " " << a->width << "x"
        << a->height << " leaves the toolbar";
    for (size_t j = i + 1; j < controls.size(); ++j) {
      const T_GrafElement* b = controls[j];
      const bool apart = a->x + a->width <= b->x || b->x + b->width <= a->x ||
                         a->y + a->height <= b->y || b->y + b->height <= a->y;
      EXPECT_TRUE(apart) << where << ": controls " << i << " (x " << a->x << ", width "
                         << a->width << ") and " << j << " (x " << b->x << ", width " << b->width
                         << ") overlap";
    }
  }
}

// Each picture of every selector chosen in turn, as a click on it would: a view change swaps the
// tool selector's pictures, and so its width.
TEST_F(WindowFurniture, ToolbarControlsStandSideBySideInEveryWindowAndView) {
  for (const WindowCase& test : kWindows) {
    T_HWindow* window = Open(test.templ);
    ASSERT_NE(window, nullptr) << test.templ;
    ASSERT_NE(window->toolbar, nullptr) << test.templ;
    ExpectSideBySide(window, test.templ);
    ui_test::Save(ui_test::Capture(window), test.picture);
    for (T_GrafElement* control : ToolbarControls(window)) {
      auto* selector = dynamic_cast<T_Selector*>(control);
      if (!selector || selector == window->toolSelector) continue;
      const std::vector<uint16_t> pictures(selector->pictures, selector->pictures + selector->count);
      for (uint16_t picture : pictures) {
        selector->currentPicture = picture;
        window->OnSelectorEvent(selector);
        ExpectSideBySide(window, std::string(test.templ) + ", view " + std::to_string(picture));
      }
    }
    EventHandler_CloseAndDelete(window, 0);
  }
}

// Posted to the window's native window with the pointer over the point, as a click arrives.
void ClickAt(T_Window* window, POINT inWindow) {
  POINT screen{window->x + inWindow.x, window->y + inWindow.y};
  ClientToScreen(MdiClient() ? MdiClient() : FrameWindow(), &screen);
  SetCursorPos(screen.x, screen.y);
  const LPARAM at = MAKELPARAM(inWindow.x, inWindow.y);
  PostMessageW(window->native.handle, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window->native.handle, WM_LBUTTONUP, 0, at);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// A key sent to the window's native window, Ctrl held down when asked.
void Key(T_Window* window, UINT key, bool control) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_CONTROL] = control ? 0x80 : 0;
  SetKeyboardState(state);
  const bool extended = key == VK_HOME || key == VK_END || (key >= VK_LEFT && key <= VK_DOWN);
  SendMessageW(window->native.handle, WM_KEYDOWN, key, extended ? (1 | (1 << 24)) : 1);
  state[VK_CONTROL] = 0;
  SetKeyboardState(state);
}

TEST_F(WindowFurniture, AfterAClickInACellTheKeysMoveInTheGridNotInThePages) {
  for (const char* templ : {"Verifikationer: Mars 2026", "Rader: F\xC3\xB6rs\xC3\xA4ljning varor"}) {
    SCOPED_TRACE(templ);
    auto* window = dynamic_cast<T_BoxWin*>(Open(templ));
    ASSERT_NE(window, nullptr);
    window->Activate();
    window->Calculate(true);
    ASSERT_GT(window->rowCount, 3);
    ASSERT_NE(window->modeBox, nullptr);
    const ModeNode* page = window->modeBox->SelectedNode();

    RECT cell;
    window->GetCellRect(&cell, 1, 1);
    ClickAt(window, POINT{window->grid->offsetX + (cell.left + cell.right) / 2,
                          window->grid->offsetY + (cell.top + cell.bottom) / 2});
    EXPECT_EQ(window->focusedItem, window->grid);

    // The window's own tool opens what a click names rather than selecting it, so the first key
    // starts the range at the top.
    const struct {
      UINT key;
      bool control;
      int64_t row;
    } steps[] = {
        {VK_DOWN, false, 0},
        {VK_DOWN, false, 1},
        {VK_END, true, window->rowCount - 1},
        {VK_UP, false, window->rowCount - 2},
        {VK_HOME, true, 0},
    };
    for (const auto& step : steps) {
      Key(window, step.key, step.control);
      EXPECT_EQ(window->rangeEndRow, step.row) << "key " << step.key;
      EXPECT_EQ(window->modeBox->SelectedNode(), page) << "key " << step.key;
    }
    EventHandler_CloseAndDelete(window, 0);
  }
}

}  // namespace
}  // namespace app_test
