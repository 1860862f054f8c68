// After each path a password takes, a scan of the process's committed private memory (images
// left out) finds the password neither in UTF-8 nor in UTF-16. The needle is kept masked, so the
// scan never finds itself; the clear text exists only in a stack buffer that is wiped after use.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>

#include "core/files.h"
#include "database/base.h"
#include "database/opening.h"
#include "database/protection.h"
#include "database/save_options.h"
#include "database/saving.h"
#include "editors/password_dialog.h"
#include "editors/protection_editor.h"
#include "editors/web_user_editor.h"
#include "database/web_users.h"
#include "core/owned_text.h"
#include "ui/list_box.h"
#include "ui/native_menu.h"
#include "tests/editors/editors_fixture.h"
#include "ui/edit_field.h"

namespace editors_test {
namespace {

constexpr uint8_t kMask = 0x5A;
// "Qx7-Vorpal-Tiger-93", each byte XOR kMask.
constexpr uint8_t kMasked[] = {0x0B, 0x22, 0x6D, 0x77, 0x0C, 0x35, 0x28, 0x2A, 0x3B, 0x36,
                               0x77, 0x0E, 0x33, 0x3D, 0x3F, 0x28, 0x77, 0x63, 0x69};
constexpr size_t kLength = sizeof kMasked;

// The clear password into a caller's buffer of at least kLength + 1 bytes.
void Unmask(char* clear) {
  for (size_t i = 0; i < kLength; ++i) clear[i] = static_cast<char>(kMasked[i] ^ kMask);
  clear[kLength] = 0;
}

void Wipe(char* clear) {
  volatile char* p = clear;
  for (size_t i = 0; i <= kLength; ++i) p[i] = 0;
}

bool MatchesAt(const uint8_t* p, const uint8_t* end, size_t step) {
  if (static_cast<size_t>(end - p) < kLength * step) return false;
  for (size_t i = 0; i < kLength; ++i) {
    if ((p[i * step] ^ kMask) != kMasked[i]) return false;
    if (step == 2 && p[i * step + 1] != 0) return false;
  }
  return true;
}

// Where the password stands in committed private memory ("utf8@address", "utf16@address").
std::string Found() {
  std::string found;
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  auto* address = static_cast<uint8_t*>(system.lpMinimumApplicationAddress);
  MEMORY_BASIC_INFORMATION region;
  while (address < system.lpMaximumApplicationAddress &&
         VirtualQuery(address, &region, sizeof region) == sizeof region) {
    auto* base = static_cast<uint8_t*>(region.BaseAddress);
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_WRITECOPY;
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE && (region.Protect & readable) &&
        !(region.Protect & (PAGE_GUARD | PAGE_NOACCESS))) {
      const uint8_t* end = base + region.RegionSize;
      for (const uint8_t* p = base; p < end; ++p) {
        if ((*p ^ kMask) != kMasked[0]) continue;
        if (MatchesAt(p, end, 1))
          found += "utf8@" + std::to_string(reinterpret_cast<uintptr_t>(p)) + " ";
        if (MatchesAt(p, end, 2))
          found += "utf16@" + std::to_string(reinterpret_cast<uintptr_t>(p)) + " ";
      }
    }
    address = base + region.RegionSize;
  }
  return found;
}

using PasswordMemory = EditorTest;

TEST_F(PasswordMemory, ScanFindsAPasswordThatIsLeftBehind) {
  char clear[kLength + 1];
  Unmask(clear);
  EXPECT_NE(Found(), "");
  Wipe(clear);
  EXPECT_EQ(Found(), "");
}

TEST_F(PasswordMemory, ProtectionObjectsKeepNoClearCopy) {
  char clear[kLength + 1];
  Unmask(clear);
  SetProtectionPassword(base->protection, clear);
  Wipe(clear);
  EXPECT_EQ(Found(), "") << "set";
  Protection* copy = ProtectionCreate(base);
  InstallProtection(copy, base->protection);
  EXPECT_EQ(copy->checkValue, base->protection->checkValue);
  ProtectionFree(copy);
  EXPECT_EQ(Found(), "") << "installed";
}

TEST_F(PasswordMemory, TheProtectionWindowKeepsNoClearCopy) {
  char clear[kLength + 1];
  Unmask(clear);
  SetProtectionPassword(base->protection, "old");
  PasswordAnswerInAdvance("old");
  T_PwEditor* editor = OpenProtectionEditor(base);
  ASSERT_NE(editor, nullptr);
  editor->edit->SetText(clear);
  Wipe(clear);
  alerts->answers.push_back(712);  // Change
  EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 0));
  EXPECT_EQ(Found(), "");
  EXPECT_TRUE(IsProtected(base->protection));
}

