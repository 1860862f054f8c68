#pragma once
// T_Base: one open database. It owns the whole in-memory model of one file: the 32 dimensions
// with their component trees, the dated card chain with its groups and lines, the base options,
// the stored setups, subsets, time scales, macros and templates, its link context and its logs.
// Every open database stands on one list, in order of creation (FirstBase, then next).
//
// Invariants:
//   1. component records 0 to 31 are the roots of dimensions 0 to 31 and never leave the pool;
//      a record number never changes while its record lives, and freed records (linked through
//      nextSibling, cards through next, groups through next, lines through next) are reused
//      before a pool grows;
//   2. the card chain is circular through the sentinel card (record 0) and ascends by card id;
//      the date-node ring is circular through the sentinel node and ascends by date; the cards
//      of one date are consecutive, starting at their node's first card;
//   3. every line record has the layout of model_records.h for the current value count, slot
//      count and reference width;
//   4. a database is on the open-database list from the end of its construction (code 4 goes
//      out with it on the list) until its destruction begins (code 5 goes out after it left).
//
// User-interface thread only, or the web request worker while it holds the user-interface/worker
// exclusion; the database has no locks of its own.
#include <cstdint>

#include "core/bit_vector.h"
#include "core/paged_array.h"
#include "core/text_buffer.h"
#include "database/date_ref.h"
#include "database/model_records.h"
#include "database/save_options.h"
#include "ui/database_services.h"

class T_AlertHandler;
class T_IStream;
class T_LinkContext;
class T_LogAlerts;
class T_Template;
class T_Window;
struct CardSelection;
struct SelectionDef;
struct SubsetList;
struct WebUserList;
struct Protection;
struct SaveSetup;
struct ImportSetup;
struct TimeScale;
struct Macro;
struct DimImportSetup;
struct LineOriginStore;
struct HashIndex;

// What the last save wrote into, or a read found in, the characters section.
struct FileInfo {
  char* versionLabel = nullptr;  // all owned, null for none
  char* platform = nullptr;
  char* operatingSystem = nullptr;
  char* computerName = nullptr;
  char* userName = nullptr;
  char* saveTime = nullptr;
};

// Kinds of the default templates, in the order of T_Base::defaultTemplates.
constexpr int32_t kDefaultTemplateKinds[6] = {10, 1, 2, 3, 4, 5};

class T_Base {
 public:
  // Creates an empty database (path may be null) and announces it with code 4.
  T_Base(const char* path, uint32_t untitledNumber);
  // Callers use DeleteBase, which asks first.
  ~T_Base();
  T_Base(const T_Base&) = delete;
  T_Base& operator=(const T_Base&) = delete;

  // --- Notifications (database/change_notes.cpp) ------------------------------------------------
  // A note with only the code and this database, dispatched at once.
  void NotifyCode(int32_t code);

  // --- State with notices (database/base.cpp) ---------------------------------------------------
  // Each does nothing when the value does not change.
  // Code 6 with the new state; the Save entry's mark follows while the menus are for this
  // database.
  void SetModified(bool modified);
  // Code 8 (which marks the database modified).
  void SetSaveKind(int32_t kind);
  void RaiseBusy() { ++busyCount; }
  void LowerBusy() { --busyCount; }
  bool IsBusy() const { return busyCount != 0; }
  // Names an untitled database anew from text 100 with its number, then ".qeb", after a change
  // of language; code 3 follows when the name changed.
  void NameUntitled();
  // True when a card or a component other than the dimension roots is in use.
  bool HoldsData() const;
  // After each command run on the database: the subsets no longer in use are released and,
  // unless the log is to stay open, the alert log closes.
  void AfterCommand();

  // Bytes of the whole model and the part held by free card, group and line records, each
  // rounded up to a multiple of 1024.
  void GetMemoryUsage(int64_t* used, int64_t* reclaimable);

  // --- Importing (database/opening.cpp) ---------------------------------------------------------
  // Reads the file into this database (open flag 1 added to the flags), after testing that the
  // file opens (pending 605 when it does not). When the read ends with the error flag set, it is
  // undone (database/read_rollback.h): the database is as it was, except for changes the read
  // made to objects that existed before. Without an import setup the database's only one is
  // used. True when the read ended without the error flag; the caller reports the pending error.
  bool ImportFile(const char* path, const char* password, ImportSetup* importSetup, int32_t flags);

