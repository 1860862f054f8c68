#pragma once
// The encoders of the output streams. Text inside the program is UTF-8; every output stream owns
// exactly one encoder that turns it into the stream's encoding while writing at the stream's
// write position:
//   T_OStreamBuffer   UTF-8 (encoding 0), bytes copied
//   T_OStreamUTF16LE  encoding 1, each character one 16-bit unit (a surrogate pair from U+10000
//                     on), low byte first
//   T_OStreamUTF16BE  encoding 2, high byte first
//   T_OStreamCodepage every other encoding: one byte per character through a 64 KB table;
//                     a character the code page lacks (every one beyond U+FFFF among them)
//                     becomes one "."
// The stream reserves room before each call (T_OStream::EnsureRoom), so an encoder never tests
// the buffer end: no character takes more bytes in an encoding than in UTF-8, doubled for
// UTF-16. UTF-8 is decoded in well-formed characters (core/utf8.h); an invalid lead byte ends the
// write of a text at that point in the code-page and UTF-16 encoders (the UTF-8 encoder copies
// bytes unchanged).
//
// Numbers are formatted as UTF-8 text and written through the encoder's own PutBytes, so a
// separator outside ASCII becomes one proper character in every encoding.
#include <cstdint>

#include "core/code_pages.h"

class T_OStream;
struct NumFormat;

class T_OStreamBuffer {
 public:
  explicit T_OStreamBuffer(T_OStream* stream) : stream_(stream) {}
  virtual ~T_OStreamBuffer() = default;
  T_OStreamBuffer(const T_OStreamBuffer&) = delete;
  T_OStreamBuffer& operator=(const T_OStreamBuffer&) = delete;

  // A null format means the program's default one.
  void PutDouble(double x, const NumFormat* format);
  // "-" for a negative value, then exactly w digits: zero-padded, higher digits dropped, at
  // least one.
  void PutInt64Digits(int64_t value, int32_t width);
  void PutInt64(int64_t value);
  void PutIntDigits(int32_t value, int32_t width);
  void PutInt(int32_t value);
  // UTF-16 text; a surrogate pair is one character.
  virtual void PutWideText(const wchar_t* text);
  virtual void PutBytes(const char* bytes, int64_t n);
  void PutText(const char* text);
  // One character by its code, U+10000 and above included.
  virtual void PutWideChar(uint32_t unit);
  virtual void PutRepeated(uint8_t byte, int64_t n);
  // One byte as it stands; UTF-16 takes it as the code point of that value.
  virtual void PutByte(uint8_t byte);
  // An 8-bit ASCII text.
  virtual void PutAscii(const char* text);
  // Drops trailing whole copies of the separator from the current buffer (never before its
  // start).
  virtual void TrimSeparators();
  // The most bytes one UTF-8 byte can become (2 for UTF-16, else 1) and one UTF-16 unit (3 for
  // UTF-8, 2 for UTF-16, 1 for a code page).
  virtual int32_t BytesPerUtf8Byte() const { return 1; }
  virtual int32_t BytesPerUnit() const { return 3; }
  // False for a code-page encoder whose table could not be had: nothing may be written through
  // it.
  virtual bool Usable() const { return true; }
  // True when the encoding has the character (a code page writes "." for the others).
  virtual bool CanEncode(uint32_t /*code*/) const { return true; }

 protected:
  T_OStream* stream_;
};

class T_OStreamCodepage : public T_OStreamBuffer {
 public:
  T_OStreamCodepage(T_OStream* stream, TextEncoding encoding);
  ~T_OStreamCodepage() override;

  void PutWideText(const wchar_t* text) override;
  void PutBytes(const char* bytes, int64_t n) override;
  void PutWideChar(uint32_t unit) override;
  void PutAscii(const char* text) override;
  void TrimSeparators() override;
  int32_t BytesPerUnit() const override { return 1; }
  bool Usable() const override { return table_ != nullptr; }
  bool CanEncode(uint32_t code) const override;

 private:
  uint8_t Byte(uint32_t code) const { return code < 0x10000 ? table_[code] : '.'; }
  uint8_t* table_;  // 65536 bytes by UTF-16 unit; null when it could not be allocated
};

class T_OStreamUTF16LE : public T_OStreamBuffer {
 public:
  explicit T_OStreamUTF16LE(T_OStream* stream, bool bigEndian = false)
      : T_OStreamBuffer(stream), bigEndian_(bigEndian) {}

  void PutWideText(const wchar_t* text) override;
  void PutBytes(const char* bytes, int64_t n) override;
  void PutWideChar(uint32_t unit) override;
  void PutRepeated(uint8_t byte, int64_t n) override;
  void PutByte(uint8_t byte) override;
  void PutAscii(const char* text) override;
  void TrimSeparators() override;
  int32_t BytesPerUtf8Byte() const override { return 2; }
  int32_t BytesPerUnit() const override { return 2; }

 private:
  void Unit(uint32_t unit);
  bool bigEndian_;
};

class T_OStreamUTF16BE : public T_OStreamUTF16LE {
 public:
  explicit T_OStreamUTF16BE(T_OStream* stream) : T_OStreamUTF16LE(stream, true) {}
};

// The encoder for an encoding number: 0 UTF-8, 1 and 2 UTF-16, every other a code page. Null
// when it cannot be allocated.
T_OStreamBuffer* NewStreamEncoder(T_OStream* stream, TextEncoding encoding);
