// The "##Protection" and "##BaseOptions" sections (format: base_sections.h).
#include "database/base_sections.h"

#include <cstring>

#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/block_container.h"
#include "database/change_notes.h"
#include "database/date_ref.h"
#include "database/file_kinds.h"
#include "database/line_origins.h"
#include "database/lines.h"
#include "database/model_links.h"
#include "database/operation_log.h"
#include "database/protection.h"

namespace {

constexpr char kDecimalsLetters[] = "0123456FTM";

bool IsKey(const T_IStream* stream, const char* key) {
  return stream->FieldLength() >= 2 && stream->Field()[0] == key[0] && stream->Field()[1] == key[1];
}

// The files whose password is checked against the one given at opening: the block container and
// the older Huffman-coded files. A text form carries its password in the clear anyway.
bool KeepsPasswordInKeystream(int32_t fileKind) {
  return fileKind >= kFileKindContainerN && fileKind <= kFileKindHuffman;
}

void SkipSection(T_IStream* stream) {
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) return;
  }
}

// Every letter is kept as read, "T" and "M" too: the value writer writes 8 and 9 decimals for
// them, where the setter's 0 would round every value of the column to a whole number.
void ReadDecimals(T_Base* base, T_IStream* stream) {
  for (int32_t column = 0; column < kMaxValueCount; ++column) {
    if (!stream->NextField()) return;
    if (stream->FieldLength() == 0) continue;
    const char* letter = std::strchr(kDecimalsLetters, stream->Field()[0]);
    if (letter == nullptr || *letter == 0) continue;
    auto code = static_cast<int32_t>(letter - kDecimalsLetters);
    if (base->decimalsCodes[column] == code) continue;
    base->decimalsCodes[column] = code;
    ChangeNote note;
    note.code = kChangeDecimals;
    note.database = base;
    note.valueColumn = column;
    NotifyChange(base, &note);
  }
}

void ReadValueNames(T_Base* base, T_IStream* stream) {
  T_TextBuf name;
  for (int32_t column = 0; column < kMaxValueCount; ++column) {
    stream->ReadFieldRawBuf(&name);
    base->SetValueName(column, name.c_str());
  }
}

void ReadValueCount(T_Base* base, T_IStream* stream) {
  int32_t count = stream->ReadFieldInt();
  if (count < 1 || count > kMaxValueCount) return;
  base->readValueCount = count;
  if (count > base->valueCount) SetValueCount(base, count);
}

void ReadReferenceDate(T_Base* base, T_IStream* stream) {
  DateRef ref;
  DateRefInit(&ref, base, kDirectionTo);
  if (ReadDateRef(&ref, stream)) base->SetReferenceDate(&ref);
  DateRefFree(&ref);
}

bool ReferenceDateSet(const T_Base* base) {
  return base->referenceDate.kind != kDateRefFixed || base->referenceDate.cardId.date != 0;
}

}  // namespace

// --- Protection --------------------------------------------------------------------------------

void ReadProtectionSection(T_Base* base, T_IStream* stream) {
  Protection* read = ProtectionCreate(base);
  if (read == nullptr) {
    SkipSection(stream);
    return;
  }
  ReadProtection(read, stream);
  int64_t given = base->protection != nullptr ? base->protection->checkValue : 0;
  if (KeepsPasswordInKeystream(base->fileKind) && read->checkValue != given) {
    PendingErrorSet(kErrorIncorrectPassword);
    FailOpen(base);
  } else if ((base->readFlags & kOpenFlagImport) == 0 && base->protection != nullptr) {
    InstallProtection(base->protection, read);
  }
  ProtectionFree(read);
}

void WriteProtectionSection(T_Base* base, T_OStream* stream) {
  stream->PutText("##Protection");
  if (base->protection == nullptr) {
    stream->PutNewline();
    return;
  }
  stream->PutSeparator();
  WriteProtection(base->protection, stream);
}

// --- Base options ------------------------------------------------------------------------------

void ReadBaseOptionsSection(T_Base* base, T_IStream* stream) {
  bool lineOrigins = false;
  T_TextBuf label;
  while (!AbortRequested() && stream->NextLine()) {
    if (IsSectionHeaderLine(stream)) break;
    if (!stream->NextField() || stream->FieldLength() == 0) continue;
    if (IsKey(stream, "CD")) {
      ReadDecimals(base, stream);
    } else if (IsKey(stream, "CN")) {
      int32_t digits = stream->ReadFieldInt();
      if (digits < 1) continue;
      base->SetCardDigits(digits);
      RaiseCardDigitsToFit(base);
    } else if (IsKey(stream, "CT")) {
      stream->ReadFieldRawBuf(&label);
      base->SetCardTitleLabel(label.c_str());
    } else if (IsKey(stream, "LT")) {
      stream->ReadFieldRawBuf(&label);
      base->SetLineTextLabel(label.c_str());
    } else if (IsKey(stream, "LV")) {
      ReadValueNames(base, stream);
    } else if (IsKey(stream, "LN")) {
      ReadValueCount(base, stream);
    } else if (IsKey(stream, "LH")) {
      lineOrigins = true;
    } else if (stream->Field()[0] == 'R') {
      ReadReferenceDate(base, stream);
    }
  }
  if ((base->readFlags & kOpenFlagImport) == 0) SetLineOrigins(base, lineOrigins);
  LogOperation(base, "base options", nullptr, kLogVerbLoaded);
}

void WriteBaseOptionsSection(T_Base* base, T_OStream* stream) {
  stream->PutText("##BaseOptions");
  stream->PutNewline();
  stream->PutKeyIntLine("CN", base->cardDigits);

  stream->PutText("CD");
  for (int32_t column = 0; column < base->valueCount; ++column) {
    int32_t code = base->decimalsCodes[column];
    stream->PutSeparator();
    stream->PutChar(code >= 0 && code <= 9 ? kDecimalsLetters[code] : '2');
  }
  stream->PutNewline();

  const struct {
    const char* key;
    const char* label;
  } labels[] = {{"CT", base->cardTitleLabel}, {"LT", base->lineTextLabel}};
  for (const auto& line : labels) {
    if (line.label == nullptr) continue;
    stream->PutText(line.key);
    stream->PutSeparator();
    stream->PutFieldText(line.label);
    stream->PutNewline();
  }

  bool named = false;
  for (int32_t column = 0; column < base->valueCount && !named; ++column)
    named = base->valueNames[column] != nullptr;
  if (named) {
    stream->PutText("LV");
    for (int32_t column = 0; column < base->valueCount; ++column) {
      stream->PutSeparator();
      stream->PutFieldText(base->valueNames[column]);
    }
    stream->PutNewline();
  }

  if (base->valueCount > 1) stream->PutKeyIntLine("LN", base->valueCount);
  if (base->lineOrigins != nullptr) stream->PutLine("LH");
  if (ReferenceDateSet(base)) {
    stream->PutChar('R');
    WriteDateRef(&base->referenceDate, stream);
    stream->PutNewline();
  }
  stream->PutNewline();
}
