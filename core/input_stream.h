#pragma once
// T_IStream, the one text reader: the database text form (lines of TAB-separated fields), the
// command language (a configurable tokenizer), XML requests and files, import files and the
// settings file. Whatever the input encoding, every line is handed out as UTF-8: UTF-16 and
// 8-bit lines are converted line by line, characters can be mapped through a substitution
// table, and decomposed accents are composed.
//
// The base class reads a memory range; subclasses (the file stream, the clipboard) supply other
// sources through Refill and Seek.
//
// Invariants:
//   1. base <= readStart <= dataEnd; the bytes before readStart are consumed;
//   2. the current line [lineStart, lineEnd) is UTF-8 and stays valid until the next line is
//      read: it lies in the input buffer (UTF-8 without changes) or in the line buffer;
//   3. the field and token cursors lie within the current line;
//   4. a line never ends between the two bytes of CR LF or inside a UTF-16 unit: a line whose
//      end is not yet in the buffer is read only after Refill finds no more data.
//
// Input operations never fail loudly: they return false and an empty result. A stream is used
// by one thread; Refill pumps user-interface messages.
#include <cstdint>

#include "core/code_pages.h"
#include "core/text_buffer.h"

class T_OStream;

// Token flags of NextToken.
constexpr uint32_t kTokenSlashComment = 0x1;        // "//" to the line end is skipped
constexpr uint32_t kTokenBlockComment = 0x2;        // nested "/*" "*/" skipped, across lines
constexpr uint32_t kTokenHashComment = 0x4;         // "#" to the line end is skipped
constexpr uint32_t kTokenSemicolonComment = 0x8;    // ";" to the line end is skipped
constexpr uint32_t kTokenSlashCommentToken = 0x10;  // without 0x1: "//" comment is a token
constexpr uint32_t kTokenBlockCommentToken = 0x20;  // without 0x2: "/*" comment is a token
constexpr uint32_t kTokenHashCommentToken = 0x40;
constexpr uint32_t kTokenSemicolonCommentToken = 0x80;
constexpr uint32_t kTokenParentheses = 0x100;
constexpr uint32_t kTokenBrackets = 0x200;
constexpr uint32_t kTokenBraces = 0x400;
constexpr uint32_t kTokenSemicolon = 0x800;  // ";" is a token (before the comment flags)
constexpr uint32_t kTokenEquals = 0x1000;
constexpr uint32_t kTokenAssign = 0x2000;  // ":="
constexpr uint32_t kTokenSingleQuotes = 0x4000;
constexpr uint32_t kTokenDoubleQuotes = 0x8000;
constexpr uint32_t kTokenBackslashContinues = 0x10000;
constexpr uint32_t kTokenAcrossLines = 0x20000;
// A line that begins with "##" is never entered or left by a comment, a continuation or a token
// that runs across lines: the token ends before it, and the line stays current with no tokens
// left (RewindLine makes it readable again), so a section reader finds it where it expects it.
constexpr uint32_t kTokenStopAtSections = 0x40000;
constexpr uint32_t kTokenDefault = 0xC001;
constexpr uint32_t kTokenCommandLanguage = 0x1C003;

constexpr int32_t kLineBufferSize = 16372;
constexpr int32_t kTokenBufferSize = 4064;
constexpr int32_t kBinaryFieldPlainLimit = 36608;
// The most a long-text field reads back (ReadLongText); pieces beyond it are read and dropped.
constexpr int32_t kLongTextReadLimit = 1 << 20;

class T_IStream {
 public:
  T_IStream();
  virtual ~T_IStream();
  T_IStream(const T_IStream&) = delete;
  T_IStream& operator=(const T_IStream&) = delete;

  // Reads the memory range (not copied: it must outlive the reading).
  void CtorFromMemory(const void* address, int64_t length);
  // Reads the bytes written so far into a memory output stream.
  void CtorFromOStream(const T_OStream* stream);
  // The buffers are overwritten before they are freed (the stream carries secrets).
  void WipeWhenFreed() { wipeWhenFreed = 1; }

  // Brings more data behind the unread tail; false when there is none. The base only pumps
  // messages: a memory stream has all its data.
  virtual bool Refill();
  virtual void Seek(int64_t position);

  void SetEncoding(TextEncoding encoding);
  // Ignored when the name matches no encoding.
  void SetEncodingByName(const char* name);
  // Characters up to U+FFFF; nothing for equal ones or one beyond.
  void AddCharSubstitution(uint32_t from, uint32_t to);
  // Pairs the characters of the two texts by position, skipping sources of code 32 or below.
  void AddCharSubstitutions(const char* fromText, const char* toText);
  void SetTokenFlags(uint32_t flags) { tokenFlags = flags; }

  // --- Lines ---
  // The next line becomes current; false at the end of the input, which leaves an empty line
  // current.
  bool NextLine();
  // One line from the buffer: false when none is complete (unless final, which takes the rest
  // of the data as the last line).
  bool ReadLine(bool final);
  void RewindLine();

