// The components window's Columns and Sorting pages. Columns: a chooser of the ten value types
// (shown ones marked), and for the chosen type "Show", the "Sublevels" chooser, the decimals,
// negative style and colour choosers (not for Cards and Lines) and "Boldface". Sorting: the sort
// column (item 0 the view title, meaning the component order, then the shown value types) and
// its order (the five component orders or the six value orders).
#include <new>

#include "analysis/components/components_window.h"
#include "core/localized_text.h"
#include "core/text_buffer.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/sort_orders.h"

namespace {

constexpr uint32_t kTypeChooser = 5300;
constexpr uint32_t kShowBox = 5301;
constexpr uint32_t kSublevelsChooser = 5302;
constexpr uint32_t kDecimalsChooser = 5303;
constexpr uint32_t kNegativeChooser = 5304;
constexpr uint32_t kColourChooser = 5305;
constexpr uint32_t kBoldBox = 5306;
constexpr uint32_t kSortColumnChooser = 5310;
constexpr uint32_t kSortOrderChooser = 5311;
constexpr const char* kDecimalsNames[] = {"0", "1", "2", "3", "4", "5", "6", "F", "T", "M"};

bool IsCount(int32_t type) { return type == kCompsCards || type == kCompsLines; }

}  // namespace

void T_Comps::OpenColumnsPage() {
  ClosePanelPage();
  T_EventHandler* parent = modeItem ? static_cast<T_EventHandler*>(modeItem) : this;
  auto keep = [this](T_GrafElement* item) {
    if (item && panelItemCount < 16) panelItems[panelItemCount++] = item;
  };
  const CompsColumn& c = options.columns[pageType];
  keep(new (std::nothrow)
           T_Chooser(parent, {6, 24, 150, 15}, kTypeChooser, kCompsTypeCount, pageType, true));
  auto* show = new (std::nothrow) T_Checkbox(parent, {170, 24, 90, 15}, kShowBox, true);
  if (show) {
    show->SetLabelId(3109);
    show->SetChecked(c.shown != 0);
  }
  keep(show);
  auto* sublevels =
      new (std::nothrow) T_Chooser(parent, {6, 44, 150, 15}, kSublevelsChooser, 2, c.sublevels, true);
  if (sublevels) sublevels->SetTitleId(5210);
  keep(sublevels);
  if (!IsCount(pageType)) {
    auto* decimals = new (std::nothrow)
        T_Chooser(parent, {170, 44, 90, 15}, kDecimalsChooser, 10, c.decimals, true);
    if (decimals) decimals->SetTitleId(3112);
    keep(decimals);
    auto* negative = new (std::nothrow)
        T_Chooser(parent, {6, 64, 150, 15}, kNegativeChooser, 3, c.negative, true);
    if (negative) negative->SetTitleId(3113);
    keep(negative);
    auto* colour =
        new (std::nothrow) T_Chooser(parent, {170, 64, 90, 15}, kColourChooser, 3, c.colour, true);
    if (colour) colour->SetTitleId(3115);
    keep(colour);
  }
  auto* bold = new (std::nothrow) T_Checkbox(parent, {6, 84, 150, 15}, kBoldBox, true);
  if (bold) {
    bold->SetLabelId(3111);
    bold->SetChecked(c.bold != 0);
  }
  keep(bold);
  openPanelPage = kCompsPageColumns;
}

void T_Comps::OpenSortingPage() {
  ClosePanelPage();
  T_EventHandler* parent = modeItem ? static_cast<T_EventHandler*>(modeItem) : this;
  int64_t current = 0;
  int64_t count = 1;
  for (int32_t t = 0; t < kCompsTypeCount; ++t) {
    if (!options.columns[t].shown) continue;
    if (t == options.sortColumn) current = count;
    ++count;
  }
  auto* column =
      new (std::nothrow) T_Chooser(parent, {6, 24, 180, 15}, kSortColumnChooser, count, current, true);
  if (column && panelItemCount < 16) panelItems[panelItemCount++] = column;
  const bool byValue = options.sortColumn >= 0;
  auto* order = new (std::nothrow)
      T_Chooser(parent, {200, 24, 140, 15}, kSortOrderChooser, byValue ? 6 : 5,
                byValue ? options.valueOrder : options.componentOrder, true);
  if (order && panelItemCount < 16) panelItems[panelItemCount++] = order;
  openPanelPage = kCompsPageSorting;
}