  // --- Database commands (database/base_commands.cpp) -------------------------------------------
  // The menu commands the database window passes on: dimension entries 25 to 56, Save 204, Save
  // As 205, and the label ids 2503 to 2551 of the stored objects, dialogs and default templates.
  // A command whose editor, dialog or service is not installed is disabled.
  bool IsCommandEnabled(int32_t command) const;
  // False when the command is not the database's or is disabled; it then travels on up the
  // command chain.
  bool DoCommand(int32_t command);

  // --- Dimensions and components (database/components.cpp) -------------------------------------
  // A component number for typed text (at most 255 bytes, length -1 for the whole C string): an
  // exact code or host code, else a text or host-code prefix (database/component_lookup.cpp);
  // the dimension's root when nothing matches.
  int64_t FindComponentByKey(int32_t dimension, const char* text, int32_t length);
  // The same; when nothing matches, reports 3903 through the read-problem prompt and answers the
  // root. The owner window is where the component finder will open.
  int64_t FindComponentOrAsk(int32_t dimension, const char* text, int32_t length, T_Window* owner);
  // A dimension by stored name (either, ignoring case) or by number 1 to 32; -1 for none.
  int32_t FindDimByName(const char* name);
  // The position of the dimension in the dimension order, or the dimension itself.
  int32_t MapDimIndex(int32_t dimension);
  // The stored name, else the default "Dim n".
  const char* GetDimSingular(int32_t dimension);
  const char* GetDimPlural(int32_t dimension);
  // The component has children; for a root: the dimension has components.
  bool HasSubComponents(int64_t component);
  // Has components, or an option other than its default (option X aside).
  bool IsDimUsed(int32_t dimension);
  // Sizes the set to the pool and sets the components of the dimension that cards (dimension 0)
  // or lines (others) refer to; the root's bit stays clear.
  void MarkUsedComponents(BitVector* set, int32_t dimension);
  // The list form (database/component_text.cpp): the code, then host code and text as the
  // dimension's style shows them, in plain form; empty for a root.
  void GetComponentText(T_TextBuf* out, int64_t component, int32_t dimension);

  // --- Cards, groups and lines (database/cards.cpp, database/lines.cpp) -------------------------
  // The id of the first card (side below 1) or the last card; without cards January 1 with
  // number 1 or December 31 with number 0x7fffffff of the current year.
  void GetCardIdBound(CardId* id, int32_t side);
  // The first card whose id is not below the id; the sentinel card when there is none.
  CardRecord* SeekCard(const CardId* id);
  // The number of cards with from <= id <= to; the first card not below from and the card after
  // the last one counted go to first and after (each may be null). Whole dates are counted by
  // their nodes and the runs 1 to k by arithmetic, so a busy day is not walked card by card.
  int64_t CountCardsBetween(const CardId* from, const CardId* to, CardRecord** first,
                            CardRecord** after);
  // The id after (before) the id: the number + 1, or number 1 of the next day once the number
  // reaches the largest the card-number digits show; the number - 1, or that largest number on
  // the previous day below number 2.
  void GetNextCardId(CardId* id);
  void GetPrevCardId(CardId* id);

  // The group of the component (dimension 0; 0 for none) in the card, else a new group at the
  // end of the card's groups; null without memory.
  GroupRecord* FindOrAddGroup(CardRecord* card, int64_t component);

  // A batch of line deletions: each card is pruned and stamped once, when the batch moves on to
  // another card or ends, and lines deleted in group order are each found in one step.
  void BeginLineDeletion(const SignatureStamp* stamp);
  void DeleteLine(CardRecord* card, GroupRecord* group, LineRecord* line);
  void EndLineDeletion();

  // Line accessors. Slot i is dimension i + 1; a slot the lines do not have reads as the
  // dimension's root (no component) and ignores writes. Array forms hold lineSlots components
  // or valueCount values.
  int64_t GetLineComponent(const LineRecord* line, int32_t slot) const;
  void SetLineComponent(LineRecord* line, int32_t slot, int64_t component);
  void GetLineComponents(const LineRecord* line, int64_t* components) const;
  void SetLineComponents(LineRecord* line, const int64_t* components);
  void CopyLineComponents(LineRecord* destination, const LineRecord* source);
  bool LineComponentsEqual(const LineRecord* line, const int64_t* components) const;
  double GetLineValue(const LineRecord* line, int32_t column) const;
  void SetLineValue(LineRecord* line, int32_t column, double value);
  void SetLineValues(LineRecord* line, const double* values);
  void CopyLineValues(LineRecord* destination, const LineRecord* source);

