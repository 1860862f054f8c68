#include "database/templates.h"

#include <cstring>
#include <vector>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/short_ids.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/object_menus.h"
#include "database/template_runner.h"

namespace {

constexpr char kKindLetters[] = "CLPTRS";  // kinds 1 to 6; kind 10 is "K"
constexpr const char* kKindKeys[] = {"cards", "lines", "comps", "tfunc", "cfunc"};
constexpr const char* kObjectKindNames[] = {"Cards", "Lines", "Components", "Time Functions",
                                            "Component Functions"};
constexpr int64_t kTemplateBaseSize = 80;

// The template's ancestors below the root, from the top down, ending with the template itself.
std::vector<const T_Template*> PathNodes(const T_Template* templ) {
  std::vector<const T_Template*> nodes{templ};
  for (const T_Template* t = templ->parent; t && t->parent; t = t->parent) nodes.push_back(t);
  return {nodes.rbegin(), nodes.rend()};
}

}  // namespace

const char* KindKey(int32_t kind) {
  return kind >= kTemplateCards && kind <= kTemplateComponentFunctions ? kKindKeys[kind - 1]
                                                                       : "templates";
}

char TemplateKindLetter(int32_t kind) {
  if (kind >= kTemplateCards && kind <= kTemplateSubset) return kKindLetters[kind - 1];
  return kind == kTemplateCard ? 'K' : 0;
}

int32_t TemplateKindFromLetter(char letter) {
  if (letter == 'K') return kTemplateCard;
  const char* at = letter ? std::strchr(kKindLetters, letter) : nullptr;
  return at ? static_cast<int32_t>(at - kKindLetters) + 1 : kTemplateFolder;
}

const char* ObjectKindName(int32_t kind) {
  return kind >= kTemplateCards && kind <= kTemplateComponentFunctions ? kObjectKindNames[kind - 1]
                                                                       : nullptr;
}

// --- KeptLines -------------------------------------------------------------------------------

bool KeptLines::Add(const char* bytes, int32_t n) {
  char* line = nullptr;
  if (n > 0 && !BlockTextAssignBytes(&line, bytes, n)) return false;
  lines_.push_back(line);
  return true;
}

bool KeptLines::CopyFrom(const KeptLines& other) {
  Clear();
  for (const char* line : other.lines_) {
    if (!Add(line, BlockTextLength(line))) return false;
  }
  return true;
}

void KeptLines::Clear() {
  for (char*& line : lines_) BlockTextFree(&line);
  lines_.clear();
}

void KeptLines::TrimEmptyTail() {
  while (!lines_.empty() && lines_.back() == nullptr) lines_.pop_back();
}

void KeptLines::Write(T_OStream* stream) const {
  for (const char* line : lines_) {
    stream->PutBytes(line, BlockTextLength(line));
    // The line end itself: PutNewline would drop a TAB the line ends with.
    stream->PutBytes(stream->newline, stream->newlineLength);
  }
}

int64_t KeptLines::MemSize() const {
  int64_t bytes = static_cast<int64_t>(lines_.capacity() * sizeof(char*));
  for (const char* line : lines_) bytes += MemAllocatedSize(line);
  return bytes;
}

// --- T_Template ------------------------------------------------------------------------------

T_Template::T_Template(int32_t templateKind, T_Base* base) : kind(templateKind), database(base) {}

T_Template::~T_Template() {
  // An entry that outlived its template would run freed memory when chosen.
  if (menuCommand) {
    menuCommand->templ = nullptr;
    delete menuCommand;
  }
  BlockTextFree(&name);
}

void T_Template::OnChange(const ChangeNote*) {}
void T_Template::SetDefaults() {}
bool T_Template::ReadRecord(T_IStream*) { return false; }
void T_Template::BeginRead() {}

void T_Template::WriteText(T_OStream* stream) {
  char letter = TemplateKindLetter(kind);
  if (letter == 0) return;
  T_TextBuf path;
  GetPath(&path);
  stream->PutChar('#');
  stream->PutChar(letter);
  stream->PutSeparator();
  stream->PutTextBuf(&path);
  stream->PutNewline();
}

