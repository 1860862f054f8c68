// Damaged section streams: lines dropped, fields cut, bytes flipped, tags changed, the text cut
// short. Every read ends, the model stays sound, and the database can still be written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "database/base.h"
#include "database/file_kinds.h"
#include "database/protection.h"
#include "database/save_options.h"
#include "model_walk.h"
#include "section_stream_fixture.h"

namespace {

// Every section the stream reads, with records of each kind.
const std::string kEverySection =
    "##QEB-Text\t121122\r\n\r\n"
    "##Characters\r\n"
    "U\t\xC3\x84\xC3\x81\xC3\x80\xC3\x82\xC3\x83\xC3\x86\xC3\x85 \xC3\x8B\xC3\x89\xC3\x88\xC3\x8A "
    "\xC3\x8F\xC3\x8D\xC3\x8C\xC3\x8E \xC3\x96\xC3\x93\xC3\x92\xC3\x94\xC3\x95\xC3\x98\xC5\x92"
    "\xC3\x9C\xC3\x9A\xC3\x99\xC3\x9B \xC3\x87\xC3\x91\r\n"
    "E\tUTF-8\r\nv\tQEB 5.7\r\nc\t2024-05-06 10:20:30\r\n\r\n"
    "##Protection\tpw\r\n"
    "##WebUsers\r\nU\tann\tpw\r\nSB\t1\r\n\r\n"
    "##BaseOptions\r\nCN\t3\r\nCD\t2\tF\tT\r\nCT\tVoucher\r\nLV\tA\tB\r\nLN\t3\r\nLH\r\n"
    "R\tMonth-1\r\n\r\n"
    "##TimeScale\tQ\r\n250101-1\tQ1\r\n250401-1\tQ2\r\n\r\n\r\n"
    "##SaveSetup\tS\r\nFN\r\n\r\n\r\n"
    "##ImportSetup\tI\r\nE\tUTF-8\r\n\r\n\r\n"
    "##Macro\tM\r\nM\tbeep\r\n\r\n\r\n"
    "##Dimension\t1\r\n-N\tAccount\tAccounts\r\n-S\tCHT\r\n-W\t90\r\n1\tAssets\tH1\r\n"
    "10\tCash\tH10\r\n100\tTill\r\n\r\n"
    "##DimImport\t1\r\nF\t1\r\n\r\n"
    "##Dimension\t2\r\n--\r\n-5\tMinus\r\nP1\tProject\tHP\r\n\r\n"
    "##Cards\r\n-DT\t2\r\n-LN\t3\r\n\r\n"
    "C250307-1\tFirst\r\nN2503071200AB\tnotes\x03second line\r\nS2503071200AB\t\t2503081300CD\r\n"
    "G10\r\nL12.5\t1\t2\tText\tProject\r\nH\tbank.txt\t4\r\nL-3\t\t\tMore\r\n\r\n"
    "C250307-1\tSecond\r\nG100\r\nL1\r\n\r\n"
    "##Subset\tU\r\nVN\tItem\r\nF\tItem\r\n\r\n"
    "##Templates\r\n#C\tA: B\r\nxem\t1\r\n#K\tskipped\r\n"
    "##Defaults\r\n#C\tCards\r\nxem\t1\r\n\r\n"
    "##Commands\r\nbeep\r\n"
    "##End\r\n";

uint32_t Next(uint32_t* state) {
  *state = *state * 1664525u + 1013904223u;
  return *state >> 8;
}

std::vector<size_t> LineStarts(const std::string& text) {
  std::vector<size_t> starts{0};
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\n') starts.push_back(i + 1);
  }
  return starts;
}

// One of the damages a file can suffer.
void Damage(std::string* text, uint32_t* state) {
  if (text->empty()) return;
  std::vector<size_t> starts = LineStarts(*text);
  size_t line = starts[Next(state) % starts.size()];
  size_t lineEnd = text->find('\n', line);
  if (lineEnd == std::string::npos) lineEnd = text->size();
  switch (Next(state) % 6) {
    case 0:  // a line dropped
      text->erase(line, lineEnd + 1 - line);
      break;
    case 1: {  // a field cut: the rest of the line from a TAB
      size_t contentEnd = lineEnd > line && (*text)[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
      size_t tab = text->find('\t', line);
      if (tab < contentEnd) text->erase(tab, contentEnd - tab);
      break;
    }
    case 2:  // a bit flipped anywhere
      (*text)[Next(state) % text->size()] ^= static_cast<char>(1 << (Next(state) % 8));
      break;
    case 3:  // a tag changed
      if ((*text)[line] == '#' && lineEnd - line > 3) {
        size_t at = line + 2 + Next(state) % (lineEnd - line - 2);
        (*text)[at] = static_cast<char>('A' + Next(state) % 26);
      }
      break;
    case 4:  // cut short
      text->resize(Next(state) % text->size());
      break;
    default:  // a line repeated
      text->insert(lineEnd + 1 <= text->size() ? lineEnd + 1 : text->size(),
                   text->substr(line, lineEnd + 1 - line));
      break;
  }
}

// Continue at the first question, Stop at every later one.
class ContinueThenStop : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest*) override { return asked++ == 0 ? 0 : 2; }
  bool IsUnattended() override { return false; }
  int32_t asked = 0;
};

using DamagedSections = SectionTest;

TEST_F(DamagedSections, EveryReadEndsAndLeavesASoundModel) {
  // Undamaged, the fixture reads without a question.
  T_Base whole(nullptr, 0);
  ASSERT_TRUE(Load(&whole, kEverySection));
  EXPECT_TRUE(user.asked.empty());

  // Taking a password seeds a keystream from tick timing, which takes a good part of a second:
  // the protection section stays in one round of fifty.
  std::string withoutProtection = kEverySection;
  const std::string protection = "##Protection\tpw\r\n";
  withoutProtection.erase(withoutProtection.find(protection), protection.size());
  uint32_t state = 20240506;
  for (int32_t round = 0; round < 600; ++round) {
    const bool checked = round % 50 == 0;
    std::string text = checked ? kEverySection : withoutProtection;
    for (uint32_t n = 1 + Next(&state) % 3; n > 0; --n) Damage(&text, &state);
    PendingErrorClear();
    ContinueThenStop answers;
    T_Base database(nullptr, 0);
    database.fileKind = checked ? kFileKindContainerN : kFileKindTextForm;
    database.fileVersion = kFormatDate;
    if (checked) SetProtectionPassword(database.protection, "pw");  // given at the opening
    TextInput input(text);
    readDatabaseSections(&database, &input.stream);
    SCOPED_TRACE("round " + std::to_string(round));
    ExpectModelSound(&database);
    PendingErrorClear();
    SaveOptionsFromBase(&database.saveOptions, &database);
    T_OStream out;
    EXPECT_TRUE(writeDatabaseSections(&database, &out));
    if (HasFailure()) break;
  }
}

}  // namespace