  // --- Fields of the current line (TAB-separated) ---
  // The field runs to the next TAB or the line end, trailing blanks removed; false with an
  // empty field at the line end. A TAB at the very end ends the fields.
  bool NextField();
  bool NextFieldRaw();
  bool ReadFieldStr(char* buffer, int32_t size);  // cut at a character boundary
  bool ReadFieldBuf(T_TextBuf* text);
  bool ReadFieldRawBuf(T_TextBuf* text);
  // An owned block text into the holder; at the line end the holder is freed and set to null.
  bool ReadFieldBlock(char** holder);
  bool ReadFieldRawBlock(char** holder);
  int32_t ReadFieldInt();    // 0 at the line end
  // The same reading of digits, signs and a rounding decimal, but a value outside [low, high]
  // (however many digits it has) gives 0.
  int64_t ReadFieldIntInRange(int64_t low, int64_t high);
  double ReadFieldDouble();  // NaN at the line end or without a digit
  // A field written by T_OStream::PutLongText, joined from its pieces, into an owned block
  // text of at most limit bytes (cut between characters). Every piece is consumed, so the line
  // after the field's last piece is the next one whatever the limit.
  bool ReadLongText(char** holder, int32_t limit = kLongTextReadLimit);
  // A field written by T_OStream::PutCompressedHex (or the older plain hexadecimal form) into
  // an owned block of exactly the decoded length; false (holder null) for a damaged field.
  bool ReadFieldBinary(void** holder);
  // name=value items of the current line from the token cursor; the value ends at a blank or
  // is in double quotes, and is entity-decoded.
  bool NextLineAttribute(T_TextBuf* name, T_TextBuf* value);

  // --- XML ---
  // The next tag (comments dropped) or text run, across lines. A tag ends at the first ">"
  // outside a quoted value (double or single quotes); a line break inside a tag counts as a
  // blank, and control characters become blanks.
  bool NextXmlToken();
  bool FieldIsTag(const char* name) const;
  bool FieldIsOneOfTags(const char* list) const;  // blank-separated names
  bool FieldIsEndTag() const;                     // an end tag or an empty element
  bool FieldEquals(const char* text) const;       // letter case ignored
  void TagName(T_TextBuf* name) const;
  // name="value" or name='value' of the current tag, entity-decoded; a value without quotes is
  // empty. False when no name is left.
  bool NextXmlAttribute(T_TextBuf* name, T_TextBuf* value);
  // The text of the current start tag's element up to its end tag, entity-decoded; false for
  // an end tag or an empty element.
  bool ReadElementContent(T_TextBuf* text);
  bool ReadElementText(const char* name, T_TextBuf* text);
  void SkipElement();

  // --- Tokens ---
  bool NextToken();
  bool ReadToken(T_TextBuf* text);

  // The current field or token.
  const char* Field() const { return fieldStart; }
  int32_t FieldLength() const { return fieldLength; }

  // --- State ---
  const uint8_t* base = nullptr;
  const uint8_t* readStart = nullptr;
  const uint8_t* dataEnd = nullptr;
  int64_t offset = 0;  // stream position of base
  TextEncoding encoding = 0;
  char* lineStart = nullptr;
  char* lineEnd = nullptr;
  char* fieldCursor = nullptr;
  char* tokenCursor = nullptr;
  char* xmlAttributeCursor = nullptr;  // into the token buffer
  const uint8_t* rawLineStart = nullptr;
  int64_t lineCount = 0;
  const char* fieldStart = "";
  int32_t fieldLength = 0;
  uint16_t* substitutions = nullptr;  // 65536 units, created by the first substitution
  char* lineBuffer = nullptr;
  int32_t lineBufferSize = 0;
  uint8_t compose = 1;
  uint16_t* decodeTable = nullptr;  // 256 units for code pages; rebuilt on the next line
  uint32_t tokenFlags = kTokenDefault;
  char* tokenBuffer = nullptr;
  uint8_t utf8Check = 1;
  uint8_t* binaryBuffer = nullptr;
  uint8_t wipeWhenFreed = 0;  // WipeWhenFreed

 private:
  bool PrepareLine(const uint8_t* raw, int64_t rawLength);
  bool EnsureLineBuffer(int64_t n);
  bool EnsureTokenBuffer();
  void ComposeLine();
  bool XmlNextChar(char* c, bool breakAsBlank);
  // Moves to the next line for a token that runs on; false at the end of the input, and under
  // kTokenStopAtSections at a "##" line.
  bool TokenNextLine();
  bool previousLineContinues_ = false;
  bool lineFailed_ = false;  // the last line read could not be converted
};

// --- Encodings ---------------------------------------------------------------------------------

// The encoding of a text head (at most its first 4000 bytes): byte-order marks, the
// "##Characters" line, zero-byte statistics and UTF-8 validity; -1 when undecided. *bomLength
// gets the length of a byte-order mark to skip.
TextEncoding DetectEncoding(const void* head, int64_t length, int32_t* bomLength);
// An encoding by a name as files and setups write it ("UTF-8", "Latin1", "Mac", "ANSI", ...);
// -1 when none matches.
TextEncoding EncodingFromName(const char* name);

// "+" sets the flag to 1, "-" to 0, anything else leaves it.
void SetFlagFromSign(uint8_t* flag, char c);

// --- Attribute lists --------------------------------------------------------------------------

constexpr int32_t kAttrListMax = 32;

struct AttrList {
  int32_t count;
  char* names[kAttrListMax];   // owned block texts
  char* values[kAttrListMax];  // owned block texts (null for empty)
};

void AttrListInit(AttrList* list);
void AttrListClear(AttrList* list);
void AttrListFree(AttrList* list);
void AttrListAdd(AttrList* list, const char* name, const char* value);  // ignored when full
// Clears the list, then adds every attribute of the stream's current tag.
void AttrListRead(AttrList* list, T_IStream* stream);
// The value of the first pair whose name equals, letter case ignored; empty and false when none.
bool AttrListGet(const AttrList* list, const char* name, T_TextBuf* value);
