#include "database/link_rename.h"

#include <cstring>

#include "core/cstring.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/owned_text.h"
#include "core/utf8.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/link_handlers.h"
#include "database/object_services.h"
#include "ui/edit_field.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Letters, digits and every byte of a non-ASCII character: what a whole name may not touch.
bool IsWordByte(char c) {
  auto u = static_cast<uint8_t>(c);
  return IsDigit(c) || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0x80 || c == '_';
}

// The next keyword (ASCII, ending in "=", letter case ignored) at or after from, which lies
// within the text; -1 for none. One pass over the text for the "=" signs, nothing allocated.
int32_t FindKeyword(const char* text, int32_t from, const char* keyword, int32_t n) {
  for (const char* p = text + from;;) {
    const char* equals = std::strchr(p, '=');
    if (!equals) return -1;
    p = equals + 1;
    const char* start = equals - (n - 1);
    if (start < text + from) continue;
    bool match = true;
    for (int32_t i = 0; i < n - 1 && match; ++i)
      match = AsciiUpper(start[i]) == AsciiUpper(keyword[i]);
    if (match) return static_cast<int32_t>(start - text);
  }
}

// A path as one word: no blanks right after its colons.
void JoinPathParts(T_TextBuf* path) {
  int32_t w = 0;
  for (int32_t r = 0; r < path->length; ++r) {
    if (path->data[r] == ' ' && w > 0 && path->data[w - 1] == ':') continue;
    path->data[w++] = path->data[r];
  }
  TextBufSetLength(path, w);
}

// Bytes of the text at p (not beyond limit) that equal the name ignoring letter case; 0 when
// they do not.
int32_t MatchName(const char* p, const char* limit, const char* name) {
  const char* q = p;
  while (*name) {
    if (q >= limit) return 0;
    if (Utf8NextCharUpper(&name) != Utf8NextCharUpper(&q)) return 0;
  }
  return q <= limit ? static_cast<int32_t>(q - p) : 0;
}

class Rewriter {
 public:
  Rewriter(LinkRename* rename, T_TextBuf* text) : r_(rename), w_(text) {}

  // False when a replacement would not fit the buffer.
  bool Run(bool* changed) {
    int32_t n = static_cast<int32_t>(std::strlen(r_->keyword));
    for (int32_t k; (k = FindKeyword(w_->data, pos_, r_->keyword, n)) >= 0;) {
      pos_ = k + n;
      int32_t resume = 0;
      if (!Occurrence(k + n, &resume)) {
        if (overflow_) return false;
        continue;
      }
      *changed = true;
      pos_ = resume;
    }
    return true;
  }

 private:
  char At(int32_t i) const { return i < w_->length ? w_->data[i] : 0; }

  int32_t SkipBlanks(int32_t i) const {
    while (At(i) == ' ') ++i;
    return i;
  }

  // The file part: none in the database of the rename, the object's database elsewhere.
  bool FilePart(int32_t* p) const {
    int32_t i = SkipBlanks(*p);
    if (r_->fileName.empty()) {
      if (At(i) == '[') return false;
      *p = i;
      return true;
    }
    if (At(i) != '[') return false;
    const char* close = std::strchr(w_->data + i + 1, ']');
    if (!close) return false;
    // The path's last part, after "\", "/" or "[", must be the whole file name.
    const char* nameEnd = close;
    while (nameEnd > w_->data + i + 1 && nameEnd[-1] == ' ') --nameEnd;
    const char* partStart = w_->data + i + 1;
    while (partStart < nameEnd && *partStart == ' ') ++partStart;
    const char* name = nameEnd;
    while (name > partStart && name[-1] != '\\' && name[-1] != '/') --name;
    if (MatchName(name, nameEnd, r_->fileName.c_str()) != nameEnd - name) return false;
    *p = SkipBlanks(static_cast<int32_t>(close - w_->data) + 1);
    return true;
  }

  bool TargetEnds(int32_t i, char quote) const {
    if (quote) return At(i) == quote;
    return i >= w_->length || At(i) == ' ' || At(i) == '>';
  }

  bool Replace(int32_t at, int32_t n, const T_TextBuf& with) {
    if (!TextBufReplaceBytes(w_, at, n, with.data, with.length)) {
      overflow_ = true;
      return false;
    }
    return true;
  }

