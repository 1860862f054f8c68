#include "database/date_ref.h"

#include <cstring>

#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/model_links.h"
#include "database/time_scale.h"
#include "ui/edit_field.h"

namespace {

// The kind words are part of the file form, so they are never translated.
constexpr const char* kKindWords[] = {nullptr,   "Day",  "Week", "Month",
                                      "Quarter", "Year", "File", "Reference"};
// What may follow a time-scale or period name in a bound's text.
constexpr const char* kNameEnds = "+- ";
// The longest run of date digits and hyphens a typed date is read from.
constexpr int32_t kDateCharsMax = 32;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int32_t WholeDayNumber(int32_t direction) { return direction < 0 ? 1 : kCardSequenceOpen; }

int32_t CardDigitsOf(const DateRef* ref) { return ref->database ? ref->database->cardDigits : 3; }

void BecomeFile(DateRef* ref) {
  BlockTextFree(&ref->text);
  ref->kind = kDateRefFile;
  ref->offset = 0;
}

// Kinds 6, 7 and 9 move a resolved card id by whole days; offset 0 keeps its number.
void AddOffsetDays(const DateRef* ref, CardId* id) {
  if (ref->offset != 0 && id->date != 0) CardIdAddDays(id, ref->direction, id->date, ref->offset);
}

CardId FileBound(const DateRef* ref) {
  CardId id;
  if (ref->database) ref->database->GetCardIdBound(&id, ref->direction);
  return id;
}

CardId ReferenceBound(const DateRef* ref) {
  // The database's own reference date of kind 7 would name itself: it counts as having no date.
  const DateRef* reference = ref->database ? &ref->database->referenceDate : nullptr;
  CardId id;
  if (reference && reference != ref && reference->cardId.date != 0) {
    id = reference->cardId;
  } else {
    CardIdToday(&id, kDirectionTo, 0);
  }
  AddOffsetDays(ref, &id);
  return id;
}

// False when the text names no time scale any more.
bool CurrentPeriodBound(const DateRef* ref, CardId* id) {
  PrefixMatcher matcher;
  PrefixMatcherInit(&matcher, ref->text ? ref->text : "", kNameEnds);
  TimeScale* scale = FindTimeScaleByPrefix(ref->database, &matcher);
  PrefixMatcherFree(&matcher);
  if (!scale) return false;
  CardId today;
  CardIdToday(&today, kDirectionFrom, 0);
  CardId start, end;
  PeriodBounds(scale, &start, &end, &today, ref->offset);
  bool openEnd = end.sequence == kCardSequenceOpen && end.date == 0x7fffffffu;
  if (ref->direction < 0) {
    if (start.date != 0) {
      *id = start;
      return true;
    }
    // Before the first period: the file's first card, but never past the stretch's end.
    *id = FileBound(ref);
    if (!openEnd && (id->date == 0 || CardIdGreater(id, &end))) *id = CardId{end.date, 1};
  } else {
    if (!openEnd) {
      *id = end;
      return true;
    }
    // The last period: the file's last card, but never before the period's start.
    *id = FileBound(ref);
    if (start.date != 0 && (id->date == 0 || CardIdLess(id, &start)))
      *id = CardId{start.date, kCardSequenceOpen};
  }
  return true;
}

bool NamedPeriodBound(const DateRef* ref, CardId* id) {
  PrefixMatcher matcher;
  PrefixMatcherInit(&matcher, ref->text ? ref->text : "", kNameEnds);
  int64_t index = 0;
  TimeScale* scale = FindPeriodByPrefix(ref->database, &matcher, &index);
  PrefixMatcherFree(&matcher);
  if (!scale) return false;
  PeriodBound(scale, id, index, ref->direction);
  AddOffsetDays(ref, id);
  return true;
}

// An offset after a time-scale or period name: empty (0) or a sign and digits, blanks ignored.
bool ReadSignedOffset(const char* rest, int32_t* offset) {
  T_TextBuf text(rest);
  TextBufRemoveChar(&text, ' ');
  if (text.empty()) {
    *offset = 0;
    return true;
  }
  if ((text.data[0] != '+' && text.data[0] != '-') || text.length < 2) return false;
  for (int32_t i = 1; i < text.length; ++i) {
    if (!IsDigit(text.data[i])) return false;
  }
  *offset = ParseInt(text.data, text.length);
  return true;
}

void SetRule(DateRef* ref, int32_t kind, int32_t offset, const char* text) {
  ref->kind = kind;
  ref->offset = offset;
  BlockTextAssign(&ref->text, text);
}

// A kind word, a time-scale name or a period name at the start of the text, each with its
// offset; false (the bound untouched) when none fits.
bool ParseRule(DateRef* ref, const char* text) {
  size_t wordLength = strcspn(text, "+- ");
  if (wordLength > 0) {
    T_TextBuf word;
    TextBufAssignBytes(&word, text, static_cast<int32_t>(wordLength));
    for (int32_t kind = kDateRefDay; kind <= kDateRefReference; ++kind) {
      if (!StrStartsWithNoCase(kKindWords[kind], word.data)) continue;
      T_TextBuf rest(text + wordLength);
      TextBufRemoveChar(&rest, ' ');
      SetRule(ref, kind, ParseInt(rest.data, rest.length), nullptr);
      return true;
    }
  }

  // A time-scale name counts only with an offset that reads as one, so that a period whose
  // name begins with a time scale's name can still be named.
  PrefixMatcher matcher;
  PrefixMatcherInit(&matcher, text, kNameEnds);
  int32_t offset = 0;
  bool found = FindTimeScaleByPrefix(ref->database, &matcher) &&
               ReadSignedOffset(PrefixMatcherRest(&matcher), &offset);
  if (found) SetRule(ref, kDateRefCurrentPeriod, offset, matcher.bestText.data);
  PrefixMatcherFree(&matcher);
  if (found) return true;

  PrefixMatcherInit(&matcher, text, kNameEnds);
  int64_t index = 0;
  found = FindPeriodByPrefix(ref->database, &matcher, &index) != nullptr;
  if (found) {
    if (!ReadSignedOffset(PrefixMatcherRest(&matcher), &offset)) offset = 0;
    SetRule(ref, kDateRefNamedPeriod, offset, matcher.bestText.data);
  }
  PrefixMatcherFree(&matcher);
  return found;
}

void AppendSignedOffset(T_TextBuf* out, int32_t offset) {
  if (offset == 0) return;
  if (offset > 0) TextBufAppendChar(out, '+');
  TextBufAppendInt(out, offset);
}

// The card id as the file form writes it: the date alone for the whole-day number.
void AppendFileCardId(T_TextBuf* out, const DateRef* ref) {
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

void AppendRule(T_TextBuf* out, const DateRef* ref) {
  if (ref->kind == kDateRefCurrentPeriod || ref->kind == kDateRefNamedPeriod) {
    TextBufAppend(out, ref->text);
  } else {
    TextBufAppend(out, DateRefKindWord(ref->kind));
  }
  AppendSignedOffset(out, ref->offset);
}

}  // namespace

const char* DateRefKindWord(int32_t kind) {
  return kind >= kDateRefDay && kind <= kDateRefReference ? kKindWords[kind] : nullptr;
}

void DateRefInit(DateRef* ref, T_Base* database, int32_t direction) {
  ref->cardId = CardId{};
  ref->database = database;
  ref->kind = kDateRefFixed;
  ref->direction = direction;
  ref->offset = 0;
  ref->text = nullptr;
}

void DateRefFree(DateRef* ref) { DateRefClear(ref); }

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
    case kDateRefFile:
      id = FileBound(ref);
      AddOffsetDays(ref, &id);
      break;
    case kDateRefReference:
      id = ReferenceBound(ref);
      break;
    case kDateRefCurrentPeriod:
    case kDateRefNamedPeriod: {
      bool named = ref->kind == kDateRefNamedPeriod;
      if (!(named ? NamedPeriodBound(ref, &id) : CurrentPeriodBound(ref, &id))) {
        BecomeFile(ref);
        id = FileBound(ref);
      }
      break;
    }
    default:
      return;
  }
  ref->cardId = id;
}

