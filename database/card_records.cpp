#include "database/card_records.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <new>

#include "core/alert.h"
#include "core/cstring.h"
#include "core/hash_index.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "core/packed_date.h"
#include "core/paged_array.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/change_notes.h"
#include "database/component_lookup.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/dimension_sections.h"
#include "database/file_kinds.h"
#include "database/file_progress.h"
#include "database/line_origins.h"
#include "database/lines.h"
#include "database/operation_log.h"
#include "database/read_prompt.h"
#include "database/save_filter.h"
#include "database/save_options.h"

namespace {

constexpr int32_t kTextCardsLines = 4515;      // "Cards/Lines"
constexpr int32_t kTextNewComponents = 3300;   // "New components"
constexpr int32_t kMsgMissingCode = 3310;      // Cannot find QEB-code "@0" in dimension @1.
constexpr int32_t kMsgMissingText = 3311;      // Cannot find text "@0" in dimension @1.
constexpr int32_t kMsgMissingHostCode = 3312;  // Cannot find host code "@0" in dimension @1.
constexpr int64_t kStepsPerCard = 104;
constexpr int64_t kStepsPerLine = 40;
constexpr int32_t kLineDimensions = kDimensionCount - 1;
constexpr int32_t kShortGeneratedNumbers = 100000;  // "#" and five digits below this

int32_t StyleOf(const T_Base* base, int32_t d) {
  int32_t style = base->saveOptions.cardReferenceStyles[d];
  return style == kCardRefHostCode || style == kCardRefText ? style : kCardRefCode;
}

// --- Writing ------------------------------------------------------------------------------------

const char* ComponentName(const T_Base* base, int64_t component, int32_t style) {
  if (component < kDimensionCount || component >= base->componentPool.count) return nullptr;
  const ComponentRecord* c = ComponentAt(base, component);
  if (!c->parent) return nullptr;
  if (style == kCardRefHostCode) return c->hostCode;
  if (style == kCardRefText) return c->text;
  return c->code;
}

void PutStamp(T_OStream* stream, const SignatureStamp* stamp) {
  char text[32];
  FormatSignatureStampCompactCStr(text, stamp);
  stream->PutText(text);
}

void WriteOptionRecords(T_Base* base, T_OStream* stream) {
  bool any = false;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    int32_t style = StyleOf(base, d);
    if (style == kCardRefCode) continue;
    stream->PutText(style == kCardRefHostCode ? "-DH" : "-DT");
    stream->PutSeparator();
    stream->PutInt(d + 1);
    stream->PutNewline();
    any = true;
  }
  if (base->valueCount >= 2) {
    stream->PutKeyIntLine("-LN", base->valueCount);
    any = true;
  }
  if (any) stream->PutNewline();
}

// What every "L" record of one save shares: the dimension of each component field.
struct LineFields {
  int32_t count = 0;
  int32_t slots[kLineDimensions] = {};  // the line slot of each field, -1 for an empty field
  int32_t styles[kLineDimensions] = {};
};

LineFields PlanLineFields(const T_Base* base) {
  LineFields fields;
  int32_t positions = base->dimensionOrderCount;
  if (positions <= 0 || positions > kDimensionCount) positions = kDimensionCount;
  fields.count = positions - 1;
  for (int32_t p = 1; p < positions; ++p) {
    int32_t d = base->dimensionOrderCount ? base->dimensionOrder[p] : p;
    bool onLine = d >= 1 && d <= base->lineSlots;
    fields.slots[p - 1] = onLine ? d - 1 : -1;
    fields.styles[p - 1] = onLine ? StyleOf(base, d) : kCardRefCode;
  }
  // Empty fields at the end would only be dropped again with the line end.
  while (fields.count > 0 && fields.slots[fields.count - 1] < 0) --fields.count;
  return fields;
}

