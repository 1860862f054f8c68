// The transform's rules, option tokens, steps and run. The dialog's controls are in
// transform_dialog.cpp.
#include "analysis/cards/transform.h"

#include <cmath>
#include <cstring>

#include "analysis/cards/card_editor.h"
#include "core/alert.h"
#include "core/cstring.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/placeholders.h"
#include "core/value_format.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/lines.h"
#include "database/object_services.h"
#include "database/operation_log.h"
#include "ui/document_window.h"
#include "ui/frame_items.h"

namespace {

constexpr int32_t kDialogWidth = 620;

bool Blank(char c) { return c == ' ' || c == '\t'; }

void TrimBlanks(T_TextBuf* text) {
  TextBufTrim(text, ' ');
  TextBufTrim(text, '\t');
  TextBufTrim(text, ' ');
}

bool SameText(const char* a, const char* b) { return StrEqualNullAsEmpty(a, b); }

// Six digits yymmdd.
void AssignSixDigits(T_TextBuf* text, PackedDate date) {
  TextBufAssign(text, "");
  if (date == 0) return;
  TextBufAppendIntWidth(text, PackedDateYear(date) % 100, 2);
  TextBufAppendIntWidth(text, PackedDateMonth(date), 2);
  TextBufAppendIntWidth(text, PackedDateDay(date), 2);
}

int32_t FirstDay() { return PackedDateToDayNumber(PackDate(1900, 1, 1)); }
int32_t LastDay() { return PackedDateToDayNumber(PackDate(2069, 12, 31)); }

int32_t DialogHeight(const T_Base* base) {
  int32_t dims = base ? base->lineSlots + 1 : 1;
  int32_t values = base ? base->valueCount : 1;
  int32_t left = 40 + 24 * dims;
  int32_t right = 40 + 24 * 3;
  return (left > right ? left : right) + 3 * 26 + 24 * values + 80;
}

// Walks a group's lines up to the last one it held when the walk began, so that lines appended to
// it meanwhile (a group copied into itself) are not visited.
template <typename Visit>
void ForOldLines(GroupRecord* group, Visit visit) {
  LineRecord* last = group->lastLine;
  for (LineRecord* line = group->firstLine; line;) {
    LineRecord* next = line->next;
    visit(line);
    if (line == last) break;
    line = next;
  }
}

bool LineBitSet(const BitVector* set, int64_t number) {
  return number < set->count && BitVecGet(set, number);
}

}  // namespace

// --- Text rules ------------------------------------------------------------------------------

bool ApplyTextRule(const TextRule* rule, const char* text, bool trim, T_TextBuf* out) {
  const char* replacement = rule->to;
  if (replacement && std::strcmp(replacement, "\\") == 0) replacement = nullptr;
  const char* from = rule->from;
  TextBufAssign(out, text);
  if (!from) {
    TextBufAssign(out, replacement);
  } else if (std::strcmp(from, "<") == 0) {
    TextBufInsert(out, 0, replacement);
  } else if (std::strcmp(from, ">") == 0) {
    TextBufAppend(out, replacement);
  } else if (std::strcmp(from, "\\") == 0) {
    if (out->length == 0) TextBufAssign(out, replacement);
  } else if (std::strcmp(from, "\xC2\xAC\\") == 0) {
    // Only texts that hold something are rewritten; an empty one stays empty.
    if (out->length > 0) TextBufAssign(out, replacement);
  } else {
    int32_t fromLength = StrLen(from);
    int32_t with = StrLen(replacement);
    for (int32_t at = TextBufFindNoCase(out, 0, from); at >= 0;
         at = TextBufFindNoCase(out, at + with, from)) {
      TextBufReplaceBytes(out, at, fromLength, replacement ? replacement : "", with);
    }
  }
  if (trim) TrimBlanks(out);
  return !SameText(out->c_str(), text);
}

// --- Construction ---------------------------------------------------------------------------

