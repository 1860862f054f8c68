// The components template kind reaches its window from outside: the "export", "print" and
// "openTemplate" commands and the XML "template" request open it instead of answering "not
// available".
#include <windows.h>

#include <deque>
#include <fstream>
#include <sstream>
#include <string>

#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "database/template_tree.h"
#include "database/xml_requests.h"
#include "tests/analysis/components/window/comps_window_fixture.h"
#include "tests/ui/printing/fake_printer.h"

namespace {

using comps_test::CompsWindowTest;
using comps_test::Written;

class T_CountAlerts : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    asked.push_back(request->message);
    return request->defaultAnswer;
  }
  void Notify(const AlertRequest* request) override { asked.push_back(request->message); }
  bool IsUnattended() override { return true; }
  // The messages of the alerts asked or shown.
  std::vector<int32_t> asked;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST_F(CompsWindowTest, CommandsAndXmlRequestsOpenComponentsWindows) {
  T_CountAlerts alerts;
  // As the application installs it: any window with an opener answers with its XML form.
  XmlRequestServices xml{[](T_Template* templ, T_OStream* out) {
    return WriteTemplateWindowText(templ, out, kExportAppendNonEmpty);
  }};
  SetXmlRequestServices(&xml);
  auto* stored = new T_CompsTmpl(base);
  stored->viewDims.dimension[0] = 0;
  ASSERT_TRUE(StoreTemplate(base, stored, "Components: Accounts"));
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "qeb_components_export.txt";
  DeleteFileA(path.c_str());
  base->RunCommandText(("export \"Components: Accounts\" \"" + path + "\"\n").c_str(), "test");
  const std::string text = ReadFile(path);
  // The root open, its two accounts below it.
  EXPECT_NE(text.find("Dim 1\t"), std::string::npos) << text;
  EXPECT_NE(text.find("2\t0\t-518.00\t5.00\t-513.00"), std::string::npos) << text;

  const std::string request =
      "<QEB-xml-input><template name=\"Components: Accounts\"/></QEB-xml-input>";
  T_IStream in;
  in.CtorFromMemory(request.data(), static_cast<int64_t>(request.size()));
  T_OStream out;
  runXmlRequest(base, &out, &in);
  const std::string answer = Written(out);
  EXPECT_NE(answer.find("<QEB-Components>"), std::string::npos) << answer;
  EXPECT_NE(answer.find("<component code=\"2\">"), std::string::npos) << answer;

  fake::Install();
  base->RunCommandText("print \"Components: Accounts\"\n", "test");
  EXPECT_EQ(fake::printer.documents, 1);
  fake::Remove();

  base->RunCommandText("openTemplate \"Components: Accounts\"\n", "test");
  T_HWindow* opened = FindWindowOfKind(kWindowComponents, base);
  ASSERT_NE(opened, nullptr);
  EventHandler_CloseAndDelete(opened, 3);
  for (int32_t message : alerts.asked) EXPECT_NE(message, 3829);
  SetXmlRequestServices(nullptr);
}

}  // namespace
