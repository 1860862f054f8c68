// The automation server in-process: its registry entries (isolated), the class factories and the
// objects' unknowns, the server's lifetime on a test clock, the BSTR input stream and the error
// codes of alerts.
#include <algorithm>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "app/com_calls.h"
#include "com_fixture.h"
#include "core/alert.h"
#include "tests/source_path.h"

namespace app_test {
namespace {

constexpr const wchar_t* kApplicationClass = L"CLSID\\{D9F4F8C0-C5FC-4D85-B78A-0D29C6A71CFB}";

// Everything below HKEY_CLASSES_ROOT but the scratch mark, with the test program's own path and
// folder written as <module>.
std::vector<std::string> ClassesListing() {
  std::vector<std::string> lines = Dump(HKEY_CLASSES_ROOT, L"");
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    if (line != "QEB scratch=<type 4>") kept.push_back(MaskModule(line, Narrow(module)));
  }
  std::sort(kept.begin(), kept.end());
  return kept;
}

TEST_F(ComTest, RegisteringWritesTheClassesAndTheLibraryOnceHoweverOften) {
  SetProgramPathOverride("C:\\Program Files\\QEB\\qeb.exe");
  RegisterServer();
  std::vector<std::string> once = ClassesListing();
  RegisterServer();
  EXPECT_EQ(ClassesListing(), once);
  EXPECT_EQ(once, GoldenLines("tests/app/data/com/classes.golden.txt"));
  EXPECT_EQ(user.asked.size(), 0u);

  UnregisterServer();
  EXPECT_EQ(ClassesListing(), std::vector<std::string>{});
}

TEST_F(ComTest, UnregisteringKeepsAnInProcessServerOfTheSameClass) {
  RegisterServer();
  WriteValue(HKEY_CLASSES_ROOT, std::wstring(kApplicationClass) + L"\\InprocServer32", L"",
             "C:\\other.dll");
  UnregisterServer();
  EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, kApplicationClass, L""), "QEB COM Application");
  EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, std::wstring(kApplicationClass) + L"\\InprocServer32",
                      L""),
            "C:\\other.dll");
  EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, std::wstring(kApplicationClass) + L"\\LocalServer32",
                      L""),
            "<none>");
  EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, L"QEB.Database", L""), "<none>");
}

TEST_F(ComTest, AccessDeniedOnEveryKeyIsShownOnce) {
  SetAssociationKeyCreator([](HKEY, const wchar_t*, HKEY* key) -> LONG {
    *key = nullptr;
    return ERROR_ACCESS_DENIED;
  });
  RegisterServer();
  EXPECT_EQ(user.Messages(), std::vector<int32_t>{2903});
}

// A minimal outer object: it owns the inner unknown and counts its own references.
class Outer : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown) {
      *out = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  ULONG refs = 1;
  IUnknown* inner = nullptr;
};

