#pragma once
// CDatabase, the automation object of one open database (IDatabase): opening, importing, saving,
// XML requests, commands and macros, the error file and closing. An object holds at most one
// database; with CloseOnRelease (on for a database it opened) its destruction closes it. A
// database closed by other means lets go of the object (ComBaseHold), which then answers -130.
//
// User-interface thread only.
#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <cstdint>

class CUnknown;
class T_Base;
struct IDatabase;
struct IUnknown;

// The creation function of the class table: accepts an outer unknown (for IUnknown only).
HRESULT CreateDatabaseObject(IUnknown* outer, CUnknown** object);

// Opens the file as IDatabase::OpenFile does, inside a call of the kind (T_ComCall::Kind); the
// database or null, and the error code.
T_Base* OpenDatabaseForCom(BSTR filename, BSTR password, int32_t callKind, int32_t* error);
// Hands the database to a Database object of this server.
void AttachDatabase(IDatabase* object, T_Base* base, bool closeOnRelease);
