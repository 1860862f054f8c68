#pragma once
// A small database for the transform and the aggregation, read from text: a unit dimension for
// the groups, an account tree (1 > 19 > 1910 ...) and a project dimension for the lines, two
// value columns. Cards windows are opened on it hidden, the run stamp is "TST" at a fixed time,
// and results are compared as the "##Cards" section text.
//
//   240101-1 "Rent January"  U1: Rent 1000/1 (5010 P1), Paid -1000 (1910); U2: Share 250 (5010)
//   240116-1 "Mid"           U2: Share 250 (5010); notes "Note" with its stamp; examined, approved
//   240131-1 "Sale"          U1: Sold -400 (3010)
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include "analysis/cards/aggregator.h"
#include "analysis/cards/cards_install.h"
#include "analysis/cards/cards_template.h"
#include "analysis/cards/cards_window.h"
#include "analysis/cards/data_operations_install.h"
#include "analysis/cards/transform.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/card_records.h"
#include "database/data_operations.h"
#include "database/cards.h"
#include "database/section_stream.h"
#include "database/template_tree.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"

namespace operations_test {

// The run stamp "TST" at 2024-05-06 10:20, refused while the flag is set; null removes it.
void InstallTestStamp(bool* refuse);

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
    "1\tAssets\r\n"
    "19\tMoney\r\n"
    "1910\tCash\r\n"
    "3\tIncome\r\n"
    "30\tSales\r\n"
    "3010\tSales here\r\n"
    "5\tCosts\r\n"
    "50\tPremises\r\n"
    "5010\tRent\r\n"
    "##Dimension\t3\r\n"
    "-N\tProject\tProjects\r\n"
    "P1\tAlpha\r\n"
    "##Cards\r\n"
    "-LN\t2\r\n"
    "\r\n"
    "C240101-1\tRent January\r\n"
    "GU1\r\n"
    "L1000\t1\tRent\t5010\tP1\r\n"
    "L-1000\t0\tPaid\t1910\t\r\n"
    "GU2\r\n"
    "L250\t0\tShare\t5010\t\r\n"
    "\r\n"
    "C240116-1\tMid\r\n"
    "N2401161200AK\tNote\r\n"
    "S2401161100AK\t\t2401170900EX\t2401180900AP\r\n"
    "GU2\r\n"
    "L250\t0\tShare\t5010\t\r\n"
    "\r\n"
    "C240131-1\tSale\r\n"
    "GU1\r\n"
    "L-400\t0\tSold\t3010\t\r\n"
    "\r\n"
    "##End\r\n";

class OperationsTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallCards();
    savedDocuments = CurrentDocumentOperations();
    InstallDataOperations();
    refuseSignature = false;
    InstallTestStamp(&refuseSignature);
    base = Read(kFixture);
  }
  void TearDown() override {
    for (T_HWindow* w = WindowListFirst(); w;) {
      T_HWindow* next = w->nextWindow;
      if (w->database == base && w != base->mainWindow) EventHandler_CloseAndDelete(w, 3);
      w = next;
    }
    for (T_CardsTmpl* templ : templates) delete templ;
    templates.clear();
    DeleteBase(base, kCloseSilently);
    InstallTestStamp(nullptr);
    SetDataOperationHooks(nullptr);
    SetDocumentOperations(&savedDocuments);
    SetEditorCardHook(nullptr);
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

  // A hidden cards window, computed, with the contents modes and an optional line-text
  // pattern of its selection.
  T_Cards* Open(uint32_t groups = kContentsAll, uint32_t lines = kContentsAll,
                const char* lineText = nullptr) {
    auto* templ = new T_CardsTmpl(base);
    templ->SetDefaults();
    templ->options.groupsMode = groups;
    templ->options.linesMode = lines;
    if (lineText) SelectionDef_setPattern(&templ->selection, kPatternLineText, lineText);
    templates.push_back(templ);
    auto* window = static_cast<T_Cards*>(OpenCardsWindow(templ, nullptr, 1));
    EXPECT_NE(window, nullptr);
    if (window) window->RunCalculation(true, true);
    return window;
  }

  std::string Cards() {
    T_OStream stream;
    stream.SetNewline("\n");
    writeCardsSection(base, &stream);
    return std::string(reinterpret_cast<const char*>(stream.start),
                       static_cast<size_t>(stream.pos - stream.start));
  }

  // Feeds the tokens (each must be taken) and runs; the run's answer.
  bool Transform(T_HWindow* window, std::initializer_list<const char*> tokens) {
    T_Transform transform(window);
    for (const char* token : tokens) EXPECT_TRUE(Transform_parseOption(&transform, token)) << token;
    return Transform_run(&transform);
  }
  bool Aggregate(T_HWindow* window, std::initializer_list<const char*> words) {
    T_Aggregator aggregator(window);
    for (const char* word : words) EXPECT_TRUE(Aggregator_parseOption(&aggregator, word)) << word;
    return Aggregator_run(&aggregator);
  }

  T_Base* base = nullptr;
  DocumentOperations savedDocuments{};
  std::vector<T_CardsTmpl*> templates;
  static inline bool refuseSignature = false;
};

}  // namespace operations_test
