#include "app/about_box.h"

#include <windows.h>

#include <cstdio>

#include "app/run_application.h"
#include "core/alert.h"
#include "core/locale.h"
#include "core/threads.h"
#include "ui/button.h"
#include "ui/frame_items.h"
#include "ui/pictures.h"
#include "ui/text_style.h"

namespace {

constexpr int32_t kTextAboutQeb = 2200;
// The four fixed lines under the program's name.
constexpr int32_t kFixedLines[] = {2001, 2002, 2003, 2004};
constexpr int32_t kBandWidth = 160;
constexpr int32_t kMargin = 20;
constexpr int32_t kLineHeight = 13;
constexpr size_t kAboutReserve = 10240;

T_Text* NewLine(T_About* about, int32_t y, int32_t height) {
  auto* line =
      new T_Text(about, XYWH{about->width - kBandWidth - 10, y, kBandWidth, height}, false);
  line->SetTextAlign(kStyleRight);
  return line;
}

}  // namespace

T_About::T_About(int32_t pictureWidth, int32_t pictureHeight)
    : T_HDialog(pictureWidth + 200, pictureHeight + 40, nullptr, nullptr) {
  SetTitleId(kTextAboutQeb);
  int32_t y = kMargin - 2;
  T_Text* name = NewLine(this, y, 16);
  name->SetTextRef(kProductTitle);
  name->SetEmphasis(kStyleBold);
  y += 18;
  for (int32_t id : kFixedLines) {
    NewLine(this, y, kLineHeight)->SetTextId(id);
    y += kLineHeight;
  }
  y += 4;
  T_TextBuf code("Code: ");
  TextBufAppend(&code, PlatformName());
  NewLine(this, y, kLineHeight)->SetTextCopy(code.c_str());
  y += kLineHeight;
  T_TextBuf version;
  // GetVersion is the value the platform reports to this program, whatever its manifest says.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  SysversionLine(static_cast<uint32_t>(GetVersion()), &version);
#pragma GCC diagnostic pop
  NewLine(this, y, kLineHeight)->SetTextCopy(version.c_str());
  for (T_GrafElement* child = firstChild; child; child = child->next) EventHandler_Open(child);

  auto* ok = new T_Button(this, XYWH{width - 88, height - 34, 70, 20}, kDialogOkId);
  ok->SetTitleId(kButtonOk);
  ok->SetDefault(true);
}

void T_About::DrawContent() {
  T_HDialog::DrawContent();
  PictureDrawAt(kMargin, kMargin, kPicture);
}

void T_About::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    Dialog_EndModal(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

void SysversionLine(uint32_t version, T_TextBuf* line) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%08X", static_cast<unsigned>(version));
  TextBufAssign(line, "Sysversion ");
  TextBufAppend(line, digits);
}

void ShowAboutBox() {
  if (!MemCanAlloc(kAboutReserve)) return;
  RECT picture = PictureGetRect(T_About::kPicture);
  T_About about(picture.right - picture.left, picture.bottom - picture.top);
  Dialog_Run(&about);
}
