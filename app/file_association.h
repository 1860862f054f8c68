#pragma once
// The association of the two database file kinds with the program, for the current user only
// (HKEY_CURRENT_USER "Software\Classes\"), so that no administrator is needed:
//
//   key                               default value
//   ".qeb"                            "QEB-Norm"
//   "QEB-Norm"                        "QEB file"
//   "QEB-Norm\DefaultIcon"            <program path>,1
//   "QEB-Norm\shell\open\command"     "<program path>" "%1"
//   ".qex"                            "QEB-Text"
//   "QEB-Text"                        "QEB text file"
//   "QEB-Text\DefaultIcon"            <program path>,2
//   "QEB-Text\shell\open\command"     "<program path>" "%1"
//
// The command quotes both the program and the document: a program folder or a document name
// with blanks ("C:\Program Files\...") must reach the program as one argument each.
//
// User-interface thread only.
#include <windows.h>

// Writes the keys and stores "+" in the preference "Associate". A key refused with access denied
// shows 2903 once per run; other registry failures are silent.
void RegisterFileAssociations();

// Asks to associate the file kinds (2902, captioned "Warning", OK or Cancel, Cancel by default)
// unless ".qeb" has a key of its own already (whatever program it names) or the user declined
// before ("Associate" begins with "-"). OK associates; Cancel, and a run with nobody to answer,
// stores "-".
void CheckFileAssociation();

// Creates (or opens) a key below a root for writing through the seam below. Access denied shows
// 2903 once per run; other failures are silent. The automation server's registration shares it.
LONG CreateRegistryKey(HKEY root, const wchar_t* path, HKEY* key);
// The key's default value (REG_SZ with its NUL), the key created through CreateRegistryKey; a
// refused key is reported, a refused value is not.
void SetRegistryDefault(HKEY root, const wchar_t* path, const wchar_t* value);
// 2903 once per run for a registry call refused with access denied; nothing for other results.
void ReportRegistryFailure(LONG result);

// Tests: creates (or opens) a key below a root for writing; RegCreateKeyExW until replaced. Null
// puts it back. Either way the run counts as one in which 2903 was not shown yet.
using AssociationKeyCreator = LONG (*)(HKEY root, const wchar_t* path, HKEY* key);
void SetAssociationKeyCreator(AssociationKeyCreator creator);
