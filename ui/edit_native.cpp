// The native EDIT control under a T_Edit while it edits: creation inside a clipping STATIC
// container, the subclassed window procedure that sends keys and presses through the element
// tree first, and the conversions between the control's UTF-16 text (CR LF line ends, positions
// in units) and the field's UTF-8 text (CR line ends, offsets in bytes).
#include <windowsx.h>

#include <string>

#include "core/utf8.h"
#include "ui/application.h"
#include "ui/edit_field.h"
#include "ui/event_record.h"
#include "ui/main_loop.h"
#include "ui/native_window.h"
#include "ui/program_entry.h"
#include "ui/text_style.h"
#include "ui/window.h"

namespace {

constexpr int32_t kScrollMinHeight = 20;

EditOverlay* current = nullptr;
WNDPROC editClassProcedure = nullptr;

// The units of the character at i and the bytes it takes in the field's text: a CR LF pair is one
// CR, a lone LF nothing, a surrogate pair four bytes.
int32_t GroupAt(const wchar_t* wide, int32_t n, int32_t i, int32_t* units) {
  wchar_t c = wide[i];
  *units = 1;
  if (c == L'\n') return 0;
  if (c == L'\r') {
    if (i + 1 < n && wide[i + 1] == L'\n') *units = 2;
    return 1;
  }
  if (Utf16PairAt(wide, i, n)) {
    *units = 2;
    return 4;
  }
  return Utf8EncodedLen(static_cast<uint16_t>(c));
}

void WideToText(const std::wstring& wide, T_TextBuf* out) {
  std::string bytes;
  auto n = static_cast<int32_t>(wide.size());
  for (int32_t i = 0; i < n;) {
    int32_t units = 1;
    int32_t size = GroupAt(wide.data(), n, i, &units);
    if (size > 0) {
      char character[4];
      uint32_t code = size == 4 ? Utf16PairCode(wide[i], wide[i + 1]) : wide[i];
      bytes.append(character, static_cast<size_t>(Utf8Encode(character, code)));
    }
    i += units;
  }
  TextBufAssignBytes(out, bytes.data(), static_cast<int32_t>(bytes.size()));
}

// The field's text as the control shows it: every line end (CR, CR LF or LF) becomes CR LF.
std::wstring TextToWide(const char* text) {
  std::wstring wide;
  const char* p = text ? text : "";
  while (*p) {
    if (*p == '\r' || *p == '\n') {
      wide += L"\r\n";
      p += (*p == '\r' && p[1] == '\n') ? 2 : 1;
      continue;
    }
    uint32_t code = Utf8NextChar(&p);
    wchar_t units[2];
    wide.append(units, static_cast<size_t>(Utf16Encode(units, code ? code : 0xFFFD)));
  }
  return wide;
}

std::wstring ControlText(HWND control) {
  std::wstring wide;
  if (!control) return wide;
  int length = GetWindowTextLengthW(control);
  if (length <= 0) return wide;
  wide.resize(static_cast<size_t>(length) + 1);
  int got = GetWindowTextW(control, wide.data(), length + 1);
  wide.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return wide;
}

int32_t ContainerWidth(const T_Edit* owner, bool multiLine) {
  const RECT& r = owner->textRect;
  bool right = (owner->style.flags & kStyleRight) != 0;
  bool wider = multiLine || (right && ItemLookClass() < 3);
  return r.right - r.left + (wider ? 1 : 0);
}

// A press on the control goes through the element tree like a press on its window, with the point
// taken from the message itself.
void PressThroughTree(EditOverlay* overlay, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  T_Window* window = overlay->window;
  if (!window || !window->native.handle || !App()) return;
  POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  MSG record{};
  record.pt = p;
  ClientToScreen(hwnd, &record.pt);
  record.time = static_cast<DWORD>(GetMessageTime());
  InputEvent event;
  EventFromMessage(&event, &record);
  MapWindowPoints(hwnd, window->native.handle, &p, 1);
  event.x = p.x;
  event.y = p.y;
  event.leftButton = 1;
  event.anyButton = 1;
  if (wParam & MK_SHIFT) event.shift = 1;
  if (wParam & MK_CONTROL) event.control = 1;
  ClickDetect(CurrentClickState(), &event, GetDoubleClickTime());
  if (message == WM_LBUTTONDBLCLK) event.doubleClick = 1;
  UiEnter();
  Mouse_DispatchDown(window, &event);
  UiLeave();
}

LRESULT CALLBACK OverlayProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC own = editClassProcedure;
  EditOverlay* overlay = current;
  if (!overlay || overlay->control != hwnd)
    return CallWindowProcW(own, hwnd, message, wParam, lParam);
  switch (message) {
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      overlay->captured = 0;
      break;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      CursorUpdate();
      break;
    case WM_MOUSEWHEEL:
      // The field scrolls the control itself when the wheel is its; the control's own scrolling
      // (or its parent's, where the wheel climbs) would move it a second time.
      if (overlay->window) HandleWheel(overlay->window, static_cast<int16_t>(HIWORD(wParam)));
      return 0;
    case WM_DESTROY:
      // The window goes with its native window: the typed text is taken while the control has it.
      if (overlay->owner) overlay->owner->CommitText();
      overlay->control = nullptr;
      overlay->container = nullptr;
      break;
    case WM_CHAR:
      // Enter acted when its key went down; Backspace deletes in the control's character
      // handling. Other control characters come from shortcuts whose commands arrive through the
      // menus, and must not act a second time in the control.
      if (wParam == '\r' || wParam == '\n') return 0;
      if (wParam < 32 && wParam != '\t') {
        if (wParam == '\b') break;
        return 0;
      }
      [[fallthrough]];
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      NativeMessage entry{hwnd, message, wParam, lParam, 0, nullptr};
      NativeMessagePush(&entry);
      if (message == WM_KEYDOWN) {
        HandleKey(static_cast<uint16_t>(wParam), lParam);
      } else if (message == WM_CHAR) {
        HandleCharacter(static_cast<uint16_t>(wParam));
      } else {
        PressThroughTree(overlay, hwnd, message, wParam, lParam);
      }
      NativeMessagePop(&entry);
      return entry.result;
    }
    default:
      break;
  }
  if (!IsWindow(hwnd)) return 0;
  return CallWindowProcW(own, hwnd, message, wParam, lParam);
}

}  // namespace

