// The transform over an open card editor: its rows and header change, the stored card does not.
#include <string>

#include "analysis/cards/transform.h"
#include "tests/analysis/cards/card_editor/card_editor_fixture.h"

namespace card_test {
namespace {

using EditorTransform = CardEditorTest;

TEST_F(EditorTransform, RulesRewriteTheRowsAndHeaderButNotTheStoredCard) {
  T_CardEditor* editor = Open("240110-1");
  ASSERT_NE(editor, nullptr);
  std::string stored = Cards();
  T_Transform transform(editor);
  EXPECT_EQ(transform.rowCount, 3);
  EXPECT_EQ(transform.defaultSourceStart.date, PackDate(2024, 1, 10));
  for (const char* token : {"TF=<", "TT=Paid: ", "LF=rent", "LT=Lease", "V=Amount*2", "D1=U2",
                            "D3=\\"}) {
    EXPECT_TRUE(Transform_parseOption(&transform, token)) << token;
  }
  refuseSignature = true;  // the editor's transform takes no stamp
  ASSERT_TRUE(Transform_run(&transform));
  EXPECT_STREQ(editor->title, "Paid: Rent January");
  std::vector<std::string> rows = Rows(editor);
  std::string all;
  for (const std::string& row : rows) all += row + "\n";
  EXPECT_NE(all.find("|2,000.00|1.00|"), std::string::npos) << all;
  EXPECT_NE(all.find("Lease"), std::string::npos) << all;
  EXPECT_EQ(all.find("Alpha"), std::string::npos) << all;  // the project removed
  EXPECT_EQ(all.find("North"), std::string::npos) << all;  // every group now U2
  EXPECT_EQ(Cards(), stored);
}

}  // namespace
}  // namespace card_test
