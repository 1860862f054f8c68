#pragma once
// The sections of the template tree ("##Templates") and of the default templates ("##Defaults"),
// and the save's template filter. The records inside are the templates' own (database/templates.h).
//
//   section        line             fields                     meaning
//   "##Templates"  header           "##Templates"
//                  template line    "#" + kind letter, path    starts one template
//                  record lines     key, values                up to the next "#" line
//   "##Defaults"   header           "##Defaults"
//                  template line    "#" + kind letter          the default of the kind follows
//                  record lines     key, values                up to the next "#" line
//                  empty line                                  after the last default
//
// "##Templates" is written only when the tree holds a template: every template of the tree in
// tree order (each before its children, children in name order) that passes the save's template
// filter; folders have no line of their own, their paths imply them. "##Defaults" holds the
// defaults of kinds 10, 1, 2, 3, 4 and 5 in that order, each under its letter without a path.
//
// Reading "##Templates": a template line of a letter no template class reads ("K", "S", any
// other), or "T" in a text form dated before 1996-10-18, is skipped with its records, and so are
// record lines before any template line. Every other template is made by the template factory,
// reads its records and is stored under its path (template_tree.h StoreTemplate): a template of
// the same path is replaced, its window re-pointed; a path without a name part, or one that
// names a folder, stores nothing and is logged as skipped. Reading "##Defaults": the records
// after each "#" line go to the database's default template of that letter's kind, or are
// skipped for a letter without one.
//
// User-interface thread only.
#include <cstdint>

#include "core/criteria.h"

class T_Base;
class T_IStream;
class T_OStream;
class T_Template;
struct BitVector;
struct SaveOptions;

// Progress steps of every template a save walks.
constexpr int64_t kTemplateSteps = 80;

// Which templates a save writes, and whose lines and components it keeps: those whose path
// matches the save options' template name filter (also in the ":" form of TemplatePassesFilter)
// and, with "open templates only", that an open window shows. Folders never pass.
class TemplateFilter {
 public:
  explicit TemplateFilter(const SaveOptions* options);
  ~TemplateFilter();
  TemplateFilter(const TemplateFilter&) = delete;
  TemplateFilter& operator=(const TemplateFilter&) = delete;

  bool Passes(const T_Template* templ) const;

 private:
  CriteriaPattern pattern_;
  bool named_ = false;
  bool openOnly_ = false;
};

// Every template of the tree that passes the filter marks its components into the set (sized
// to the database's component records first).
void MarkTemplateComponents(T_Base* base, const TemplateFilter* filter, BitVector* components);

// Readers called by the section dispatcher with the header line current; each leaves the next
// "##" line current, or ends with the input.
void ReadTemplatesSection(T_Base* base, T_IStream* stream);
void ReadDefaultsSection(T_Base* base, T_IStream* stream);
// The writers under the database's current save options.
void WriteTemplatesSection(T_Base* base, T_OStream* stream);
void WriteDefaultsSection(T_Base* base, T_OStream* stream);
