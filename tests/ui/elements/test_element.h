#pragma once
// A plain rectangular element for tests of the tree: its shape is its rectangle, and it records
// what reaches it.
#include <string>
#include <vector>

#include "tests/ui/rect_element.h"
#include "ui/element.h"
#include "ui/event_record.h"

class T_TestElement : public T_RectTestElement {
 public:
  T_TestElement(T_EventHandler* parent, int32_t left, int32_t top, int32_t w, int32_t h,
                std::string name, std::vector<std::string>* log = nullptr)
      : T_RectTestElement(20, parent), name(std::move(name)), log(log) {
    x = left;
    y = top;
    width = w;
    height = h;
    content = {0, 0, w, h};
  }
  ~T_TestElement() override {
    if (log) log->push_back("destroyed " + name);
  }

  void NotifyFromParent(int32_t code) override {
    if (log) log->push_back(name + " from parent " + std::to_string(code));
    T_GrafElement::NotifyFromParent(code);
  }
  void NotifyFromChild(int32_t code, T_GrafElement* child) override {
    if (log) log->push_back(name + " from child " + std::to_string(code));
    T_GrafElement::NotifyFromChild(code, child);
  }
  void Notify(int32_t code) override {
    if (log) log->push_back(name + " notify " + std::to_string(code));
    T_GrafElement::Notify(code);
  }
  bool MouseDown(InputEvent* event, T_GrafElement* target) override {
    if (log)
      log->push_back(name + " mouse " + std::to_string(event->x) + "," + std::to_string(event->y));
    if (handlesMouse) return true;
    return T_GrafElement::MouseDown(event, target);
  }
  void OnHover(InputEvent*, int32_t code) override {
    if (log) log->push_back(name + " hover " + std::to_string(code));
  }
  void OnMoved(int32_t dx, int32_t dy) override {
    if (log) log->push_back(name + " moved " + std::to_string(dx) + "," + std::to_string(dy));
  }
  void OnResized(int32_t dw, int32_t dh) override {
    if (log) log->push_back(name + " resized " + std::to_string(dw) + "," + std::to_string(dh));
  }
  bool QueryClose(int32_t code) override {
    return refuseClose ? false : T_GrafElement::QueryClose(code);
  }
  void RunBackground(BackgroundTask* task, uint32_t) override {
    while (!task->stopRequested.load()) Sleep(1);
  }

  std::string name;
  std::vector<std::string>* log;
  bool handlesMouse = false;
  bool refuseClose = false;
};
