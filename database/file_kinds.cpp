#include "database/file_kinds.h"

#include <cstring>

#include "core/alert.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/number_parse.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/text_form.h"

namespace {

constexpr int32_t kHeadSize = 511;
constexpr int32_t kTextLinesTested = 9;

// The first bytes of a line as a C string, for prefix tests and the tag date.
void LineSlice(const T_IStream& reader, int32_t from, char* out, int32_t size) {
  int64_t length = reader.lineEnd - reader.lineStart;
  int64_t n = length > from ? length - from : 0;
  if (n > size - 1) n = size - 1;
  if (n > 0) memcpy(out, reader.lineStart + from, static_cast<size_t>(n));
  out[n] = 0;
}

bool LineHolds(const T_IStream& reader, const char* word) {
  return MemFind(reader.lineStart, static_cast<int32_t>(reader.lineEnd - reader.lineStart), word) >=
         0;
}

// One line against the tests in their order; true when one matched and filled the record.
bool KindOfLine(const T_IStream& reader, FileKindInfo* info) {
  char head[16];
  LineSlice(reader, 0, head, sizeof head);
  if (StrStartsWithNoCase(head, "##QEB-Text")) {
    char rest[40];
    LineSlice(reader, 11, rest, sizeof rest);  // after the tag and one separator
    info->fileDate = ParseFileDate(rest);
    info->kind = info->fileDate < 19960930 ? kFileKindPreRelease : kFileKindTextForm;
    info->newer = info->fileDate > kFormatDate;
    return true;
  }
  if (StrStartsWithNoCase(head, "<?xml") || StrStartsWithNoCase(head, "<QEB-xml")) {
    info->kind = kFileKindXmlCommands;
    return true;
  }
  if (LineHolds(reader, "#SIETYP") || LineHolds(reader, "#FLAGGA")) {
    info->kind = kFileKindSie;
    return true;
  }
  return false;
}

void KindOfContainerHeader(const uint8_t* head, FileKindInfo* info) {
  char date[7];
  memcpy(date, head + 5, 6);
  date[6] = 0;
  info->fileDate = ParseFileDate(date);
  info->compressed = 1;
  if (info->fileDate < 19961214) {
    info->kind = kFileKindPreRelease;
  } else if (info->fileDate < 19981202) {
    info->kind = kFileKindHuffman;
  } else if (info->fileDate < 19981208) {
    info->kind = kFileKindPreRelease;
  } else {
    info->newer = info->fileDate > kFormatDate;
    switch (head[13]) {
      case 'N':
        info->kind = kFileKindContainerN;
        break;
      case 'B':
        info->kind = kFileKindContainerB;
        break;
      case 'U':
        info->kind = kFileKindContainerU;
        break;
      default:
        // The first bytes promise a container that the rest does not hold: a file cut inside
        // its header or a header overwritten. Reading nothing without a word would pass an
        // empty database off as the file.
        info->kind = kFileKindDamaged;
        break;
    }
    if (head[14] == '-') info->compressed = 0;
  }
  if (head[11] == 'x') info->passwordMark = 'x';
}

}  // namespace

void DetectFileKind(FileKindInfo* info, const char* path) {
  // Detection only looks: whatever the file layer reports on the way is not the caller's error.
  PendingErrorSaved saved;
  PendingErrorSave(&saved);
  info->newer = 0;
  info->compressed = 0;
  info->fileDate = 0;

  uint8_t head[kHeadSize + 1] = {};
  int32_t n = 0;
  SysFile file;
  FileInit(&file);
  if (FileOpenRead(&file, path)) n = static_cast<int32_t>(FileRead(&file, head, kHeadSize));
  FileDestroy(&file);
  head[n] = 0;  // the buffer is zeroed beyond the bytes read, so short headers read as zeros

  static const uint8_t kMagic[] = {0x05, 0x13, 'Q', 'b', 'x'};
  if (memcmp(head, "##Qbx", 5) == 0 || memcmp(head, kMagic, 5) == 0) {
    KindOfContainerHeader(head, info);
  } else if (n >= 3 && head[0] == 0xA5 && head[1] == 0xA5 && head[2] == 0xA5) {
    info->kind = kFileKindThirdGeneration;
  } else {
    bool matched = false;
    if (n > 0) {
      T_HTextRead reader;
      // The file may be anything, secrets included: what detection read leaves no copy.
      reader.WipeWhenFreed();
      if (reader.Open(path)) {
        for (int32_t line = 0; !matched && line < kTextLinesTested && reader.NextLine(); ++line) {
          matched = KindOfLine(reader, info);
        }
      }
    }
    if (!matched) {
      const char* bytes = reinterpret_cast<const char*>(head);
      bool marked = MemFind(bytes, n, "#QEB") >= 0 || MemFind(bytes, n, "#Qbx") >= 0 ||
                    MemFind(bytes, n, "\x13Qbx") >= 0;
      info->kind = marked ? kFileKindDamaged : kFileKindOtherText;
    }
  }
  volatile uint8_t* erase = head;
  for (int32_t i = 0; i <= kHeadSize; ++i) erase[i] = 0;
  PendingErrorRestore(&saved);
}

int32_t FileKindMessage(const T_Base* base, const ImportSetup* importSetup) {
  switch (base->fileKind) {
    case kFileKindPreRelease:
      return 3806;
    case kFileKindThirdGeneration:
      return 3808;
    case kFileKindDamaged:
      return 3811;
    case kFileKindOtherText:
      return importSetup == nullptr ? 3813 : 0;
    default:
      return 0;
  }
}

bool IsDatabaseFileKind(int32_t kind) {
  return kind != kFileKindNothing && kind != kFileKindOtherText;
}

int32_t ParseFileDate(const char* text) {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  while (*p != 0 && *p <= 32) ++p;
  int32_t digits = 0;
  while (digits < 6 && p[digits] != 0) ++digits;
  int32_t value = ParseInt(reinterpret_cast<const char*>(p), digits);
  if (value < 1) return 0;
  return value + (value < 890101 ? 20000000 : 19000000);
}

void VersionNameForDate(T_TextBuf* text, int32_t date) {
  if (date <= 0) return;
  static const struct {
    int32_t from;
    const char* label;
  } kVersions[] = {{20121122, "QEB 5.6"}, {20080813, "QEB 5.4"}, {20051004, "QEB 5.3"},
                   {20041020, "QEB 5.2"}, {20001219, "QEB 5.0"}, {19981105, "QEB 4.1"},
                   {1, "QEB 4.0"}};
  for (const auto& version : kVersions) {
    if (date >= version.from) {
      TextBufAssign(text, version.label);
      return;
    }
  }
}

TextEncoding FileDateEncoding(int32_t fileDate) {
  return fileDate < kFormatDate ? kEncodingSystemPage : kEncodingUtf8;
}

void FileKindFromExtension(SaveOptions* options, const char* path) {
  T_TextBuf extension;
  PathGetExtension(path, &extension);
  if (StrEqualNoCase(extension.c_str(), "qeb")) {
    if (options->kind != kFileKindContainerB) {
      options->kind = kFileKindContainerN;
      options->compressed = 1;
    }
  } else if (StrEqualNoCase(extension.c_str(), "qex")) {
    options->kind = kFileKindTextForm;
  }
}
