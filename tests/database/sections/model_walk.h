#pragma once
// Walks over the whole model of a database: a dump of everything a file carries (two databases
// with equal dumps hold the same data), and a check of every chain, list and index after a read
// that may have met anything.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/cstring.h"
#include "core/locale.h"
#include "core/output_stream.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/component_lookup.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/date_ref.h"
#include "database/line_origins.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"
#include "database/subsets.h"
#include "database/templates.h"
#include "database/time_scale.h"
#include "database/web_users.h"

inline std::string Text(const char* text) { return text != nullptr ? text : "-"; }

inline std::string Lines(const SectionLines& lines) {
  return lines.bytes != nullptr ? std::string(lines.bytes, static_cast<size_t>(lines.length)) : "";
}

inline std::string Stamp(const SignatureStamp& stamp) {
  char text[40];
  FormatSignatureStampCompactCStr(text, &stamp);
  return text;
}

inline std::string ComponentName(T_Base* base, int64_t number) {
  return number < kDimensionCount ? "-" : Text(ComponentAt(base, number)->code);
}

inline std::string ModelDump(T_Base* base) {
  std::string dump;
  char number[64];
  auto add = [&dump](const std::string& text) { dump += text + "\n"; };

  add("digits " + std::to_string(base->cardDigits) + " values " + std::to_string(base->valueCount));
  for (int32_t column = 0; column < kMaxValueCount; ++column) {
    add("column " + std::to_string(base->decimalsCodes[column]) + " " +
        Text(base->valueNames[column]));
  }
  add("labels " + Text(base->cardTitleLabel) + " " + Text(base->lineTextLabel));
  T_TextBuf reference;
  DateRefFileText(&base->referenceDate, &reference);
  add("reference " + std::string(reference.c_str()) + " origins " +
      std::to_string(base->lineOrigins != nullptr));

  for (int32_t d = 0; d < kDimensionCount; ++d) {
    const DimensionRecord* dim = base->dimensions[d];
    add("dimension " + std::to_string(d) + " " + Text(dim->singular) + " " + Text(dim->plural) +
        " " + std::to_string(dim->codeCase) + std::to_string(dim->textCase) +
        std::to_string(dim->hostCase) + std::to_string(dim->displayStyle) +
        std::to_string(dim->optionX) + std::to_string(dim->optionI) + " " +
        std::to_string(dim->codeWidth) + "," + std::to_string(dim->textWidth) + "," +
        std::to_string(dim->hostWidth));
    ComponentRecord* root = ComponentAt(base, d);
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      add(std::string(static_cast<size_t>(CompDepth(c)), ' ') + Text(c->code) + "|" +
          Text(c->text) + "|" + Text(c->hostCode));
    }
  }

  T_TextBuf origin;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    CardId id = CardGetId(card);
    FormatCardIdCStr(number, &id);
    add("card " + std::string(number) + " " + Text(card->title) + " [" + Text(card->notes) + "] " +
        Stamp(card->created) + " " + Stamp(card->changed) + " " + Stamp(card->notesStamp) + " " +
        Stamp(card->examined) + " " + Stamp(card->approved));
    for (GroupRecord* group = card->firstGroup; group != nullptr; group = group->next) {
      add(" group " + ComponentName(base, group->component));
      for (LineRecord* line = group->firstLine; line != nullptr; line = line->next) {
        std::string text = "  line " + Text(line->text);
        for (int32_t column = 0; column < base->valueCount; ++column) {
          std::snprintf(number, sizeof number, " %.17g", base->GetLineValue(line, column));
          text += number;
        }
        for (int32_t slot = 0; slot < base->lineSlots; ++slot)
          text += " " + ComponentName(base, base->GetLineComponent(line, slot));
        if (LineOriginText(base, line, &origin)) text += " from " + std::string(origin.c_str());
        add(text);
      }
    }
  }

  for (const SaveSetup* s = base->saveSetups; s != nullptr; s = s->next)
    add("save setup " + Text(s->name) + "\n" + Lines(s->lines));
  // Import setups and dimension import setups as their writers put them.
  auto record = [](auto write) {
    T_OStream out;
    write(&out);
    return std::string(reinterpret_cast<const char*>(out.start),
                       static_cast<size_t>(out.pos - out.start));
  };
  for (const ImportSetup* s = base->importSetups; s != nullptr; s = s->next)
    add("import setup " + record([s](T_OStream* out) { WriteImportSetup(s, out); }));
  const Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next)
    add("macro " + Text(macro->name) + "\n" + Text(macro->text) + "\nA" +
        std::to_string(macro->inExecuteMenu) + " S" + std::to_string(macro->runAtOpen) + " P" +
        std::to_string(macro->passwordRequired));
  for (const TimeScale* scale = base->timeScales; scale != nullptr; scale = scale->next) {
    add("time scale " + Text(scale->name));
    for (int64_t i = 0; i < TimeScalePeriodCount(scale); ++i) {
      const TimePeriod* period = TimeScalePeriod(scale, i);
      FormatCardIdCStr(number, &period->start);
      add(" " + std::string(number) + " " + Text(period->name));
    }
  }
  for (const DimImportSetup* setup : base->dimImports) {
    if (setup != nullptr)
      add("dimension import " +
          record([setup](T_OStream* out) { WriteDimImport(setup, out, setup->dimension + 1); }));
  }
  if (base->webUsers != nullptr) {
    T_OStream users;
    WriteWebUsers(base->webUsers, &users);
    add("web users\n" +
        std::string(reinterpret_cast<const char*>(users.start), users.BufferedLength()));
  }
  // Subsets, templates (each under its path, folders too) and defaults as their writers put them.
  auto written = [](const T_OStream& out) {
    return std::string(reinterpret_cast<const char*>(out.start),
                       static_cast<size_t>(out.pos - out.start));
  };
  if (SubsetList* list = base->subsets) {
    Subset* subset = list->first;
    for (int32_t i = 0; subset != nullptr && i < list->count; ++i, subset = subset->next) {
      T_OStream out;
      WriteSubset(subset, &out, "##Subset");
      add(written(out));
    }
  }
  T_TextBuf path;
  for (T_Template* node = base->rootTemplate ? base->rootTemplate->firstChild : nullptr; node;
       node = node->NextBelow(base->rootTemplate)) {
    T_OStream out;
    node->WriteText(&out);
    node->GetPath(&path);
    add("template " + std::to_string(node->kind) + " " + path.c_str() + "\n" + written(out));
  }
  for (T_Template* templ : base->defaultTemplates) {
    if (templ == nullptr) continue;
    T_OStream out;
    templ->WriteText(&out);
    add("default\n" + written(out));
  }
  return dump;
}

