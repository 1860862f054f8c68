#pragma once
// A database for component tests, with the alerts it asks and the change notes it sends
// recorded. Notes are seen where every window of the database sees them, at the end of the
// dispatch: a listed document window of the database, never opened.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alert.h"
#include "database/base.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/model_links.h"
#include "database/read_prompt.h"
#include "ui/document_window.h"

namespace components_test {

// Answers every alert with its first button and remembers the message numbers and texts.
class ScriptedAlerts : public T_AlertHandler {
 public:
  void Notify(const AlertRequest*) override {}
  int32_t Ask(const AlertRequest* request) override {
    Record(request);
    return 0;
  }
  bool IsUnattended() override { return true; }

  struct Asked {
    int32_t message;
    std::vector<std::string> texts;
  };
  std::vector<Asked> asked;

 private:
  void Record(const AlertRequest* request) {
    Asked entry{request->message, {}};
    for (int32_t i = 0; i < request->textCount; ++i) entry.texts.emplace_back(request->texts[i]);
    asked.push_back(entry);
  }
};

struct Note {
  int32_t code;
  int32_t index;
  int32_t flag;
  bool operator==(const Note&) const = default;
};

class NoteRecorder : public T_HWindow {
 public:
  explicit NoteRecorder(T_Base* base)
      : T_HWindow(kKindDocument, kWindowCards, &kRect, 0, base, 0) {}
  // Only the notes about dimensions: the dispatcher adds its own (modified, line slots).
  void OnChange(const ChangeNote* note) override {
    if (note->code >= 11 && note->code <= 25)
      notes.push_back({note->code, note->index, note->flag});
  }
  static constexpr RECT kRect{0, 0, 200, 100};
  std::vector<Note> notes;
};

class ComponentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = new T_Base(nullptr, 0);
    recorder = new NoteRecorder(base);
  }
  void TearDown() override {
    delete recorder;
    delete base;
    PendingErrorClear();
  }

  ComponentRecord* Add(int32_t d, const char* code, const char* text = nullptr,
                       const char* host = nullptr) {
    return AddComponent(base, d, code, text, host);
  }
  ComponentRecord* Root(int32_t d) { return ComponentAt(base, d); }

  // The tree as "code[children] code", children in sibling order.
  std::string Shape(const ComponentRecord* node) {
    std::string out;
    for (const ComponentRecord* c = node->firstChild; c; c = c->nextSibling) {
      if (!out.empty()) out += ' ';
      out += c->code ? c->code : "?";
      if (c->firstChild) out += "[" + Shape(c) + "]";
    }
    return out;
  }
  std::string Shape(int32_t d) { return Shape(Root(d)); }

  T_Base* base = nullptr;
  NoteRecorder* recorder = nullptr;
  ScriptedAlerts alerts;
};

// Cards, groups and lines put straight into the pools, linked as the card chain links them,
// for tests that need data before the card operations are linked in.
inline CardRecord* AddHandCard(T_Base* base, PackedDate date) {
  auto* card =
      reinterpret_cast<CardRecord*>(PagedArrayAtGrow(&base->cardPool, base->cardPool.count));
  *card = CardRecord{};
  card->number = base->cardPool.count - 1;
  auto* node = new DateNode{};
  node->date = date;
  node->cardCount = 1;
  node->firstCard = card;
  node->hintCard = card;
  node->previous = base->dateRing->previous;
  node->next = base->dateRing;
  base->dateRing->previous->next = node;
  base->dateRing->previous = node;
  ++base->dateNodeCount;
  card->dateNode = node;
  card->dayNumber = 1;
  CardRecord* sentinel = base->sentinelCard;
  card->next = sentinel;
  card->previous = sentinel->previous;
  sentinel->previous->next = card;
  sentinel->previous = card;
  ++base->cardCount;
  return card;
}

inline GroupRecord* AddHandGroup(T_Base* base, CardRecord* card, int64_t component) {
  auto* group =
      reinterpret_cast<GroupRecord*>(PagedArrayAtGrow(&base->groupPool, base->groupPool.count));
  *group = GroupRecord{};
  group->number = base->groupPool.count - 1;
  group->component = component;
  GroupRecord** link = &card->firstGroup;
  while (*link) link = &(*link)->next;
  *link = group;
  ++base->groupCount;
  return group;
}

// references[i] goes into slot i while the lines have that slot.
inline LineRecord* AddHandLine(T_Base* base, GroupRecord* group,
                               std::initializer_list<int64_t> references) {
  uint8_t* bytes = PagedArrayAtGrow(&base->linePool, base->linePool.count);
  for (int32_t i = 0; i < base->linePool.width; ++i) bytes[i] = 0;
  auto* line = reinterpret_cast<LineRecord*>(bytes);
  line->number = base->linePool.count - 1;
  int32_t slot = 0;
  for (int32_t d = 0; d < base->lineSlots; ++d)
    WriteLineReference(line, base->referenceOffset, base->referenceWidth, d, d + 1);
  for (int64_t reference : references) {
    if (slot < base->lineSlots)
      WriteLineReference(line, base->referenceOffset, base->referenceWidth, slot, reference);
    ++slot;
  }
  if (group->lastLine)
    group->lastLine->next = line;
  else
    group->firstLine = line;
  group->lastLine = line;
  ++base->lineCount;
  return line;
}

// The parts that other parts of the model supply answer with their stand-ins until the branches
// meet; tests that need the real ones ask first.
inline bool ReadPromptIsLinked() {
  T_Base probe(nullptr, 0);
  ScriptedAlerts seen;
  AlertRequest request;
  AlertInit(&request);
  request.message = 3903;
  AskReadError(&probe, &request);
  PendingErrorClear();
  return !seen.asked.empty();
}

inline bool LineLayoutIsLinked() {
  T_Base probe(nullptr, 0);
  bool raised = RaiseReferenceWidth(&probe, 3) && probe.referenceWidth == 3;
  PendingErrorClear();
  return raised;
}

}  // namespace components_test