// --- Texts ------------------------------------------------------------------------------------

void DateRefParse(DateRef* ref, const char* text, int32_t n) {
  T_TextBuf typed;
  TextBufAssignBytes(&typed, text, n);
  TextBufTrim(&typed, ' ');
  const char* s = typed.data;

  bool ruled = !IsDigit(s[0]) && ParseRule(ref, s);
  if (!ruled) {
    // The display form: a date followed by its rule.
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
  // The largest number the digits can show is how a to-bound's whole day is displayed.
  if (ref->direction > 0 && id.date != 0 && id.sequence == MaxValueOfDigits(CardDigitsOf(ref)))
    id.sequence = kCardSequenceOpen;
  DateRefSetDate(ref, &id);
}

void DateRefNormalize(DateRef* ref, T_TextBuf* text) {
  DateRefParse(ref, text->data, text->length);
  if (ref->cardId.date == 0 && ref->kind != kDateRefFile) {
    BecomeFile(ref);
    DateRefResolve(ref);
  }
  DateRefToText(ref, text);
}

bool ReadDateRef(DateRef* ref, T_IStream* stream) {
  char field[kDateRefFieldMax + 1];
  if (!stream->ReadFieldStr(field, sizeof field)) return false;
  if (field[0] == 0) return true;
  DateRefParse(ref, field, static_cast<int32_t>(strlen(field)));
  if (ref->cardId.date == 0 && ref->kind != kDateRefFile) {
    BecomeFile(ref);
    DateRefResolve(ref);
  }
  return true;
}

void DateRefFileText(const DateRef* ref, T_TextBuf* out) {
  TextBufSetLength(out, 0);
  if (ref->kind == kDateRefFixed || ref->kind == kDateRefCurrentPeriod ||
      ref->kind == kDateRefNamedPeriod)
    AppendFileCardId(out, ref);
  if (ref->kind == kDateRefFixed) return;
  if (!out->empty()) TextBufAppendChar(out, ' ');
  AppendRule(out, ref);
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

// --- Comparing and writing ranges ---------------------------------------------------------------

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

// --- Change notes -------------------------------------------------------------------------------

bool DateRefOnNotify(DateRef* ref, const ChangeNote* note, T_GrafElement* editField) {
  bool resolve = false;
  switch (note->code) {
    case kChangeRefresh:
      resolve = ref->kind != kDateRefFixed;
      break;
    case kChangeCardSaved:
    case kChangeCards:
      resolve = ref->kind == kDateRefFile;
      break;
    case kChangeReferenceDate:
      resolve = ref->kind == kDateRefReference;
      break;
    case kChangeTimeScaleChanged:
    case kChangeTimeScaleDeleted:
      resolve = ref->kind == kDateRefCurrentPeriod || ref->kind == kDateRefNamedPeriod;
      break;
    case kChangeCardDigits:
      break;
    default:
      return false;
  }
  bool moved = false;
  if (resolve) {
    CardId before = ref->cardId;
    int32_t kindBefore = ref->kind;
    DateRefResolve(ref);
    moved = CardIdNotEqual(&before, &ref->cardId) || kindBefore != ref->kind;
  }
  if ((moved || note->code == kChangeCardDigits) && editField) {
    if (auto* field = dynamic_cast<T_Edit*>(editField)) {
      T_TextBuf text;
      DateRefToText(ref, &text);
      field->SetText(text.data);
    }
  }
  return moved;
}

void ReferenceDateOnNotify(T_Base* base, const ChangeNote* note) {
  if (DateRefOnNotify(&base->referenceDate, note, nullptr)) base->NotifyCode(kChangeReferenceDate);
}
