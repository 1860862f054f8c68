// The text forms of selection items and subsets (tabled in subsets.h): the "## Selection" and
// "## Subset" clipboard blocks and the "##Subset" section record.
#include <cstring>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "database/subsets.h"

namespace {

constexpr const char* kSelectionHeader = "## Selection";
constexpr const char* kSubsetHeader = "## Subset";
constexpr const char* kItemKey = "VN";
// The stamp keys in the order of the stamp conditions.
constexpr const char* kStampKeys[kStampCount] = {"Vc", "Vm", "Ve", "Vp", "Va"};

bool LineIsSectionStart(const T_IStream* stream) {
  return stream->lineEnd - stream->lineStart >= 2 && stream->lineStart[0] == '#' &&
         stream->lineStart[1] == '#';
}

// The first field of the current line (at most 15 bytes), the field cursor left behind it.
void ReadKey(T_IStream* stream, char* key, int32_t size) {
  stream->RewindLine();
  if (!stream->ReadFieldStr(key, size)) key[0] = 0;
}

// The keys of an item beside its card selection's; false for a key that is none of them.
bool ReadItemKey(SelectionItem* item, const char* key, T_IStream* stream) {
  if (key[0] != 'V' || strcmp(key, kItemKey) == 0) return false;
  if (strcmp(key, "Vk") == 0) {
    T_TextBuf text;
    stream->ReadFieldBuf(&text);
    ItemSetCardIdCondition(item, &text);
    return true;
  }
  for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
    if (strcmp(key, kStampKeys[stamp]) != 0) continue;
    T_TextBuf time, signature;
    stream->ReadFieldBuf(&time);
    stream->ReadFieldBuf(&signature);
    ItemSetStampCondition(item, stamp, &time, &signature);
    return true;
  }
  return Selection_readKey(&item->selection, key, stream);
}

}  // namespace

// --- Writing -------------------------------------------------------------------------------------

void WriteSelection(SelectionItem* item, T_OStream* stream, bool clipboard) {
  stream->PutKeyTextLine(clipboard ? kSelectionHeader : kItemKey, item->name);
  Selection_writeKeys(&item->selection, stream, 'V');
  if (item->cardId.text) stream->PutKeyTextLine("Vk", item->cardId.text);
  for (int32_t stamp = 0; stamp < kStampCount; ++stamp) {
    const StampCondition& condition = item->stamps[stamp];
    if (!condition.time.text && !condition.signatureText) continue;
    stream->PutText(kStampKeys[stamp]);
    stream->PutSeparator();
    stream->PutText(condition.time.text);
    stream->PutSeparator();
    stream->PutText(condition.signatureText);
    stream->PutNewline();
  }
}

void WriteSubset(Subset* subset, T_OStream* stream, const char* key) {
  if (key) stream->PutKeyTextLine(key, subset->name);
  SelectionItem* item = subset->firstItem;
  for (int32_t i = 0; item && i < subset->itemCount; ++i, item = item->next)
    WriteSelection(item, stream, false);
  T_TextBuf formula;
  CombPrint(&subset->combination, &formula, 0);
  if (!formula.empty()) stream->PutKeyTextLine("F", formula.data);
  if (subset->open) stream->PutLine("xo");
  int32_t x = subset->editorX;
  int32_t y = subset->editorY;
  bool known = subset->hasPosition != 0;
  // The editor's own place wins over the one read.
  if (subset->editor) known = SubsetEditorPosition(subset, &x, &y) || known;
  if (known) {
    stream->PutText("xp");
    stream->PutSeparator();
    stream->PutInt(x);
    stream->PutSeparator();
    stream->PutInt(y);
    stream->PutNewline();
  }
  if (subset->notes) {
    stream->PutText("N");
    stream->PutSeparator();
    stream->PutLongText(subset->notes);
    stream->PutNewline();
  }
}

// --- Reading -------------------------------------------------------------------------------------

bool ReadSubset(Subset* subset, T_IStream* stream) {
  SelectionItem* item = nullptr;
  char key[16];
  do {
    if (LineIsSectionStart(stream)) return true;
    ReadKey(stream, key, sizeof key);
    T_TextBuf text;
    if (strcmp(key, kItemKey) == 0) {
      stream->ReadFieldBuf(&text);
      item = SubsetAppendItem(subset, text.data);
    } else if (item && ReadItemKey(item, key, stream)) {
      continue;
    } else if (strcmp(key, "F") == 0) {
      stream->ReadFieldBuf(&text);
      CombSetPendingText(&subset->combination, text.data);
    } else if (strcmp(key, "xo") == 0) {
      subset->open = 1;
    } else if (strcmp(key, "xp") == 0) {
      subset->editorX = stream->ReadFieldInt();
      subset->editorY = stream->ReadFieldInt();
      subset->hasPosition = 1;
    } else if (strcmp(key, "N") == 0) {
      stream->ReadLongText(&subset->notes);
    }
  } while (stream->NextLine());
  return false;
}

void SubsetClearRecords(Subset* subset) {
  // The formula first, so removing the items has no token left to rewrite.
  CombSetPendingText(&subset->combination, nullptr);
  while (subset->firstItem) SubsetRemoveItem(subset, subset->firstItem);
  subset->open = 0;
  subset->hasPosition = 0;
  BlockTextFree(&subset->notes);
}

void ReadSelection(SelectionItem* item, T_IStream* stream) {
  char key[16];
  ReadKey(stream, key, sizeof key);
  T_TextBuf name;
  stream->ReadFieldBuf(&name);
  if (!name.empty() && !StrEqual(name.data, item->name)) {
    SubsetUniqueItemName(item->subset, &name, item);
    BlockTextAssignBuf(&item->name, &name);
  }
  while (stream->NextLine()) {
    ReadKey(stream, key, sizeof key);
    if (!ReadItemKey(item, key, stream)) return;
  }
}

int32_t ReadSubsetBlocks(SubsetList* list, T_IStream* stream) {
  int32_t count = 0;
  char key[16];
  bool more = true;
  while (more && !AbortRequested()) {
    ReadKey(stream, key, sizeof key);
    if (!StrEqualNoCase(key, kSubsetHeader) && !StrEqualNoCase(key, "##Subset")) {
      more = stream->NextLine();
      continue;
    }
    T_TextBuf name;
    stream->ReadFieldBuf(&name);
    Subset* subset = SubsetCreate(list, name.data);
    if (!subset) break;
    ++count;
    more = stream->NextLine() && ReadSubset(subset, stream);
  }
  return count;
}
