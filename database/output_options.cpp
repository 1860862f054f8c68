#include "database/output_options.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/code_pages.h"
#include "core/cstring.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/number_parse.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "core/utf8.h"
#include "database/base.h"

namespace {

constexpr int32_t kCharCodeField = 7;  // characters of a code's field that count
constexpr int32_t kEncodingField = 255;
constexpr char kPageNumberLetters[] = "-asp";

// The switch records of the output options in their write order: key, field, the value that is
// written (the other one is the default).
struct OutputSwitch {
  const char* key;
  uint8_t OutputOptions::*field;
  uint8_t writtenWhen;
};

constexpr OutputSwitch kLeadingSwitches[] = {
    {"xet", &OutputOptions::windowTitle, 1}, {"xes", &OutputOptions::notes, 1},
    {"xee", &OutputOptions::definition, 1},  {"xer", &OutputOptions::columnTitles, 1},
    {"xeh", &OutputOptions::headerRows, 0},  {"xea", &OutputOptions::dataRows, 0},
};
constexpr OutputSwitch kTrailingSwitches[] = {
    {"xek", &OutputOptions::excludeQuotes, 1},
    {"xeu", &OutputOptions::separateDimensions, 1},
    {"xe&", &OutputOptions::entityNames, 1},
    {"xel", &OutputOptions::columnWidths, 1},
};

struct CharCodeRecord {
  const char* key;
  uint16_t OutputOptions::*field;
  uint16_t fallback;  // the default, which is not written
};

constexpr CharCodeRecord kCharCodes[] = {
    {"xed", &OutputOptions::decimalSeparator, 0}, {"xem", &OutputOptions::thousandsSeparator, 0},
    {"xef", &OutputOptions::fieldSeparator, 9},   {"xeq", &OutputOptions::quoteCharacter, 1},
    {"xen", &OutputOptions::rowTerminator, 0},
};

struct PrintSwitch {
  const char* key;
  uint8_t PrintOptions::*field;
  uint8_t writtenWhen;
};

constexpr PrintSwitch kPrintSwitches[] = {
    {"xpt", &PrintOptions::windowTitle, 0},  {"xpu", &PrintOptions::dateTime, 0},
    {"xpm", &PrintOptions::definition, 1},   {"xpn", &PrintOptions::notes, 1},
    {"xpc", &PrintOptions::columnTitles, 0}, {"xpd", &PrintOptions::headerRows, 0},
    {"xpa", &PrintOptions::dataRows, 0},     {"xph", &PrintOptions::bindingMargin, 1},
    {"xpi", &PrintOptions::fillPage, 1},
};

constexpr const char* kPageSetupKeys[2] = {"xLc", "xLw"};

// Keys compare on their first three characters, as the record readers dispatch on them.
bool KeyIs(const char* key, const char* name) { return std::strncmp(key, name, 3) == 0; }

void FreeBlocks(PrintOptions* options) {
  for (void*& block : options->pageSetup) {
    MemFree(block);
    block = nullptr;
  }
}

// An encoding by the key the writer writes (letter case ignored), then by the names other
// programs and older files use; -1 for neither.
TextEncoding EncodingFromRecord(const char* text) {
  for (TextEncoding e = 0; EncodingKey(e) != nullptr; ++e) {
    if (StrEqualNoCase(text, EncodingKey(e))) return e;
  }
  return EncodingFromName(text);
}

template <typename Options, typename Switch, size_t N>
bool ReadSwitch(const Switch (&table)[N], Options* options, const char* key) {
  for (const Switch& s : table) {
    if (!KeyIs(key, s.key)) continue;
    options->*s.field = s.writtenWhen;
    return true;
  }
  return false;
}

void SetCharCode(uint16_t* field, const T_TextBuf& value) {
  const char* text = value.c_str();
  if (value.length == 0) {
    *field = 0;
    return;
  }
  *field = static_cast<uint16_t>(Utf8Decode(text) <= 0xFFFF ? Utf8Decode(text) : 0);
}

}  // namespace

bool PrintOptionsCopy(PrintOptions* destination, const PrintOptions* source) {
  if (destination == source) return true;
  FreeBlocks(destination);
  void* blocks[2] = {};
  bool whole = true;
  for (int32_t i = 0; i < 2; ++i) {
    if (source->pageSetup[i] == nullptr) continue;
    blocks[i] = MemDupBlock(source->pageSetup[i]);
    if (blocks[i] == nullptr) whole = false;
  }
  *destination = *source;
  for (int32_t i = 0; i < 2; ++i) destination->pageSetup[i] = whole ? blocks[i] : nullptr;
  if (!whole) {
    for (void* block : blocks) MemFree(block);
  }
  return whole;
}