void WriteLine(T_Base* base, T_OStream* stream, const LineRecord* line, const LineFields& fields) {
  stream->PutChar('L');
  const double* values = LineValues(const_cast<LineRecord*>(line));
  for (int32_t column = 0; column < base->valueCount; ++column) {
    PutCardValue(stream, values[column], base->decimalsCodes[column]);
    stream->PutSeparator();
  }
  stream->PutFieldText(line->text);
  for (int32_t i = 0; i < fields.count; ++i) {
    stream->PutSeparator();
    int32_t slot = fields.slots[i];
    if (slot < 0) continue;
    int64_t component = ReadLineReference(line, base->referenceOffset, base->referenceWidth, slot);
    stream->PutFieldText(ComponentName(base, component, fields.styles[i]));
  }
  stream->PutNewline();
  if (base->lineOrigins) WriteLineOrigin(base, stream, line);
}

// Returns the number of lines written.
int64_t WriteCard(T_Base* base, const SaveFilter* filter, T_OStream* stream, const CardRecord* card,
                  const LineFields& fields) {
  char id[32];
  CardId cardId = CardGetId(card);
  FormatCardIdCStr(id, &cardId);
  stream->PutChar('C');
  stream->PutText(id);
  stream->PutSeparator();
  stream->PutFieldText(card->title);
  stream->PutNewline();
  if (card->notes && *card->notes) {
    stream->PutChar('N');
    PutStamp(stream, &card->notesStamp);
    stream->PutSeparator();
    stream->PutLongText(card->notes);
    stream->PutNewline();
  }
  // Any stamp that holds a time writes the record: an examined or approved card without a
  // created or changed stamp (imported, then signed) would otherwise lose its signature on save.
  if (card->created.stamp || card->changed.stamp || card->examined.stamp || card->approved.stamp) {
    stream->PutChar('S');
    PutStamp(stream, &card->created);
    for (const SignatureStamp* stamp : {&card->changed, &card->examined, &card->approved}) {
      stream->PutSeparator();
      PutStamp(stream, stamp);
    }
    stream->PutNewline();
  }
  int64_t lines = 0;
  int32_t groupStyle = StyleOf(base, 0);
  for (const GroupRecord* group = card->firstGroup; group; group = group->next) {
    if (!SaveFilterGroup(filter, group)) continue;
    stream->PutChar('G');
    stream->PutFieldText(ComponentName(base, group->component, groupStyle));
    stream->PutNewline();
    for (const LineRecord* line = group->firstLine; line; line = line->next) {
      if (!SaveFilterLine(filter, line)) continue;
      WriteLine(base, stream, line, fields);
      ++lines;
    }
  }
  stream->PutNewline();
  return lines;
}

// --- Component names ----------------------------------------------------------------------------

const char* TextKey(const void* record) {
  return static_cast<const ComponentRecord*>(record)->text;
}

// Texts have no index of their own; a read that names components by text builds one per
// dimension on first use, so a large file does not walk the tree once per line.
class TextIndexes {
 public:
  TextIndexes() = default;
  TextIndexes(const TextIndexes&) = delete;
  TextIndexes& operator=(const TextIndexes&) = delete;
  ~TextIndexes() {
    for (int32_t d = 0; d < kDimensionCount; ++d) Drop(d);
  }

  ComponentRecord* Find(T_Base* base, int32_t d, const char* key) {
    HashIndex* index = Get(base, d);
    if (!index) return FindByText(base, d, key);
    return static_cast<ComponentRecord*>(HashIndexFind(index, key));
  }
  // After a component was added to the dimension.
  void Added(int32_t d, ComponentRecord* component, bool only) {
    HashIndex* index = indexes_[d];
    if (!index) return;
    if (!only || (component->text && !HashIndexInsert(index, component)) ||
        index->entryCount >= index->fillLimit)
      Drop(d);
  }

