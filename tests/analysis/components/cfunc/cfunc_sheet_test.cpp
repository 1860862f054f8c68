// A contact sheet of the component functions window on the example's "Component functions:
// Accounts", painted offscreen: the numeric view, the curve view in each bar style and mirrored,
// the headers of a selection and a formula variable, a legend wrapped over long titles, the
// display page, a selection's header in the curve view, a formula's header with its operator
// popup open, and a printed page with the definition and the curve view's legend.
// The test leaves component_functions.bmp, which a ctest step turns into a PNG.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "analysis/boxwin/formula_edit.h"
#include "analysis/components/cfunc_formula_edit.h"
#include "analysis/components/cfunc_legend.h"
#include "analysis/components/cfunc_window.h"
#include "core/alert_handlers.h"
#include "core/owned_text.h"
#include "database/base.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/ui/scripted_popup.h"
#include "tests/ui/window_picture.h"
#include "ui/edit_popups.h"
#include "ui/event_record.h"
#include "ui/popup_menu.h"
#include "tools/make_example/example_database.h"

namespace {

// The popup open on the screen, read back from its window and laid over the window's picture
// where it stands.
void OverlayPopup(ui_test::Picture* picture, T_Window* window) {
  HWND popup = FindWindowA("TopPopup", nullptr);
  if (!popup || !IsWindowVisible(popup)) return;
  RECT rect;
  GetWindowRect(popup, &rect);
  POINT at{rect.left, rect.top};
  ScreenToClient(window->native.handle, &at);
  const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
  HDC source = GetDC(popup);
  HDC dc = CreateCompatibleDC(source);
  HBITMAP bitmap = CreateCompatibleBitmap(source, w, h);
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, w, h, source, 0, 0, SRCCOPY);
  ReleaseDC(popup, source);
  uint32_t* pixels = PixelsRead(dc, 0, 0, w, h);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  if (!pixels) return;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const int32_t px = at.x + x, py = at.y + y;
      if (px >= 0 && py >= 0 && px < picture->width && py < picture->height)
        picture->pixels[static_cast<size_t>(py) * picture->width + px] =
            pixels[static_cast<size_t>(y) * w + x];
    }
  MemFree(pixels);
}

// A white page with what the window prints before its rows: the definition (its phases 1 and
// 2) and, in the curve view, the legend (phases 3 and 4) below it.
ui_test::Picture PrintedPage(T_CFunc* window) {
  ui_test::Picture page;
  page.width = 640;
  page.height = 400;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, page.width, page.height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, page.width, page.height, WHITENESS);
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenDC(&port, window->native.handle, dc, page.width, page.height)) {
    BoxDrawRecord record;
    record.band = RECT{24, 24, page.width - 24, page.height - 24};
    record.phase = 1;
    window->PrintPart(&record);
    const int32_t definition = record.height;
    record.phase = 2;
    record.pageCount = 0;
    window->PrintPart(&record);
    record.band.top += definition + 12;
    record.phase = 3;
    window->PrintPart(&record);
    record.phase = 4;
    window->PrintPart(&record);
    PortClose(&port);
  }
  PortFreeRegions(&port);
  uint32_t* pixels = PixelsRead(dc, 0, 0, page.width, page.height);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  if (pixels) {
    page.pixels.assign(pixels, pixels + static_cast<size_t>(page.width) * page.height);
    MemFree(pixels);
  }
  return page;
}

class CFuncSheet : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallFunctionTemplates();
    InstallComponentFunctionsWindow();
  }
  void TearDown() override {
    SetWindowOpener(kTemplateComponentFunctions, nullptr);
    BoxTest::TearDown();
  }
};

