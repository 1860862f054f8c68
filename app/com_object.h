#pragma once
// The shape every automation object shares: CUnknown, the reference-counted non-delegating
// unknown of an object that another may aggregate, and T_DualObject, which adds one dual
// interface (IDispatch through the type library plus the vtable methods) and ISupportErrorInfo.
//
// Reference counting: a new object starts at 1 (the creator's reference, which the factory drops
// after querying the interface it hands out). The interfaces delegate QueryInterface, AddRef and
// Release to the controlling unknown: the outer object when aggregated, else the object's own
// non-delegating unknown.
//
// Threads: the user-interface thread only; ComEntry brackets every entry point with
// UiEnter/UiLeave. The counters are atomic only against re-entrant releases.
#include <windows.h>
// After windows.h, which they need.
#include <oaidl.h>
#include <ole2.h>

#include <atomic>

#include "app/com_server.h"
#include "ui/main_loop.h"

// Brackets a COM entry point as every event handler is bracketed.
struct ComEntry {
  ComEntry() { UiEnter(); }
  ~ComEntry() { UiLeave(); }
  ComEntry(const ComEntry&) = delete;
  ComEntry& operator=(const ComEntry&) = delete;
};

// The non-delegating unknown: the same slots as IUnknown, under other names, so that an object
// can be both its own unknown and an inner object whose IUnknown the outer one holds.
struct INondelegatingUnknown {
  virtual HRESULT STDMETHODCALLTYPE NondelegatingQueryInterface(REFIID iid, void** out) = 0;
  virtual ULONG STDMETHODCALLTYPE NondelegatingAddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE NondelegatingRelease() = 0;
};

class CUnknown : public INondelegatingUnknown {
 public:
  // Counts 1 and adds one live object.
  explicit CUnknown(IUnknown* outer);
  CUnknown(const CUnknown&) = delete;
  CUnknown& operator=(const CUnknown&) = delete;

  // IUnknown only; subclasses answer their own interfaces first.
  HRESULT STDMETHODCALLTYPE NondelegatingQueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE NondelegatingAddRef() override;
  // At 0: FinalRelease, then the object is deleted (inside UiEnter/UiLeave).
  ULONG STDMETHODCALLTYPE NondelegatingRelease() override;

  // Deletion: one live object less, then the idle check.
  virtual ~CUnknown();
  virtual HRESULT Init() { return S_OK; }
  // The count back at 1, so that a release during destruction cannot delete the object twice.
  virtual void FinalRelease() { refs_ = 1; }

  IUnknown* Controlling() const { return outer_; }

 private:
  std::atomic<ULONG> refs_{1};
  IUnknown* outer_;
};

template <class Interface, const IID* kIid>
class T_DualObject : public CUnknown, public Interface, public ISupportErrorInfo {
 public:
  explicit T_DualObject(IUnknown* outer) : CUnknown(outer) {}
  ~T_DualObject() override {
    if (typeInfo_) typeInfo_->Release();
  }

  HRESULT Init() override { return LoadTypeLibrary(&typeInfo_, *kIid); }

  HRESULT STDMETHODCALLTYPE NondelegatingQueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IDispatch || iid == *kIid) {
      *out = static_cast<Interface*>(this);
    } else if (iid == IID_ISupportErrorInfo) {
      *out = static_cast<ISupportErrorInfo*>(this);
    } else {
      return CUnknown::NondelegatingQueryInterface(iid, out);
    }
    Controlling()->AddRef();
    return S_OK;
  }

  // IUnknown of both interfaces, through the controlling unknown.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    return Controlling()->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return Controlling()->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return Controlling()->Release(); }

  // IDispatch through the held type information.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    typeInfo_->AddRef();
    *info = typeInfo_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    ComEntry entry;
    return typeInfo_->GetIDsOfNames(names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override {
    ComEntry entry;
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    SetErrorInfo(0, nullptr);
    return typeInfo_->Invoke(static_cast<Interface*>(this), id, flags, parameters, result,
                             exception, argumentError);
  }

  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == *kIid ? S_OK : S_FALSE;
  }

 private:
  ITypeInfo* typeInfo_ = nullptr;
};
