#pragma once
// Importing a text file into the database's cards through an import setup: the setup and its
// row reader as the engine's card builder sees them (database/card_text_import.h), and the
// installation of the text imports into the engine's seams (opening a text file with a setup,
// the command language's "import -s" and "import -dim").
#include <cstdint>

#include "database/card_text_import.h"
#include "database/import_setups.h"

class RowReader;
class T_Base;

class ImportSetupRows : public CardRowSource {
 public:
  ImportSetupRows(const ImportSetup* setup, RowReader* reader);
  ~ImportSetupRows() override;
  ImportSetupRows(const ImportSetupRows&) = delete;
  ImportSetupRows& operator=(const ImportSetupRows&) = delete;
  const CardImportPlan* Plan() override { return &plan_; }
  bool ReadNextRow() override;
  bool JoinRows(int32_t n) override;
  int64_t RowNumber() override;
  bool IndicatorMatches(int32_t field) override;
  void CardText(int32_t field, T_TextBuf* text) override;
  void CardStamp(int32_t field, SignatureStamp* stamp) override;
  void LineComponentText(int32_t line, int32_t dimension, T_TextBuf* text) override;
  void LineText(int32_t line, T_TextBuf* text) override;
  void ValueText(int32_t line, int32_t column, T_TextBuf* text) override;
  double ParseNumber(const T_TextBuf& text) override;

 private:
  const ImportSetup* setup_;
  RowReader* reader_;
  CardImportPlan plan_;
  const LineDef** lines_ = nullptr;  // plan_.lineCount of them
};

// Reads the file into the database's cards through the setup; false when it does not open.
bool ImportTextFile(T_Base* base, const char* path, const ImportSetup* setup);

// Fills the engine's seams for text imports; called once at start-up.
void InstallTextImports();
