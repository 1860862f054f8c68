#include "database/lines.h"

#include <cstring>

#include "core/cstring.h"
#include "core/locale.h"
#include "core/owned_text.h"
#include "core/paged_array.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/line_origins.h"

namespace {

// --- Records ------------------------------------------------------------------------------------

GroupRecord* AllocGroup(T_Base* base) {
  GroupRecord* group = TakePoolRecord(&base->groupPool, &base->groupFreeList);
  if (!group) return nullptr;
  int64_t number = group->number;
  *group = GroupRecord{};
  group->number = number;
  ++base->groupCount;
  return group;
}

LineRecord* AllocLine(T_Base* base) {
  LineRecord* line = TakePoolRecord(&base->linePool, &base->lineFreeList);
  if (!line) return nullptr;
  int64_t number = line->number;
  std::memset(line, 0, static_cast<size_t>(base->linePool.width));
  line->number = number;
  ++base->lineCount;
  return line;
}

void FreeLine(T_Base* base, LineRecord* line) {
  BlockTextFree(&line->text);
  line->next = base->lineFreeList;
  base->lineFreeList = line;
  --base->lineCount;
}

// Frees the group's lines and the group; the group must be unlinked already.
void FreeGroup(T_Base* base, GroupRecord* group) {
  for (LineRecord* line = group->firstLine; line;) {
    LineRecord* following = line->next;
    FreeLine(base, line);
    line = following;
  }
  group->firstLine = group->lastLine = nullptr;
  group->next = base->groupFreeList;
  base->groupFreeList = group;
  --base->groupCount;
}

void UnlinkGroup(CardRecord* card, GroupRecord* group) {
  for (GroupRecord** link = &card->firstGroup; *link; link = &(*link)->next) {
    if (*link == group) {
      *link = group->next;
      return;
    }
  }
}

// Unlinks the line from its group, given the line before it (null for the first line).
void UnlinkLine(GroupRecord* group, LineRecord* previous, LineRecord* line) {
  if (previous)
    previous->next = line->next;
  else
    group->firstLine = line->next;
  if (group->lastLine == line) group->lastLine = previous;
}

LineRecord* LineBefore(GroupRecord* group, LineRecord* line, LineRecord* from) {
  if (group->firstLine == line) return nullptr;
  for (LineRecord* p = from; p; p = p->next)
    if (p->next == line) return p;
  LineRecord* p = group->firstLine;
  while (p->next != line) p = p->next;
  return p;
}

void FinishDeletionCard(T_Base* base) {
  if (!base->deletionCard) return;
  if (CardRecord* card = PruneCard(base, base->deletionCard))
    StampCardChange(card, &base->deletionStamp);
  base->deletionCard = nullptr;
  base->deletionGroup = nullptr;
  base->deletionPrevious = nullptr;
}

}  // namespace

// --- Groups -------------------------------------------------------------------------------------

GroupRecord* T_Base::FindOrAddGroup(CardRecord* card, int64_t component) {
  GroupRecord* last = nullptr;
  for (GroupRecord* group = card->firstGroup; group; group = group->next) {
    if (group->component == component) return group;
    last = group;
  }
  GroupRecord* group = AllocGroup(this);
  if (!group) return nullptr;
  group->component = component;
  if (last)
    last->next = group;
  else
    card->firstGroup = group;
  return group;
}

CardRecord* RemoveGroup(T_Base* base, CardRecord* card, GroupRecord* group) {
  UnlinkGroup(card, group);
  FreeGroup(base, group);
  if (card->firstGroup) return card;
  DeleteCard(base, card);
  return nullptr;
}

void MergeGroups(T_Base* base, GroupRecord* group) {
  for (GroupRecord* other = group->next; other;) {
    GroupRecord* following = other->next;
    if (other->firstLine) {
      if (group->lastLine)
        group->lastLine->next = other->firstLine;
      else
        group->firstLine = other->firstLine;
      group->lastLine = other->lastLine;
      other->firstLine = other->lastLine = nullptr;
    }
    FreeGroup(base, other);
    other = following;
  }
  group->next = nullptr;
}

void FreeCardGroups(T_Base* base, CardRecord* card) {
  for (GroupRecord* group = card->firstGroup; group;) {
    GroupRecord* following = group->next;
    FreeGroup(base, group);
    group = following;
  }
  card->firstGroup = nullptr;
}

void RemoveEmptyGroups(T_Base* base, CardRecord* card) {
  GroupRecord** link = &card->firstGroup;
  while (GroupRecord* group = *link) {
    if (group->firstLine) {
      link = &group->next;
    } else {
      *link = group->next;
      FreeGroup(base, group);
    }
  }
}

// --- Lines ------------------------------------------------------------------------------------

LineRecord* CreateLine(T_Base* base, GroupRecord* group) {
  LineRecord* line = AllocLine(base);
  if (!line) return nullptr;
  std::memcpy(LineValues(line), base->defaultValues, sizeof(double) * base->valueCount);
  for (int32_t slot = 0; slot < base->lineSlots; ++slot)
    WriteLineReference(line, base->referenceOffset, base->referenceWidth, slot,
                       base->defaultComponents[slot + 1]);
  if (group->lastLine)
    group->lastLine->next = line;
  else
    group->firstLine = line;
  group->lastLine = line;
  if (base->lineOrigins) ForgetLineOrigin(base, line->number);
  return line;
}

