// The aggregate dialog: the tab pages "Time Resolution", "Dimensions" and "Options", their
// controls and the buttons.
#include <cstring>

#include "analysis/cards/aggregator.h"
#include "analysis/cards/transform.h"
#include "core/alert.h"
#include "core/localized_text.h"
#include "core/placeholders.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/time_scale.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/document_window.h"
#include "ui/edit_field.h"
#include "ui/frame_items.h"
#include "ui/tab_strip.h"

namespace {

constexpr int32_t kTextPages[] = {6120, 2525, 1138};  // Time Resolution, Dimensions, Options
constexpr int32_t kTextCardTitle = 3102;
constexpr int32_t kTextCardDate = 6121;
constexpr int32_t kTextPeriodNames = 6122;
constexpr int32_t kTextIgnoreTexts = 6124;
constexpr int32_t kTextTextsIgnored = 6125;
constexpr int32_t kTextTextsKept = 6126;
constexpr int32_t kTextExcludeZero = 6127;
constexpr int32_t kTextZeroRemoved = 6128;
constexpr int32_t kTextZeroKept = 6129;
constexpr int32_t kTextAllComponents = 6130;
constexpr int32_t kTextNoComponents = 6131;
constexpr int32_t kTextAsExpanded = 6132;
constexpr int32_t kTextUpToLevel = 6133;
constexpr int32_t kTextFirstResolution = 6140;  // + the resolution code
constexpr int32_t kTextFirstDescription = 6200;
constexpr int32_t kTextAggregate = 2529;
constexpr int32_t kTextAdd = 714;
constexpr uint32_t kTabsId = 1;
constexpr uint32_t kResolutionId = 2;
constexpr uint32_t kTitleId = 3;
constexpr uint32_t kDateId = 4;
constexpr uint32_t kPeriodNamesId = 5;
constexpr uint32_t kSkipTextsId = 6;
constexpr uint32_t kSkipZeroId = 7;
constexpr uint32_t kFirstDimensionId = 10;
constexpr int32_t kFirstScaleEntry = 18;

// The description of a resolution: 6200 + its position among the described codes.
int32_t DescriptionOf(uint32_t resolution) {
  static const uint32_t kDescribed[] = {0, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 15, 16, 18};
  for (int32_t i = 0; i < 15; ++i) {
    if (kDescribed[i] == resolution) return kTextFirstDescription + i;
  }
  return 0;
}

bool IsSeparatorEntry(int64_t entry) { return entry == 1 || entry == 9 || entry == 14 || entry == 17; }

T_Text* Label(T_EventHandler* parent, const XYWH& rect, int32_t id) {
  auto* label = new T_Text(parent, rect, false);
  label->SetTextId(id);
  EventHandler_Open(label);
  return label;
}

}  // namespace

void T_Aggregator::ComputeDepths() {
  T_Base* base = database;
  for (int32_t d = 0; d <= dimensionCount; ++d) {
    BitVector used{};
    base->MarkUsedComponents(&used, d);
    ComponentRecord* root = ComponentAt(base, d);
    int32_t at = 0;
    depth[d] = usedDepth[d] = 0;
    for (ComponentRecord* node = CompTreeNextDepth(root, &at); node && node != root;
         node = CompTreeNextDepth(node, &at)) {
      if (at > depth[d]) depth[d] = static_cast<int16_t>(at);
      if (CompBitSet(&used, node->number) && at > usedDepth[d]) {
        usedDepth[d] = static_cast<int16_t>(at);
      }
    }
    BitVecFree(&used);
  }
  depthsKnown = 1;
}

namespace {

void ShowPage(T_Aggregator* dialog, int32_t page) {
  dialog->page = page;
  auto show = [](T_GrafElement* element, bool on) {
    if (element) element->SetVisible(on);
  };
  for (T_GrafElement* element :
       {static_cast<T_GrafElement*>(dialog->resolutionChooser), static_cast<T_GrafElement*>(dialog->titleLabel),
        static_cast<T_GrafElement*>(dialog->titleEdit), static_cast<T_GrafElement*>(dialog->dateLabel),
        static_cast<T_GrafElement*>(dialog->dateEdit), static_cast<T_GrafElement*>(dialog->periodNamesBox),
        static_cast<T_GrafElement*>(dialog->description)}) {
    show(element, page == 0);
  }
  if (page == 1 && !dialog->depthsKnown) dialog->ComputeDepths();
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    show(dialog->dimensionChoosers[d], page == 1);
    show(dialog->dimensionLabels[d], page == 1);
  }
  for (T_GrafElement* element :
       {static_cast<T_GrafElement*>(dialog->skipTextsBox), static_cast<T_GrafElement*>(dialog->skipTextsDescription),
        static_cast<T_GrafElement*>(dialog->skipZeroBox), static_cast<T_GrafElement*>(dialog->skipZeroDescription)}) {
    show(element, page == 2);
  }
}

