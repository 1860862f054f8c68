#pragma once
// A small database for the cards window and its template, and a fixture that opens cards windows
// on it hidden, with the pointer, menus, clock and alerts scripted.
//
// The six cards (dimension 0 accounts 1910, 3010, 4010; dimension 1 departments A, B; two values):
//   240510-1 "Sale one"   3010: Widget 100 (A), Gadget -20.5 (B); 1910: Cash -79.5 (A);
//                         notes "First line\rSecond line" with its stamp; created, approved
//   240510-2 "Sale two"   3010: Widget 50 (B); created
//   240601-1 "Purchase"   4010: Goods 30 (B)
//   240615-1 "Remark"     3010: Small 0 (A); notes with the notes stamp alone
//   240701-1 "Empty"      3010 without lines
//   240702-1 "Groupless"  no groups
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "analysis/boxwin/box_output.h"
#include "analysis/cards/cards_install.h"
#include "analysis/cards/cards_template.h"
#include "analysis/cards/cards_window.h"
#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/output_stream.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/lines.h"
#include "database/object_services.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"

namespace cards_test {

inline SignatureStamp Stamp(int32_t y, int32_t m, int32_t d, int32_t hh, int32_t mm,
                            const char* signature) {
  SignatureStamp stamp;
  stamp.stamp = PackTimeStamp(y, m, d, hh, mm);
  snprintf(stamp.signature, sizeof stamp.signature, "%s", signature);
  return stamp;
}

inline CardRecord* AddCard(T_Base* base, int32_t y, int32_t m, int32_t d, int32_t n,
                           const char* title) {
  CardId id{PackDate(y, m, d), n};
  CardRecord* card = CreateCard(base, &id);
  if (card) SetCardTitle(card, title);
  return card;
}

inline void AddLine(T_Base* base, CardRecord* card, const char* account, const char* text,
                    double value, double second, const char* department) {
  GroupRecord* group = base->FindOrAddGroup(card, base->FindComponentByKey(0, account, -1));
  LineRecord* line = group ? CreateLine(base, group) : nullptr;
  if (!line) return;
  SetLineText(line, text);
  base->SetLineValue(line, 0, value);
  base->SetLineValue(line, 1, second);
  base->SetLineComponent(line, 0, base->FindComponentByKey(1, department, -1));
}

inline T_Base* MakeFixtureDatabase() {
  auto* base = new T_Base(nullptr, 0);
  for (const char* code : {"1910", "3010", "4010"}) AddComponent(base, 0, code, nullptr, nullptr);
  for (const char* code : {"A", "B"}) AddComponent(base, 1, code, nullptr, nullptr);
  SetValueCount(base, 2);
  base->SetDecimalsCode(0, 2);
  base->SetDecimalsCode(1, 0);
  CardRecord* one = AddCard(base, 2024, 5, 10, 1, "Sale one");
  AddLine(base, one, "3010", "Widget", 100, 2, "A");
  AddLine(base, one, "3010", "Gadget", -20.5, 0, "B");
  AddLine(base, one, "1910", "Cash", -79.5, 0, "A");
  SetCardNotes(one, "First line\rSecond line");
  one->notesStamp = Stamp(2024, 5, 10, 14, 6, "TST");
  one->created = Stamp(2024, 5, 10, 14, 5, "TST");
  one->approved = Stamp(2024, 5, 11, 9, 0, "BOS");
  CardRecord* two = AddCard(base, 2024, 5, 10, 2, "Sale two");
  AddLine(base, two, "3010", "Widget", 50, 1, "B");
  two->created = Stamp(2024, 5, 10, 15, 0, "TST");
  CardRecord* purchase = AddCard(base, 2024, 6, 1, 1, "Purchase");
  AddLine(base, purchase, "4010", "Goods", 30, 3, "B");
  CardRecord* remark = AddCard(base, 2024, 6, 15, 1, "Remark");
  AddLine(base, remark, "3010", "Small", 0, 0, "A");
  SetCardNotes(remark, "Only notes");
  remark->notesStamp = Stamp(2024, 6, 15, 8, 0, "NOT");
  CardRecord* empty = AddCard(base, 2024, 7, 1, 1, "Empty");
  base->FindOrAddGroup(empty, base->FindComponentByKey(0, "3010", -1));
  AddCard(base, 2024, 7, 2, 1, "Groupless");
  base->NotifyCode(28);
  base->SetModified(false);
  return base;
}

// Questions answered by index from a script (the default answer when it runs out).
class T_ScriptAlerts : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    asked.push_back(*request);
    if (answers.empty()) return request->defaultAnswer;
    int32_t answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Notify(const AlertRequest* request) override { notified.push_back(*request); }
  bool IsUnattended() override { return false; }
  std::deque<int32_t> answers;
  std::vector<AlertRequest> asked;
  std::vector<AlertRequest> notified;
};

