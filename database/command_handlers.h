#pragma once
// The handlers of the command language (database/commands.h), each run with its command's
// first word read; it takes its further words from the context and works on its database.
// Shared by the command table (command_language.cpp) and the handler files.
//
// User-interface thread only.
#include <cstdint>

struct CommandContext;
struct T_TextBuf;

// --- Stored objects and the model (command_handlers.cpp) ----------------------------------------
void CommandDeleteCards(CommandContext* context);
void CommandDeleteComponent(CommandContext* context);
void CommandNewComponent(CommandContext* context);
void CommandSortComponents(CommandContext* context);
void CommandDimOptions(CommandContext* context);
void CommandDeleteMacro(CommandContext* context);
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

// --- Shared ------------------------------------------------------------------------------------
// 3829 through the prompt with what is not available (a command, or a command with an option);
// the rest of the command's words are passed over.
void RefuseNotAvailable(CommandContext* context, const char* what);
// The dimension of a word (names ignoring case, or 1 to 32); -1 after 3822 through the prompt
// unless silent.
int32_t CommandDimension(CommandContext* context, const T_TextBuf* word, bool silent);
// Every occurrence of the two characters of from becomes the text of to, exactly.
void ReplaceEscapes(T_TextBuf* text, const char* from, const char* to);
