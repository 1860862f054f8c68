#include "import/setup_editing.h"

#include <string>
#include <vector>

#include "editors/editor_questions.h"
#include "opensave/opensave_fixture.h"

namespace {

class SetupEditing : public OpenSaveTest {
 protected:
  void SetUp() override {
    OpenSaveTest::SetUp();
    base = new T_Base(nullptr, 0);
    base->valueCount = 3;
  }
  void TearDown() override {
    DeleteBase(base, kCloseSilently);
    OpenSaveTest::TearDown();
  }
  void Read(ImportSetup* setup, const std::string& lines) {
    T_IStream in;
    in.CtorFromMemory(lines.data(), static_cast<int64_t>(lines.size()));
    ReadImportSetup(setup, &in);
  }
  std::string Names() {
    std::string names;
    for (ImportSetup* s = base->importSetups; s != nullptr; s = s->next)
      names += std::string(s->name) + ";";
    return names;
  }
  T_Base* base = nullptr;
};

// A copied line definition pasted into another setup comes out equal; a block of garbage pastes
// as an empty one, and a text without the mark offers no paste.
TEST_F(SetupEditing, LineDefinitionsThroughTheClipboardText) {
  ImportSetup* from = ImportSetupCreate(base, "From");
  Read(from,
       "L1\tF2\r\nL3\tF3\tT100\tS-\t+\tB2\tE4\r\nLZ\tF9\r\nLVA\tF4\tS*\t+\tF5\r\nLVC\tF6\r\n"
       "V\t1\t2\t0.5\r\nZK\r\nZC\tU\r\nZF3\t6\r\nZN1\tN\r\nZS3\tT\r\n");
  T_TextBuf text;
  LineDefinitionText(base, from->lines, &text);
  EXPECT_EQ(std::string(text.c_str(), 15), "## Linefields\r\n");
  ImportSetup* into = ImportSetupCreate(base, "Into");
  EXPECT_TRUE(HoldsLineDefinition(text.c_str()));
  LineDef* pasted = PasteLineDefinition(into, text.c_str());
  ASSERT_NE(pasted, nullptr);
  EXPECT_TRUE(LineDefEqual(pasted, from->lines));
  LineDef* twin = DuplicateLineDefinition(into, pasted);
  EXPECT_TRUE(LineDefEqual(twin, from->lines));
  EXPECT_EQ(ImportSetupLineAt(into, 1), twin);

  LineDef* garbage =
      PasteLineDefinition(into, "junk\r\n## Linefields\r\n\x01\xFF\tzz\r\nL99\tF1\r\n");
  ASSERT_NE(garbage, nullptr);
  EXPECT_FALSE(LineDefIsSet(garbage));
  EXPECT_FALSE(HoldsLineDefinition("L1\tF2\r\n"));
  EXPECT_EQ(PasteLineDefinition(into, "L1\tF2\r\n"), nullptr);
}

TEST_F(SetupEditing, TheSaveStepAsksAndWritesBack) {
  ImportSetup* saved = nullptr;
  // A new setup nobody changed closes without a question.
  ImportSetup fresh;
  EXPECT_TRUE(ImportSetupSaveStep(base, nullptr, &fresh, "", nullptr, &saved));
  EXPECT_TRUE(user.asked.empty());
  EXPECT_EQ(saved, nullptr);

  // An empty name becomes "Import Setup", then "Import Setup 1"; "Add" makes them.
  user.answers[kAskAdd] = kButtonAdd;
  for (const char* expected : {"Import Setup", "Import Setup 1"}) {
    ImportSetup edited;
    edited.rowsPerCard = 2;
    ASSERT_TRUE(ImportSetupSaveStep(base, nullptr, &edited, "  ", nullptr, &saved));
    ASSERT_NE(saved, nullptr);
    EXPECT_STREQ(saved->name, expected);
    EXPECT_EQ(saved->rowsPerCard, 2u);
  }
  EXPECT_EQ(user.asked, (std::vector<int32_t>{kAskAdd, kAskAdd}));
  EXPECT_EQ(user.TextOf(kAskAdd), "Are you sure you want to add\r\"Import Setup\"?");

  // Cancel keeps the window; a rename with "Change" moves the setup to its sorted place.
  ImportSetup* first = FindImportSetup(base, "Import Setup");
  ImportSetup edited;
  ImportSetupCopy(&edited, first);
  user.answers[kAskChange] = kButtonCancel;
  EXPECT_FALSE(ImportSetupSaveStep(base, first, &edited, "Zeta", nullptr, &saved));
  EXPECT_EQ(Names(), "Import Setup;Import Setup 1;");
  user.answers[kAskChange] = kButtonChange;
  ASSERT_TRUE(ImportSetupSaveStep(base, first, &edited, "Zeta", nullptr, &saved));
  EXPECT_EQ(saved, first);
  EXPECT_EQ(Names(), "Import Setup 1;Zeta;");
  // "Add" on an existing setup makes a new one of the edited name; "Don't Change" writes nothing.
  edited.rowsPerLine = 3;
  user.answers[kAskChange] = kButtonAdd;
  ASSERT_TRUE(ImportSetupSaveStep(base, first, &edited, "Zeta", nullptr, &saved));
  EXPECT_NE(saved, first);
  EXPECT_EQ(Names(), "Import Setup 1;Zeta;Zeta 1;");
  EXPECT_EQ(first->rowsPerLine, 1u);
  edited.rowsPerLine = 4;
  user.answers[kAskChange] = kButtonDontChange;
  ASSERT_TRUE(ImportSetupSaveStep(base, first, &edited, "Zeta", nullptr, &saved));
  EXPECT_EQ(first->rowsPerLine, 1u);
}

// Switching parent links to code paths empties "LP" on saving; a setup left at every default is
// dropped when its editor goes.
TEST_F(SetupEditing, DimensionSetupsSaveAndGo) {
  DimImportSetup* setup = DimImportCreate(base, 2);
  DimImportSetup copy;
  copy.hierarchy = 3;
  copy.levelOrParent.fieldNumber = 4;
  user.answers[kAskChange] = kButtonChange;
  ASSERT_TRUE(DimImportSaveStep(setup, &copy, "Import Setup for Dim 3", nullptr));
  EXPECT_EQ(setup->levelOrParent.fieldNumber, 4u);
  copy.hierarchy = 0;
  ASSERT_TRUE(DimImportSaveStep(setup, &copy, "Import Setup for Dim 3", nullptr));
  EXPECT_FALSE(setup->levelOrParent.IsSet());
  EXPECT_EQ(user.asked.size(), 2u);
  ASSERT_TRUE(DimImportSaveStep(setup, &copy, "Import Setup for Dim 3", nullptr));
  EXPECT_EQ(user.asked.size(), 2u);  // unchanged: no question
  DimImportEditorGone(setup);
  EXPECT_EQ(base->dimImports[2], nullptr);
}

}  // namespace