TEST_F(PasswordMemory, ThePasswordDialogKeepsNoClearCopy) {
  SetProtectionPassword(base->protection, "other");
  for (bool ok : {true, false}) {
    SCOPED_TRACE(ok ? "OK" : "Cancel");
    WhileModal([ok](T_Window* window) {
      char clear[kLength + 1];
      Unmask(clear);
      static_cast<T_PwEnter*>(window)->edit->SetText(clear);
      Wipe(clear);
      PressButton(window, ok ? kDialogOkId : kDialogCancelId);
    });
    EXPECT_FALSE(AskPasswordToShow(base->protection));
    PendingErrorClear();
    EXPECT_EQ(Found(), "");
  }
}

TEST_F(PasswordMemory, ThePasswordCommandKeepsNoClearCopy) {
  char command[kLength + 16] = "password ";
  Unmask(command + 9);
  base->RunCommandText(command, "t");
  volatile char* p = command;
  for (size_t i = 0; i < sizeof command; ++i) p[i] = 0;
  EXPECT_NE(base->protection->checkValue, 0);
  EXPECT_EQ(Found(), "");
}

// The container and the text form: both hold the password's line in clear on its way.
TEST_F(PasswordMemory, SavingAndOpeningAProtectedFileKeepNoClearCopy) {
  const struct {
    int32_t kind;
    const char* extension;
  } kinds[] = {{kSaveKindContainer, ".qeb"}, {kSaveKindText, ".qex"}};
  for (const auto& kind : kinds) {
    SCOPED_TRACE(kind.extension);
    char clear[kLength + 1];
    Unmask(clear);
    SetProtectionPassword(base->protection, clear);
    T_TextBuf path;
    MakeTempFileName(&path);
    TextBufAppend(&path, kind.extension);
    SaveOptions options;
    SaveOptionsInit(&options, base);
    SaveOptionsFromBase(&options, base);
    options.kind = kind.kind;
    ASSERT_TRUE(saveByKind(base, path.c_str(), &options));
    SaveOptionsFree(&options);
    EXPECT_EQ(Found().empty(), false) << "the clear buffer still stands: the scan sees it";
    PasswordAnswerInAdvance(clear);
    Wipe(clear);
    EXPECT_EQ(Found(), "") << "saved";
    T_Base* opened = openDatabase(path.c_str(), nullptr, 0);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->protection->checkValue, base->protection->checkValue);
    DeleteBase(opened, kCloseSilently);
    EXPECT_EQ(Found(), "") << "opened";
    DeleteFileA(path.c_str());
  }
}

// Copy and paste go through the clipboard too: Wine keeps copies of the clipboard's text in the
// process (its UTF-16 data and a UTF-8 rendering) out of the program's reach, so those steps are
// not scanned here; their streams wipe as the duplicate's do.
TEST_F(PasswordMemory, WebUsersDuplicatedExportedAndImportedLeaveNoClearCopy) {
  T_TextBuf path;
  MakeTempFileName(&path);
  const char* steps[] = {"open", "duplicate", "export", "import"};
  for (size_t last = 0; last < std::size(steps); ++last) {
    SCOPED_TRACE(steps[last]);
    char clear[kLength + 1];
    Unmask(clear);
    // "ann" comes first and is the user the editor shows: the secret never stands in a field.
    for (const char* name : {"ann", "zed"}) {
      WebUser* user = WebUserAt(base->webUsers, WebUserAdd(base->webUsers));
      BlockTextAssign(&user->name, name);
      BlockTextAssign(&user->password, name[0] == 'z' ? clear : "plain");
    }
    Wipe(clear);
    T_WebUserEditor* editor = OpenWebUsersEditor(base);
    ASSERT_NE(editor, nullptr);
    Window_DropFocus(editor);
    for (size_t step = 1; step <= last; ++step) {
      editor->list->SelectAll();
      editor->ShowSelection();
      if (step == 2) {
        editor->Export(path.c_str(), 0);
      } else if (step == 3) {
        editor->ImportFile(path.c_str());
      } else {
        EXPECT_TRUE(editor->DoCommand(kCommandDuplicate));
      }
    }
    EXPECT_TRUE(EventHandler_CloseAndDelete(editor, 3));
    while (WebUserCount(base->webUsers) > 0) WebUserRemove(base->webUsers, 0);
    EXPECT_EQ(Found(), "");
  }
  DeleteFileA(path.c_str());
}

}  // namespace
}  // namespace editors_test
