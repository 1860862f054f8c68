#pragma once
// The block container (".qeb"), the program's own database file: the section stream as text,
// cut into blocks that are compressed (or stored where compressing does not pay), scrambled with
// a keystream and guarded by a checksum. T_ShifterWrite writes one and T_ShifterRead reads one;
// the section writer and reader see ordinary text streams.
//
// File header, 40 bytes, not scrambled:
//
//   offset  size  content
//   0       5     magic: 05 13 "Qbx"
//   5       6     format date yymmdd; the writer puts "121122"
//   11      1     "x" when a password is mixed into the keystream, "o" when not
//   12      1     "i"
//   13      1     mode: "N" (1), "B" (2), "U" (3); "-" for any other
//   14      1     "Z" when the blocks are compressed, "-" when they are stored
//   15      1     "6": the keystream's table is refreshed once after seeding
//   16      4     zero
//   20      12    keystream seed as KeyStreamStoreSeed writes it (core/keystream.h)
//   32      8     zero
//
// Then blocks to the end of the file; numbers are big-endian:
//
//   offset  size    content
//   0       3       "###", each byte XOR the next keystream byte
//   3       1       kind XOR the next keystream byte: "-" stored, "b" BlockCompress code,
//                   "Z" the older code (read, never written)
//   4       2       payload length: at most 13,999 (the writer: at most 13,992)
//   6       2       checksum of the payload before scrambling (BlockChecksum)
//   8       length  payload, each byte XOR the next keystream byte
//
// The keystream, one per file: the header's seed, then the mode's constant (N 1734509826,
// B 1298866417, U 1067345529), then the password if any (upper-cased; UTF-8, or the system code
// page in files dated before 2012-11-22), then one table refresh. It is drawn in file order: four
// bytes for each block header, then one per payload byte.
//
// The text, the payloads expanded and joined: a filler line of 24 to 55 printable characters,
// the line "qebmagic", then the section stream. The writer ends lines with CR; the reader accepts
// CR, LF and CR LF. The text is UTF-8, or the system code page in files dated before 2012-11-22.
//
// Invariants:
//   1. every block the writer makes carries exactly 12,000 bytes of text except the last, cut
//      where the 12,000th byte falls, even inside a line or a character; so a file depends only
//      on its text, seeds, password and mode, and a stored block always fits its 13,992 bytes;
//   2. the writer never writes into the file it replaces: it writes a temporary file beside it
//      and replaces the target only on a commit after every byte was written;
//   3. the reader never writes outside its buffers: a block must fit the room left in the text
//      buffer, which grows only for a line longer than it, up to 1 MB, so that a longer line is
//      an error;
//   4. the reader's error is sticky: after the first damaged block it reads no further block and
//      drops the unfinished line it holds.
//
// A stream belongs to the thread that created it.
#include <cstdint>

#include "core/files.h"
#include "core/input_stream.h"
#include "core/keystream.h"
#include "core/output_stream.h"
#include "database/text_form.h"

class T_Base;
class T_FileWait;
struct SaveOptions;

constexpr int32_t kContainerHeaderSize = 40;
constexpr int32_t kContainerBlockHeaderSize = 8;
constexpr int32_t kContainerBlockText = 12000;     // text bytes per block the writer makes
constexpr int32_t kContainerPayloadLimit = 13999;  // the longest payload a reader takes
constexpr int32_t kContainerStoredLimit = 13992;   // the longest payload the writer makes

// Errors of T_ShifterRead.
constexpr int32_t kErrorFileCorrupted = 3811;      // "File "@0" is corrupted."
constexpr int32_t kErrorIncorrectPassword = 3814;  // "Incorrect password"

// Tests and the example generator fix the seeds of the file keystream and of the filler line
// (registers r0, r1, r2, as the random seeding would draw them), so that a container becomes a
// function of its text, password and mode. Null goes back to random seeds. The program's own
// saves never fix them.
struct ContainerSeeds {
  uint32_t file[3];
  uint32_t filler[3];
};
void SetFixedContainerSeeds(const ContainerSeeds* seeds);