bool EditOverlay_Create(EditOverlay* overlay, T_Edit* owner, const char* text) {
  *overlay = EditOverlay{};
  T_Window* window = owner->window;
  HWND parent = window ? window->native.handle : nullptr;
  if (!parent) return false;
  const RECT& r = owner->textRect;
  int32_t height = r.bottom - r.top;
  // A multi-line control ignores the password style: a password field always edits in one line.
  bool password = owner->password != 0;
  bool multiLine = owner->IsMultiLine() && !password;
  bool right = (owner->style.flags & kStyleRight) != 0;
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
  style |= multiLine ? (ES_MULTILINE | ES_AUTOVSCROLL) : ES_AUTOHSCROLL;
  if (right) {
    style |= ES_RIGHT;
    if (!multiLine && !password) style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
  }
  if (password) style |= ES_PASSWORD;
  int32_t width = ContainerWidth(owner, multiLine);

  overlay->owner = owner;
  overlay->window = window;
  overlay->originX = owner->offsetX;
  overlay->originY = owner->offsetY;
  overlay->multiLine = multiLine ? 1 : 0;
  overlay->container = CreateWindowExW(
      0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, owner->offsetX + r.left,
      owner->offsetY + r.top, width, height, parent, nullptr, ProgramInstance(), nullptr);
  if (!overlay->container) {
    *overlay = EditOverlay{};
    return false;
  }
  overlay->control = CreateWindowExW(0, L"EDIT", L"", style, 0, -1, width, height + 3,
                                     overlay->container, nullptr, ProgramInstance(), nullptr);
  if (!overlay->control) {
    DestroyWindow(overlay->container);
    *overlay = EditOverlay{};
    return false;
  }
  auto previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
      overlay->control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OverlayProcedure)));
  if (previous != OverlayProcedure) editClassProcedure = previous;
  current = overlay;
  overlay->font = FontFromStyle(&owner->style);
  if (overlay->font)
    SendMessageW(overlay->control, WM_SETFONT, reinterpret_cast<WPARAM>(overlay->font), FALSE);
  SendMessageW(overlay->control, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  EditOverlay_SetText(overlay, text);
  SetFocus(overlay->control);
  return true;
}

void EditOverlay_Destroy(EditOverlay* overlay) {
  HWND parent = overlay->window ? overlay->window->native.handle : nullptr;
  HWND control = overlay->control;
  HWND container = overlay->container;
  bool secret = overlay->owner != nullptr && overlay->owner->password != 0;
  overlay->owner = nullptr;  // its text is the field's business from here on
  if (control && IsWindow(control)) {
    // The control's text and its undo copy stay in freed memory of the control: a password is
    // overwritten with blanks of its length first, and the undo copy is dropped.
    if (secret) {
      int32_t n = GetWindowTextLengthW(control);
      std::wstring blanks(static_cast<size_t>(n > 0 ? n : 0), L' ');
      SetWindowTextW(control, blanks.c_str());
      SendMessageW(control, EM_EMPTYUNDOBUFFER, 0, 0);
    }
    // Keys typed next go to the window, not to a window that no longer exists.
    if (GetFocus() == control && parent) SetFocus(parent);
    DestroyWindow(control);
  }
  if (container && IsWindow(container)) DestroyWindow(container);
  if (overlay->font) DeleteObject(overlay->font);
  if (current == overlay) current = nullptr;
  *overlay = EditOverlay{};
}

EditOverlay* EditOverlay_Current() { return current; }

void EditOverlay_SetText(EditOverlay* overlay, const char* text) {
  if (!overlay->control) return;
  std::wstring wide = TextToWide(text);
  LRESULT first =
      overlay->multiLine ? SendMessageW(overlay->control, EM_GETFIRSTVISIBLELINE, 0, 0) : 0;
  SetWindowTextW(overlay->control, wide.c_str());
  if (first > 0) SendMessageW(overlay->control, EM_LINESCROLL, 0, first);
}

