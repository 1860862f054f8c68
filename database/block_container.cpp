#include "database/block_container.h"

#include <cstring>

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/block_codec.h"
#include "core/file_stream.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "database/base.h"
#include "database/file_kinds.h"
#include "database/file_progress.h"

namespace {

constexpr int32_t kTextBufferSize = 30000;
// A reader's text buffer always has room for the largest payload a block may carry.
constexpr int32_t kBlockRoom = 14000;
// A longer line cannot be held, so the block that would carry it on does not fit.
constexpr int64_t kTextBufferLimit = kInputLineLimit;
constexpr int32_t kWriterBlockSize = kContainerBlockHeaderSize + 2 * kContainerBlockText;
constexpr uint32_t kModeConstants[3] = {1734509826u, 1298866417u, 1067345529u};
constexpr char kModeLetters[3] = {'N', 'B', 'U'};
constexpr char kMagicLine[] = "qebmagic";

ContainerSeeds fixedSeeds;
bool seedsFixed = false;

// --- Buffers with guard bytes
//
// Each buffer sits between two runs of guard bytes, so that a test can prove that no damaged
// file made a stream write outside its buffers.

constexpr int32_t kGuardSize = 32;
constexpr uint8_t kGuardByte = 0xA5;

uint8_t* GuardedAlloc(int64_t size) {
  uint8_t* block = static_cast<uint8_t*>(MemAlloc(size + 2 * kGuardSize, 0));
  if (block == nullptr) return nullptr;
  MemFill(block, kGuardSize, kGuardByte);
  MemFill(block + kGuardSize + size, kGuardSize, kGuardByte);
  return block + kGuardSize;
}

// The plain text of a protected database passes through these buffers with its "##Protection"
// line: they are wiped before they are freed.
void GuardedFree(uint8_t* buffer) {
  if (buffer == nullptr) return;
  uint8_t* block = buffer - kGuardSize;
  MemZero(block, MemSize(block));
  MemFree(block);
}

bool GuardsIntact(const uint8_t* buffer, int64_t size) {
  if (buffer == nullptr) return true;
  for (int32_t i = 0; i < kGuardSize; ++i) {
    if (buffer[i - kGuardSize] != kGuardByte || buffer[size + i] != kGuardByte) return false;
  }
  return true;
}

// --- Keystream

void SeedStream(KeyStream* stream, const uint32_t* registers) {
  KeyStreamInit(stream);
  if (!seedsFixed) {
    KeyStreamSeedRandom(stream);
    return;
  }
  // As the random seeding does with the registers it draws.
  stream->r0 = registers[0];
  stream->r1 = registers[1];
  stream->r2 = registers[2];
  for (int i = 0; i < 16; ++i) KeyStreamNext(stream);
  stream->index = 0;
}

bool ValidMode(int32_t mode) { return mode >= 1 && mode <= 3; }

void MixModeConstant(KeyStream* stream, int32_t mode) {
  KeyStreamSeedConstant(stream, kModeConstants[mode - 1]);
}

uint16_t ChecksumStep(uint16_t c, uint8_t b) {
  return static_cast<uint16_t>((((c & 1) << 15) | (c >> 1)) ^ b);
}

}  // namespace

void SetFixedContainerSeeds(const ContainerSeeds* seeds) {
  seedsFixed = seeds != nullptr;
  if (seeds != nullptr) fixedSeeds = *seeds;
}

uint16_t BlockChecksum(const uint8_t* bytes, int32_t n) {
  uint16_t c = 0;
  for (int32_t i = 0; i < n; ++i) c = ChecksumStep(c, bytes[i]);
  return c;
}

uint16_t ScrambleBlock(KeyStream* stream, uint8_t* bytes, int32_t n) {
  const uint16_t c = BlockChecksum(bytes, n);
  KeyStreamXor(stream, bytes, n);
  return c;
}

uint16_t UnscrambleBlock(KeyStream* stream, uint8_t* bytes, int32_t n) {
  KeyStreamXor(stream, bytes, n);
  return BlockChecksum(bytes, n);
}

