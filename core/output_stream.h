#pragma once
// T_OStream, the one buffered text writer: every export, database text file, log, XML answer,
// web page and clipboard text goes through it.
//
// The stream owns a byte buffer and one encoder (core/stream_encoders.h). Every write first
// reserves its worst-case room with EnsureRoom, which calls the virtual MakeRoom when the write
// position would pass the buffer end; then the encoder writes without checks. The subclass
// decides where a full buffer goes: the base grows its buffer in memory, T_OStreamFile writes
// it to a file, T_OStreamBlock keeps a list of blocks.
//
// Invariants:
//   1. start <= pos <= end, all null before the first buffer;
//   2. a write happens only after MakeRoom has made room for its worst case; when no room can
//      be had (memory) the write is dropped whole, never cut or written past end;
//   3. the buffer is never NUL-terminated by the stream.
//
// A stream belongs to the thread that created it. Growing pumps user-interface messages.
#include <cstdint>

#include "core/code_pages.h"
#include "core/stream_encoders.h"
#include "core/text_buffer.h"

struct NumFormat;

class T_OStream {
 public:
  T_OStream();
  virtual ~T_OStream();
  T_OStream(const T_OStream&) = delete;
  T_OStream& operator=(const T_OStream&) = delete;

  // Makes room for n more bytes behind pos. The base grows the memory buffer to at least
  // 2 x capacity + 4096 bytes, and further when n needs it; a failed allocation changes
  // nothing.
  virtual void MakeRoom(int64_t n);

  // --- Settings ---
  void SetSeparator(uint32_t unit);
  // Copied and cut to at most 3 bytes at a character boundary.
  void SetNewline(const char* text);
  void SetNewlineChar(uint32_t unit);
  void SetNewlineCRLF();
  // Replaces the encoder; what was written stays as it is. Without memory the stream has no
  // encoder and drops every write.
  void SetEncoding(TextEncoding encoding);
  void SetBuffer(uint8_t* start, int64_t size, uint8_t* writePosition);
  // The buffers are overwritten before they are freed (the stream carries secrets).
  void WipeWhenFreed() { wipeWhenFreed = 1; }

  // Room for n UTF-8 bytes (doubled for UTF-16) or n UTF-16 units; false when it cannot be had
  // (the write must then be dropped).
  bool EnsureRoom(int64_t n);
  bool EnsureRoomWide(int64_t n);

  // --- Writes ---
  void PutChar(char c);
  void PutWideChar(uint32_t unit);
  void PutText(const char* text);  // null writes nothing
  void PutBytes(const char* bytes, int64_t n);
  void PutTextBuf(const T_TextBuf* buffer);
  void PutBlockText(const char* block);  // an owned block text; null writes nothing
  // A raw field of a line (a code, name, title or line text): every control character (below
  // 32) goes out as a blank, so no stored text can end its field or its line. Null writes
  // nothing.
  void PutFieldText(const char* text);
  void PutInt(int32_t value);
  void PutInt64(int64_t value);
  void PutIntDigits(int32_t value, int32_t width);
  void PutDouble(double x);
  void PutDoubleFormat(double x, const NumFormat* format);
  void PutSeparator();
  // Drops the trailing separators of the current buffer, then ends the line.
  void PutNewline();

  // Lines; "c" is one ASCII character, SEP the separator, NL the newline. A text that is null
  // or empty writes nothing at all where noted.
  void PutCharLine(char c);                                      // c NL; nothing for 0
  void PutLine(const char* text);                                // s NL; nothing for empty
  void PutBlockTextLine(const char* block);                      // t NL; nothing for null
  void PutCharPairLine(char c1, char c2);                        // c1 SEP c2 NL
  void PutCharTextLine(char c, const char* text);                // c SEP s NL; nothing for empty
  void PutCharBlockTextLine(char c, const char* block);          // nothing for null
  void PutCharIntLine(char c, int32_t value);                    // c SEP i NL
  void PutKeyCharLine(const char* key, char c);                  // key SEP c NL
  void PutKeyTextLine(const char* key, const char* text);        // nothing for empty
  void PutKeyBlockTextLine(const char* key, const char* block);  // nothing for null
  void PutKeyShortLine(const char* key, int16_t value);
  void PutKeyIntLine(const char* key, int32_t value);
  void PutKeyInt64Line(const char* key, int64_t value);
  void PutCharSignLine(char c, bool on);          // c "+" or "-" NL
  void PutKeySignLine(const char* key, bool on);  // key "+" or "-" NL