inline std::string FormattedText(const AlertRequest& request) {
  T_TextBuf text;
  AlertFormatText(&request, &text);
  return text.c_str();
}

using box_test::StreamText;

inline bool autoRecalcOn = true;

class CardsTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    autoRecalcOn = true;
    BoxWinServices services{};
    services.ticks = ui_test::Ticks;
    services.autoRecalc = [] { return autoRecalcOn; };
    SetBoxWinServices(&services);
    InstallDatabaseServices();
    InstallCards();
    ObjectServices objects{};
    objects.signatureStamp = [](SignatureStamp* stamp) {
      *stamp = Stamp(2026, 12, 4, 10, 30, "ME");
    };
    SetObjectServices(&objects);
    format = *ValueNumFormat();
    ValueNumFormat()->decimalSeparator = '.';
    ValueNumFormat()->thousandsSeparator = 0;
    base = MakeFixtureDatabase();
    alerts = new T_ScriptAlerts;
  }
  void TearDown() override {
    for (T_Cards* window : windows) EventHandler_CloseAndDelete(window, 3);
    for (T_CardsTmpl* templ : templates) delete templ;
    delete alerts;
    DeleteBase(base, kCloseSilently);
    *ValueNumFormat() = format;
    SetObjectServices(nullptr);
    SetEditorCardHook(nullptr);
    BoxTest::TearDown();
  }

  T_CardsTmpl* Template() {
    auto* templ = new T_CardsTmpl(base);
    templ->SetDefaults();
    templates.push_back(templ);
    return templ;
  }
  // A hidden window of the template, computed.
  T_Cards* Open(T_CardsTmpl* templ) {
    auto* window = static_cast<T_Cards*>(OpenCardsWindow(templ, nullptr, 1));
    if (!window) return nullptr;
    windows.push_back(window);
    window->RunCalculation(true, true);
    return window;
  }
  void Close(T_Cards* window) {
    for (auto it = windows.begin(); it != windows.end(); ++it) {
      if (*it == window) {
        windows.erase(it);
        break;
      }
    }
    EventHandler_CloseAndDelete(window, 3);
  }

  // One line per row in display order: the kind's letter, then the card title, the group's
  // account or the line text.
  static std::string Dump(T_Cards* window) {
    std::string out;
    for (int64_t i = 0; i < window->rowCount; ++i) {
      const CardsRow* row = window->RowAt(i);
      static const char kLetters[] = "CGLNS";
      out += kLetters[row->kind];
      switch (row->kind) {
        case kRowCard:
          out += std::string(" ") + row->card->title;
          break;
        case kRowGroup: {
          T_TextBuf text;
          window->database->GetComponentText(&text, row->group->component, 0);
          out += std::string(" ") + text.c_str();
          break;
        }
        case kRowLine:
          out += std::string(" ") + (row->line->text ? row->line->text : "");
          break;
        default:
          break;
      }
      out += "\n";
    }
    return out;
  }
  // The texts of a row's cells joined by "|".
  static std::string Cells(T_Cards* window, int64_t row) {
    RowTextPool pool;
    pool.Init();
    window->GetRowTexts(&pool, row);
    std::string out;
    for (T_BoxField* f = window->firstField; f; f = f->next) {
      if (f != window->firstField) out += "|";
      if (f->cellText) out += f->cellText;
    }
    pool.Free();
    return out;
  }

  T_Base* base = nullptr;
  T_ScriptAlerts* alerts = nullptr;
  NumFormat format{};
  std::vector<T_Cards*> windows;
  std::vector<T_CardsTmpl*> templates;
};

}  // namespace cards_test
