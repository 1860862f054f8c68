#pragma once
// The program as an out-of-process automation server: its entries in the registry, the class
// objects it offers while it runs, and when a server nobody looks at ends itself.
//
// Registry entries (below HKEY_CLASSES_ROOT), for each class of the table in com_server.cpp:
//
//   key                                  default value
//   "CLSID\{class}"                      description ("QEB COM Application" ...)
//   "CLSID\{class}\LocalServer32"        "<program path>" (quoted: a folder with blanks)
//   "CLSID\{class}\ProgID"               "QEB.Application.1" ...
//   "CLSID\{class}\VersionIndependentProgID"  "QEB.Application" ...
//   "CLSID\{class}\TypeLib"              {library}
//   "QEB.Application"                    description; "CLSID" {class}, "CurVer" the ProgID
//   "QEB.Application.1"                  description; "CLSID" {class}
//
// plus what RegisterTypeLib writes for the library embedded as the program's resource TYPELIB 1:
// "TypeLib\{library}" and, for each dual interface, "Interface\{iid}" whose ProxyStubClsid32 is
// the type-library marshaler, without which a client's proxy answers E_NOINTERFACE.
//
// Lifetime invariants:
//   1. every COM object counts once in the live objects from construction to destruction, and
//      every LockServer(TRUE) once in the locks until its LockServer(FALSE);
//   2. a server with objects or locks outstanding never asks to quit by itself;
//   3. an embedded server whose last object went quits only after a grace of about 2 s without a
//      new object, and revokes its class objects before it asks to quit, so that a client that
//      activates meanwhile starts a new server instead of reaching a dying one; a refused quit
//      registers them again;
//   4. every entry point of a COM object or factory runs inside UiEnter/UiLeave (com_object.h),
//      so neither a web request nor a handler is under way while it runs.
//
// User-interface thread only: the server is apartment-threaded and its calls arrive through the
// message loop.
#include <windows.h>
// After windows.h, which they need.
#include <oaidl.h>
#include <ole2.h>

#include <cstdint>

class CUnknown;

// Type library and the three classes into the registry ("/regserver", the preferences button);
// UnregisterServer removes them again ("/unregserver"). A key refused with access denied shows
// 2903 once per run (the file associations' rule and seam, app/file_association.h).
void RegisterServer();
void UnregisterServer();

// The class objects while the program runs: false when one could not be registered (the classes
// after it stay unregistered). Revoking is safe to repeat.
bool RegisterClassObjects();
void RevokeClassObjects();

// The type information of one of the automation interfaces: the registered library, else the
// program's own, registered first.
HRESULT LoadTypeLibrary(ITypeInfo** info, REFIID iid);

// A new object of the class as the class factory makes it (init run, the interface queried);
// the objects use it to hand out one another without a trip through the registry.
HRESULT CreateComObject(REFCLSID classId, IUnknown* outer, REFIID iid, void** out);

// Server locks above 0 or live objects.
bool ObjectsOutstanding();
// After the last object went and after a server unlock.
void ServerIdleCheck();
// On every periodic tick of the application: ends the grace of an embedded server, and ends a
// hidden server idle for more than 20 minutes.
void ServerIdleQuit();
// Counters of the objects and locks; ObjectCreated and ObjectDestroyed keep the first (CUnknown).
int32_t LiveObjects();
int32_t ServerLocks();
void ObjectCreated();
void ObjectDestroyed();

// The clock of the idle rules (milliseconds); null puts back the system's tick count.
using ComClock = uint64_t (*)();
void SetComClock(ComClock clock);
constexpr uint64_t kQuitGrace = 2000;
constexpr uint64_t kIdleQuitAfter = 1200000;
// Tests: forgets a pending grace and the idle start.
void ResetServerIdle();
