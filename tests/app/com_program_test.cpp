// The real program as an automation server, from outside: registered with "/regserver" in the
// build's prefix, driven by this client through CoCreateInstance, the vtables and IDispatch, and
// by VBScript and JScript files through Wine's cscript; it ends when its last client leaves.
// Every registry key the registration touches is saved before the suite and put back after it,
// and each test ends with no server left running.
#include <windows.h>
#include <winsock2.h>
// After windows.h, which they need.
#include <oaidl.h>
#include <ole2.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "com_texts.h"
#include "program_process.h"
#include "qeb_automation.h"
#include "registry_backup.h"
#include "scratch_registry.h"
#include "tests/app/gateway_wire.h"
#include "tests/app/wait_bound.h"
#include "tests/core/streams/loopback_client.h"
#include "tests/core/streams/scratch_folder.h"
#include "tests/source_path.h"

namespace app_test {
namespace {

constexpr const wchar_t* kClassKeys[] = {
    L"CLSID\\{D9F4F8C0-C5FC-4D85-B78A-0D29C6A71CFB}",
    L"CLSID\\{5B10535C-7617-4143-B4A9-CC5A0BAB449D}",
    L"CLSID\\{42F0D0AC-4B1E-47EF-97B1-E4423E383CAB}",
    L"Interface\\{20C1A73B-4869-4B69-AD5E-6BBE33AD5E02}",
    L"Interface\\{E5E52B6D-DAFB-4CF4-B014-D72E49B4CFF3}",
    L"Interface\\{68D8AE5E-DE18-4096-AAAD-58E34BEDE1D6}",
    L"QEB.Application",
    L"QEB.Application.1",
    L"QEB.Database",
    L"QEB.Database.1",
    L"QEB.Dimension",
    L"QEB.Dimension.1",
    L"TypeLib\\{8675CDBC-115E-4028-80B2-71FC7CF74C72}",
};

std::wstring Program() { return WindowsPath(QEB_PROGRAM_PATH); }

std::string ReadFileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs the program with the arguments and waits for its exit code; ends it when the deadline
// passes first. What it would have asked goes to *alerts, never to a dialog nobody answers.
DWORD RunProgram(const std::wstring& arguments, const wait_bound::Deadline& deadline,
                 std::string* alerts) {
  ScratchFolder folder;
  const std::string alertFile = folder / "alerts.txt";
  PROCESS_INFORMATION process{};
  if (!StartProgram(Program(), arguments, kTestDesktop, Widen(alertFile), &process)) {
    *alerts = "not started";
    return 0xFFFFFFFF;
  }
  DWORD code = 0xFFFFFFFF;
  if (deadline.WaitFor(process.hProcess)) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  *alerts = ReadFileText(alertFile);
  return code;
}

std::vector<DWORD> ServerProcesses() {
  std::vector<DWORD> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (_wcsicmp(entry.szExeFile, L"qeb.exe") == 0) found.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return found;
}

// Waits for every server to end; true when none is left before the deadline.
bool ServersGone(const wait_bound::Deadline& deadline) {
  return deadline.Until([] { return ServerProcesses().empty(); });
}

// A client that dies (a failed test) leaves its server running: end it.
void EndServers() {
  for (DWORD id : ServerProcesses()) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    if (!process) continue;
    TerminateProcess(process, 99);
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
  }
}

// Our keys below HKEY_CLASSES_ROOT as "key\subkey\name=value" lines, sorted, with the program's
// path and folder written as <module>.
std::vector<std::string> Registration() {
  std::vector<std::string> lines;
  for (const wchar_t* key : kClassKeys) {
    for (const std::string& line : Dump(HKEY_CLASSES_ROOT, key))
      lines.push_back(Narrow(key) + "\\" + MaskModule(line, Narrow(Program())));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

template <class Interface>
struct Releaser {
  void operator()(Interface* object) const {
    if (object) object->Release();
  }
};
template <class Interface>
using Ref = std::unique_ptr<Interface, Releaser<Interface>>;

// The test's one bound for every wait on the server and the scripts.
wait_bound::Deadline* testDeadline = nullptr;

template <class Interface>
Ref<Interface> Create(const wchar_t* progId, REFIID iid) {
  CLSID classId;
  EXPECT_EQ(CLSIDFromProgID(progId, &classId), S_OK) << Narrow(progId);
  Interface* object = nullptr;
  // On a loaded machine Wine's RPC service may not yet answer when the first local server is
  // asked for; that start is tried again until the test's deadline. Any other failure counts at
  // once.
  HRESULT created = E_FAIL;
  testDeadline->Until([&] {
    created = CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER, iid,
                               reinterpret_cast<void**>(&object));
    return created != HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);
  });
  EXPECT_EQ(created, S_OK) << Narrow(progId);
  return Ref<Interface>(object);
}

// IDispatch late binding: a property or a method by name with the arguments (in order).
HRESULT Call(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> arguments,
             VARIANT* result) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT found = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(found)) return found;
  std::reverse(arguments.begin(), arguments.end());
  DISPPARAMS parameters{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
  DISPID named = DISPID_PROPERTYPUT;
  if (flags == DISPATCH_PROPERTYPUT) {
    parameters.rgdispidNamedArgs = &named;
    parameters.cNamedArgs = 1;
  }
  VariantInit(result);
  return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result, nullptr,
                        nullptr);
}

