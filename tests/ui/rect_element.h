#pragma once
// A plain rectangular element for tests: its region is its rectangle and it clips to nothing
// else, so a test can place elements without windows or shapes of their own.
#include <windows.h>

#include "ui/element.h"

class T_RectTestElement : public T_GrafElement {
 public:
  using T_GrafElement::T_GrafElement;

  void BringToFront() override {}
  void ComputeRegion() override {
    SetRectRgn(region, 0, 0, width, height);
    regionValid = 1;
  }
  void UpdateRegions(bool force) override {
    if (force || !regionValid) ComputeRegion();
  }
  void OffsetRegion(int32_t, int32_t, int32_t, int32_t) override {}
  void ClipToShape(HRGN shape) override {
    HRGN own = CreateRectRgn(0, 0, width, height);
    CombineRgn(shape, shape, own, RGN_AND);
    DeleteObject(own);
  }
  void ClipToVisible(HRGN) override {}
};
