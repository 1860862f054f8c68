#pragma once
// The template tree of a database: finding, storing, duplicating, listing and removing templates
// by their path, and the whole-tree operations of reading (existing marks, rollback) and closing.
//
// A path given by a caller is split into parts at ":", the blanks around each part trimmed and
// empty parts skipped; a path's text form joins the names by ": " (T_Template::GetPath). Names
// compare ignoring letter case. Every walk here is iterative, so a tree of any depth is walked in
// constant stack.
//
// Paths resolve with a walk from the root: among the children of the current node, in name
// order, the first one that does not compare below the part; an equal name descends into it. The
// walk ends at the deepest node reached, with the parts it could not match.
#include <cstdint>

class T_Base;
class T_OStream;
class T_Template;
struct CriteriaPattern;

// The template or folder whose path is exactly the path; null for none (and for a path without
// parts).
T_Template* FindTemplate(T_Base* base, const char* path);

// Puts the template (taken out of the tree first if it stands in it) under the path, creating
// folders as needed, then sends code 65:
//   - a template (kind other than 0) already at that exact path is replaced: a window of it
//     that is of the new template's kind is re-pointed to the new template, any other window
//     loses its template, and the old one is deleted; the new one takes over its existing mark,
//     so that the rollback of a failed read keeps the path;
//   - a template standing where the path needs a folder becomes a folder of its name holding the
//     old template, which gets " 1" after its name when that name equals the next part of the
//     path; its window's title follows its new path;
//   - a path without a name part, one that names a folder, or no memory stores nothing: false
//     (the tree stays as far as it got, without code 65).
bool StoreTemplate(T_Base* base, T_Template* templ, const char* path);

// A copy of the source through its own record text, read with the current text form's reading
// state; stored under the path when one is given (null or empty: not stored). Null when a
// template of that path exists, the kind has no template class or the copy cannot be stored.
T_Template* DuplicateTemplate(T_Base* base, T_Template* source, const char* path);
// The dimension a dimension number read from template records stands for. Writers put a
// dimension by its position in the dimension order, as the dimension sections number them, so a
// file read back numbers it by that position; while DuplicateTemplate reads its copy in the same
// database, the position is turned back into the dimension (DimensionsInOrder).
int32_t TemplateReadDimension(const T_Base* base, int32_t number);

// Deletes the template with everything below it (children first); a window showing one of them
// keeps open without its template. Folders emptied by it go too, up to but never the root. Code
// 65. Removing the root removes everything below it.
void RemoveTemplate(T_Base* base, T_Template* templ);
// Removes every template and folder whose path matches the criteria text (letter case ignored).
void DeleteTemplatesMatching(T_Base* base, const char* pattern);
// Everything below the root; code 65.
void DeleteAllTemplates(T_Base* base);

// Before a read: every template of the tree is marked as existing. After a failed read:
// templates without the mark are deleted, and folders without it once they are empty.
void MarkTemplatesExisting(T_Base* base);
void DeleteUnmarkedTemplates(T_Base* base);

// A template passes when there is no pattern, when its path matches, or when its path with every
// ": " written as ":" matches.
bool TemplatePassesFilter(const T_Template* templ, const CriteriaPattern* pattern);
// For every template of a kind other than 0 at or below the path (the whole tree without a path
// or when the path names nothing) that passes the filter: its kind name, TAB, its path, line end.
void ListTemplates(T_Base* base, T_OStream* stream, const char* path,
                   const CriteriaPattern* filter);

// Templates of a kind other than 0 in the tree, and the memory reported for them (224 bytes
// each).
int64_t CountTemplates(T_Base* base);
int64_t TemplateMemory(T_Base* base);

// Deleting outside the tree operations: one template, or a root with everything below it; every
// window showing one of them loses its template link. Neither sends a note.
void DeleteTemplate(T_Template* templ);
void DeleteTemplateTree(T_Template* root);