void PrintOptionsFree(PrintOptions* options) { FreeBlocks(options); }

int64_t PrintOptionsMemSize(const PrintOptions* options) {
  return MemAllocatedSize(options->pageSetup[0]) + MemAllocatedSize(options->pageSetup[1]);
}

void WriteCharCode(T_OStream* stream, uint32_t code) {
  if (code == '#') {
    stream->PutText("##");
  } else if (code >= 33 && code <= 127) {
    stream->PutChar(static_cast<char>(code));
  } else if (code == 160) {
    stream->PutText("#B");
  } else if (code == 2) {
    stream->PutText("#F");
  } else {
    stream->PutChar('#');
    stream->PutInt64(code);
  }
}

uint16_t ParseCharCode(const char* field, int32_t length) {
  if (field == nullptr || length <= 0) return 0;
  if (length > kCharCodeField) length = kCharCodeField;
  if (field[0] != '#') {
    T_TextBuf first;
    TextBufAssignBytes(&first, field, Utf8BoundaryAtOrBefore(field, length));
    uint32_t code = first.length > 0 ? Utf8Decode(first.c_str()) : 0;
    return static_cast<uint16_t>(code <= 0xFFFF ? code : 0);
  }
  if (length == 1) return 0;
  if (field[1] == '#') return '#';
  if (field[1] == 'B') return 160;
  if (field[1] == 'F') return 2;
  // Seven characters hold at most six digits, so the number cannot wrap.
  int32_t code = ParseInt(field + 1, length - 1);
  return static_cast<uint16_t>(code >= 0 && code <= 0xFFFF ? code : 0);
}

void WritePrintOptionRecords(T_OStream* stream, const PrintOptions* options) {
  for (int32_t i = 0; i < 2; ++i) {
    if (options->pageSetup[i] == nullptr) continue;
    stream->PutText(kPageSetupKeys[i]);
    stream->PutSeparator();
    stream->PutCompressedHex(options->pageSetup[i]);
    stream->PutNewline();
  }
  for (const PrintSwitch& s : kPrintSwitches) {
    if ((options->*s.field != 0) == (s.writtenWhen != 0)) stream->PutLine(s.key);
  }
  if (options->pageNumbers != kPageNumbersWithTotal && options->pageNumbers < 4)
    stream->PutKeyCharLine("xpp", kPageNumberLetters[options->pageNumbers]);
}

void WriteOutputOptionRecords(T_OStream* stream, const OutputOptions* options) {
  const char* key = EncodingKey(options->encoding);
  stream->PutKeyTextLine("xeE", key ? key : EncodingKey(kEncodingUtf8));
  if (options->format == kOutputHtml) stream->PutLine("xew");
  if (options->format == kOutputXml) stream->PutLine("xex");
  if (options->chartWidth != 0) stream->PutKeyInt64Line("xeW", options->chartWidth);
  if (options->chartHeight != 0) stream->PutKeyInt64Line("xeH", options->chartHeight);
  for (const OutputSwitch& s : kLeadingSwitches) {
    if ((options->*s.field != 0) == (s.writtenWhen != 0)) stream->PutLine(s.key);
  }
  for (const CharCodeRecord& c : kCharCodes) {
    uint16_t code = options->*c.field;
    if (code == c.fallback) continue;
    stream->PutText(c.key);
    stream->PutSeparator();
    WriteCharCode(stream, code);
    stream->PutNewline();
  }
  for (const OutputSwitch& s : kTrailingSwitches) {
    if ((options->*s.field != 0) == (s.writtenWhen != 0)) stream->PutLine(s.key);
  }
}

