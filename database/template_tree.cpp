#include "database/template_tree.h"

#include <vector>

#include "core/alert.h"
#include "core/criteria.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/card_selection.h"
#include "database/change_notes.h"
#include "database/file_kinds.h"
#include "database/template_runner.h"
#include "database/templates.h"
#include "ui/document_window.h"

namespace {

constexpr int64_t kTemplateRecordSize = 224;
constexpr char kPartSeparator = ':';

// The parts of a user's path: cut at ":", blanks around each part trimmed, empty parts skipped.
class PathParts {
 public:
  explicit PathParts(const char* path) : cursor_(path ? path : "") {}
  // The next part, false when none is left.
  bool Next(T_TextBuf* part) {
    while (*cursor_) {
      const char* start = cursor_;
      while (*cursor_ && *cursor_ != kPartSeparator) ++cursor_;
      const char* end = cursor_;
      if (*cursor_) ++cursor_;
      while (start < end && *start == ' ') ++start;
      while (end > start && end[-1] == ' ') --end;
      if (end > start) {
        TextBufAssignBytes(part, start, static_cast<int32_t>(end - start));
        return true;
      }
    }
    return false;
  }
  bool AtEnd() {
    PathParts copy = *this;
    T_TextBuf part;
    return !copy.Next(&part);
  }

 private:
  const char* cursor_;
};

// The child of the node that the part names: the first in name order that does not compare below
// it, when it compares equal. The last child answers first, so a part beyond every sibling (the
// names of a sorted file) takes no walk.
T_Template* ChildNamed(const T_Template* node, const T_TextBuf& part) {
  T_Template* last = node->LastChild();
  if (!last || last->CompareName(part.c_str()) < 0) return nullptr;
  T_Template* child = node->firstChild;
  while (child->CompareName(part.c_str()) < 0) child = child->nextSibling;
  return child->CompareName(part.c_str()) == 0 ? child : nullptr;
}

// A window showing the template loses it (it stays open).
void DetachWindows(T_Template* templ) {
  while (T_HWindow* window = FindWindowOfTemplate(templ)) window->templ = nullptr;
}

// A window of the new template's kind shows it from now on; a window of another kind could not
// read it and loses its template, as on removal.
void Repoint(T_Template* from, T_Template* to) {
  while (T_HWindow* window = FindWindowOfTemplate(from))
    window->templ = window->windowKind == to->kind ? to : nullptr;
}

// Deletes everything below top, children first, without recursion.
void DeleteBelow(T_Template* top) {
  T_Template* node = top->firstChild;
  while (node) {
    if (node->firstChild) {
      node = node->firstChild;
      continue;
    }
    T_Template* parentNode = node->parent;
    T_Template::Unlink(node);
    DeleteTemplate(node);
    node = parentNode == top ? top->firstChild
                             : (parentNode->firstChild ? parentNode->firstChild : parentNode);
  }
}

// Deletes the folders above the node that are empty, up to but never the root.
void DeleteEmptyFolders(T_Template* folder) {
  while (folder && folder->parent && folder->kind == kTemplateFolder && !folder->firstChild) {
    T_Template* parentNode = folder->parent;
    T_Template::Unlink(folder);
    DeleteTemplate(folder);
    folder = parentNode;
  }
}

// A new folder of the name under the parent; null when memory ran out.
T_Template* NewFolder(T_Base* base, T_Template* parentNode, const char* folderName) {
  auto* folder = new T_Template(kTemplateFolder, base);
  if (!folder->SetName(folderName)) {
    delete folder;
    return nullptr;
  }
  T_Template::InsertChild(folder, parentNode);
  return folder;
}

// The leaf standing where the path needs a folder becomes a folder of its name that holds it.
T_Template* MakeFolderOf(T_Base* base, T_Template* leaf, const T_TextBuf& nextPart) {
  T_Template* parentNode = leaf->parent;
  T_Template* folder = NewFolder(base, parentNode, leaf->name);
  if (!folder) return nullptr;
  T_Template::Unlink(leaf);
  // Named like the part the path goes on with, the old template would share its path.
  if (leaf->CompareName(nextPart.c_str()) == 0) {
    T_TextBuf renamed;
    TextBufAssign(&renamed, leaf->name);
    TextBufAppend(&renamed, " 1");
    leaf->SetName(renamed.c_str());
  }
  T_Template::InsertChild(leaf, folder);
  if (T_HWindow* window = FindWindowOfTemplate(leaf)) window->MakeTitle(nullptr);
  return folder;
}

}  // namespace

