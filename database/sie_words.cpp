#include "database/sie_words.h"

#include "core/input_stream.h"
#include "core/output_stream.h"

bool SieLine::StartText(const char* text, int32_t length) {
  p_ = text;
  end_ = text + (length > 0 ? length : 0);
  // A dry run finds an open quote before any word is taken.
  const char* start = p_;
  bool open = false;
  while (!open && ScanWord(nullptr, &open)) {
  }
  p_ = start;
  lastQuoted = false;
  return !open;
}

bool SieLine::Start(const T_IStream* stream) {
  return StartText(stream->lineStart, static_cast<int32_t>(stream->lineEnd - stream->lineStart));
}

bool SieLine::Next(T_TextBuf* word) {
  bool open = false;
  return ScanWord(word, &open);
}

// A null word only scans (the dry run of Start).
bool SieLine::ScanWord(T_TextBuf* word, bool* open) {
  if (word != nullptr) TextBufSetLength(word, 0);
  lastQuoted = false;
  while (p_ < end_ && static_cast<uint8_t>(*p_) <= ' ') ++p_;
  if (p_ >= end_) return false;
  if (*p_ == '/' && p_ + 1 < end_ && p_[1] == '/') {
    p_ = end_;
    return false;
  }
  const char* start = p_;
  if (*p_ == '{' || *p_ == '}') {
    ++p_;
    if (word != nullptr) TextBufAssignBytes(word, start, 1);
    return true;
  }
  if (*p_ == '"' || *p_ == '\'') {
    const char quote = *p_++;
    lastQuoted = true;
    const char* run = p_;
    while (p_ < end_ && *p_ != quote) {
      if (*p_ == '\\' && p_ + 1 < end_ && p_[1] == quote) {
        if (word != nullptr) {
          TextBufAppendBytes(word, run, static_cast<int32_t>(p_ - run));
          TextBufAppendChar(word, quote);
        }
        p_ += 2;
        run = p_;
      } else {
        ++p_;
      }
    }
    if (word != nullptr) TextBufAppendBytes(word, run, static_cast<int32_t>(p_ - run));
    if (p_ >= end_) {
      *open = true;
    } else {
      ++p_;  // the closing quote
    }
    return true;
  }
  while (p_<end_&& static_cast<uint8_t>(*p_)> ' ' && *p_ != '{' && *p_ != '}') ++p_;
  if (word != nullptr) TextBufAssignBytes(word, start, static_cast<int32_t>(p_ - start));
  return true;
}

void PutSieQuoted(T_OStream* stream, const char* text) {
  // Whole runs go to the encoder, which turns UTF-8 characters into the stream's code page; a
  // control character would end the line and becomes a blank.
  stream->PutChar('"');
  const char* run = text != nullptr ? text : "";
  for (const char* p = run;; ++p) {
    const auto c = static_cast<uint8_t>(*p);
    if (c >= 32 && c != '"') continue;
    stream->PutBytes(run, p - run);
    if (c == 0) break;
    if (c == '"') {
      stream->PutBytes("\\\"", 2);
    } else {
      stream->PutChar(' ');
    }
    run = p + 1;
  }
  stream->PutChar('"');
}
