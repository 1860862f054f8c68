#pragma once
// The text form of a database (".qex"), the readable twin of the block container: the same
// section stream as plain text behind a tag line. T_HTextRead also reads every other text file
// the engine opens (detection, XML command files, SIE 4 files, delimited text), and SaveTarget is
// the temporary file through which both database writers save.
//
// Layout of a text form as the writer makes it:
//
//   offset  size  content
//   0       3     EF BB BF, the byte-order mark of UTF-8
//   3       10    "##QEB-Text"
//   13      1     TAB
//   14      6     "121122", the format date (yymmdd)
//   20      2     CR LF
//   22      2     CR LF: an empty line
//   24      ...   the section stream up to its "##End" line, every line ended by CR LF
//
// Readers accept lines ended by CR, LF or CR LF. A file whose tag is dated before 2012-11-22
// holds its text in the system code page unless a byte-order mark or the bytes say otherwise.
//
// A stream belongs to the thread that created it (the user-interface thread, or the web request
// worker while it holds the user-interface/worker exclusion).
#include <cstdint>

#include "core/file_stream.h"
#include "core/text_buffer.h"

class T_FileWait;

// The temporary file of one save and the file it is to replace.
struct SaveTarget {
  T_TextBuf target;
  T_TextBuf temp;  // empty when there is none (not made, committed or abandoned)

  // Makes the temporary file beside the target; false with the pending error when it cannot.
  bool Create(const char* path);
  // Puts the closed temporary file in the target's place when the whole file was written and the
  // abort flag is low; otherwise, or when the replace fails (pending 607, 608 or 609), deletes
  // it. True when the target was replaced.
  bool Commit(bool written);
  // Deletes the temporary file; the target stays as it was.
  void Abandon();
};

class T_HTextRead : public T_IStreamFile {
 public:
  // Takes the current progress window.
  T_HTextRead();

  // Opens the file, settles its encoding (a detected Unicode encoding applies; a detected code
  // page only when the stream's encoding is not a code page set beforehand) and skips a
  // byte-order mark; starts the progress window with the file's size. False with pending error
  // 605 when the file cannot be opened. A line longer than the 10,240-byte buffer grows it up to
  // 1 MB; a longer line is read error 606.
  bool Open(const char* path);
  // Reports the file position, then reads on.
  bool Refill() override;

  T_FileWait* progress;
};

class T_HTextWrite : public T_OStreamFile {
 public:
  // Takes the current progress window. The buffer of 10,240 bytes is the writing window; a
  // larger single write gets a buffer of its own size, so no write is ever cut.
  T_HTextWrite();
  // Abandons a file that was not committed.
  ~T_HTextWrite() override;

  // Creates a temporary file in the folder of path, never path itself, and starts it with the
  // byte-order mark of the stream's encoding (set it first; none for the 8-bit encodings). Does
  // nothing and answers false while the abort flag is raised; false with the pending error when
  // the temporary file cannot be made.
  bool Open(const char* path);
  // Writes the buffer out and reports to the progress window.
  void MakeRoom(int64_t n) override;
  // Close (inherited) writes the rest, cuts the file and closes it: true when every byte was
  // written. Commit closes a file still open, then replaces the target (see SaveTarget::Commit).
  bool Commit();
  void Abandon();

  T_FileWait* progress;
  SaveTarget save;
};

// The tag line of a text form and the empty line after it.
void WriteTextFormTag(T_OStream* stream);