// --- Writing
// -----------------------------------------------------------------------------------------

T_ShifterWrite::T_ShifterWrite() : progress(FileProgressCurrent()) {
  FileInit(&file);
  KeyStreamInit(&keystream);
  text_ = GuardedAlloc(kTextBufferSize);
  block_ = GuardedAlloc(kWriterBlockSize);
  if (text_ != nullptr && block_ != nullptr) textSize_ = kTextBufferSize;
  SetBuffer(text_, textSize_, text_);
  SetNewlineChar(13);
}

T_ShifterWrite::~T_ShifterWrite() {
  Abandon();
  FileDestroy(&file);
  KeyStreamWipe(&keystream);
  SetBuffer(nullptr, 0, nullptr);
  GuardedFree(text_);
  GuardedFree(block_);
}

bool T_ShifterWrite::Open(const char* path, const SaveOptions* options, const char* password) {
  Abandon();
  if (textSize_ == 0 || AbortRequested()) return false;
  const int32_t mode = options->kind;
  if (!ValidMode(mode)) {
    PendingErrorCancel();  // raises the abort flag without a message
    return false;
  }
  if (!save.Create(path)) return false;
  if (!FileOpenWriteAs(&file, save.temp.c_str(), path)) {
    save.Abandon();
    return false;
  }
  open_ = 1;
  failed_ = false;
  compress = options->compressed != 0;
  SetBuffer(text_, textSize_, text_);

  const bool hasPassword = password != nullptr && password[0] != 0;
  SeedStream(&keystream, fixedSeeds.file);
  uint8_t header[kContainerHeaderSize] = {0x05, 0x13, 'Q', 'b', 'x'};
  memcpy(header + 5, kFormatDateText, 6);
  header[11] = hasPassword ? 'x' : 'o';
  header[12] = 'i';
  header[13] = static_cast<uint8_t>(kModeLetters[mode - 1]);
  header[14] = compress ? 'Z' : '-';
  header[15] = '6';
  KeyStreamStoreSeed(&keystream, header + 20);
  if (FileWrite(&file, header, kContainerHeaderSize) != kContainerHeaderSize) failed_ = true;

  MixModeConstant(&keystream, mode);
  if (hasPassword) KeyStreamSeedText(&keystream, password, kEncodingUtf8);
  KeyStreamRefreshTable(&keystream);
  WriteRandomFillerLine();
  PutLine(kMagicLine);
  return true;
}

void T_ShifterWrite::WriteRandomFillerLine() {
  KeyStream filler;
  SeedStream(&filler, fixedSeeds.filler);
  const int32_t n = (KeyStreamNext(&filler) & 31) + 24;
  char line[56];
  for (int32_t i = n - 1; i >= 0; --i) line[i] = static_cast<char>(KeyStreamNextPrintable(&filler));
  KeyStreamWipe(&filler);
  PutBytes(line, n);
  PutNewline();
}

void T_ShifterWrite::MakeRoom(int64_t n) {
  if (textSize_ == 0) return;
  WriteBlocks(false);
  const int64_t used = pos - start;
  if (textSize_ - used >= n) return;
  // One write larger than the window: the buffer grows for it, and the blocks are cut from it
  // at their usual size later.
  uint8_t* grown = GuardedAlloc(used + n);
  if (grown == nullptr) return;
  memcpy(grown, text_, static_cast<size_t>(used));
  GuardedFree(text_);
  text_ = grown;
  textSize_ = used + n;
  SetBuffer(text_, textSize_, text_ + used);
}

void T_ShifterWrite::WriteBlocks(bool last) {
  const int64_t used = pos - start;
  int64_t done = 0;
  while (used - done >= kContainerBlockText) {
    WriteBlock(text_ + done, kContainerBlockText);
    done += kContainerBlockText;
  }
  if (last && used > done) {
    WriteBlock(text_ + done, static_cast<int32_t>(used - done));
    done = used;
  }
  if (done > 0) memmove(text_, text_ + done, static_cast<size_t>(used - done));
  SetBuffer(text_, textSize_, text_ + (used - done));
}