// The type of the n-th item of the sort column chooser (item 0: -1, the component order).
static int32_t SortItemType(const CompsOptions& o, int64_t item) {
  int64_t n = 0;
  for (int32_t t = 0; t < kCompsTypeCount; ++t) {
    if (!o.columns[t].shown) continue;
    if (++n == item) return t;
  }
  return -1;
}

bool T_Comps::PageChooserEvent(uint32_t id, ChooserEvent* record) {
  const int64_t i = record->index;
  if (record->code == kChooserDescribe) {
    switch (id) {
      case kTypeChooser: {
        T_TextBuf text;
        TextBufAssign(&text, options.columns[i].shown ? "\xE2\x9C\x93 " : "   ");
        TextBufAppend(&text, GetString(static_cast<int32_t>(kCompsFirstTitle + i)));
        ChooserEvent_SetText(record, text.data);
        return true;
      }
      case kSublevelsChooser:
        ChooserEvent_SetText(record, GetString(i ? 5212 : 5211));
        return true;
      case kDecimalsChooser:
        ChooserEvent_SetText(record, kDecimalsNames[i % 10]);
        return true;
      case kNegativeChooser:
        ChooserEvent_SetText(record, i == 0 ? "-1" : i == 1 ? "+1 / -1" : "(1)");
        return true;
      case kColourChooser:
        ChooserEvent_SetText(record, GetString(i == 0 ? 3114 : i == 1 ? 3116 : 3117));
        return true;
      case kSortColumnChooser: {
        const int32_t type = SortItemType(options, i);
        if (type < 0) {
          T_TextBuf title;
          ViewTitle(&title);
          ChooserEvent_SetText(record, title.data);
        } else {
          ChooserEvent_SetText(record, GetString(kCompsFirstTitle + type));
        }
        return true;
      }
      case kSortOrderChooser:
        if (options.sortColumn >= 0)
          LabelValueOrderItem(record);
        else
          LabelTreeOrderItem(record);
        return true;
      default:
        return false;
    }
  }
  if (record->code != kChooserChosen) return id >= kTypeChooser && id <= kSortOrderChooser;
  CompsColumn& c = options.columns[pageType];
  switch (id) {
    case kTypeChooser:
      pageType = static_cast<int32_t>(i);
      OpenColumnsPage();
      return true;
    case kSublevelsChooser:
      c.sublevels = static_cast<int32_t>(i);
      break;
    case kDecimalsChooser:
      c.decimals = static_cast<int32_t>(i);
      break;
    case kNegativeChooser:
      c.negative = static_cast<int32_t>(i);
      break;
    case kColourChooser:
      c.colour = static_cast<int32_t>(i);
      break;
    case kSortColumnChooser:
      options.sortColumn = SortItemType(options, i);
      ApplySort();
      OpenSortingPage();
      return true;
    case kSortOrderChooser:
      if (options.sortColumn >= 0)
        options.valueOrder = static_cast<int32_t>(i);
      else
        options.componentOrder = static_cast<int32_t>(i);
      ApplySort();
      return true;
    default:
      return false;
  }
  // Display settings need no new values.
  InvalidateGrid();
  return true;
}

bool T_Comps::PageCheckbox(uint32_t id, bool checked) {
  if (id == kShowBox) {
    ShowColumn(pageType, checked);
    return true;
  }
  if (id == kBoldBox) {
    options.columns[pageType].bold = checked ? 1 : 0;
    BuildFields();
    return true;
  }
  return false;
}
