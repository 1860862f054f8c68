#include <gtest/gtest.h>

#include "core/alert_handlers.h"
#include "database/base.h"

namespace {

TEST(BaseLifecycle, NewDatabaseHasDefaultsAndEmptyModel) {
  T_NoAlerts quiet;
  auto* base = new T_Base(nullptr, 0);
  EXPECT_EQ(base->cardDigits, 3);
  EXPECT_EQ(base->listWidth1, 47);
  EXPECT_EQ(base->listWidth2, 52);
  for (int32_t code : base->decimalsCodes) EXPECT_EQ(code, 2);
  EXPECT_EQ(base->valueCount, 1);
  EXPECT_EQ(base->referenceOffset, 32);
  EXPECT_EQ(base->referenceWidth, 2);
  EXPECT_EQ(base->xmlErrors, 1);
  EXPECT_EQ(base->componentPool.count, kDimensionCount);
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    auto* root = reinterpret_cast<ComponentRecord*>(PagedArrayAt(&base->componentPool, d));
    EXPECT_EQ(root->number, d);
    EXPECT_EQ(root->prevSibling, root);
    EXPECT_EQ(root->parent, nullptr);
    EXPECT_EQ(base->dimensions[d]->number, d);
  }
  EXPECT_EQ(base->sentinelCard->next, base->sentinelCard);
  EXPECT_EQ(base->dateRing->firstCard, base->sentinelCard);
  EXPECT_EQ(FirstBase(), base);
  delete base;
  EXPECT_EQ(FirstBase(), nullptr);
}

}  // namespace
