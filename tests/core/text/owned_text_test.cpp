#include "core/owned_text.h"

#include <gtest/gtest.h>

#include <string>

#include "core/memory.h"

namespace {

TEST(BlockText, AssignReusesOrReplacesAndWipes) {
  char* holder = nullptr;
  EXPECT_TRUE(BlockTextAssign(&holder, "four"));
  EXPECT_EQ(MemSize(holder), 5);
  char* first = holder;
  BlockTextAssign(&holder, "FIVE");  // same length: overwritten in place
  EXPECT_EQ(holder, first);
  EXPECT_STREQ(holder, "FIVE");
  BlockTextAssign(&holder, "longer");
  EXPECT_STREQ(holder, "longer");
  EXPECT_EQ(BlockTextLength(holder), 6);
  char* block = holder;
  BlockTextWipe(block);
  EXPECT_STREQ(block, "      ");
  BlockTextAssign(&holder, "");
  EXPECT_EQ(holder, nullptr);
  BlockTextAssignChar(&holder, 'c');
  EXPECT_STREQ(holder, "c");
  BlockTextAssignBlock(&holder, holder);  // itself: unchanged
  EXPECT_STREQ(holder, "c");
  BlockTextAssignBlock(&holder, nullptr);
  EXPECT_EQ(holder, nullptr);
  EXPECT_EQ(StrDup(""), nullptr);
  EXPECT_EQ(StrDupBytes("abc", 0), nullptr);
}

TEST(BlockText, CopyNAndTabOrBreak) {
  char* block = StrDup(
      "ab\xC3\xA9"
      "cd");
  char out[8];
  EXPECT_EQ(BlockTextCopyN(out, 4, block), 2);
  EXPECT_STREQ(out, "ab");
  EXPECT_EQ(BlockTextCopyN(out, 8, block), 6);
  EXPECT_EQ(BlockTextCopyN(out, 8, nullptr), 0);
  EXPECT_STREQ(out, "");
  MemFree(block);
  struct {
    const char* text;
    bool expected;
  } cases[] = {{"a\tb", true}, {"ab\n", false}, {"a\rb\n", true}, {"plain", false}, {"\t", false}};
  for (const auto& c : cases) {
    char* b = StrDup(c.text);
    EXPECT_EQ(BlockTextHasTabOrBreak(b), c.expected) << c.text;
    MemFree(b);
  }
  EXPECT_FALSE(BlockTextHasTabOrBreak(nullptr));
}

TEST(UiText, SwitchesBetweenReferenceCopyAndId) {
  UiText ui;
  UiTextClear(&ui);
  UiTextSetCopy(&ui, "owned");
  EXPECT_STREQ(ui.shown, "owned");
  EXPECT_EQ(ui.shown, ui.copy);
  static const char kConstant[] = "constant";
  UiTextSetRef(&ui, kConstant);
  EXPECT_EQ(ui.shown, kConstant);
  EXPECT_EQ(ui.copy, nullptr);
  UiTextSetRef(&ui, "");
  EXPECT_EQ(ui.shown, nullptr);
  UiTextSetId(&ui, 0);
  EXPECT_EQ(ui.shown, nullptr);
  EXPECT_EQ(ui.id, 0);
  UiTextFree(&ui);
}

std::string Entries(const TextHistory& h) {
  std::string out;
  for (int32_t i = 0; i < h.count; ++i)
    out += std::string(h.entries[i]) + (i == h.current ? "*" : "") + " ";
  return out;
}

TEST(TextHistory, AddKeepsTheNewestTwelveAndDropsLaterEntries) {
  TextHistory h;
  TextHistoryInit(&h);
  for (int32_t i = 1; i <= 13; ++i) TextHistoryAdd(&h, std::to_string(i).c_str());
  EXPECT_EQ(h.count, 12);
  EXPECT_STREQ(h.entries[0], "2");
  EXPECT_EQ(h.current, 11);
  TextHistoryAdd(&h, "13");  // equal to the current entry
  TextHistoryAdd(&h, "");
  TextHistoryAdd(&h, nullptr);
  EXPECT_EQ(h.count, 12);

  h.current = 5;
  TextHistoryAdd(&h, "new");
  EXPECT_EQ(Entries(h), "2 3 4 5 6 7 new* ");
  TextHistoryFree(&h);
  EXPECT_EQ(h.count, 0);
  EXPECT_EQ(h.current, -1);
}

TEST(TextHistory, BackAndForward) {
  TextHistory h;
  TextHistoryInit(&h);
  TextHistoryAdd(&h, "a");
  TextHistoryAdd(&h, "b");
  T_TextBuf field("typed");
  TextHistoryUpdateFlags(&h, field.data);
  EXPECT_TRUE(h.canGoBack);
  EXPECT_FALSE(h.canGoForward);
  TextHistoryBack(&h, &field);  // adds "typed", steps back to "b"
  EXPECT_STREQ(field.data, "b");
  EXPECT_EQ(Entries(h), "a b* typed ");
  TextHistoryBack(&h, &field);
  EXPECT_STREQ(field.data, "a");
  TextHistoryUpdateFlags(&h, field.data);
  EXPECT_FALSE(h.canGoBack);
  EXPECT_TRUE(h.canGoForward);
  TextHistoryBack(&h, &field);  // at the first entry: stays
  EXPECT_EQ(h.current, 0);
  EXPECT_STREQ(field.data, "a");
  TextHistoryForward(&h, &field);
  TextHistoryForward(&h, &field);
  EXPECT_STREQ(field.data, "typed");
  TextHistoryForward(&h, &field);
  EXPECT_STREQ(field.data, "typed");
  EXPECT_EQ(h.count, 3);
  TextHistoryFree(&h);
}

}  // namespace