T_Template* FindTemplate(T_Base* base, const char* path) {
  if (!base || !base->rootTemplate) return nullptr;
  PathParts parts(path);
  T_TextBuf part;
  T_Template* node = base->rootTemplate;
  bool any = false;
  while (parts.Next(&part)) {
    any = true;
    node = ChildNamed(node, part);
    if (!node) return nullptr;
  }
  return any ? node : nullptr;
}

bool StoreTemplate(T_Base* base, T_Template* templ, const char* path) {
  if (!base || !base->rootTemplate || !templ) return false;
  PathParts parts(path);
  T_TextBuf part;
  if (!parts.Next(&part)) return false;
  if (templ->parent) T_Template::Unlink(templ);

  T_Template* node = base->rootTemplate;
  for (;;) {
    bool last = parts.AtEnd();
    T_Template* child = ChildNamed(node, part);
    if (last) {
      if (child && child->kind == kTemplateFolder) return false;
      if (!templ->SetName(part.c_str())) return false;
      if (child) {
        // In the old one's place, also for the rollback of a failed read: the path existed.
        templ->existing = child->existing;
        T_Template::Unlink(child);
        Repoint(child, templ);
        DeleteTemplate(child);
      }
      T_Template::InsertChild(templ, node);
      break;
    }
    T_TextBuf nextPart;
    PathParts ahead = parts;
    ahead.Next(&nextPart);
    if (!child) {
      child = NewFolder(base, node, part.c_str());
    } else if (child->kind != kTemplateFolder) {
      child = MakeFolderOf(base, child, nextPart);
    }
    if (!child) return false;
    node = child;
    parts.Next(&part);
  }
  base->NotifyCode(kChangeTemplates);
  return true;
}

namespace {
// The database whose DuplicateTemplate is reading its copy now, else null.
const T_Base* copyingIn = nullptr;
}  // namespace

int32_t TemplateReadDimension(const T_Base* base, int32_t number) {
  if (!base || base != copyingIn || number < 0 || number >= kDimensionCount) return number;
  int32_t order[kDimensionCount];
  DimensionsInOrder(base, order);
  return order[number];
}

T_Template* DuplicateTemplate(T_Base* base, T_Template* source, const char* path) {
  if (!base || !source) return nullptr;
  bool store = path && *path;
  if (store && FindTemplate(base, path)) return nullptr;
  T_Template* copy = NewTemplate(base, source->kind);
  if (!copy) return nullptr;

  T_OStream text;
  source->WriteText(&text);
  T_IStream input;
  input.CtorFromOStream(&text);
  // The copy reads what the current writer wrote, whatever file is being read now.
  int32_t fileKind = base->fileKind;
  int32_t fileVersion = base->fileVersion;
  base->fileKind = kFileKindTextForm;
  base->fileVersion = kFormatDate;
  bool atLine = input.NextLine() && input.NextLine();
  const T_Base* outer = copyingIn;
  copyingIn = base;
  copy->ReadRecords(&input, atLine);
  copyingIn = outer;
  base->fileKind = fileKind;
  base->fileVersion = fileVersion;

  if (store && !StoreTemplate(base, copy, path)) {
    DeleteTemplate(copy);
    return nullptr;
  }
  return copy;
}

void RemoveTemplate(T_Base* base, T_Template* templ) {
  if (!base || !templ) return;
  DeleteBelow(templ);
  if (templ->parent) {
    T_Template* parentNode = templ->parent;
    T_Template::Unlink(templ);
    DeleteTemplate(templ);
    DeleteEmptyFolders(parentNode);
  }
  base->NotifyCode(kChangeTemplates);
}

