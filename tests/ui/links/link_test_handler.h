#pragma once
// A link handler for tests: knows a set of targets and records what it was asked to follow.
#include <set>
#include <string>
#include <vector>

#include "ui/link_handler.h"

class TestLinkHandler : public T_LinkHandler {
 public:
  TestLinkHandler(T_LinkContext* context, const char* tag, int* destroyed = nullptr)
      : T_LinkHandler(context, tag, 7100), destroyed_(destroyed) {}
  ~TestLinkHandler() override {
    if (destroyed_ != nullptr) ++*destroyed_;
  }

  bool TargetExists(const char* target) override { return known.count(target) != 0; }
  bool Follow(const char* target) override {
    followed.push_back(target);
    return true;
  }

  std::set<std::string> known;
  std::vector<std::string> followed;

 private:
  int* destroyed_;
};
