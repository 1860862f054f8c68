#pragma once
// Opening a database file into a new database, reading a file of any kind into a database, and
// the dialogs that choose the file. Importing into an open database is T_Base::ImportFile
// (database/base.h), which undoes a failed read (database/read_rollback.h).
//
// Readers by file kind (database/file_kinds.h):
//
//   kind      file                      reader
//   1, 2, 3   block container N, B, U   T_ShifterRead, then the section stream
//   5         text form                 T_HTextRead, then the section stream; files dated before
//                                       2012-11-22 are read in the system code page
//   11        XML command file          the command file reader (database/xml_command_files.h)
//   12        SIE 4                     ImportSie (database/sie_import.h)
//   4         Huffman-coded             T_HuffmanRead (database/huffman_reader.h), then the section
//                                       stream, in the system code page
//   13        other text                none yet: refused with 3813 as a file that cannot be read
//   8, 9, 14  pre-release, third        refused with 3806, 3808 and 3811
//             generation, damaged
//
// A refusal, a damaged file and a cancelled question all end the same way: the pending error
// names the path, the database's error flag and the abort flag are set, and nothing more is read.
// A container that ends without "##End" is damaged like one with a bad block: every container
// the program writes ends with it, and no incomplete save ever replaces a file.
//
// User-interface thread only.
#include <cstdint>

class T_Base;
struct ImportSetup;

// Open flags beside kOpenFlagImport (database/base.h); the flags word of a read stays on the
// database while it runs (T_Base::readFlags).
constexpr int32_t kOpenFlagNoOpenDirect = 4;  // the open-direct commands do not run
constexpr int32_t kOpenFlagErrorFile = 8;     // alerts of the read go to the error file
constexpr int32_t kOpenFlagReuseOpen = 16;    // an open database of the file is the answer

// The database of the file, or null. A file that is open already is returned at once with flag
// 16; otherwise question 4003 asks whether to open a copy ("Cancel" returns the open one). A
// file that cannot be opened gives null with its error pending (605, 608 or 609), as does a
// machine without 64 KB of free memory (600). A read that failed (error flag) is reported here
// and its database deleted; a read stopped with an error other than a failed open keeps what
// was read and leaves the error pending for the caller to report.
T_Base* openDatabase(const char* path, const char* password, int32_t flags);
// Reads the database's own file into it, with the generated-code counters reset.
void readNewDatabase(T_Base* base, const char* password, int32_t flags);
// Reads the file into the database by its kind (see above). Without an import setup the
// database's only one, if it has exactly one, is used. While the file is read the database's
// save options, dimension order and protection are the read's own, and the read state of an
// outer read (kind, version, flags, values per line) is put back afterwards, so an import run
// by a command inside another read leaves that read as it was. A read that is not an import
// leaves the database with the file's kind, version, save kind, compression and password, its
// modified flag clear and the file's last-write time remembered.
void openFileByKind(T_Base* base, const char* path, const char* password, ImportSetup* importSetup,
                    int32_t flags);

// The open-file dialog with the database files; the chosen file goes to openDatabase. Null when
// cancelled or when nothing was opened (the failure is reported).
T_Base* OpenDatabaseDialog();
// The open-file dialog with the import files (text files too when the database has exactly one
// import setup); the chosen file is imported and a failure reported. False when cancelled or
// when the import failed.
bool ImportDialog(T_Base* base);

// The open-direct steps that belong to layers above the engine: the macros marked to run when
// the database opens (the command language) and the editors of the subsets marked to open (the
// subset editor). Missing hooks do nothing; the templates marked open-direct open through the
// template runner. Null puts back the defaults.
struct OpenDirectHooks {
  void (*runMacros)(T_Base* base);
  void (*openSubsetEditors)(T_Base* base);
};
void SetOpenDirectHooks(const OpenDirectHooks* hooks);

// Reading a text file of kind 13 through an import setup, which the text imports above the
// engine bring. Until installed such a file is refused with 3813 like every kind without a
// reader. Null puts back the default.
struct TextImportHooks {
  // Reads the rows into the database's cards; false when the file does not open.
  bool (*importText)(T_Base* base, const char* path, const ImportSetup* setup);
};
void SetTextImportHooks(const TextImportHooks* hooks);
