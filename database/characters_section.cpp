// The "##Characters" section and the file information it carries (format: base_sections.h).
//
// A file read in another character set than it was written in shows the reference sets as that
// set renders them; where a character differs, every later occurrence of it is translated back.
// Only a rendering that is trustworthy records translations:
//   1. only file characters of 128 and above: ASCII is the same in every set, and the "?" or "."
//      that a code page writes for a character it lacks must not translate every later "?";
//   2. only from a rendering with as many characters as its reference set, since a dropped
//      character shifts every later pair;
//   3. never for a file character that meets two different reference characters, such as the
//      one look-alike a code page writes for several characters it lacks.
#include "database/base.h"
#include "database/base_sections.h"

#include "core/alert.h"
#include "core/date_record.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/output_stream.h"
#include "core/owned_text.h"
#include "core/system_info.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "core/utf8.h"
#include "database/operation_log.h"

namespace {

constexpr int32_t kTwoDigitYearPivot = 1970;

struct ReferenceSet {
  char key;
  const char* characters;
};

constexpr ReferenceSet kReferenceSets[] = {
    {'U',
     "\u00C4\u00C1\u00C0\u00C2\u00C3\u00C6\u00C5 \u00CB\u00C9\u00C8\u00CA \u00CF\u00CD\u00CC"
     "\u00CE \u00D6\u00D3\u00D2\u00D4\u00D5\u00D8\u0152\u00DC\u00DA\u00D9\u00DB \u00C7\u00D1"},
    {'L',
     "\u00E4\u00E1\u00E0\u00E2\u00E3\u00E6\u00E5 \u00EB\u00E9\u00E8\u00EA \u00EF\u00ED\u00EC"
     "\u00EE \u00F6\u00F3\u00F2\u00F4\u00F5\u00F8\u0153\u00FC\u00FA\u00F9\u00FB \u00E7\u00F1"},
    {'X',
     "\u00B1\u00AC\u00F7\u2248\u2260\u00AB\u00BB \u0192\u222B\u221A\u03C0\u220F\u2211 \u00A2"
     "\u00A3\u00A7\u2202\u00DF\u00B5\u00B6\u00A5\u20AC \u00AA\u00BA\u00A9\u00AE\u00BF\u00A1"
     "\u00B4\u0060\u00A8\u00B0\u2030\u2122\u2020\u2021\u2026\u00A0\u2018\u2019\u201C\u201D"},
};
constexpr int32_t kSetCount = 3;
constexpr int32_t kMostPairs = 64 * kSetCount;

struct Translation {
  uint32_t from;
  uint32_t to;
};

// Decodes up to capacity characters; the count of all of them.
int32_t Decode(const char* text, uint32_t* characters, int32_t capacity) {
  int32_t n = 0;
  for (const char* p = text; *p != 0; ++n) {
    uint32_t c = Utf8NextChar(&p);
    if (n < capacity) characters[n] = c;
  }
  return n;
}

// The pairs of one set's rendering against the set (rules 1 and 2), appended to pairs.
void CollectPairs(const char* rendering, const char* reference, Translation* pairs,
                  int32_t* count) {
  uint32_t file[64];
  uint32_t wanted[64];
  int32_t n = Decode(reference, wanted, 64);
  if (Decode(rendering, file, 64) != n) return;
  for (int32_t i = 0; i < n && *count < kMostPairs; ++i) {
    if (file[i] >= 128) pairs[(*count)++] = {file[i], wanted[i]};
  }
}

void RecordTranslations(T_IStream* stream, const T_TextBuf* renderings, const bool* seen) {
  Translation pairs[kMostPairs];
  int32_t count = 0;
  for (int32_t s = 0; s < kSetCount; ++s) {
    if (seen[s]) CollectPairs(renderings[s].c_str(), kReferenceSets[s].characters, pairs, &count);
  }
  for (int32_t i = 0; i < count; ++i) {
    if (pairs[i].from == pairs[i].to) continue;
    bool ambiguous = false;
    for (int32_t j = 0; j < count && !ambiguous; ++j)
      ambiguous = pairs[j].from == pairs[i].from && pairs[j].to != pairs[i].to;
    if (!ambiguous) stream->AddCharSubstitution(pairs[i].from, pairs[i].to);
  }
}

void ReadSaveTime(FileInfo* info, T_IStream* stream) {
  BlockTextFree(&info->saveTime);
  if (!stream->NextField()) return;
  DateRecord written;
  written.pivotYear = kTwoDigitYearPivot;
  DateParse(&written, stream->Field(), stream->FieldLength());
  if (written.day == 0) return;
  char text[32];
  DateFormat(&written, text);
  BlockTextAssign(&info->saveTime, text);
}

// The file-information line of the key, if it is one.
void ReadFileInfoLine(FileInfo* info, char key, T_IStream* stream) {
  char** field = nullptr;
  switch (key) {
    case 'v':
      field = &info->versionLabel;
      break;
    case 't':
      field = &info->platform;
      break;
    case 's':
      field = &info->operatingSystem;
      break;
    case 'm':
      field = &info->computerName;
      break;
    case 'u':
      field = &info->userName;
      break;
    case 'c':
      ReadSaveTime(info, stream);
      return;
    default:
      return;
  }
  stream->ReadFieldBlock(field);
}

void PutInfoLine(T_OStream* stream, char key, const char* value) {
  if (value == nullptr || *value == 0) return;
  stream->PutChar(key);
  stream->PutSeparator();
  stream->PutFieldText(value);
  stream->PutNewline();
}

}  // namespace

