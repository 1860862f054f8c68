#pragma once
// The sections that describe a database as a whole: "##Characters" (how the file's character set
// renders three reference sets, and where the file was written), "##Protection" (the password)
// and "##BaseOptions" (card-number digits, value columns, labels, reference date). Readers are
// called by the section dispatcher with the header line current and leave the next "##" line
// current (or stop at the end of input or the abort flag); writers write the whole section.
//
// "##Characters" lines, after the header:
//
//   key  field                   written
//   "U"  the reference set of    always, through the stream's encoder, so a file in a code page
//   "L"  upper-case, lower-case  shows how that page renders them
//   "X"  and other characters
//   "E"  an encoding name        never; read: the rest of the file is in that encoding
//   "v"  version label           unless the save target is the text form, each only when not
//   "t"  platform                empty
//   "s"  operating system
//   "m"  computer name
//   "u"  user name
//   "c"  time of writing, YYYY-MM-DD hh:mm:ss
//   (empty line)
//
// "##Protection" is one line: the tag, a TAB and the password (database/protection.h).
//
// "##BaseOptions" lines, after the header, in this order:
//
//   key   fields                                 written
//   "CN"  card-number digits                     always
//   "CD"  per value column a letter of           always, one field per value column
//         "0123456FTM" (decimals 0..6, floating,
//         thousands, millions)
//   "CT"  card-title label                       when set
//   "LT"  line-text label                        when set
//   "LV"  per value column its name, empty for   when a column has a name
//         the default
//   "LN"  number of value columns                when above 1
//   "LH"  (none): line origins are kept          when they are
//   "R"   reference date, file form of DateRef   when set
//   (empty line)
//
// Reading into an open database (kOpenFlagImport in T_Base::readFlags) leaves its file information,
// protection and line-origin register alone.
#include <cstdint>

class T_Base;
class T_IStream;
class T_OStream;
struct FileInfo;

// The program version as saved files and XML answers name it, and the date of its release.
constexpr const char* kProgramVersionLabel = "QEB 5.7";
constexpr const char* kProgramReleaseDate = "2015-11-20";

void ReadCharactersSection(T_Base* base, T_IStream* stream);
void WriteCharactersSection(T_Base* base, T_OStream* stream);
void ReadProtectionSection(T_Base* base, T_IStream* stream);
void WriteProtectionSection(T_Base* base, T_OStream* stream);
void ReadBaseOptionsSection(T_Base* base, T_IStream* stream);
void WriteBaseOptionsSection(T_Base* base, T_OStream* stream);

// The file information of a save made now on this machine: the program's version label, the
// platform, the Windows version's name, the computer and user names (core/system_info.h) and the
// time (core clock). The old texts are freed.
void FillFileInfo(FileInfo* info);
void FreeFileInfo(FileInfo* info);
