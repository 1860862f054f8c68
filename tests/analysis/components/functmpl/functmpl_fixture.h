#pragma once
// Shared by the function-template tests: the small time-analysis database (cards by date,
// accounts and products), both function-template classes installed for the test's life, and
// record text as strings with LF line ends (the writer's CR LF folded).
#include <gtest/gtest.h>

#include <string>

#include "analysis/boxwin/box_window.h"
#include "analysis/components/function_templates.h"
#include "analysis/components/function_window_utils.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/template_runner.h"
#include "database/web_request.h"
#include "tests/analysis/time/time_fixture.h"

namespace functmpl_test {

inline std::string Plain(const std::string& text) {
  std::string plain;
  for (char c : text) {
    if (c != '\r') plain += c;
  }
  return plain;
}

inline std::string WriteRaw(T_Template* templ) {
  T_OStream stream;
  templ->WriteText(&stream);
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.pos - stream.start));
}

inline std::string Write(T_Template* templ) { return Plain(WriteRaw(templ)); }

// A template of the kind read from record text (the template line first).
inline T_Template* Read(T_Base* base, int32_t kind, const std::string& text) {
  T_Template* templ = NewTemplate(base, kind);
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  bool atLine = stream.NextLine() && stream.NextLine();
  templ->ReadRecords(&stream, atLine);
  return templ;
}

// The variable's short id as a link names it.
template <typename Variable>
std::string ShortId(const Variable* v) {
  T_TextBuf text;
  AppendVariableShortId(&text, v->name);
  return text.data;
}

class FuncTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    InstallFunctionTemplates();
    InstallLinesTemplate();
    base = time_test::NewFixtureBase();
  }
  void TearDown() override {
    delete base;
    for (int32_t kind : {kTemplateLines, kTemplateTimeFunctions, kTemplateComponentFunctions})
      SetTemplateConstructor(kind, nullptr);
    SetFuncAllocFailHook(nullptr);
    SetBoxWinServices(nullptr);
    SetWebRequestActive(false);
    PendingErrorClear();
  }
  T_TFuncTmpl* ReadT(const std::string& text) {
    return AsTimeFunctionsTemplate(Read(base, kTemplateTimeFunctions, text));
  }
  T_CFuncTmpl* ReadC(const std::string& text) {
    return AsComponentFunctionsTemplate(Read(base, kTemplateComponentFunctions, text));
  }
  T_Base* base = nullptr;
};

}  // namespace functmpl_test
