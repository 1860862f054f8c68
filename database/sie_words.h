#pragma once
// The words of one SIE 4 line, as the import reads them and the export writes them: separated
// by blanks (every character up to 32 counts as one); a word in double or single quotes runs to
// the same quote and may hold blanks, braces and "//", a backslash before that quote standing for
// the quote itself; outside quotes "{" and "}" are words of their own and "//" starts a comment
// to the end of the line.
#include <cstdint>
#include <cstring>

#include "core/text_buffer.h"

class T_IStream;
class T_OStream;

class SieLine {
 public:
  // Takes the stream's current line; false for a line whose last quoted word has no closing
  // quote: such a line is damaged and skipped whole.
  bool Start(const T_IStream* stream);
  // The same over a text (for the tests and the export's checks).
  bool StartText(const char* text, int32_t length);
  // The next word, false at the end of the line (or of its words, before a comment).
  bool Next(T_TextBuf* word);

  bool lastQuoted = false;  // the word just read was quoted ("}" in quotes is no brace)

 private:
  bool ScanWord(T_TextBuf* word, bool* open);
  const char* p_ = nullptr;
  const char* end_ = nullptr;
};

inline bool SieWordIs(const T_TextBuf& word, const char* text) {
  return std::strcmp(word.c_str(), text) == 0;
}

// The text in double quotes, a quote inside it written as backslash and quote.
void PutSieQuoted(T_OStream* stream, const char* text);