  // --- Base options (database/base_options.cpp) --------------------------------------------------
  // The stored texts or their defaults (texts 3102, 3103, and 3104 with " n" for column n > 1).
  const char* GetCardTitleLabel();
  const char* GetLineTextLabel();
  void GetValueName(T_TextBuf* out, int32_t column);  // empty outside 0..23
  // The name of a field code: 100 and up a text id; 1..32 the singular and 33..64 the plural
  // name of dimension code - 1 or code - 33; 65 and 66 the labels; 67..90 the name of value
  // column code - 67; empty for any other code.
  void GetFieldName(T_TextBuf* out, int32_t code);
  // The name into a chooser item's own buffer.
  void SetItemFieldName(struct ChooserEvent* item, int32_t code);
  // The width of the name in the current port's font, at least the minimum.
  int32_t MeasureFieldName(int32_t code, int32_t minimum);

  // Each setter stores and notifies only a change. Texts follow base_options.h (control
  // characters blanked, at most 63 bytes, none when equal to the default) and set modified.
  void SetCardTitleLabel(const char* text);             // code 35
  void SetLineTextLabel(const char* text);              // code 36
  void SetValueName(int32_t column, const char* text);  // code 37 with the column
  void SetCardDigits(int32_t n);                        // 1..9; code 29
  void SetListWidth1(int32_t width);                    // 47..150; code 33 with the difference
  void SetListWidth2(int32_t width);                    // 52..150; code 34 with the difference
  void SetDecimalsCode(int32_t column, int32_t code);   // 8 and 9 stored as 0; code 30
  // Copies the bound's rule (or date) and resolves it as a to-bound; code 38 when the rule or
  // the resolved date changed.
  void SetReferenceDate(const DateRef* ref);
  void SetReferenceDateText(const char* text);
  // After a language change: codes 35, 36 and 37 for the texts at their defaults, and an
  // untitled database takes its name in the new language (code 3).
  void RefreshDefaultLabels();

  // --- Commands (database/command_language.cpp) --------------------------------------------------
  // Runs the lines of the text as commands of the command language (database/commands.h)
  // against this database, with the title as the caption of the messages they raise; the
  // caption in force before is put back afterwards. The one entry of macros and automation.
  void RunCommandText(const char* text, const char* title);

  // --- Templates (database/template_runner.cpp) --------------------------------------------------
  // The default template of kind 1 to 5 or 10, else null.
  T_Template* GetDefaultTemplate(int32_t kind) const;
  // Replaces the default template of the kind by a new one from the template factory; windows on
  // the old one move to the new one. Code 64.
  void ResetDefaultTemplate(int32_t kind);

  // --- Stored objects (database/stored_object_holders.cpp, time_scale.cpp, object_lists.cpp) ---
  // Control characters removed and blanks trimmed; null for an empty name or none of that name
  // (letter case ignored). The name index is built on first use.
  Macro* FindMacro(const char* name);
  // Blanks trimmed, letter case ignored; null for an empty name or none of that name.
  TimeScale* FindTimeScale(const char* name);
  // By position from 0, in order of creation; null outside the list.
  TimeScale* GetTimeScaleAt(int64_t n);
  int64_t CountTimeScales();
  // -1 when the time scale is not the database's.
  int64_t IndexOfTimeScale(const TimeScale* scale);

  // --- XML reading checks (database/xml_checks.cpp) ----------------------------------------------
  // The reports go through the read-problem prompt, and only while xmlErrors is on.
  // 3900 with the current tag's name; the element is skipped whether reported or not.
  void XmlUnknownTag(T_IStream* stream);
  void XmlUnknownAttribute(const char* name);                      // 3901
  void XmlUnknownValue(const char* value, const char* attribute);  // 3902
  // "on" 1, "off" 0 (letter case ignored); anything else is reported with 3902 and gives -1.
  int32_t XmlReadOnOff(const char* name, const char* value);

  // --- Fields ------------------------------------------------------------------------------------
  T_Base* next = nullptr;
  T_Window* mainWindow = nullptr;  // the database window, owned
  T_Window* infoWindow = nullptr;  // the open information window, not owned
  uint8_t modified = 0;
  int32_t busyCount = 0;
  uint32_t untitledNumber = 0;
  T_TextBuf* path = nullptr;  // owned
  int32_t saveKind = 1;
  int32_t secondSaveValue = 1;
  FileInfo fileInfo;
  SaveOptions saveOptions;
  WebUserList* webUsers = nullptr;   // owned
  Protection* protection = nullptr;  // owned
  CardSelection* activeFilter = nullptr;

