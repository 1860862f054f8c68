// Stand-ins for the date bounds' forms until their own part lands; the lead deletes this file
// when merging it. Kinds 0 to 7 behave as documented in date_ref.h; the time-scale kinds 8 and 9
// are never parsed and resolve as "File".
#include <cstring>

#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/date_ref.h"

namespace {

constexpr const char* kKindWords[] = {nullptr,   "Day",  "Week", "Month",
                                      "Quarter", "Year", "File", "Reference"};
constexpr int32_t kDateCharsMax = 32;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
int32_t WholeDayNumber(int32_t direction) { return direction < 0 ? 1 : kCardSequenceOpen; }
int32_t CardDigitsOf(const DateRef* ref) { return ref->database ? ref->database->cardDigits : 3; }

void AddOffsetDays(const DateRef* ref, CardId* id) {
  if (ref->offset != 0 && id->date != 0) CardIdAddDays(id, ref->direction, id->date, ref->offset);
}

bool ParseRule(DateRef* ref, const char* text) {
  size_t wordLength = strcspn(text, "+- ");
  if (wordLength == 0) return false;
  T_TextBuf word;
  TextBufAssignBytes(&word, text, static_cast<int32_t>(wordLength));
  for (int32_t kind = kDateRefDay; kind <= kDateRefReference; ++kind) {
    if (!StrStartsWithNoCase(kKindWords[kind], word.data)) continue;
    T_TextBuf rest(text + wordLength);
    TextBufRemoveChar(&rest, ' ');
    BlockTextFree(&ref->text);
    ref->kind = kind;
    ref->offset = ParseInt(rest.data, rest.length);
    return true;
  }
  return false;
}

void AppendRule(T_TextBuf* out, const DateRef* ref) {
  TextBufAppend(out, DateRefKindWord(ref->kind));
  if (ref->offset > 0) TextBufAppendChar(out, '+');
  if (ref->offset != 0) TextBufAppendInt(out, ref->offset);
}

}  // namespace

const char* DateRefKindWord(int32_t kind) {
  return kind >= kDateRefDay && kind <= kDateRefReference ? kKindWords[kind] : nullptr;
}

void DateRefClear(DateRef* ref) {
  BlockTextFree(&ref->text);
  ref->cardId = CardId{};
  ref->kind = kDateRefFixed;
  ref->offset = 0;
}

void DateRefSetDate(DateRef* ref, const CardId* id) {
  BlockTextFree(&ref->text);
  ref->cardId = *id;
  ref->kind = kDateRefFixed;
  ref->offset = 0;
}

void DateRefSetKind(DateRef* ref, int32_t kind) {
  BlockTextFree(&ref->text);
  ref->kind = kind;
  ref->offset = 0;
  DateRefResolve(ref);
}

void DateRefCopy(DateRef* target, const DateRef* source) {
  if (target == source) return;
  target->cardId = source->cardId;
  target->kind = source->kind;
  target->offset = source->offset;
  BlockTextAssign(&target->text, source->text);
  DateRefResolve(target);
}

void DateRefResolve(DateRef* ref) {
  CardId id;
  switch (ref->kind) {
    case kDateRefDay:
      CardIdToday(&id, ref->direction, ref->offset);
      break;
    case kDateRefWeek:
      CardIdThisWeek(&id, ref->direction, ref->offset);
      break;
    case kDateRefMonth:
      CardIdThisMonth(&id, ref->direction, ref->offset);
      break;
    case kDateRefQuarter:
      CardIdThisQuarter(&id, ref->direction, ref->offset);
      break;
    case kDateRefYear:
      CardIdThisYear(&id, ref->direction, ref->offset);
      break;
    case kDateRefReference:
      CardIdToday(&id, kDirectionTo, 0);
      if (ref->database && &ref->database->referenceDate != ref &&
          ref->database->referenceDate.cardId.date != 0)
        id = ref->database->referenceDate.cardId;
      AddOffsetDays(ref, &id);
      break;
    case kDateRefFile:
    case kDateRefCurrentPeriod:
    case kDateRefNamedPeriod:
      BlockTextFree(&ref->text);
      if (ref->kind != kDateRefFile) ref->offset = 0;
      ref->kind = kDateRefFile;
      if (ref->database) ref->database->GetCardIdBound(&id, ref->direction);
      AddOffsetDays(ref, &id);
      break;
    default:
      return;
  }
  ref->cardId = id;
}

