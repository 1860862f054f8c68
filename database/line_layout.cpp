// The layout of the line records: how many values and component slots each line has and how
// wide its references are, changed for all lines at once, and the references to deleted
// components.
#include <cstdint>

#include "core/alert.h"
#include "core/paged_array.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/lines.h"
#include "database/model_links.h"

namespace {

// While the pool is re-laid, every link to a line holds its record number + 1 (0 for none).
LineRecord* LineToNumber(const LineRecord* line) {
  return line ? reinterpret_cast<LineRecord*>(static_cast<intptr_t>(line->number + 1)) : nullptr;
}

LineRecord* NumberToLine(const PagedArray* pool, const LineRecord* code) {
  auto number = reinterpret_cast<intptr_t>(code);
  return number ? reinterpret_cast<LineRecord*>(PagedArrayAt(pool, number - 1)) : nullptr;
}

template <typename Convert>
void ConvertLineLinks(T_Base* base, Convert convert) {
  for (int64_t i = 0; i < base->groupPool.count; ++i) {
    auto* group = reinterpret_cast<GroupRecord*>(PagedArrayAt(&base->groupPool, i));
    group->firstLine = convert(group->firstLine);
    group->lastLine = convert(group->lastLine);
  }
  for (int64_t i = 0; i < base->linePool.count; ++i) {
    auto* line = reinterpret_cast<LineRecord*>(PagedArrayAt(&base->linePool, i));
    line->next = convert(line->next);
  }
  base->lineFreeList = convert(base->lineFreeList);
  base->deletionPrevious = convert(base->deletionPrevious);
}

// Inserts (bytes > 0) or removes (bytes < 0; 0 when the rounded width stays) bytes at the offset of
// every line record, with codes 40 and 41 around it. False, with the pool as it was, when memory
// ran out or when the abort flag was raised meanwhile (a receiver of code 40 may stop the work); a
// flag that was already up before does not stop it, since nothing could then ever be re-laid.
bool RelayLines(T_Base* base, int32_t bytes, int32_t offset) {
  bool abortedBefore = AbortRequested();
  base->NotifyCode(kChangeLinesMoving);
  ConvertLineLinks(base, LineToNumber);
  bool stopped = !abortedBefore && AbortRequested();
  bool done = !stopped;
  if (done && bytes > 0) done = PagedArrayInsertBytes(&base->linePool, bytes, offset);
  if (done && bytes < 0) done = PagedArrayRemoveBytes(&base->linePool, -bytes, offset);
  const PagedArray* pool = &base->linePool;
  ConvertLineLinks(base, [pool](LineRecord* code) { return NumberToLine(pool, code); });
  base->NotifyCode(kChangeLinesMoved);
  return done;
}

// Relays every line from the current record width to the given one, at the records' end.
bool ResizeLines(T_Base* base, int32_t width) {
  int32_t old = base->linePool.width;
  return RelayLines(base, width - old, width > old ? old : width);
}

LineRecord* LineAt(T_Base* base, int64_t i) {
  return reinterpret_cast<LineRecord*>(PagedArrayAt(&base->linePool, i));
}

}  // namespace

void RecomputeLineSlots(T_Base* base) {
  int32_t slots = 1;
  for (int32_t d = kDimensionCount - 1; d >= 2; --d) {
    auto* root = reinterpret_cast<ComponentRecord*>(PagedArrayAt(&base->componentPool, d));
    if (root->firstChild) {
      slots = d;
      break;
    }
  }
  int32_t old = base->lineSlots;
  if (slots == old) return;
  if (!ResizeLines(base, LineRecordWidth(base->valueCount, slots, base->referenceWidth))) return;
  for (int64_t i = 0; i < base->linePool.count; ++i) {
    LineRecord* line = LineAt(base, i);
    for (int32_t slot = old; slot < slots; ++slot)
      WriteLineReference(line, base->referenceOffset, base->referenceWidth, slot, slot + 1);
  }
  base->lineSlots = slots;
  base->NotifyCode(kChangeLineSlots);
}

void SetValueCount(T_Base* base, int32_t count) {
  int32_t difference = count - base->valueCount;
  if (count < 1 || count > kMaxValueCount || difference == 0) return;
  // Values are added or dropped where the references start, so the values before stay put.
  int32_t offset = difference > 0 ? base->referenceOffset : base->referenceOffset + 8 * difference;
  if (!RelayLines(base, 8 * difference, offset)) return;
  base->valueCount = count;
  base->referenceOffset += 8 * difference;
  ChangeNote note;
  note.code = kChangeValueColumns;
  note.database = base;
  note.difference = difference;
  NotifyChange(base, &note);
}

bool RaiseReferenceWidth(T_Base* base, int32_t width) {
  int32_t old = base->referenceWidth;
  if (width <= old) return true;
  if (width > 4) return false;
  if (!ResizeLines(base, LineRecordWidth(base->valueCount, base->lineSlots, width))) return false;
  // From the last slot down, each wider field lies at or after its old place and never on an
  // old field still to be read.
  for (int64_t i = 0; i < base->linePool.count; ++i) {
    LineRecord* line = LineAt(base, i);
    for (int32_t slot = base->lineSlots - 1; slot >= 0; --slot) {
      int64_t component = ReadLineReference(line, base->referenceOffset, old, slot);
      WriteLineReference(line, base->referenceOffset, width, slot, component);
    }
  }
  base->referenceWidth = width;
  return true;
}

void ClearDeletedComponentReferences(T_Base* base, int32_t dimension, const BitVector* set) {
  if (!set || dimension < 0 || dimension >= kDimensionCount) return;
  auto deleted = [set](int64_t component) {
    return component < set->count && BitVecGet(set, component);
  };
  // Free records are rewritten too: cheaper than telling them apart, and harmless.
  if (dimension == 0) {
    for (int64_t i = 0; i < base->groupPool.count; ++i) {
      auto* group = reinterpret_cast<GroupRecord*>(PagedArrayAt(&base->groupPool, i));
      if (deleted(group->component)) group->component = 0;
    }
    return;
  }
  int32_t slot = dimension - 1;
  if (slot >= base->lineSlots) return;
  for (int64_t i = 0; i < base->linePool.count; ++i) {
    LineRecord* line = LineAt(base, i);
    if (deleted(ReadLineReference(line, base->referenceOffset, base->referenceWidth, slot)))
      WriteLineReference(line, base->referenceOffset, base->referenceWidth, slot, dimension);
  }
}