VARIANT Short(short value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I2;
  v.iVal = value;
  return v;
}

class ComProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::vector<std::pair<HKEY, std::wstring>> keys;
    for (const wchar_t* key : kClassKeys) keys.emplace_back(HKEY_CLASSES_ROOT, key);
    backup_ = new RegistryBackup(keys);
    for (const wchar_t* key : kClassKeys) RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    PrepareVirtualDesktop(kTestDesktop);
    const wait_bound::Deadline deadline;
    std::string alerts;
    ASSERT_EQ(RunProgram(L"/regserver", deadline, &alerts), 0u) << alerts;
    EXPECT_EQ(alerts, "");
  }
  static void TearDownTestSuite() {
    EndServers();
    delete backup_;
    backup_ = nullptr;
  }
  void SetUp() override {
    testDeadline = &deadline_;
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    database_ = folder_ / "Example.qex";
    ASSERT_TRUE(CopyFileW(Widen(TestSourcePath("tests/database/xml/data/fixture.qex")).c_str(),
                          Widen(database_).c_str(), FALSE));
  }
  void TearDown() override {
    CoUninitialize();
    EXPECT_TRUE(ServersGone(deadline_)) << "a server outlived its clients";
    EndServers();
    testDeadline = nullptr;
  }

  Ref<IDatabase> OpenDatabase() {
    Ref<IDatabase> database = Create<IDatabase>(L"QEB.Database", IID_IDatabase);
    long error = 1;
    if (database) {
      EXPECT_EQ(database->OpenFile(Bstr(Widen(database_)), nullptr, &error), S_OK);
    }
    EXPECT_EQ(error, 0);
    return database;
  }

  static inline RegistryBackup* backup_ = nullptr;
  wait_bound::Deadline deadline_;
  ScratchFolder folder_;
  std::string database_;
};

TEST_F(ComProgram, RegistersItsClassesAndTheMarshalerOfItsInterfaces) {
  EXPECT_EQ(Registration(), GoldenLines("tests/app/data/com/program.golden.txt"));
}

