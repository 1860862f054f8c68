#pragma once
// The "##Dimension" and "##DimImport" sections: a dimension's options and its component tree.
#include <cstdint>

class T_Base;
class T_IStream;
class T_OStream;
struct BitVector;

// The sections of every dimension the current save options write, in the database's dimension
// order.
void WriteDimensionSections(T_Base* base, T_OStream* stream);
void WriteDimensionSection(T_Base* base, T_OStream* stream, int32_t dimension, int32_t fileNumber,
                           const BitVector* used);
// Readers called by the section dispatcher with the header line current.
void ReadDimensionSection(T_Base* base, T_IStream* stream);
void ReadDimImportSection(T_Base* base, T_IStream* stream);
