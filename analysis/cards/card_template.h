#pragma once
// T_CardTmpl: the template of the card editor (template kind 10). Beside what every box template
// keeps it holds the editor's column widths and whether the notes open expanded. Its own record
// lines follow the box template's, in this order, each only when it has something to say:
//
//   key    fields                                   meaning
//   "wL"   width                                    line-text column width (not 0)
//   "wV"   one width per value column of the        value column widths, an empty field for 0
//          database, empty for 0
//   "wD"   32 widths, dimensions 0..31, empty for    dimension column widths
//          0 and for dimensions not in use
//   "Nx"                                            the notes open expanded
//
// The record text ends with one empty line. A width field that is not a number, or beyond the
// 24 value columns or 32 dimensions, reads as 0.
//
// User-interface thread only.
#include <cstdint>

#include "database/model_records.h"
#include "database/templates.h"

class T_CardTmpl : public T_BoxTmpl {
 public:
  explicit T_CardTmpl(T_Base* database);
  ~T_CardTmpl() override;

  void SetDefaults() override;
  bool ReadRecord(T_IStream* stream) override;
  void WriteText(T_OStream* stream) override;
  int64_t MemorySize() const override;

  uint32_t dimensionWidths[kDimensionCount] = {};
  uint32_t lineTextWidth = 0;
  uint32_t valueWidths[kMaxValueCount] = {};
  uint8_t openNotes = 0;
};

// The template as a card template, or null.
T_CardTmpl* AsCardTemplate(T_Template* templ);
// The template factory's constructor of kind 10.
T_Template* NewCardTemplate(T_Base* base);
