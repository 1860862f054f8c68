#include "database/sie_export.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/alert.h"
#include "core/bit_vector.h"
#include "core/message_pump.h"
#include "core/packed_date.h"
#include "database/base.h"
#include "database/base_options.h"
#include "database/cards.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/file_progress.h"
#include "database/read_prompt.h"
#include "database/save_filter.h"
#include "database/save_options.h"
#include "database/sie_words.h"
#include "database/text_form.h"

namespace {

constexpr int32_t kMsgNoHostCode = 4329;
constexpr int32_t kMsgValueZero = 3514;
constexpr int64_t kStepsPerCard = 104;
constexpr int64_t kStepsPerLine = 40;
constexpr int32_t kAccountsNumber = -1;

// The components already reported without an SIE code during the export under way (by record
// number): each is reported once per export.
BitVector* reportedComponents = nullptr;

// The SIE code of the component, false for none.
bool SieCode(T_Base* base, int64_t component, T_TextBuf* code) {
  const ComponentRecord* record = ComponentAt(base, component);
  if (record->hostCode != nullptr && *record->hostCode != 0) {
    TextBufAssign(code, record->hostCode);
    return true;
  }
  if (base->saveOptions.sieFlags[kSieOwnCodes] && record->code != nullptr) {
    TextBufAssign(code, record->code);
    return true;
  }
  return false;
}

void ReportNoCode(T_Base* base, int32_t dimension, int64_t component) {
  if (reportedComponents != nullptr) {
    if (component < reportedComponents->count && BitVecGet(reportedComponents, component)) return;
    if (component >= reportedComponents->count) BitVecResize(reportedComponents, component + 1);
    if (component < reportedComponents->count) BitVecSet(reportedComponents, component, true);
  }
  const ComponentRecord* record = ComponentAt(base, component);
  AskReadErrorTexts(base, kMsgNoHostCode, record->code != nullptr ? record->code : "",
                    base->GetDimSingular(dimension));
}

void PutEightDigitDate(T_OStream* stream, PackedDate date) {
  stream->PutIntDigits(PackedDateYear(date), 4);
  stream->PutIntDigits(PackedDateMonth(date), 2);
  stream->PutIntDigits(PackedDateDay(date), 2);
}

class SieWriter {
 public:
  SieWriter(T_Base* base, T_OStream* stream) : base_(base), stream_(stream) {}

  void Write() {
    const SaveOptions& options = base_->saveOptions;
    WriteHeader(options);
    int32_t largest = 0;
    for (int32_t n : options.sieDimensionNumbers) largest = n > largest ? n : largest;
    for (int32_t n = kAccountsNumber; n <= largest && !AbortRequested(); ++n) {
      if (n != 0) WriteDimension(n);
    }
    accounts_ = DimensionOf(kAccountsNumber);
    if (options.sieFlags[kSieVouchers] && base_->cardCount > 0 && accounts_ >= 0) WriteVouchers();
  }

 private:
  // The first dimension that carries the SIE number, -1 for none.
  int32_t DimensionOf(int32_t n) const {
    for (int32_t d = 0; d < kDimensionCount; ++d) {
      if (base_->saveOptions.sieDimensionNumbers[d] == n) return d;
    }
    return -1;
  }

  void PutLabelled(const char* label, const char* text) {
    stream_->PutText(label);
    PutSieQuoted(stream_, text);
    stream_->PutNewline();
  }

  void WriteHeader(const SaveOptions& options) {
    stream_->PutLine("#FLAGGA 0");
    stream_->PutLine("#PROGRAM QEB 5.7");
    stream_->PutLine("#FORMAT PC8");
    stream_->PutText("#GEN ");
    PutEightDigitDate(stream_, PackedDateToday());
    stream_->PutNewline();
    stream_->PutLine("#SIETYP 4");
    const char* company = options.sieCompanyName;
    PutLabelled("#FNAMN  ", company != nullptr && *company != 0 ? company : "Exempel");
    if (options.sieOrganisationNumber != nullptr && *options.sieOrganisationNumber != 0)
      PutLabelled("#ORGNR  ", options.sieOrganisationNumber);
    if (options.sieRemark != nullptr && *options.sieRemark != 0)
      PutLabelled("#PROSA  ", options.sieRemark);
    stream_->PutNewline();
  }