  // One occurrence whose target starts at p; true when rewritten, resume then behind it.
  bool Occurrence(int32_t p, int32_t* resume) {
    char quote = 0;
    if (At(p) == '"' || At(p) == '\'') quote = At(p++);
    if (!FilePart(&p)) return false;

    int32_t targetEnd = p;
    int32_t after = p;
    T_TextBuf replacement;
    CardKey key;
    if (r_->kind == kRenameCard) {
      int32_t n = ScanCardKey(w_->data + p, w_->data + w_->length, &key);
      if (n == 0 || !CardIdEqual(&key.id, &r_->oldId)) return false;
      targetEnd = after = p + n;
      if (At(after) == '#') {
        int32_t line = 0;
        int32_t m = ScanCardLine(w_->data + after, w_->data + w_->length, &line);
        if (m == 0) return false;
        after += m;
      }
      AppendCardKey(&replacement, &r_->newId, &key);
    } else if (r_->kind == kRenameTemplate) {
      if (!MatchPath(p, quote != 0, &targetEnd)) return false;
      after = targetEnd;
      TextBufAssignBuf(&replacement, &r_->newText);
      if (!quote) JoinPathParts(&replacement);
    } else {
      int32_t n = MatchName(w_->data + p, w_->data + w_->length, r_->oldText.c_str());
      if (n == 0) return false;
      targetEnd = after = p + n;
      TextBufAssignBuf(&replacement, &r_->newText);
    }
    if (!TargetEnds(after, quote)) return false;
    if (quote) ++after;

    int32_t delta = replacement.length - (targetEnd - p);
    if (!Replace(p, targetEnd - p, replacement)) return false;
    after += delta;
    *resume = after;
    if (r_->kind != kRenameTemplate && At(after) == '>') LinkText(after + 1, resume);
    return true;
  }

  // The old path at p: letter case ignored, blanks after a colon skipped in the old path, and in
  // the text when the link is quoted.
  bool MatchPath(int32_t p, bool quoted, int32_t* end) const {
    const char* o = r_->oldText.c_str();
    const char* q = w_->data + p;
    const char* limit = w_->data + w_->length;
    while (*o) {
      if (q >= limit) return false;
      uint32_t c = Utf8NextCharUpper(&o);
      if (c != Utf8NextCharUpper(&q)) return false;
      if (c == ':') {
        while (*o == ' ') ++o;
        if (quoted) {
          while (q < limit && *q == ' ') ++q;
        }
      }
    }
    if (q > limit) return false;
    *end = static_cast<int32_t>(q - w_->data);
    return true;
  }

  // The link text from start up to "</a>": its first whole occurrence of the old id or name.
  void LinkText(int32_t start, int32_t* resume) {
    int32_t close = TextBufFindNoCase(w_, start, "</a>");
    if (close < 0) return;
    const char* base = w_->data;
    for (int32_t j = start; j < close; ++j) {
      if (j > start && IsWordByte(base[j - 1])) continue;
      int32_t n = 0;
      T_TextBuf replacement;
      if (r_->kind == kRenameCard) {
        CardKey key;
        n = ScanCardKey(base + j, base + close, &key);
        if (n == 0 || !CardIdEqual(&key.id, &r_->oldId)) continue;
        AppendCardKey(&replacement, &r_->newId, &key);
      } else {
        n = MatchName(base + j, base + close, r_->oldText.c_str());
        if (n == 0 || (j + n < close && IsWordByte(base[j + n]) &&
                       IsWordByte(r_->oldText.data[r_->oldText.length - 1]))) {
          continue;
        }
        TextBufAssignBuf(&replacement, &r_->newText);
      }
      if (!Replace(j, n, replacement)) return;
      close += replacement.length - n;
      break;
    }
    *resume = close + 4;
  }

  LinkRename* r_;
  T_TextBuf* w_;
  int32_t pos_ = 0;
  bool overflow_ = false;
};

// Step 2 of a rename: code 63 to every open database, the file-name field set for each.
void SendRename(T_Base* base, LinkRename* rename) {
  const char* ownName = PathFindName(base->path->c_str());
  for (T_Base* target = FirstBase(); target;) {
    T_Base* following = target->next;
    // A database without a file name cannot be named from another one.
    if (target == base || *ownName) {
      TextBufAssign(&rename->fileName, target == base ? "" : ownName);
      ChangeNote note;
      note.code = kChangeLinks;
      note.database = base;
      note.rename = rename;
      NotifyChange(target, &note);
    }
    target = following;
  }
}

