#pragma once
// Links that follow renames. When a card moves to a new id, or a template path or a macro name
// changes, every open database gets change code 63 with a LinkRename, and every text of it that
// may hold links (card titles, notes and line texts, component texts, the notes of box templates
// and subsets, the period names of time scales) is rewritten by RewriteLinks.
//
// What RewriteLinks rewrites, at each occurrence of the keyword ("card=", "template=" or
// "macro=", letter case ignored), left to right, in one pass:
//
//   step        rule
//   quote       one " or ' after the keyword makes the link quoted; its target ends at the
//               same quote. An unquoted target ends at a blank, ">" or the end of the text.
//   file part   in the database of the rename the target follows directly (blanks allowed); in
//               any other the target follows "[" path "]" whose path ends in the whole file name
//               of the object's database (after "\", "/" or "[", letter case ignored)
//   card        a key that denotes the old card id (padded or not), an anchor "#" and a line
//               number allowed after it; the new id is written in the key's form
//   template    the old path, letter case ignored; blanks after a ":" are skipped in the old
//               path, and in the text only for a quoted link. An unquoted link gets the new path
//               without blanks after its colons, so it stays one word
//   macro       the old name, letter case ignored
//   link text   for card and macro links, when ">" follows the target (and its quote), the
//               first whole occurrence of the old id or name before "</a>" is replaced too
//
// An occurrence that does not read this way is left as it is; a text that would grow beyond its
// field's limit stays unchanged as a whole. A text without the keyword costs one search.
//
// User-interface thread only.
#include <cstdint>

#include "core/packed_date.h"
#include "core/text_buffer.h"

class T_Base;
class T_Edit;

constexpr int32_t kRenameCard = 0;
constexpr int32_t kRenameTemplate = 1;
constexpr int32_t kRenameMacro = 2;

// The record carried by change code 63 (ChangeNote::rename).
struct LinkRename {
  int32_t kind = kRenameCard;
  T_TextBuf oldText;   // old card id (unpadded), template path or macro name
  T_TextBuf newText;   // the replacement
  T_TextBuf workText;  // the text being rewritten
  // Empty in the database where the rename happened; in every other open database the file name
  // of the database of the object.
  T_TextBuf fileName;
  const char* keyword = "card=";
  CardId oldId;  // card renames
  CardId newId;
  SignatureStamp stamp;  // the current user's, fetched on first use
  bool stampFetched = false;
};

// A card of the database moved from the old id to the new one: nothing when both print the same
// with the database's card-number digits. Installed as the cards' rename hook (cards.h).
void RenameCardLinks(T_Base* base, const CardId* oldId, const CardId* newId);
// A template path or a macro name of the database changed: nothing when old and new are equal
// ignoring letter case.
void RenameTemplateLinks(T_Base* base, const char* oldPath, const char* newPath);
void RenameMacroLinks(T_Base* base, const char* oldName, const char* newName);

// Rewrites the owned text in place; true when it changed. Limit: the field's largest length in
// bytes. False (text unchanged) also without memory for the new text.
bool RewriteLinks(LinkRename* rename, char** text, int32_t limit = kTextBufMax);
// The same on a text buffer.
bool RewriteLinksBuf(LinkRename* rename, T_TextBuf* text, int32_t limit = kTextBufMax);
// Commits the field's text and puts the rewritten text back when it changed.
void LinkRenameApplyToEdit(LinkRename* rename, T_Edit* edit);
// The stamp rewritten cards get.
const SignatureStamp* LinkRenameStamp(LinkRename* rename);

// The receivers of code 63 in a database: the titles, notes and line texts of every card (a card
// whose title or line text changed is stamped as changed, one whose notes changed gets the notes
// stamp; code 28 follows when any changed), and the component texts of a dimension.
void RenameLinksInCards(T_Base* base, LinkRename* rename);
void RenameLinksInComponents(T_Base* base, int32_t dimension, LinkRename* rename);