T_Transform::T_Transform(T_HWindow* owner)
    : T_HDialog(kDialogWidth, DialogHeight(owner ? owner->database : nullptr),
                owner ? owner->database : nullptr, owner),
      ownerWindow(owner) {
  for (int64_t& target : targets) target = -1;
  T_TextBuf title(GetString(kTextTransformTitle));
  TextBufFillParam(&title, 0, owner ? owner->Title() : "");
  SetTitleBuf(&title);
  // The variable table: "T", then the value names.
  int32_t values = database ? database->valueCount : 0;
  variableCount = static_cast<uint32_t>(values + 1);
  int32_t count = static_cast<int32_t>(variableCount);
  std::memcpy(variables, &count, sizeof count);
  std::strcpy(variables + 4, "T");
  for (int32_t c = 0; c < values; ++c) {
    T_TextBuf name;
    database->GetValueName(&name, c);
    StrCopyN(variables + 4 + 32 * (c + 1), kExprNameRowSize, name.c_str());
  }
  state = kTransformCount;
  if (owner) owner->SetupTransform(this);
}

T_Transform::~T_Transform() {
  for (int32_t c = 0; c < kMaxValueCount; ++c) {
    MemFreeHeld(&programs[c]);
    BlockTextFree(&expressions[c]);
  }
  for (TextRule* rule : {&lineTextRule, &titleRule, &notesRule}) {
    BlockTextFree(&rule->from);
    BlockTextFree(&rule->to);
  }
  BitVecFree(&ruledLines);
  if (shown && ownerWindow) {
    state = kTransformClosing;
    ownerWindow->SetupTransform(this);
  }
}

// --- Fields ----------------------------------------------------------------------------------

bool T_Transform::SetField(int32_t field, T_TextBuf* text) {
  if (!database || field < 0 || field >= kTransformFieldCount || field == 32) return false;
  if (field < kDimensionCount) {
    if (field > database->lineSlots) return false;
    TrimBlanks(text);
    if (std::strcmp(text->c_str(), "\\") == 0) {
      targets[field] = field;
    } else if (text->length == 0) {
      targets[field] = -1;
    } else {
      int64_t found = database->FindComponentOrAsk(field, text->c_str(), text->length, this);
      // Nothing found: the previous target stays.
      if (found != field) targets[field] = found;
    }
    if (targets[field] == -1) {
      TextBufAssign(text, "");
    } else if (targets[field] == field) {
      TextBufAssign(text, "\\");
    } else {
      database->GetComponentText(text, targets[field], field);
    }
    return true;
  }
  if (field <= kTransformTargetEnd) {
    T_TextBuf digits;
    for (int32_t i = 0; i < text->length; ++i) {
      char c = text->data[i];
      if (c != '.' && !Blank(c)) TextBufAppendChar(&digits, c);
    }
    bool lower = field == kTransformSourceStart || field == kTransformTargetStart;
    PackedDate date = 0;
    if (digits.length > 0) {
      date = ParsePackedDate(digits.c_str(), digits.length, lower ? -1 : 1);
      if (date == 0) return false;
    } else if (field == kTransformSourceStart) {
      date = defaultSourceStart.date;
    } else if (field == kTransformSourceEnd) {
      date = defaultSourceEnd.date;
    }
    PackedDate* slot[] = {&sourceStart, &sourceEnd, &targetStart, &targetEnd};
    *slot[field - kTransformSourceStart] = date;
    AssignSixDigits(text, date);
    return true;
  }
  if (field < kTransformFirstValue) {
    int32_t n = field - kTransformTitleFrom;
    TextRule* rules[] = {&titleRule, &lineTextRule, &notesRule};
    TextRule* rule = rules[n / 2];
    char** slot = n % 2 == 0 ? &rule->from : &rule->to;
    return BlockTextAssignBuf(slot, text);
  }
  int32_t column = field - kTransformFirstValue;
  if (column >= database->valueCount) return false;
  TrimBlanks(text);
  T_TextBuf name;
  database->GetValueName(&name, column);
  if (StrCompareNoCaseNullAsEmpty(text->c_str(), name.c_str()) == 0) TextBufAssign(text, "");
  if (text->length == 0) {
    MemFreeHeld(&programs[column]);
    BlockTextFree(&expressions[column]);
  } else {
    T_TextBuf compiled(text->c_str());
    PendingErrorClear();
    ExprProgram* program = nullptr;
    Expr_Compile(&program, &compiled, variables);
    if (!program) {
      // Nothing could be read, or the compiler refused it: the old expression stays.
      if (PendingError.request.message == 0) PendingErrorSet(kMsgFormulaTooLong);
      return false;
    }
    MemFreeHeld(&programs[column]);
    programs[column] = program;
    BlockTextAssignBuf(&expressions[column], &compiled);
    TextBufAssignBuf(text, &compiled);
  }
  tUsed = 0;
  for (int32_t c = 0; c < kMaxValueCount; ++c) {
    if (programs[c] && Criteria_UsesId(&programs[c], 0)) tUsed = 1;
  }
  return true;
}