void DateRefParse(DateRef* ref, const char* text, int32_t n) {
  T_TextBuf typed;
  TextBufAssignBytes(&typed, text, n);
  TextBufTrim(&typed, ' ');
  const char* s = typed.data;
  bool ruled = !IsDigit(s[0]) && ParseRule(ref, s);
  if (!ruled) {
    if (const char* blank = strchr(s, ' ')) {
      while (*blank == ' ') ++blank;
      ruled = *blank && ParseRule(ref, blank);
    }
  }
  if (ruled) {
    DateRefResolve(ref);
    return;
  }
  char digits[kDateCharsMax + 1];
  int32_t count = 0;
  for (const char* p = s; *p && count < kDateCharsMax; ++p) {
    if (IsDigit(*p) || *p == '-') digits[count++] = *p;
  }
  digits[count] = 0;
  CardId id;
  parseDate(&id, digits, count, ref->direction);
  if (ref->direction > 0 && id.date != 0 && id.sequence == MaxValueOfDigits(CardDigitsOf(ref)))
    id.sequence = kCardSequenceOpen;
  DateRefSetDate(ref, &id);
}

void DateRefNormalize(DateRef* ref, T_TextBuf* text) {
  DateRefParse(ref, text->data, text->length);
  if (ref->cardId.date == 0 && ref->kind != kDateRefFile) DateRefSetKind(ref, kDateRefFile);
  DateRefToText(ref, text);
}

bool ReadDateRef(DateRef* ref, T_IStream* stream) {
  char field[kDateRefFieldMax + 1];
  if (!stream->ReadFieldStr(field, sizeof field)) return false;
  if (field[0] == 0) return true;
  DateRefParse(ref, field, static_cast<int32_t>(strlen(field)));
  if (ref->cardId.date == 0 && ref->kind != kDateRefFile) DateRefSetKind(ref, kDateRefFile);
  return true;
}

void DateRefFileText(const DateRef* ref, T_TextBuf* out) {
  TextBufSetLength(out, 0);
  if (ref->kind != kDateRefFixed) {
    AppendRule(out, ref);
    return;
  }
  const CardId& id = ref->cardId;
  if (id.date == 0) return;
  char buffer[40];
  char* cursor = buffer;
  if (id.sequence == WholeDayNumber(ref->direction)) {
    FormatPackedDate(&cursor, id.date);
  } else {
    FormatCardId(&cursor, &id);
  }
  TextBufAppendBytes(out, buffer, static_cast<int32_t>(cursor - buffer));
}

void WriteDateRef(const DateRef* ref, T_OStream* stream) {
  T_TextBuf text;
  DateRefFileText(ref, &text);
  stream->PutSeparator();
  stream->PutTextBuf(&text);
}

void DateRefToText(const DateRef* ref, T_TextBuf* out) {
  FormatCardIdToString(out, &ref->cardId, CardDigitsOf(ref));
  if (ref->kind == kDateRefFixed) return;
  if (!out->empty()) TextBufAppendChar(out, ' ');
  AppendRule(out, ref);
}

bool DateRefEqual(const DateRef* a, const DateRef* b) {
  if (a->direction != b->direction || a->kind != b->kind) return false;
  switch (a->kind) {
    case kDateRefFixed:
      return CardIdEqual(&a->cardId, &b->cardId);
    case kDateRefCurrentPeriod:
    case kDateRefNamedPeriod:
      return a->offset == b->offset && StrEqualNullAsEmpty(a->text, b->text);
    default:
      return a->offset == b->offset;
  }
}

bool IsOpenBound(const DateRef* ref) { return ref->kind == kDateRefFile && ref->offset == 0; }

void WriteDateRange(T_OStream* stream, const char* label, const DateRef* from, const DateRef* to) {
  if (IsOpenBound(from) && IsOpenBound(to)) return;
  stream->PutText(label);
  if (IsOpenBound(from)) {
    stream->PutSeparator();
  } else {
    WriteDateRef(from, stream);
  }
  if (!IsOpenBound(to)) WriteDateRef(to, stream);
  stream->PutNewline();
}
