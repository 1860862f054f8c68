#pragma once
// A database to write sections from and fresh ones to read them back into, a small section
// dispatcher standing where the section stream will, scripted answers to the read prompt, a
// dump of the model that compares databases by codes rather than record numbers, and a check
// of every chain and index of the model.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "../../core/streams/scratch_folder.h"
#include "../logs/logs_fixture.h"
#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/paged_array.h"
#include "database/base.h"
#include "database/card_records.h"
#include "database/cards.h"
#include "database/component_lookup.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/dimension_sections.h"
#include "database/line_origins.h"
#include "database/lines.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"
#include "database/stored_object_holders.h"

namespace records_test {

// The message and texts of a question asked.
inline std::vector<std::string> MessageAndTexts(const AlertRequest& request) {
  std::vector<std::string> shown{std::to_string(request.message)};
  for (int32_t i = 0; i < request.textCount; ++i) shown.emplace_back(request.texts[i]);
  return shown;
}

inline std::string Written(const T_OStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.pos - stream.start));
}

inline std::string DimensionSectionsOf(T_Base* base) {
  T_OStream stream;
  WriteDimensionSections(base, &stream);
  return Written(stream);
}

inline std::string CardsSectionOf(T_Base* base) {
  T_OStream stream;
  writeCardsSection(base, &stream);
  return Written(stream);
}

// Reads the sections of the text as the section stream dispatches them: a reader is called
// with its header current and leaves current the line that ended its section; every other line
// is stepped over.
inline void ReadSections(T_Base* base, const std::string& text) {
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  bool have = stream.NextLine();
  while (have && !AbortRequested()) {
    stream.NextField();
    std::string tag(stream.Field(), static_cast<size_t>(stream.FieldLength()));
    if (tag.rfind("##Dimension", 0) == 0)
      ReadDimensionSection(base, &stream);
    else if (tag.rfind("##DimImport", 0) == 0)
      ReadDimImportSection(base, &stream);
    else if (tag.rfind("##Cards", 0) == 0)
      readCardsSection(base, &stream);
    else {
      have = stream.NextLine();
      continue;
    }
    if (IsSectionHeaderLine(&stream)) continue;
    have = stream.NextLine();
  }
}

// The operation log's entries of reading the text, the clock pinned so that load times are 0.
inline std::vector<std::string> LoggedRead(T_Base* base, const std::string& text) {
  ScratchFolder folder;
  PinnedClock clock;
  LogCapture capture;
  OpenErrorFile(base, (folder / "run.log").c_str(), false, 0, true, false);
  LogCapture::Lines().clear();
  ReadSections(base, text);
  std::vector<std::string> lines = LogCapture::Lines();
  CloseAlertLog(base, true);
  return lines;
}

inline std::string Shown(const char* text) {
  std::string shown = text ? text : "";
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  }
  return shown;
}

inline std::string Escaped(const char* text) {
  std::string shown;
  for (const char* p = text; p && *p; ++p) {
    if (*p == '\r')
      shown += "\\r";
    else if (*p == '\t')
      shown += "\\t";
    else
      shown += *p;
  }
  return shown;
}

inline std::string StampText(const SignatureStamp& stamp) {
  char text[32];
  FormatSignatureStampCompactCStr(text, &stamp);
  return text;
}

inline std::string CodeOf(T_Base* base, int64_t component) {
  const ComponentRecord* c = ComponentAt(base, component);
  return c->parent ? c->code : "-";
}

// The model as the records carry it: texts with control characters as blanks (notes keep
// theirs, escaped), components by code, values to 17 digits.
inline std::string DumpModel(T_Base* base) {
  std::string dump;
  char number[40];
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    const DimensionRecord* dim = base->dimensions[d];
    if (!base->IsDimUsed(d)) continue;
    std::snprintf(number, sizeof number, "D%d %d%d%d %d %d %d %d,%d,%d|", d, dim->codeCase,
                  dim->textCase, dim->hostCase, dim->displayStyle, dim->optionI, dim->optionX,
                  dim->codeWidth, dim->textWidth, dim->hostWidth);
    dump += number + Shown(dim->singular) + "|" + Shown(dim->plural) + "\n";
    ComponentRecord* root = ComponentAt(base, d);
    int32_t depth = 0;
    for (ComponentRecord* c = CompTreeNextDepth(root, &depth); c != root;
         c = CompTreeNextDepth(c, &depth)) {
      dump += std::string(static_cast<size_t>(depth) * 2, ' ') + c->code + "|" + Shown(c->text) +
              "|" + Shown(c->hostCode) + "\n";
    }
    if (base->dimImports[d]) {
      T_OStream out;
      WriteDimImport(base->dimImports[d], &out, d + 1);
      dump += "import " + std::string(reinterpret_cast<const char*>(out.start),
                                      static_cast<size_t>(out.pos - out.start));
    }
  }
  std::snprintf(number, sizeof number, "values %d\n", base->valueCount);
  dump += number;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    char id[32];
    CardId cardId = CardGetId(card);
    FormatCardIdCStr(id, &cardId);
    dump += std::string("C") + id + "|" + Shown(card->title) + "|" + Escaped(card->notes) + "|" +
            StampText(card->notesStamp) + "|" + StampText(card->created) + "|" +
            StampText(card->changed) + "|" + StampText(card->examined) + "|" +
            StampText(card->approved) + "\n";
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      dump += " G" + CodeOf(base, group->component) + "\n";
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        dump += "  L";
        for (int32_t column = 0; column < base->valueCount; ++column) {
          std::snprintf(number, sizeof number, " %.17g", base->GetLineValue(line, column));
          dump += number;
        }
        dump += "|" + Shown(line->text) + "|";
        for (int32_t slot = 0; slot < base->lineSlots; ++slot)
          dump += CodeOf(base, base->GetLineComponent(line, slot)) + ",";
        T_TextBuf origin;
        if (LineOriginText(base, line, &origin)) dump += std::string("|") + origin.c_str();
        dump += "\n";
      }
    }
  }
  return dump;
}