void T_ShifterWrite::WriteBlock(const uint8_t* text, int32_t n) {
  if (!open_ || failed_) return;
  uint8_t* payload = block_ + kContainerBlockHeaderSize;
  uint8_t kind = '-';
  int32_t length = 0;
  if (compress) {
    // Text that does not compress comes out longer; the scratch holds twice a block.
    length = BlockCompress(payload, text, n);
    if (length > 0 && length < n && length <= kContainerStoredLimit) kind = 'b';
  }
  if (kind == '-') {
    memcpy(payload, text, static_cast<size_t>(n));
    length = n;
  }
  for (int i = 0; i < 3; ++i) block_[i] = static_cast<uint8_t>('#' ^ KeyStreamNext(&keystream));
  block_[3] = static_cast<uint8_t>(kind ^ KeyStreamNext(&keystream));
  const uint16_t sum = ScrambleBlock(&keystream, payload, length);
  block_[4] = static_cast<uint8_t>(length >> 8);
  block_[5] = static_cast<uint8_t>(length);
  block_[6] = static_cast<uint8_t>(sum >> 8);
  block_[7] = static_cast<uint8_t>(sum);
  const int64_t size = kContainerBlockHeaderSize + length;
  if (FileWrite(&file, block_, size) != size) failed_ = true;
  FileProgressStepRefresh(progress);
}

bool T_ShifterWrite::Close() {
  if (!open_) return !failed_;
  WriteBlocks(true);
  if (!failed_ && !FileSetEnd(&file)) failed_ = true;
  FileClose(&file);
  open_ = 0;
  return !failed_;
}

bool T_ShifterWrite::Commit() {
  const bool written = open_ ? Close() : !failed_;
  return save.Commit(written);
}

void T_ShifterWrite::Abandon() {
  FileClose(&file);
  open_ = 0;
  SetBuffer(text_, textSize_, text_);
  save.Abandon();
}

bool T_ShifterWrite::GuardsIntact() const {
  return ::GuardsIntact(text_, textSize_) && ::GuardsIntact(block_, kWriterBlockSize);
}

// --- Reading
// -----------------------------------------------------------------------------------------

T_ShifterRead::T_ShifterRead(T_Base* owner) : database(owner), progress(FileProgressCurrent()) {
  FileInit(&file);
  KeyStreamInit(&keystream);
  text_ = GuardedAlloc(kTextBufferSize);
  block_ = GuardedAlloc(kBlockRoom);
  if (text_ != nullptr && block_ != nullptr) textSize_ = kTextBufferSize;
  CtorFromMemory(text_, 0);
}

T_ShifterRead::~T_ShifterRead() {
  Close();
  FileDestroy(&file);
  KeyStreamWipe(&keystream);
  GuardedFree(text_);
  GuardedFree(block_);
}

bool T_ShifterRead::Open(const char* path, int32_t mode, const char* password) {
  Close();
  error = 0;
  passwordUsed = 0;
  if (textSize_ == 0 || !FileOpenRead(&file, path)) return false;
  open_ = 1;
  uint8_t header[kContainerHeaderSize] = {};
  FileRead(&file, header, kContainerHeaderSize);
  char date[7];
  memcpy(date, header + 5, 6);
  date[6] = 0;
  fileDate = ParseFileDate(date);

  KeyStreamInit(&keystream);
  KeyStreamLoadSeed(&keystream, header + 20);
  MixModeConstant(&keystream, ValidMode(mode) ? mode : kFileKindContainerN);
  if (header[11] == 'x') passwordUsed = 1;
  if (password != nullptr && password[0] != 0) {
    KeyStreamSeedText(&keystream, password, FileDateEncoding(fileDate));
    passwordUsed = 1;
  }
  if (header[15] == '6') KeyStreamRefreshTable(&keystream);
  FileProgressBegin(progress, FileGetSize(&file), header[14] == 'Z');
  SetEncoding(FileDateEncoding(fileDate));
  CtorFromMemory(text_, 0);

  while (NextLine()) {
    NextField();
    if (fieldLength >= 8 && memcmp(fieldStart, kMagicLine, 8) == 0) return true;
  }
  // Without its first lines the text is no database, not an empty one.
  if (error == 0) error = kErrorFileCorrupted;
  return false;
}