void EditOverlay_GetText(const EditOverlay* overlay, T_TextBuf* out) {
  WideToText(ControlText(overlay->control), out);
}

void EditOverlay_GetSelection(const EditOverlay* overlay, int32_t* start, int32_t* length) {
  *start = 0;
  *length = 0;
  if (!overlay->control) return;
  DWORD from = 0;
  DWORD to = 0;
  SendMessageW(overlay->control, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  std::wstring wide = ControlText(overlay->control);
  auto n = static_cast<int32_t>(wide.size());
  *start = EditPositionToOffset(wide.data(), n, static_cast<int32_t>(from));
  *length = EditPositionToOffset(wide.data(), n, static_cast<int32_t>(to)) - *start;
}

void EditOverlay_SetSelection(EditOverlay* overlay, int32_t start, int32_t length) {
  if (!overlay->control) return;
  std::wstring wide = ControlText(overlay->control);
  auto n = static_cast<int32_t>(wide.size());
  int32_t from = EditOffsetToPosition(wide.data(), n, start);
  int32_t to = EditOffsetToPosition(wide.data(), n, start + length);
  SendMessageW(overlay->control, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
  SendMessageW(overlay->control, EM_SCROLLCARET, 0, 0);
}

int32_t EditOverlay_OffsetAt(const EditOverlay* overlay, POINT point) {
  if (!overlay->control || !overlay->owner) return 0;
  const RECT& r = overlay->owner->textRect;
  LPARAM at =
      MAKELPARAM(static_cast<WORD>(point.x - r.left), static_cast<WORD>(point.y - r.top + 1));
  LRESULT found = SendMessageW(overlay->control, EM_CHARFROMPOS, 0, at);
  std::wstring wide = ControlText(overlay->control);
  return EditPositionToOffset(wide.data(), static_cast<int32_t>(wide.size()), LOWORD(found));
}

void EditOverlay_InsertLineBreak(EditOverlay* overlay) {
  if (overlay->control)
    SendMessageW(overlay->control, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
}

void EditOverlay_ForwardPress(EditOverlay* overlay, const InputEvent* event) {
  if (!overlay->control || !overlay->owner) return;
  const RECT& r = overlay->owner->textRect;
  UINT message = event->doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN;
  WPARAM keys = MK_LBUTTON | (event->shift ? MK_SHIFT : 0);
  LPARAM at =
      MAKELPARAM(static_cast<WORD>(event->x - r.left), static_cast<WORD>(event->y - r.top + 1));
  overlay->captured = 1;
  LRESULT result = EditOverlay_CallOwn(overlay, message, keys, at);
  NativeMessage* entry = CurrentNativeMessage();
  if (entry && entry->window == overlay->control) entry->result = result;
}

void EditOverlay_ScrollUp(EditOverlay* overlay, int32_t lines) {
  if (!overlay->control || !overlay->owner) return;
  const RECT& r = overlay->owner->textRect;
  if (r.bottom - r.top < kScrollMinHeight) return;
  SendMessageW(overlay->control, EM_LINESCROLL, 0, -lines);
}

void EditOverlay_Follow(EditOverlay* overlay, bool takeKeyboard) {
  T_Edit* owner = overlay->owner;
  if (!overlay->container || !owner) return;
  const RECT& r = owner->textRect;
  int32_t width = ContainerWidth(owner, overlay->multiLine != 0);
  int32_t height = r.bottom - r.top;
  overlay->originX = owner->offsetX;
  overlay->originY = owner->offsetY;
  SetWindowPos(overlay->container, nullptr, owner->offsetX + r.left, owner->offsetY + r.top, width,
               height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (overlay->control) {
    SetWindowPos(overlay->control, nullptr, 0, -1, width, height + 3,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (takeKeyboard) SetFocus(overlay->control);
  }
}

LRESULT EditOverlay_CallOwn(const EditOverlay* overlay, UINT message, WPARAM wParam,
                            LPARAM lParam) {
  if (!overlay->control || !editClassProcedure) return 0;
  return CallWindowProcW(editClassProcedure, overlay->control, message, wParam, lParam);
}

int32_t EditPositionToOffset(const wchar_t* wide, int32_t n, int32_t position) {
  int32_t bytes = 0;
  for (int32_t i = 0; i < n && i < position;) {
    int32_t units = 1;
    bytes += GroupAt(wide, n, i, &units);
    i += units;
  }
  return bytes;
}

int32_t EditOffsetToPosition(const wchar_t* wide, int32_t n, int32_t offset) {
  int32_t bytes = 0;
  int32_t i = 0;
  while (i < n) {
    int32_t units = 1;
    int32_t size = GroupAt(wide, n, i, &units);
    if (bytes + size > offset || (size > 0 && bytes == offset)) break;
    bytes += size;
    i += units;
  }
  return i;
}
