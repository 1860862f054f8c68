#pragma once
// The export and print settings that every box window and every box template carries, copied
// whole between the two, and their keyed record lines inside a template's records.
//
// Output-option records ("xe" and a letter; a key alone is a switch):
//
//   key   value             field                        written when
//   xeE   encoding key      encoding                     always
//   xew   -                 format 1 (HTML)              format 1
//   xex   -                 format 2 (XML)               format 2
//   xeW   integer           chart width                  not 0
//   xeH   integer           chart height                 not 0
//   xet   -                 window title on              on
//   xes   -                 notes on                     on
//   xee   -                 definition on                on
//   xer   -                 column titles on             on
//   xeh   -                 header rows off              off
//   xea   -                 data rows off                off
//   xed   character code    decimal separator            not 0
//   xem   character code    thousands separator          not 0
//   xef   character code    field separator              not 9
//   xeq   character code    quote character              not 1
//   xen   character code    row terminator               not 0
//   xek   -                 exclude quotation marks on   on
//   xeu   -                 dimensions in own columns    on
//   xe&   -                 HTML entity names on         on
//   xel   -                 column widths on             on
//
// Print-option records: "xLc" and "xLw" the two page setup blocks ("*" and the hexadecimal digits
// of the block codec's code); the switches "xpt" (also read from "xpw") window title off, "xpu"
// date and time off, "xpm" definition on, "xpn" notes on, "xpc" column titles off, "xpd" header
// rows off, "xpa" data rows off, "xph" binding margin on, "xpi" fill page on; "xpp" and a letter
// of "-asp", the page-number style 0 to 3 (written when not 3).
//
// A character code is written as the character itself for codes 33 to 127, "##" for "#", "#B"
// for 160, "#F" for 2, else "#" and the decimal code; read back the same way from at most 7
// characters, an empty field, a negative code or one above 65,535 giving 0.
#include <cstdint>

#include "core/code_pages.h"

class T_Base;
class T_IStream;
class T_OStream;
struct T_TextBuf;

// Export formats.
constexpr uint32_t kOutputText = 0;
constexpr uint32_t kOutputHtml = 1;
constexpr uint32_t kOutputXml = 2;

struct OutputOptions {
  TextEncoding encoding = kEncodingUtf8;
  uint32_t format = kOutputText;
  // Separator codes: 0, 2, 3 or a byte-order mark mean the system's, 1 none, else the character.
  uint16_t decimalSeparator = 0;
  uint16_t thousandsSeparator = 1;
  uint16_t fieldSeparator = 9;
  uint16_t quoteCharacter = 1;  // 1: none
  uint16_t rowTerminator = 0;   // 0 or 2: CR LF
  uint8_t excludeQuotes = 0;
  uint8_t windowTitle = 0;
  uint8_t notes = 0;
  uint8_t definition = 0;
  uint8_t columnTitles = 0;
  uint8_t headerRows = 1;
  uint8_t dataRows = 1;
  uint8_t separateDimensions = 0;
  uint32_t chartWidth = 0;  // points; 0: the window's own size
  uint32_t chartHeight = 0;
  uint8_t entityNames = 0;
  uint8_t columnWidths = 0;
};

// Page-number styles.
constexpr uint32_t kPageNumbersNone = 0;
constexpr uint32_t kPageNumbersPlain = 1;      // "1"
constexpr uint32_t kPageNumbersOfTotal = 2;    // "1/n"
constexpr uint32_t kPageNumbersWithTotal = 3;  // "1(n)"

// Owns its page setup blocks: copy with PrintOptionsCopy, free with PrintOptionsFree.
struct PrintOptions {
  uint8_t windowTitle = 1;
  uint8_t dateTime = 1;
  uint8_t notes = 0;
  uint8_t definition = 0;
  uint8_t columnTitles = 1;
  uint8_t headerRows = 1;
  uint8_t dataRows = 1;
  uint8_t bindingMargin = 0;
  uint8_t fillPage = 0;
  uint32_t pageNumbers = kPageNumbersWithTotal;
  // The printer's page setup as the box window hands it over: MemAlloc blocks stored under "xLc"
  // and "xLw"; null for none.
  void* pageSetup[2] = {};
};

// Replaces every field of the destination, with copies of the blocks; false (the blocks left
// null) when memory runs out.
bool PrintOptionsCopy(PrintOptions* destination, const PrintOptions* source);
// Frees the blocks (the fields stay).
void PrintOptionsFree(PrintOptions* options);
int64_t PrintOptionsMemSize(const PrintOptions* options);

// Character codes of the "xed" to "xen" records.
void WriteCharCode(T_OStream* stream, uint32_t code);
uint16_t ParseCharCode(const char* field, int32_t length);

// The records in their write order, each only away from its default ("xeE" always).
void WritePrintOptionRecords(T_OStream* stream, const PrintOptions* options);
void WriteOutputOptionRecords(T_OStream* stream, const OutputOptions* options);

// One record, its key (at least 3 characters) already read from the current line, the value
// fields after it. False when the key is not one of these records. A page setup block that does
// not decode sets *damaged; while it is set, both blocks are dropped and further blocks ignored.
bool ReadOutputOptionRecord(OutputOptions* options, const char* key, T_IStream* stream);
bool ReadPrintOptionRecord(PrintOptions* options, const char* key, T_IStream* stream,
                           bool* damaged);

// The attributes of the current "export-options" tag: "format" text, html or xml; "wintitle",
// "notes", "definition", "coltitles", "headers", "datarows" on or off; "decsep" a decimal
// separator (its first character, when above 32); "thousep" a thousands separator (its first
// character, below 32 meaning none). Anything else is reported through the database's XML checks.
void ParseOutputOptions(OutputOptions* options, T_IStream* stream, T_Base* base);
