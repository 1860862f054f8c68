#include "tests/ui/layout_check.h"

#include <cxxabi.h>

#include <cstdlib>
#include <sstream>
#include <typeinfo>

#include "ui/chooser.h"
#include "ui/element.h"
#include "ui/element_paint.h"
#include "ui/frame_items.h"
#include "ui/item.h"
#include "ui/window.h"

namespace ui_test {

bool LayoutFaults::Mentions(std::string_view text) const {
  for (const std::string& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

std::ostream& operator<<(std::ostream& out, const LayoutFaults& faults) {
  out << faults.lines.size() << " layout fault(s)";
  for (const std::string& line : faults.lines) out << "\n  " << line;
  return out;
}

namespace {

std::string RectText(const RECT& r) {
  std::ostringstream out;
  out << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
  return out.str();
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
  RECT both;
  return IntersectRect(&both, &a, &b) != 0;
}

// --- Element trees ------------------------------------------------------------------------------

std::string ClassName(const T_GrafElement* e) {
  const char* mangled = typeid(*e).name();
  int status = 0;
  char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && plain ? plain : mangled;
  std::free(plain);
  return name;
}

const char* KindName(uint32_t kind) {
  switch (kind) {
    case kKindDocument:
    case kKindFixedDocument: return "window";
    case kKindDialog: return "dialog";
    case kKindProgress: return "item";
    case kKindFrame: return "frame";
    case kKindTabStrip: return "tab strip";
    case kKindText: return "text";
    case kKindEdit: return "edit field";
    case kKindButton: return "button";
    case kKindCheckbox: return "check box";
    case kKindChooser: return "chooser";
    case kKindSelector: return "selector";
    case kKindSlidebar: return "slide bar";
    case kKindListbox: return "list box";
    default: return "element";
  }
}

// The element's drawn box in window coordinates: an item's shape (a frame's title stands above
// its rectangle), else its rectangle.
RECT Box(const T_GrafElement* e) {
  RECT r{0, 0, e->width, e->height};
  if (const T_Item* item = AsItem(const_cast<T_GrafElement*>(e)); item && item->shape) {
    RECT shape;
    if (GetRgnBox(item->shape, &shape) != NULLREGION) r = shape;
  }
  OffsetRect(&r, e->offsetX, e->offsetY);
  return r;
}

RECT Frame(const T_GrafElement* e) {
  return RECT{e->offsetX, e->offsetY, e->offsetX + e->width, e->offsetY + e->height};
}

std::string Describe(const T_GrafElement* e) {
  std::ostringstream out;
  out << KindName(e->kind) << " " << ClassName(e);
  if (const T_Item* item = AsItem(const_cast<T_GrafElement*>(e))) out << " id " << item->id;
  if (e->kind == kKindText) {
    const char* shown = static_cast<const T_Text*>(e)->text.shown;
    if (shown) out << " \"" << shown << "\"";
  } else if (e->kind == kKindFrame) {
    const char* shown = static_cast<const T_Frame*>(e)->title.shown;
    if (shown) out << " \"" << shown << "\"";
  }
  out << " at " << RectText(Box(e));
  return out.str();
}

bool Shown(const T_GrafElement* e, const LayoutCheckOptions& options) {
  return e->visible && e->width > 0 && e->height > 0 && !(options.skip && options.skip(e));
}

bool IsField(const T_GrafElement* e) {
  if (e->kind == kKindEdit) return true;
  if (e->kind != kKindChooser) return false;
  const auto* chooser = dynamic_cast<const T_Chooser*>(e);
  return chooser && !(chooser->title.shown && chooser->title.shown[0]);
}

bool IsLabel(const T_GrafElement* e) {
  if (e->kind != kKindText) return false;
  const char* shown = static_cast<const T_Text*>(e)->text.shown;
  return shown && shown[0];
}

// A label stands left of the field on its row, or just above it and over its width.
bool Labels(const T_GrafElement* label, const T_GrafElement* field) {
  RECT l = Frame(label);
  RECT f = Frame(field);
  bool sameRow = l.top < f.bottom && l.bottom > f.top && l.right <= f.left + 4;
  bool above = l.bottom <= f.top + 4 && l.bottom >= f.top - 24 && l.left < f.right &&
               l.right > f.left;
  return sameRow || above;
}

bool TitledFrame(const T_EventHandler* e) {
  const auto* frame = dynamic_cast<const T_Frame*>(e);
  return frame && frame->title.shown && frame->title.shown[0];
}

void CheckChildren(const T_GrafElement* parent, const LayoutCheckOptions& options,
                   LayoutFaults* faults) {
  std::vector<const T_GrafElement*> children;
  for (const T_GrafElement* c = parent->firstChild; c; c = c->next) {
    if (Shown(c, options)) children.push_back(c);
  }
  RECT inside = Frame(parent);
  bool scrolls = parent->kind == kKindFrame && static_cast<const T_Frame*>(parent)->scrolling;
  int32_t fields = 0;
  for (const T_GrafElement* c : children) fields += IsField(c) ? 1 : 0;
  for (size_t i = 0; i < children.size(); ++i) {
    const T_GrafElement* c = children[i];
    if (!scrolls && !Inside(Box(c), inside)) {
      faults->Add(Describe(c) + " lies outside its parent " + Describe(parent));
    }
    for (size_t j = i + 1; j < children.size(); ++j) {
      if (Overlap(Box(c), Box(children[j]))) {
        faults->Add(Describe(c) + " overlaps " + Describe(children[j]));
      }
    }
    if (IsField(c)) {
      bool labelled = fields == 1 && TitledFrame(parent);
      for (const T_GrafElement* l : children) labelled = labelled || (IsLabel(l) && Labels(l, c));
      if (!labelled) faults->Add(Describe(c) + " has no label");
    }
  }
  for (const T_GrafElement* c : children) CheckChildren(c, options, faults);
}

// The deepest shown element whose drawing origin is the given one and whose box holds the point.
const T_GrafElement* DrawnBy(const T_GrafElement* root, POINT origin, POINT at) {
  for (const T_GrafElement* c = root->firstChild; c; c = c->next) {
    if (!c->visible) continue;
    if (const T_GrafElement* deeper = DrawnBy(c, origin, at)) return deeper;
  }
  RECT box = Box(root);
  InflateRect(&box, 1, 1);
  bool drew = root->offsetX == origin.x && root->offsetY == origin.y && PtInRect(&box, at);
  return drew ? root : nullptr;
}

void NoteClipped(void* context, const ClippedText* text) {
  auto* log = static_cast<ClippedTextLog*>(context);
  ClippedTextLog::Entry entry{std::string(text->bytes, static_cast<size_t>(text->n)), text->drawn,
                              text->clip, text->origin};
  OffsetRect(&entry.drawn, text->origin.x, text->origin.y);
  OffsetRect(&entry.clip, text->origin.x, text->origin.y);
  log->entries.push_back(entry);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

// --- Text kinds ---------------------------------------------------------------------------------

bool LooksLikeNumber(std::string_view text) {
  text = Trimmed(text);
  bool digit = false;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) {
      ++i;  // a no-break space between thousands
    } else if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
               static_cast<unsigned char>(text[i + 2]) == 0xAF) {
      i += 2;  // a narrow no-break space
    } else if (std::string_view(" +-.,'()%eE").find(static_cast<char>(c)) == std::string_view::npos) {
      return false;
    }
  }
  return digit;
}

bool EndsWithEllipsis(std::string_view text) {
  text = Trimmed(text);
  return text.ends_with("\xE2\x80\xA6") || text.ends_with("...");
}

// --- Clipped text -------------------------------------------------------------------------------

ClippedTextLog::ClippedTextLog() {
  watch_ = ClippedTextWatch{NoteClipped, this};
  previous_ = Gfx.clippedTextWatch;
  PortWatchClippedText(&watch_);
}

ClippedTextLog::~ClippedTextLog() { PortWatchClippedText(previous_); }

LayoutFaults ClippedTextLog::Faults(const LayoutCheckOptions& options,
                                    const T_GrafElement* root) const {
  LayoutFaults faults;
  for (const Entry& e : entries) {
    const char* what = nullptr;
    if (LooksLikeNumber(e.text)) {
      what = "number drawn in part";
    } else if (options.cutTextIsFault && !EndsWithEllipsis(e.text)) {
      what = "text cut without an ellipsis";
    }
    if (!what) continue;
    std::string line = std::string(what) + ": \"" + e.text + "\" drawn " + RectText(e.drawn) +
                       " in a box " + RectText(e.clip);
    POINT at{e.clip.left, e.clip.top};
    if (const T_GrafElement* by = root ? DrawnBy(root, e.origin, at) : nullptr) {
      line += " by " + Describe(by);
    }
    faults.Add(line);
  }
  return faults;
}

// --- The checks ---------------------------------------------------------------------------------

LayoutFaults LayoutCheck(T_GrafElement* root, const LayoutCheckOptions& options) {
  LayoutFaults faults;
  if (!root) {
    faults.Add("no element to check");
    return faults;
  }
  CheckChildren(root, options, &faults);
  T_Window* window = root->window;
  if (!options.paint || !window || window->width <= 0 || window->height <= 0) return faults;

  ClippedTextLog log;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, window->width, window->height);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  GraphicsPort port;
  PortInitRegions(&port);
  if (PortOpenDC(&port, window->native.handle, dc, window->width, window->height)) {
    GrafElement_PaintTree(window, true, nullptr);
    PortClose(&port);
  }
  PortFreeRegions(&port);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);

