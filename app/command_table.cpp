#include "app/command_table.h"

#include <iterator>

#include "app/main_menus.h"
#include "app/recent_files.h"
#include "ui/document_window.h"
#include "ui/native_menu.h"
#include "ui/window.h"

namespace {

constexpr uint32_t kAnyWindow = ~0u;
constexpr uint32_t kBoxWindows = kAnalysisWindows | WindowBit(kWindowCardEditor);
constexpr uint32_t kDataWindows = WindowBit(kWindowCards) | WindowBit(kWindowLines) |
                                  WindowBit(kWindowTimeFunctions);
constexpr uint32_t kTreeWindows = WindowBit(kWindowComponents) |
                                  WindowBit(kWindowComponentFunctions) |
                                  WindowBit(kWindowDimEditor);
constexpr int32_t kDimensionEntries = 32;

const CommandRow kRows[] = {
    // File
    {kCommandNew, kRunApplication, 0, 0, "always"},
    {kCommandOpen, kRunApplication, 0, 0, "always"},
    {kCommandClose, kRunApplication, 0, 0, "a current database and no modal run"},
    {kCommandSave, kRunDatabase, 204, 0, "the current database holds changes Save writes"},
    {kCommandSaveAs, kRunDatabase, 205, 0, "a current database"},
    {2505, kRunDatabase, 2505, 0, "a current database"},
    {2506, kRunDatabase, 2506, WindowBit(kWindowSaveSetup), "the editor shows a stored setup"},
    {kCommandSaveTemplates, kRunDatabase, 2503, kAnalysisWindows, "a database window is active"},
    {kCommandProtection, kRunDatabase, 2507, 0, "a current database"},
    {kCommandWebUsers, kRunDatabase, 2508, 0, "a current database"},
    {kCommandPreferences, kRunApplication, 0, 0, "no modal run"},
    {kCommandPageSetup, kRunWindow, 0, kAnyWindow, "always"},
    {kCommandPrint, kRunWindow, 0, kBoxWindows | WindowBit(kWindowDatabaseInfo), "rows"},
    {2511, kRunDatabase, 2511, 0, "a current database"},
    {2512, kRunDatabase, 2512, 0, "a current database"},
    {kCommandImportDialog, kRunApplication, 0,
     WindowBit(kWindowTimeScale) | WindowBit(kWindowDimEditor) | WindowBit(kWindowWebUsers) |
         WindowBit(kWindowDimImportSetup) | WindowBit(kWindowImportSetup),
     "a current database; these editors import their own objects"},
    {kCommandExport, kRunWindow, 0, kBoxWindows | WindowBit(kWindowWebUsers), "rows"},
    {kCommandExit, kRunApplication, 0, 0, "always"},
    // Edit
    {kCommandUndo, kRunWindow, 0, kAnyWindow, "the edited text differs from its start"},
    {kCommandRedo, kRunWindow, 0, kAnyWindow, "an undone edit"},
    {kCommandCut, kRunWindow, 0, kAnyWindow, "a selection"},
    {kCommandCopy, kRunWindow, 0, kAnyWindow, "a selection"},
    {kCommandCopyTable, kRunWindow, 0, kBoxWindows, "rows"},
    {kCommandCopyingOptions, kRunDatabase, 2519, 0, "a current database"},
    {kCommandPaste, kRunWindow, 0, kAnyWindow, "the clipboard holds what the focus takes"},
    {kCommandErase, kRunWindow, 0, kAnyWindow, "a selection"},
    {kCommandNewTagged, kRunWindow, 0,
     kAnalysisWindows | WindowBit(kWindowSubsetEditor) | WindowBit(kWindowTimeScale) |
         WindowBit(kWindowWebUsers),
     "the window names what it makes"},
    {kCommandDuplicate, kRunWindow, 0, kAnyWindow, "a selection"},
    {kCommandSelectAll, kRunWindow, 0, kAnyWindow, "less than everything is selected"},
    {kCommandExpandAll, kRunWindow, 0, kTreeWindows, "the tree has more than one node"},
    {kCommandExpandTo, kRunWindow, 0, kTreeWindows, "the tree has more than one node"},
    {kCommandAdjustWidths, kRunWindow, 0, kBoxWindows, "fields in a table view"},
    // Database
    {kCommandFirstDimension, kRunDatabase, kCommandFirstDimension, 0, "a current database"},
    {2526, kRunDatabase, 2526, 0, "a current database"},
    {2527, kRunWindow, 0, WindowBit(kWindowCardEditor), "the card is stored"},
    {2528, kRunWindow, 0, kDataWindows | WindowBit(kWindowDatabase), "rows, or cards"},
    {2529, kRunWindow, 0, kDataWindows | WindowBit(kWindowDatabase), "rows, or cards"},
    {2530, kRunWindow, 0, kDataWindows | WindowBit(kWindowDatabase) | WindowBit(kWindowCardEditor),
     "rows, or cards"},
    {2531, kRunWindow, 0, kDataWindows | WindowBit(kWindowCardEditor), "rows, or notes shown"},
    {2532, kRunWindow, 0, kDataWindows | WindowBit(kWindowCardEditor), "rows, or notes shown"},
    {2534, kRunDatabase, 2534, 0, "a current database"},
    {2535, kRunDatabase, 2535, WindowBit(kWindowSubsetEditor), "a stored subset"},
    {2537, kRunDatabase, 2537, 0, "a current database"},
    {2538, kRunDatabase, 2538, WindowBit(kWindowTimeScale), "a stored time scale"},
    {2540, kRunDatabase, 2540, 0, "a current database"},
    {2541, kRunDatabase, 2541, WindowBit(kWindowMacro), "a stored macro"},
    {2542, kRunDatabase, 2542, 0, "a current database"},
    {2543, kRunDatabase, 2543, 0, "a current database"},
    {2545, kRunDatabase, 2545, 0, "a current database"},
    {kCommandSignature, kRunApplication, 0, 0, "a current database"},
    // Analysis
    {2547, kRunDatabase, 2547, 0, "a current database"},
    {2548, kRunDatabase, 2548, 0, "a current database"},
    {2549, kRunDatabase, 2549, 0, "a current database"},
    {2550, kRunDatabase, 2550, 0, "a current database"},
    {2551, kRunDatabase, 2551, 0, "a current database"},
    {kCommandSetDefaults, kRunWindow, 0, kAnalysisWindows | WindowBit(kWindowCardEditor),
     "a database"},
    {kCommandInstallTemplate, kRunWindow, 0, kAnalysisWindows, "a database"},
    {kCommandRemoveTemplate, kRunWindow, 0, kAnalysisWindows,
     "the window's template hangs in the template tree"},
    // Help and the recent files
    {kCommandMakerHomePage, kRunApplication, 0, 0, "no modal run"},
    {kCommandHelp, kRunApplication, 0, 0, "no modal run"},
    {kCommandUserManual, kRunApplication, 0, 0, "no modal run"},
    {kCommandAbout, kRunApplication, 0, 0, "no modal run"},
    {kCommandRecentFile, kRunApplication, 0, 0, "always"},
    {kCommandClearRecentFiles, kRunApplication, 0, 0, "always"},
};

}  // namespace

const CommandRow* CommandRows(int32_t* count) {
  *count = static_cast<int32_t>(std::size(kRows));
  return kRows;
}

const CommandRow* FindCommandRow(int32_t command) {
  // The dimension entries share one row: each is the database's command of its own number.
  if (command > kCommandFirstDimension && command < kCommandFirstDimension + kDimensionEntries)
    command = kCommandFirstDimension;
  for (const CommandRow& row : kRows) {
    if (row.command == command) return &row;
  }
  return nullptr;
}
