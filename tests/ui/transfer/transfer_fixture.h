#pragma once
// An application with a hidden frame and a document window whose elements record what drags and
// drops bring them, for the tests of transfer lists, drag and drop and the clipboard.
#include <gtest/gtest.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "tests/ui/rect_element.h"
#include "ui/application.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/transfer_list.h"
#include "ui/window.h"

using Log = std::vector<std::string>;

// "kind:text" or "kind:path" of every entry, in list order.
inline std::string Describe(const TransferList* list) {
  std::string text;
  for (const TransferItem* item = list->first; item; item = item->next) {
    if (!text.empty()) text += "|";
    text += std::to_string(item->kind) + ":" + (item->path ? item->path->data : item->text.data);
  }
  return text;
}

class T_Recorder : public T_RectTestElement {
 public:
  T_Recorder(T_EventHandler* parent, int32_t left, int32_t top, int32_t w, int32_t h,
             std::string name, Log* log)
      : T_RectTestElement(20, parent), name(std::move(name)), log(log) {
    x = left;
    y = top;
    width = w;
    height = h;
    content = {0, 0, w, h};
    visible = 1;
  }
  void TrackDrag(int32_t code, uint32_t kinds) override {
    log->push_back(name + " " + std::to_string(code) + "/" + std::to_string(kinds));
  }
  bool AcceptDrop(TransferList* list) override {
    if (!accepts) return T_GrafElement::AcceptDrop(list);
    log->push_back(name + " took " + Describe(list));
    return true;
  }

  std::string name;
  Log* log;
  bool accepts = false;
};

class T_RecordingApp : public T_Application {
 public:
  explicit T_RecordingApp(Log* log) : T_Application(true), log(log) {}
  void OpenDocument(int32_t code, const char* path) override {
    log->push_back("open " + std::to_string(code) + " " + path);
  }
  void TrackDrag(int32_t code, uint32_t kinds) override {
    log->push_back("app " + std::to_string(code) + "/" + std::to_string(kinds));
  }
  Log* log;
};

// The window "w" at (20, 20) in the MDI client, 300 x 200, holds "left" (10, 10, 100 x 100) and
// "right" (150, 10, 100 x 100).
class TransferWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      RegisterFrameClasses(ProgramInstance());
      registered = true;
    }
    OleInitialize(nullptr);
    SetFrameVisible(false);
    app = new T_RecordingApp(&log);
    RECT rect{20, 20, 300, 200};
    window = new T_Window(kKindDocument, &rect, 512, nullptr, true);
    left = new T_Recorder(window, 10, 10, 100, 100, "left", &log);
    right = new T_Recorder(window, 150, 10, 100, 100, "right", &log);
    log.clear();
  }
  void TearDown() override {
    delete app;
    OleUninitialize();
  }

  Log log;
  T_RecordingApp* app = nullptr;
  T_Window* window = nullptr;
  T_Recorder* left = nullptr;
  T_Recorder* right = nullptr;
};
