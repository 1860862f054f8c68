#pragma once
// SIE files opened into databases and exported from them, under the pinned clock, with the
// user in front of the questions answering Continue; and a compact dump of what an SIE file
// carries (the dimensions in use with their trees, and the cards).
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "../opensave/opensave_fixture.h"
#include "database/sie_export.h"
#include "database/sie_import.h"
#include "tests/source_path.h"

inline std::string SieDataPath(const std::string& name) {
  return TestSourcePath("tests/database/sie/data/" + name);
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

inline bool UpdatingGolden() { return std::getenv("QEB_UPDATE_GOLDEN") != nullptr; }

// The golden file's bytes; with QEB_UPDATE_GOLDEN set the file is written from the text first.
inline std::string Golden(const std::string& name, const std::string& text) {
  if (UpdatingGolden()) WriteBytes(SieDataPath(name), text);
  return ReadBytes(SieDataPath(name));
}

inline std::string SieDump(T_Base* base) {
  std::string dump;
  char number[64];
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    const DimensionRecord* dim = base->dimensions[d];
    if (!base->HasSubComponents(d) && dim->singular == nullptr && dim->plural == nullptr) continue;
    dump += "dimension " + std::to_string(d) + " " + Text(dim->singular) + " / " +
            Text(dim->plural) + "\n";
    ComponentRecord* root = ComponentAt(base, d);
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      dump += std::string(static_cast<size_t>(CompDepth(c)), ' ') + Text(c->code) + "|" +
              Text(c->text) + "|" + Text(c->hostCode) + "\n";
    }
  }
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    CardId id = CardGetId(card);
    FormatCardIdCStr(number, &id);
    dump +=
        "card " + std::string(number) + " " + Text(card->title) + " " + Stamp(card->created) + "\n";
    for (GroupRecord* group = card->firstGroup; group != nullptr; group = group->next) {
      dump += " group " + ComponentName(base, group->component) + "\n";
      for (LineRecord* line = group->firstLine; line != nullptr; line = line->next) {
        std::snprintf(number, sizeof number, "%.17g", base->GetLineValue(line, 0));
        std::string text = "  line " + Text(line->text) + " " + number;
        for (int32_t slot = 0; slot < base->lineSlots; ++slot)
          text += " " + ComponentName(base, base->GetLineComponent(line, slot));
        dump += text + "\n";
      }
    }
  }
  return dump;
}

class SieTest : public OpenSaveTest {
 protected:
  // A new database holding the SIE file, opened as a user opens it.
  T_Base* OpenSie(const std::string& path) {
    T_Base* base = openDatabase(path.c_str(), nullptr, kOpenFlagNoOpenDirect);
    EXPECT_NE(base, nullptr) << path;
    return base;
  }

  // Every dimension in use gets an SIE number: the accounts -1, the others 1, 2, ...; the
  // company name is the one imported.
  static void FullExportOptions(T_Base* base, SaveOptions* options) {
    SaveOptionsInit(options, base);
    SaveOptionsFromBase(options, base);
    options->kind = kSaveKindSie;
    for (int32_t& mode : options->sieComponentModes) mode = kDimSaveAll;
    int32_t next = 1;
    for (int32_t d = 2; d < kDimensionCount; ++d) {
      if (base->HasSubComponents(d)) options->sieDimensionNumbers[d] = next++;
    }
    ComponentRecord* company = CompTreeNext(ComponentAt(base, 0));
    if (company != ComponentAt(base, 0)) BlockTextAssign(&options->sieCompanyName, company->text);
  }

  std::string Export(T_Base* base, const std::string& name, SaveOptions* options) {
    const std::string path = Path(name);
    EXPECT_TRUE(saveByKind(base, path.c_str(), options)) << name;
    return ReadBytes(path);
  }

  std::string ExportAll(T_Base* base, const std::string& name) {
    SaveOptions options;
    FullExportOptions(base, &options);
    std::string bytes = Export(base, name, &options);
    SaveOptionsFree(&options);
    return bytes;
  }
};
