#include "app/qeb_application.h"

#include "core/alert.h"
#include "ui/main_loop.h"
#include "ui/window.h"

namespace {

constexpr int32_t kMessageCannotOpen = 605;  // "Unable to open file '@0'"

void ReportCannotOpen(const char* path) {
  AlertRequest request;
  AlertInit(&request);
  request.message = kMessageCannotOpen;
  request.beeps = 1;
  AlertAddFileName(&request, path);
  AlertAddButton(&request, kButtonOk);
  ShowAlert(&request);
}

}  // namespace

T_QEB::T_QEB() : T_Application(false) { EventHandler_Open(this); }

T_QEB::~T_QEB() = default;

void T_QEB::Notify(int32_t code) { T_Application::Notify(code); }

void T_QEB::UpdateCommands() {
  T_Application::UpdateCommands();
  const MenuOperations* menus = Menus();
  if (!menus->enableCommand) return;
  bool modal = ModalLoopRunning();
  menus->enableCommand(kCommandPreferences, !modal);
  menus->enableCommand(kCommandAbout, !modal);
  menus->enableCommand(kCommandOpen, true);
  menus->enableCommand(kCommandNew, true);
}

bool T_QEB::DoCommand(int32_t command) { return T_Application::DoCommand(command); }

void T_QEB::OpenDocument(int32_t code, const char* path) {
  switch (code) {
    case 0:
    case 1:
    case 2:
      // Documents open into databases, which this program cannot hold yet.
      ReportCannotOpen(path);
      break;
    case 3:
      break;  // saving needs a current database
    default:
      T_Application::OpenDocument(code, path);
      break;
  }
}

bool T_QEB::QueryClose(int32_t code) { return T_Application::QueryClose(code); }

bool T_QEB::CloseAllWindows(T_Window* window, int32_t code) {
  for (T_GrafElement* child = firstChild; child;) {
    T_GrafElement* following = child->next;
    // Database windows close with their database and are left out once they exist.
    if (child != window && !EventHandler_RequestClose(child, code)) {
      return false;
    }
    child = following;
  }
  return !window || EventHandler_RequestClose(window, code);
}

void T_DeferFileCom::Execute() {
  // Reopening and closing act on a database and come with the engine.
  if (code == kDeferQuit) {
    PendingErrorReport();
    if (T_Application* app = App()) Application_RequestQuit(app, 3);
  }
}

void PostDeferFileCom(uint32_t code, T_Base* base) {
  T_Application* app = App();
  if (!app) return;
  app->PostAction(new T_DeferFileCom(code, base));
}
