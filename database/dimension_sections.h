#pragma once
// The "##Dimension" and "##DimImport" sections: a dimension's options and its component tree.
//
//   line             fields                     meaning
//   header           "##Dimension", n           n: the dimension's number in the file, 1 to 32
//   option lines     key beginning with "-"     the dimension options (dimension_options.h)
//   "--"             none                       ends the options; written only when the first
//                                               component's code itself begins with "-"
//   component lines  code, text, host code      one per component, each before its children,
//                                               children in sibling order
//   empty line                                  ends the section
//
// A dimension with an import setup is followed by its "##DimImport" section under the same
// file number. File numbers are positions in the database's dimension order plus 1, so a file
// read back numbers its dimensions by position.
#include <cstdint>

class T_Base;
class T_IStream;
class T_OStream;
struct BitVector;

// The sections of every dimension the current save options write: for each position of the
// database's dimension order (rebuilt from the save options before a save; an order never built
// counts as every dimension at its own position), its dimension when that is in use and its save
// mode is not "none". Stops when the abort flag is set.
void WriteDimensionSections(T_Base* base, T_OStream* stream);
// One dimension under the file number. The components used by what else the save writes
// (templates, subsets) come in used (may be null); save modes "active" and "in use" add them to
// the components the cards use.
void WriteDimensionSection(T_Base* base, T_OStream* stream, int32_t dimension, int32_t fileNumber,
                           const BitVector* used);
// The component lines of the dimension: all of them, or those in use (mode "in use") and also
// their ancestors (mode "active"). In use are the components the cards refer to and those of the
// set (may be null). A first code beginning with "-" is preceded by "--". Each line adds 64
// steps to the progress; stops when the abort flag is set.
void WriteAllComponents(T_Base* base, T_OStream* stream, int32_t dimension);
void WriteUsedComponents(T_Base* base, T_OStream* stream, int32_t dimension, int32_t mode,
                         const BitVector* used);

// Readers called by the section dispatcher with the header line current. Each leaves current
// the line that ended its section: a "##" line, or after a number outside 1 to 32 the line
// after the header (which the dispatcher steps over).
void ReadDimensionSection(T_Base* base, T_IStream* stream);
void ReadDimImportSection(T_Base* base, T_IStream* stream);

// Code 11 for every dimension whose components changed since its last note.
void SendPendingDimensionNotes(T_Base* base);
