#include "import/setup_import.h"

#include <new>

#include "core/alert.h"
#include "database/base.h"
#include "database/commands.h"
#include "database/opening.h"
#include "database/object_services.h"
#include "editors/dimension_editor.h"
#include "editors/editor_questions.h"
#include "import/dim_import_editor.h"
#include "import/dimension_editor_import.h"
#include "import/dimension_import.h"
#include "import/imp_setup_editor.h"
#include "import/import_fields.h"
#include "import/row_reader.h"

ImportSetupRows::ImportSetupRows(const ImportSetup* setup, RowReader* reader)
    : setup_(setup), reader_(reader) {
  plan_.headerRows = static_cast<int32_t>(setup->format.rowsToSkip);
  plan_.rowsPerCard = static_cast<int32_t>(setup->rowsPerCard);
  plan_.rowsPerLine = static_cast<int32_t>(setup->rowsPerLine);
  plan_.dateFormat = static_cast<int32_t>(setup->dateFormat);
  TextBufAssignBuf(&plan_.defaultDate, &setup->cardFields[kImportDate].text.text);
  int32_t count = 0;
  for (const LineDef* line = setup->lines; line != nullptr; line = line->next) ++count;
  plan_.lines = new (std::nothrow) CardImportLine[count > 0 ? count : 1];
  lines_ = new (std::nothrow) const LineDef*[count > 0 ? count : 1];
  if (plan_.lines == nullptr || lines_ == nullptr) {
    PendingErrorOutOfMemory();
    return;  // no line definitions: no lines
  }
  plan_.lineCount = count;
  int32_t index = 0;
  for (const LineDef* line = setup->lines; line != nullptr; line = line->next, ++index) {
    lines_[index] = line;
    CardImportLine& out = plan_.lines[index];
    for (int32_t d = 0; d < kImportDimensions; ++d) {
      out.dimensionSet[d] = line->dimensions[d].IsSet();
      out.matchBy[d] = line->matchBy[d];
      out.newComponents[d] = line->newComponents[d];
      out.zeroFill[d] = line->zeroFill[d];
      TextBufAssignBuf(&out.defaultCode[d], &line->dimensions[d].text.text);
    }
    for (int32_t c = 0; c < kImportValues; ++c) {
      out.valueSet[c] = line->values[c].IsSet();
      for (const FieldDef* p = &line->values[c]; p != nullptr; p = p->next)
        out.valueIsExpression[c] =
            out.valueIsExpression[c] || EndsWithOperator(p->insertChars.text);
      TextBufAssignBuf(&out.defaultValue[c], &line->values[c].text.text);
      out.factor[c] = line->factors[c];
    }
    out.skipZeroLines = line->excludeZeroLines != 0;
  }
}

ImportSetupRows::~ImportSetupRows() {
  delete[] plan_.lines;
  delete[] lines_;
}

bool ImportSetupRows::ReadNextRow() { return reader_->ReadNextRow(); }

bool ImportSetupRows::JoinRows(int32_t n) { return reader_->JoinRows(n); }

int64_t ImportSetupRows::RowNumber() { return reader_->RowCount(); }

bool ImportSetupRows::IndicatorMatches(int32_t field) {
  return ::IndicatorMatches(reader_, &setup_->cardFields[field]);
}

void ImportSetupRows::CardText(int32_t field, T_TextBuf* text) {
  if (field == kImportTitle || field == kImportNotes) {
    FieldTextJoined(reader_, &setup_->cardFields[field],
                    field == kImportTitle ? setup_->titleCase : setup_->notesCase, text);
  } else if (field == kImportDate) {
    FieldTextWithInserts(reader_, &setup_->cardFields[field], text);  // empty: the default
    TextBufTrim(text, ' ');
  } else {
    FieldText(reader_, &setup_->cardFields[field], text);
  }
}

void ImportSetupRows::CardStamp(int32_t field, SignatureStamp* stamp) {
  FieldStamp(reader_, &setup_->cardFields[field], stamp);
}

void ImportSetupRows::LineComponentText(int32_t line, int32_t dimension, T_TextBuf* text) {
  FieldTextWithInserts(reader_, &lines_[line]->dimensions[dimension], text);
  TextBufTrim(text, ' ');
}

void ImportSetupRows::LineText(int32_t line, T_TextBuf* text) {
  FieldTextJoined(reader_, &lines_[line]->lineText, lines_[line]->textCase, text);
}

void ImportSetupRows::ValueText(int32_t line, int32_t column, T_TextBuf* text) {
  const FieldDef* field = &lines_[line]->values[column];
  if (plan_.lines[line].valueIsExpression[column]) {
    FieldExpression(reader_, field, setup_->format.decimalSeparator, text);
  } else {
    FieldText(reader_, field, text);
  }
}

double ImportSetupRows::ParseNumber(const T_TextBuf& text) {
  return ParseImportNumber(text, setup_->format.decimalSeparator);
}

bool ImportTextFile(T_Base* base, const char* path, const ImportSetup* setup) {
  if (setup == nullptr) return false;
  RowReader reader(&setup->format);
  if (!reader.Open(path)) return false;
  ImportSetupRows rows(setup, &reader);
  ImportTextWithSetup(base, &rows);
  return true;
}

void InstallTextImports() {
  TextImportHooks hooks;
  hooks.importText = ImportTextFile;
  SetTextImportHooks(&hooks);
  SetCommandDimensionImport(ImportIntoDimension);
  InstallDimensionEditorImport();
  // The editors: the engine's commands and lists open them through these places.
  BaseServices services = CurrentBaseServices();
  services.newImportSetup = [](T_Base* base) { OpenImportSetupEditor(base, nullptr); };
  services.deleteImportSetup = [](T_Base* base) {
    DeleteImportSetupOfEditor(FindWindowOfKind(kWindowImportSetup, base));
  };
  SetBaseServices(&services);
  ObjectServices objects = CurrentObjectServices();
  objects.openImportSetupEditor = [](T_Base* base, ImportSetup* setup) {
    OpenImportSetupEditor(base, setup);
  };
  SetObjectServices(&objects);
  SetDimImportSetupOpener([](T_Base* base, int32_t dimension) {
    OpenDimImportEditor(base, dimension);
  });
  static const DimImportServices dimImports{[](DimImportSetup* setup) {
    // The setup is going: its editor closes without asking and without touching it again.
    if (auto* editor = dynamic_cast<T_DimImportEditor*>(setup->editor)) {
      editor->setup = nullptr;
      setup->editor = nullptr;
      EventHandler_RequestClose(editor, kCloseWithoutSaving);
    }
  }};
  SetDimImportServices(&dimImports);
}
