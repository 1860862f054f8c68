#pragma once
// The automation server in-process: the application shell's fixture, COM started on the test's
// thread, HKEY_CLASSES_ROOT redirected to a scratch key beside the user and machine roots (so the
// registration and the type library never reach the prefix), the server's flags and clock back
// at their defaults, and helpers that make objects as the class factories do.
#include <windows.h>
// After windows.h, which they need.
#include <oaidl.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>

#include "app/com_calls.h"
#include "app/com_server.h"
#include "app/file_association.h"
#include "app/run_application.h"
#include "app_fixture.h"
#include "com_texts.h"
#include "qeb_automation.h"

namespace app_test {

class ComTest : public AppTest {
 protected:
  static void SetUpTestSuite() {
    // The program's desktop is made with the first window, from settings of the real user
    // hive: make it before any test redirects the roots.
    DestroyWindow(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                  nullptr));
  }
  void SetUp() override {
    AppTest::SetUp();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    std::wstring path = registry.Path() + L"\\classes";
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &classes_, nullptr),
              ERROR_SUCCESS);
    const DWORD mark = 1;
    RegSetValueExW(classes_, L"QEB scratch", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&mark),
                   sizeof mark);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_), ERROR_SUCCESS);
    ASSERT_EQ(RegQueryValueExW(HKEY_CLASSES_ROOT, L"QEB scratch", nullptr, nullptr, nullptr,
                               nullptr),
              ERROR_SUCCESS)
        << "HKEY_CLASSES_ROOT could not be redirected";
    SetEmbedded(false);
    SetComServerAvailable(false);
    SetComIndicators(true);
    ResetServerIdle();
    now = 1000;
    SetComClock([] { return now; });
  }
  void TearDown() override {
    RevokeClassObjects();
    ResetServerIdle();
    SetComClock(nullptr);
    SetEmbedded(false);
    SetComServerAvailable(false);
    EXPECT_EQ(LiveObjects(), 0) << "an object was left alive";
    EXPECT_EQ(ServerLocks(), 0);
    SetAssociationKeyCreator(nullptr);
    CoUninitialize();
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegCloseKey(classes_);
    AppTest::TearDown();
  }

  template <class Interface>
  Interface* Make(REFCLSID classId, REFIID iid) {
    Interface* object = nullptr;
    EXPECT_EQ(CreateComObject(classId, nullptr, iid, reinterpret_cast<void**>(&object)), S_OK);
    return object;
  }

  static inline uint64_t now = 0;
  HKEY classes_ = nullptr;
};

}  // namespace app_test
