#pragma once
// The example database, built by the example's own builder, with the cards window installed.
#include <gtest/gtest.h>

#include "analysis/cards/cards_install.h"
#include "database/base.h"
#include "database/toolkit_adapter.h"
#include "tests/analysis/boxwin/box_fixture.h"
#include "tools/make_example/example_database.h"

namespace cards_test {

class ExampleTest : public box_test::BoxTest {
 protected:
  void SetUp() override {
    BoxTest::SetUp();
    InstallDatabaseServices();
    InstallCards();
    base = BuildExampleDatabase();
    ASSERT_NE(base, nullptr);
  }
  void TearDown() override {
    DeleteBase(base, kCloseSilently);
    RemoveDatabaseServices();
    BoxTest::TearDown();
  }
  T_Base* base = nullptr;
};

}  // namespace cards_test