// Every chain closes, every count matches what the chains hold, the lists are in their order
// and every component is found through its dimension's indexes.
inline void ExpectModelSound(T_Base* base) {
  int64_t cards = 0;
  int64_t lines = 0;
  int64_t nodes = 0;
  CardRecord* previous = base->sentinelCard;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    ASSERT_LE(++cards, base->cardCount) << "the card chain does not close";
    EXPECT_EQ(card->previous, previous);
    if (previous != base->sentinelCard) {
      EXPECT_LT(CardCompareById(previous, card, 0), 0);
    }
    ASSERT_NE(card->dateNode, nullptr);
    if (card->dateNode->firstCard == card) ++nodes;
    EXPECT_NE(card->firstGroup, nullptr) << "a card without groups";
    for (GroupRecord* group = card->firstGroup; group != nullptr; group = group->next) {
      LineRecord* last = nullptr;
      for (LineRecord* line = group->firstLine; line != nullptr; line = line->next) {
        ASSERT_LE(++lines, base->lineCount) << "a line list does not end";
        last = line;
      }
      EXPECT_EQ(group->lastLine, last);
    }
    previous = card;
  }
  EXPECT_EQ(base->sentinelCard->previous, previous);
  EXPECT_EQ(cards, base->cardCount);
  EXPECT_EQ(lines, base->lineCount);
  EXPECT_EQ(nodes, base->dateNodeCount);

  for (int32_t d = 0; d < kDimensionCount; ++d) {
    ComponentRecord* root = ComponentAt(base, d);
    int64_t walked = 0;
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      ASSERT_LT(++walked, base->componentPool.count) << "the tree of " << d << " does not end";
      EXPECT_EQ(FindByCode(base, d, c->code), c) << d << " " << Text(c->code);
      if (c->hostCode != nullptr) {
        EXPECT_EQ(FindByHostCode(base, d, c->hostCode), c);
      }
      if (c->firstChild != nullptr) {
        EXPECT_EQ(c->firstChild->parent, c);
      }
    }
  }

  const SaveSetup* setup = base->saveSetups;
  for (; setup != nullptr && setup->next != nullptr; setup = setup->next)
    EXPECT_LE(StrCompareNoCaseNullLast(setup->name, setup->next->name), 0);
  const Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next)
    EXPECT_EQ(macro->next->previous, macro);
  EXPECT_EQ(macro, base->macros);
}