  void WriteDimension(int32_t n) {
    const int32_t d = DimensionOf(n);
    if (d < 0) return;
    const SaveOptions& options = base_->saveOptions;
    if (!options.sieFlags[n == kAccountsNumber ? kSieAccounts : kSieDimensions]) return;
    const int32_t mode = options.sieComponentModes[d];
    if (mode == kDimSaveNone) return;
    FileProgressSetStatus(FileProgressCurrent(), kFieldPluralFirst + d);

    BitVector marked;
    bool everyComponent = mode == kDimSaveAll;
    if (!everyComponent) {
      MarkComponentsOfWrittenCards(base_, &marked, d);
      if (marked.count < base_->componentPool.count) {
        everyComponent = true;  // no memory for the set: nothing is left out
      } else if (mode == kDimSaveActive) {
        CompCloseUpward(base_, &marked);
      }
    }
    if (n != kAccountsNumber) {
      stream_->PutText("#DIM  ");
      stream_->PutInt(n);
      stream_->PutText("  ");
      PutSieQuoted(stream_, base_->GetDimSingular(d));
      stream_->PutNewline();
    }
    T_TextBuf code;
    ComponentRecord* root = ComponentAt(base_, d);
    for (ComponentRecord* c = CompTreeNext(root); c != root && !AbortRequested();
         c = CompTreeNext(c)) {
      if (!everyComponent && !CompBitSet(&marked, c->number)) continue;
      if (!SieCode(base_, c->number, &code)) {
        ReportNoCode(base_, d, c->number);
        continue;
      }
      if (n == kAccountsNumber) {
        stream_->PutText("#KONTO  ");
        WriteSieCode(base_, stream_, d, c->number);
      } else {
        stream_->PutText("#OBJEKT  ");
        stream_->PutInt(n);
        stream_->PutText("  ");
        PutSieQuoted(stream_, code.c_str());
      }
      stream_->PutText("  ");
      PutSieQuoted(stream_, c->text);
      stream_->PutNewline();
    }
    stream_->PutNewline();
    BitVecFree(&marked);
  }

  int64_t ComponentOf(const GroupRecord* group, const LineRecord* line, int32_t d) const {
    return d == 0 ? group->component : base_->GetLineComponent(line, d - 1);
  }

  void WriteVouchers() {
    T_FileWait* progress = FileProgressCurrent();
    FileProgressAddTotal(progress,
                         kStepsPerCard * base_->cardCount + kStepsPerLine * base_->lineCount);
    FileProgressSetStatus(progress, 4515);
    SaveFilter filter;
    SaveFilterBegin(&filter, base_);
    const SaveOptions& options = base_->saveOptions;
    for (CardRecord* card = base_->sentinelCard->next;
         card != base_->sentinelCard && !AbortRequested(); card = card->next) {
      if (!SaveFilterCard(&filter, card)) continue;
      stream_->PutText("#VER  ");
      PutSieQuoted(stream_, options.sieVoucherSeries);
      stream_->PutText("  20");
      const CardId id = CardGetId(card);
      stream_->PutIntDigits(PackedDateYear(id.date) % 100, 2);
      stream_->PutIntDigits(PackedDateMonth(id.date), 2);
      stream_->PutIntDigits(PackedDateDay(id.date), 2);
      stream_->PutIntDigits(id.sequence, base_->cardDigits);
      stream_->PutText("  ");
      PutEightDigitDate(stream_, id.date);
      stream_->PutText("  ");
      PutSieQuoted(stream_, card->title);
      const SignatureStamp* stamp = card->changed.stamp != 0 ? &card->changed : &card->created;
      if (options.sieFlags[kSieRegistrationDates] && stamp->stamp != 0) {
        stream_->PutText("  ");
        const PackedTimeStamp t = stamp->stamp;
        stream_->PutIntDigits(kFirstYear + static_cast<int32_t>(t >> 20), 4);
        stream_->PutIntDigits(static_cast<int32_t>((t >> 16) & 15), 2);
        stream_->PutIntDigits(static_cast<int32_t>((t >> 11) & 31), 2);
      }
      stream_->PutNewline();
      stream_->PutLine("{");
      int64_t lines = 0;
      for (GroupRecord* group = card->firstGroup; group != nullptr; group = group->next) {
        if (!SaveFilterGroup(&filter, group)) continue;
        for (LineRecord* line = group->firstLine; line != nullptr; line = line->next) {
          if (!SaveFilterLine(&filter, line)) continue;
          ++lines;
          WriteTransaction(card, group, line);
        }
      }
      stream_->PutLine("}");
      FileProgressAddSteps(progress, kStepsPerCard + kStepsPerLine * lines);
    }
    SaveFilterEnd(&filter);
  }

