// Stand-ins until each part lands; each part deletes its own stand-ins here.
#include "database/base.h"
#include "database/model_links.h"

bool RaiseReferenceWidth(T_Base*, int32_t) { return false; }
void RecomputeLineSlots(T_Base*) {}
void ClearDeletedComponentReferences(T_Base*, int32_t, const BitVector*) {}
void RaiseCardDigitsToFit(T_Base*) {}

void DimensionRecordOnChange(DimensionRecord*, const ChangeNote*) {}

bool DateRefOnNotify(DateRef*, const ChangeNote*, T_GrafElement*) { return false; }

void TimeScaleOnChange(TimeScale*, const ChangeNote*) {}

void T_Base::GetCardIdBound(CardId* id, int32_t side) {
  (void)side;
  *id = CardId{};
}