void FillFileInfo(FileInfo* info) {
  FreeFileInfo(info);
  BlockTextAssign(&info->versionLabel, kProgramVersionLabel);
  BlockTextAssign(&info->platform, PlatformName());
  BlockTextAssign(&info->operatingSystem, OsVersionName(OsVersionCode()));
  char name[32];
  ReadComputerName(name);
  BlockTextAssign(&info->computerName, name);
  ReadUserName(name);
  BlockTextAssign(&info->userName, name);
  DateRecord now = DateNow();
  now.precision = 5;
  char time[32];
  DateFormat(&now, time);
  BlockTextAssign(&info->saveTime, time);
}

void FreeFileInfo(FileInfo* info) {
  BlockTextFree(&info->versionLabel);
  BlockTextFree(&info->platform);
  BlockTextFree(&info->operatingSystem);
  BlockTextFree(&info->computerName);
  BlockTextFree(&info->userName);
  BlockTextFree(&info->saveTime);
}

void ReadCharactersSection(T_Base* base, T_IStream* stream) {
  const bool import = (base->readFlags & kOpenFlagImport) != 0;
  T_TextBuf renderings[kSetCount];
  bool seen[kSetCount] = {};
  T_TextBuf encodingName;
  bool encodingSeen = false;
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) break;
    if (!stream->NextField() || stream->FieldLength() == 0) continue;
    char key = stream->Field()[0];
    if (key == 'E') {
      encodingSeen = stream->ReadFieldBuf(&encodingName);
      continue;
    }
    bool set = false;
    for (int32_t s = 0; s < kSetCount && !set; ++s) {
      if (key != kReferenceSets[s].key) continue;
      seen[s] = stream->ReadFieldBuf(&renderings[s]);
      set = true;
    }
    if (!set && !import) ReadFileInfoLine(&base->fileInfo, key, stream);
  }
  if (encodingSeen) stream->SetEncodingByName(encodingName.c_str());
  RecordTranslations(stream, renderings, seen);
  LogOperation(base, "characters section", nullptr, kLogVerbLoaded);
}

void WriteCharactersSection(T_Base* base, T_OStream* stream) {
  stream->PutText("##Characters");
  stream->PutNewline();
  for (const ReferenceSet& set : kReferenceSets) {
    stream->PutChar(set.key);
    stream->PutSeparator();
    stream->PutText(set.characters);
    stream->PutNewline();
  }
  if (base->saveOptions.kind != kSaveKindText) {
    FileInfo info;
    FillFileInfo(&info);
    PutInfoLine(stream, 'v', info.versionLabel);
    PutInfoLine(stream, 't', info.platform);
    PutInfoLine(stream, 's', info.operatingSystem);
    PutInfoLine(stream, 'm', info.computerName);
    PutInfoLine(stream, 'u', info.userName);
    PutInfoLine(stream, 'c', info.saveTime);
    FreeFileInfo(&info);
  }
  stream->PutNewline();
}