int32_t T_ShifterRead::Fail(int32_t code) {
  error = code;
  if (database != nullptr && database->operationLog != nullptr) {
    LogWrite(database->operationLog, "-- checksum error detected in file", 0);
  }
  return -1;
}

bool T_ShifterRead::GrowText(int64_t tail) {
  int64_t size = textSize_ * 2;
  if (size < tail + kBlockRoom) size = tail + kBlockRoom;
  if (size > kTextBufferLimit) size = kTextBufferLimit;
  uint8_t* grown = GuardedAlloc(size);
  if (grown == nullptr) return false;
  memcpy(grown, text_, static_cast<size_t>(tail));
  GuardedFree(text_);
  text_ = grown;
  textSize_ = size;
  return true;
}

bool T_ShifterRead::Refill() {
  if (!open_) return false;
  FileProgressSetPosition(progress, FileTell(&file));
  const int64_t tail = dataEnd - readStart;
  offset += readStart - base;
  if (tail > 0 && readStart != text_) memmove(text_, readStart, static_cast<size_t>(tail));
  base = readStart = text_;
  dataEnd = text_ + tail;
  if (error == 0 && textSize_ - tail < kBlockRoom && textSize_ < kTextBufferLimit) {
    // The text held is one unfinished line: the buffer grows for it, up to the line limit.
    if (!GrowText(tail)) return false;
    base = readStart = text_;
    dataEnd = text_ + tail;
  }
  for (;;) {
    if (error != 0) {
      // What is left of a damaged file is not handed out as a line unless its end was read.
      if (dataEnd > readStart && dataEnd[-1] != 13 && dataEnd[-1] != 10) readStart = dataEnd;
      return false;
    }
    const int32_t added = ReadBlock(text_ + tail, static_cast<int32_t>(textSize_ - tail));
    if (added < 0 && error == 0) return false;  // the end of the file after a whole block
    if (added > 0) {
      dataEnd += added;
      PumpMessages();
      return true;
    }
  }
}

int32_t T_ShifterRead::ReadBlock(uint8_t* destination, int32_t room) {
  uint8_t header[kContainerBlockHeaderSize];
  const int64_t got = FileRead(&file, header, kContainerBlockHeaderSize);
  if (got == 0) return -1;  // the end of the file after a whole block
  if (got < kContainerBlockHeaderSize) return Fail(kErrorFileCorrupted);
  for (int i = 0; i < 4; ++i)
    header[i] = static_cast<uint8_t>(header[i] ^ KeyStreamNext(&keystream));
  if (header[0] != '#' || header[1] != '#' || header[2] != '#') {
    return Fail(passwordUsed ? kErrorIncorrectPassword : kErrorFileCorrupted);
  }
  const int32_t length = header[4] * 256 + header[5];
  if (length > kContainerPayloadLimit || length == 0) return Fail(kErrorFileCorrupted);
  if (FileRead(&file, block_, length) != length) return Fail(kErrorFileCorrupted);
  if (UnscrambleBlock(&keystream, block_, length) != header[6] * 256 + header[7]) {
    return Fail(kErrorFileCorrupted);
  }
  int32_t produced = kBlockCodeDamaged;
  switch (header[3]) {
    case '-':
      if (length <= room) {
        memcpy(destination, block_, static_cast<size_t>(length));
        produced = length;
      }
      break;
    case 'b':
      produced = BlockExpand(destination, room, block_, length);
      break;
    case 'Z':
      produced = BlockExpandOld(destination, room, block_, length);
      break;
    default:
      break;
  }
  return produced < 0 ? Fail(kErrorFileCorrupted) : produced;
}

void T_ShifterRead::Close() {
  FileClose(&file);
  open_ = 0;
}

bool T_ShifterRead::GuardsIntact() const {
  return ::GuardsIntact(text_, textSize_) && ::GuardsIntact(block_, kBlockRoom);
}
