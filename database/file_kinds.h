#pragma once
// What a file is, told from its first 511 bytes and, for text, its first nine lines: the kind
// number chooses the reader of an opened file or the message that refuses it, and names the
// target of a save. The date in a database file's header tells how its text is encoded and
// which program version wrote it.
//
// Kinds and what detection saw:
//
//   kind  meaning                    seen
//   0     nothing to read            never detected: a read given up on the way
//   1-3   block container N, B, U    container header (05 13 "Qbx" or "##Qbx"), mode byte 13
//   4     Huffman-coded file         container header dated 1996-12-14 up to 1998-12-01
//   5     text form                  a line "##QEB-Text" dated 1996-09-30 or later
//   8     pre-release file           container header dated before 1996-12-14 or 1998-12-02 up to
//                                    1998-12-07; a "##QEB-Text" line dated before 1996-09-30
//   9     third-generation file      the bytes A5 A5 A5 first
//   11    XML command file           a line beginning "<?xml" or "<QEB-xml"
//   12    SIE 4 file                 a line holding "#SIETYP" or "#FLAGGA" (exact case)
//   13    other text                 nothing above, no marker word in the first 511 bytes; also a
//                                    missing, unreadable or empty file
//   14    damaged database file      container header dated 1998-12-08 or later, mode not N, B, U
//                                    (also a file cut inside the header); nothing above, but
//                                    "#QEB", "#Qbx" or 13 "Qbx" in 511 bytes
//
// Kinds 6 and 7 are never detected. Kind 1 is also the save target of the block container and
// kind 5 of the text form.
#include <cstdint>

#include "core/code_pages.h"

class T_Base;
struct ImportSetup;
struct SaveOptions;
struct T_TextBuf;

constexpr int32_t kFileKindNothing = 0;
constexpr int32_t kFileKindContainerN = 1;
constexpr int32_t kFileKindContainerB = 2;
constexpr int32_t kFileKindContainerU = 3;
constexpr int32_t kFileKindHuffman = 4;
constexpr int32_t kFileKindTextForm = 5;
constexpr int32_t kFileKindPreRelease = 8;
constexpr int32_t kFileKindThirdGeneration = 9;
constexpr int32_t kFileKindXmlCommands = 11;
constexpr int32_t kFileKindSie = 12;
constexpr int32_t kFileKindOtherText = 13;
constexpr int32_t kFileKindDamaged = 14;

// The format date the writers put into every file, and its value as ParseFileDate gives it.
// Files dated before it hold their text, and mix their password, in the system code page.
constexpr char kFormatDateText[] = "121122";
constexpr int32_t kFormatDate = 20121122;

struct FileKindInfo {
  int32_t kind = kFileKindOtherText;
  uint8_t newer = 0;         // dated after kFormatDate: written by a later format
  uint8_t compressed = 0;    // block container only: header byte 14 is not "-"
  int32_t fileDate = 0;      // yyyymmdd of the header or tag line, 0 for none
  uint8_t passwordMark = 0;  // "x" when container header byte 11 is "x"; else left as it was
};

// Fills the record from the file at path. Never fails and leaves the pending error as it was: a
// file that cannot be opened or is empty is other text (kind 13) with date 0.
void DetectFileKind(FileKindInfo* info, const char* path);

// The message that refuses the database's detected kind (T_Base::fileKind), 0 when it may be
// read: 8 gives 3806, 9 gives 3808, 14 gives 3811, and 13 gives 3813 without an import setup.
int32_t FileKindMessage(const T_Base* base, const ImportSetup* importSetup);

// A kind of the program's own family (anything but 0 and 13), for dropped files and command-line
// arguments.
bool IsDatabaseFileKind(int32_t kind);

// yyyymmdd of the six-digit yymmdd date that starts the text after blanks and control
// characters: "121122" gives 20121122. Below 1 gives 0; below 890101 the century is the 2000s.
// Header dates were written from 1996 to 2012, so the rule never meets the dates it misreads.
int32_t ParseFileDate(const char* text);

// The version label of a file date ("QEB 5.6" from 2012-11-22 on); a date of 0 or less leaves the
// text unchanged.
void VersionNameForDate(T_TextBuf* text, int32_t date);

// The encoding of a database file's text by its date: the system code page before kFormatDate.
TextEncoding FileDateEncoding(int32_t fileDate);

// Adjusts a save target by the extension of path, ignoring letter case: "qeb" makes it the
// compressed block container (kind 1) unless it is kind 2 already, "qex" the text form (kind 5);
// any other extension changes nothing.
void FileKindFromExtension(SaveOptions* options, const char* path);
