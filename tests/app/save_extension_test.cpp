// The extension a save kind gives a file name, replaced or only added where there is none.
#include <gtest/gtest.h>

#include "app/save_extension.h"
#include "database/save_options.h"

namespace {

TEST(SaveExtension, ByKindReplacedOrAddedWhereMissing) {
  const struct {
    const char* path;
    int32_t kind;
    const char* set;
    const char* ensured;
  } cases[] = {
      {"C:\\data\\ledger.qeb", kSaveKindText, "C:\\data\\ledger.qex", "C:\\data\\ledger.qeb"},
      {"C:\\data\\ledger.qex", kSaveKindContainer, "C:\\data\\ledger.qeb", "C:\\data\\ledger.qex"},
      {"C:\\data\\ledger", kSaveKindSie, "C:\\data\\ledger.si", "C:\\data\\ledger.si"},
      {"C:\\data\\ledger", kSaveKindBrowser, "C:\\data\\ledger.qeb", "C:\\data\\ledger.qeb"},
      {"C:\\data\\ledger", kSaveKindTemplates, "C:\\data\\ledger.qeb", "C:\\data\\ledger.qeb"},
      {"ledger.2024", kSaveKindText, "ledger.qex", "ledger.2024"},  // a dot within 5 characters
      {"ledger.backup", kSaveKindText, "ledger.backup.qex", "ledger.backup.qex"},  // not within 5
      {"C:\\v1.2\\ledger", kSaveKindText, "C:\\v1.2\\ledger.qex", "C:\\v1.2\\ledger.qex"},
      {"ledger.", kSaveKindText, "ledger.qex", "ledger."},
  };
  for (const auto& c : cases) {
    T_TextBuf path(c.path);
    SetSaveExtension(&path, c.kind);
    EXPECT_STREQ(path.c_str(), c.set) << c.path << " " << c.kind;
    TextBufAssign(&path, c.path);
    EnsureSaveExtension(&path, c.kind);
    EXPECT_STREQ(path.c_str(), c.ensured) << c.path << " " << c.kind;
  }
}

}  // namespace
