#pragma once
// Databases opened from and saved to files in a scratch folder, with the machine, the clock and
// the keystream seeds pinned, the user in front of the questions answering by button, the change
// notes of every database recorded, and a sample database that uses what the section stream
// carries (the dimensions and cards only while their records are linked).
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "../files/files_fixture.h"
#include "../sections/model_walk.h"
#include "../sections/section_stream_fixture.h"
#include "core/alert.h"
#include "core/code_pages.h"
#include "core/file_dialogs.h"
#include "core/system_info.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/components.h"
#include "database/file_progress.h"
#include "database/opening.h"
#include "database/protection.h"
#include "database/saving.h"
#include "database/macros.h"
#include "database/stored_object_holders.h"

// Answers each question with the button named for its message (by id), every other with its
// default answer, and keeps what was asked with its text.
class AnsweringUser : public T_AlertHandler {
 public:
  int32_t Ask(const AlertRequest* request) override {
    T_TextBuf text;
    AlertFormatText(request, &text);
    asked.push_back(request->message);
    texts.emplace_back(text.c_str());
    auto answer = answers.find(request->message);
    if (answer == answers.end()) return request->defaultAnswer;
    for (int32_t i = 0; i < request->buttonCount; ++i) {
      if (request->buttons[i] == answer->second) return i;
    }
    ADD_FAILURE() << "message " << request->message << " has no button " << answer->second;
    return request->defaultAnswer;
  }
  bool IsUnattended() override { return false; }

  bool WasAsked(int32_t message) const {
    for (int32_t m : asked) {
      if (m == message) return true;
    }
    return false;
  }
  std::string TextOf(int32_t message) const {
    for (size_t i = 0; i < asked.size(); ++i) {
      if (asked[i] == message) return texts[i];
    }
    return "<not asked>";
  }

  std::map<int32_t, int32_t> answers;
  std::vector<int32_t> asked;
  std::vector<std::string> texts;
};

// Button ids of the questions.
constexpr int32_t kContinue = 705;
constexpr int32_t kCancel = 701;
constexpr int32_t kOpen = 706;
constexpr int32_t kSaveAnyway = 4008;
constexpr int32_t kReplace = 4009;

// Sections every sample carries: options, stored objects, a subset, a template and a default, and
// a time scale long enough to fill several blocks of a container and several buffers of a text
// form.
inline std::string SampleSections() {
  std::string text =
      "##BaseOptions\r\nCN\t4\r\nCD\t2\t0\t3\r\nCT\tVerifikation\r\nLV\tBelopp\tAntal\r\n"
      "LN\t3\r\nR\t251231\r\n\r\n"
      "##WebUsers\r\nU\tann\tsecret\r\n"
      "##TimeScale\tKvartal\r\n250101-1\tQ1\r\n250401-1\tQ2\r\n"
      "##TimeScale\tDagar\r\n";
  PackedDate day = PackDate(2020, 1, 1);
  for (int32_t i = 0; i < 2500; ++i, day = PackedDateNextDay(day)) {
    char line[64];
    std::snprintf(line, sizeof line, "%02d%02d%02d-1\tDag %04d \xC3\xA5r %d\r\n",
                  PackedDateYear(day) % 100, PackedDateMonth(day), PackedDateDay(day), i,
                  PackedDateYear(day));
    text += line;
  }
  return text +
         "##SaveSetup\tM\xC3\xA5nad\r\nFN\r\nX-\t\r\n"
         "##ImportSetup\tBank\r\nE\tUTF-8\r\n"
         "##Macro\tclose\r\nM\tclose\r\n"
         "##Subset\tBig\r\nVN\tItem 1\r\nF\tItem 1\r\n"
         "##Templates\r\n#C\tReports: Cards\r\nxeE\tUTF-8\r\n"
         "##Defaults\r\n#C\tCards\r\nxem\t1\r\n"
         "##End\r\n";
}

