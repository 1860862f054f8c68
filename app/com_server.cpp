#include "app/com_server.h"

#include <string>

#include "app/com_application.h"
#include "app/com_database.h"
#include "app/com_dimension.h"
#include "app/com_object.h"
#include "app/file_association.h"
#include "app/program_location.h"
#include "app/run_application.h"
#include "core/files.h"
#include "core/threads.h"
#include "qeb_automation.h"
#include "ui/application.h"
#include "ui/native_window.h"

namespace {

using CreateFunction = HRESULT (*)(IUnknown* outer, CUnknown** object);

struct ClassRow {
  const CLSID* classId;
  CreateFunction create;
  const wchar_t* description;
  const wchar_t* independentProgId;
  const wchar_t* progId;
  IClassFactory* factory;
  DWORD cookie;
};

ClassRow classes[] = {
    {&CLSID_Application, CreateApplicationObject, L"QEB COM Application", L"QEB.Application",
     L"QEB.Application.1", nullptr, 0},
    {&CLSID_database, CreateDatabaseObject, L"QEB COM Database", L"QEB.Database",
     L"QEB.Database.1", nullptr, 0},
    {&CLSID_Dimension, CreateDimensionObject, L"QEB COM Dimension", L"QEB.Dimension",
     L"QEB.Dimension.1", nullptr, 0},
};

std::atomic<int32_t> liveObjects{0};
std::atomic<int32_t> serverLocks{0};
uint64_t idleStart = 0;  // 0: not idle
uint64_t quitDue = 0;    // the end of an embedded server's grace; 0: none
UINT_PTR graceTimer = 0;
ComClock clockSeam = nullptr;

uint64_t Now() { return clockSeam ? clockSeam() : TickCount(); }

std::wstring GuidText(REFGUID id) {
  wchar_t text[40];
  StringFromGUID2(id, text, 40);
  return text;
}

std::wstring ModuleFile() {
  wchar_t path[MAX_PATH + 1];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH + 1);
  return std::wstring(path, n);
}

void SetDefault(const std::wstring& path, const std::wstring& value) {
  SetRegistryDefault(HKEY_CLASSES_ROOT, path.c_str(), value.c_str());
}

HRESULT RegisterLibrary(ITypeLib** library) {
  std::wstring path = ModuleFile() + L"\\1";
  HRESULT result = LoadTypeLib(path.c_str(), library);
  if (FAILED(result)) return result;
  result = RegisterTypeLib(*library, path.data(), nullptr);
  if (FAILED(result)) {
    (*library)->Release();
    *library = nullptr;
  }
  return result;
}

// A missing key is no failure; a refused one is reported (2903 once) and ends the walk.
LONG DeleteTree(HKEY parent, const std::wstring& path) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExW(parent, path.c_str(), 0, KEY_ALL_ACCESS, &key);
  if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (result != ERROR_SUCCESS) {
    ReportRegistryFailure(result);
    return result;
  }
  for (;;) {
    wchar_t name[257];
    DWORD length = 257;
    if (RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    result = DeleteTree(key, name);
    if (result != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return result;
  return RegDeleteKeyW(parent, path.c_str());
}

bool KeyExists(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// --- Class factory ------------------------------------------------------------------------------

class T_Factory : public IClassFactory {
 public:
  explicit T_Factory(const ClassRow* row) : row_(row) {}
  virtual ~T_Factory() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    ComEntry entry;
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    return CreateComObject(*row_->classId, outer, iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    ComEntry entry;
    idleStart = 0;
    if (lock) {
      ++serverLocks;
      quitDue = 0;
    } else {
      --serverLocks;
      ServerIdleCheck();
    }
    return S_OK;
  }

 private:
  std::atomic<ULONG> refs_{1};
  const ClassRow* row_;
};

void StopGraceTimer() {
  if (graceTimer) KillTimer(nullptr, graceTimer);
  graceTimer = 0;
}

// Revokes the class objects and asks to quit; a refused quit offers them again.
void QuitServer() {
  quitDue = 0;
  idleStart = 0;
  StopGraceTimer();
  T_Application* app = App();
  if (!app) return;
  RevokeClassObjects();
  Application_RequestQuit(app, 3);
  if (!app->quitRequested) RegisterClassObjects();
}

}  // namespace

// --- Registration -------------------------------------------------------------------------------

void RegisterServer() {
  ITypeLib* library = nullptr;
  if (SUCCEEDED(RegisterLibrary(&library))) library->Release();
  T_TextBuf program;
  ProgramFilePath(&program);
  std::wstring server = L"\"" + WidePathText(program.c_str()) + L"\"";
  std::wstring libraryId = GuidText(LIBID_QEB);
  for (const ClassRow& row : classes) {
    std::wstring classKey = L"CLSID\\" + GuidText(*row.classId);
    SetDefault(classKey, row.description);
    SetDefault(classKey + L"\\LocalServer32", server);
    SetDefault(classKey + L"\\ProgID", row.progId);
    SetDefault(classKey + L"\\VersionIndependentProgID", row.independentProgId);
    SetDefault(classKey + L"\\TypeLib", libraryId);
    std::wstring independent = row.independentProgId;
    SetDefault(independent, row.description);
    SetDefault(independent + L"\\CLSID", GuidText(*row.classId));
    SetDefault(independent + L"\\CurVer", row.progId);
    std::wstring progId = row.progId;
    SetDefault(progId, row.description);
    SetDefault(progId + L"\\CLSID", GuidText(*row.classId));
  }
}

void UnregisterServer() {
  for (const ClassRow& row : classes) {
    std::wstring classKey = L"CLSID\\" + GuidText(*row.classId);
    if (KeyExists(classKey + L"\\InprocServer32")) {
      DeleteTree(HKEY_CLASSES_ROOT, classKey + L"\\LocalServer32");
    } else {
      DeleteTree(HKEY_CLASSES_ROOT, classKey);
      DeleteTree(HKEY_CLASSES_ROOT, row.progId);
      DeleteTree(HKEY_CLASSES_ROOT, row.independentProgId);
    }
  }
  // The interfaces' keys go with the library: left behind they would name a marshaler for a
  // library that is gone.
  UnRegisterTypeLib(LIBID_QEB, 1, 0, 0, SYS_WIN64);
  DeleteTree(HKEY_CLASSES_ROOT, L"TypeLib\\" + GuidText(LIBID_QEB));
}

// --- Class objects ------------------------------------------------------------------------------

bool RegisterClassObjects() {
  for (ClassRow& row : classes) {
    if (row.factory) row.factory->Release();
    row.factory = nullptr;
    row.cookie = 0;
  }
  for (ClassRow& row : classes) {
    auto* factory = new T_Factory(&row);
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(*row.classId, factory, CLSCTX_LOCAL_SERVER,
                                     REGCLS_MULTIPLEUSE, &cookie))) {
      factory->Release();
      return false;
    }
    row.factory = factory;
    row.cookie = cookie;
  }
  // A server that a client started and then never used must not stay for ever: the idle rule
  // counts from here until the first object.
  if (!ObjectsOutstanding() && !idleStart) idleStart = Now();
  return true;
}

