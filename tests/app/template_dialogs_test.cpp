// Set Defaults and Install Template driven while they run, on a small stand-in analysis window:
// the default of the kind changed (position forgotten, page setup kept or dropped, the card
// windows' size flag) or put back, and templates installed, added and replaced after asking.
#include <string>

#include "app/base_window.h"
#include "app/template_dialogs.h"
#include "app_fixture.h"
#include "core/memory.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "tests/ui/printing/fake_printer.h"
#include "tests/ui/window_picture.h"
#include "ui/button.h"
#include "ui/document_window.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"

namespace app_test {
namespace {

// An analysis window that writes where it stands and a mark into a template.
class T_StandIn : public T_HWindow {
 public:
  T_StandIn(T_Base* base, int32_t kind, const RECT& rect)
      : T_HWindow(kKindDocument, kind, &rect, 0, base, 0) {
    SetTitleCopy("Stand-in");
    EventHandler_Open(this);
  }
  void SaveToTemplate(T_Template* target) override {
    T_BoxTmpl* box = AsBoxTemplate(target);
    if (!box) return;
    box->left = x;
    box->top = y;
    box->right = x + width;
    box->bottom = y + height;
    BlockTextAssign(&box->notes, "saved");
  }
};

class TemplateDialogsTest : public AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    StartApplication();
    InstallBaseWindows();
    InstallTemplateDialogs();
    base = NewUntitledDatabase();
  }
  void TearDown() override {
    SetTemplateDialogs(nullptr, nullptr);
    AppTest::TearDown();
  }
  T_StandIn* NewWindow(int32_t kind) {
    RECT rect{30, 40, 330, 240};
    auto* window = new T_StandIn(base, kind, rect);
    return window;
  }
  static std::string Path(T_Template* templ) {
    T_TextBuf path;
    if (templ) templ->GetPath(&path);
    return path.c_str();
  }
  T_Base* base = nullptr;
};

TEST_F(TemplateDialogsTest, SetDefaultsChangesTheDefaultOfTheKindOrPutsItBack) {
  T_StandIn* window = NewWindow(2);
  HGLOBAL block = fake::DevModeBlock(2100, 2970, DMORIENT_PORTRAIT);
  ASSERT_TRUE(Window_PrinterSetupReplace(window, block));
  GlobalFree(block);
  T_Template* defaults = base->GetDefaultTemplate(2);
  T_BoxTmpl* box = AsBoxTemplate(defaults);
  ASSERT_NE(box, nullptr);
  box->print.pageSetup[0] = MemNew(16);

  WhileModal([](T_Window* window) {
    auto* dialog = dynamic_cast<T_TmplDefaults*>(window);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dialog->pageSetup, nullptr) << "the window has a page setup";
    EXPECT_TRUE(dialog->pageSetup->checked) << "the default holds one";
    EXPECT_STREQ(dialog->pageSetup->label.shown, "Page Setup\xE2\x80\xA6");
    EXPECT_EQ(dialog->sizeByContents, nullptr);
    ui_test::Save(ui_test::Capture(dialog), "app_set_defaults.bmp");
    dialog->pageSetup->SetChecked(false);
    Button_Fire(dialog->change);
  });
  ShowTemplateDefaults(window);
  EXPECT_EQ(base->GetDefaultTemplate(2), defaults);
  EXPECT_STREQ(box->notes, "saved");
  EXPECT_EQ(box->left, 0);
  EXPECT_EQ(box->top, 0);
  EXPECT_EQ(box->right, window->width) << "the size stays, the position goes";
  EXPECT_EQ(box->bottom, window->height);
  EXPECT_EQ(box->print.pageSetup[0], nullptr);

  WhileModal([](T_Window* window) { Button_Fire(dynamic_cast<T_TmplDefaults*>(window)->standard); });
  ShowTemplateDefaults(window);
  EXPECT_NE(base->GetDefaultTemplate(2), defaults) << "a new standard default";

  // A card window's default takes its size flag from the box; nothing changes on Cancel.
  T_StandIn* card = NewWindow(10);
  T_BoxTmpl* cardDefaults = AsBoxTemplate(base->GetDefaultTemplate(10));
  ASSERT_NE(cardDefaults, nullptr);
  WhileModal([](T_Window* window) {
    auto* dialog = dynamic_cast<T_TmplDefaults*>(window);
    ASSERT_NE(dialog->sizeByContents, nullptr);
    dialog->sizeByContents->SetChecked(true);
    dialogs_test::PressButton(dialog, kDialogCancelId);
  });
  ShowTemplateDefaults(card);
  EXPECT_EQ(cardDefaults->zoomDirect, 0);
  EXPECT_EQ(cardDefaults->notes, nullptr);
  WhileModal([](T_Window* window) {
    auto* dialog = dynamic_cast<T_TmplDefaults*>(window);
    dialog->sizeByContents->SetChecked(true);
    Button_Fire(dialog->change);
  });
  ShowTemplateDefaults(card);
  EXPECT_EQ(cardDefaults->zoomDirect, 1);
  EXPECT_STREQ(cardDefaults->notes, "saved");
}

