#pragma once
// A fresh database without a window, alerts answered silently, "today" pinned through the core
// clock, and a listed (never opened) document window of the database that records every change
// note the database sends, as any window of it would receive it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/alert_handlers.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "ui/document_window.h"
#include "ui/element.h"

// Pins DateNow to a day (noon) for its lifetime.
class TodayIs {
 public:
  TodayIs(int32_t year, int32_t month, int32_t day) { Set(year, month, day); }
  ~TodayIs() { SetClockSource(nullptr); }
  TodayIs(const TodayIs&) = delete;
  TodayIs& operator=(const TodayIs&) = delete;

  static void Set(int32_t year, int32_t month, int32_t day) {
    now_ = DateRecord{};
    now_.year = static_cast<int16_t>(year);
    now_.month = static_cast<int16_t>(month);
    now_.day = static_cast<int16_t>(day);
    now_.hour = 12;
    now_.precision = 5;
    SetClockSource([] { return now_; });
  }

 private:
  static inline DateRecord now_;
};

struct RecordedNote {
  int32_t code;
  int32_t index;
  int32_t valueColumn;
  int32_t difference;
  uint8_t flag;
  void* object;
};

class T_NoteRecorder : public T_HWindow {
 public:
  explicit T_NoteRecorder(T_Base* base)
      : T_HWindow(kKindDocument, kWindowCards, &kRect, 0, base, 0) {}
  // The modified flag's own note (6) follows many codes from inside the dispatch; its rules are
  // tested with the database object, so the recorder leaves it out.
  void OnChange(const ChangeNote* note) override {
    if (note->code == kChangeModified) return;
    notes.push_back(
        {note->code, note->index, note->valueColumn, note->difference, note->flag, note->object});
  }
  std::vector<int32_t> Codes() const {
    std::vector<int32_t> codes;
    for (const RecordedNote& note : notes) codes.push_back(note.code);
    return codes;
  }

  static constexpr RECT kRect{0, 0, 200, 100};
  std::vector<RecordedNote> notes;
};

class DatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = new T_Base(nullptr, 0);
    recorder = new T_NoteRecorder(base);
  }
  void TearDown() override {
    delete recorder;
    delete base;
  }

  T_NoAlerts quiet;
  TodayIs today{2024, 3, 15};
  T_Base* base = nullptr;
  T_NoteRecorder* recorder = nullptr;
};

inline std::string Written(const T_OStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.pos - stream.start));
}

inline CardId Id(int32_t year, int32_t month, int32_t day, int32_t sequence) {
  return CardId{PackDate(year, month, day), sequence};
}

// A memory input stream over a text that it keeps alive.
class TextInput {
 public:
  explicit TextInput(std::string text) : text_(std::move(text)) {
    stream.CtorFromMemory(text_.data(), static_cast<int64_t>(text_.size()));
  }
  T_IStream stream;

 private:
  std::string text_;
};