// The block checksum of n bytes.
uint16_t BlockChecksum(const uint8_t* bytes, int32_t n);
// XOR the bytes in place with the next keystream bytes and answer the checksum of the plain
// bytes: before scrambling, after unscrambling.
uint16_t ScrambleBlock(KeyStream* stream, uint8_t* bytes, int32_t n);
uint16_t UnscrambleBlock(KeyStream* stream, uint8_t* bytes, int32_t n);

class T_ShifterWrite : public T_OStream {
 public:
  // Takes the current progress window; the line end is CR.
  T_ShifterWrite();
  // Abandons a file that was not committed.
  ~T_ShifterWrite() override;

  // Creates a temporary file in the folder of path, never path itself, and writes the header,
  // the filler line and "qebmagic". The save options give the mode (kind 1, 2 or 3) and the
  // compression. False and nothing made while the abort flag is raised; false with the pending
  // error when the temporary file cannot be made; an invalid mode raises the abort flag (the
  // caller then writes no sections) and makes nothing.
  bool Open(const char* path, const SaveOptions* options, const char* password);
  // Writes every whole block of text buffered so far, then makes room for n more bytes.
  void MakeRoom(int64_t n) override;
  // Writes the rest as the last block, cuts and closes the file: true when every byte was
  // written.
  bool Close();
  // Closes a file still open, then replaces the target (see SaveTarget::Commit): true when the
  // target now holds the file.
  bool Commit();
  // Deletes the temporary file; the target stays as it was.
  void Abandon();
  // The guard bytes around both buffers are as they were made (tests).
  bool GuardsIntact() const;

  T_FileWait* progress;
  SaveTarget save;
  SysFile file;
  KeyStream keystream;
  uint8_t compress = 1;

 private:
  void WriteBlocks(bool last);
  void WriteBlock(const uint8_t* text, int32_t n);
  void WriteRandomFillerLine();
  uint8_t* text_ = nullptr;  // the writing window
  int64_t textSize_ = 0;
  uint8_t* block_ = nullptr;  // block header and payload, room for a code of twice a block
  uint8_t open_ = 0;
  bool failed_ = false;
};

class T_ShifterRead : public T_IStream {
 public:
  // Takes the current progress window; the database (may be null) receives the note of a
  // damaged block in its operation log.
  explicit T_ShifterRead(T_Base* database);
  ~T_ShifterRead() override;

  // Opens the file, checks its header, seeds the keystream for the mode (kind 2 "B", 3 "U",
  // anything else "N") and the password, and reads up to and including the line "qebmagic".
  // True when that line was found: the caller then reads the sections and the error afterwards.
  // False with pending error 605 when the file cannot be opened, or with the error set (3814 for
  // a wrong password, else 3811) when the text does not begin as it must.
  bool Open(const char* path, int32_t mode, const char* password);
  // Reads, checks, unscrambles and expands the next block behind the unread text. False at a
  // clean end of the file (after a whole block), and once an error is set: 3814 when the first
  // bytes do not decode and a password is involved; 3811 for any other damage, including 1 to 7
  // bytes after the last block, an unknown kind, a block that does not fit and a line over 1 MB.
  bool Refill() override;
  void Close();
  bool GuardsIntact() const;

  T_Base* database;
  T_FileWait* progress;
  SysFile file;
  KeyStream keystream;
  int32_t fileDate = 0;  // yyyymmdd of header bytes 5 to 10
  uint8_t passwordUsed = 0;
  int32_t error = 0;  // 0, 3811 or 3814

 private:
  int32_t ReadBlock(uint8_t* destination, int32_t room);
  int32_t Fail(int32_t code);
  bool GrowText(int64_t tail);
  uint8_t* text_ = nullptr;
  int64_t textSize_ = 0;
  uint8_t* block_ = nullptr;
  uint8_t open_ = 0;
};
