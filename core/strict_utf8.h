#pragma once
// UTF-8 as the outside world reads it. The program's own texts may hold a lone surrogate as a
// 3-byte sequence (see core/utf8.h); a text that came from outside and goes back out (a web
// request into its page) may not: there every invalid or cut sequence, every overlong form and
// every encoded surrogate (ED A0 80 to ED BF BF) becomes U+FFFD, one replacement per byte that
// starts no well-formed character, so nothing of it reaches a page or a header as it came.
#include <cstdint>

#include "core/text_buffer.h"

// True when the bytes are strict UTF-8 throughout.
bool IsStrictUtf8(const char* bytes, int32_t n);
// Rewrites the text so that it is strict UTF-8; a text that is already stays as it is.
void MakeStrictUtf8(T_TextBuf* text);