 private:
  HashIndex* Get(T_Base* base, int32_t d) {
    if (indexes_[d] || failed_[d]) return indexes_[d];
    ComponentRecord* root = ComponentAt(base, d);
    int64_t count = 0;
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c))
      count += c->text ? 1 : 0;
    int32_t rule =
        base->dimensions[d]->textCase == kCaseSensitive ? kKeyKindBytes : kCaseInsensitive;
    auto* index = new (std::nothrow) HashIndex;
    if (!index || !HashIndexInit(index, 2 * count, 0, TextKey, rule)) {
      delete index;
      failed_[d] = true;
      return nullptr;
    }
    for (ComponentRecord* c = CompTreeNext(root); c != root; c = CompTreeNext(c)) {
      if (c->text) HashIndexInsert(index, c);
    }
    indexes_[d] = index;
    return index;
  }
  void Drop(int32_t d) {
    if (!indexes_[d]) return;
    HashIndexFree(indexes_[d]);
    delete indexes_[d];
    indexes_[d] = nullptr;
  }

  HashIndex* indexes_[kDimensionCount] = {};
  bool failed_[kDimensionCount] = {};
};

void FormatGeneratedCode(T_TextBuf* code, int64_t number) {
  char digits[24];
  int32_t n = Int64ToStr(digits, number);
  TextBufAssign(code, "#");
  if (number < kShortGeneratedNumbers) {
    for (int32_t i = n; i < 5; ++i) TextBufAppendChar(code, '0');
  } else {
    TextBufAppendChar(code, static_cast<char>('<' + n - 1));
  }
  TextBufAppend(code, digits);
}

ComponentRecord* FindNamed(T_Base* base, int32_t d, int32_t style, const char* key,
                           TextIndexes* texts) {
  if (style == kCardRefCode) return FindByCode(base, d, key);
  if (style == kCardRefHostCode) return FindByHostCode(base, d, key);
  return texts ? texts->Find(base, d, key) : FindByText(base, d, key);
}

ComponentRecord* Resolve(T_Base* base, int32_t d, const char* text, TextIndexes* texts) {
  int32_t style = StyleOf(base, d);
  // Most names are found as they stand; blanks at either end need the rules below.
  size_t length = std::strlen(text);
  if (length > 0 && text[0] != ' ' && text[length - 1] != ' ') {
    if (ComponentRecord* found = FindNamed(base, d, style, text, texts)) return found;
  }
  T_TextBuf key(text);
  ComponentRecord* found = nullptr;
  int32_t message = kMsgMissingCode;
  if (style == kCardRefCode) {
    if (key.empty()) return nullptr;
    found = FindByCode(base, d, key.c_str());
    if (!found) {
      TextBufRemoveChar(&key, ' ');
      if (key.empty()) return nullptr;
      found = FindByCode(base, d, key.c_str());
    }
  } else {
    TextBufTrim(&key, ' ');
    if (key.empty()) return nullptr;
    found = FindNamed(base, d, style, key.c_str(), texts);
    message = style == kCardRefHostCode ? kMsgMissingHostCode : kMsgMissingText;
  }
  if (found) return found;

  AlertRequest request;
  AlertInit(&request);
  request.message = message;
  AlertAddText(&request, key.c_str());
  AlertAddText(&request, base->GetDimSingular(d));
  int32_t answer = AskReadError(base, &request);
  // Created whatever the answer: the line read so far still gets its component.
  bool parentAdded = base->generatedCodeCounters[d] == 0;
  ComponentRecord* added = nullptr;
  if (style == kCardRefCode)
    added = AddComponent(base, d, key.c_str(), nullptr, nullptr);
  else if (style == kCardRefHostCode)
    added = AddGeneratedComponent(base, d, nullptr, key.c_str());
  else
    added = AddGeneratedComponent(base, d, key.c_str(), nullptr);
  if (texts && added) texts->Added(d, added, style == kCardRefText && !parentAdded);
  if (answer == kReadErrorCancel || answer == kReadErrorStop)
    AbandonRead(base, answer == kReadErrorCancel);
  return added;
}

// --- Reading ------------------------------------------------------------------------------------

