#pragma once
// XML command files (file kind 11): instead of sections they carry elements that import files
// into the database and install analysis templates. A file may hold several roots; each is run.
//
//   element      attributes                                 content
//   "QEB-xml"    errors ("off": no reports of unknown tags,  "import" and "template" elements
//                attributes and values for the rest of the
//                file)
//   "import"     file (beside the database's file),         skipped
//                password, setup (an import setup's name;
//                an unknown one is ignored)
//   "template"   name (full path), type (cards, lines,      the template's XML form
//                components), opendirect, calcdirect,
//                zoomdirect, webvisible (each on or off)
//
// Unknown tags, attributes and values are reported with 3900, 3901 and 3902 through the
// read-problem prompt (database/xml_checks.cpp) while the database's XML warnings are on. End
// tags are never unknown tags. What an import read stays in the database however the file goes
// on: a file that ends inside an element keeps everything imported before. An element that is not
// whole installs and imports nothing: a start tag cut off by the end of the input or by the
// token buffer's length, or a "template" element whose end tag never comes.
//
// User-interface thread only, like the database.
#include <cstdint>

class T_Base;
class T_IStream;
struct ImportSetup;

// Reads the file at path into the database. The XML warnings are turned on for the file and put
// back afterwards. False with the pending error (605) when the file cannot be opened.
bool readXmlCommandFile(T_Base* base, const char* path);

// The elements, each with its start tag current. XmlCommandElement runs a root's children up to
// its end tag, the end of the input or the abort flag; the other two read their element through
// its end tag, except a "template" element without a name or a type, whose children are left to
// the root as unknown tags.
void XmlCommandElement(T_Base* base, T_IStream* stream);
void XmlImportElement(T_Base* base, T_IStream* stream);
void XmlTemplateElement(T_Base* base, T_IStream* stream);

// --- Seam ----------------------------------------------------------------------------------------

// Reading a file by its kind belongs to the file layer, which installs it. The default answers
// "not available" (3829 with "import" through the read-problem prompt) and reads nothing.
struct XmlCommandFileServices {
  // Reads the file into the database as an import (flags kOpenFlagImport); its errors set the
  // database's error flag. Nothing read is undone here.
  void (*openFileByKind)(T_Base* base, const char* path, const char* password, ImportSetup* setup,
                         int32_t flags);
};
// Null puts back the default; a null hook keeps it.
void SetXmlCommandFileServices(const XmlCommandFileServices* services);
