#include "core/packed_array.h"

#include <cstring>

#include "core/memory.h"

namespace {

template <int W>
constexpr uint64_t kMask = W == 64 ? ~uint64_t{0} : (uint64_t{1} << W) - 1;

// Little-endian bit stream. Only the bytes the element touches are read or written, so the last
// element never reaches past the storage block.
template <int W>
uint64_t GetStream(const uint8_t* storage, int64_t i) {
  uint64_t bit = static_cast<uint64_t>(i) * W;
  const uint8_t* p = storage + (bit >> 3);
  int shift = static_cast<int>(bit & 7);
  int bytes = (shift + W + 7) >> 3;
  uint64_t v = 0;
  for (int k = 0; k < bytes; ++k) v |= uint64_t{p[k]} << (8 * k);
  return (v >> shift) & kMask<W>;
}

template <int W>
void SetStream(uint8_t* storage, int64_t i, uint64_t value) {
  uint64_t bit = static_cast<uint64_t>(i) * W;
  uint8_t* p = storage + (bit >> 3);
  int shift = static_cast<int>(bit & 7);
  int bytes = (shift + W + 7) >> 3;
  uint64_t v = 0;
  for (int k = 0; k < bytes; ++k) v |= uint64_t{p[k]} << (8 * k);
  uint64_t mask = kMask<W> << shift;
  v = (v & ~mask) | ((value << shift) & mask);
  for (int k = 0; k < bytes; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
}

// Whole bytes: plain little-endian loads and stores.
template <typename T>
uint64_t GetWhole(const uint8_t* storage, int64_t i) {
  T v;
  std::memcpy(&v, storage + i * static_cast<int64_t>(sizeof(T)), sizeof(T));
  return v;
}

template <typename T>
void SetWhole(uint8_t* storage, int64_t i, uint64_t value) {
  T v = static_cast<T>(value);
  std::memcpy(storage + i * static_cast<int64_t>(sizeof(T)), &v, sizeof(T));
}

uint64_t Get24(const uint8_t* storage, int64_t i) {
  const uint8_t* p = storage + 3 * i;
  return (uint64_t{p[0]} << 16) | (uint64_t{p[1]} << 8) | p[2];
}

void Set24(uint8_t* storage, int64_t i, uint64_t value) {
  uint8_t* p = storage + 3 * i;
  p[0] = static_cast<uint8_t>(value >> 16);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value);
}

uint64_t Get6(const uint8_t* storage, int64_t i) {
  const uint8_t* p = storage + 3 * (i >> 2);
  int r = static_cast<int>(i & 3);
  if (r < 3) return p[r] & 63;
  return ((p[0] >> 6) << 4) | ((p[1] >> 6) << 2) | (p[2] >> 6);
}

void Set6(uint8_t* storage, int64_t i, uint64_t value) {
  uint8_t* p = storage + 3 * (i >> 2);
  int r = static_cast<int>(i & 3);
  if (r < 3) {
    p[r] = static_cast<uint8_t>((p[r] & 0xc0) | (value & 63));
    return;
  }
  p[0] = static_cast<uint8_t>((p[0] & 0x3f) | (((value >> 4) & 3) << 6));
  p[1] = static_cast<uint8_t>((p[1] & 0x3f) | (((value >> 2) & 3) << 6));
  p[2] = static_cast<uint8_t>((p[2] & 0x3f) | ((value & 3) << 6));
}

uint64_t Get7(const uint8_t* storage, int64_t i) {
  const uint8_t* p = storage + 7 * (i >> 3);
  int r = static_cast<int>(i & 7);
  if (r < 7) return p[r] & 127;
  uint64_t v = 0;
  for (int k = 0; k < 7; ++k) v |= static_cast<uint64_t>(p[k] >> 7) << (6 - k);
  return v;
}

void Set7(uint8_t* storage, int64_t i, uint64_t value) {
  uint8_t* p = storage + 7 * (i >> 3);
  int r = static_cast<int>(i & 7);
  if (r < 7) {
    p[r] = static_cast<uint8_t>((p[r] & 0x80) | (value & 127));
    return;
  }
  for (int k = 0; k < 7; ++k)
    p[k] = static_cast<uint8_t>((p[k] & 0x7f) | (((value >> (6 - k)) & 1) << 7));
}

struct WidthForm {
  int width;
  int group;  // elements per group
  PackedGetter getter;
  PackedSetter setter;
};

#define QEB_STREAM_FORM(w, g) \
  { w, g, GetStream<w>, SetStream<w> }
const WidthForm kForms[] = {
    QEB_STREAM_FORM(1, 8),
    QEB_STREAM_FORM(2, 4),
    QEB_STREAM_FORM(3, 8),
    QEB_STREAM_FORM(4, 2),
    QEB_STREAM_FORM(5, 8),
    {6, 4, Get6, Set6},
    {7, 8, Get7, Set7},
    {8, 1, GetWhole<uint8_t>, SetWhole<uint8_t>},
    QEB_STREAM_FORM(9, 8),
    QEB_STREAM_FORM(10, 4),
    QEB_STREAM_FORM(11, 8),
    QEB_STREAM_FORM(12, 2),
    QEB_STREAM_FORM(13, 8),
    QEB_STREAM_FORM(14, 4),
    QEB_STREAM_FORM(15, 8),
    {16, 1, GetWhole<uint16_t>, SetWhole<uint16_t>},
    QEB_STREAM_FORM(17, 8),
    QEB_STREAM_FORM(18, 8),
    QEB_STREAM_FORM(19, 8),
    QEB_STREAM_FORM(20, 4),
    QEB_STREAM_FORM(21, 8),
    QEB_STREAM_FORM(22, 4),
    {24, 1, Get24, Set24},
    QEB_STREAM_FORM(28, 2),
    {32, 1, GetWhole<uint32_t>, SetWhole<uint32_t>},
    QEB_STREAM_FORM(34, 8),
    QEB_STREAM_FORM(36, 8),
    QEB_STREAM_FORM(40, 4),
    {64, 1, GetWhole<uint64_t>, SetWhole<uint64_t>},
};
#undef QEB_STREAM_FORM

const WidthForm& FormFor(uint64_t maximum) {
  int width = PackedIntWidthFor(maximum);
  for (const WidthForm& form : kForms)
    if (form.width == width) return form;
  return kForms[sizeof(kForms) / sizeof(kForms[0]) - 1];
}

int64_t BytesFor(int64_t n, const WidthForm& form) {
  int64_t groups = (n + form.group - 1) / form.group;
  return groups * (form.group * form.width / 8);
}

int64_t BlockSize(const uint8_t* storage) { return storage ? MemSize(storage) : 0; }

// Storage for n elements of the form, or false; null storage is a success when none is needed.
bool TakeStorage(int64_t n, const WidthForm& form, int headroomClass, uint8_t** storage) {
  int64_t bytes = BytesFor(n, form);
  *storage = nullptr;
  if (bytes == 0) return true;
  *storage = static_cast<uint8_t*>(MemAlloc(bytes, headroomClass));
  return *storage != nullptr;
}

}  // namespace

