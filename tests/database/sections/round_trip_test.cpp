// A database using every feature the section stream carries is written, read into a new
// database and written again: the two streams are the same bytes and the two models the same.
#include <gtest/gtest.h>

#include <string>

#include "../../core/streams/scratch_folder.h"
#include "core/packed_date.h"
#include "database/base.h"
#include "database/block_container.h"
#include "database/cards.h"
#include "database/components.h"
#include "database/dimension_options.h"
#include "database/file_kinds.h"
#include "database/line_origins.h"
#include "database/lines.h"
#include "database/protection.h"
#include "database/save_options.h"
#include "database/text_form.h"
#include "model_walk.h"
#include "section_stream_fixture.h"

namespace {

using RoundTrip = SectionTest;

const std::string kHeldSections =
    "##WebUsers\r\nU\tann\tsecret\r\n"
    "##TimeScale\tQuarters\r\n250101-1\tQ1\r\n250401-1\tQ2\r\n"
    "##SaveSetup\tMonthly\r\nFN\r\nX-\t\r\n"
    "##ImportSetup\tBank\r\nE\tUTF-8\r\n"
    "##Macro\tclose\r\nM\tclose\r\n"
    "##Subset\tBig\r\nVN\tItem 1\r\nF\tItem 1\r\n"
    "##Templates\r\n#C\tReports: Cards\r\nxeE\tUTF-8\r\n"
    "##Defaults\r\n#C\tCards\r\nxem\t1\r\n"
    "##End\r\n";

// Notes of about 9,000 bytes whose two- and three-byte characters fall across the cuts of a long
// text field, with line ends (stored as CR) and TABs inside.
std::string LongNotes(int32_t seed) {
  std::string notes;
  const char* pieces[] = {"Kv\xC3\xA4ll ",
                          "\xE2\x82\xAC"
                          "12 ",
                          "line\rnext ", "a\tb ", "x"};
  for (int32_t i = 0; notes.size() < 9000; ++i) notes += pieces[(i * 7 + seed) % 5];
  return notes + ".";  // a field loses its trailing blanks
}

void SetEveryOption(DimensionRecord* dim, int32_t d) {
  switch (d % 8) {
    case 0:
      SetSingular(dim, ("Dimension " + std::to_string(d)).c_str());
      SetPlural(dim, ("Dimensions " + std::to_string(d)).c_str());
      break;
    case 1:
      SetCodeCase(dim, kCaseLower);
      break;
    case 2:
      SetTextCase(dim, kCaseWordCaps);
      SetHostCase(dim, kCaseSensitive);
      break;
    case 3:
      SetDisplayStyle(dim, 6);
      break;
    case 4:
      SetOptionI(dim, 2);
      break;
    case 5:
      SetOptionX(dim, true);
      break;
    case 6:
      SetCodeWidth(dim, 120);
      SetHostWidth(dim, 60);
      break;
    default:
      break;
  }
}

// Components whose codes extend each other make trees five levels deep.
void AddTree(T_Base* base, int32_t d) {
  const char* stems[] = {"1", "2", "-5"};
  for (const char* stem : stems) {
    std::string code = stem;
    for (int32_t level = 0; level < 5; ++level, code += static_cast<char>('0' + level)) {
      std::string text = "Text \xC3\xB6 " + std::to_string(d) + " " + code;
      std::string host = "H" + std::to_string(d) + code;
      AddComponent(base, d, code.c_str(), text.c_str(), level % 2 == 0 ? host.c_str() : nullptr);
    }
  }
}

void BuildEveryFeature(T_Base* base) {
  TextInput held(kHeldSections);
  readDatabaseSections(base, &held.stream);

  SetValueCount(base, 24);
  for (int32_t column = 0; column < 24; ++column) base->decimalsCodes[column] = column % 10;
  base->SetValueName(3, "Net");
  base->SetCardTitleLabel("Voucher");
  base->SetReferenceDateText("Month-1");
  SetLineOrigins(base, true);

  for (int32_t d = 0; d < kDimensionCount; ++d) {
    SetEveryOption(base->dimensions[d], d);
    AddTree(base, d);
  }

  for (int32_t c = 0; c < 12; ++c) {
    CardId id{PackDate(2025, 1 + c % 12, 1 + c), 1 + c % 3};
    CardRecord* card = CreateCard(base, &id);
    ASSERT_NE(card, nullptr);
    SetCardTitle(card, ("Card \xE2\x82\xAC " + std::to_string(c)).c_str());
    if (c % 3 == 0) SetCardNotes(card, LongNotes(c).c_str());
    card->created = SignatureStamp{PackTimeStamp(2025, 1, 2, 9, 30), "AB"};
    if (c % 2 == 0) card->changed = SignatureStamp{PackTimeStamp(2025, 2, 3, 10, 0), "CD"};
    card->examined = SignatureStamp{PackTimeStamp(2025, 4, 5, 11, 15), "E"};
    for (int32_t g = 0; g < 1 + c % 3; ++g) {
      int64_t component = FindByCode(base, 0, g == 0 ? "1" : "21")->number;
      GroupRecord* group = base->FindOrAddGroup(card, component);
      for (int32_t l = 0; l < 1 + (c + g) % 3; ++l) {
        LineRecord* line = CreateLine(base, group);
        SetLineText(line, ("Line " + std::to_string(l)).c_str());
        for (int32_t column = 0; column < 24; ++column) {
          int32_t code = column % 10;
          double value = code == 0 ? 1234 + l : 1234.5 - 0.25 * (c + column);
          if (code == 1) value = -12.5;
          base->SetLineValue(line, column, value);
        }
        for (int32_t slot = 0; slot < base->lineSlots; ++slot) {
          ComponentRecord* part = FindByCode(base, slot + 1, (l + slot) % 2 ? "1123" : "-51");
          if ((l + slot) % 5 != 4) base->SetLineComponent(line, slot, part->number);
        }
        SetLineOrigin(base, line, "bank.txt", 10 * l + c);
      }
    }
  }
}

std::string SaveAll(T_Base* base) {
  SaveOptionsFromBase(&base->saveOptions, base);
  T_OStream out;
  writeDatabaseSections(base, &out);
  return Written(out);
}

TEST_F(RoundTrip, EveryFeatureComesBackTheSame) {
  SKIP_WITHOUT_CARD_RECORDS();
  BuildEveryFeature(base);
  ASSERT_FALSE(HasFailure());
  const std::string first = SaveAll(base);
  T_Base copy(nullptr, 0);
  EXPECT_TRUE(Load(&copy, first));
  EXPECT_TRUE(user.asked.empty());
  EXPECT_EQ(SaveAll(&copy), first);
  EXPECT_EQ(ModelDump(&copy), ModelDump(base));
  ExpectModelSound(&copy);
}

void BuildOptionsAndHeldSections(T_Base* base) {
  TextInput held(kHeldSections);
  readDatabaseSections(base, &held.stream);
  SetValueCount(base, 4);
  base->decimalsCodes[2] = 9;
  base->SetValueName(1, "Net \xE2\x82\xAC");
  base->SetLineTextLabel("Memo");
  base->SetReferenceDateText("250307");
  SetLineOrigins(base, true);
}

// The same without the card and dimension records: everything else already travels.
TEST_F(RoundTrip, OptionsAndHeldSectionsComeBackTheSame) {
  BuildOptionsAndHeldSections(base);
  SetProtectionPassword(base->protection, "pw");
  const std::string first = SaveAll(base);
  T_Base copy(nullptr, 0);
  EXPECT_TRUE(Load(&copy, first));
  EXPECT_EQ(SaveAll(&copy), first);
  EXPECT_EQ(ModelDump(&copy), ModelDump(base));
}

// The stream is the same whatever stores its lines: a text form and a block container.
TEST_F(RoundTrip, TheTextFormAndTheContainerCarryTheStream) {
  ScratchFolder folder;
  BuildOptionsAndHeldSections(base);
  const std::string text = folder / "a.qex";
  const std::string container = folder / "a.qeb";
  base->saveKind = kSaveKindText;
  SaveOptionsFromBase(&base->saveOptions, base);
  {
    T_HTextWrite writer;
    ASSERT_TRUE(writer.Open(text.c_str()));
    WriteTextFormTag(&writer);
    EXPECT_TRUE(writeDatabaseSections(base, &writer));
    ASSERT_TRUE(writer.Commit());
  }
  base->saveKind = kSaveKindContainer;
  SaveOptionsFromBase(&base->saveOptions, base);
  {
    T_ShifterWrite writer;
    ASSERT_TRUE(writer.Open(container.c_str(), &base->saveOptions, nullptr));
    EXPECT_TRUE(writeDatabaseSections(base, &writer));
    ASSERT_TRUE(writer.Commit());
  }

  T_Base fromText(nullptr, 0);
  fromText.fileKind = kFileKindTextForm;
  T_HTextRead textReader;
  ASSERT_TRUE(textReader.Open(text.c_str()));
  EXPECT_TRUE(readDatabaseSections(&fromText, &textReader));
  EXPECT_EQ(ModelDump(&fromText), ModelDump(base));
  EXPECT_EQ(fromText.fileInfo.computerName, nullptr);  // a text form carries no file information

  T_Base fromContainer(nullptr, 0);
  fromContainer.fileKind = kFileKindContainerN;
  T_ShifterRead containerReader(&fromContainer);
  ASSERT_TRUE(containerReader.Open(container.c_str(), kFileKindContainerN, nullptr));
  EXPECT_TRUE(readDatabaseSections(&fromContainer, &containerReader));
  EXPECT_EQ(containerReader.error, 0);
  EXPECT_EQ(ModelDump(&fromContainer), ModelDump(base));
  EXPECT_STREQ(fromContainer.fileInfo.computerName, "BUILDHOST");
}

}  // namespace