TEST_F(ComProgram, EachClassComesByProgIdAndTheVtableAgreesWithDispatch) {
  Ref<IApplication> application = Create<IApplication>(L"QEB.Application", IID_IApplication);
  ASSERT_TRUE(application);
  Bstr version;
  EXPECT_EQ(application->get_Version(version.Out()), S_OK);
  EXPECT_EQ(version.Wide(), L"QEB 5.7");
  VARIANT result;
  ASSERT_EQ(Call(application.get(), L"Version", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  ASSERT_EQ(result.vt, VT_BSTR);
  EXPECT_STREQ(result.bstrVal, L"QEB 5.7");
  VariantClear(&result);
  short visible = 1;
  application->get_Visible(&visible);
  EXPECT_EQ(visible, 0) << "a server started by COM shows nothing";

  Ref<IDimension> lone = Create<IDimension>(L"QEB.Dimension", IID_IDimension);
  ASSERT_TRUE(lone);
  long error = 0;
  lone->Import(Bstr(L"x.txt"), &error);
  EXPECT_EQ(error, -130);

  Ref<IDatabase> database = OpenDatabase();
  ASSERT_TRUE(database);
  ASSERT_EQ(Call(database.get(), L"Name", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_STREQ(result.bstrVal, L"Example.qex");
  VariantClear(&result);
  short count = 0;
  application->get_BaseCount(&count);
  EXPECT_EQ(count, 1);

  IDimension* raw = nullptr;
  ASSERT_EQ(database->GetDim(1, &raw), S_OK);
  Ref<IDimension> dimension(raw);
  const std::wstring name = L"\u00c5sa \u20ac \U0001F600";
  EXPECT_EQ(dimension->put_Singular(Bstr(name)), S_OK);
  Bstr singular;
  dimension->get_Singular(singular.Out());
  EXPECT_EQ(singular.Wide(), name);
  ASSERT_EQ(Call(dimension.get(), L"Singular", DISPATCH_PROPERTYGET, {}, &result), S_OK);
  EXPECT_EQ(std::wstring(result.bstrVal), name);
  VariantClear(&result);
  // The same text through an XML request and its answer.
  Bstr answer;
  database->XML_Command(Bstr(L"<QEB-xml-input><dimensions num=\"1\"/></QEB-xml-input>"),
                        answer.Out());
  EXPECT_NE(answer.Wide().find(L"singular=\"" + name + L"\""), std::wstring::npos)
      << Narrow(answer.Wide());
  // Dispatch refuses what the type library does not know.
  DISPID id = 0;
  LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
  EXPECT_EQ(dimension->GetIDsOfNames(IID_NULL, unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
  VARIANT word;
  VariantInit(&word);
  word.vt = VT_BSTR;
  word.bstrVal = SysAllocString(L"not a number");
  EXPECT_EQ(Call(dimension.get(), L"DimString", DISPATCH_PROPERTYPUT, {word}, &result),
            DISP_E_TYPEMISMATCH);
  VariantClear(&word);
  ASSERT_EQ(Call(dimension.get(), L"DimString", DISPATCH_PROPERTYPUT, {Short(2)}, &result), S_OK);
  short style = 0;
  dimension->get_DimString(&style);
  EXPECT_EQ(style, 2);
}

TEST_F(ComProgram, XmlRequestsGiveTheGoldenAnswers) {
  Ref<IDatabase> database = Create<IDatabase>(L"QEB.Database", IID_IDatabase);
  ASSERT_TRUE(database);
  long error = 1;
  // The requests' own fixture, so that the answers are those of the engine's tests.
  database->OpenFile(Bstr(Widen(database_)), nullptr, &error);
  ASSERT_EQ(error, 0);
  const std::string data = TestSourcePath("tests/database/xml/data");
  for (const char* name : {"version", "dimensions", "components", "empty", "unknown_tag",
                           "version_end_tag", "pending_error"}) {
    std::string request = ReadFileText(data + "\\requests\\" + name + ".xml");
    std::string golden = ReadFileText(data + "\\answers\\" + name + ".xml");
    Bstr answer;
    ASSERT_EQ(database->XML_Command(Bstr(Widen(request)), answer.Out()), S_OK);
    EXPECT_EQ(Narrow(answer.Wide()), golden) << name;
  }
}

// Wine's proxy of a remote class factory answers LockServer with E_NOTIMPL, so the lock is
// driven in-process (com_server_test.cpp); here a live object holds the server instead.
TEST_F(ComProgram, TheServerEndsAfterItsLastClientAndAnActivationAfterItSucceeds) {
  {
    Ref<IApplication> application = Create<IApplication>(L"QEB.Application", IID_IApplication);
    ASSERT_TRUE(application);
    Sleep(3000);
    EXPECT_EQ(ServerProcesses().size(), 1u) << "a live object holds the server";
  }
  EXPECT_TRUE(ServersGone(deadline_));

  for (int i = 0; i < 20; ++i) {
    Ref<IApplication> application = Create<IApplication>(L"QEB.Application", IID_IApplication);
    ASSERT_TRUE(application) << "activation " << i;
    Bstr version;
    EXPECT_EQ(application->get_Version(version.Out()), S_OK) << "activation " << i;
  }
}

// The script prints "N passed, M failed"; cscript's exit code hides runtime errors, so the line
// is what counts.
void RunScript(const std::string& script, const std::string& database, const std::string& saved,
               int checks, const std::wstring& alertFile) {
  std::string output = script + ".out";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE file = CreateFileW(Widen(output).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                            CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::wstring line = L"cscript.exe //nologo \"" + Widen(script) + L"\" \"" + Widen(database) +
                      L"\" \"" + Widen(saved) + L"\"";
  SetEnvironmentVariableW(L"QEB_ALERT_FILE", alertFile.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = file;
  startup.hStdError = file;
  PROCESS_INFORMATION process{};
  BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                &startup, &process);
  SetEnvironmentVariableW(L"QEB_ALERT_FILE", nullptr);
  CloseHandle(file);
  ASSERT_TRUE(started);
  EXPECT_TRUE(testDeadline->WaitFor(process.hProcess)) << script;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  std::string text = ReadFileText(output);
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  EXPECT_NE(text.find(std::to_string(checks) + " passed, 0 failed\n"), std::string::npos)
      << script << ":\n" << text;
}

TEST_F(ComProgram, ScriptsDriveTheServerThroughCscript) {
  std::string alerts = folder_ / "alerts.txt";
  const std::string scripts = TestSourcePath("tests/app/data/com");
  struct Script {
    const char* name;
    int checks;
  } rows[] = {{"drive.vbs", 12}, {"drive.js", 12}};
  for (const Script& row : rows) {
    std::string copy = folder_ / row.name;
    CopyFileW(Widen(scripts + "\\" + row.name).c_str(), Widen(copy).c_str(), FALSE);
    std::string saved = folder_ / (std::string("saved_") + row.name + ".qex");
    RunScript(copy, database_, saved, row.checks, Widen(alerts));
    EXPECT_TRUE(ServersGone(deadline_)) << row.name;
  }
  // Every alert of a call is silent: the servers' alert channel stays empty.
  EXPECT_EQ(ReadFileText(alerts), "");
}

// Web requests and COM calls reach one program: both run on its user-interface thread, one after
// the other, so clients that fetch pages while another loops open, import, save and close all
// get whole pages and codes.
TEST_F(ComProgram, WebClientsAndComCallsShareTheProgram) {
  RegistryBackup prefs({{HKEY_CURRENT_USER, L"Software\\Trelvik\\QEB/TK"}});
  WSADATA winsock;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &winsock), 0);
  const uint16_t port = FreeLoopbackPort();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Trelvik\\QEB/TK", 0, nullptr, 0,
                            KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  for (auto [name, value] : {std::pair<std::wstring, std::wstring>{L"ServeWebQEB", L"+"},
                             {L"WebqebPort", std::to_wstring(port)},
                             {L"Associate", L"-"}}) {
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  RegDeleteValueW(key, L"WebqebAddress");
  RegCloseKey(key);

  Ref<IApplication> application = Create<IApplication>(L"QEB.Application", IID_IApplication);
  ASSERT_TRUE(application);
  const bool listening = deadline_.Until([port] {
    SOCKET probe = ConnectLoopback(port);
    if (probe == INVALID_SOCKET) return false;
    closesocket(probe);
    return true;
  });
  ASSERT_TRUE(listening) << "the server started by COM serves the web";

  const std::string request = gateway_wire::Request("comweb-key", "", "gateway=\"qeb.asp\"");
  constexpr int kClients = 4;
  constexpr int kRequests = 25;
  std::atomic<int> pages{0};
  std::atomic<bool> comDone{false};  // clients go on at least until the COM calls are done
  std::vector<std::string> faults(kClients);
  std::vector<std::thread> clients;
  for (int number = 0; number < kClients; ++number) {
    clients.emplace_back([&, number] {
      bool kept = number % 2 == 0;
      SOCKET connection = INVALID_SOCKET;
      for (int i = 0; (i < kRequests || !comDone) && i < 5000 && faults[number].empty(); ++i) {
        if (connection == INVALID_SOCKET) connection = ConnectLoopback(port);
        std::string page, why;
        if (connection == INVALID_SOCKET) {
          faults[number] = "no connection";
        } else if (!gateway_wire::Exchange(connection, request, &page, &why, deadline_.Left())) {
          faults[number] = why;
        } else if (page.find("</body>") == std::string::npos) {
          faults[number] = "not a whole page: " + page.substr(0, 200);
        } else {
          ++pages;
        }
        if (!kept && connection != INVALID_SOCKET) {
          closesocket(connection);
          connection = INVALID_SOCKET;
        }
      }
      if (connection != INVALID_SOCKET) closesocket(connection);
    });
  }
  const std::string sie = TestSourcePath("tests/database/sie/data/bolag.se");
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    std::string copy = folder_ / ("round" + std::to_string(round) + ".qex");
    ASSERT_TRUE(CopyFileW(Widen(database_).c_str(), Widen(copy).c_str(), FALSE));
    Ref<IDatabase> database = Create<IDatabase>(L"QEB.Database", IID_IDatabase);
    ASSERT_TRUE(database);
    long error = 1;
    EXPECT_EQ(database->OpenFile(Bstr(Widen(copy)), nullptr, &error), S_OK);
    EXPECT_EQ(error, 0);
    error = 1;
    EXPECT_EQ(database->Import(Bstr(Widen(sie)), nullptr, &error), S_OK);
    EXPECT_EQ(error, 0);
    error = 1;
    EXPECT_EQ(database->Save(&error), S_OK);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(database->close(), S_OK);
  }
  comDone = true;
  for (std::thread& client : clients) client.join();
  for (int number = 0; number < kClients; ++number)
    EXPECT_EQ(faults[number], "") << "client " << number;
  EXPECT_GE(pages.load(), kClients * kRequests);

  // Web_Command gives the page the wire gives for the same query, key and settings.
  Bstr viaCom;
  ASSERT_EQ(application->Web_Command(Bstr(L""), Bstr(L"comweb-key"), viaCom.Out()), S_OK);
  SOCKET connection = ConnectLoopback(port);
  std::string viaWire, why;
  ASSERT_TRUE(gateway_wire::Exchange(connection, request, &viaWire, &why, deadline_.Left())) << why;
  closesocket(connection);
  EXPECT_EQ(viaCom.Utf8(), viaWire);
  WSACleanup();
}

TEST_F(ComProgram, UnregisteringRemovesItAll) {
  std::string alerts;
  ASSERT_EQ(RunProgram(L"/unregserver", deadline_, &alerts), 0u) << alerts;
  EXPECT_EQ(Registration(), std::vector<std::string>{});
  ASSERT_EQ(RunProgram(L"/regserver", deadline_, &alerts), 0u) << alerts;
  EXPECT_EQ(Registration(), GoldenLines("tests/app/data/com/program.golden.txt"));
}

}  // namespace
}  // namespace app_test