  void WriteTransaction(const CardRecord* card, const GroupRecord* group, const LineRecord* line) {
    const int64_t account = ComponentOf(group, line, accounts_);
    if (account < kDimensionCount) return;  // no account: a root
    T_TextBuf code;
    if (!SieCode(base_, account, &code)) {
      ReportNoCode(base_, accounts_, account);
      return;
    }
    stream_->PutText("  #TRANS  ");
    WriteSieCode(base_, stream_, accounts_, account);
    stream_->PutText("  { ");
    for (int32_t d = 0; d < kDimensionCount; ++d) {
      const int32_t n = base_->saveOptions.sieDimensionNumbers[d];
      if (d == accounts_ || n <= 0) continue;
      const int64_t object = ComponentOf(group, line, d);
      if (object < kDimensionCount) continue;
      if (!SieCode(base_, object, &code)) {
        ReportNoCode(base_, d, object);
        continue;
      }
      stream_->PutInt(n);
      stream_->PutChar(' ');
      WriteSieCode(base_, stream_, d, object);
      stream_->PutChar(' ');
    }
    stream_->PutText("} ");
    T_TextBuf amount;
    const double value = base_->GetLineValue(line, 0);
    if (!FormatSieAmount(&amount, value, base_->decimalsCodes[0])) {
      char id[32];
      CardId cardId = CardGetId(card);
      FormatCardIdCStr(id, &cardId);
      char number[40];
      std::snprintf(number, sizeof number, "%g", value);
      AskReadErrorTexts(base_, kMsgValueZero, number, id);
    }
    stream_->PutTextBuf(&amount);
    if (line->text != nullptr && *line->text != 0) {
      stream_->PutText("  \"\"  ");
      PutSieQuoted(stream_, line->text);
    }
    stream_->PutNewline();
  }

  T_Base* base_;
  T_OStream* stream_;
  int32_t accounts_ = -1;
};

}  // namespace

bool FormatSieAmount(T_TextBuf* text, double value, int32_t decimalsCode) {
  TextBufSetLength(text, 0);
  if (!std::isfinite(value)) {
    TextBufAssign(text, "0");
    return false;
  }
  char buffer[400];
  if (decimalsCode >= 0 && decimalsCode <= 6) {
    std::snprintf(buffer, sizeof buffer, "%.*f", decimalsCode, value);
  } else {
    // The shortest text that reads back as the same double.
    for (int32_t digits = 1; digits <= 17; ++digits) {
      std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
      if (std::strtod(buffer, nullptr) == value) break;
    }
  }
  const char* out = buffer;
  // "-0", "-0.00": a sign without a value.
  if (*out == '-' && std::strtod(out, nullptr) == 0) ++out;
  TextBufAssign(text, out);
  return true;
}

bool WriteSieCode(T_Base* base, T_OStream* stream, int32_t dimension, int64_t component) {
  T_TextBuf code;
  if (!SieCode(base, component, &code)) {
    ReportNoCode(base, dimension, component);
    return false;
  }
  bool blank = false;
  for (int32_t i = 0; i < code.length; ++i) blank = blank || code.c_str()[i] == ' ';
  if (blank) {
    PutSieQuoted(stream, code.c_str());
  } else {
    stream->PutTextBuf(&code);
  }
  return true;
}

bool exportSie(T_Base* base, const char* path) {
  T_HTextWrite writer;
  writer.SetEncoding(kEncodingLatin1);
  writer.SetNewlineCRLF();
  if (!writer.Open(path)) return false;
  BitVector reported;
  BitVecInit(&reported, base->componentPool.count, 0);
  reportedComponents = &reported;
  SieWriter sie(base, &writer);
  sie.Write();
  reportedComponents = nullptr;
  BitVecFree(&reported);
  const bool closed = writer.Close();
  if (!closed || AbortRequested() || base->errorFlag) {
    writer.Abandon();
    return false;
  }
  return writer.Commit();
}