TEST_F(ComTest, FactoriesMakeTheClassesAndAnswerTheirInterfaces) {
  ASSERT_TRUE(RegisterClassObjects());
  struct Row {
    const CLSID* classId;
    const IID* own;
    bool aggregatable;
  };
  const Row rows[] = {
      {&CLSID_Application, &IID_IApplication, false},
      {&CLSID_database, &IID_IDatabase, true},
      {&CLSID_Dimension, &IID_IDimension, true},
  };
  for (const Row& row : rows) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(CoGetClassObject(*row.classId, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                               reinterpret_cast<void**>(&factory)),
              S_OK);
    IUnknown* object = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, *row.own, reinterpret_cast<void**>(&object)), S_OK);
    for (const IID* iid : {&IID_IUnknown, &IID_IDispatch, row.own, &IID_ISupportErrorInfo}) {
      IUnknown* answer = nullptr;
      EXPECT_EQ(object->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), S_OK);
      if (answer) answer->Release();
    }
    IUnknown* none = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&none)),
              E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    ISupportErrorInfo* errors = nullptr;
    object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&errors));
    ASSERT_NE(errors, nullptr);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(*row.own), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
    errors->Release();
    IDispatch* dispatch = nullptr;
    object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(dispatch->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);
    EXPECT_EQ(info, nullptr);
    EXPECT_EQ(dispatch->Invoke(0, IID_IDispatch, 0, DISPATCH_PROPERTYGET, nullptr, nullptr,
                               nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
    dispatch->Release();
    EXPECT_EQ(object->Release(), 0u);

    // Aggregation: only the Database and Dimension classes, and for IUnknown only.
    Outer outer;
    EXPECT_EQ(factory->CreateInstance(&outer, *row.own, reinterpret_cast<void**>(&object)),
              CLASS_E_NOAGGREGATION);
    HRESULT made =
        factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner));
    EXPECT_EQ(made, row.aggregatable ? S_OK : CLASS_E_NOAGGREGATION);
    if (SUCCEEDED(made)) {
      IDispatch* inner = nullptr;
      ASSERT_EQ(outer.inner->QueryInterface(*row.own, reinterpret_cast<void**>(&inner)), S_OK);
      EXPECT_EQ(outer.refs, 2u);  // the inner interface counts on the outer object
      IUnknown* back = nullptr;
      inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&back));
      EXPECT_EQ(back, &outer);
      back->Release();
      inner->Release();
      EXPECT_EQ(outer.inner->Release(), 0u);
    }
    factory->Release();
  }
  EXPECT_EQ(LiveObjects(), 0);
}