void T_Template::SetXmlExport() {}
bool T_Template::ReadXml(T_IStream*) { return false; }
void T_Template::MarkUsedComponents(BitVector*) {}
void T_Template::MarkSelectedLines(BitVector*) {}
void T_Template::SetParameter(const char*, const char*) {}
T_Template* T_Template::DerivedTemplate(const char*) { return this; }

int64_t T_Template::MemorySize() const { return kTemplateBaseSize + MemAllocatedSize(name); }

void T_Template::GetPath(T_TextBuf* path) const {
  TextBufAssign(path, "");
  bool first = true;
  for (const T_Template* node : PathNodes(this)) {
    if (!first) TextBufAppend(path, ": ");
    TextBufAppend(path, node->name);
    first = false;
  }
}

void T_Template::GetShortIdPath(T_TextBuf* path) const {
  TextBufAssign(path, "");
  AppendDatabaseShortId(path, database && database->path ? database->path->c_str() : "");
  for (const T_Template* node : PathNodes(this)) {
    TextBufAppendChar(path, ':');
    AppendNameShortId(path, node->name);
  }
}

int32_t T_Template::ComparePath(const char* text) const {
  T_TextBuf path;
  GetPath(&path);
  return StrCompareNoCaseNullAsEmpty(path.c_str(), text);
}

int32_t T_Template::CompareName(const char* text) const {
  return StrCompareNoCaseNullAsEmpty(name, text);
}

T_Template* T_Template::NextInTree() const {
  if (firstChild) return firstChild;
  const T_Template* node = this;
  while (node->parent) {
    if (node->nextSibling) return node->nextSibling;
    node = node->parent;
  }
  return const_cast<T_Template*>(node);
}

T_Template* T_Template::NextBelow(const T_Template* top, bool skipChildren) const {
  if (firstChild && !skipChildren) return firstChild;
  for (const T_Template* node = this; node != top && node->parent; node = node->parent) {
    if (node->nextSibling) return node->nextSibling;
  }
  return nullptr;
}

bool T_Template::Contains(const T_Template* other) const {
  for (const T_Template* t = other; t; t = t->parent) {
    if (t == this) return true;
  }
  return false;
}

bool T_Template::SetName(const char* text) { return BlockTextAssign(&name, text); }

void T_Template::InsertChild(T_Template* templ, T_Template* parentNode) {
  templ->parent = parentNode;
  T_Template* first = parentNode->firstChild;
  if (!first) {
    parentNode->firstChild = templ;
    templ->prevSibling = templ;
    templ->nextSibling = nullptr;
    return;
  }
  T_Template* last = first->prevSibling;
  if (last->CompareName(templ->name) <= 0) {
    last->nextSibling = templ;
    templ->prevSibling = last;
    templ->nextSibling = nullptr;
    first->prevSibling = templ;
    return;
  }
  T_Template* before = first;
  while (before->CompareName(templ->name) <= 0) before = before->nextSibling;
  templ->nextSibling = before;
  templ->prevSibling = before->prevSibling;
  if (before == first) {
    parentNode->firstChild = templ;
  } else {
    before->prevSibling->nextSibling = templ;
  }
  before->prevSibling = templ;
}

T_Template* T_Template::Unlink(T_Template* templ) {
  T_Template* parentNode = templ->parent;
  T_Template* following = templ->nextSibling;
  if (parentNode) {
    T_Template* first = parentNode->firstChild;
    if (first == templ) {
      parentNode->firstChild = following;
      if (following) following->prevSibling = templ->prevSibling;
    } else {
      templ->prevSibling->nextSibling = following;
      (following ? following : first)->prevSibling = templ->prevSibling;
    }
  }
  templ->parent = nullptr;
  templ->nextSibling = nullptr;
  templ->prevSibling = nullptr;
  return following;
}

bool T_Template::ReadRecords(T_IStream* stream, bool atLine) {
  SetDefaults();
  while (atLine && !AbortRequested()) {
    stream->RewindLine();
    stream->NextFieldRaw();
    bool next = stream->FieldLength() > 0 && stream->Field()[0] == '#';
    stream->RewindLine();
    if (next) break;
    ReadRecord(stream);
    atLine = stream->NextLine();
  }
  BeginRead();
  return atLine;
}

void T_Template::Run(T_Template* parameter) { RunTemplate(database, this, parameter, 0); }
