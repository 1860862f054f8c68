#pragma once
// The card tests' database with the engine's hooks installed and a scripted alert handler, and
// the helpers that the card-selection and subset tests share: announced components, cards with
// titles and notes, line sets as lists of lines, and the text of memory streams.
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
#include "tests/database/cards/cards_fixture.h"

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

// The card tests' database, with the engine's hooks installed and scripted alerts on top.
class SelectionTest : public CardsTest {
 protected:
  void SetUp() override {
    InstallDatabaseServices();
    CardsTest::SetUp();
  }
  void TearDown() override {
    CardsTest::TearDown();
    RemoveDatabaseServices();
    SetTickSource(nullptr);
  }

  // A new component, announced (code 11) as the component operations' callers do.
  int64_t Component(int32_t dimension, const char* code, const char* text = nullptr) {
    ComponentRecord* c = ::AddComponent(base, dimension, code, text, nullptr);
    EXPECT_NE(c, nullptr) << code;
    ChangeNote note;
    note.code = kChangeComponentsRebuilt;
    note.database = base;
    note.index = dimension;
    NotifyChange(base, &note);
    return c ? c->number : 0;
  }

  CardRecord* Card(PackedDate date, int32_t number, const char* title = nullptr,
                   const char* notes = nullptr) {
    CardRecord* card = CardsTest::Card(date, number);
    if (card && title) SetCardTitle(card, title);
    if (card && notes) SetCardNotes(card, notes);
    return card;
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
};

}  // namespace selection_test