  faults.Append(log.Faults(options, window));
  return faults;
}

// --- Native windows -----------------------------------------------------------------------------

namespace {

std::string NativeClass(HWND w) {
  char name[64] = {};
  GetClassNameA(w, name, sizeof name);
  return name;
}

std::string NativeText(HWND w) {
  wchar_t wide[256] = {};
  int n = GetWindowTextW(w, wide, 256);
  char bytes[768] = {};
  int m = WideCharToMultiByte(CP_UTF8, 0, wide, n, bytes, sizeof bytes - 1, nullptr, nullptr);
  return std::string(bytes, m > 0 ? static_cast<size_t>(m) : 0);
}

RECT NativeRect(HWND w, HWND parent) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string DescribeNative(HWND w, HWND parent) {
  std::ostringstream out;
  out << NativeClass(w) << " id " << GetDlgCtrlID(w);
  std::string text = NativeText(w);
  if (!text.empty()) out << " \"" << text << "\"";
  out << " at " << RectText(NativeRect(w, parent));
  return out.str();
}

bool IsGroupBox(HWND w) {
  return _stricmp(NativeClass(w).c_str(), "Button") == 0 &&
         (GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool IsNativeField(HWND w) {
  std::string name = NativeClass(w);
  return _stricmp(name.c_str(), "Edit") == 0 || _stricmp(name.c_str(), "ComboBox") == 0;
}

bool IsTextStatic(HWND w) {
  if (_stricmp(NativeClass(w).c_str(), "Static") != 0) return false;
  LONG type = GetWindowLongW(w, GWL_STYLE) & SS_TYPEMASK;
  return type == SS_LEFT || type == SS_RIGHT || type == SS_CENTER || type == SS_LEFTNOWORDWRAP ||
         type == SS_SIMPLE;
}

// Whether the static's text, wrapped as the control wraps it, fits its client area.
bool StaticTextFits(HWND w) {
  std::string text = NativeText(w);
  if (text.empty()) return true;
  wchar_t wide[256] = {};
  int n = GetWindowTextW(w, wide, 256);
  RECT client;
  GetClientRect(w, &client);
  HDC dc = GetDC(w);
  HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)));
  LONG type = GetWindowLongW(w, GWL_STYLE) & SS_TYPEMASK;
  UINT flags = DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX;
  if (type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE) flags |= DT_WORDBREAK;
  RECT need = client;
  DrawTextW(dc, wide, n, &need, flags);
  SelectObject(dc, oldFont);
  ReleaseDC(w, dc);
  return need.right <= client.right + 1 && need.bottom <= client.bottom + 1;
}