bool Transform_parseOption(T_Transform* transform, const char* token) {
  if (!transform || !token) return false;
  if (*token == '-') ++token;
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  auto starts = [&](const char* prefix) {
    for (int32_t i = 0; prefix[i]; ++i) {
      if (upper(token[i]) != prefix[i]) return false;
    }
    return true;
  };
  auto set = [&](int32_t field, const char* value) {
    T_TextBuf text(value);
    return transform->SetField(field, &text);
  };
  if (starts("A") && token[1] == 0) {
    transform->copyMode = 1;
    return true;
  }
  static const struct {
    const char* prefix;
    int32_t field;
  } kPrefixed[] = {{"CB=", kTransformSourceStart},   {"CE=", kTransformSourceEnd},
                   {"CF=", kTransformTargetStart},   {"CT=", kTransformTargetEnd},
                   {"TF=", kTransformTitleFrom},     {"TT=", kTransformTitleFrom + 1},
                   {"LF=", kTransformLineTextFrom},  {"LT=", kTransformLineTextFrom + 1},
                   {"NF=", kTransformNotesFrom},     {"NT=", kTransformNotesFrom + 1}};
  for (const auto& entry : kPrefixed) {
    if (starts(entry.prefix)) return set(entry.field, token + std::strlen(entry.prefix));
  }
  static const char* const kClears[] = {"XR", "XE", "XA", "XN"};
  for (int32_t i = 0; i < 4; ++i) {
    if (starts(kClears[i]) && token[2] == 0) {
      transform->clear[i] = 1;
      return true;
    }
  }
  if (starts("D")) {
    int32_t n = 0;
    const char* p = token + 1;
    for (; *p >= '0' && *p <= '9' && n < 1000; ++p) n = n * 10 + (*p - '0');
    if (p == token + 1 || *p != '=' || n < 1 || !transform->database ||
        n > transform->database->lineSlots + 1) {
      return false;
    }
    return set(n - 1, p + 1);
  }
  if (starts("V") && token[1] && (token[1] == '=' || token[2] == '=')) {
    // "V=" is value 1; "V" and a column letter ("A" is value 1, as is "1") the value of it.
    int32_t column = token[1] == '=' ? 0 : DecodeColumnLetter(upper(token[1]));
    T_Base* base = transform->database;
    if (column < 0 || !base || column >= base->valueCount) return false;
    T_TextBuf text(token + (token[1] == '=' ? 2 : 3));
    // Column letters written as whole names stand for the values; "T" stays the time.
    for (int32_t c = 0; c < base->valueCount; ++c) {
      char letter[2] = {EncodeColumnLetter(c), 0};
      if (letter[0] == 'T') continue;
      T_TextBuf name;
      base->GetValueName(&name, c);
      ReplaceIdentifier(&text, letter, name.c_str(), kNameSkipTokens);
    }
    return transform->SetField(kTransformFirstValue + column, &text);
  }
  return false;
}

// --- Preparing the run ----------------------------------------------------------------------

void T_Transform::Prepare() {
  if (sourceStart == 0) sourceStart = defaultSourceStart.date;
  if (sourceEnd == 0) sourceEnd = defaultSourceEnd.date;
  startDay = PackedDateToDayNumber(sourceStart);
  endDay = PackedDateToDayNumber(sourceEnd);
  factor = 1;
  offset = 0;
  dateMapping = 0;
  if (targetStart && targetEnd) {
    if ((targetStart != sourceStart || targetEnd != sourceEnd) && startDay != endDay) {
      factor = static_cast<double>(PackedDateToDayNumber(targetEnd) -
                                   PackedDateToDayNumber(targetStart)) /
               (endDay - startDay);
      offset = PackedDateToDayNumber(targetStart) - startDay * factor;
      dateMapping = 1;
    }
  } else if (targetEnd) {
    if (targetEnd != sourceEnd) {
      offset = PackedDateToDayNumber(targetEnd) - endDay;
      dateMapping = 1;
    }
  } else if (targetStart) {
    if (targetStart != sourceStart) {
      offset = PackedDateToDayNumber(targetStart) - startDay;
      dateMapping = 1;
    }
  }
  valueRule = 0;
  for (int32_t c = 0; c < kMaxValueCount; ++c) valueRule |= programs[c] ? 1 : 0;
  cardRule = dateMapping || titleRule.Given() || notesRule.Given();
  groupRule = targets[0] != -1;
  lineRule = valueRule || lineTextRule.Given();
  for (int32_t d = 1; d < kDimensionCount; ++d) lineRule |= targets[d] != -1 ? 1 : 0;
  stampRule = clear[0] || clear[1] || clear[2] || clear[3];
  BitVecFree(&ruledLines);
  if (lineRule && database) {
    BitVecInit(&ruledLines, database->linePool.count, 0);
    BitVecFill(&ruledLines, false);
  }
}

