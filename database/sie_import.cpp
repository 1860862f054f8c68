#include "database/sie_import.h"

#include <cmath>
#include <cstring>

#include "core/alert.h"
#include "core/files.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/number_parse.h"
#include "core/packed_date.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "core/utf8.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "database/components.h"
#include "database/dimension_options.h"
#include "database/dimension_sections.h"
#include "database/file_progress.h"
#include "database/lines.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"
#include "database/sie_words.h"
#include "database/text_form.h"

namespace {

constexpr int32_t kMsgCorrupted = 3811;
constexpr int32_t kMsgValueZero = 3514;
constexpr int32_t kMsgDateRange = 3830;
constexpr int32_t kMsgLineTooLong = 3831;  // Row @1 of file "@0" is too long and was skipped.
constexpr int32_t kTextCardsLines = 4515;
constexpr int32_t kAccounts = 1;
constexpr int32_t kFirstSieDimension = 2;
constexpr int32_t kSieNumbers = 100;  // SIE dimension numbers 1 to 99
constexpr int32_t kLineDimensions = kDimensionCount - 1;

// The account-type groups every import adds to dimension 1.
constexpr struct {
  const char* code;
  const char* text;
} kAccountTypes[] = {
    {"K", "Kostnader"}, {"I", "Int\xC3\xA4kter"}, {"T", "Tillg\xC3\xA5ngar"}, {"S", "Skulder"}};

// The date of eight digits yyyymmdd within the supported years; 0 for any other text.
PackedDate EightDigitDate(const T_TextBuf& word) {
  if (word.length != 8) return 0;
  int32_t digits[8];
  for (int32_t i = 0; i < 8; ++i) {
    const char c = word.c_str()[i];
    if (c < '0' || c > '9') return 0;
    digits[i] = c - '0';
  }
  const int32_t year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
  const int32_t month = digits[4] * 10 + digits[5];
  const int32_t day = digits[6] * 10 + digits[7];
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1) return 0;
  if (day > PackedDateDaysInMonth(PackDate(year, month, 1))) return 0;
  return PackDate(year, month, day);
}

