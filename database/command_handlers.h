#pragma once
// The handlers of the command language (database/commands.h), each run with its command's
// first word read; it takes its further words from the context and works on its database.
// Shared by the command table (command_language.cpp) and the handler files.
//
// User-interface thread only.
#include <cstdint>

#include "core/text_buffer.h"
#include "database/commands.h"

// --- Stored objects and the model (command_handlers.cpp) ----------------------------------------
void CommandDeleteCards(CommandContext* context);
void CommandDeleteComponent(CommandContext* context);
void CommandNewComponent(CommandContext* context);
void CommandSortComponents(CommandContext* context);
void CommandDimOptions(CommandContext* context);
void CommandDeleteMacro(CommandContext* context);
void CommandExecute(CommandContext* context);
void CommandDeleteSaveSetup(CommandContext* context);
void CommandDeleteSubset(CommandContext* context);
void CommandDeleteTemplate(CommandContext* context);
void CommandDuplicateTemplate(CommandContext* context);
void CommandModify(CommandContext* context);
void CommandPassword(CommandContext* context);

// --- Files, the user and the application (command_files.cpp) ------------------------------------
void CommandSave(CommandContext* context);
void CommandImport(CommandContext* context);
void CommandErrorFile(CommandContext* context);
void CommandWrite(CommandContext* context);
void CommandOpenFile(CommandContext* context);
void CommandOpenUrl(CommandContext* context);
void CommandMessage(CommandContext* context);
void CommandBeep(CommandContext* context);
void CommandClose(CommandContext* context);
void CommandQuit(CommandContext* context);
void CommandWebqebserver(CommandContext* context);

// --- Through analysis windows (command_windows.cpp) ---------------------------------------------
void CommandExport(CommandContext* context);
void CommandDeleteData(CommandContext* context);
void CommandPrint(CommandContext* context);
void CommandOpenTemplate(CommandContext* context);
void CommandTransform(CommandContext* context);
void CommandAggregate(CommandContext* context);

// --- Through the services above the engine (data_operations.cpp) ---------------------------------
void CommandSignature(CommandContext* context);

// --- Shared ------------------------------------------------------------------------------------
// The words of a command: every option that takeOption takes (it answers true, and may read the
// option's value), and up to max bare words in order; any other word is refused with 3820, or
// passed over as surplus when surplusIgnored. The number of bare words read.
template <typename TakeOption>
int32_t ReadCommandWords(CommandContext* context, T_TextBuf* bare, int32_t max,
                         TakeOption takeOption, bool surplusIgnored = false) {
  int32_t count = 0;
  T_TextBuf word;
  while (NextCommandWord(context, &word)) {
    if (takeOption(&word)) continue;
    if (!IsOptionWord(&word) && count < max) {
      TextBufAssignBuf(&bare[count++], &word);
    } else if (IsOptionWord(&word) || !surplusIgnored) {
      RefuseCommandWord(context, word.c_str());
    }
  }
  return count;
}
inline bool NoOptions(const T_TextBuf*) { return false; }

// 3829 through the prompt with what is not available (a command, or a command with an option);
// the rest of the command's words are passed over.
void RefuseNotAvailable(CommandContext* context, const char* what);
// The dimension of a word (names ignoring case, or 1 to 32); -1 after 3822 through the prompt
// unless silent.
int32_t CommandDimension(CommandContext* context, const T_TextBuf* word, bool silent);
// Every occurrence of the two characters of from becomes the text of to, exactly.
void ReplaceEscapes(T_TextBuf* text, const char* from, const char* to);