  // Base options.
  int32_t cardDigits = 3;
  int32_t listWidth1 = 47;
  int32_t listWidth2 = 52;
  char* cardTitleLabel = nullptr;  // owned; null: text 3102
  char* lineTextLabel = nullptr;   // owned; null: text 3103
  int32_t decimalsCodes[kMaxValueCount];
  char* valueNames[kMaxValueCount] = {};  // owned; null: the default name
  DateRef referenceDate;

  // Components.
  PagedArray componentPool;
  ComponentRecord* componentFreeList = nullptr;
  uint8_t componentsSeen = 0;
  DimensionRecord* dimensions[kDimensionCount] = {};
  DimImportSetup* dimImports[kDimensionCount] = {};
  uint8_t dimensionChangePending[kDimensionCount] = {};
  int64_t generatedCodeCounters[kDimensionCount] = {};

  // Date nodes and cards.
  int64_t dateNodeCount = 0;
  DateNode* dateRing = nullptr;  // the sentinel node
  DateNode* dateCache[13] = {};
  int32_t dateCacheFill = 0;
  PagedArray cardPool;
  int64_t cardCount = 0;
  CardRecord* cardFreeList = nullptr;
  CardRecord* sentinelCard = nullptr;
  uint8_t cardChangeSeen = 0;
  uint8_t cardChangePending = 0;
  PagedArray groupPool;
  int64_t groupCount = 0;
  GroupRecord* groupFreeList = nullptr;
  PagedArray linePool;
  int64_t lineCount = 0;
  LineRecord* lineFreeList = nullptr;

  // Line layout.
  int32_t lineSlots = 1;
  int32_t referenceWidth = 2;
  int32_t valueCount = 1;
  int32_t referenceOffset = 32;
  int32_t valueOffset = kLineValueOffset;
  int64_t defaultComponents[kDimensionCount];
  double defaultValues[kMaxValueCount] = {};

  // The batch of line deletions under way.
  SignatureStamp deletionStamp;
  CardRecord* deletionCard = nullptr;
  GroupRecord* deletionGroup = nullptr;
  LineRecord* deletionPrevious = nullptr;

  // Receivers of change notes.
  CardSelection* selections = nullptr;
  SelectionDef* selectionDefs = nullptr;

  // Stored objects.
  SaveSetup* saveSetups = nullptr;      // sorted by name
  ImportSetup* importSetups = nullptr;  // sorted by name
  SubsetList* subsets = nullptr;        // owned
  TimeScale* timeScales = nullptr;      // in order of creation
  Macro* macros = nullptr;              // ring; the first one's previous is the last
  HashIndex* macroIndex = nullptr;
  int64_t macroCount = 0;
  uint8_t macrosSorted = 1;

  T_Template* rootTemplate = nullptr;
  T_Template* defaultTemplates[6] = {};
  uint8_t runOpenDirectCommands = 1;

  // Logs.
  T_AlertHandler* alertLog = nullptr;   // a T_LogAlerts or T_NoAlerts, owned
  T_LogAlerts* operationLog = nullptr;  // null or the alert log itself
  char* errorFileName = nullptr;        // owned
  uint8_t logChosenByCaller = 0;
  uint8_t alertsOnly = 0;

  int32_t fileKind = 0;
  int32_t fileVersion = 0;  // yyyymmdd
  // The last-write time of the database's file when it was last opened or saved here (a date
  // value in seconds, core/files.h FileModifiedDate); 0 for none. A save asks before replacing
  // a file that changed since.
  double fileTime = 0;
  // The read under way: its open flags (kOpenFlagImport ...) and the number of values each
  // card line of the file carries (1 at the start of a read; "LN" and "-LN" set it).
  int32_t readFlags = 0;
  int32_t readValueCount = 1;
  uint8_t errorFlag = 0;
  uint8_t xmlErrors = 1;
  T_LinkContext* linkContext = nullptr;  // owned
  LineOriginStore* lineOrigins = nullptr;
  int32_t dimensionOrder[kDimensionCount] = {};
  int32_t dimensionOrderCount = 0;
};

// Open flags of a read.
constexpr int32_t kOpenFlagImport = 1;  // into an open database; line origins are recorded

// The open databases, oldest first.
T_Base* FirstBase();