// The names a read has resolved, by their exact bytes, with the style they were read in: a
// large file names the same components over and over, and one table entry holding the name
// costs a fraction of an index lookup under the case rules. Codes and host codes are unique, so
// the cache answers what the lookup would; of equal texts it keeps the one found first. Names
// longer than an entry holds always go to the lookup.
class NameCache {
 public:
  explicit NameCache(int64_t components) {
    int64_t size = 256;
    while (size < 2 * components && size < kMaxEntries) {
      size *= 2;
      --shift_;
    }
    entries_ = static_cast<Entry*>(MemAlloc(size * static_cast<int64_t>(sizeof(Entry)), 0));
    if (entries_) std::memset(entries_, 0, static_cast<size_t>(size) * sizeof(Entry));
  }
  NameCache(const NameCache&) = delete;
  NameCache& operator=(const NameCache&) = delete;
  ~NameCache() { MemFree(entries_); }

  // The component number, or -1.
  int64_t Find(int32_t d, int32_t style, const char* name, int32_t length) const {
    if (!entries_ || length > kNameMax) return -1;
    const Entry& entry = entries_[Hash(d, style, name, length) >> shift_];
    if (entry.length != length + 1 || entry.dimension != d || entry.style != style ||
        std::memcmp(entry.name, name, static_cast<size_t>(length)) != 0)
      return -1;
    return entry.component;
  }
  void Remember(int32_t d, int32_t style, const char* name, int32_t length, int64_t component) {
    if (!entries_ || length > kNameMax) return;
    Entry& entry = entries_[Hash(d, style, name, length) >> shift_];
    entry.component = component;
    entry.dimension = static_cast<uint8_t>(d);
    entry.style = static_cast<uint8_t>(style);
    entry.length = static_cast<uint8_t>(length + 1);
    std::memcpy(entry.name, name, static_cast<size_t>(length));
  }

 private:
  static constexpr int64_t kMaxEntries = int64_t{1} << 20;
  static constexpr int32_t kNameMax = 21;
  struct Entry {
    int64_t component;
    uint8_t dimension;
    uint8_t style;
    uint8_t length;  // the name's length + 1; 0 for an empty entry
    char name[kNameMax];
  };
  // FNV-1a over dimension, style and bytes, then a multiplicative mix whose top bits index the
  // table: names differ mostly in their last bytes, which FNV leaves in its low bits.
  static uint64_t Hash(int32_t d, int32_t style, const char* name, int32_t length) {
    constexpr uint64_t kPrime = 1099511628211ull;
    uint64_t h = (14695981039346656037ull ^ static_cast<uint64_t>(d * 4 + style)) * kPrime;
    for (int32_t i = 0; i < length; ++i) h = (h ^ static_cast<uint8_t>(name[i])) * kPrime;
    h ^= h >> 32;
    return h * 0x9E3779B97F4A7C15ull;
  }

  Entry* entries_ = nullptr;
  int32_t shift_ = 56;  // 64 - log2 of the entries
};

class CardReader {
 public:
  CardReader(T_Base* base, T_IStream* stream)
      : base_(base), stream_(stream), names_(base->componentPool.count) {}

  void Read() {
    while (!AbortRequested() && stream_->NextLine()) {
      if (!stream_->NextField() || stream_->FieldLength() == 0) continue;
      const char* field = stream_->Field();
      if (field[0] == '#') {
        stream_->RewindLine();
        break;
      }
      switch (field[0]) {
        case '-':
          ReadOption();
          break;
        case 'C':
          ReadCard();
          break;
        case 'G':
          ReadGroup();
          break;
        case 'L':
          ReadLine();
          break;
        case 'H':
          ReadOrigin();
          break;
        case 'N':
          ReadNotes();
          break;
        case 'S':
          ReadStamps();
          break;
        default:
          break;
      }
    }
    FinishCard();
  }

  bool created = false;

 private:
  // The current field without its key character.
  const char* Rest() const { return stream_->Field() + 1; }
  int32_t RestLength() const { return stream_->FieldLength() - 1; }

