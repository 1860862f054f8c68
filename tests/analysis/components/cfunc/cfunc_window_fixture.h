#pragma once
// The component functions window over the components window's fixture database: a window
// opened and calculated from a template the test fills, and the alerts it raised.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/components/cfunc_window.h"
#include "core/alert.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "tests/analysis/components/window/comps_window_fixture.h"

namespace cfunc_test {


using comps_test::FixtureLines;

class T_RecordedAlerts : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    messages.push_back(request->message);
    return request->defaultAnswer;
  }
  bool IsUnattended() override { return true; }
  std::vector<int32_t> messages;
};

class CFuncWindowTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallFunctionTemplates();
    InstallComponentFunctionsWindow();
    base = comps_test::NewFixtureBase();
  }
  void TearDown() override {
    Close();
    delete base;
    SetWindowOpener(kTemplateComponentFunctions, nullptr);
    BoxTest::TearDown();
  }
  void Close() {
    if (window) EventHandler_CloseAndDelete(window, 3);
    window = nullptr;
  }
  template <typename SetUpFn>
  T_CFunc* Open(SetUpFn setUp) {
    Close();
    T_CFuncTmpl templ(base);
    templ.viewDims.dimension[0] = 0;
    setUp(&templ);
    window = AsCFuncWindow(OpenComponentFunctionsWindow(&templ, nullptr, 0));
    EXPECT_NE(window, nullptr);
    if (window) {
      window->templ = nullptr;
      window->RunCalculation(true, true);
    }
    return window;
  }
  T_CSelectionTmpl* AddSelection(T_CFuncTmpl* t, const char* name, int32_t method,
                                 int32_t mode = 0) {
    T_CSelectionTmpl* s = t->AddSelection();
    s->SetName(name);
    s->method = method;
    s->accumulation = mode;
    s->decimals = 7;
    return s;
  }
  // The node showing an account code (or "*" for the root).
  int64_t NodeOf(const std::string& code) {
    for (int64_t n = 0; n < window->nodeCount; ++n) {
      const ComponentRecord* c = window->Node(n)->component;
      if ((c->parent ? std::string(c->code) : "*") == code) return n;
    }
    return -1;
  }
  double Total(const std::string& code, int32_t column) {
    return window->Cells(NodeOf(code))[column * 2 + 1];
  }
  std::string Xml() {
    T_OStream stream;
    window->output.dataRows = 1;
    window->WriteXml(&stream);
    return std::string(reinterpret_cast<const char*>(stream.start), stream.BufferedLength());
  }

  T_Base* base = nullptr;
  T_CFunc* window = nullptr;
};

}  // namespace cfunc_test
