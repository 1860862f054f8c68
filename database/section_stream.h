#pragma once
// The section stream: the content of every database file, whatever stores its lines (the block
// container, the text form, the older Huffman-coded files, or memory). Lines of TAB-separated
// fields are grouped into sections; each opens with a line whose first field is a tag ("##" and
// a word) and runs to the next line whose first field begins with "##".
//
// Sections in the order of writing, each written only while its flag of the database's current
// save options is on (database/save_options.h), then always the end:
//
//   order  tag                                   flag             records
//   1      "##Characters"                        characters       database/base_sections.h
//   2      "##Protection"                        protection       database/base_sections.h
//   3      "##WebUsers"                          web users        database/stored_object_sections.h
//   4      "##BaseOptions"                       base options     database/base_sections.h
//   5      "##TimeScale", one per time scale     time scales      database/stored_object_sections.h
//   6      "##SaveSetup", one per save setup     save setups      database/stored_object_sections.h
//   7      "##ImportSetup", one per setup        import setups    database/stored_object_sections.h
//   8      "##Macro", one per macro              macros           database/stored_object_sections.h
//   9      "##Dimension", one per dimension,     dimensions       database/dimension_sections.h
//          each followed by its "##DimImport"
//   10     "##Cards"                             cards            database/card_records.h
//   11     "##Subset", one per subset            subsets          database/stored_object_sections.h
//   12     "##Templates"                         templates        database/template_sections.h
//   13     "##Defaults"                          defaults         database/template_sections.h
//   14     "##End"                               always
//
// Read and never written: "##QEB-Text" (the first line of a text form) and "##Commands" (a
// command section, run as it is read: database/commands.h). Tags are matched as prefixes, letter case ignored ("##cardsX" reads as
// "##Cards").
//
// Invariants of reading:
//   1. every section reader starts on its header line (its first field read) and returns with the
//      next "##" line current and rewound, or on some other line it leaves to the dispatcher, or
//      at the end of input;
//   2. the dispatcher never dispatches the same line twice, so a reader that reads nothing
//      cannot hold it in place;
//   3. a line outside any known section is skipped; an unknown tag of three or more characters
//      is reported once (3818) through the read-problem prompt, whose answer may stop the read.
#include <cstdint>

class T_Base;
class T_IStream;
class T_OStream;

// Reads until "##End", the end of input or the abort flag; true when "##End" was found. Unless
// importing, the database's version label first becomes that of the file's date. Without the end
// and without the error flag, the operation log gets "-- reached end of file without end section".
bool readDatabaseSections(T_Base* base, T_IStream* stream);
// Writes the sections the database's current save options ask for (after rebuilding its
// dimension order from them), then "##End". The abort flag is tested after each section: once it
// is set writing stops without "##End" and the answer is false.
bool writeDatabaseSections(T_Base* base, T_OStream* stream);
