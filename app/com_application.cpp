#include "app/com_application.h"

#include "app/com_calls.h"
#include "app/com_database.h"
#include "app/com_object.h"
#include "app/run_application.h"
#include "app/signature.h"
#include "app/web_dispatcher.h"
#include "core/file_stream.h"
#include "core/memory.h"
#include "database/base.h"
#include "qeb_automation.h"
#include "ui/native_window.h"

namespace {

constexpr short kTrue = -1;  // the automation's true, as VARIANT_TRUE

class CApplication : public T_DualObject<IApplication, &IID_IApplication> {
 public:
  CApplication() : T_DualObject(nullptr) {}

  HRESULT STDMETHODCALLTYPE get_Version(BSTR* version) override {
    ComEntry entry;
    *version = BstrResult(kProductTitle);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Visible(short visible) override {
    ComEntry entry;
    if (HWND frame = FrameWindow()) ShowWindow(frame, visible ? SW_SHOW : SW_HIDE);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Visible(short* visible) override {
    ComEntry entry;
    HWND frame = FrameWindow();
    *visible = frame && IsWindowVisible(frame) ? kTrue : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_WindowState(short state) override {
    ComEntry entry;
    HWND frame = FrameWindow();
    if (!frame) return S_OK;
    ShowWindow(frame, state == 1 ? SW_MAXIMIZE : state == 2 ? SW_HIDE : SW_SHOWNORMAL);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_WindowState(short* state) override {
    ComEntry entry;
    HWND frame = FrameWindow();
    *state = !frame || !IsWindowVisible(frame) ? 0 : IsIconic(frame) ? 2 : IsZoomed(frame) ? 1 : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_ExitOnRelease(short exit) override {
    ComEntry entry;
    SetEmbedded(exit != 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ExitOnRelease(short* exit) override {
    ComEntry entry;
    *exit = Embedded() ? kTrue : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Indicators(short visible) override {
    ComEntry entry;
    SetComIndicators(visible != 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Indicators(short* visible) override {
    ComEntry entry;
    *visible = ComIndicators() ? kTrue : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Signature(BSTR signature) override {
    ComEntry entry;
    T_ComCall call(T_ComCall::kSilent);
    T_TextBuf text;
    TextFromBstr(&text, signature);
    SetSignature(text.c_str(), text.length);
    call.Finish(false);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Signature(BSTR* signature) override {
    ComEntry entry;
    *signature = BstrResult(CurrentSignature());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_BaseCount(short* count) override {
    ComEntry entry;
    short n = 0;
    for (T_Base* base = FirstBase(); base; base = base->next) ++n;
    *count = n;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenFile(BSTR filename, BSTR password, VARIANT* database,
                                     long* error) override {
    ComEntry entry;
    if (database) {
      database->vt = VT_DISPATCH;
      database->pdispVal = nullptr;
    }
    int32_t code = 0;
    T_Base* base = OpenDatabaseForCom(filename, password, T_ComCall::kSwitchOnly, &code);
    *error = code;
    if (!base) return S_OK;
    IDatabase* object = nullptr;
    if (FAILED(CreateComObject(CLSID_database, nullptr, IID_IDatabase,
                               reinterpret_cast<void**>(&object)))) {
      // Nobody could ever reach the database: it goes again.
      DeleteBase(base, kCloseSilently);
      return E_FAIL;
    }
    AttachDatabase(object, base, true);
    if (database) {
      database->pdispVal = object;
    } else {
      object->Release();
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Web_Command(BSTR key, BSTR session, BSTR* result) override {
    ComEntry entry;
    T_TextBuf query, client;
    TextFromBstr(&query, key);
    TextFromBstr(&client, session);
    T_OStreamBlock page;
    page.SetNewlineChar(10);
    {
      T_ComCall call(T_ComCall::kSwitchOnly);
      DispatchWebRequest(&page, query.c_str(), client.c_str(), "gateway=\"qeb.asp\"");
      call.Finish(false);
    }
    int64_t length = page.TotalLength();
    uint8_t* bytes = page.Collect();
    *result = BstrResultBytes(reinterpret_cast<const char*>(bytes), bytes ? length : 0);
    MemFree(bytes);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Quit() override {
    ComEntry entry;
    SetEmbedded(true);
    return S_OK;
  }
};

}  // namespace

HRESULT CreateApplicationObject(IUnknown* outer, CUnknown** object) {
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  *object = new (std::nothrow) CApplication;
  return *object ? S_OK : E_OUTOFMEMORY;
}
