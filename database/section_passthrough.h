#pragma once
// Holders of the sections whose models come later: "##Subset" (the subsets), "##Templates" (the
// template tree) and "##Defaults" (the default template of each window kind). Each is kept as the
// lines it was read with (the discipline of stored_object_holders.h: every line up to the next
// "##" line, trailing empty lines dropped, written back byte for byte), cut into the objects
// that the later readers will make of them, so that a later read replaces an object of the same
// name and adds the others, as those readers do:
//
//   section         object                               name           header written
//   "##Subset"      one per section                      header field 2 "##Subset" TAB name
//   "##Templates"   a "#" and kind-letter line and the   its path       "##Templates" once
//                   lines up to the next "#" line        (field 2)
//   "##Defaults"    the same                             kind letter    "##Defaults" once
//
// Written in that order: each subset with its header and one empty line; the templates under
// one header and nothing after them; the defaults under one header and one empty line. A holder
// that never read a section writes nothing. Template lines of a kind letter no template has are
// dropped with their lines, as the template readers skip them.
#include <cstdint>

#include "database/stored_object_holders.h"

class T_Base;
class T_IStream;
class T_OStream;

// Progress steps of a template written.
constexpr int64_t kTemplateSteps = 80;

struct PassThroughObject {
  PassThroughObject* next = nullptr;
  char* name = nullptr;  // owned block text
  SectionLines lines;
};

struct SectionPassThrough {
  PassThroughObject* subsets = nullptr;  // each list in order of first reading
  PassThroughObject* templates = nullptr;
  PassThroughObject* defaults = nullptr;
};

// Readers called by the section dispatcher with the header line current; each leaves the next
// "##" line current.
void ReadSubsetSection(T_Base* base, T_IStream* stream);
void ReadTemplatesSection(T_Base* base, T_IStream* stream);
void ReadDefaultsSection(T_Base* base, T_IStream* stream);
void WriteSubsetSections(T_Base* base, T_OStream* stream);
void WriteTemplatesSection(T_Base* base, T_OStream* stream);
void WriteDefaultsSection(T_Base* base, T_OStream* stream);

bool HasPassThroughSubsets(const T_Base* base);
bool HasPassThroughTemplates(const T_Base* base);
// The progress steps a save of the held subsets and templates will count: the subsets' sizes,
// and 80 for each template.
int64_t HeldSubsetSteps(const T_Base* base);
int64_t HeldTemplateSteps(const T_Base* base);

// The rollback of a failed read (database/read_rollback.h): the last object of each list before
// the read, and afterwards the objects behind them dropped. Objects that were there before keep
// whatever the read put into them.
struct PassThroughEnds {
  PassThroughObject* subsets = nullptr;
  PassThroughObject* templates = nullptr;
  PassThroughObject* defaults = nullptr;
};
void MarkPassThroughEnds(const T_Base* base, PassThroughEnds* ends);
void DropPassThroughAfter(T_Base* base, const PassThroughEnds* ends);

// With the database.
void FreeSectionPassThrough(T_Base* base);
int64_t SectionPassThroughMemSize(const T_Base* base);