  int64_t ResolveBytes(int32_t d, const char* bytes, int32_t n) {
    int32_t style = StyleOf(base_, d);
    int64_t cached = names_.Find(d, style, bytes, n);
    if (cached >= 0) return cached;
    TextBufAssignBytes(&name_, bytes, n);
    ComponentRecord* component = Resolve(base_, d, name_.c_str(), &texts_);
    if (!component) return d;  // blank, or could not be added: asked again where it recurs
    names_.Remember(d, style, bytes, n, component->number);
    return component->number;
  }

  void FinishCard() {
    if (card_) PruneCard(base_, card_);
    card_ = nullptr;
    group_ = nullptr;
    line_ = -1;
  }

  void ReadOption() {
    const char* key = stream_->Field();
    int32_t length = stream_->FieldLength();
    if (length >= 3 && key[1] == 'D' && (key[2] == 'C' || key[2] == 'H' || key[2] == 'T')) {
      int32_t style = key[2] == 'H'   ? kCardRefHostCode
                      : key[2] == 'T' ? kCardRefText
                                      : kCardRefCode;
      int32_t number = stream_->ReadFieldInt();
      if (number >= 1 && number <= kDimensionCount)
        base_->saveOptions.cardReferenceStyles[number - 1] = style;
    } else if (length >= 3 && key[1] == 'L' && key[2] == 'N') {
      int32_t count = stream_->ReadFieldInt();
      if (count < 1 || count > kMaxValueCount) return;
      base_->readValueCount = count;
      if (base_->valueCount < count) SetValueCount(base_, count);
    }
  }

  void ReadCard() {
    FinishCard();
    CardId id;
    parseDate(&id, Rest(), RestLength(), kDirectionFrom);
    if (id.date == 0) return;
    // "-0" asks for the first free number, as "-1" does.
    card_ = CreateCard(base_, &id);
    if (!card_) return;
    created = true;
    stream_->NextFieldRaw();
    if (stream_->FieldLength() > 0) {
      TextBufAssignBytes(&name_, stream_->Field(), stream_->FieldLength());
      SetCardTitle(card_, name_.c_str());
    }
  }

  void ReadGroup() {
    if (!card_) return;
    line_ = -1;
    group_ = base_->FindOrAddGroup(card_, ResolveBytes(0, Rest(), RestLength()));
  }

  void ReadLine() {
    if (!group_) return;
    double values[kMaxValueCount] = {};
    int32_t count = base_->readValueCount;
    if (count < 1 || count > kMaxValueCount) count = 1;
    if (RestLength() > 0) values[0] = Number(Rest(), RestLength());
    for (int32_t column = 1; column < count; ++column) {
      stream_->NextField();
      values[column] = Number(stream_->Field(), stream_->FieldLength());
    }
    stream_->NextFieldRaw();
    TextBufAssignBytes(&text_, stream_->Field(), stream_->FieldLength());
    // Names are resolved before the line exists: a new component may re-lay every line.
    int64_t components[kLineDimensions];
    for (int32_t slot = 0; slot < kLineDimensions; ++slot) components[slot] = slot + 1;
    for (int32_t slot = 0; slot < kLineDimensions && stream_->NextFieldRaw(); ++slot) {
      if (stream_->FieldLength() > 0)
        components[slot] = ResolveBytes(slot + 1, stream_->Field(), stream_->FieldLength());
    }
    LineRecord* line = CreateLine(base_, group_);
    if (!line) return;
    base_->SetLineValues(line, values);
    base_->SetLineComponents(line, components);
    if (!text_.empty()) SetLineText(line, text_.c_str());
    line_ = line->number;
    if (base_->lineOrigins && (base_->readFlags & kOpenFlagImport)) {
      bool textForm = base_->fileKind == kFileKindTextForm;
      RecordLineOrigin(base_, line, textForm ? stream_->lineCount : 0);
    }
  }