PackedDate T_Transform::MapDate(PackedDate date) const {
  if (!dateMapping) return date;
  double day = std::floor(PackedDateToDayNumber(date) * factor + offset + 0.5);
  return dayNumberToDate(static_cast<int32_t>(day));
}

bool T_Transform::CheckDateRange() const {
  if (!dateMapping) return true;
  for (PackedDate date : {defaultSourceStart.date, defaultSourceEnd.date}) {
    if (date == 0) continue;
    double day = std::floor(PackedDateToDayNumber(date) * factor + offset + 0.5);
    if (day >= FirstDay() && day <= LastDay()) continue;
    if (PendingErrorSet(kErrorTransformDate)) {
      T_TextBuf text;
      AssignSixDigits(&text, date);
      AlertAddText(&PendingError.request, text.c_str());
    }
    return false;
  }
  return true;
}

void T_Transform::ComputeT(PackedDate date) {
  t = endDay == startDay ? 0.0
                         : static_cast<double>(PackedDateToDayNumber(date) - startDay) /
                               (endDay - startDay);
}

bool T_Transform::ComputeValues(double* values, bool) {
  int32_t n = database ? database->valueCount : 0;
  double variableValues[kMaxValueCount + 1];
  variableValues[0] = t;
  for (int32_t c = 0; c < n; ++c) variableValues[c + 1] = values[c];
  bool changed = false;
  for (int32_t c = 0; c < n; ++c) {
    if (!programs[c]) continue;
    double result = Expr_Run(&programs[c], variableValues);
    if (!std::isfinite(result)) result = 0;
    if (std::isnan(values[c]) || values[c] != result) {
      values[c] = result;
      changed = true;
    }
  }
  return changed;
}

// --- Stamps ----------------------------------------------------------------------------------

void T_Transform::ApplyStamps(CardRecord* card, bool changed) {
  if (!card) return;
  if (stampRule) {
    if (clear[kClearExamined]) card->examined = SignatureStamp{};
    if (clear[kClearApproved]) card->approved = SignatureStamp{};
    if (clear[kClearNotes]) card->notesStamp = SignatureStamp{};
  }
  if (clear[kClearReset]) {
    card->created = SignatureStamp{};
    card->changed = SignatureStamp{};
  } else if (changed && stampTaken) {
    StampCardChange(card, &runStamp);
  }
}

void T_Transform::Step() {
  if (progress) progress->Advance(1);
}

// --- Lines -----------------------------------------------------------------------------------

void T_Transform::ApplyLineRules(LineRecord* line) {
  if (!lineRule) return;
  // A line moved into a group that the walk reaches later is ruled once.
  if (LineBitSet(&ruledLines, line->number)) return;
  if (line->number < ruledLines.count) BitVecSet(&ruledLines, line->number, true);
  for (int32_t d = 1; d <= database->lineSlots; ++d) {
    if (targets[d] == -1 || database->GetLineComponent(line, d - 1) == targets[d]) continue;
    database->SetLineComponent(line, d - 1, targets[d]);
    cardChanged = 1;
  }
  if (valueRule) {
    double values[kMaxValueCount];
    for (int32_t c = 0; c < database->valueCount; ++c) values[c] = database->GetLineValue(line, c);
    if (ComputeValues(values, false)) {
      database->SetLineValues(line, values);
      cardChanged = 1;
    }
  }
  if (lineTextRule.Given()) {
    T_TextBuf text;
    if (ApplyTextRule(&lineTextRule, line->text, true, &text)) {
      SetLineText(line, text.c_str());
      cardChanged = 1;
    }
  }
}