// A small model: two dimensions with trees and a few cards of groups and lines.
inline void AddSampleModel(T_Base* base) {
  for (const char* code : {"1", "10", "1010", "1020", "2", "20", "2010"})
    AddComponent(base, 0, code, (std::string("Konto \xC3\xA4 ") + code).c_str(), nullptr);
  for (const char* code : {"A", "A1", "A2", "B"})
    AddComponent(base, 1, code, (std::string("Avd ") + code).c_str(), nullptr);
  for (int32_t c = 0; c < 6; ++c) {
    CardId id{PackDate(2025, 1 + c, 10 + c), 1};
    CardRecord* card = CreateCard(base, &id);
    SetCardTitle(card, ("Faktura " + std::to_string(c)).c_str());
    for (const char* account : {"1010", "2010"}) {
      GroupRecord* group = base->FindOrAddGroup(card, FindByCode(base, 0, account)->number);
      LineRecord* line = CreateLine(base, group);
      SetLineText(line, "Rad");
      base->SetLineValue(line, 0, 100.25 * (c + 1));
      base->SetLineComponent(line, 0, FindByCode(base, 1, c % 2 ? "A1" : "B")->number);
    }
  }
  base->NotifyCode(kChangeCards);
}

inline void FillSample(T_Base* base) {
  TextInput input(SampleSections());
  readDatabaseSections(base, &input.stream);
  if (CardRecordsLinked()) AddSampleModel(base);
}

// Whether the database holds a macro of the name (exact letter case).
inline bool HasMacro(const T_Base* base, const char* name) {
  const Macro* macro = base->macros;
  for (int64_t i = 0; i < base->macroCount; ++i, macro = macro->next) {
    if (macro->name != nullptr && std::string(macro->name) == name) return true;
  }
  return false;
}

// Saved as the kind says, compressed or stored.
inline bool SaveAs(T_Base* base, const std::string& path, int32_t kind, bool compressed = true) {
  SaveOptions options;
  SaveOptionsInit(&options, base);
  SaveOptionsFromBase(&options, base);
  options.kind = kind;
  options.compressed = compressed ? 1 : 0;
  const bool saved = saveByKind(base, path.c_str(), &options);
  SaveOptionsFree(&options);
  return saved;
}

class OpenSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    SetSystemCodePage(kEncodingLatin1);
    SetFixedContainerSeeds(&kTestSeeds);
    SetSystemIdentity(&kTestMachine);
    SetDispatchProbe(RecordNote);
    Notes().clear();
  }
  void TearDown() override {
    while (FirstBase() != nullptr) DeleteBase(FirstBase(), kCloseSilently);
    SetDispatchProbe(nullptr);
    SetFileWriteFailHook(nullptr);
    SetHeapFailHook(nullptr);
    SetFileProgressHooks(nullptr);
    SetFileProgressWindowHooks(nullptr);
    SetFixedContainerSeeds(nullptr);
    SetSystemIdentity(nullptr);
    PasswordAnswerInAdvance(nullptr);
    PendingErrorClear();
  }

  std::string Path(const std::string& name) const { return folder / name; }

  // An untitled sample database.
  T_Base* NewSample() {
    auto* base = new T_Base(nullptr, 0);
    FillSample(base);
    return base;
  }
  // The codes of the notes sent to the database since the last call.
  static std::vector<int32_t> TakeNotes(T_Base* base) {
    std::vector<int32_t> codes;
    for (const auto& [database, code] : Notes()) {
      if (database == base && code != kChangeModified) codes.push_back(code);
    }
    Notes().clear();
    return codes;
  }
  static bool Contains(const std::vector<int32_t>& codes, int32_t code) {
    for (int32_t c : codes) {
      if (c == code) return true;
    }
    return false;
  }

  PinnedClock clock;
  AnsweringUser user;
  ScratchFolder folder;

 private:
  static std::vector<std::pair<T_Base*, int32_t>>& Notes() {
    static std::vector<std::pair<T_Base*, int32_t>> notes;
    return notes;
  }
  static void RecordNote(int32_t step, T_Base* base, const ChangeNote* note) {
    if (step == 1 && base != nullptr) Notes().emplace_back(base, note->code);
  }
};
