#pragma once
// OLE drag and drop and the files dropped from the shell.
//
// T_DropTarget sits on every native window and turns the drags that pass over it into drag
// tracking of the element under the pointer (transfer_list.h); a drop fills transfer lists that
// wait on the application's queue until the current message is done. T_DataObject and
// T_DropSource exist while the program itself drags (DragRun). WM_DROPFILES on the frame takes
// the same road as a drop.
//
// The drop target is reference counted: the native window holds one reference, OLE and a drag in
// progress may hold more. When the native window goes, the target is revoked and detached from
// its window, so calls that still arrive do nothing, and it is freed with its last reference.
// The data object copies the texts it offers, so that a receiver that keeps it after the drag
// still reads valid data.
//
// User-interface thread only (OLE calls the targets and sources there); reference counts are
// atomic.
#include <ole2.h>
#include <shellapi.h>
#include <windows.h>

#include <atomic>
#include <cstdint>

class T_Window;
struct TransferList;

class T_DropTarget final : public IDropTarget {
 public:
  explicit T_DropTarget(T_Window* window);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point,
                                      DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
  HRESULT STDMETHODCALLTYPE DragLeave() override;
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point,
                                 DWORD* effect) override;

  T_Window* window;         // null once the native window is gone
  uint64_t lastChange = 0;  // when the pointer last moved (milliseconds)
  POINT lastPoint{};        // screen
  uint32_t kinds = 0;       // the transfer kinds the current drag offers

 private:
  ~T_DropTarget() = default;
  void Highlight(bool on);
  std::atomic<ULONG> references_{1};
};

// Counted like the data object (count 1 at construction, freed at the last Release): OLE or a
// hook may keep the source beyond the drag that made it.
class T_DropSource final : public IDropSource {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // Escape cancels; releasing both the left and the right button drops.
  HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
  HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

 private:
  ~T_DropSource() = default;
  std::atomic<ULONG> references_{1};
};

constexpr int32_t kDataObjectFormats = 4;

class T_DataObject final : public IDataObject {
 public:
  // Count 1; the first four text entries of the list (kinds 1 and 2) in list order, copied. The
  // program offers no file lists of its own, so file entries take no place.
  explicit T_DataObject(const TransferList* list);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
  HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
  HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
  HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
  HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
  HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC* format, DWORD flags, IAdviseSink* sink,
                                    DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE DUnadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA** enumerator) override;

  // The index of the first format that matches the request's storage, format and aspect; -1.
  int32_t FindFormat(const FORMATETC* format) const;

  int32_t count = 0;
  uint32_t kinds[kDataObjectFormats] = {};
  char* texts[kDataObjectFormats] = {};  // owned block texts (UTF-8, CR line ends)
  FORMATETC formats[kDataObjectFormats] = {};

 private:
  ~T_DataObject();
  std::atomic<ULONG> references_{1};
};

// Runs a drag of the list's texts (copy or link) and deletes the feedback GDI object; true when
// the drag ended in a drop. The list stays the caller's.
bool DragRun(HGDIOBJ feedback, const TransferList* list);

// Registers a drop target for the window's native window (none when OLE refuses) and revokes it
// again; called by the native-window layer.
void DropTargetRegister(T_Window* window);
void DropTargetRevoke(T_Window* window);

// The transfer kinds a data object offers (texts of kind 1 and 2, files of kind 4).
uint32_t OfferedKinds(IDataObject* data);
// Queues one transfer list per file of the drop list, each with one entry of kind 4 whose path
// is the file name.
void QueueDroppedFiles(HDROP drop);
// WM_DROPFILES of the frame window: the files go to the element under the drop point (the
// application when no window is there) as if dragged there, and the drop is finished.
void DropFilesOnFrame(HDROP drop);
