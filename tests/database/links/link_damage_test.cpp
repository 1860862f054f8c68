// Damaged link texts: bytes flipped, cut and repeated in a bounded, seeded loop go through every
// reader of link targets; each call stays inside its text and leaves a readable result.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/memory.h"
#include "core/output_stream.h"
#include "database/link_rename.h"
#include "tests/database/links/links_fixture.h"
#include "ui/link_markup.h"

namespace links_test {
namespace {

uint32_t NextRandom(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}

std::string Mutate(std::string text, uint32_t* state) {
  static const char kBytes[] = "[]#\"'<>=:- /\\0123456789?\xC3\xA5";
  int32_t edits = 1 + static_cast<int32_t>(NextRandom(state) % 4);
  for (int32_t i = 0; i < edits && !text.empty(); ++i) {
    size_t at = NextRandom(state) % text.size();
    switch (NextRandom(state) % 4) {
      case 0:
        text[at] = kBytes[NextRandom(state) % (sizeof(kBytes) - 1)];
        break;
      case 1:
        text.erase(at, 1 + NextRandom(state) % 3);
        break;
      case 2:
        text.insert(at, 1, kBytes[NextRandom(state) % (sizeof(kBytes) - 1)]);
        break;
      default:
        text.resize(at);  // cut
        break;
    }
  }
  return text;
}

TEST_F(LinksTest, MutatedLinkTextsAreReadSafely) {
  CardId id = Id(2012, 11, 22, 1);
  CreateCard(own, &id);
  MacroCreate(own, "Run");
  Template(own, "Sales: Monthly");
  const std::string seeds[] = {
      "card=\"121122-1#3\" <a card='[own.qeb] 121122-001'>121122-1</a>",
      "<a macro=Run>Run</a> macro=\"[other.qeb]Run\"",
      "<a template=\"[closed.qeb]Sales: Monthly\">Sales</a> template=Sales:Monthly>",
      "card=\"[" + folder.path() + "\\own.qeb]121122-1#2147483647\"",
  };
  const char* tags[] = {"card", "macro", "template"};
  uint32_t state = 20240315;
  for (int32_t round = 0; round < 1500; ++round) {
    std::string text = Mutate(seeds[round % 4], &state);
    // The text in a block of exactly its size, so a read past its end is a read past the block.
    char* block = static_cast<char*>(MemAlloc(static_cast<int64_t>(text.size()) + 1, 0));
    std::memcpy(block, text.c_str(), text.size() + 1);

    for (const char* tag : tags) {
      T_LinkHandler* handler = Handler(own, tag);
      handler->TargetExists(block);
      if (round % 10 == 0) handler->Follow(block);
      PendingErrorClear();
      T_OStream stream;
      handler->WriteLink(&stream, block, block);
    }
    T_OStream page;
    LinkText_WriteHtml(own->linkContext, &page, block);

    for (int32_t kind : {kRenameCard, kRenameTemplate, kRenameMacro}) {
      LinkRename rename;
      rename.kind = kind;
      rename.keyword = kind == kRenameCard       ? "card="
                       : kind == kRenameTemplate ? "template="
                                                 : "macro=";
      rename.oldId = id;
      rename.newId = CardId{PackDate(2012, 11, 23), 12};
      TextBufAssign(&rename.oldText, kind == kRenameTemplate ? "Sales: Monthly" : "Run");
      TextBufAssign(&rename.newText, kind == kRenameTemplate ? "Sales: Weekly" : "Go");
      if (round % 2) TextBufAssign(&rename.fileName, "own.qeb");
      char* copy = StrDup(block);
      if (RewriteLinks(&rename, &copy, 200)) {
        ASSERT_NE(copy, nullptr);
        EXPECT_LE(std::strlen(copy), 200u);
      }
      BlockTextFree(&copy);
    }
    MemFree(block);
  }
}

}  // namespace
}  // namespace links_test
