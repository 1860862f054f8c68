#pragma once
// The example database as TSV for the independent checks with sqlite3: components.tsv (dimension,
// code, parent code) and lines.tsv (date, card, the codes of dimensions 0 to 4, the values, the
// line text), written into a folder of the test output directory.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "database/base.h"
#include "database/cards.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/lines.h"

namespace example_tsv {

// The folder below QEB_TEST_OUTPUT_DIR as a Wine path, made when missing; empty without one.
inline std::string OutputFolder(const char* name) {
  const char* root = std::getenv("QEB_TEST_OUTPUT_DIR");
  if (!root || !*root) return "";
  std::string folder = std::string("Z:") + root;
  for (char& c : folder)
    if (c == '/') c = '\\';
  CreateDirectoryA(folder.c_str(), nullptr);
  folder += "\\";
  folder += name;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

inline const char* CodeOf(const ComponentRecord* c) { return c && c->parent && c->code ? c->code : ""; }

inline void WriteComponents(T_Base* base, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    ComponentRecord* root = ComponentAt(base, d);
    for (ComponentRecord* c = CompTreeNext(root); c && c != root; c = CompTreeNext(c))
      out << d << '\t' << c->code << '\t' << CodeOf(c->parent) << '\n';
  }
}

inline void WriteLines(T_Base* base, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  char number[64];
  CardId first;
  base->GetCardIdBound(&first, -1);
  for (CardRecord* card = base->SeekCard(&first); card && card != base->sentinelCard;
       card = card->next) {
    const PackedDate date = card->dateNode->date;
    const int32_t ymd =
        PackedDateYear(date) * 10000 + PackedDateMonth(date) * 100 + PackedDateDay(date);
    for (GroupRecord* g = card->firstGroup; g; g = g->next) {
      for (LineRecord* l = g->firstLine; l; l = l->next) {
        out << ymd << '\t' << ymd << '-' << card->dayNumber << '\t'
            << CodeOf(ComponentAt(base, g->component));
        for (int32_t slot = 0; slot < 4; ++slot)
          out << '\t' << CodeOf(ComponentAt(base, base->GetLineComponent(l, slot)));
        for (int32_t v = 0; v < base->valueCount; ++v) {
          std::snprintf(number, sizeof number, "%.17g", base->GetLineValue(l, v));
          out << '\t' << number;
        }
        out << '\t' << (l->text ? l->text : "") << '\n';
      }
    }
  }
}

}  // namespace example_tsv
