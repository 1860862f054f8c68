// Damaged input: seeded, bounded loops of mutated formulas, condition texts, keyed lines, XML
// and subset blocks. Every parse ends, and what a reader normalises reads back as itself.
#include <cstdint>
#include <string>

#include "database/subsets.h"
#include "tests/database/cardsel/selection_fixture.h"

namespace {

using selection_test::SelectionTest;

class Mutator {
 public:
  explicit Mutator(uint32_t seed) : state_(seed) {}

  uint32_t Next(uint32_t n) {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return n ? state_ % n : 0;
  }

  std::string Mutate(std::string text) {
    static const char* const kPieces[] = {"&",
                                          "|",
                                          "(",
                                          ")",
                                          "\xC2\xAC",
                                          "\xC2\xB1",
                                          "\xE2\x80\xA6",
                                          "\\",
                                          "<",
                                          ">=",
                                          "\xE2\x89\xA0",
                                          "++",
                                          "--",
                                          "\t",
                                          "\r\n",
                                          "##",
                                          "\xC2",
                                          "\xE2\x80",
                                          "cards ",
                                          "un",
                                          "V",
                                          "<dim>",
                                          "</selection>",
                                          "'",
                                          "\"",
                                          "..",
                                          " ",
                                          "2403",
                                          "File",
                                          "Sales E",
                                          "&amp;",
                                          "\x01"};
    for (uint32_t steps = 1 + Next(4); steps > 0; --steps) {
      uint32_t at = Next(static_cast<uint32_t>(text.size()) + 1);
      switch (Next(5)) {
        case 0:
          if (!text.empty()) text[at % text.size()] = static_cast<char>(1 + Next(255));
          break;
        case 1:
          text.erase(at, Next(8));
          break;
        case 2:
          text.insert(at, kPieces[Next(sizeof kPieces / sizeof kPieces[0])]);
          break;
        case 3:
          text.insert(at, text.substr(Next(static_cast<uint32_t>(text.size()) + 1), Next(12)));
          break;
        default:
          text.resize(at);
          break;
      }
    }
    return text;
  }

 private:
  uint32_t state_;
};

class DamagedInputTest : public SelectionTest {
 protected:
  void SetUp() override {
    SelectionTest::SetUp();
    SetValueCount(base, 3);
    owner = SubsetCreate(base->subsets, "Owner");
    SubsetCreate(base->subsets, "Sales");
    SubsetCreate(base->subsets, "Sales East");
    SubsetAppendItem(owner, "A");
    SubsetAppendItem(owner, "Big ones");
    int64_t g = Component(0, "G");
    CardRecord* card = Card(Day(2024, 3, 1), 1, "t");
    Line(card, g, {1, 2, 3});
  }
  void Quiet() {
    alerts.asked.clear();
    PendingErrorClear();
  }
  Subset* owner = nullptr;
};

TEST_F(DamagedInputTest, FormulasReadBackAsPrinted) {
  const std::string seeds[] = {"(A|Big ones)¬Sales", "cards groups A±Sales E", "unbalanced ¬(A&¬B)",
                               "A++B--Sales East"};
  Mutator mutator(20240301);
  for (int32_t round = 0; round < 3000; ++round) {
    std::string text = mutator.Mutate(seeds[round % 4]);
    SCOPED_TRACE(text);
    CombCompile(&owner->combination, text.c_str());
    T_TextBuf stored, again;
    CombPrint(&owner->combination, &stored, 0);
    CombCompile(&owner->combination, stored.data);
    CombPrint(&owner->combination, &again, 0);
    ASSERT_STREQ(again.data, stored.data);
    CombCalculate(&owner->combination, nullptr);
    Quiet();
  }
}

TEST_F(DamagedInputTest, ConditionsKeepTheirNormalForm) {
  const std::string seeds[] = {"¬(240301|2403…240310)&>=File", "<>2403±\\", "=\\|(Month-1"};
  Mutator mutator(77);
  for (int32_t round = 0; round < 3000; ++round) {
    std::string typed = mutator.Mutate(seeds[round % 3]);
    SCOPED_TRACE(typed);
    IdCondition condition;
    T_TextBuf text(typed.c_str());
    IdConditionCompile(&condition, &text, base);
    std::string normal = text.data;
    IdConditionCompile(&condition, &text, base);
    ASSERT_EQ(normal, text.data);
    CardId id{Day(2024, 3, 5), 2};
    IdConditionTestId(&condition, &id);
    IdConditionTestDate(&condition, Day(2024, 3, 5));
    IdConditionFree(&condition);
    Quiet();
  }
}

TEST_F(DamagedInputTest, ReadersOfBlocksEnd) {
  const std::string keyed =
      "BD3\ta&b\r\nBC\t240301\tMonth\r\nBY\tinv\r\nBVB\t<5\r\nBVX\t1\r\nBS\tcards Owner\r\n";
  const std::string xml =
      "<selection><from>240301</from><dim num=\"3\">a</dim><value2 num=\"1\">x</value2>"
      "<notes>n</notes><subset>Owner</subset></selection>";
  const std::string block =
      "## Subset\tCopy\r\nVN\tA\r\nVY\tinv\r\nVk\t2403\r\nVp\t<240310\tbo\r\nF\tA|Sales\r\nxo\r\n"
      "xp\t1\t2\r\nN\tnotes\r\n## Subset\tOther\r\nF\tCopy\r\n";
  Mutator mutator(4711);
  SubsetList pasted;
  SubsetListInit(&pasted, base, kSubsetListOfWindow);
  for (int32_t round = 0; round < 1500; ++round) {
    std::string text = mutator.Mutate(round % 3 == 0 ? keyed : round % 3 == 1 ? xml : block);
    T_IStream in;
    in.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
    if (round % 3 == 0) {
      SelectionDef def;
      SelectionDef_init(&def, base);
      CardSelection selection;
      Selection_init(&selection, base, nullptr, nullptr);
      while (in.NextLine()) {
        T_TextBuf key;
        if (!in.ReadFieldBuf(&key)) continue;
        SelectionDef_readKey(&def, key.data, &in);
        in.RewindLine();
        in.ReadFieldBuf(&key);
        Selection_readKey(&selection, key.data, &in);
      }
      T_OStream out;
      SelectionDef_writeKeys(&def, &out, 'B');
      Selection_writeKeys(&selection, &out, 'B');
      Selection_free(&selection);
      SelectionDef_free(&def);
    } else if (round % 3 == 1) {
      SelectionDef def;
      SelectionDef_init(&def, base);
      if (in.NextXmlToken()) Selection_readXml(&def, &in);
      SelectionDef_free(&def);
    } else {
      if (in.NextLine()) ReadSubsetBlocks(&pasted, &in);
      T_OStream out;
      for (Subset* s = pasted.first; s; s = s->next) {
        WriteSubset(s, &out, "## Subset");
        CombCalculate(&s->combination, nullptr);
      }
      while (pasted.first) SubsetDestroy(pasted.first);
    }
    Quiet();
  }
  SubsetListFree(&pasted);
}

}  // namespace
