// The menu commands a database window passes to its database. Each runs an editor, a dialog or
// a service of a layer above the engine through BaseServices; while that layer is missing its
// command is disabled and does nothing.
#include "database/base.h"

namespace {

constexpr int32_t kCommandFirstDimension = 25;  // 25 to 56: the dimension entries
constexpr int32_t kCommandLastDimension = kCommandFirstDimension + kDimensionCount - 1;
constexpr int32_t kCommandSave = 204;
constexpr int32_t kCommandSaveAs = 205;
constexpr int32_t kCommandSaveTemplates = 2503;
constexpr int32_t kCommandCards = 2547;  // 2547 to 2551: the default templates of kinds 1 to 5
constexpr int32_t kCommandComponentFunctions = 2551;

using BaseAction = void (*)(T_Base* base);
using BaseSave = bool (*)(T_Base* base);

struct PlainCommand {
  int32_t command;
  BaseAction BaseServices::*hook;
};

constexpr PlainCommand kPlainCommands[] = {
    {2505, &BaseServices::newSaveSetup},       {2506, &BaseServices::deleteSaveSetup},
    {2507, &BaseServices::editProtection},     {2508, &BaseServices::editWebUsers},
    {2511, &BaseServices::newImportSetup},     {2512, &BaseServices::deleteImportSetup},
    {2519, &BaseServices::editCopyingOptions}, {2526, &BaseServices::newCard},
    {2534, &BaseServices::newSubset},          {2535, &BaseServices::deleteSubset},
    {2537, &BaseServices::newTimeScale},       {2538, &BaseServices::deleteTimeScale},
    {2540, &BaseServices::newMacro},           {2541, &BaseServices::deleteMacro},
    {2542, &BaseServices::showDatabaseInfo},   {2543, &BaseServices::runDatabaseSettings},
    {2545, &BaseServices::openXmlTester},
};

BaseSave SaverOf(const BaseServices& services, int32_t command) {
  switch (command) {
    case kCommandSave:
      return services.saveDatabase;
    case kCommandSaveAs:
      return services.saveDatabaseAs;
    case kCommandSaveTemplates:
      return services.saveTemplates;
    default:
      return nullptr;
  }
}

// Whether the command is the database's and enabled; runs it when asked.
bool RunOrTest(T_Base* base, int32_t command, bool run) {
  const BaseServices& services = CurrentBaseServices();
  if (command >= kCommandFirstDimension && command <= kCommandLastDimension) {
    if (!services.openDimensionEditor) return false;
    if (run) services.openDimensionEditor(base, command - kCommandFirstDimension);
    return true;
  }
  if (command >= kCommandCards && command <= kCommandComponentFunctions) {
    if (!services.runDefaultTemplate) return false;
    if (run) services.runDefaultTemplate(base, command - kCommandCards + 1);
    return true;
  }
  if (BaseSave save = SaverOf(services, command)) {
    if (run) save(base);
    return true;
  }
  for (const PlainCommand& plain : kPlainCommands) {
    if (plain.command != command) continue;
    BaseAction action = services.*plain.hook;
    if (!action) return false;
    if (run) action(base);
    return true;
  }
  return false;
}

}  // namespace

bool T_Base::IsCommandEnabled(int32_t command) const {
  return RunOrTest(const_cast<T_Base*>(this), command, false);
}

bool T_Base::DoCommand(int32_t command) { return RunOrTest(this, command, true); }