// Close modes of CanClose and DeleteBase.
constexpr int32_t kCloseAsk = 0;            // asks about unsaved changes
constexpr int32_t kCloseAskAlways = 1;      // also asks before closing a database holding data
constexpr int32_t kCloseAcceptDialogs = 2;  // open dialogs are ended with their default button
constexpr int32_t kCloseSilently = 3;       // dialogs cancelled, no question, nothing saved

// Whether the database may close: its dialogs are ended or refuse, its document windows other
// than the database window close, then the user is asked as the mode says (questions 3200 and
// 3201). False leaves the database and the windows still open as they are.
bool CanClose(T_Base* base, int32_t mode);
// Destroys the database when CanClose agrees; true also for null. False: the user cancelled.
bool DeleteBase(T_Base* base, int32_t mode);
// The oldest open database whose file is the same file as the path; untitled databases name no
// file. Null when none.
T_Base* FindOpenBase(const char* path);
// True when the file is one of the program's own family: file-kind detection gives a kind other
// than 0 (nothing to read) and 13 (other text).
bool IsOpenableFile(const char* path);
// An empty database with no path and the lowest untitled number no open database uses; null
// (pending error 600) when 64 KB could not be had.
T_Base* NewUntitledDatabase();

// --- Seams to the layers above ------------------------------------------------------------------
// Holders of plain pointers to databases above the engine (the automation objects) learn that
// one is closing: called once it left the open-database list, while the object is still whole.
// Null removes the hook.
using BaseClosingHook = void (*)(T_Base* base);
void SetBaseClosingHook(BaseClosingHook hook);

// What a database needs of the windows, templates and links, which live in layers above the
// engine. Each hook is installed by its layer; a missing hook leaves the field null, so a
// database without them is a database without a window, templates or a link context.
struct BaseServices {
  // Creates the database window; null for none.
  T_Window* (*createWindow)(T_Base* base);
  // Destroys the database window if it still exists and is open.
  void (*destroyWindow)(T_Base* base, T_Window* window);
  // Creates the root template (kind 0) and the default template of a kind.
  T_Template* (*createRootTemplate)(T_Base* base);
  T_Template* (*createDefaultTemplate)(T_Base* base, int32_t kind);
  // Deletes one template, or the whole tree under a root with the root, detaching windows.
  void (*deleteTemplate)(T_Template* templ);
  void (*deleteTemplateTree)(T_Template* root);
  // Creates the link context with its handlers.
  T_LinkContext* (*createLinkContext)(T_Base* base);

  // Saving: true when the database (or its templates) was saved, false when it was not (the
  // user cancelled, the save failed or no saver is installed).
  bool (*saveDatabase)(T_Base* base);
  bool (*saveDatabaseAs)(T_Base* base);
  bool (*saveTemplates)(T_Base* base);
  // Runs the default template of a kind (1 to 5) in the database.
  void (*runDefaultTemplate)(T_Base* base, int32_t kind);

  // The editors and dialogs the database commands open; a missing one disables its command.
  void (*openDimensionEditor)(T_Base* base, int32_t dimension);
  // The same with the component's row selected (the toolkit's "Open Dimension").
  void (*openDimEditorAtComponent)(T_Base* base, int32_t dimension, int32_t component,
                                   int32_t flags);
  void (*newSaveSetup)(T_Base* base);
  void (*deleteSaveSetup)(T_Base* base);
  void (*editProtection)(T_Base* base);
  void (*editWebUsers)(T_Base* base);
  void (*newImportSetup)(T_Base* base);
  void (*deleteImportSetup)(T_Base* base);
  void (*editCopyingOptions)(T_Base* base);
  void (*newCard)(T_Base* base);
  void (*newSubset)(T_Base* base);
  void (*deleteSubset)(T_Base* base);
  void (*newTimeScale)(T_Base* base);
  void (*deleteTimeScale)(T_Base* base);
  void (*newMacro)(T_Base* base);
  void (*deleteMacro)(T_Base* base);
  void (*showDatabaseInfo)(T_Base* base);
  void (*runDatabaseSettings)(T_Base* base);
  void (*openXmlTester)(T_Base* base);
  // Asks the user for the component of an unknown code read from a file; -1 when the user gave
  // up the read. Missing: the problem is reported and the dimension's root answers.
  int64_t (*askForComponent)(T_Base* base, int32_t dimension, T_Window* owner, const char* text);
};
// Null puts back the defaults: the engine's own template hooks (database/template_runner.h),
// everything else missing.
void SetBaseServices(const BaseServices* services);
const BaseServices& CurrentBaseServices();
