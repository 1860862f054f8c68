#pragma once
// Shared by the time-analysis tests: a small database built line by line (cards by date, groups
// by account code, values and components), the record text of templates as strings, and the
// lines template class installed for the test's life.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "analysis/time/lines_template.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/template_runner.h"

namespace time_test {

// One line of the fixture: the card's date and number, the group's account (dimension 1), the
// values and the code of its product (dimension 2, empty for none).
struct FixtureLine {
  PackedDate date;
  int32_t card;
  const char* account;
  std::vector<double> values;
  const char* product = "";
  const char* text = "";
};

inline T_Base* NewFixtureBase(int32_t valueCount = 2) {
  auto* base = new T_Base(nullptr, 0);
  for (const char* code : {"1910", "1930", "3010"}) AddComponent(base, 0, code, code, nullptr);
  for (const char* code : {"P1", "P2", "P3"}) AddComponent(base, 1, code, code, nullptr);
  SetValueCount(base, valueCount);
  return base;
}

inline LineRecord* AddLine(T_Base* base, const FixtureLine& l) {
  CardId id{l.date, l.card};
  CardRecord* card = FindCardAtOrBefore(base, &id);
  if (card == base->sentinelCard || card->dateNode->date != l.date || card->dayNumber != l.card)
    card = CreateCard(base, &id);
  ComponentRecord* account = FindByCode(base, 0, l.account);
  GroupRecord* group = base->FindOrAddGroup(card, account ? account->number : 0);
  LineRecord* line = CreateLine(base, group);
  for (size_t i = 0; i < l.values.size(); ++i)
    base->SetLineValue(line, static_cast<int32_t>(i), l.values[i]);
  if (*l.product) {
    if (ComponentRecord* product = FindByCode(base, 1, l.product))
      base->SetLineComponent(line, 0, product->number);
  }
  if (*l.text) SetLineText(line, l.text);
  return line;
}

inline std::string Written(const T_OStream& stream) {
  std::string text(reinterpret_cast<const char*>(stream.start),
                   static_cast<size_t>(stream.pos - stream.start));
  std::string plain;
  for (char c : text) {
    if (c != '\r') plain += c;
  }
  return plain;
}

inline std::string WriteTemplate(T_Template* templ) {
  T_OStream stream;
  templ->WriteText(&stream);
  return Written(stream);
}

// A template of the kind read from its record text (LF line ends; the template line first).
inline T_Template* ReadTemplate(T_Base* base, const std::string& text) {
  T_Template* templ = NewTemplate(base, kTemplateLines);
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  bool atLine = stream.NextLine() && stream.NextLine();
  templ->ReadRecords(&stream, atLine);
  return templ;
}

class TimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    InstallLinesTemplate();
    base = NewFixtureBase();
  }
  void TearDown() override {
    delete base;
    SetTemplateConstructor(kTemplateLines, nullptr);
    PendingErrorClear();
  }
  T_LinesTmpl* Read(const std::string& text) { return AsLinesTemplate(ReadTemplate(base, text)); }
  T_Base* base = nullptr;
};

}  // namespace time_test
