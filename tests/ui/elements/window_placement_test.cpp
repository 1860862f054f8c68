// Where new windows go, how the command line is cut into document paths, and the frame's close.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/main_loop.h"
#include "ui/menu_model.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/window.h"

namespace {

TEST(WindowPlacement, FillsCascadesCentresAndKeepsInside) {
  const RECT area{0, 0, 800, 600};
  const POINT taken[] = {{4, 4}, {18, 24}};
  struct Case {
    uint32_t kind;
    RECT request;  // left, top, width, height
    RECT framed;
    int32_t others;
    RECT expected;
    bool fill;
  } cases[] = {
      {kKindDocument, {0, 0, 0, 0}, area, 0, area, true},
      {kKindDocument, {0, 0, 300, 200}, area, 2, {32, 44, 332, 244}, false},
      {kKindDocument, {0, 0, 300, 200}, area, 0, {4, 4, 304, 204}, false},
      {kKindDocument, {700, 500, 300, 200}, area, 0, {500, 400, 800, 600}, false},
      {kKindDocument, {10, 10, 900, 700}, area, 0, {0, 0, 800, 600}, false},
      // A dialog is centred on the band of three quarters of the area width: (0 + 375 - 100) / 2.
      {kKindDialog, {0, 0, 200, 100}, {0, 0, 500, 600}, 0, {150, 137, 350, 237}, false},
      // No free place: the window goes 4 pixels in, or to the edge when it does not fit.
      {kKindDocument, {0, 0, 798, 600}, area, 0, {2, 0, 800, 600}, false},
  };
  for (const Case& c : cases) {
    RECT rect = c.request;
    bool fill = false;
    WindowPlace(c.kind, &rect, &area, &c.framed, taken, c.others, &fill);
    EXPECT_TRUE(EqualRect(&rect, &c.expected))
        << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    EXPECT_EQ(fill, c.fill);
  }
}

TEST(CommandLineDocuments, OnlyABlankBeforeAnAbsolutePathSeparates) {
  struct Case {
    const char* text;
    std::vector<std::string> paths;
  } cases[] = {
      {"C:\\My Files\\a.qeb D:\\b.qeb", {"C:\\My Files\\a.qeb", "D:\\b.qeb"}},
      {"\"C:\\a b.qeb\" \"D:\\c.qeb\"", {"C:\\a b.qeb", "D:\\c.qeb"}},
      {"C:\\a.qeb \\\\server\\share\\b.qeb", {"C:\\a.qeb", "\\\\server\\share\\b.qeb"}},
      {"\"C:\\open end.qeb", {"C:\\open end.qeb"}},
      {"\"\" C:\\x.qeb", {"C:\\x.qeb"}},
      {"/regserver C:\\a.qeb", {}},
      {"-embedding", {}},
      {"    ", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> opened;
    CommandLineDocuments(
        c.text,
        [](void* context, const char* path, int32_t length) {
          static_cast<std::vector<std::string>*>(context)->emplace_back(path, length);
        },
        &opened);
    EXPECT_EQ(opened, c.paths) << c.text;
  }
}

// The question a quit may ask is captioned with the command that asked it, and only for that.
TEST(FrameClose, AsksToQuitUnderTheQuitCaption) {
  struct T_RecordingApplication : T_Application {
    T_RecordingApplication() : T_Application(true) {}
    bool QueryClose(int32_t) override {
      caption = CurrentCommandTitle() ? CurrentCommandTitle() : "";
      return false;
    }
    std::string caption;
  };
  RegisterFrameClasses(ProgramInstance());
  SetFrameVisible(false);
  auto* app = new T_RecordingApplication;
  ASSERT_NE(FrameWindow(), nullptr);
  SendMessageA(FrameWindow(), WM_CLOSE, 0, 0);
  EXPECT_EQ(app->caption, "Quit");
  EXPECT_EQ(app->quitRequested, 0);
  EXPECT_EQ(CurrentCommandTitle(), nullptr);
  delete app;
}

}  // namespace