void UpdateResolutionPage(T_Aggregator* dialog) {
  uint32_t r = dialog->resolution;
  if (dialog->titleEdit) {
    Item_SetEnabled(dialog->titleLabel, r != kResolutionCards);
    Item_SetEnabled(dialog->titleEdit, r != kResolutionCards);
    Item_SetEnabled(dialog->periodNamesBox, (r >= 2 && r <= 13) || r == kResolutionTimeScale);
    Item_SetEnabled(dialog->dateLabel, r == kResolutionSingleCard);
    Item_SetEnabled(dialog->dateEdit, r == kResolutionSingleCard);
    dialog->description->SetTextId(DescriptionOf(r));
  }
  if (dialog->skipTextsDescription) {
    dialog->skipTextsDescription->SetTextId(dialog->skipLineTexts ? kTextTextsIgnored
                                                                   : kTextTextsKept);
    dialog->skipZeroDescription->SetTextId(dialog->skipZeroLines ? kTextZeroRemoved
                                                                  : kTextZeroKept);
  }
}

}  // namespace

void BuildAggregateControls(T_Aggregator* dialog) {
  T_Base* base = dialog->database;
  int64_t entries = kFirstScaleEntry + base->CountTimeScales();
  int64_t current = dialog->resolution == kResolutionTimeScale
                        ? kFirstScaleEntry + base->IndexOfTimeScale(dialog->timeScale)
                        : dialog->resolution;
  dialog->resolutionChooser =
      new T_Chooser(dialog, XYWH{24, 40, 220, 20}, kResolutionId, entries, current, true);
  dialog->resolutionChooser->SetTitleId(kTextPages[0]);
  dialog->titleLabel = Label(dialog, XYWH{24, 72, 100, 16}, kTextCardTitle);
  dialog->titleEdit = new T_Edit(dialog, XYWH{130, 70, 270, 20}, kTitleId, true, true);
  dialog->titleEdit->SetText(dialog->title.c_str());
  dialog->dateLabel = Label(dialog, XYWH{24, 98, 100, 16}, kTextCardDate);
  dialog->dateEdit = new T_Edit(dialog, XYWH{130, 96, 120, 20}, kDateId, true, true);
  T_TextBuf date;
  DateRefNormalize(&dialog->cardDate, &date);
  dialog->dateEdit->SetText(date.c_str());
  dialog->periodNamesBox =
      Dialog_AddCheckbox(dialog, XYWH{24, 124, 300, 18}, kPeriodNamesId, kTextPeriodNames,
                         dialog->periodNames != 0);
  dialog->description = Label(dialog, XYWH{24, 150, dialog->width - 48, 60}, 0);
  dialog->ComputeDepths();
  int32_t y = 40;
  for (int32_t d = 0; d <= dialog->dimensionCount && d < kDimensionCount; ++d) {
    auto* label = new T_Text(dialog, XYWH{24, y + 2, 120, 16}, false);
    label->SetTextCopy(base->GetDimPlural(d));
    EventHandler_Open(label);
    dialog->dimensionLabels[d] = label;
    dialog->dimensionChoosers[d] = new T_Chooser(
        dialog, XYWH{150, y, 250, 20}, kFirstDimensionId + static_cast<uint32_t>(d),
        dialog->depth[d] < 2 ? 2 : 4 + dialog->depth[d],
        dialog->coarsening[d],
        true);
    y += 24;
  }
  dialog->skipTextsBox = Dialog_AddCheckbox(dialog, XYWH{24, 40, 300, 18}, kSkipTextsId,
                                            kTextIgnoreTexts, dialog->skipLineTexts != 0);
  dialog->skipTextsDescription = Label(dialog, XYWH{44, 60, dialog->width - 68, 30}, 0);
  dialog->skipZeroBox = Dialog_AddCheckbox(dialog, XYWH{24, 100, 300, 18}, kSkipZeroId,
                                           kTextExcludeZero, dialog->skipZeroLines != 0);
  dialog->skipZeroDescription = Label(dialog, XYWH{44, 120, dialog->width - 68, 30}, 0);
  // The strip comes after its pages' controls: an earlier sibling lies in front, and the strip's
  // page would hide them.
  dialog->tabs = new T_Tab(dialog, XYWH{12, 30, dialog->width - 24, dialog->height - 110}, kTabsId,
                           3, 0, true);
  dialog->progress =
      new T_ProgressIndicator(dialog, XYWH{16, dialog->height - 60, dialog->width - 32, 10}, true);
  T_Button* run = nullptr;
  Dialog_AddButtons(dialog, &run, nullptr);
  run->SetTitleId(kTextAggregate);
  if (!dialog->ownerWindow || dialog->ownerWindow->windowKind != kWindowCardEditor) {
    auto* add = new T_Button(
        dialog, XYWH{dialog->width - 18 - 3 * 70 - 2 * 12, dialog->height - 34, 70, 20}, kOperationAddId);
    add->SetTitleId(kTextAdd);
  }
  UpdateResolutionPage(dialog);
  ShowPage(dialog, 0);
}

void T_Aggregator::Notify(int32_t code) {
  T_HDialog::Notify(code);
  if (code == kNotifyLanguage) GrafElement_Invalidate(this, 0);
}