void T_Transform::CopyLineInto(GroupRecord* target, LineRecord* line) {
  if (!target) return;
  LineRecord* copy = CreateLine(database, target);
  if (!copy) return;
  database->CopyLineComponents(copy, line);
  for (int32_t d = 1; d <= database->lineSlots; ++d) {
    if (targets[d] != -1) database->SetLineComponent(copy, d - 1, targets[d]);
  }
  double values[kMaxValueCount];
  for (int32_t c = 0; c < database->valueCount; ++c) values[c] = database->GetLineValue(line, c);
  ComputeValues(values, true);
  database->SetLineValues(copy, values);
  if (lineTextRule.Given()) {
    T_TextBuf text;
    ApplyTextRule(&lineTextRule, line->text, true, &text);
    SetLineText(copy, text.c_str());
  } else {
    SetLineText(copy, line->text);
  }
  if (copy->number < ruledLines.count) BitVecSet(&ruledLines, copy->number, true);
  cardChanged = 1;
}

GroupRecord* T_Transform::TargetGroup(int64_t component) {
  return database->FindOrAddGroup(targetCard, groupRule ? targets[0] : component);
}

// --- Whole cards -----------------------------------------------------------------------------

void T_Transform::TransformCard(CardRecord* card) {
  sourceCard = targetCard = card;
  cardChanged = 0;
  linesMoved = 0;
  if (tUsed) ComputeT(card->dateNode->date);
  if (cardRule) {
    if (dateMapping) {
      PackedDate date = MapDate(card->dateNode->date);
      if (date != card->dateNode->date) {
        CardId id{date, 1};
        if (MoveCard(database, card, &id)) cardChanged = 1;
      }
    }
    T_TextBuf text;
    if (titleRule.Given() && ApplyTextRule(&titleRule, card->title, true, &text)) {
      SetCardTitle(card, text.c_str());
      cardChanged = 1;
    }
    if (notesRule.Given() && ApplyTextRule(&notesRule, card->notes, false, &text)) {
      SetCardNotes(card, text.c_str());
      if (text.length == 0) {
        card->notesStamp = SignatureStamp{};
      } else if (stampTaken) {
        card->notesStamp = runStamp;
      }
      cardChanged = 1;
    }
  }
  if (groupRule && card->firstGroup) {
    MergeGroups(database, card->firstGroup);
    card->firstGroup->component = targets[0];
    cardChanged = 1;
  }
  if (lineRule) {
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      for (LineRecord* line = group->firstLine; line; line = line->next) ApplyLineRules(line);
    }
  }
  ApplyStamps(card, cardChanged);
  sourceCard = targetCard = nullptr;
  Step();
}

void T_Transform::CopyCard(CardRecord* card) {
  if (tUsed) ComputeT(card->dateNode->date);
  CardId id{MapDate(card->dateNode->date), 1};
  CardRecord* copy = CreateCard(database, &id);
  if (!copy) return;
  T_TextBuf text;
  if (cardRule && titleRule.Given()) {
    ApplyTextRule(&titleRule, card->title, true, &text);
    SetCardTitle(copy, text.c_str());
  } else {
    SetCardTitle(copy, card->title);
  }
  if (cardRule && notesRule.Given()) {
    ApplyTextRule(&notesRule, card->notes, false, &text);
    SetCardNotes(copy, text.c_str());
    if (text.length > 0 && stampTaken) copy->notesStamp = runStamp;
  }
  sourceCard = card;
  targetCard = copy;
  for (GroupRecord* group = card->firstGroup; group; group = group->next) {
    GroupRecord* target = TargetGroup(group->component);
    ForOldLines(group, [&](LineRecord* line) { CopyLineInto(target, line); });
  }
  if (!clear[kClearReset] && stampTaken) copy->created = runStamp;
  PruneCard(database, copy);
  sourceCard = targetCard = nullptr;
  Step();
}

// --- Rows of groups or lines -----------------------------------------------------------------

void T_Transform::BeginCard(CardRecord* card) {
  if (sourceCard) FinishCard();
  if (tUsed) ComputeT(card->dateNode->date);
  sourceCard = targetCard = card;
  linesMoved = 0;
  cardChanged = 0;
  previousKept = nullptr;
  if (!cardRule) return;
  PackedDate date = MapDate(card->dateNode->date);
  T_TextBuf title, notes;
  bool titleChanged = titleRule.Given() && ApplyTextRule(&titleRule, card->title, true, &title);
  bool notesChanged = notesRule.Given() && ApplyTextRule(&notesRule, card->notes, false, &notes);
  if (date == card->dateNode->date && !titleChanged && !notesChanged) return;
  CardId id{date, 1};
  CardRecord* created = CreateCard(database, &id);
  if (!created) return;
  SetCardTitle(created, titleChanged ? title.c_str() : card->title);
  SetCardNotes(created, notesChanged ? notes.c_str() : card->notes);
  if (created->notes && created->notes[0]) {
    created->notesStamp = notesChanged ? (stampTaken ? runStamp : SignatureStamp{}) : card->notesStamp;
  }
  targetCard = created;
  cardChanged = 1;
}