TEST_F(CFuncSheet, ContactSheetOfTheExample) {
  T_NoAlerts quiet;
  T_Base* base = BuildExampleDatabase();
  ASSERT_NE(base, nullptr);
  ui_test::ContactSheet sheet(3, 5, 700, 420);
  int32_t slot = 0;
  auto place = [&](const ui_test::Picture& picture) { sheet.Place(picture, slot++); };
  T_CFuncTmpl* stored =
      AsComponentFunctionsTemplate(FindTemplate(base, "Komponentfunktioner: Konton"));
  ASSERT_NE(stored, nullptr);
  stored->right = 690;
  stored->bottom = 410;
  T_CFunc* window = AsCFuncWindow(OpenComponentFunctionsWindow(stored, nullptr, 0));
  ASSERT_NE(window, nullptr);
  window->templ = nullptr;
  // The curve shows the sums and averages only, so that the bars have a common scale.
  for (T_CVariable* v = window->data.variables; v; v = v->next) v->shown = 1;
  window->RunCalculation(true, true);
  window->ExpandToDepth(2);
  EXPECT_GT(window->rowCount, 5);
  place(ui_test::Capture(window));
  for (T_CVariable* v = window->data.variables; v; v = v->next) {
    const bool curve = v->name && (std::string(v->name) == "Summa" || std::string(v->name) == "Medel" ||
                                   std::string(v->name) == "Lopande");
    v->shown = curve ? 1 : 0;
  }
  // The template names no colours: each variable took one of its own as it was read.
  std::set<int32_t> colours;
  for (T_CVariable* v = window->data.variables; v; v = v->next) colours.insert(v->colour);
  EXPECT_EQ(colours.size(), 9u);
  window->spacing = 3;
  window->RunCalculation(true, true);
  window->ExpandToDepth(2);
  window->SetPresentation(4);
  for (int32_t style = 0; style < 5; ++style) {
    window->barStyle = style;
    window->RunCalculation(true, true);
    window->ExpandToDepth(2);
    const ui_test::Picture picture = ui_test::Capture(window);
    place(picture);
    // Every shown series has bars in its own colour.
    for (const T_CVariable* v : window->data.shownList) {
      const COLORREF c = PaletteColour(v->colour);
      const uint32_t rgb = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
      size_t pixels = 0;
      for (uint32_t p : picture.pixels) pixels += (p & 0xFFFFFF) == rgb;
      EXPECT_GT(pixels, 20u) << v->name << " in bar style " << style;
    }
  }
  window->barOption = 1;
  window->barStyle = 0;
  window->InvalidateGrid();
  place(ui_test::Capture(window));
  // The headers of a selection variable and of a formula variable, in the numeric view.
  window->SetPresentation(0);
  window->SelectVariable(window->data.selections);
  place(ui_test::Capture(window));
  window->SelectVariable(window->data.formulas);
  place(ui_test::Capture(window));
  // Every variable shown under a long title: the legend wraps and the title row grows.
  for (T_CVariable* v = window->data.variables; v; v = v->next) {
    v->shown = 1;
    BlockTextAssign(&v->title, (std::string(v->name) + " of the accounts").c_str());
  }
  window->RunCalculation(true, true);
  window->ExpandToDepth(2);
  window->SetPresentation(4);
  EXPECT_GT(window->labels ? window->labels->height : 0, 21);
  place(ui_test::Capture(window));
  window->SelectModeById(kCFuncModeDisplay);
  place(ui_test::Capture(window));
  // A shown selection's header in a window opened in the curve view: the "Graphic
  // Presentation" frame stays inside the short header.
  stored->viewMode = 4;
  stored->headerHeight = 0;
  T_CFunc* curve = AsCFuncWindow(OpenComponentFunctionsWindow(stored, nullptr, 0));
  ASSERT_NE(curve, nullptr);
  curve->templ = nullptr;
  for (T_CVariable* v = curve->data.variables; v; v = v->next) v->shown = 1;
  curve->RunCalculation(true, true);
  curve->ExpandToDepth(2);
  curve->SelectVariable(curve->data.selections);
  place(ui_test::Capture(curve));
  EventHandler_CloseAndDelete(curve, 3);
  // A formula's header with the operator popup of its formula field open.
  window->SelectVariable(window->data.formulas);
  T_CFormulaEdit* edit = nullptr;
  for (int32_t i = 0; i < window->panelItemCount && !edit; ++i)
    edit = dynamic_cast<T_CFormulaEdit*>(window->panelItems[i]);
  ASSERT_NE(edit, nullptr);
  ui_test::Picture withPopup;
  std::vector<ui_test::PopupStep> steps = {
      [](PopupInput*) {},
      [&](PopupInput* input) {
        withPopup = ui_test::Capture(window);
        OverlayPopup(&withPopup, window);
        input->event.keyCode = kKeyEscape;
      }};
  ui_test::SetPopupScript(&steps);
  InputEvent event{};
  edit->RunPopup(kPopupModeOperator, &event, 0, 0);
  ui_test::SetPopupScript(nullptr);
  EXPECT_GT(withPopup.width, 0);
  place(withPopup);
  place(PrintedPage(window));
  EventHandler_CloseAndDelete(window, 3);
  ASSERT_TRUE(sheet.Save("component_functions.bmp"));
  delete base;
}

}  // namespace
