#pragma once
// One database per test with the engine's hooks installed, a scripted alert handler, and the
// helpers that the card-selection and subset tests share: components, cards with titles, notes
// and stamps, lines with values, components and texts, and line sets as lists of lines.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/bit_vector.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/toolkit_adapter.h"

namespace selection_test {

// Answers each alert by its message number with the button given for it (the default answer
// otherwise) and records the message and its first text.
class T_ScriptedAlerts : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    asked.push_back({request->message, request->texts[0]});
    auto found = press.find(request->message);
    if (found != press.end()) {
      for (int32_t i = 0; i < request->buttonCount; ++i) {
        if (request->buttons[i] == found->second) return i;
      }
    }
    return request->defaultAnswer;
  }
  bool IsUnattended() override { return true; }

  std::vector<int32_t> Messages() const {
    std::vector<int32_t> messages;
    for (const auto& a : asked) messages.push_back(a.first);
    return messages;
  }

  std::map<int32_t, int32_t> press;  // message -> button id
  std::vector<std::pair<int32_t, std::string>> asked;
};

// Whether the selection-expression compiler is the stand-in, which compiles nothing: tests of
// real expressions skip until the compiler is linked.
inline bool ExpressionsCompile(T_Base* base) {
  ComponentSelection probe;
  CompSelInit(&probe, base, nullptr);
  CompSelCompileDimension(&probe, 1, "X");
  bool real = CompSelHasExpression(&probe, 1);
  CompSelFree(&probe);
  return real;
}

class SelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    InstallDatabaseServices();
    base = new T_Base(nullptr, 0);
  }
  void TearDown() override {
    delete base;
    RemoveDatabaseServices();
    SetTickSource(nullptr);
    PendingErrorClear();
  }

  // A new component, announced (code 11) as the component operations' callers do.
  int64_t Component(int32_t dimension, const char* code, const char* text = nullptr) {
    ComponentRecord* c = AddComponent(base, dimension, code, text, nullptr);
    EXPECT_NE(c, nullptr) << code;
    ChangeNote note;
    note.code = kChangeComponentsRebuilt;
    note.database = base;
    note.index = dimension;
    NotifyChange(base, &note);
    return c ? c->number : 0;
  }

  static PackedDate Day(int32_t year, int32_t month, int32_t day) {
    return PackDate(year, month, day);
  }

  CardRecord* Card(PackedDate date, int32_t number, const char* title = nullptr,
                   const char* notes = nullptr) {
    CardId id{date, number};
    CardRecord* card = CreateCard(base, &id);
    EXPECT_NE(card, nullptr);
    if (title) SetCardTitle(card, title);
    if (notes) SetCardNotes(card, notes);
    return card;
  }

  // A line in the card's group of the component, with values and slot components given.
  LineRecord* Line(CardRecord* card, int64_t group, std::vector<double> values = {},
                   std::vector<int64_t> components = {}, const char* text = nullptr) {
    LineRecord* line = CreateLine(base, base->FindOrAddGroup(card, group));
    EXPECT_NE(line, nullptr);
    for (size_t i = 0; i < values.size(); ++i)
      base->SetLineValue(line, static_cast<int32_t>(i), values[i]);
    for (size_t i = 0; i < components.size(); ++i)
      base->SetLineComponent(line, static_cast<int32_t>(i), components[i]);
    if (text) SetLineText(line, text);
    return line;
  }

  static std::vector<int64_t> Members(const BitVector* set) {
    std::vector<int64_t> members;
    for (int64_t i = BitVecNextSet(set, -1); i >= 0; i = BitVecNextSet(set, i))
      members.push_back(i);
    return members;
  }

  // The text written so far into a memory stream.
  static std::string Written(const T_OStream& stream) {
    return std::string(reinterpret_cast<const char*>(stream.start),
                       static_cast<size_t>(stream.pos - stream.start));
  }

  T_ScriptedAlerts alerts;
  T_Base* base = nullptr;
};

}  // namespace selection_test