void T_Aggregator::OnChange(const ChangeNote* note) {
  T_HDialog::OnChange(note);
  if (note->code == 11 || note->code == 27 || note->code == kChangeCards) {
    depthsKnown = 0;
    if (page == 1) ComputeDepths();
  }
}

void T_Aggregator::OnTabEvent(T_GrafElement* strip, int32_t code) {
  if (strip != tabs || !tabs->event) {
    T_HDialog::OnTabEvent(strip, code);
    return;
  }
  TabEvent* event = tabs->event;
  if (code == kTabDescribe && event->page >= 0 && event->page < 3) {
    event->text = GetString(kTextPages[event->page]);
  } else if (code == kTabChanged) {
    ShowPage(this, event->page);
  }
}

void T_Aggregator::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field == titleEdit) {
    TextBufAssignBuf(&title, text);
  } else if (field == dateEdit) {
    DateRefNormalize(&cardDate, text);
  } else {
    T_HDialog::OnEditText(text, field);
  }
}

void T_Aggregator::OnCheckbox(T_GrafElement* checkbox) {
  if (checkbox == periodNamesBox) {
    periodNames = periodNamesBox->checked;
  } else if (checkbox == skipTextsBox) {
    skipLineTexts = skipTextsBox->checked;
  } else if (checkbox == skipZeroBox) {
    skipZeroLines = skipZeroBox->checked;
  } else {
    T_HDialog::OnCheckbox(checkbox);
    return;
  }
  UpdateResolutionPage(this);
}

void T_Aggregator::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  T_Base* base = database;
  if (chooser == resolutionChooser) {
    if (record->code == kChooserDescribe) {
      if (IsSeparatorEntry(record->index)) {
        ChooserEvent_SetText(record, "-");
        record->enabled = 0;
      } else if (record->index >= kFirstScaleEntry) {
        TimeScale* scale = base->GetTimeScaleAt(record->index - kFirstScaleEntry);
        ChooserEvent_SetText(record, scale ? scale->name : "");
      } else {
        ChooserEvent_SetText(record, GetString(kTextFirstResolution + static_cast<int32_t>(record->index)));
      }
    } else if (record->code == kChooserChosen) {
      if (record->index >= kFirstScaleEntry) {
        timeScale = base->GetTimeScaleAt(record->index - kFirstScaleEntry);
        resolution = kResolutionTimeScale;
      } else {
        resolution = static_cast<uint32_t>(record->index);
      }
      UpdateResolutionPage(this);
    }
    return;
  }
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (chooser != dimensionChoosers[d]) continue;
    if (!depthsKnown) ComputeDepths();
    int64_t i = record->index;
    if (record->code == kChooserDescribe) {
      if (i == 0) {
        ChooserEvent_SetText(record, GetString(kTextAllComponents));
      } else if (i == 1) {
        ChooserEvent_SetText(record, GetString(kTextNoComponents));
      } else if (depth[d] < 2) {
        record->enabled = 0;
        ChooserEvent_SetText(record, "");
      } else if (i == 2) {
        ChooserEvent_SetText(record, GetString(kTextAsExpanded));
        const DimensionExpansionHook& hook = CurrentDimensionExpansionHook();
        record->enabled = hook.isOpen && hook.isOpen(base, d) ? 1 : 0;
      } else if (i == 3) {
        ChooserEvent_SetText(record, "-");
        record->enabled = 0;
      } else {
        int32_t level = static_cast<int32_t>(i - 3);
        T_TextBuf text(GetString(kTextUpToLevel));
        T_TextBuf number;
        TextBufAssignInt(&number, level);
        TextBufFillParamBuf(&text, 0, &number);
        ChooserEvent_SetText(record, text.c_str());
        record->enabled = level <= depth[d] && level <= usedDepth[d] ? 1 : 0;
        if (level > depth[d]) ChooserEvent_SetText(record, "");
      }
    } else if (record->code == kChooserChosen) {
      // Entry 3 + n is "up to level n", which is also its coarsening code.
      if (i != 3) coarsening[d] = static_cast<uint16_t>(i);
    }
    return;
  }
  T_HDialog::OnChooserEvent(chooser, record);
}

void T_Aggregator::OnButton(T_GrafElement* button) {
  bool handled = OperationDialog_Button(this, button, [](T_HDialog* dialog, bool add) {
    auto* aggregator = static_cast<T_Aggregator*>(dialog);
    if (aggregator->titleEdit) aggregator->titleEdit->CommitEdit();
    if (aggregator->dateEdit) aggregator->dateEdit->CommitEdit();
    aggregator->duplicate = add ? 1 : 0;
    return Aggregator_run(aggregator);
  });
  if (!handled) T_HDialog::OnButton(button);
}

void OpenAggregateDialog(T_HWindow* owner) {
  if (!owner || !owner->database) return;
  T_Aggregator dialog(owner);
  dialog.shown = 1;
  BuildAggregateControls(&dialog);
  Dialog_Run(&dialog);
}
