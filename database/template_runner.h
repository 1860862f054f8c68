#pragma once
// The template runner: turns a template, or a whole folder of them, into open analysis windows.
// The analysis windows live in layers above the engine, so each window kind installs, in one
// registry here, the constructor of its template class and the function that opens its window.
// Until a kind's constructor is installed, the factory makes a stand-in: a box template of the
// kind (menu icon 2000 + kind) that keeps every record line it does not read, in order, and
// writes them back after its own, so a file written with the real class passes unchanged; it
// counts every component and every line as used, so a save that keeps only what templates use
// drops nothing. Without an opener, running a template opens nothing.
//
// User-interface thread only.
#include <cstdint>

struct BaseServices;
struct ChangeNote;
struct T_TextBuf;
class T_Base;
class T_HWindow;
class T_OStream;
class T_Template;
class T_Window;
struct CriteriaPattern;
struct Subset;

// Flags of RunTemplate.
constexpr int32_t kRunHidden = 1;  // the window is made but never shown (web pages, automation)
constexpr int32_t kRunBringForward = 2;  // an open window of the template comes forward, unasked
constexpr int32_t kRunReplace = 4;       // an open window of the template is replaced, unasked
constexpr int32_t kRunNoLookup = 8;      // open a new window whatever is open
constexpr int32_t kRunCalculate = 16;    // calculate at once; an empty window is discarded

// --- Registry ------------------------------------------------------------------------------------
// A new template of the kind with its defaults for the database.
using TemplateConstructor = T_Template* (*)(T_Base* base);
// Opens the window of a template; parameter is the template of the window that asks (or null).
// Returns the window or null.
using WindowOpener = T_HWindow* (*)(T_Template* templ, T_Template* parameter, int32_t flags);
// Constructors for kinds 1 to 5 and 10, openers for kinds 1 to 5 (the card template opens no
// window through the runner); other kinds are ignored. Null puts back the stand-in, or no opener.
void SetTemplateConstructor(int32_t kind, TemplateConstructor constructor);
void SetWindowOpener(int32_t kind, WindowOpener opener);
// Whether running a template of the kind can open a window (its opener is installed).
bool HasWindowOpener(int32_t kind);

// The template factory: kinds 1 to 5 and 10 give a template of the kind (the installed class or
// the stand-in); every other kind gives null.
T_Template* NewTemplate(T_Base* base, int32_t kind);
// The stand-in of a kind (template_stand_in.cpp); null for kinds other than 1 to 5 and 10.
T_Template* NewStandInTemplate(T_Base* base, int32_t kind);
// True for a template the factory made as a stand-in.
bool IsStandInTemplate(const T_Template* templ);

// --- Running -------------------------------------------------------------------------------------
// The window made from the template, an open one it found, or null (also for a folder, whose
// templates run in turn until the abort flag is set or Control is held down). An open window of
// a stored template (unless kRunNoLookup) comes forward with kRunBringForward, is replaced with
// kRunReplace, and otherwise question 4411 asks whether to revert to the template's settings. A
// window made from a template outside the tree takes the database's default template of its
// kind, so that saving its settings changes the default.
T_HWindow* RunTemplate(T_Base* base, T_Template* templ, T_Template* parameter, int32_t flags);
// The template's window opened hidden for the caller alone, calculated, written as text with
// the output flags (T_HWindow::WriteText) and closed; false when no window opens.
bool WriteTemplateWindowText(T_Template* templ, T_OStream* stream, int32_t flags);
void RunDefaultTemplate(T_Base* base, int32_t kind);

// What an openTemplate command names.
constexpr int32_t kEntryDatabaseWindow = 1;
constexpr int32_t kEntrySubset = 2;
constexpr int32_t kEntryTemplate = 4;
constexpr int32_t kEntryFolder = 8;
struct TemplateRunEntry {
  int32_t kind = kEntryTemplate;
  T_Template* templ = nullptr;  // kinds 4 and 8
  Subset* subset = nullptr;     // kind 2
};
// A folder runs its templates in tree order until the abort flag is set; every other entry opens
// only when it passes the filter (templates by TemplatePassesFilter, subsets by name): the
// database window, the subset editor with the flags, or the template with the flags. A window so
// opened loses its focus with kRunBringForward, then calculates.
void RunTemplateFolder(T_Base* base, const TemplateRunEntry* entry, const CriteriaPattern* filter,
                       int32_t flags);
// Every template whose open direct flag is set, in tree order, until the abort flag is set or
// Control is held down.
void RunOpenAtStartTemplates(T_Base* base);

// --- Asked of a window ---------------------------------------------------------------------------
// Question 4408 about the window's template (only one stored in the tree); "Remove" removes it
// and logs it.
void RemoveTemplateAsk(T_Base* base, T_HWindow* window);
// The template-defaults and installer dialogs come with the settings dialogs; until then these
// end after their memory test.
void ShowTemplateDefaults(T_HWindow* window);
void ShowInstaller(T_HWindow* window);
// The application's two dialogs behind them (null: nothing opens).
using TemplateDialogRunner = void (*)(T_HWindow* window);
void SetTemplateDialogs(TemplateDialogRunner defaults, TemplateDialogRunner installer);

// --- Hooks -------------------------------------------------------------------------------------
// Fills the template hooks of a database's services: the root, the default templates, deleting
// and running the defaults.
void InstallTemplateHooks(BaseServices* services);
// The toolkit's template hooks (DocumentOperations).
bool TemplateHasParent(T_Template* templ);
void TemplatePathText(T_Template* templ, T_TextBuf* path);
void RunTemplateDefaults(T_Base* base, T_HWindow* window);
void RunInstallTemplate(T_Base* base, T_HWindow* window);
void RemoveInstalledTemplate(T_Base* base, T_HWindow* window);
// Code 63 through the tree (step 6 of the dispatch): every template in tree order.
void TemplatesOnChange(T_Base* base, const ChangeNote* note);
