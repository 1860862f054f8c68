#pragma once
// T_QEB, the application object of the program, and the deferred commands that other parts
// queue to run after the current message.
//
// Opening documents into databases comes with the database engine; until then a document handed
// to the application is reported as one that cannot be opened.
//
// User-interface thread only.
#include <cstdint>

#include "ui/application.h"

class T_Base;

class T_QEB : public T_Application {
 public:
  T_QEB();
  ~T_QEB() override;

  void Notify(int32_t code) override;
  void UpdateCommands() override;
  bool DoCommand(int32_t command) override;
  void OpenDocument(int32_t code, const char* path) override;
  bool QueryClose(int32_t code) override;
  bool CloseAllWindows(T_Window* window, int32_t code) override;
};

// Codes of T_DeferFileCom.
constexpr uint32_t kDeferReopen = 0;
constexpr uint32_t kDeferClose = 1;
constexpr uint32_t kDeferQuit = 2;

class T_DeferFileCom : public T_DeferCom {
 public:
  T_DeferFileCom(uint32_t code, T_Base* base) : code(code), base(base) {}
  void Execute() override;

  uint32_t code;
  T_Base* base;
};

// Queues a file command on the application (nothing without one).
void PostDeferFileCom(uint32_t code, T_Base* base);