TEST_F(ComTest, AnEmbeddedServerQuitsAfterTheGraceUnlessAnObjectComes) {
  StartApplication();
  ASSERT_TRUE(RegisterClassObjects());
  SetComServerAvailable(true);
  SetEmbedded(true);
  IDispatch* first = Make<IDispatch>(CLSID_Application, IID_IDispatch);
  first->Release();
  now += kQuitGrace - 1;
  ServerIdleQuit();
  EXPECT_FALSE(app->quitRequested);
  // A new object within the grace cancels the quit, and its release starts a new grace.
  IDispatch* second = Make<IDispatch>(CLSID_database, IID_IDispatch);
  now += 10;
  ServerIdleQuit();
  EXPECT_FALSE(app->quitRequested);
  second->Release();
  now += kQuitGrace - 1;
  ServerIdleQuit();
  EXPECT_FALSE(app->quitRequested);
  now += 1;
  ServerIdleQuit();
  EXPECT_TRUE(app->quitRequested);
  // Revoked before the quit: nothing in the program answers an activation any more (in-process
  // lookups only: a local-server lookup would start the registered program).
  IClassFactory* factory = nullptr;
  EXPECT_NE(CoGetClassObject(CLSID_Application, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
}

TEST_F(ComTest, ALockHoldsTheServerUntilItsUnlock) {
  StartApplication();
  ASSERT_TRUE(RegisterClassObjects());
  SetComServerAvailable(true);
  SetEmbedded(true);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(CLSID_Application, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  factory->LockServer(TRUE);
  IDispatch* object = Make<IDispatch>(CLSID_Application, IID_IDispatch);
  object->Release();
  now += 10 * kQuitGrace;
  ServerIdleQuit();
  EXPECT_FALSE(app->quitRequested);
  EXPECT_TRUE(ObjectsOutstanding());
  factory->LockServer(FALSE);
  factory->Release();
  now += kQuitGrace;
  ServerIdleQuit();
  EXPECT_TRUE(app->quitRequested);
}

TEST_F(ComTest, WithoutExitOnReleaseAHiddenServerQuitsAfterTwentyIdleMinutes) {
  StartApplication();
  SetComServerAvailable(true);
  SetFrameVisible(false);
  IApplication* application = Make<IApplication>(CLSID_Application, IID_IApplication);
  application->put_ExitOnRelease(0);
  application->Release();
  now += kIdleQuitAfter;
  ServerIdleQuit();
  EXPECT_FALSE(app->quitRequested) << "not at exactly 20 minutes";
  now += 1;
  ServerIdleQuit();
  EXPECT_TRUE(app->quitRequested);
  SetFrameVisible(true);
}

TEST_F(ComTest, AServerTheUserStartedQuitsOnlyWhenExitOnReleaseIsSet) {
  StartApplication();
  SetFrameVisible(true);  // as the user started it
  SetComServerAvailable(true);
  IApplication* application = Make<IApplication>(CLSID_Application, IID_IApplication);
  application->Release();
  now += 2 * kIdleQuitAfter;
  ServerIdleQuit();
  EXPECT_FALSE(app->quitRequested);
  application = Make<IApplication>(CLSID_Application, IID_IApplication);
  application->Quit();  // sets ExitOnRelease
  application->Release();
  now += kQuitGrace;
  ServerIdleQuit();
  EXPECT_TRUE(app->quitRequested);
}

TEST_F(ComTest, ClosingWithObjectsOutstandingAsksAboutTheConnections) {
  StartApplication();
  SetComServerAvailable(true);
  IApplication* application = Make<IApplication>(CLSID_Application, IID_IApplication);
  user.press[105] = {701};  // Cancel
  EXPECT_FALSE(app->QueryClose(0));
  user.press[105] = {721};  // Quit
  EXPECT_TRUE(app->QueryClose(0));
  EXPECT_EQ(user.Messages(), (std::vector<int32_t>{105, 105}));
  application->Release();
}

TEST(ComStreams, BstrTextReachesTheStreamAsUtf8) {
  struct Case {
    const wchar_t* text;
    int32_t units;  // -1: to the NUL
    const char* bytes;
  };
  const Case cases[] = {
      {L"\u00e9", -1, "\xC3\xA9"},
      {L"\u00c5sa \u20ac", -1, "\xC3\x85sa \xE2\x82\xAC"},
      {L"\U0001F600", -1, "\xF0\x9F\x98\x80"},
      {L"a\xD800z", -1, "a\xEF\xBF\xBDz"},       // an unpaired surrogate
      {L"ab\0cd", 5, "ab"},                      // the text runs to its first NUL
      {nullptr, -1, ""},                         // null counts as empty
  };
  for (const Case& c : cases) {
    BSTR text = c.text ? (c.units < 0 ? SysAllocString(c.text) : SysAllocStringLen(c.text, c.units))
                       : nullptr;
    T_IStreamBSTR stream(text);
    stream.NextLine();
    EXPECT_EQ(std::string(stream.lineStart, stream.lineEnd), c.bytes);
    T_TextBuf buffer;
    TextFromBstr(&buffer, text);
    EXPECT_STREQ(buffer.c_str(), c.bytes);
    SysFreeString(text);
  }
}

TEST(ComErrors, TheSixMessagesAndFailuresGiveTheirCodes) {
  const int32_t messages[][2] = {{600, -101}, {601, -102},  {605, -110}, {606, -111},
                                 {607, -112}, {3814, -120}, {3811, 0},   {0, 0}};
  for (const auto& row : messages) EXPECT_EQ(ComErrorFromAlert(row[0]), row[1]) << row[0];
  struct Call {
    int32_t pending;
    bool failed;
    int32_t code;
  };
  const Call calls[] = {
      {0, false, 0},       {0, true, -100},        {3811, true, -100},
      {605, true, -110},   {3814, false, -120},    {4004, false, 0},  // a warning stepped over
  };
  for (const Call& c : calls) {
    T_ComCall call(T_ComCall::kGuarded);
    if (c.pending) PendingErrorSet(c.pending);
    if (!c.failed && c.pending) {
      // A question answered in passing: the report happens now, the call goes on.
      PendingErrorReport();
      PendingErrorClear();
    }
    EXPECT_EQ(call.Finish(c.failed), c.code) << c.pending;
    EXPECT_FALSE(AbortRequested());
  }
}

}  // namespace
}  // namespace app_test
