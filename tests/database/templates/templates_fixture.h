#pragma once
// Shared by the template tests: a database with its template tree, the user in front of the
// questions, analysis windows that are never opened (the fake openers make them and record what
// they were asked), the keyboard seam, and the record text of templates as strings.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "tests/database/base/base_fixture.h"
#include "ui/document_window.h"
#include "ui/event_record.h"

namespace templates_test {

using T_Answers = base_test::T_AnswerByMessage;

inline std::vector<int32_t> Messages(const T_Answers& answers) {
  std::vector<int32_t> messages;
  for (const T_Answers::Asked& a : answers.asked) messages.push_back(a.message);
  return messages;
}

// An analysis window that is never opened: it records what the runner does to it.
class T_FakeWindow : public T_HWindow {
 public:
  T_FakeWindow(int32_t kind, T_Base* database)
      : T_HWindow(kKindDocument, kind, &kRect, 0, database, 0) {
    ++Alive();
  }
  ~T_FakeWindow() override { --Alive(); }
  void Activate() override { ++activated; }
  bool QueryClose(int32_t mode) override {
    closeModes.push_back(mode);
    return true;
  }
  bool Calculate(bool) override {
    ++calculated;
    return true;
  }
  bool IsEmpty() override { return empty; }

  static int32_t& Alive() {
    static int32_t alive = 0;
    return alive;
  }
  // The next window a fake opener makes is empty.
  static bool& NextEmpty() {
    static bool next = false;
    return next;
  }

  static constexpr RECT kRect{0, 0, 300, 200};
  int32_t activated = 0;
  int32_t calculated = 0;
  bool empty = false;
  std::vector<int32_t> closeModes;
};

struct Opening {
  int32_t kind;
  T_Template* templ;
  T_Template* parameter;
  int32_t flags;
  T_FakeWindow* window;
};

inline std::vector<Opening>& Openings() {
  static std::vector<Opening> openings;
  return openings;
}

template <int32_t Kind>
T_HWindow* FakeOpener(T_Template* templ, T_Template* parameter, int32_t flags) {
  auto* window = new T_FakeWindow(Kind, templ->database);
  window->templ = templ;
  window->empty = T_FakeWindow::NextEmpty();
  T_FakeWindow::NextEmpty() = false;
  Openings().push_back({Kind, templ, parameter, flags, window});
  return window;
}

inline void InstallFakeOpeners() {
  SetWindowOpener(1, FakeOpener<1>);
  SetWindowOpener(2, FakeOpener<2>);
  SetWindowOpener(3, FakeOpener<3>);
  SetWindowOpener(4, FakeOpener<4>);
  SetWindowOpener(5, FakeOpener<5>);
}

// The keyboard as the runner polls it.
struct HeldKeys {
  static InputEvent& State() {
    static InputEvent state;
    return state;
  }
  static void Poll(InputEvent* event) { *event = State(); }
};

inline std::string Written(const T_OStream& stream) {
  return std::string(reinterpret_cast<const char*>(stream.start),
                     static_cast<size_t>(stream.pos - stream.start));
}

inline std::string WriteTemplate(T_Template* templ) {
  T_OStream stream;
  templ->WriteText(&stream);
  return templates_test::Written(stream);
}

// A template of the kind read from its record text (the template line first).
inline T_Template* ReadTemplate(T_Base* base, int32_t kind, const std::string& text) {
  T_Template* templ = NewTemplate(base, kind);
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  bool atLine = stream.NextLine() && stream.NextLine();
  templ->ReadRecords(&stream, atLine);
  return templ;
}

// The reading a "##Templates" section does: each template line names a kind and a path, the
// template of the kind reads the record lines after it and is stored under the path.
inline void ReadTemplateLines(T_Base* base, const std::string& text) {
  T_IStream stream;
  stream.CtorFromMemory(text.data(), static_cast<int64_t>(text.size()));
  bool atLine = stream.NextLine();
  while (atLine) {
    T_TextBuf first;
    stream.ReadFieldBuf(&first);
    T_Template* templ = first.length >= 2 && first.c_str()[0] == '#'
                            ? NewTemplate(base, TemplateKindFromLetter(first.c_str()[1]))
                            : nullptr;
    if (!templ) {
      atLine = stream.NextLine();
      continue;
    }
    T_TextBuf path;
    stream.ReadFieldBuf(&path);
    atLine = templ->ReadRecords(&stream, stream.NextLine());
    if (!StoreTemplate(base, templ, path.c_str())) DeleteTemplate(templ);
  }
}

// A template of the kind with its defaults stored under the path; null when it cannot be.
inline T_Template* StoreNewTemplate(T_Base* base, const char* path, int32_t kind = kTemplateCards) {
  T_Template* templ = NewTemplate(base, kind);
  if (!StoreTemplate(base, templ, path)) {
    DeleteTemplate(templ);
    return nullptr;
  }
  return templ;
}

// Every node below the root, one per line, indented by depth; folders end with "/".
inline std::string Outline(T_Base* base) {
  std::string outline;
  T_Template* root = base->rootTemplate;
  for (T_Template* node = root->firstChild; node; node = node->NextBelow(root)) {
    int32_t depth = 0;
    for (T_Template* t = node->parent; t != root; t = t->parent) ++depth;
    outline += std::string(static_cast<size_t>(depth) * 2, ' ') + (node->name ? node->name : "");
    if (node->kind == kTemplateFolder) outline += "/";
    outline += "\n";
  }
  return outline;
}

// The tree's invariants, without recursion; empty when they all hold.
inline std::string TreeProblems(T_Template* root) {
  for (T_Template* node = root; node; node = node->NextBelow(root)) {
    T_Template* first = node->firstChild;
    if (!first) continue;
    if (node->kind != kTemplateFolder) return "a template that is no folder has children";
    T_Template* last = nullptr;
    for (T_Template* c = first; c; c = c->nextSibling) {
      if (c->parent != node) return "a child names another parent";
      if (c != first && c->prevSibling != last) return "a broken previous link";
      if (last && last->CompareName(c->name) > 0) return "children out of name order";
      last = c;
    }
    if (first->prevSibling != last) return "the first child's previous is not the last";
  }
  return "";
}

class TemplatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PendingErrorClear();
    Openings().clear();
    HeldKeys::State() = InputEvent{};
    SetModifierPollHook(HeldKeys::Poll);
    base = new T_Base(nullptr, 0);
  }
  void TearDown() override {
    // An address may come back for a later window once the runner deleted one.
    std::set<T_FakeWindow*> windows;
    for (const Opening& o : Openings()) windows.insert(o.window);
    for (T_FakeWindow* window : windows) {
      if (WindowStillListed(window)) delete window;
    }
    delete base;
    for (int32_t kind : {1, 2, 3, 4, 5, 10}) {
      SetWindowOpener(kind, nullptr);
      SetTemplateConstructor(kind, nullptr);
    }
    SetModifierPollHook(nullptr);
    PendingErrorClear();
  }

  static bool WindowStillListed(T_HWindow* window) {
    for (T_HWindow* w = WindowListFirst(); w; w = w->nextWindow) {
      if (w == window) return true;
    }
    return false;
  }

  T_Template* Store(const char* path, int32_t kind = kTemplateCards) {
    return StoreNewTemplate(base, path, kind);
  }

  T_Answers answers;
  T_Base* base = nullptr;
};

}  // namespace templates_test
