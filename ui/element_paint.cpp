#include "ui/element_paint.h"

#include "ui/element.h"
#include "ui/window.h"

namespace {

HWND NativeOf(T_GrafElement* element) { return element->window ? element->window->native.handle : nullptr; }

// The element's paint region in its own coordinates; the port's origin is set to the element.
// Returns false when it is empty.
bool PaintRegion(T_GrafElement* element, HRGN clip, HRGN out) {
  if (!element->regionValid) element->UpdateRegions(true);
  PortSetOrigin(element->offsetX, element->offsetY);
  RECT area = Gfx.port->area;
  OffsetRect(&area, -element->offsetX, -element->offsetY);
  SetRectRgn(out, area.left, area.top, area.right, area.bottom);
  if (clip) {
    HRGN local = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(local, clip, nullptr, RGN_COPY);
    OffsetRgn(local, -element->offsetX, -element->offsetY);
    CombineRgn(out, out, local, RGN_AND);
    DeleteObject(local);
  }
  return CombineRgn(out, out, element->region, RGN_AND) != NULLREGION;
}

void TakeElementStyle(T_GrafElement* element) {
  Gfx.foreColour = static_cast<int32_t>(element->foreColour);
  Gfx.backColour = static_cast<int32_t>(element->backColour);
  Gfx.style = element->style;
  PortApplyStyle();
}

void PaintPart(T_GrafElement* element, HRGN part, bool erase, bool frame) {
  TakeElementStyle(element);
  PortSetClip(part);
  if (erase && Gfx.port->backBrush) FillRgn(PortDC(), part, Gfx.port->backBrush);
  if (frame) {
    element->DrawFrame();
  } else {
    element->DrawContent();
  }
}

void PaintOne(T_GrafElement* element, bool children, HRGN clip) {
  if (!element->regionValid) element->UpdateRegions(true);
  if (children) {
    for (T_GrafElement* child = element->firstChild; child; child = child->next) {
      if (child->visible) PaintOne(child, true, clip);
    }
  }
  HRGN paint = CreateRectRgn(0, 0, 0, 0);
  if (PaintRegion(element, clip, paint)) {
    const RECT& c = element->content;
    HRGN inside = CreateRectRgn(c.left, c.top, c.right, c.bottom);
    HRGN part = CreateRectRgn(0, 0, 0, 0);
    if (CombineRgn(part, paint, inside, RGN_DIFF) != NULLREGION) {
      PaintPart(element, part, element->eraseFrame != 0, true);
    }
    if (CombineRgn(part, paint, inside, RGN_AND) != NULLREGION) {
      PaintPart(element, part, element->eraseContent != 0, false);
    }
    DeleteObject(part);
    DeleteObject(inside);
  }
  DeleteObject(paint);
}

}  // namespace

void GrafElement_PaintTree(T_GrafElement* element, bool children, HRGN clip) {
  HWND native = NativeOf(element);
  // A port given a DC for no window serves a windowless tree (a picture of it, a test's check).
  if (Gfx.port && Gfx.port->window == native && (native || Gfx.port->kind == kPortGivenDC)) {
    PaintOne(element, children, clip);
    return;
  }
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenElement(&port, native, element)) {
    PaintOne(element, children, clip);
    PortClose(&port);
  }
  PortFreeRegions(&port);
}

void DrawContext_Init(DrawContext* context) {
  context->port = GraphicsPort{};
  context->open = false;
}

bool DrawContext_Begin(DrawContext* context, T_GrafElement* element) {
  PortInitRegions(&context->port);
  if (!PortOpenElement(&context->port, NativeOf(element), element)) {
    PortFreeRegions(&context->port);
    return false;
  }
  context->open = true;
  HRGN paint = CreateRectRgn(0, 0, 0, 0);
  PaintRegion(element, nullptr, paint);
  PortSetClip(paint);
  DeleteObject(paint);
  TakeElementStyle(element);
  return true;
}

void DrawContext_End(DrawContext* context) {
  if (!context->open) return;
  PortClose(&context->port);
  PortFreeRegions(&context->port);
  context->open = false;
}
