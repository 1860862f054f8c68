#include "ui/drag_drop.h"

#include <shlobj.h>

#include <cstring>
#include <new>

#include "core/clipboard_memory.h"
#include "core/memory.h"
#include "core/message_pump.h"
#include "core/threads.h"
#include "ui/application.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/main_loop.h"
#include "ui/native_window.h"
#include "ui/transfer_list.h"
#include "ui/window.h"

namespace {

constexpr int32_t kHighlightColour = 6;
constexpr uint64_t kActivateAfterRest = 301;  // milliseconds
constexpr uint32_t kArrowCursor = 32512;

FORMATETC FormatOf(UINT format) {
  return FORMATETC{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

UINT FormatOfKind(uint32_t kind) {
  if (kind == kTransferText) return kClipFormatText;
  if (kind == kTransferPrivate) return kClipFormatPrivate;
  return 0;
}

// The text of one format as a new UTF-8 block (CR LF read as CR), or null.
char* ReadText(IDataObject* data, UINT format) {
  FORMATETC request = FormatOf(format);
  STGMEDIUM medium{};
  if (FAILED(data->GetData(&request, &medium))) return nullptr;
  char* text = medium.tymed == TYMED_HGLOBAL ? HGlobalToUtf8(medium.hGlobal) : nullptr;
  ReleaseStgMedium(&medium);
  return text;
}

// The program's CR line ends go out as CR LF in plain text, which every receiver reads as one
// line end, and come back as CR when read.
HGLOBAL TextToHGlobalWithLineEnds(const char* text) {
  int64_t n = static_cast<int64_t>(std::strlen(text));
  int64_t extra = 0;
  for (int64_t i = 0; i < n; ++i) {
    if (text[i] == '\r' && text[i + 1] != '\n') ++extra;
  }
  if (extra == 0) return TextToHGlobal(text);
  auto* expanded = static_cast<char*>(MemNew(n + extra + 1));
  if (!expanded) return nullptr;
  char* out = expanded;
  for (int64_t i = 0; i < n; ++i) {
    *out++ = text[i];
    if (text[i] == '\r' && text[i + 1] != '\n') *out++ = '\n';
  }
  *out = 0;
  HGLOBAL handle = TextToHGlobal(expanded);
  MemFree(expanded);
  return handle;
}

bool SameGuid(REFIID a, const IID& b) { return IsEqualGUID(a, b) != 0; }

}  // namespace

// --- T_DropTarget -----------------------------------------------------------------------------

T_DropTarget::T_DropTarget(T_Window* window) : window(window) {}

HRESULT T_DropTarget::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  // Only the interfaces it has: a caller given this object for another interface would call
  // into the wrong table.
  if (SameGuid(iid, IID_IUnknown) || SameGuid(iid, IID_IDropTarget)) {
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG T_DropTarget::AddRef() { return ++references_; }

ULONG T_DropTarget::Release() {
  ULONG count = --references_;
  if (count == 0) delete this;
  return count;
}

void T_DropTarget::Highlight(bool on) {
  if (!window || !window->native.handle || !window->visible) return;
  const RECT& r = window->content;
  if (on) {
    GraphicsPort port;
    PortInitRegions(&port);
    if (PortOpenElement(&port, window->native.handle, window)) {
      PortSetForeIndex(kHighlightColour);
      RectFrame(&r);
      PortClose(&port);
    }
    PortFreeRegions(&port);
    return;
  }
  HRGN ring = CreateRectRgnIndirect(&r);
  HRGN inner = CreateRectRgn(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
  if (ring && inner) {
    CombineRgn(ring, ring, inner, RGN_DIFF);
    GrafElement_InvalidateRegion(window, ring, kPaintNow | kPaintUnclipped);
  }
  if (ring) DeleteObject(ring);
  if (inner) DeleteObject(inner);
}

HRESULT T_DropTarget::DragEnter(IDataObject* data, DWORD, POINTL, DWORD*) {
  if (!window) return S_OK;
  UiEnter();
  Highlight(true);
  kinds = data ? OfferedKinds(data) : 0;
  lastChange = TickCount();
  UiLeave();
  return S_OK;
}

HRESULT T_DropTarget::DragOver(DWORD, POINTL point, DWORD* effect) {
  if (!window || !window->native.handle) {
    if (effect) *effect = DROPEFFECT_NONE;
    return S_OK;
  }
  UiEnter();
  POINT p{point.x, point.y};
  ScreenToClient(window->native.handle, &p);
  DragTrack(GrafElement_HitTest(window, &p), kinds);
  if (effect) *effect = DROPEFFECT_COPY;
  uint64_t now = TickCount();
  if (point.x != lastPoint.x || point.y != lastPoint.y) {
    lastPoint = {point.x, point.y};
    lastChange = now;
  }
  // A window the pointer rests on comes forward, so that a drag can reach a covered window.
  if (window && !window->active && now - lastChange >= kActivateAfterRest &&
      window->CanActivate()) {
    window->Activate();
  }
  UiLeave();
  return S_OK;
}

HRESULT T_DropTarget::DragLeave() {
  UiEnter();
  Highlight(false);
  // A window that is gone has handed its part of the path to its parents: leave those too.
  DragTrack(nullptr, kinds);
  UiLeave();
  return S_OK;
}

HRESULT T_DropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
  UiEnter();
  if (window && data) {
    if (TransferList* list = TransferList_New()) {
      for (uint32_t kind : {kTransferText, kTransferPrivate}) {
        char* text = ReadText(data, FormatOfKind(kind));
        if (text) DragData_Add(list, kind, text);
        MemFree(text);
      }
      if (list->first) {
        TransferList_Queue(list);
      } else {
        TransferList_Delete(list);
      }
    }
    FORMATETC request = FormatOf(kClipFormatFiles);
    STGMEDIUM medium{};
    if (SUCCEEDED(data->GetData(&request, &medium))) {
      if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal)
        QueueDroppedFiles(static_cast<HDROP>(medium.hGlobal));
      ReleaseStgMedium(&medium);
    }
  }
  Highlight(false);
  if (window) DropNotice();
  DragTrack(nullptr, kinds);
  if (effect) *effect = window ? DROPEFFECT_COPY : DROPEFFECT_NONE;
  UiLeave();
  return S_OK;
}

// --- T_DropSource -----------------------------------------------------------------------------

HRESULT T_DropSource::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (SameGuid(iid, IID_IUnknown) || SameGuid(iid, IID_IDropSource)) {
    *object = static_cast<IDropSource*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG T_DropSource::AddRef() { return ++references_; }

ULONG T_DropSource::Release() {
  ULONG count = --references_;
  if (count == 0) delete this;
  return count;
}

HRESULT T_DropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState) {
  if (escapePressed) return DRAGDROP_S_CANCEL;
  if (!(keyState & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
  return S_OK;
}

HRESULT T_DropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

// --- T_DataObject -----------------------------------------------------------------------------

T_DataObject::T_DataObject(const TransferList* list) {
  for (const TransferItem* item = list ? list->first : nullptr; item && count < kDataObjectFormats;
       item = item->next) {
    UINT format = FormatOfKind(item->kind);
    if (!format) continue;
    char* copy = TextBufToBlock(&item->text);
    if (!copy) continue;  // an empty text, or no memory for it: nothing to offer
    kinds[count] = item->kind;
    texts[count] = copy;
    formats[count] = FormatOf(format);
    ++count;
  }
}

T_DataObject::~T_DataObject() {
  for (int32_t i = 0; i < count; ++i) MemFree(texts[i]);
}

HRESULT T_DataObject::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (SameGuid(iid, IID_IUnknown) || SameGuid(iid, IID_IDataObject)) {
    *object = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG T_DataObject::AddRef() { return ++references_; }

ULONG T_DataObject::Release() {
  ULONG count = --references_;
  if (count == 0) delete this;
  return count;
}

int32_t T_DataObject::FindFormat(const FORMATETC* format) const {
  for (int32_t i = 0; i < count; ++i) {
    if ((formats[i].tymed & format->tymed) && formats[i].cfFormat == format->cfFormat &&
        formats[i].dwAspect == format->dwAspect) {
      return i;
    }
  }
  return -1;
}

HRESULT T_DataObject::GetData(FORMATETC* format, STGMEDIUM* medium) {
  if (!format || !medium) return E_INVALIDARG;
  int32_t i = FindFormat(format);
  if (i < 0) return DV_E_FORMATETC;
  // The private format is read back only by the program itself, byte for byte.
  HGLOBAL handle =
      kinds[i] == kTransferText ? TextToHGlobalWithLineEnds(texts[i]) : TextToHGlobal(texts[i]);
  if (!handle) return E_OUTOFMEMORY;
  medium->tymed = formats[i].tymed;
  medium->hGlobal = handle;
  medium->pUnkForRelease = nullptr;
  return S_OK;
}

HRESULT T_DataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return DV_E_FORMATETC; }

HRESULT T_DataObject::QueryGetData(FORMATETC* format) {
  if (!format) return E_INVALIDARG;
  return FindFormat(format) >= 0 ? S_OK : DV_E_FORMATETC;
}

HRESULT T_DataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
  if (out) out->ptd = nullptr;
  return E_NOTIMPL;
}

HRESULT T_DataObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

HRESULT T_DataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) {
  if (!enumerator) return E_INVALIDARG;
  *enumerator = nullptr;
  if (direction != DATADIR_GET) return E_NOTIMPL;
  return SHCreateStdEnumFmtEtc(static_cast<UINT>(count), formats, enumerator);
}

HRESULT T_DataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) {
  return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT T_DataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT T_DataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

// --- Running a drag ---------------------------------------------------------------------------

bool DragRun(HGDIOBJ feedback, const TransferList* list) {
  bool dropped = false;
  // Counted: a receiver may keep the data object after the drag; it then goes with the last
  // reference.
  auto* data = new (std::nothrow) T_DataObject(list);
  auto* source = data ? new (std::nothrow) T_DropSource : nullptr;
  if (source) {
    CursorSet(kArrowCursor);
    DWORD effect = DROPEFFECT_NONE;
    HRESULT result = DoDragDrop(data, source, DROPEFFECT_COPY | DROPEFFECT_LINK, &effect);
    dropped = result == DRAGDROP_S_DROP;
    source->Release();
  }
  if (data) data->Release();
  if (feedback) DeleteObject(feedback);
  return dropped;
}

// --- Registration -----------------------------------------------------------------------------

void DropTargetRegister(T_Window* window) {
  if (!window->native.handle || window->native.dropTarget) return;
  auto* target = new (std::nothrow) T_DropTarget(window);
  if (!target) return;
  if (FAILED(RegisterDragDrop(window->native.handle, target))) {
    target->Release();  // OLE is not running here: the window takes no drops
    return;
  }
  window->native.dropTarget = target;
}

void DropTargetRevoke(T_Window* window) {
  auto* target = static_cast<T_DropTarget*>(window->native.dropTarget);
  if (!target) return;
  window->native.dropTarget = nullptr;
  if (window->native.handle) RevokeDragDrop(window->native.handle);
  target->window = nullptr;
  target->Release();
}

// --- Offered data and dropped files -----------------------------------------------------------

uint32_t OfferedKinds(IDataObject* data) {
  uint32_t offered = 0;
  const struct {
    uint32_t kind;
    UINT format;
  } probes[] = {{kTransferText, kClipFormatText},
                {kTransferPrivate, kClipFormatPrivate},
                {kTransferFile, kClipFormatFiles}};
  for (const auto& probe : probes) {
    FORMATETC request = FormatOf(probe.format);
    if (data->QueryGetData(&request) == S_OK) offered |= probe.kind;
  }
  return offered;
}

void QueueDroppedFiles(HDROP drop) {
  // Wide names: a name outside the system code page or longer than MAX_PATH still opens.
  UINT files = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < files; ++i) {
    UINT length = DragQueryFileW(drop, i, nullptr, 0);
    if (length == 0) continue;
    auto* wide =
        static_cast<wchar_t*>(MemNew((static_cast<int64_t>(length) + 1) * sizeof(wchar_t)));
    if (!wide) return;
    UINT got = DragQueryFileW(drop, i, wide, length + 1);
    wide[got <= length ? got : length] = 0;
    T_TextBuf path;
    TextBufAssignWide(&path, wide);
    MemFree(wide);
    TransferList* list = TransferList_New();
    if (!list) return;
    if (!DragData_AddFile(list, kTransferFile, path.data) || !list->first) {
      TransferList_Delete(list);
      continue;
    }
    TransferList_Queue(list);
  }
}

void DropFilesOnFrame(HDROP drop) {
  T_Application* app = App();
  if (app) {
    POINT point{};
    DragQueryPoint(drop, &point);
    // Windows are placed in the MDI client's coordinates; the drop point is the frame's.
    if (FrameWindow() && MdiClient()) MapWindowPoints(FrameWindow(), MdiClient(), &point, 1);
    UiEnter();
    T_EventHandler* element = app;
    if (T_Window* window = Window_HitTestChild(app, &point))
      element = GrafElement_HitTest(window, &point);
    QueueDroppedFiles(drop);
    DragTrack(element, kTransferFile);
    DropNotice();
    DragTrack(nullptr, kTransferFile);
    SetBusyDeadline();
    UiLeave();
  }
  DragFinish(drop);
}