TEST_F(TemplateDialogsTest, InstallStoresAddsAndReplacesAfterAsking) {
  T_StandIn* window = NewWindow(1);
  const RECT where{window->x, window->y, window->x + window->width, window->y + window->height};

  // A window without a stored template: both buttons wait for a name; Add needs a stored one.
  WhileModal([](T_Window* window) {
    auto* dialog = dynamic_cast<T_Install*>(window);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->install->enabled);
    EXPECT_FALSE(dialog->add->enabled);
    EXPECT_TRUE(dialog->calculate->checked);
    EXPECT_TRUE(dialog->onWeb->checked);
    EXPECT_FALSE(dialog->openAtStart->checked);
    EXPECT_FALSE(dialog->pageSetup->enabled) << "no page setup in the window";
    dialog->name->SetTextNotify("Reports: Monthly");
    EXPECT_TRUE(dialog->install->enabled);
    EXPECT_FALSE(dialog->add->enabled);
    dialog->keepPosition->SetChecked(true);
    dialog->openAtStart->SetChecked(true);
    ui_test::Save(ui_test::Capture(dialog), "app_install_template.bmp");
    Button_Fire(dialog->install);
  });
  ShowInstaller(window);
  T_Template* monthly = FindTemplate(base, "Reports: Monthly");
  ASSERT_NE(monthly, nullptr);
  EXPECT_EQ(window->templ, monthly);
  EXPECT_STREQ(window->title, "Reports: Monthly");
  T_BoxTmpl* box = AsBoxTemplate(monthly);
  EXPECT_EQ(box->openDirect, 1);
  EXPECT_EQ(box->calcDirect, 1);
  EXPECT_EQ(box->webVisible, 1);
  EXPECT_STREQ(box->notes, "saved");
  EXPECT_EQ(box->left, where.left) << "the position kept";
  EXPECT_EQ(box->top, where.top);
  EXPECT_EQ(box->right, where.right);
  EXPECT_EQ(box->bottom, where.bottom);

  // Add keeps the stored template and stores a second one, without its position.
  WhileModal([](T_Window* window) {
    auto* dialog = dynamic_cast<T_Install*>(window);
    T_TextBuf text;
    dialog->name->GetText(&text);
    EXPECT_STREQ(text.c_str(), "Reports: Monthly");
    EXPECT_TRUE(dialog->keepPosition->checked);
    EXPECT_FALSE(dialog->add->enabled) << "the template's own path";
    dialog->name->SetTextNotify("Reports: Other");
    EXPECT_TRUE(dialog->add->enabled);
    dialog->keepPosition->SetChecked(false);
    Button_Fire(dialog->add);
  });
  ShowInstaller(window);
  T_Template* other = FindTemplate(base, "Reports: Other");
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(FindTemplate(base, "Reports: Monthly"), monthly);
  EXPECT_EQ(window->templ, other);
  EXPECT_EQ(AsBoxTemplate(other)->left, 0);

  // Installing under another template's path asks first; Cancel keeps the dialog and the tree,
  // Replace moves the window's template there.
  user.press[4410] = {kButtonCancel};
  WhileModal([this](T_Window* window) {
    auto* dialog = dynamic_cast<T_Install*>(window);
    dialog->name->SetTextNotify("Reports: Monthly");
    Button_Fire(dialog->install);
    EXPECT_NE(FindTemplate(base, "Reports: Other"), nullptr) << "Cancel changes nothing";
    user.press[4410] = {4009};
    Button_Fire(dialog->install);
  });
  ShowInstaller(window);
  EXPECT_EQ(user.Messages(), (std::vector<int32_t>{4410, 4410}));
  EXPECT_EQ(FindTemplate(base, "Reports: Other"), nullptr) << "installing moves the template";
  T_Template* replaced = FindTemplate(base, "Reports: Monthly");
  ASSERT_NE(replaced, nullptr);
  EXPECT_EQ(window->templ, replaced);
}

}  // namespace
}  // namespace app_test