// An amount as SIE writes it: an optional sign, digits with at most one "." among them, and an
// optional exponent. NaN for anything else, so that nothing half-read passes as a number.
double SieAmount(const T_TextBuf& word) {
  const char* p = word.c_str();
  const char* end = p + word.length;
  if (p < end && (*p == '-' || *p == '+')) ++p;
  int32_t digits = 0;
  bool point = false;
  for (; p < end; ++p) {
    if (*p >= '0' && *p <= '9') {
      ++digits;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return NAN;
  if (p < end && (*p == 'e' || *p == 'E')) {
    ++p;
    if (p < end && (*p == '-' || *p == '+')) ++p;
    const char* exponent = p;
    while (p < end && *p >= '0' && *p <= '9') ++p;
    if (p == exponent) return NAN;
  }
  if (p != end) return NAN;
  return ParseDouble(word.c_str(), word.length);
}

class SieReader {
 public:
  SieReader(T_Base* base, const char* path) : base_(base), path_(path) {
    for (int32_t& d : map_) d = -1;
  }

  void Read(T_IStreamFile* stream) {
    stream_ = stream;
    for (const auto& type : kAccountTypes)
      AddComponent(base_, kAccounts, type.code, type.text, nullptr);
    defaultDate_ = PackedDateToday();
    while (!AbortRequested() && NextLine()) {
      if (!line_.Start(stream_) || !line_.Next(&word_)) continue;
      const char* record = word_.c_str();
      if (std::strcmp(record, "#KONTO") == 0) {
        ReadAccount();
      } else if (std::strcmp(record, "#DIM") == 0) {
        ReadDimension();
      } else if (std::strcmp(record, "#UNDERDIM") == 0) {
        ReadSubDimension();
      } else if (std::strcmp(record, "#OBJEKT") == 0) {
        ReadObject();
      } else if (std::strcmp(record, "#RAR") == 0) {
        ReadYear();
      } else if (std::strcmp(record, "#FNAMN") == 0) {
        ReadCompany();
      } else if (std::strcmp(record, "#IB") == 0) {
        ReadOpeningBalance();
      } else if (std::strcmp(record, "#VER") == 0) {
        ReadVoucher();
      }
    }
    if (ibCard_ != nullptr) FinishCard(ibCard_);
    if (base_->HasSubComponents(kAccounts)) {
      SetSingular(base_->dimensions[kAccounts], "Konto");
      SetPlural(base_->dimensions[kAccounts], "Konton");
    }
    SendPendingDimensionNotes(base_);
    if (cardsCreated_) base_->NotifyCode(kChangeCards);
  }

  int64_t linesAdded = 0;

 private:
  // The next line; a line held back (read ahead and not taken) comes again first.
  bool NextLine() {
    if (held_) {
      held_ = false;
      return true;
    }
    const bool read = stream_->NextLine();
    if (stream_->skippedLine != 0) {
      T_TextBuf row;
      TextBufAppendInt64(&row, stream_->skippedLine);
      stream_->skippedLine = 0;
      AskReadErrorTexts(base_, kMsgLineTooLong, path_, row.c_str());
    }
    return read;
  }

  // --- Accounts, dimensions, objects -----------------------------------------------------------

  void ReadAccount() {
    T_TextBuf number;
    T_TextBuf name;
    if (!line_.Next(&number) || number.empty()) return;
    line_.Next(&name);
    char type = 0;
    if (NextLine()) {
      T_TextBuf other;
      T_TextBuf letter;
      if (line_.Start(stream_) && line_.Next(&word_) && SieWordIs(word_, "#KTYP") &&
          line_.Next(&other) && SieWordIs(other, number.c_str())) {
        if (line_.Next(&letter) && !letter.empty()) type = letter.c_str()[0];
      } else {
        held_ = true;
      }
    }
    if (type == 0) {
      const char first = number.c_str()[0];
      type = first == '1'                   ? 'T'
             : first == '2'                 ? 'S'
             : first == '3'                 ? 'I'
             : first >= '4' && first <= '9' ? 'K'
                                            : 0;
    }
    T_TextBuf code;
    if (type != 0) TextBufAppendChar(&code, type);
    TextBufAppendBuf(&code, &number);
    AddComponent(base_, kAccounts, code.c_str(), name.c_str(), number.c_str());
  }

  // The next dimension from the given one up that holds no components and has its default
  // names: a dimension in use never receives objects of another meaning. -1 when none is left.
  int32_t TakeFreeDimension() {
    for (; nextFree_ < kDimensionCount; ++nextFree_) {
      const DimensionRecord* dimension = base_->dimensions[nextFree_];
      if (!base_->HasSubComponents(nextFree_) && dimension->singular == nullptr &&
          dimension->plural == nullptr)
        return nextFree_++;
    }
    return -1;
  }

  // An SIE dimension number 1 to 99, else -1.
  int32_t SieNumber() {
    if (!line_.Next(&word_) || word_.empty() || word_.length > 2) return -1;
    int32_t n = 0;
    for (int32_t i = 0; i < word_.length; ++i) {
      const char c = word_.c_str()[i];
      if (c < '0' || c > '9') return -1;
      n = n * 10 + (c - '0');
    }
    return n >= 1 && n < kSieNumbers ? n : -1;
  }

  void ReadDimension() {
    const int32_t n = SieNumber();
    T_TextBuf name;
    if (n < 0 || map_[n] >= 0 || !line_.Next(&name) || name.empty()) return;
    const int32_t d = TakeFreeDimension();
    if (d < 0) return;
    map_[n] = d;
    SetSingular(base_->dimensions[d], name.c_str());
    SetPlural(base_->dimensions[d], name.c_str());
  }

  void ReadSubDimension() {
    const int32_t n = SieNumber();
    if (n < 0 || map_[n] >= 0 || !line_.Next(&word_)) return;  // the name
    const int32_t parent = SieNumber();
    if (parent < 0 || map_[parent] < 0) return;
    map_[n] = map_[parent];
  }

  void ReadObject() {
    const int32_t n = SieNumber();
    T_TextBuf object;
    T_TextBuf name;
    if (n < 0 || map_[n] < 0 || !line_.Next(&object)) return;
    line_.Next(&name);
    AddComponent(base_, map_[n], object.c_str(), name.c_str(), object.c_str());
  }

  void ReadYear() {
    if (!line_.Next(&word_) || !SieWordIs(word_, "0") || !line_.Next(&word_)) return;
    const PackedDate start = EightDigitDate(word_);
    if (start != 0) {
      const PackedDate before = PackedDatePrevDay(start);
      if (before != 0) defaultDate_ = before;
    }
  }

  void ReadCompany() {
    T_TextBuf name;
    if (!line_.Next(&name)) return;
    TextBufTrim(&name, ' ');
    if (name.empty()) return;
    T_TextBuf code;
    TextBufAssignBytes(&code, name.c_str(),
                       Utf8CharLengthIn(name.c_str(), name.c_str() + name.length));
    if (ComponentRecord* company = AddComponent(base_, 0, code.c_str(), name.c_str(), nullptr))
      company_ = company->number;
  }

  // --- Cards
  // --------------------------------------------------------------------------------------

  // 3811, once a file has lost records to it.
  void ReportDamage() {
    if (damageReported_) return;
    damageReported_ = true;
    AskReadErrorText(base_, kMsgCorrupted, path_);
  }

  // The amount of the current word; an amount that is not a number is reported and read as 0.
  double Amount(const CardRecord* card) {
    const double value = SieAmount(word_);
    if (std::isfinite(value)) return value;
    char id[32];
    CardId cardId = CardGetId(card);
    FormatCardIdCStr(id, &cardId);
    AskReadErrorTexts(base_, kMsgValueZero, word_.c_str(), id);
    return 0;
  }

  CardRecord* NewCard(PackedDate date) {
    CardId id{date, 1};
    CardRecord* card = CreateCard(base_, &id);
    if (card != nullptr) cardsCreated_ = true;
    return card;
  }

  void FinishCard(CardRecord* card) { PruneCard(base_, card); }

  int64_t Account() {
    const ComponentRecord* account = FindByHostCode(base_, kAccounts, word_.c_str());
    return account != nullptr ? account->number : 0;
  }

  void AppendLine(GroupRecord* group, const int64_t* components, double value, const char* text) {
    LineRecord* line = CreateLine(base_, group);
    if (line == nullptr) return;
    base_->SetLineComponents(line, components);
    base_->SetLineValue(line, 0, value);
    if (text != nullptr && *text != 0) SetLineText(line, text);
    ++linesAdded;
  }

  void ReadOpeningBalance() {
    if (!line_.Next(&word_) || !SieWordIs(word_, "0")) return;
    if (company_ == 0) {
      ReportDamage();
      return;
    }
    if (ibCard_ == nullptr) {
      ibCard_ = NewCard(defaultDate_);
      if (ibCard_ == nullptr) return;
      SetCardTitle(ibCard_, "IB");
    }
    GroupRecord* group = base_->FindOrAddGroup(ibCard_, company_);
    if (group == nullptr || !line_.Next(&word_)) return;
    const int64_t account = Account();
    if (account == 0 || !line_.Next(&word_)) return;
    int64_t components[kLineDimensions];
    for (int32_t slot = 0; slot < kLineDimensions; ++slot) components[slot] = slot + 1;
    components[kAccounts - 1] = account;
    AppendLine(group, components, Amount(ibCard_), nullptr);
  }

  // The series component, taking the series dimension on first use; 0 for none.
  int64_t Series(const T_TextBuf& series) {
    if (series.empty()) return 0;
    if (seriesDimension_ == -1) seriesDimension_ = TakeFreeDimension();
    if (seriesDimension_ < 0) {
      seriesDimension_ = -2;  // no dimension left: series are dropped
      return 0;
    }
    if (seriesDimension_ == -2) return 0;
    DimensionRecord* dimension = base_->dimensions[seriesDimension_];
    if (dimension->singular == nullptr) {
      SetSingular(dimension, "Serie");
      SetPlural(dimension, "Serier");
    }
    const ComponentRecord* found = FindByHostCode(base_, seriesDimension_, series.c_str());
    if (found == nullptr)
      found = AddComponent(base_, seriesDimension_, series.c_str(), nullptr, series.c_str());
    return found != nullptr ? found->number : 0;
  }

  void ReadVoucher() {
    T_TextBuf series;
    T_TextBuf number;
    T_TextBuf date;
    T_TextBuf text;
    T_TextBuf registered;
    line_.Next(&series);
    line_.Next(&number);
    line_.Next(&date);
    line_.Next(&text);
    line_.Next(&registered);
    const int64_t lineNumber = stream_->lineCount;

    CardRecord* card = nullptr;
    GroupRecord* group = nullptr;
    int64_t seriesComponent = 0;
    if (company_ == 0) {
      ReportDamage();  // its transactions are stepped over below
    } else {
      seriesComponent = Series(series);
      PackedDate cardDate = EightDigitDate(date);
      if (cardDate == 0) {
        T_TextBuf row;
        TextBufAppendInt64(&row, lineNumber);
        AskReadErrorTexts(base_, kMsgDateRange, date.c_str(), row.c_str());
        cardDate = defaultDate_;
      }
      card = NewCard(cardDate);
      if (card != nullptr) {
        T_TextBuf title;
        if (!series.empty()) {
          TextBufAssignBuf(&title, &number);
          TextBufAppend(&title, ": ");
        }
        TextBufAppendBuf(&title, &text);
        TextBufTrim(&title, ' ');
        if (!title.empty()) SetCardTitle(card, title.c_str());
        const PackedDate stamp = EightDigitDate(registered);
        if (stamp != 0) {
          card->created.stamp = PackTimeStamp(PackedDateYear(stamp), PackedDateMonth(stamp),
                                              PackedDateDay(stamp), 0, 0);
        }
        group = base_->FindOrAddGroup(card, company_);
      }
    }

    // The transactions, up to the "}" that ends the voucher. A "#VER" or the end of the file
    // ends a voucher that lacks it, so one lost "}" costs no later voucher.
    bool ended = false;
    while (!AbortRequested() && NextLine()) {
      if (!line_.Start(stream_) || !line_.Next(&word_)) continue;
      if (SieWordIs(word_, "}")) {
        ended = true;
        break;
      }
      if (SieWordIs(word_, "#VER")) {
        held_ = true;
        break;
      }
      if (SieWordIs(word_, "#TRANS") && group != nullptr)
        ReadTransaction(card, group, seriesComponent);
    }
    if (card != nullptr) FinishCard(card);
    if (!ended && !AbortRequested()) ReportDamage();
  }

  void ReadTransaction(CardRecord* card, GroupRecord* group, int64_t seriesComponent) {
    if (!line_.Next(&word_)) return;
    int64_t components[kLineDimensions];
    for (int32_t slot = 0; slot < kLineDimensions; ++slot) components[slot] = slot + 1;
    const int64_t account = Account();
    if (account != 0) components[kAccounts - 1] = account;
    if (!line_.Next(&word_)) return;
    if (SieWordIs(word_, "{") && !line_.lastQuoted) {
      // Pairs of SIE dimension number and object up to the "}".
      T_TextBuf object;
      while (line_.Next(&word_) && !(SieWordIs(word_, "}") && !line_.lastQuoted)) {
        if (!line_.Next(&object) || (SieWordIs(object, "}") && !line_.lastQuoted)) break;
        int32_t n = -1;
        if (word_.length >= 1 && word_.length <= 2) {
          n = 0;
          for (int32_t i = 0; i < word_.length && n >= 0; ++i) {
            const char c = word_.c_str()[i];
            n = c >= '0' && c <= '9' ? n * 10 + (c - '0') : -1;
          }
        }
        if (n <= 0 || n >= kSieNumbers || map_[n] < 0) continue;
        const ComponentRecord* found = FindByHostCode(base_, map_[n], object.c_str());
        if (found != nullptr) components[map_[n] - 1] = found->number;
      }
      if (!line_.Next(&word_)) TextBufSetLength(&word_, 0);
    }
    if (seriesDimension_ > 0 && seriesComponent != 0)
      components[seriesDimension_ - 1] = seriesComponent;
    const double value = Amount(card);
    T_TextBuf text;
    if (line_.Next(&text)) {  // the transaction date, skipped
      line_.Next(&text);
      TextBufTrim(&text, ' ');
    }
    AppendLine(group, components, value, text.c_str());
  }

  T_Base* base_;
  const char* path_;
  T_IStreamFile* stream_ = nullptr;
  SieLine line_;
  T_TextBuf word_;
  int32_t map_[kSieNumbers];
  int32_t nextFree_ = kFirstSieDimension;
  int32_t seriesDimension_ = -1;  // -1 not taken yet, -2 none left
  PackedDate defaultDate_ = 0;
  int64_t company_ = 0;
  CardRecord* ibCard_ = nullptr;
  bool cardsCreated_ = false;
  bool damageReported_ = false;
  bool held_ = false;
};

}  // namespace

TextEncoding SieFileEncoding(const char* path) {
  TextEncoding encoding = kEncodingLatin1;
  SysFile file;
  FileInit(&file);
  PendingErrorSaved before;
  PendingErrorSave(&before);
  if (FileOpenRead(&file, path)) {
    uint8_t buffer[16384];
    int64_t n;
    while (encoding == kEncodingLatin1 && (n = FileRead(&file, buffer, sizeof buffer)) > 0) {
      for (int64_t i = 0; i < n; ++i) {
        if (buffer[i] >= 0x80 && buffer[i] <= 0x9F) {
          encoding = kEncodingPc8;
          break;
        }
      }
    }
  }
  FileDestroy(&file);
  PendingErrorRestore(&before);
  return encoding;
}

void ImportSie(T_Base* base, const char* path) {
  T_HTextRead stream;
  stream.SetEncoding(SieFileEncoding(path));
  if (!stream.Open(path)) return;
  // One line no program writes (a comment of a megabyte) costs that line, not the file.
  stream.SkipOverlongLines();
  FileProgressSetStatus(FileProgressCurrent(), kTextCardsLines);
  LogOperation(base, "SIE file", nullptr, kLogVerbReading | kLogStepIndent);
  const uint64_t startTick = TickCount();
  SieReader reader(base, path);
  reader.Read(&stream);
  LogLoadTime(base, "lines", reader.linesAdded, startTick);
  LogOperation(base, "SIE file", nullptr, kLogVerbCompleted | kLogStepOutdent);
}
