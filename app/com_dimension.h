#pragma once
// CDimension, the automation object of one dimension of an open database (IDimension): its names
// and display style, its component counts, and its component lists as text. A closed database
// lets go of the object, which then answers -130 and its properties' defaults.
//
// User-interface thread only.
#include <windows.h>

#include <cstdint>

class CUnknown;
class T_Base;
struct IDimension;
struct IUnknown;

// The creation function of the class table: accepts an outer unknown (for IUnknown only).
HRESULT CreateDimensionObject(IUnknown* outer, CUnknown** object);

// Points a Dimension object of this server at dimension index (0 to 31) of the database.
void AttachDimension(IDimension* object, T_Base* base, int32_t index);
