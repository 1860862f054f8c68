#include "core/localized_text.h"

#include <windows.h>

#include <atomic>

#include "core/alert.h"

namespace {

std::atomic<int32_t> currentLanguage{kLanguageEnglish};

// Resource ids are 16 bits: a table whose Swedish twin would not fit does not exist, rather than
// wrapping round to another table's resource.
constexpr int32_t kLastResourceId = 0xFFFF;

const char kEmptyText[] = "";

enum class Lookup { kFound, kPastEnd, kMissing };

// Steps over the entries of one table resource; every read stays inside its size.
Lookup FindEntry(const uint8_t* data, DWORD size, int32_t index, const char** text) {
  DWORD pos = 0;
  for (int32_t i = 0;; ++i) {
    if (size < 2 || pos > size - 2) return Lookup::kPastEnd;
    DWORD length = data[pos] | (static_cast<DWORD>(data[pos + 1]) << 8);
    DWORD end = pos + 2 + length;                                // where the NUL must stand
    if (end >= size || data[end] != 0) return Lookup::kMissing;  // a damaged table
    if (i == index) {
      *text = reinterpret_cast<const char*>(data + pos + 2);
      return Lookup::kFound;
    }
    pos = end + 1;
  }
}

// The entry in the resource of one language; kMissing when that resource is absent or damaged.
Lookup FindInLanguage(int32_t tableBase, int32_t index, int32_t language, const char** text) {
  int32_t resourceId = tableBase + language;
  if (tableBase <= 0 || tableBase + kLanguageLast > kLastResourceId) return Lookup::kMissing;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));
  if (found == nullptr) return Lookup::kMissing;
  HGLOBAL loaded = LoadResource(module, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (data == nullptr) return Lookup::kMissing;
  return FindEntry(static_cast<const uint8_t*>(data), SizeofResource(module, found), index, text);
}

}  // namespace

int32_t CurrentLanguage() { return currentLanguage.load(std::memory_order_relaxed); }

void SetCurrentLanguage(int32_t language) {
  if (language < kLanguageEnglish || language > kLanguageLast) language = kLanguageEnglish;
  currentLanguage.store(language, std::memory_order_relaxed);
}

const char* GetStringLang(int32_t tableBase, int32_t index, int32_t language) {
  if (tableBase < 0 || index < 0) return nullptr;
  if (language < kLanguageEnglish || language > kLanguageLast) language = kLanguageEnglish;
  const char* text = nullptr;
  if (language != kLanguageEnglish &&
      FindInLanguage(tableBase, index, language, &text) == Lookup::kFound && *text) {
    return text;
  }
  switch (FindInLanguage(tableBase, index, kLanguageEnglish, &text)) {
    case Lookup::kFound:
      return text;
    case Lookup::kPastEnd:
      // The entries carry no count: an index behind the last one is an empty text.
      return kEmptyText;
    case Lookup::kMissing:
      break;
  }
  PendingErrorResource();
  return nullptr;
}

const char* GetString(int32_t textId) {
  if (textId < 0) return nullptr;
  return GetStringLang(textId / 100 * 100, textId % 100, CurrentLanguage());
}