  // --- XML and HTML ---
  void PutEscaped(const char* text);
  void PutElement(const char* name, const char* text);  // <name>escaped</name> NL
  // A blank, name="escaped value"; nothing for an empty value.
  void PutAttribute(const char* name, const char* value);
  // The same also for an empty value (null writes nothing).
  void PutAttributeAlways(const char* name, const char* value);
  void PutIntAttribute(const char* name, int32_t value);
  void PutInt64Attribute(const char* name, int64_t value);
  void PutHtmlDoctype();
  // The prolog and the meta line name the registered charset of the bytes written (see
  // EncodingCharset); an encoding no other reader knows is declared "US-ASCII", and the
  // escapers then write every character beyond ASCII as a reference.
  void PutXmlProlog();
  void PutHtmlMetaCharset();
  // "<!-- text -->" NL with every "--" of the text broken up as "- -", so no text can end the
  // comment.
  void PutHtmlComment(const char* text);

  // A field that may hold line breaks and tabs, read back by T_IStream::ReadLongText: every
  // line end (CR LF, CR or LF) becomes byte 3 and TAB byte 4; a text above 4208 bytes goes out
  // in pieces of 4197 to 4200 bytes (cut between characters), each followed by "/==" and NL. A
  // remaining piece that would itself look continued (4000 bytes or more, ending in "/==") is cut
  // once more after about 4000 bytes. The caller ends the last line.
  void PutLongText(const char* text);
  // "*" and the upper-case hexadecimal digits of the block codec's code of a whole owned
  // block, read back by T_IStream::ReadFieldBinary. Blocks above the codec's 32767 bytes go
  // in consecutive codes, which expand as one. False (nothing written) when memory runs out;
  // null writes nothing.
  bool PutCompressedHex(const void* block);

  // The bytes written into the current buffer.
  int64_t BufferedLength() const { return pos - start; }

  // --- State (read by the encoders and subclasses) ---
  uint8_t* start = nullptr;
  uint8_t* end = nullptr;
  uint8_t* pos = nullptr;
  uint8_t* ownedBuffer = nullptr;  // the base's memory buffer (MemAlloc)
  uint8_t wipeWhenFreed = 0;
  TextEncoding encoding = 0;
  T_OStreamBuffer* encoder = nullptr;
  // The encoder's room factors, read once when it is set (every write asks them): 0 when
  // nothing may be written. UTF-8 passes bytes through unchanged, which PutBytes copies itself.
  int32_t roomPerByte = 0;
  int32_t roomPerUnit = 0;
  uint8_t bytesPassThrough = 0;
  uint32_t separator = 9;
  char separatorBytes[4] = {9, 0, 0, 0};
  int32_t separatorLength = 1;
  char newline[4] = {13, 10, 0, 0};
  int32_t newlineLength = 2;
  uint8_t namedEntities = 0;  // XmlEscape writes named entities for non-ASCII characters
  uint8_t* hexScratch = nullptr;

 protected:
  void TakeEncoder(T_OStreamBuffer* taken);
  void MakeRoomKeepingSeparators(int64_t bytes);
  void PutKey(const char* key);
  void PutNewlineBytes();
};

// The UTF-8 byte count of XmlEscape's output for the text on this stream.
int64_t XmlEscapedLength(const T_OStream* stream, const char* text);
// Writes the text escaped for XML 1.0 and HTML; the room must have been reserved. " & ' < >
// become entities; TAB, LF and CR become "&#09;", "&#10;" and "&#13;"; the other control
// characters, lone surrogate halves and U+FFFE/U+FFFF are left out, as XML allows none of them.
// A character of 128 or more is its entity name when the stream asks for named entities and it
// has one; a decimal reference ("&#322;") when the stream's encoding lacks it or other readers
// do not know the encoding; else itself. Two 3-byte surrogate forms in a row are one character.
// Decoding stops at the first invalid lead byte.
void XmlEscape(T_OStream* stream, const char* text);

// A BSTR of the text written so far into a memory (base) stream in UTF-8.
wchar_t* BstrFromStream(const T_OStream* stream);
