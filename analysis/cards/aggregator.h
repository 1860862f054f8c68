#pragma once
// T_Aggregator: sums the lines a list window shows into fewer lines. Lines with the same group
// component, the same component in every other dimension (after coarsening) and, unless line
// texts are skipped, the same text are merged into one line holding the sums. The merged lines
// go into one new card per period of the time resolution, one card for everything, or back into
// each card ("Cards"). "Aggregate" removes the source lines, "Add" (duplicate) keeps them.
//
// The owner window hands every line in scope to Aggregator_addLine from its SetupAggregate in
// state 2, in its natural (date) order. A card outside the current period, before it as well
// as after it, closes the period: its lines are sorted, merged into the target card (the flush)
// and the source lines removed.
//
// Invariants:
//   1. cards, groups and lines hold `collected` entries of the current period, all from cards
//      inside [periodStart, periodEnd] (or of currentCard for "Cards");
//   2. componentMap is null, or maps every component record number to the component the merged
//      lines carry; roots stand for "no component";
//   3. the deletion bit set has no bit set between flushes (line records are reused).
//
// User-interface thread only.
#include <cstdint>

#include "core/bit_vector.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "database/date_ref.h"
#include "database/model_records.h"
#include "ui/dialog_base.h"

class T_Checkbox;
class T_Chooser;
class T_HWindow;
class T_ProgressIndicator;
class T_Tab;
class T_Text;
class T_Edit;
struct TimeScale;

// States of the owner's SetupAggregate.
constexpr uint32_t kAggregateConstruct = 0;
constexpr uint32_t kAggregateCount = 1;
constexpr uint32_t kAggregateFeed = 2;
constexpr uint32_t kAggregateClosing = 3;

// Resolutions.
constexpr uint32_t kResolutionSingleCard = 0;
constexpr uint32_t kResolutionYears = 2;
constexpr uint32_t kResolutionHalfYears = 3;
constexpr uint32_t kResolutionTertials = 4;
constexpr uint32_t kResolutionQuarters = 5;
constexpr uint32_t kResolutionTwoMonths = 6;
constexpr uint32_t kResolutionMonths = 7;
constexpr uint32_t kResolutionHalfMonths = 8;
constexpr uint32_t kResolutionFourWeeks = 10;
constexpr uint32_t kResolutionThreeWeeks = 11;
constexpr uint32_t kResolutionTwoWeeks = 12;
constexpr uint32_t kResolutionWeeks = 13;
constexpr uint32_t kResolutionDays = 15;
constexpr uint32_t kResolutionCards = 16;
constexpr uint32_t kResolutionTimeScale = 18;

// Coarsening of a dimension.
constexpr uint16_t kCoarsenKeep = 0;
constexpr uint16_t kCoarsenRoot = 1;
constexpr uint16_t kCoarsenExpanded = 2;
constexpr uint16_t kCoarsenLevelBase = 3;  // + n: up to level n

// The arrays grow by this many entries.
constexpr int64_t kAggregateGrowth = 4000;

constexpr int32_t kTextAggregateTitle = 3126;  // Aggregate  "@0"
constexpr int32_t kTextAggregated = 6109;      // the default card title

// The dimension editor's answers about its expanded tree. By default they are the engine's seam,
// which the editors fill; while no editor of the dimension is open "as expanded" changes nothing.
struct DimensionExpansionHook {
  // An editor of the dimension is open.
  bool (*isOpen)(T_Base* base, int32_t dimension);
  // Maps every component of the dimension to the one its tree shows (a collapsed branch's top).
  void (*mapExpanded)(T_Base* base, int32_t dimension, int64_t* map);
};
// Null puts back the default.
void SetDimensionExpansionHook(const DimensionExpansionHook* hook);
const DimensionExpansionHook& CurrentDimensionExpansionHook();

// The period of a date under a calendar resolution (2 to 15): its first and last day. Other
// resolutions give the date itself.
void AggregatePeriod(uint32_t resolution, PackedDate date, PackedDate* start, PackedDate* end);

class T_Aggregator : public T_HDialog {
 public:
  // Defaults, then the owner's SetupAggregate in states 0 and 1 (line count, card date).
  explicit T_Aggregator(T_HWindow* owner);
  ~T_Aggregator() override;

  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void OnTabEvent(T_GrafElement* strip, int32_t code) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnButton(T_GrafElement* button) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;