void T_Transform::TransformGroup(GroupRecord* group) {
  if (!sourceCard) return;
  for (LineRecord* line = group->firstLine; line; line = line->next) ApplyLineRules(line);
  GroupRecord* target = TargetGroup(group->component);
  if (target && target != group && group->firstLine) {
    if (target->lastLine) {
      target->lastLine->next = group->firstLine;
    } else {
      target->firstLine = group->firstLine;
    }
    target->lastLine = group->lastLine;
    group->firstLine = group->lastLine = nullptr;
    cardChanged = 1;
    linesMoved = 1;
  }
  Step();
}

void T_Transform::CopyGroup(GroupRecord* group) {
  if (!sourceCard) return;
  GroupRecord* target = TargetGroup(group->component);
  ForOldLines(group, [&](LineRecord* line) { CopyLineInto(target, line); });
  Step();
}

void T_Transform::MoveLine(GroupRecord* group, LineRecord* line) {
  if (!sourceCard) return;
  ApplyLineRules(line);
  GroupRecord* target = TargetGroup(group->component);
  if (target && target != group) {
    // The line before it: rows come in group order, so the search starts at the last line of
    // the group that stayed.
    LineRecord* before = nullptr;
    LineRecord* at = previousKept && previousGroup == group ? previousKept : group->firstLine;
    if (at != line) {
      while (at && at->next != line) at = at->next;
      before = at;
    }
    if (before || group->firstLine == line) {
      if (before) {
        before->next = line->next;
      } else {
        group->firstLine = line->next;
      }
      if (group->lastLine == line) group->lastLine = before;
      line->next = nullptr;
      if (target->lastLine) {
        target->lastLine->next = line;
      } else {
        target->firstLine = line;
      }
      target->lastLine = line;
      cardChanged = 1;
      linesMoved = 1;
      previousKept = before;
      previousGroup = group;
    }
  } else {
    previousKept = line;
    previousGroup = group;
  }
  Step();
}

void T_Transform::CopyLine(GroupRecord* group, LineRecord* line) {
  if (!sourceCard) return;
  CopyLineInto(TargetGroup(group->component), line);
  Step();
}

void T_Transform::FinishCard() {
  if (!sourceCard) return;
  ApplyStamps(targetCard, cardChanged);
  CardRecord* target = targetCard;
  CardRecord* source = sourceCard;
  sourceCard = targetCard = nullptr;
  previousKept = nullptr;
  previousGroup = nullptr;
  PruneCard(database, target);
  if (target != source) {
    if (linesMoved && stampTaken && !clear[kClearReset]) StampCardChange(source, &runStamp);
    PruneCard(database, source);
  }
}

// --- The run ---------------------------------------------------------------------------------

bool TakeOperationStamp(T_Window* owner, SignatureStamp* stamp) {
  if (CardServices().signatureStamp) return CardServices().signatureStamp(stamp, owner);
  GetSignatureStamp(stamp);
  return true;
}

bool Transform_run(T_Transform* transform) {
  if (AbortRequested() || !transform->database || !transform->ownerWindow) return false;
  transform->Prepare();
  if (!transform->CheckDateRange()) return false;
  if (transform->progress) transform->progress->Start(transform->rowCount);
  transform->stampTaken = 0;
  bool editor = transform->ownerWindow->windowKind == kWindowCardEditor;
  if (!transform->clear[kClearReset] && !editor &&
      (transform->cardRule || transform->groupRule || transform->lineRule)) {
    if (!TakeOperationStamp(transform->ownerWindow, &transform->runStamp)) return false;
    transform->stampTaken = 1;
  }
  transform->state = kTransformRun;
  transform->ownerWindow->SetupTransform(transform);
  LogOperation(transform->database, nullptr, transform->ownerWindow->Title(), kLogVerbTransformed);
  if (transform->progress && !AbortRequested()) transform->progress->Finish();
  return !AbortRequested();
}
