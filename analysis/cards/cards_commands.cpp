// The data commands of the cards window (delete and mark what it lists), the check of open card
// windows before them, and the selection as a "## Selection" block on the clipboard.
//
// Block form (lines, CR LF or LF):
//   "## Selection"
//   the selection's keyed lines with the prefix "V"
//   "VZ" TAB "D" and the decimals letter of the first value column (the selection reader passes
//   over it)
#include <cstring>

#include "analysis/cards/cards_window.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/lines.h"
#include "database/object_services.h"
#include "ui/clipboard_data.h"
#include "ui/small_dialogs.h"

const CardRecord* EditorCardOf(T_HWindow* editor);

namespace {

constexpr int32_t kQueryCloseAsk = 0;
constexpr int32_t kTextCardsCount = 4021;   // "@0 cards"
constexpr int32_t kTextGroupsCount = 3627;  // "@0 groups"
constexpr int32_t kTextLinesCount = 3624;   // "@0 lines"
constexpr char kBlockStart[] = "## Selection";

bool StartsWith(const char* line, int64_t length, const char* prefix) {
  int64_t n = static_cast<int64_t>(std::strlen(prefix));
  return length >= n && std::memcmp(line, prefix, static_cast<size_t>(n)) == 0;
}

}  // namespace

// --- The card-window check
// ---------------------------------------------------------------------------

bool CloseEditorsOfCards(T_HWindow* owner,
                         bool (*listed)(T_HWindow* owner, const CardRecord* card)) {
  if (!owner || !owner->database) return true;
  for (;;) {
    T_HWindow* asked = nullptr;
    for (T_HWindow* w = WindowListFirst(); w && !asked; w = w->nextWindow) {
      if (w->windowKind != kWindowCardEditor || w->database != owner->database) continue;
      const CardRecord* card = EditorCardOf(w);
      if (card && listed(owner, card)) asked = w;
    }
    if (!asked) return true;
    if (!EventHandler_CloseAndDelete(asked, kQueryCloseAsk)) return false;
  }
}

bool T_Cards::CloseEditorsOfListedCards() {
  return CloseEditorsOfCards(this, [](T_HWindow* owner, const CardRecord* card) {
    const auto* window = static_cast<const T_Cards*>(owner);
    for (int64_t i = 0; i < window->rows.count; ++i) {
      const CardsRow* row = reinterpret_cast<const CardsRow*>(PagedArrayAt(&window->rows, i));
      if (row->kind == kRowCard && row->card == card) return true;
    }
    return false;
  });
}

// --- Deleting and marking
// ----------------------------------------------------------------------------

void T_Cards::DeleteData(bool ask) {
  if (rows.count == 0 || !database) return;
  const int32_t scope = ContentsScope();
  const uint32_t kind = scope == 0 ? kRowCard : scope == 1 ? kRowGroup : kRowLine;
  const int64_t count = CountRows(kind);
  if (ask) {
    T_TextBuf number;
    TextBufAppendInt64(&number, count);
    int32_t textId = scope == 0 ? kTextCardsCount : scope == 1 ? kTextGroupsCount : kTextLinesCount;
    if (!ConfirmDelete(this, textId, number.c_str())) return;
  }
  if (!CloseEditorsOfListedCards()) return;
  SignatureStamp stamp;
  GetSignatureStamp(&stamp);
  // The rows are walked in their natural order, which is the chain's: each record is visited
  // once, and a record is used only before the deletion that may free it.
  const int64_t n = rows.count;
  if (scope == 0) {
    for (int64_t i = 0; i < n; ++i) {
      auto* row = reinterpret_cast<CardsRow*>(PagedArrayAt(&rows, i));
      if (row->kind == kRowCard) DeleteCard(database, row->card);
    }
  } else if (scope == 1) {
    CardRecord* stamped = nullptr;
    CardRecord* gone = nullptr;
    for (int64_t i = 0; i < n; ++i) {
      auto* row = reinterpret_cast<CardsRow*>(PagedArrayAt(&rows, i));
      if (row->kind != kRowGroup || row->card == gone) continue;
      if (row->card != stamped) {
        StampCardChange(row->card, &stamp);
        stamped = row->card;
      }
      if (!RemoveGroup(database, row->card, row->group)) gone = row->card;
    }
  } else {
    database->BeginLineDeletion(&stamp);
    for (int64_t i = 0; i < n; ++i) {
      auto* row = reinterpret_cast<CardsRow*>(PagedArrayAt(&rows, i));
      if (row->kind == kRowLine) database->DeleteLine(row->card, row->group, row->line);
    }
    database->EndLineDeletion();
  }
  DropRows();
  database->SetModified(true);
  database->NotifyCode(kChangeCards);
}

void T_Cards::MarkCards(int32_t command) {
  if (rows.count == 0 || !database) return;
  if (command != kCommandExamine && command != kCommandApprove) return;
  if (!ConfirmMarkCards(this, command, CountRows(kRowCard))) return;
  if (!CloseEditorsOfListedCards()) return;
  SignatureStamp stamp;
  GetSignatureStamp(&stamp);
  for (int64_t i = 0; i < rows.count; ++i) {
    auto* row = reinterpret_cast<CardsRow*>(PagedArrayAt(&rows, i));
    if (row->kind == kRowCard) CardSetReviewStamp(row->card, &stamp, command);
  }
  database->SetModified(true);
  database->NotifyCode(kChangeCards);
}

// --- "## Selection"
// ------------------------------------------------------------------------------------

void T_Cards::WriteSelectionBlock(T_OStream* stream) {
  stream->PutLine(kBlockStart);
  Selection_writeKeys(&selection, stream, 'V');
  stream->PutText("VZ");
  stream->PutSeparator();
  stream->PutChar('D');
  char letter = DecimalsToLetter(options.fields[kColValue1].decimals);
  stream->PutChar(letter ? letter : '2');
  stream->PutNewline();
}

bool T_Cards::CopySelection() {
  T_OStream stream;
  WriteSelectionBlock(&stream);
  return ClipboardSetText(reinterpret_cast<const char*>(stream.start),
                          static_cast<int32_t>(stream.BufferedLength()), 0);
}

bool T_Cards::ReadSelectionBlock(const char* text) {
  if (!text) return false;
  T_IStream in;
  in.CtorFromMemory(text, static_cast<int64_t>(std::strlen(text)));
  bool read = false;
  bool inBlock = false;
  T_TextBuf key;
  while (in.NextLine()) {
    const char* line = in.lineStart;
    int64_t length = in.lineEnd - in.lineStart;
    if (StartsWith(line, length, kBlockStart)) {
      Selection_clear(&selection);
      inBlock = true;
      read = true;
      continue;
    }
    if (length > 0 && line[0] == '#') {
      inBlock = false;
      continue;
    }
    if (!inBlock || length < 2 || line[0] != 'V') continue;
    if (!in.NextField()) continue;
    TextBufAssignBytes(&key, in.Field(), in.FieldLength());
    // Keys the selection does not know (the "VZ" line among them) are passed over.
    Selection_readKey(&selection, key.c_str(), &in);
  }
  if (read) {
    if (currentPage == 0) ShowSelection(&selection);
    EnableCalcButton();
  }
  return read;
}

bool T_Cards::PasteSelection() {
  char* text = ClipboardReadText();
  if (!text) return false;
  bool read = ReadSelectionBlock(text);
  MemFree(text);
  return read;
}
