#include "bench/million_database.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/bench_random.h"
#include "core/packed_date.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/lines.h"

namespace {

// Leaves under three levels of codes: "D" + dimension letter + top digit, then two digits, then
// four: each parent is the longest prefix of its children's codes.
std::vector<int64_t> MakeDimension(T_Base* base, int32_t d, int32_t leaves) {
  std::vector<int64_t> numbers;
  const int32_t tops = leaves >= 50 ? 5 : 2;
  const int32_t middles = std::max(2, leaves / 50);
  char code[24];
  char text[64];
  for (int32_t top = 0; top < tops; ++top) {
    std::snprintf(code, sizeof code, "%c%d", 'A' + d, top);
    std::snprintf(text, sizeof text, "Area %c%d", 'A' + d, top);
    AddComponent(base, d, code, text, nullptr);
    for (int32_t middle = 0; middle < middles; ++middle) {
      std::snprintf(code, sizeof code, "%c%d%02d", 'A' + d, top, middle);
      std::snprintf(text, sizeof text, "Group %d of area %d", middle, top);
      AddComponent(base, d, code, text, nullptr);
    }
  }
  for (int32_t i = 0; i < leaves; ++i) {
    const int32_t top = i % tops;
    const int32_t middle = (i / tops) % middles;
    std::snprintf(code, sizeof code, "%c%d%02d%04d", 'A' + d, top, middle, i);
    std::snprintf(text, sizeof text, "Leaf %d", i);
    numbers.push_back(AddComponent(base, d, code, text, nullptr)->number);
  }
  return numbers;
}

}  // namespace

T_Base* MakeDatabase() {
  static const char* const kWords[] = {
      "North", "South", "Retail", "Online", "Coffee",  "Tea",    "Cocoa",  "Sugar", "Milk", "Oslo",
      "Lyon",  "Graz",  "Credit", "Debit",  "Freight", "Rebate", "Return", "Stock", "Cash", "Bank"};
  auto* base = new T_Base(nullptr, 0);
  std::vector<int64_t> components[5];
  for (int32_t d = 0; d < 5; ++d) components[d] = MakeDimension(base, d, kLeaves[d]);
  SetValueCount(base, 3);
  const int32_t firstDay = PackedDateToDayNumber(PackDate(2020, 1, 1));
  const int32_t days = PackedDateToDayNumber(PackDate(2024, 12, 31)) - firstDay + 1;
  char text[64];
  int64_t references[4];
  double values[3];
  for (int32_t c = 0; c < kCards; ++c) {
    CardId id{dayNumberToDate(firstDay + static_cast<int32_t>(int64_t{c} * days / kCards)), 1};
    CardRecord* card = CreateCard(base, &id);
    const int32_t groups = 1 + static_cast<int32_t>(Random(3));
    int64_t keys[3];
    for (int32_t g = 0; g < groups; ++g) keys[g] = components[0][(c + 3 * g) % kLeaves[0]];
    for (int32_t l = 0; l < kLinesPerCard; ++l) {
      GroupRecord* group = base->FindOrAddGroup(card, keys[l * groups / kLinesPerCard]);
      LineRecord* line = CreateLine(base, group);
      for (int32_t d = 1; d < 5; ++d)
        references[d - 1] = components[d][Random(static_cast<uint32_t>(kLeaves[d]))];
      base->SetLineComponents(line, references);
      for (double& value : values)
        value = (static_cast<int32_t>(Random(20000000)) - 5000000) / 100.0;
      base->SetLineValues(line, values);
      std::snprintf(text, sizeof text, "%s %s %s", kWords[Random(20)], kWords[Random(20)],
                    kWords[Random(20)]);
      SetLineText(line, text);
    }
  }
  return base;
}


bool WriteTabSeparated(T_Base* base, const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  std::string row;
  char number[40];
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    CardId id = CardGetId(card);
    char cardText[32];
    FormatCardIdCStr(cardText, &id);
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        row = cardText;
        row += '\t';
        row += group->component >= kDimensionCount ? ComponentAt(base, group->component)->code : "";
        for (int32_t slot = 0; slot < base->lineSlots; ++slot) {
          int64_t component = base->GetLineComponent(line, slot);
          row += '\t';
          if (component >= kDimensionCount) row += ComponentAt(base, component)->code;
        }
        row += '\t';
        if (line->text) row += line->text;
        for (int32_t column = 0; column < base->valueCount; ++column) {
          std::snprintf(number, sizeof number, "\t%.2f", base->GetLineValue(line, column));
          row += number;
        }
        row += '\n';
        std::fwrite(row.data(), 1, row.size(), file);
      }
    }
  }
  return std::fclose(file) == 0;
}