  // Sorts and merges the collected entries into the target card, then removes the sources.
  void Flush();
  // The deepest levels of the trees and of the components in use (for the "Dimensions" page).
  void ComputeDepths();
  // The title of a new card of the current period.
  void PeriodTitle(T_TextBuf* title);

  uint32_t state = kAggregateConstruct;
  int64_t lineCount = 0;
  DateRef cardDate{};
  SignatureStamp runStamp{};
  T_HWindow* ownerWindow = nullptr;
  CardRecord** cards = nullptr;  // MemAlloc blocks of capacity entries
  GroupRecord** groups = nullptr;
  LineRecord** lines = nullptr;
  int64_t collected = 0;
  int64_t bulkThreshold = 0;
  int64_t capacity = 0;
  int32_t dimensionCount = 0;
  BitVector deletion{};
  int16_t depth[kDimensionCount] = {};
  int16_t usedDepth[kDimensionCount] = {};
  uint16_t coarsening[kDimensionCount] = {};
  int64_t* componentMap = nullptr;  // MemAlloc block over the component pool
  int64_t* sortBlock = nullptr;     // MemAlloc block: the working rows of the flush's sort
  int64_t sortBytes = 0;
  uint8_t depthsKnown = 0;
  uint32_t resolution = kResolutionCards;
  TimeScale* timeScale = nullptr;
  PackedDate periodStart = 0;
  PackedDate periodEnd = 0;  // 0: no period yet
  CardId scaleStart{};
  CardId scaleEnd{};
  CardRecord* currentCard = nullptr;
  uint8_t periodNames = 1;
  uint8_t duplicate = 0;
  uint8_t skipLineTexts = 1;
  uint8_t skipZeroLines = 1;
  uint32_t pendingOption = 0;
  int32_t pendingDimension = -1;
  int32_t page = -1;
  T_TextBuf title;
  uint8_t shown = 0;
  uint8_t feedFailed = 0;

  // Controls (built when the dialog is shown).
  T_Tab* tabs = nullptr;
  T_Chooser* resolutionChooser = nullptr;
  T_Text* titleLabel = nullptr;
  T_Edit* titleEdit = nullptr;
  T_Text* dateLabel = nullptr;
  T_Edit* dateEdit = nullptr;
  T_Checkbox* periodNamesBox = nullptr;
  T_Text* description = nullptr;
  T_Chooser* dimensionChoosers[kDimensionCount] = {};
  T_Text* dimensionLabels[kDimensionCount] = {};
  T_Checkbox* skipTextsBox = nullptr;
  T_Text* skipTextsDescription = nullptr;
  T_Checkbox* skipZeroBox = nullptr;
  T_Text* skipZeroDescription = nullptr;
  T_ProgressIndicator* progress = nullptr;

  // The mapped component (itself without a map).
  int64_t Mapped(int64_t component) const {
    return componentMap ? componentMap[component] : component;
  }
  // Builds the component map from the coarsenings; false without memory.
  bool BuildComponentMap();
  // Whether the card's date starts a new period (after closing the current one).
  bool StartsPeriod(CardRecord* card);
};

// Applies one word of the command `aggregate`; false for a word it does not take.
bool Aggregator_parseOption(T_Aggregator* aggregator, const char* word);
// Runs the aggregation over the owner's lines; true when the run completed.
bool Aggregator_run(T_Aggregator* aggregator);
// Takes one line of the owner's feed; false stops the feed (the arrays could not grow: pending
// error 600, nothing of the current period flushed).
bool Aggregator_addLine(T_Aggregator* aggregator, CardRecord* card, GroupRecord* group,
                        LineRecord* line);
// Merges the sorted entries into the card; the number of lines written.
int64_t Aggregator_mergeLines(T_Aggregator* aggregator, CardRecord* target);

// Builds the dialog's three pages, progress indicator and buttons (no "Add" over a card editor).
void BuildAggregateControls(T_Aggregator* dialog);
// Opens the aggregate dialog over the window.
void OpenAggregateDialog(T_HWindow* owner);
