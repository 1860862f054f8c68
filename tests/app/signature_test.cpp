// The user's signature: what SetSignature keeps of a typed text, the note that announces a
// change, and the stamp asking for the signature once per run.
#include <cstring>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "database/change_notes.h"
#include "ui/document_window.h"
#include "ui/edit_field.h"
#include "ui/small_dialogs.h"

namespace app_test {
namespace {

class T_SignatureNotes : public T_HWindow {
 public:
  explicit T_SignatureNotes(T_Base* base)
      : T_HWindow(kKindDocument, kWindowCards, &kRect, 0, base, 0) {}
  void OnChange(const ChangeNote* note) override {
    if (note->code == kChangeSignature) ++heard;
  }
  static constexpr RECT kRect{0, 0, 200, 100};
  int32_t heard = 0;
};

struct SetCase {
  const char* typed;
  int32_t answer;  // to 2100; 0: not asked
  bool result;
  const char* kept;
  bool announced;  // a signature-changed note went out
};

using SignatureTest = AppTest;

TEST_F(SignatureTest, SetSignatureTrimsBlanksControlsAndCutsOnlyWithConsent) {
  StartApplication();
  T_Base* base = new T_Base(nullptr, 1);
  auto* window = new T_SignatureNotes(base);
  const SetCase cases[] = {
      {"  ab  ", 0, true, "ab", true},
      {"ab", 0, true, "ab", false},  // the same again: set, but no note
      {"abcd", kButtonCancel, false, "ab", false},
      {"abcd", kButtonOk, true, "abc", true},
      {"\xC3\x85\xC3\x84\xC3\x96", kButtonOk, true, "\xC3\x85", true},  // "ÅÄÖ": "Å"
      {"a\tb", 0, true, "a b", true},
      {"\r\nx\n", 0, true, "x", true},
      {"", 0, true, "", true},
  };
  for (const SetCase& c : cases) {
    user.asked.clear();
    if (c.answer) user.press[2100].push_back(c.answer);
    window->heard = 0;
    EXPECT_EQ(SetSignature(c.typed, static_cast<int32_t>(std::strlen(c.typed))), c.result)
        << c.typed;
    EXPECT_EQ(std::string(CurrentSignature()), c.kept) << c.typed;
    EXPECT_EQ(user.Messages(), c.answer ? std::vector<int32_t>{2100} : std::vector<int32_t>{})
        << c.typed;
    EXPECT_EQ(window->heard > 0, c.announced) << c.typed;
    EXPECT_TRUE(SignatureSet());
  }
  delete window;
}

TEST_F(SignatureTest, TheFirstStampAsksAndACancelAsksAgainNextTime) {
  StartApplication();
  SignatureStamp stamp;
  int32_t shown = 0;
  WhileModal([&](T_Window* dialog) {
    ++shown;
    EXPECT_EQ(dialog->width, T_SignatureDlg::kWidth);
    dialogs_test::PressButton(dialog, kDialogCancelId);
  });
  EXPECT_FALSE(GetSignatureStamp(&stamp, nullptr));
  EXPECT_TRUE(SignatureStampIsEmpty(&stamp));
  EXPECT_EQ(shown, 1);

  WhileModal([&](T_Window* dialog) {
    ++shown;
    auto* field = static_cast<T_Edit*>(dialogs_test::FindItem(dialog, T_SignatureDlg::kFieldId));
    ASSERT_NE(field, nullptr);
    field->SetText(" jd ");
    dialogs_test::PressButton(dialog, kDialogOkId);
  });
  EXPECT_TRUE(GetSignatureStamp(&stamp, nullptr));
  EXPECT_EQ(shown, 2);
  EXPECT_STREQ(stamp.signature, "jd");
  EXPECT_NE(stamp.stamp, 0u);

  // Set in this run: no more questions.
  SignatureStamp again;
  EXPECT_TRUE(GetSignatureStamp(&again, nullptr));
  EXPECT_EQ(shown, 2);
  EXPECT_STREQ(again.signature, "jd");
}

TEST_F(SignatureTest, WithNobodyToAnswerNoDialogShowsAndTheStampIsRefused) {
  StartApplication();
  user.unattended = true;
  SignatureStamp stamp;
  EXPECT_FALSE(GetSignatureStamp(&stamp, nullptr));
  EXPECT_EQ(ModalListFirst(), nullptr);
  EXPECT_FALSE(SignatureSet());
}

}  // namespace
}  // namespace app_test