void RevokeClassObjects() {
  for (ClassRow& row : classes) {
    if (row.cookie) CoRevokeClassObject(row.cookie);
    if (row.factory) row.factory->Release();
    row.cookie = 0;
    row.factory = nullptr;
  }
}

HRESULT LoadTypeLibrary(ITypeInfo** info, REFIID iid) {
  if (*info) return S_OK;
  ITypeLib* library = nullptr;
  if (FAILED(LoadRegTypeLib(LIBID_QEB, 1, 0, 0, &library))) {
    HRESULT result = RegisterLibrary(&library);
    if (FAILED(result)) return result;
  }
  HRESULT result = library->GetTypeInfoOfGuid(iid, info);
  library->Release();
  return result;
}

HRESULT CreateComObject(REFCLSID classId, IUnknown* outer, REFIID iid, void** out) {
  *out = nullptr;
  for (const ClassRow& row : classes) {
    if (*row.classId != classId) continue;
    CUnknown* object = nullptr;
    HRESULT result = row.create(outer, &object);
    if (FAILED(result)) return result;
    result = object->Init();
    if (SUCCEEDED(result)) result = object->NondelegatingQueryInterface(iid, out);
    object->NondelegatingRelease();
    return result;
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

// --- Lifetime -----------------------------------------------------------------------------------

bool ObjectsOutstanding() { return serverLocks > 0 || liveObjects != 0; }
int32_t LiveObjects() { return liveObjects; }
int32_t ServerLocks() { return serverLocks; }

void ObjectCreated() {
  ++liveObjects;
  quitDue = 0;
  idleStart = 0;
}

void ObjectDestroyed() {
  --liveObjects;
  ServerIdleCheck();
}

void ServerIdleCheck() {
  if (ObjectsOutstanding()) return;
  if (Embedded()) {
    // The ticks come with messages: a timer keeps them coming while the grace runs.
    quitDue = Now() + kQuitGrace;
    if (!graceTimer) graceTimer = SetTimer(nullptr, 0, 250, nullptr);
  } else {
    idleStart = Now();
  }
}

void ServerIdleQuit() {
  if (ObjectsOutstanding()) {
    quitDue = 0;
    idleStart = 0;
    StopGraceTimer();
    return;
  }
  uint64_t now = Now();
  if (quitDue && now >= quitDue) {
    QuitServer();
  } else if (ComServerAvailable() && idleStart && !FrameVisible() &&
             now - idleStart > kIdleQuitAfter) {
    QuitServer();
  }
}

void SetComClock(ComClock replacement) { clockSeam = replacement; }

void ResetServerIdle() {
  quitDue = 0;
  idleStart = 0;
  StopGraceTimer();
}

// --- CUnknown -----------------------------------------------------------------------------------

CUnknown::CUnknown(IUnknown* outer)
    : outer_(outer ? outer
                   : reinterpret_cast<IUnknown*>(static_cast<INondelegatingUnknown*>(this))) {
  ObjectCreated();
}

CUnknown::~CUnknown() { ObjectDestroyed(); }

HRESULT STDMETHODCALLTYPE CUnknown::NondelegatingQueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IUnknown) {
    *out = static_cast<INondelegatingUnknown*>(this);
    NondelegatingAddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NondelegatingAddRef() { return ++refs_; }

ULONG STDMETHODCALLTYPE CUnknown::NondelegatingRelease() {
  ULONG left = --refs_;
  if (left == 0) {
    ComEntry entry;
    FinalRelease();
    delete this;
  }
  return left;
}
