#pragma once
// Painting the element tree and drawing contexts: a port opened on an element's window, clipped
// to the element's paint region, with the element's colours and text style.
//
// The paint region of an element is the port's drawing area, limited to the region being
// painted and to the element's own region. A window's region leaves out the shapes of its
// visible children, so a parent never paints over its children.
//
// User-interface thread only.
#include <windows.h>

#include "ui/graphics_port.h"

class T_GrafElement;

// Paints the element (with its children first when asked) within the clip region, given in the
// client coordinates of its window (null: the whole window). Uses the current port when it is on
// that window, else opens one for the call.
void GrafElement_PaintTree(T_GrafElement* element, bool children, HRGN clip);

struct DrawContext {
  GraphicsPort port;
  bool open = false;
};
void DrawContext_Init(DrawContext* context);
// False (and nothing to end) when no port could be opened or the paint region is empty.
bool DrawContext_Begin(DrawContext* context, T_GrafElement* element);
void DrawContext_End(DrawContext* context);
