#pragma once
// A small database (a unit dimension for the groups, an account dimension and a project
// dimension for the lines, two value columns) read from text, card editors opened on it, the
// save questions answered from a script, the signature "TST" at the logs' pinned clock, and the
// "##Cards" section text by which results are compared.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/cards/card_editor.h"
#include "analysis/cards/card_template.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/card_records.h"
#include "database/cards.h"
#include "database/section_stream.h"
#include "database/template_runner.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tests/database/logs/logs_fixture.h"

namespace card_test {

// Answers questions from a script of button ids (then the question's default) and keeps what was
// asked.
class ScriptedAnswers : public T_AlertHandler {
 public:
  void Notify(const AlertRequest* request) override { shown.push_back(Describe(request)); }
  int32_t Ask(const AlertRequest* request) override {
    asked.push_back(request->message);
    if (script.empty()) return request->defaultAnswer;
    int32_t answer = script.front();
    script.erase(script.begin());
    return answer;
  }
  bool IsUnattended() override { return true; }
  static std::string Describe(const AlertRequest* request) {
    std::string text = std::to_string(request->message);
    for (int32_t i = 0; i < request->textCount; ++i) text += std::string("|") + request->texts[i];
    return text;
  }
  std::vector<int32_t> script;
  std::vector<int32_t> asked;
  std::vector<std::string> shown;
};

inline const char* kFixture =
    "##BaseOptions\r\n"
    "CN\t3\r\n"
    "LV\tAmount\tQty\r\n"
    "LN\t2\r\n"
    "\r\n"
    "##Dimension\t1\r\n"
    "-N\tUnit\tUnits\r\n"
    "U1\tNorth\r\n"
    "U2\tSouth\r\n"
    "##Dimension\t2\r\n"
    "-N\tAccount\tAccounts\r\n"
    "1910\tCash\r\n"
    "3010\tSales\r\n"
    "5010\tRent\r\n"
    "##Dimension\t3\r\n"
    "-N\tProject\tProjects\r\n"
    "P1\tAlpha\r\n"
    "##Cards\r\n"
    "-LN\t2\r\n"
    "\r\n"
    "C240110-1\tRent January\r\n"
    "N2401101200AK\tPaid by transfer.\r\n"
    "S2401101100AK\t\t\t\r\n"
    "GU1\r\n"
    "L1000\t1\tRent\t5010\tP1\r\n"
    "L-1000\t0\tPaid\t1910\t\r\n"
    "GU2\r\n"
    "L250\t0\tShare\t5010\t\r\n"
    "\r\n"
    "C240110-2\tSale\r\n"
    "GU1\r\n"
    "L-400\t0\tSold\t3010\t\r\n"
    "\r\n"
    "##End\r\n";

class CardEditorTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    SetTemplateConstructor(kTemplateCard, NewCardTemplate);
    CardEditorServices card{};
    card.signatureStamp = [](SignatureStamp* stamp, T_Window*) {
      if (refuseSignature) return false;
      *stamp = SignatureStamp{};
      stamp->stamp = PackTimeStamp(2024, 5, 6, 10, 20);
      std::memcpy(stamp->signature, "TST", 4);
      return true;
    };
    card.askRepeat = [](T_CardEditor*, int32_t* unit, int32_t* count) {
      if (repeatCancelled) return false;
      *unit = repeatUnit;
      *count = repeatCount;
      return true;
    };
    SetCardEditorServices(&card);
    refuseSignature = false;
    repeatCancelled = false;
    base = Read(kFixture);
    // Room for every row of the fixture's cards.
    if (T_BoxTmpl* templ = AsBoxTemplate(base->GetDefaultTemplate(kTemplateCard))) {
      templ->left = templ->top = 0;
      templ->right = 600;
      templ->bottom = 360;
    }
  }
  void TearDown() override {
    for (T_HWindow* w = WindowListFirst(); w;) {
      T_HWindow* next = w->nextWindow;
      if (w->windowKind == kWindowCardEditor) EventHandler_CloseAndDelete(w, 3);
      w = next;
    }
    DeleteBase(base, kCloseSilently);
    SetCardEditorServices(nullptr);
    SetTemplateConstructor(kTemplateCard, nullptr);
    RemoveDatabaseServices();
    BoxTest::TearDown();
  }

  static T_Base* Read(const char* text) {
    T_Base* read = new T_Base(nullptr, 0);
    T_IStream stream;
    stream.CtorFromMemory(text, static_cast<int64_t>(std::strlen(text)));
    readDatabaseSections(read, &stream);
    PendingErrorClear();
    return read;
  }

  std::string Cards() {
    T_OStream stream;
    writeCardsSection(base, &stream);
    return std::string(reinterpret_cast<const char*>(stream.start), static_cast<size_t>(stream.pos - stream.start));
  }

  CardRecord* CardAt(const char* key) {
    CardId id;
    parseDate(&id, key, static_cast<int32_t>(std::strlen(key)), -1);
    CardRecord* card = FindCardAtOrBefore(base, &id);
    if (card == base->sentinelCard) return nullptr;
    CardId at = CardGetId(card);
    return CardIdEqual(&at, &id) ? card : nullptr;
  }

  T_CardEditor* Open(const char* key) {
    T_CardEditor* editor = openCardByKey(base, key, 0);
    EXPECT_NE(editor, nullptr) << key;
    return editor;
  }

  // The row texts of the editor: kind, then every cell, "|"-separated.
  static std::vector<std::string> Rows(T_CardEditor* editor) {
    std::vector<std::string> shown;
    T_TextBuf cell;
    for (int64_t r = 0; r < editor->RowCount(); ++r) {
      std::string line = std::to_string(editor->Row(r)->kind);
      for (int32_t code : editor->fieldCodes) {
        editor->CellText(&cell, r, code);
        line += "|";
        line += cell.data;
      }
      shown.push_back(line);
    }
    return shown;
  }

  // Closes the editor as the user would; true when it closed.
  bool Close(T_CardEditor* editor) { return EventHandler_CloseAndDelete(editor, 0); }

  T_Base* base = nullptr;
  PinnedClock clock;  // 2024-05-06 10:20:30
  ScriptedAnswers answers;
  static inline bool refuseSignature = false;
  static inline bool repeatCancelled = false;
  static inline int32_t repeatUnit = kRepeatMonths;
  static inline int32_t repeatCount = 1;
};

}  // namespace card_test