  void ReadOrigin() {
    if (!base_->lineOrigins || line_ < 0) return;
    stream_->NextFieldRaw();
    TextBufAssignBytes(&name_, stream_->Field(), stream_->FieldLength());
    int32_t position = stream_->ReadFieldInt();
    auto* line = reinterpret_cast<LineRecord*>(PagedArrayAt(&base_->linePool, line_));
    SetLineOrigin(base_, line, name_.c_str(), position);
  }

  void ReadNotes() {
    if (!card_) return;
    if (RestLength() > 0) ParseSignatureStampN(&card_->notesStamp, Rest(), RestLength());
    stream_->ReadLongText(&card_->notes);
  }

  void ReadStamps() {
    if (!card_) return;
    if (RestLength() > 0) ParseSignatureStampN(&card_->created, Rest(), RestLength());
    for (SignatureStamp* stamp : {&card_->changed, &card_->examined, &card_->approved}) {
      stream_->NextField();
      if (stream_->FieldLength() > 0)
        ParseSignatureStampN(stamp, stream_->Field(), stream_->FieldLength());
    }
  }

  // A field without a number reads as 0, as an empty one does.
  static double Number(const char* text, int32_t length) {
    if (length <= 0) return 0;
    double value = ParseDouble(text, length);
    return std::isnan(value) ? 0 : value;
  }

  T_Base* base_;
  T_IStream* stream_;
  CardRecord* card_ = nullptr;
  GroupRecord* group_ = nullptr;
  int64_t line_ = -1;  // the line read since the last "C" or "G", by number: lines may move
  T_TextBuf name_;
  T_TextBuf text_;
  TextIndexes texts_;
  NameCache names_;
};

}  // namespace

void writeCardsSection(T_Base* base, T_OStream* stream) {
  CardRecord* sentinel = base->sentinelCard;
  if (sentinel->next == sentinel) return;
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, kTextCardsLines);
  stream->PutLine("##Cards");
  WriteOptionRecords(base, stream);
  LineFields fields = PlanLineFields(base);
  SaveFilter filter;
  SaveFilterBegin(&filter, base);
  for (CardRecord* card = sentinel->next; card != sentinel && !AbortRequested();
       card = card->next) {
    if (!SaveFilterCard(&filter, card)) continue;
    int64_t lines = WriteCard(base, &filter, stream, card, fields);
    FileProgressAddSteps(progress, kStepsPerCard + kStepsPerLine * lines);
  }
  SaveFilterEnd(&filter);
}

void readCardsSection(T_Base* base, T_IStream* stream) {
  FileProgressSetStatus(FileProgressCurrent(), kTextCardsLines);
  LogOperation(base, "cards section", nullptr, kLogVerbReading | kLogStepIndent);
  int64_t cardsBefore = base->cardCount;
  uint64_t startTick = TickCount();
  CardReader reader(base, stream);
  reader.Read();
  SendPendingDimensionNotes(base);
  if (reader.created) base->NotifyCode(kChangeCards);
  LogLoadTime(base, "cards", base->cardCount - cardsBefore, startTick);
  LogOperation(base, "cards section", nullptr, kLogVerbCompleted | kLogStepOutdent);
}

int64_t ResolveCardComponent(T_Base* base, int32_t dimension, const char* text) {
  if (dimension < 0 || dimension >= kDimensionCount) return 0;
  ComponentRecord* component = Resolve(base, dimension, text ? text : "", nullptr);
  return component ? component->number : dimension;
}

ComponentRecord* AddGeneratedComponent(T_Base* base, int32_t d, const char* text,
                                       const char* hostCode) {
  int64_t* counter = &base->generatedCodeCounters[d];
  if (*counter == 0 && !FindByCode(base, d, "#"))
    AddComponent(base, d, "#", GetString(kTextNewComponents), nullptr);
  T_TextBuf code;
  do {
    FormatGeneratedCode(&code, ++*counter);
  } while (FindByCode(base, d, code.c_str()));
  return AddComponent(base, d, code.c_str(), text, hostCode);
}
