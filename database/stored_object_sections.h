#pragma once
// The framing of the sections that carry the database's lists of stored objects: "##WebUsers"
// (one section), and one section per save setup, import setup, time scale, macro and subset, each
// with its header "##SaveSetup", "##ImportSetup", "##TimeScale", "##Macro" or "##Subset", a TAB
// and its name. The objects read and write their own lines (database/stored_object_holders.h,
// database/time_scale.h, database/subsets.h).
//
// Reading a named section: its name is the header's second field, an empty one the kind's
// default name ("Save Setup 1", "Import Setup 1", "Time Scale 1", "Macro 1"); the object of that
// name (letter case ignored) reads the lines into itself, else a new object of that name does;
// the operation log gets Loaded with the object kind and the name. So an import adds the objects
// it reads and replaces those of the same names.
//
// Writing a list: nothing when it is empty; otherwise every object's section, then one empty
// line. Web users are written only when the list names a user: "##WebUsers", the records, an
// empty line. Macros are put in name order first.
//
// Subsets differ: a "##Subset" section names the subset as its valid formula name (subsets.h),
// an existing subset of that name is cleared before it reads the section, so that it holds what
// the file holds, and each subset written is followed by its own empty line, the list by none.
#include <cstdint>

class T_Base;
class T_IStream;
class T_OStream;
struct T_TextBuf;
struct TimeScale;

// Progress steps of a save setup and an import setup written (the sizes of their records).
constexpr int64_t kSaveSetupSteps = 1400;
constexpr int64_t kImportSetupSteps = 592;

// Readers called by the section dispatcher with the header line current.
void ReadWebUsersSection(T_Base* base, T_IStream* stream);
void ReadSaveSetupSection(T_Base* base, T_IStream* stream);
void ReadImportSetupSection(T_Base* base, T_IStream* stream);
void ReadTimeScaleSection(T_Base* base, T_IStream* stream);
void ReadMacroSection(T_Base* base, T_IStream* stream);
void ReadSubsetSection(T_Base* base, T_IStream* stream);

void WriteWebUsersSection(T_Base* base, T_OStream* stream);
void WriteTimeScaleSections(T_Base* base, T_OStream* stream);
void WriteSaveSetupSections(T_Base* base, T_OStream* stream);
void WriteImportSetupSections(T_Base* base, T_OStream* stream);
void WriteMacroSections(T_Base* base, T_OStream* stream);
void WriteSubsetSections(T_Base* base, T_OStream* stream);

// The name of an object read without one: the text of the id and " 1".
void DefaultObjectName(T_TextBuf* text, int32_t textId);