int PackedIntWidthFor(uint64_t v) {
  if (v <= 0xff) {
    int width = 1;
    while (width < 8 && v >= (uint64_t{1} << width)) ++width;
    return width;
  }
  for (int width = 9; width <= 22; ++width)
    if (v < (uint64_t{1} << width)) return width;
  if (v <= 0xffffff) return 24;
  if (v <= 0xfffffff) return 28;
  if (v <= 0xffffffff) return 32;
  if (v <= 0x3ffffffffull) return 34;
  if (v <= 0xfffffffffull) return 36;
  if (v <= 0xffffffffffull) return 40;
  // Anything wider gets whole 64-bit elements rather than losing its high bits.
  return 64;
}

uint64_t PackedIntMaxFor(uint64_t v) {
  int width = PackedIntWidthFor(v);
  return width == 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
}

int64_t PackedIntBytes(int64_t n, uint64_t maximum) {
  return n <= 0 ? 0 : BytesFor(n, FormFor(maximum));
}

void PackedIntArrayInit(PackedIntArray* array, int64_t n, uint64_t maximum, int headroomClass) {
  const WidthForm& smallest = kForms[0];
  *array = PackedIntArray{nullptr, 0, 1, headroomClass, smallest.getter, smallest.setter};
  PackedIntArraySetup(array, n, maximum);
}

bool PackedIntArraySetup(PackedIntArray* array, int64_t n, uint64_t maximum) {
  if (n < 0) return false;
  const WidthForm& form = FormFor(maximum);
  uint8_t* storage;
  if (!TakeStorage(n, form, array->headroomClass, &storage)) return false;
  MemFree(array->storage);
  array->storage = storage;
  array->count = n;
  array->maximum = PackedIntMaxFor(maximum);
  array->getter = form.getter;
  array->setter = form.setter;
  return true;
}

bool PackedIntArrayResize(PackedIntArray* array, int64_t n) {
  if (n < 0) return false;
  int64_t bytes = PackedIntBytes(n, array->maximum);
  if (bytes != BlockSize(array->storage)) {
    void* block = array->storage;
    if (!MemResize(&block, bytes, array->headroomClass)) return false;
    array->storage = static_cast<uint8_t*>(block);
  }
  array->count = n;
  return true;
}

bool PackedIntArraySetMax(PackedIntArray* array, uint64_t maximum) {
  const WidthForm& form = FormFor(maximum);
  if (form.getter == array->getter) return true;
  uint8_t* storage;
  if (!TakeStorage(array->count, form, array->headroomClass, &storage)) return false;
  if (storage && array->storage)
    for (int64_t i = array->count - 1; i >= 0; --i)
      form.setter(storage, i, array->getter(array->storage, i));
  MemFree(array->storage);
  array->storage = storage;
  array->maximum = PackedIntMaxFor(maximum);
  array->getter = form.getter;
  array->setter = form.setter;
  return true;
}

void PackedIntArrayFill(PackedIntArray* array, uint64_t value) {
  if (!array->storage) return;
  if (value == 0) {
    MemZero(array->storage, MemSize(array->storage));
    return;
  }
  for (int64_t i = 0; i < array->count; ++i) array->setter(array->storage, i, value);
}

void PackedIntArrayFree(PackedIntArray* array) {
  MemFree(array->storage);
  array->storage = nullptr;
  array->count = 0;
}

int64_t PackedIntArrayMemSize(const PackedIntArray* array) {
  return MemAllocatedSize(array->storage) + 48;
}
