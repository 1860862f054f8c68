// The command-line switches: which end start-up, which are refused (message 2901 each, with the
// whole segment up to the next "/"), which are left to the document paths, and "/associate"
// doing its work.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/program_location.h"
#include "app/run_application.h"
#include "core/alert.h"
#include "core/text_buffer.h"
#include "scratch_registry.h"

namespace {

class T_CollectAlerts : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    T_TextBuf text;
    AlertFormatText(request, &text);
    shown.push_back(std::to_string(request->message) + ":" + text.data);
    return request->defaultAnswer;
  }
  bool IsUnattended() override { return true; }
  std::vector<std::string> shown;
};

struct SwitchCase {
  const char* commandLine;
  bool goesOn;
  std::vector<std::string> alerts;
};

TEST(CommandLineSwitches, DecideWhetherStartUpGoesOn) {
  app_test::ScratchRegistry registry;  // "/associate" writes its keys there
  const SwitchCase cases[] = {
      {"", true, {}},
      {"Z:\\data\\Sales.qeb", true, {}},
      {"/associate", false, {}},
      {"/ASSOCIATE", false, {}},
      {"/Associates", false, {}},  // a prefix test
      {"/regserver", false, {}},
      {"/unregserver", false, {}},
      {"-embedding", true, {}},  // only a COM server takes it; here it is no switch
      {"/bogus", false, {"2901:Undefined command line parameter /bogus"}},
      {"/one /two",
       false,
       {"2901:Undefined command line parameter /one ",
        "2901:Undefined command line parameter /two"}},
      {"Z:\\data/Sales.qeb", false, {"2901:Undefined command line parameter /Sales.qeb"}},
  };
  for (const SwitchCase& c : cases) {
    T_CollectAlerts alerts;
    EXPECT_EQ(ParseCommandLineSwitches(c.commandLine), c.goesOn) << c.commandLine;
    EXPECT_EQ(alerts.shown, c.alerts) << c.commandLine;
  }
}

TEST(CommandLineSwitches, AssociateWritesTheFileAssociationsAndEndsStartUp) {
  app_test::ScratchRegistry registry;
  SetProgramPathOverride("C:\\Program Files\\QEB\\qeb.exe");
  T_CollectAlerts alerts;
  EXPECT_FALSE(ParseCommandLineSwitches("/associate"));
  EXPECT_EQ(alerts.shown, std::vector<std::string>{});
  EXPECT_EQ(app_test::ReadValue(HKEY_CURRENT_USER,
                                L"Software\\Classes\\QEB-Norm\\shell\\open\\command", L""),
            "\"C:\\Program Files\\QEB\\qeb.exe\" \"%1\"");
  EXPECT_EQ(app_test::ReadPref(HKEY_CURRENT_USER, "Associate"), "+");
  SetProgramPathOverride(nullptr);
}

}  // namespace
