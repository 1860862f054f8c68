#pragma once
// The About box: the program's picture, its name and version, four fixed lines, the platform and
// the Windows version number.
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "ui/dialog_base.h"

class T_About : public T_HDialog {
 public:
  static constexpr int32_t kPicture = 6000;

  // Sized to the picture plus 200 wide and 40 high.
  T_About(int32_t pictureWidth, int32_t pictureHeight);

  void DrawContent() override;
  void OnButton(T_GrafElement* button) override;
};

// "Sysversion " and the 32-bit version value as 8 upper-case hexadecimal digits.
void SysversionLine(uint32_t version, T_TextBuf* line);

// Runs the About box modally.
void ShowAboutBox();
