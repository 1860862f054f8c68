#pragma once
// SaveOptions: the record that steers one save: the target kind, which sections are written,
// which components of each dimension, which cards and lines, which templates, how card lines name
// their components, in which order dimensions are numbered, and the fields of an SIE 4 export.
// Every database holds a current one that the section writers consult; the save flows build a
// fresh one for each save and put it in place for its duration. The record owns its texts and
// its filter; copying duplicates them.
#include <cstdint>

class T_Base;
struct SelectionDef;

// Target kinds.
constexpr int32_t kSaveKindContainer = 1;  // block container, mode "N"
constexpr int32_t kSaveKindBrowser = 2;    // block container, mode "B"
constexpr int32_t kSaveKindTemplates = 3;  // block container, mode "U": the templates file
constexpr int32_t kSaveKindText = 5;
constexpr int32_t kSaveKindSie = 12;

// Section flags, in the order the sections are written.
enum SaveSection : int32_t {
  kSectionCharacters,
  kSectionProtection,
  kSectionWebUsers,
  kSectionBaseOptions,
  kSectionSaveSetups,
  kSectionImportSetups,
  kSectionTimeScales,
  kSectionMacros,
  kSectionDimensions,
  kSectionCards,
  kSectionSubsets,
  kSectionTemplates,
  kSectionDefaults,
  kSectionCount
};

// Save modes of a dimension's components (also the SIE component modes).
constexpr int32_t kDimSaveAll = 0;
constexpr int32_t kDimSaveActive = 1;
constexpr int32_t kDimSaveInUse = 2;
constexpr int32_t kDimSaveNone = 3;

// How a card line names the component of a dimension.
constexpr int32_t kCardRefCode = 0;
constexpr int32_t kCardRefHostCode = 1;
constexpr int32_t kCardRefText = 2;

// SIE flags, in order.
enum SieFlag : int32_t {
  kSieAccounts,
  kSieDimensions,
  kSieVouchers,
  kSieRegistrationDates,
  kSieOwnCodes,
  kSieFlagCount
};

struct SaveOptions {
  int32_t kind = kSaveKindContainer;
  uint8_t compressed = 1;
  uint8_t sections[kSectionCount] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  uint8_t adoptFile = 0;
  int32_t dimensionModes[32] = {};
  SelectionDef* filter = nullptr;  // owned; null while none was made
  uint8_t templateLinesOnly = 0;
  int32_t selectionLevel = 0;          // 0 cards, 1 groups, 2 lines
  char* templateNameFilter = nullptr;  // owned
  uint8_t openTemplatesOnly = 0;
  int32_t cardReferenceStyles[32] = {};
  int32_t dimensionNumbering[32] = {};  // by position: 0 the same number, n > 0, -1 none
  char* sieCompanyName = nullptr;       // owned
  char* sieOrganisationNumber = nullptr;
  char* sieRemark = nullptr;
  char* sieVoucherSeries = nullptr;
  uint8_t sieFlags[kSieFlagCount] = {1, 1, 1, 1, 1};
  int32_t sieDimensionNumbers[32] = {};
  int32_t sieComponentModes[32] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                   1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
};

// --- Operations ---------------------------------------------------------------------------------

// Makes the record's filter, bound to the database, and sets the defaults; the record owns no
// texts yet.
void SaveOptionsInit(SaveOptions* options, T_Base* base);
// Frees the texts and the filter.
void SaveOptionsFree(SaveOptions* options);
// The defaults of the fields above; texts are freed and the filter lets everything pass.
void SaveOptionsReset(SaveOptions* options);
// The defaults, then what the database holds: target kind and compression from its save kind,
// the sections of objects it does not have off, and save mode none for every dimension it does
// not use.
void SaveOptionsFromBase(SaveOptions* options, T_Base* base);
void SaveOptionsClearSections(SaveOptions* options);
void SaveOptionsSetAllSections(SaveOptions* options);
void SaveOptionsCopySections(SaveOptions* target, const SaveOptions* source);
// Every field; texts and the filter are duplicated, the target's own are freed. False (the target
// partly copied, the pending error set) when memory runs out.
bool SaveOptionsCopy(SaveOptions* target, const SaveOptions* source);
// Every field equal; texts by content, a missing text equal to an empty one.
bool SaveOptionsEqual(const SaveOptions* a, const SaveOptions* b);
// The component mode of the dimension for this save: the SIE mode for an SIE export, else its
// save mode.
int32_t SaveOptionsDimMode(const SaveOptions* options, int32_t dimension);

// One letter option of the save command, without its leading "-" (length bytes; see
// save_options.cpp for the table). False, the record unchanged, when the text is no valid option:
// the caller reports 3820.
bool ParseSaveOption(SaveOptions* options, const char* text, int32_t length);

// Rebuilds the database's dimension order from the dimension numbering of its current save
// options (see save_options.cpp); run before every save and read.
void UpdateDimensionOrder(T_Base* base);
