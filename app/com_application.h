#pragma once
// CApplication, the automation object of the program itself (IApplication): its version, the
// frame window's visibility and state, the server's lifetime switch, the progress switch, the
// signature, the open databases, and opening a file into a Database object.
//
// User-interface thread only.
#include <windows.h>

class CUnknown;
struct IUnknown;

// The creation function of the class table: refuses an outer unknown (CLASS_E_NOAGGREGATION).
HRESULT CreateApplicationObject(IUnknown* outer, CUnknown** object);