void DeleteTemplatesMatching(T_Base* base, const char* pattern) {
  if (!base || !base->rootTemplate) return;
  CriteriaPattern criteria;
  Criteria_Init(&criteria);
  T_TextBuf text;
  TextBufAssign(&text, pattern);
  Criteria_Compile(&criteria, &text, 5, false);
  T_Template* root = base->rootTemplate;
  T_TextBuf templatePath;
  for (T_Template* node = root->firstChild; node;) {
    node->GetPath(&templatePath);
    if (!Criteria_MatchTextBuf(&criteria, &templatePath)) {
      node = node->NextBelow(root);
      continue;
    }
    // The walk goes on after the removed subtree; folders the removal empties are ancestors of
    // the node, which the walk has passed.
    T_Template* following = node->NextBelow(root, true);
    RemoveTemplate(base, node);
    node = following;
  }
  MemFreeHeld(&criteria);
}

void DeleteAllTemplates(T_Base* base) {
  if (base && base->rootTemplate) RemoveTemplate(base, base->rootTemplate);
}

void MarkTemplatesExisting(T_Base* base) {
  if (!base || !base->rootTemplate) return;
  T_Template* root = base->rootTemplate;
  for (T_Template* node = root; node; node = node->NextBelow(root)) node->existing = 1;
}

void DeleteUnmarkedTemplates(T_Base* base) {
  if (!base || !base->rootTemplate) return;
  T_Template* root = base->rootTemplate;
  std::vector<T_Template*> order;
  for (T_Template* node = root->firstChild; node; node = node->NextBelow(root))
    order.push_back(node);
  bool changed = false;
  // Children before their parents: a folder is judged once its contents are settled.
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    T_Template* node = *it;
    if (node->existing || (node->kind == kTemplateFolder && node->firstChild)) continue;
    T_Template::Unlink(node);
    DeleteTemplate(node);
    changed = true;
  }
  if (changed) base->NotifyCode(kChangeTemplates);
}

bool TemplatePassesFilter(const T_Template* templ, const CriteriaPattern* pattern) {
  if (!pattern || !pattern->program) return true;
  T_TextBuf path;
  templ->GetPath(&path);
  if (Criteria_MatchTextBuf(pattern, &path)) return true;
  TextBufReplaceAll(&path, ": ", ":");
  return Criteria_MatchTextBuf(pattern, &path);
}

void ListTemplates(T_Base* base, T_OStream* stream, const char* path,
                   const CriteriaPattern* filter) {
  if (!base || !base->rootTemplate) return;
  T_Template* top = path && *path ? FindTemplate(base, path) : nullptr;
  if (!top) top = base->rootTemplate;
  T_TextBuf templatePath;
  for (T_Template* node = top; node; node = node->NextBelow(top)) {
    if (node->kind == kTemplateFolder || !TemplatePassesFilter(node, filter)) continue;
    const char* kindName = ObjectKindName(node->kind);
    stream->PutText(kindName ? kindName : "");
    stream->PutSeparator();
    node->GetPath(&templatePath);
    stream->PutTextBuf(&templatePath);
    stream->PutNewline();
  }
}

int64_t CountTemplates(T_Base* base) {
  if (!base || !base->rootTemplate) return 0;
  int64_t count = 0;
  T_Template* root = base->rootTemplate;
  for (T_Template* node = root; node; node = node->NextBelow(root)) {
    if (node->kind != kTemplateFolder) ++count;
  }
  return count;
}

int64_t TemplateMemory(T_Base* base) { return kTemplateRecordSize * CountTemplates(base); }

void DeleteTemplate(T_Template* templ) {
  if (!templ) return;
  DetachWindows(templ);
  delete templ;
}

void DeleteTemplateTree(T_Template* root) {
  if (!root) return;
  DeleteBelow(root);
  if (root->parent) T_Template::Unlink(root);
  DeleteTemplate(root);
}
