#include "app/com_database.h"

#include <new>

#include "app/com_calls.h"
#include "app/com_dimension.h"
#include "app/com_object.h"
#include "core/criteria.h"
#include "core/file_stream.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/change_notes.h"
#include "database/file_kinds.h"
#include "database/macros.h"
#include "database/opening.h"
#include "database/operation_log.h"
#include "database/protection.h"
#include "database/save_options.h"
#include "database/saving.h"
#include "database/stored_object_holders.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "database/xml_requests.h"
#include "qeb_automation.h"

namespace {

constexpr short kTrue = -1;
// Open flags of an automation read: no open-direct commands, alerts to the error file.
constexpr int32_t kComOpenFlags = kOpenFlagNoOpenDirect | kOpenFlagErrorFile;
constexpr const char* kCommandOrigin = "VB";

// The password argument, or null for none (an empty password asks nobody).
const char* PasswordOrNull(const T_TextBuf& password) {
  return password.empty() ? nullptr : password.c_str();
}

class CDatabase : public T_DualObject<IDatabase, &IID_IDatabase> {
 public:
  explicit CDatabase(IUnknown* outer) : T_DualObject(outer) {}
  ~CDatabase() override { Detach(); }

  void Attach(T_Base* base, bool closeOnRelease) {
    hold_.base = base;
    closeOnRelease_ = closeOnRelease;
  }

  HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    *name = BstrResult(base && base->path ? PathFindName(base->path->c_str()) : "");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Password(BSTR password) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    if (!base || !base->protection) return S_OK;
    T_TextBuf text;
    PasswordFromBstr(&text, password);
    SetProtectionPassword(base->protection, text.c_str());
    TextBufWipe(&text);
    base->NotifyCode(kChangePassword);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Password(BSTR* password) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    T_TextBuf text;
    if (base && base->protection) GetProtectionPassword(base->protection, &text);
    *password = BstrResult(text.c_str());
    TextBufWipe(&text);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_CloseOnRelease(short close) override {
    ComEntry entry;
    closeOnRelease_ = close != 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_CloseOnRelease(short* close) override {
    ComEntry entry;
    *close = closeOnRelease_ ? kTrue : 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDim(short number, IDimension** dimension) override {
    ComEntry entry;
    *dimension = nullptr;
    if (!hold_.base || number < 1 || number > kDimensionCount) return E_FAIL;
    if (FAILED(CreateComObject(CLSID_Dimension, nullptr, IID_IDimension,
                               reinterpret_cast<void**>(dimension))))
      return E_FAIL;
    AttachDimension(*dimension, hold_.base, number - 1);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetBase(short index, long* error) override {
    ComEntry entry;
    // The index is checked before anything is let go: a wrong one must not discard the
    // caller's database.
    if (!NthBase(index)) {
      *error = kComErrorBaseInvalid;
      return S_OK;
    }
    Detach();
    T_Base* base = NthBase(index);
    Attach(base, false);
    *error = base ? kComErrorNone : kComErrorBaseInvalid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OpenFile(BSTR filename, BSTR password, long* error) override {
    ComEntry entry;
    Detach();
    int32_t code = 0;
    T_Base* base = OpenDatabaseForCom(filename, password, T_ComCall::kGuarded, &code);
    Attach(base, true);
    *error = code;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Import(BSTR filename, BSTR password, long* error) override {
    ComEntry entry;
    if (!hold_.base) return Invalid(error);
    T_TextBuf path, secret;
    ResolvePath(filename, &path);
    PasswordFromBstr(&secret, password);
    *error = GuardedImport(path.c_str(), PasswordOrNull(secret), nullptr);
    TextBufWipe(&secret);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ImportWithSetup(BSTR filename, BSTR setupName, long* error) override {
    ComEntry entry;
    if (!hold_.base) return Invalid(error);
    ImportSetup* setup = FindSetup(setupName);
    if (!setup) {
      *error = kComErrorNoImportSetup;
      return S_OK;
    }
    T_TextBuf path;
    ResolvePath(filename, &path);
    *error = GuardedImport(path.c_str(), nullptr, setup);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ImportText(BSTR text, long* error) override {
    ComEntry entry;
    if (!hold_.base) return Invalid(error);
    *error = ImportThroughFile(text, nullptr);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ImportTrans(BSTR data, BSTR setupName, long* error) override {
    ComEntry entry;
    if (!hold_.base) return Invalid(error);
    if (!data) {
      *error = kComErrorInvalidParameter;
      return S_OK;
    }
    ImportSetup* setup = FindSetup(setupName);
    *error = setup ? ImportThroughFile(data, setup) : kComErrorNoImportSetup;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Save(long* error) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    if (!base) return Invalid(error);
    // An untitled database would ask for a name with the save dialog, which nobody sees.
    if (base->untitledNumber != 0 || !base->path || base->path->empty()) {
      *error = kComErrorGeneral;
      return S_OK;
    }
    T_ComCall call(T_ComCall::kGuarded);
    bool saved = SaveDatabase(base);
    *error = call.Finish(!saved || FailedRead(base));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SaveAs(BSTR filename, BSTR optionText, long* error) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    if (!base) return Invalid(error);
    T_TextBuf path, words;
    ResolvePath(filename, &path);
    TextFromBstr(&words, optionText);
    if (path.empty()) {
      *error = kComErrorInvalidParameter;
      return S_OK;
    }
    SaveOptions options;
    SaveOptionsInit(&options, base);
    SaveOptionsFromBase(&options, base);
    FileKindFromExtension(&options, path.c_str());
    bool valid = ApplySaveOptions(&options, words.c_str());
    if (valid) {
      T_ComCall call(T_ComCall::kGuarded);
      bool saved = words.empty() ? SaveDatabaseTo(base, path.c_str(), nullptr)
                                 : SaveDatabaseTo(base, path.c_str(), &options);
      *error = call.Finish(!saved || FailedRead(base));
    } else {
      *error = kComErrorInvalidParameter;
    }
    SaveOptionsFree(&options);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE XML_Command(BSTR request, BSTR* answer) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    if (!base) {
      *answer = BstrResult("<error>no database</error>");
      return S_OK;
    }
    T_ComCall call(T_ComCall::kSilent);
    T_IStreamBSTR input(request);
    T_OStream output;
    runXmlRequest(base, &output, &input);
    call.Finish(false);
    *answer = BstrResultBytes(reinterpret_cast<const char*>(output.start),
                              output.BufferedLength());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE MacroCall(BSTR name, long* error) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    if (!base) return Invalid(error);
    T_TextBuf text;
    TextFromBstr(&text, name);
    Macro* macro = base->FindMacro(text.c_str());
    if (!macro) {
      *error = kComErrorNotFound;
      return S_OK;
    }
    T_ComCall call(T_ComCall::kSwitchOnly);
    RunMacro(macro);
    call.Finish(false);
    *error = kComErrorNone;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE MacroCommand(BSTR commands, long* error) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    if (!base) return Invalid(error);
    T_TextBuf text;
    TextFromBstr(&text, commands);
    T_ComCall call(T_ComCall::kSwitchOnly);
    base->RunCommandText(text.c_str(), kCommandOrigin);
    call.Finish(false);
    *error = kComErrorNone;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE TemplateList(BSTR rootName, BSTR filter, BSTR* text) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    if (!base) {
      *text = BstrResult("");
      return S_OK;
    }
    T_TextBuf root, filterText;
    TextFromBstr(&root, rootName);
    TextFromBstr(&filterText, filter);
    CriteriaPattern pattern;
    Criteria_Init(&pattern);
    Criteria_Compile(&pattern, &filterText, -1, false);
    T_ComCall call(T_ComCall::kSilent);
    T_OStream output;
    ListTemplates(base, &output, root.empty() ? nullptr : root.c_str(), &pattern);
    call.Finish(false);
    MemFreeHeld(&pattern);
    *text = BstrResultBytes(reinterpret_cast<const char*>(output.start), output.BufferedLength());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Export(BSTR templateName, BSTR* text) override {
    ComEntry entry;
    T_OStreamBlock out;
    if (T_Base* base = hold_.base) {
      T_TextBuf path;
      TextFromBstr(&path, templateName);
      T_ComCall call(T_ComCall::kSilent);
      // A folder, or a template whose window cannot be opened, gives an empty text.
      T_Template* templ = FindTemplate(base, path.c_str());
      if (templ && templ->kind != kTemplateFolder && !templ->firstChild)
        WriteTemplateWindowText(templ, &out, 0);
      call.Finish(false);
    }
    int64_t length = out.TotalLength();
    uint8_t* bytes = out.Collect();
    *text = BstrResultBytes(reinterpret_cast<const char*>(bytes), bytes ? length : 0);
    MemFree(bytes);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ErrorFile(BSTR filename) override {
    ComEntry entry;
    T_Base* base = hold_.base;
    if (!base) return S_OK;
    T_TextBuf name;
    TextFromBstr(&name, filename);
    OpenErrorLog(base, name.c_str(), StrFindNoCase(name.c_str(), "verbose") >= 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE close() override {
    ComEntry entry;
    if (hold_.base) {
      T_ComCall call(T_ComCall::kSilent);
      DeleteBase(hold_.base, kCloseSilently);  // a closed database lets go of the hold
      call.Finish(false);
    }
    return S_OK;
  }

 private:
  static HRESULT Invalid(long* error) {
    *error = kComErrorBaseInvalid;
    return S_OK;
  }
  static T_Base* NthBase(int32_t index) {
    if (index < 1) return nullptr;
    T_Base* base = FirstBase();
    for (int32_t i = 1; base && i < index; ++i) base = base->next;
    return base;
  }
  static bool FailedRead(const T_Base* base) { return base->errorFlag != 0; }

  void Detach() {
    T_Base* base = hold_.base;
    hold_.base = nullptr;
    if (base && closeOnRelease_) {
      T_ComCall call(T_ComCall::kSilent);
      DeleteBase(base, kCloseSilently);
      call.Finish(false);
    }
  }
  // Relative to the folder of the database's file.
  void ResolvePath(BSTR name, T_TextBuf* path) {
    T_TextBuf text;
    TextFromBstr(&text, name);
    if (text.empty()) {
      TextBufTruncate(path, 0);
      return;
    }
    PathResolve(path, text.c_str(), hold_.base->path ? hold_.base->path->c_str() : "");
  }
  ImportSetup* FindSetup(BSTR name) {
    T_TextBuf text;
    TextFromBstr(&text, name);
    return FindImportSetup(hold_.base, text.c_str());
  }
  int32_t GuardedImport(const char* path, const char* password, ImportSetup* setup) {
    T_ComCall call(T_ComCall::kGuarded);
    bool imported = hold_.base->ImportFile(path, password, setup, kComOpenFlags);
    return call.Finish(!imported);
  }
  // The text through a temporary file ("qeb..."), which goes again after the import.
  int32_t ImportThroughFile(BSTR text, ImportSetup* setup) {
    if (!text) return kComErrorInvalidParameter;
    if (!*text) return kComErrorNone;
    T_TextBuf path;
    MakeTempFileName(&path);
    if (path.empty() || !WriteBstrToFile(path.c_str(), text)) {
      if (!path.empty()) FileDelete(path.c_str());
      return kComErrorMissingResource;
    }
    int32_t code = GuardedImport(path.c_str(), nullptr, setup);
    FileDelete(path.c_str());
    return code;
  }
  // Blank-separated letter options of the save command, each with or without its "-".
  static bool ApplySaveOptions(SaveOptions* options, const char* text) {
    const char* p = text;
    while (*p) {
      while (*p == ' ') ++p;
      const char* start = p;
      while (*p && *p != ' ') ++p;
      int32_t length = static_cast<int32_t>(p - start);
      if (length == 0) break;
      if (!ParseSaveOption(options, start, length) &&
          !(length > 1 && start[0] == '-' && ParseSaveOption(options, start + 1, length - 1)))
        return false;
    }
    return true;
  }

  ComBaseHold hold_;
  bool closeOnRelease_ = true;
};

}  // namespace

HRESULT CreateDatabaseObject(IUnknown* outer, CUnknown** object) {
  *object = new (std::nothrow) CDatabase(outer);
  return *object ? S_OK : E_OUTOFMEMORY;
}

T_Base* OpenDatabaseForCom(BSTR filename, BSTR password, int32_t callKind, int32_t* error) {
  T_TextBuf name, path, secret;
  TextFromBstr(&name, filename);
  if (name.empty()) {
    *error = -110;  // errOpeningFile: there is no file to open
    return nullptr;
  }
  PathAssign(&path, name.c_str());
  PasswordFromBstr(&secret, password);
  T_ComCall call(static_cast<T_ComCall::Kind>(callKind));
  T_Base* base = openDatabase(path.c_str(), PasswordOrNull(secret), kComOpenFlags);
  TextBufWipe(&secret);
  *error = call.Finish(!base || base->errorFlag);
  return base;
}

void AttachDatabase(IDatabase* object, T_Base* base, bool closeOnRelease) {
  static_cast<CDatabase*>(object)->Attach(base, closeOnRelease);
}