// Template paths and macro names: nothing when old and new differ only in letter case.
void RenameNamedLinks(T_Base* base, int32_t kind, const char* keyword, const char* oldName,
                      const char* newName) {
  if (StrEqualNoCase(oldName, newName)) return;
  LinkRename rename;
  rename.kind = kind;
  rename.keyword = keyword;
  TextBufAssign(&rename.oldText, oldName);
  TextBufAssign(&rename.newText, newName);
  SendRename(base, &rename);
}

void PrintId(T_TextBuf* text, const CardId* id) {
  TextBufSetLength(text, 0);
  CardKey plain;
  AppendCardKey(text, id, &plain);
}

}  // namespace

void RenameCardLinks(T_Base* base, const CardId* oldId, const CardId* newId) {
  T_TextBuf oldShown, newShown;
  FormatCardIdToString(&oldShown, oldId, base->cardDigits);
  FormatCardIdToString(&newShown, newId, base->cardDigits);
  if (StrEqual(oldShown.c_str(), newShown.c_str())) return;
  LinkRename rename;
  rename.kind = kRenameCard;
  rename.keyword = "card=";
  rename.oldId = *oldId;
  rename.newId = *newId;
  PrintId(&rename.oldText, oldId);
  PrintId(&rename.newText, newId);
  SendRename(base, &rename);
}

void RenameTemplateLinks(T_Base* base, const char* oldPath, const char* newPath) {
  RenameNamedLinks(base, kRenameTemplate, "template=", oldPath, newPath);
}

void RenameMacroLinks(T_Base* base, const char* oldName, const char* newName) {
  RenameNamedLinks(base, kRenameMacro, "macro=", oldName, newName);
}

bool RewriteLinksBuf(LinkRename* rename, T_TextBuf* text, int32_t limit) {
  int32_t n = static_cast<int32_t>(std::strlen(rename->keyword));
  if (rename->oldText.empty() || FindKeyword(text->data, 0, rename->keyword, n) < 0) return false;
  TextBufAssignBuf(&rename->workText, text);
  bool changed = false;
  if (!Rewriter(rename, &rename->workText).Run(&changed) || !changed ||
      rename->workText.length > limit) {
    return false;
  }
  TextBufAssignBuf(text, &rename->workText);
  return true;
}

bool RewriteLinks(LinkRename* rename, char** text, int32_t limit) {
  if (!*text) return false;
  int32_t n = static_cast<int32_t>(std::strlen(rename->keyword));
  if (rename->oldText.empty() || FindKeyword(*text, 0, rename->keyword, n) < 0) return false;
  TextBufAssign(&rename->workText, *text);
  // A text the buffer cannot hold whole would come back cut.
  if (rename->workText.length != static_cast<int32_t>(std::strlen(*text))) return false;
  bool changed = false;
  if (!Rewriter(rename, &rename->workText).Run(&changed) || !changed ||
      rename->workText.length > limit) {
    return false;
  }
  return BlockTextAssignBuf(text, &rename->workText);
}

void LinkRenameApplyToEdit(LinkRename* rename, T_Edit* edit) {
  edit->CommitText();
  T_TextBuf text;
  edit->GetText(&text);
  if (RewriteLinksBuf(rename, &text)) edit->SetText(text.c_str());
}

const SignatureStamp* LinkRenameStamp(LinkRename* rename) {
  if (!rename->stampFetched) {
    GetSignatureStamp(&rename->stamp);
    rename->stampFetched = true;
  }
  return &rename->stamp;
}

void RenameLinksInCards(T_Base* base, LinkRename* rename) {
  bool any = false;
  for (CardRecord* card = base->sentinelCard->next; card != base->sentinelCard; card = card->next) {
    bool changed = RewriteLinks(rename, &card->title);
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        if (RewriteLinks(rename, &line->text)) changed = true;
      }
    }
    if (changed) StampCardChange(card, LinkRenameStamp(rename));
    if (RewriteLinks(rename, &card->notes)) {
      card->notesStamp = *LinkRenameStamp(rename);
      changed = true;
    }
    any = any || changed;
  }
  if (any) base->NotifyCode(kChangeCards);
}

void RenameLinksInComponents(T_Base* base, int32_t dimension, LinkRename* rename) {
  ComponentRecord* root = ComponentAt(base, dimension);
  bool any = false;
  for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
    if (RewriteLinks(rename, &c->text)) any = true;
  }
  if (any) base->SetModified(true);
}