CardRecord* RemoveLine(T_Base* base, CardRecord* card, GroupRecord* group, LineRecord* line) {
  UnlinkLine(group, LineBefore(group, line, nullptr), line);
  FreeLine(base, line);
  if (group->firstLine) return card;
  return RemoveGroup(base, card, group);
}

int64_t DeleteMarkedLines(T_Base* base, CardRecord* card, const BitVector* lines) {
  int64_t removed = 0;
  for (GroupRecord* group = card->firstGroup; group; group = group->next) {
    LineRecord* previous = nullptr;
    for (LineRecord* line = group->firstLine; line;) {
      LineRecord* following = line->next;
      if (line->number < lines->count && BitVecGet(lines, line->number)) {
        UnlinkLine(group, previous, line);
        FreeLine(base, line);
        ++removed;
      } else {
        previous = line;
      }
      line = following;
    }
  }
  if (removed) PruneCard(base, card);
  return removed;
}

bool SetLineText(LineRecord* line, const char* text) {
  if (!BlockTextAssign(&line->text, text)) return false;
  StrBlankControls(line->text);
  return true;
}

int32_t FindValueByName(const T_Base* base, const char* name) {
  T_TextBuf text(name);
  TextBufSetLength(&text, StrRemoveControls(text.data));
  TextBufTrim(&text, ' ');
  if (text.empty()) return -1;
  for (int32_t column = 0; column < kMaxValueCount; ++column)
    if (base->valueNames[column] && StrEqualNoCase(base->valueNames[column], text.c_str()))
      return column;
  int32_t number = 0;
  for (const char* p = text.c_str(); *p; ++p) {
    if (*p < '0' || *p > '9' || number > kMaxValueCount) return -1;
    number = number * 10 + (*p - '0');
  }
  return number >= 1 && number <= kMaxValueCount ? number - 1 : -1;
}

// --- Batch deletion -----------------------------------------------------------------------------

void T_Base::BeginLineDeletion(const SignatureStamp* stamp) {
  deletionStamp = stamp ? *stamp : SignatureStamp{};
  deletionCard = nullptr;
  deletionGroup = nullptr;
  deletionPrevious = nullptr;
}

void T_Base::DeleteLine(CardRecord* card, GroupRecord* group, LineRecord* line) {
  if (card != deletionCard) {
    FinishDeletionCard(this);
    deletionCard = card;
  }
  if (group != deletionGroup) {
    deletionGroup = group;
    deletionPrevious = nullptr;
  }
  LineRecord* previous = LineBefore(group, line, deletionPrevious);
  UnlinkLine(group, previous, line);
  FreeLine(this, line);
  deletionPrevious = previous;
}

void T_Base::EndLineDeletion() { FinishDeletionCard(this); }

// --- Accessors ----------------------------------------------------------------------------------

int64_t T_Base::GetLineComponent(const LineRecord* line, int32_t slot) const {
  if (slot < 0 || slot >= lineSlots) return slot + 1;
  return ReadLineReference(line, referenceOffset, referenceWidth, slot);
}

void T_Base::SetLineComponent(LineRecord* line, int32_t slot, int64_t component) {
  if (slot >= 0 && slot < lineSlots)
    WriteLineReference(line, referenceOffset, referenceWidth, slot, component);
}

void T_Base::GetLineComponents(const LineRecord* line, int64_t* components) const {
  for (int32_t slot = 0; slot < lineSlots; ++slot)
    components[slot] = ReadLineReference(line, referenceOffset, referenceWidth, slot);
}

void T_Base::SetLineComponents(LineRecord* line, const int64_t* components) {
  for (int32_t slot = 0; slot < lineSlots; ++slot)
    WriteLineReference(line, referenceOffset, referenceWidth, slot, components[slot]);
}

void T_Base::CopyLineComponents(LineRecord* destination, const LineRecord* source) {
  std::memcpy(reinterpret_cast<uint8_t*>(destination) + referenceOffset,
              reinterpret_cast<const uint8_t*>(source) + referenceOffset,
              static_cast<size_t>(lineSlots * referenceWidth));
}

bool T_Base::LineComponentsEqual(const LineRecord* line, const int64_t* components) const {
  for (int32_t slot = 0; slot < lineSlots; ++slot)
    if (ReadLineReference(line, referenceOffset, referenceWidth, slot) != components[slot])
      return false;
  return true;
}

double T_Base::GetLineValue(const LineRecord* line, int32_t column) const {
  if (column < 0 || column >= valueCount) return 0.0;
  return LineValues(const_cast<LineRecord*>(line))[column];
}

void T_Base::SetLineValue(LineRecord* line, int32_t column, double value) {
  if (column >= 0 && column < valueCount) LineValues(line)[column] = value;
}

void T_Base::SetLineValues(LineRecord* line, const double* values) {
  std::memcpy(LineValues(line), values, sizeof(double) * valueCount);
}

void T_Base::CopyLineValues(LineRecord* destination, const LineRecord* source) {
  std::memcpy(LineValues(destination), LineValues(const_cast<LineRecord*>(source)),
              sizeof(double) * valueCount);
}
