#pragma once
// Shared by the components tests: the record text of templates as strings and reading a
// template of kind 3 from its record text with the real class installed.
#include <gtest/gtest.h>

#include <string>

#include "analysis/components/components_template.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/template_runner.h"

namespace comps_test {

inline std::string Written(const T_OStream& stream) {
  std::string plain;
  for (const uint8_t* p = stream.start; p < stream.pos; ++p) {
    if (*p != '\r') plain += static_cast<char>(*p);
  }
  return plain;
}

inline std::string WriteTemplate(T_Template* templ) {
  T_OStream stream;
  templ->WriteText(&stream);
  return Written(stream);
}

// A components template read from its record text (LF line ends; the template line first).
inline T_CompsTmpl* ReadCompsTemplate(T_Base* base, const std::string& text) {
  T_Template* templ = NewTemplate(base, kTemplateComponents);
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  bool atLine = stream.NextLine() && stream.NextLine();
  templ->ReadRecords(&stream, atLine);
  return AsCompsTemplate(templ);
}

}  // namespace comps_test
