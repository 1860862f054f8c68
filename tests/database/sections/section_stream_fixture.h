#pragma once
// A fresh database without a window, a scripted user in front of the read-problem prompt, the
// clock and the machine pinned (so the file information written is the same everywhere), and the
// section stream written into and read from memory.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/system_info.h"
#include "database/base.h"
#include "database/card_records.h"
#include "database/cards.h"
#include "database/lines.h"
#include "database/section_stream.h"
#include "logs/logs_fixture.h"

// The machine every test runs on: Windows Seven, computer "BUILDHOST", user "tester".
constexpr SystemIdentity kTestMachine = {16, "BUILDHOST", "tester"};

// What the characters section of a container saved on that machine at the pinned time holds.
inline const std::string kCharactersGolden =
    "##Characters\r\n"
    "U\t\u00C4\u00C1\u00C0\u00C2\u00C3\u00C6\u00C5 \u00CB\u00C9\u00C8\u00CA \u00CF\u00CD\u00CC"
    "\u00CE \u00D6\u00D3\u00D2\u00D4\u00D5\u00D8\u0152\u00DC\u00DA\u00D9\u00DB \u00C7\u00D1\r\n"
    "L\t\u00E4\u00E1\u00E0\u00E2\u00E3\u00E6\u00E5 \u00EB\u00E9\u00E8\u00EA \u00EF\u00ED\u00EC"
    "\u00EE \u00F6\u00F3\u00F2\u00F4\u00F5\u00F8\u0153\u00FC\u00FA\u00F9\u00FB \u00E7\u00F1\r\n"
    "X\t\u00B1\u00AC\u00F7\u2248\u2260\u00AB\u00BB \u0192\u222B\u221A\u03C0\u220F\u2211 \u00A2"
    "\u00A3\u00A7\u2202\u00DF\u00B5\u00B6\u00A5\u20AC \u00AA\u00BA\u00A9\u00AE\u00BF\u00A1"
    "\u00B4\u0060\u00A8\u00B0\u2030\u2122\u2020\u2021\u2026\u00A0\u2018\u2019\u201C\u201D\r\n"
    "v\tQEB 5.7\r\n"
    "t\t64-bit x86\r\n"
    "s\tWindows Seven\r\n"
    "m\tBUILDHOST\r\n"
    "u\ttester\r\n"
    "c\t2024-05-06 10:20:30\r\n"
    "\r\n";

inline std::string Written(const T_OStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.pos - stream.start));
}

// A memory input stream over a text that it keeps alive.
class TextInput {
 public:
  explicit TextInput(std::string text, TextEncoding encoding = kEncodingUtf8)
      : text_(std::move(text)) {
    stream.CtorFromMemory(text_.data(), static_cast<int64_t>(text_.size()));
    stream.SetEncoding(encoding);
  }
  T_IStream stream;

 private:
  std::string text_;
};

class SectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    SetSystemIdentity(&kTestMachine);
    base = new T_Base(nullptr, 0);
  }
  void TearDown() override {
    delete base;
    SetSystemIdentity(nullptr);
    PendingErrorClear();
  }

  // The whole stream as the database's current save options ask for it.
  static std::string Save(T_Base* database, TextEncoding encoding = kEncodingUtf8) {
    T_OStream out;
    out.SetEncoding(encoding);
    writeDatabaseSections(database, &out);
    return Written(out);
  }
  // Reads the text into the database; true when "##End" was found.
  static bool Load(T_Base* database, const std::string& text,
                   TextEncoding encoding = kEncodingUtf8) {
    TextInput input(text, encoding);
    return readDatabaseSections(database, &input.stream);
  }
  // Only these sections, then "##End".
  static void SaveOnly(T_Base* database, std::initializer_list<SaveSection> sections) {
    for (uint8_t& flag : database->saveOptions.sections) flag = 0;
    for (SaveSection section : sections) database->saveOptions.sections[section] = 1;
  }

  ScriptedUser user;  // answers Continue unless told otherwise
  PinnedClock clock;  // 2024-05-06 10:20:30
  T_Base* base = nullptr;
};

// A card dated 2025-03-07 with one line, in a new group of the component (0: none).
inline LineRecord* AddCardLine(T_Base* base, int32_t day, int64_t component) {
  CardId id{PackDate(2025, 3, day), 1};
  CardRecord* card = CreateCard(base, &id);
  GroupRecord* group = card != nullptr ? base->FindOrAddGroup(card, component) : nullptr;
  return group != nullptr ? CreateLine(base, group) : nullptr;
}

// The card records stand in for the real ones until those are linked: they write nothing even
// for a database that has cards. Tests of whole databases skip themselves while that is so.
inline bool CardRecordsLinked() {
  T_Base probe(nullptr, 0);
  AddCardLine(&probe, 7, 0);
  T_OStream out;
  writeCardsSection(&probe, &out);
  return out.BufferedLength() > 0;
}

#define SKIP_WITHOUT_CARD_RECORDS() \
  if (!CardRecordsLinked()) GTEST_SKIP() << "the card and dimension records are stand-ins"