// Every chain and index of the model holds together; the first fault found, or empty.
inline std::string CheckModel(T_Base* base) {
  int64_t pool = base->componentPool.count;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    ComponentRecord* root = ComponentAt(base, d);
    int64_t seen = 0;
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      if (++seen > pool) return "component walk does not end";
      if (!c->parent || !c->code || !*c->code) return "component without parent or code";
      if (c->parent->firstChild->prevSibling->nextSibling) return "last child has a next";
      if (FindByCode(base, d, c->code) != c) return std::string("code not indexed: ") + c->code;
    }
  }
  int64_t cards = 0, groups = 0, lines = 0, nodes = 0;
  for (DateNode* node = base->dateRing->next; node != base->dateRing; node = node->next) {
    if (++nodes > base->dateNodeCount) return "date ring longer than its count";
    if (node->cardCount < 1 || node->firstCard->dateNode != node) return "date node";
  }
  if (nodes != base->dateNodeCount) return "date node count";
  const CardRecord* previous = nullptr;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    if (++cards > base->cardCount) return "card chain longer than its count";
    if (card->next->previous != card) return "card chain links";
    if (previous && CardCompareById(previous, card, 0) >= 0) return "card chain order";
    if (!card->firstGroup) return "card without groups";
    previous = card;
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      ++groups;
      if (!group->firstLine) return "group without lines";
      if (group->component >= pool ||
          (group->component && CompDepth(ComponentAt(base, group->component)) < 1))
        return "group component";
      const LineRecord* last = nullptr;
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        if (++lines > base->lineCount) return "line chain longer than its count";
        for (int32_t slot = 0; slot < base->lineSlots; ++slot) {
          int64_t component = base->GetLineComponent(line, slot);
          if (component >= pool) return "line reference outside the pool";
          ComponentRecord* c = ComponentAt(base, component);
          while (c->parent) c = c->parent;
          if (c->number != slot + 1) return "line reference in another dimension";
        }
        last = line;
      }
      if (group->lastLine != last) return "group's last line";
    }
  }
  if (cards != base->cardCount || groups != base->groupCount || lines != base->lineCount)
    return "counts";
  return "";
}

class RecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    base = NewDatabase();
  }
  void TearDown() override {
    databases.clear();
    PendingErrorClear();
  }

  T_Base* NewDatabase() {
    databases.emplace_back(new T_Base(nullptr, 0), [](T_Base* b) {
      FreeLineOrigins(b);
      delete b;
    });
    return databases.back().get();
  }

  ComponentRecord* Add(T_Base* b, int32_t d, const char* code, const char* text = nullptr,
                       const char* hostCode = nullptr) {
    ComponentRecord* c = AddComponent(b, d, code, text, hostCode);
    EXPECT_NE(c, nullptr) << code;
    return c;
  }
  int64_t Number(T_Base* b, int32_t d, const char* code) {
    ComponentRecord* c = FindByCode(b, d, code);
    return c ? c->number : d;
  }

  CardRecord* Card(T_Base* b, int32_t year, int32_t month, int32_t day, int32_t number) {
    CardId id{PackDate(year, month, day), number};
    CardRecord* card = CreateCard(b, &id);
    EXPECT_NE(card, nullptr);
    return card;
  }

  // A line of the card's group of the component with values by column and components by slot.
  LineRecord* Line(T_Base* b, CardRecord* card, int64_t group, std::vector<double> values,
                   std::vector<int64_t> components, const char* text = nullptr) {
    LineRecord* line = CreateLine(b, b->FindOrAddGroup(card, group));
    for (size_t i = 0; i < values.size(); ++i)
      b->SetLineValue(line, static_cast<int32_t>(i), values[i]);
    for (size_t i = 0; i < components.size(); ++i)
      b->SetLineComponent(line, static_cast<int32_t>(i), components[i]);
    if (text) BlockTextAssign(&line->text, text);  // controls kept, as older data may hold
    return line;
  }

  ScriptedUser answers;  // Continue, unless scripted
  T_Base* base = nullptr;
  std::vector<std::unique_ptr<T_Base, void (*)(T_Base*)>> databases;
};

}  // namespace records_test