bool ReadOutputOptionRecord(OutputOptions* options, const char* key, T_IStream* stream) {
  if (std::strncmp(key, "xe", 2) != 0 || key[2] == 0) return false;
  if (KeyIs(key, "xeE")) {
    stream->NextField();
    T_TextBuf name;
    int32_t n = stream->FieldLength() < kEncodingField ? stream->FieldLength() : kEncodingField;
    TextBufAssignBytes(&name, stream->Field(), Utf8BoundaryAtOrBefore(stream->Field(), n));
    TextEncoding encoding = EncodingFromRecord(name.c_str());
    if (encoding >= 0) options->encoding = encoding;
    return true;
  }
  if (KeyIs(key, "xew")) {
    options->format = kOutputHtml;
    return true;
  }
  if (KeyIs(key, "xex")) {
    options->format = kOutputXml;
    return true;
  }
  if (KeyIs(key, "xeW") || KeyIs(key, "xeH")) {
    (KeyIs(key, "xeW") ? options->chartWidth : options->chartHeight) =
        static_cast<uint32_t>(stream->ReadFieldIntInRange(0, UINT32_MAX));
    return true;
  }
  if (ReadSwitch(kLeadingSwitches, options, key) || ReadSwitch(kTrailingSwitches, options, key))
    return true;
  for (const CharCodeRecord& c : kCharCodes) {
    if (!KeyIs(key, c.key)) continue;
    stream->NextField();
    options->*c.field = ParseCharCode(stream->Field(), stream->FieldLength());
    return true;
  }
  return false;
}

bool ReadPrintOptionRecord(PrintOptions* options, const char* key, T_IStream* stream,
                           bool* damaged) {
  for (int32_t i = 0; i < 2; ++i) {
    if (!KeyIs(key, kPageSetupKeys[i])) continue;
    if (*damaged) return true;
    void* block = nullptr;
    if (!stream->ReadFieldBinary(&block)) {
      // One half of a page setup is no page setup.
      *damaged = true;
      FreeBlocks(options);
      return true;
    }
    MemFree(options->pageSetup[i]);
    options->pageSetup[i] = block;
    return true;
  }
  if (std::strncmp(key, "xp", 2) != 0 || key[2] == 0) return false;
  if (KeyIs(key, "xpw")) {
    options->windowTitle = 0;
    return true;
  }
  if (KeyIs(key, "xpp")) {
    stream->NextField();
    const char* letter =
        stream->FieldLength() > 0 ? std::strchr(kPageNumberLetters, stream->Field()[0]) : nullptr;
    if (letter != nullptr && *letter != 0)
      options->pageNumbers = static_cast<uint32_t>(letter - kPageNumberLetters);
    return true;
  }
  return ReadSwitch(kPrintSwitches, options, key);
}

void ParseOutputOptions(OutputOptions* options, T_IStream* stream, T_Base* base) {
  struct OnOff {
    const char* name;
    uint8_t OutputOptions::*field;
  };
  static constexpr OnOff kSwitches[] = {
      {"wintitle", &OutputOptions::windowTitle},  {"notes", &OutputOptions::notes},
      {"definition", &OutputOptions::definition}, {"coltitles", &OutputOptions::columnTitles},
      {"headers", &OutputOptions::headerRows},    {"datarows", &OutputOptions::dataRows},
  };
  static constexpr const char* kFormats[] = {"text", "html", "xml"};
  T_TextBuf name;
  T_TextBuf value;
  while (stream->NextXmlAttribute(&name, &value)) {
    bool known = false;
    if (StrEqualNoCase(name.c_str(), "format")) {
      known = true;
      bool found = false;
      for (uint32_t f = 0; f < 3 && !found; ++f) {
        if (!StrEqualNoCase(value.c_str(), kFormats[f])) continue;
        options->format = f;
        found = true;
      }
      if (!found) base->XmlUnknownValue(value.c_str(), name.c_str());
    }
    for (const OnOff& s : kSwitches) {
      if (known || !StrEqualNoCase(name.c_str(), s.name)) continue;
      known = true;
      int32_t flag = base->XmlReadOnOff(name.c_str(), value.c_str());
      if (flag >= 0) options->*s.field = static_cast<uint8_t>(flag);
    }
    if (!known && StrEqualNoCase(name.c_str(), "decsep")) {
      known = true;
      uint32_t code = value.length > 0 ? Utf8Decode(value.c_str()) : 0;
      if (code > 32 && code <= 0xFFFF) options->decimalSeparator = static_cast<uint16_t>(code);
    }
    if (!known && StrEqualNoCase(name.c_str(), "thousep")) {
      known = true;
      SetCharCode(&options->thousandsSeparator, value);
      if (options->thousandsSeparator < 32) options->thousandsSeparator = 1;
    }
    if (!known) base->XmlUnknownAttribute(name.c_str());
  }
}