void CheckNativeChildren(HWND parent, LayoutFaults* faults) {
  std::vector<HWND> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (IsWindowVisible(c)) children.push_back(c);
  }
  RECT client;
  GetClientRect(parent, &client);
  for (size_t i = 0; i < children.size(); ++i) {
    HWND c = children[i];
    RECT r = NativeRect(c, parent);
    if (!Inside(r, client)) faults->Add(DescribeNative(c, parent) + " lies outside its parent");
    for (size_t j = i + 1; j < children.size(); ++j) {
      RECT s = NativeRect(children[j], parent);
      if (!Overlap(r, s)) continue;
      // A group box holds the controls it frames.
      if ((IsGroupBox(c) && Inside(s, r)) || (IsGroupBox(children[j]) && Inside(r, s))) continue;
      faults->Add(DescribeNative(c, parent) + " overlaps " + DescribeNative(children[j], parent));
    }
    if (IsNativeField(c)) {
      bool labelled = false;
      for (size_t k = i; k-- > 0 && !labelled;) {
        if (IsGroupBox(children[k])) continue;
        labelled = IsTextStatic(children[k]) && !NativeText(children[k]).empty();
        break;
      }
      if (!labelled) faults->Add(DescribeNative(c, parent) + " has no label before it");
    }
    if (IsTextStatic(c) && !StaticTextFits(c)) {
      faults->Add("text cut: " + DescribeNative(c, parent));
    }
    if (!IsNativeField(c)) CheckNativeChildren(c, faults);
  }
}

}  // namespace

LayoutFaults LayoutCheckNative(HWND parent) {
  LayoutFaults faults;
  if (!IsWindow(parent)) {
    faults.Add("no window to check");
    return faults;
  }
  CheckNativeChildren(parent, &faults);
  return faults;
}

}  // namespace ui_test
