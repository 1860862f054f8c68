#pragma once
// The building blocks every web page is made of: the head, the side panel with its menus, the
// middle panel, the right panel with its page buttons, the title row, message blocks and the error
// texts. Each writes to the request's stream, lines ended by the stream's newline (LF on the
// gateway), and reads the request context (app/web_dispatcher.h) for the gateway path, the image
// paths, the query and the menus word.
//
// Escaping: content text goes through PutEscaped. Attribute values built from outside text (the
// query, the gateway settings) go through AppendAttributeText: '"', '<' and '>' become entities,
// '&' stays as it is so links keep their bytes, and control characters and bytes that are not
// UTF-8 are left out. Fixed texts of the pages are written as they stand.
//
// User-interface thread only, inside a request.
#include <cstdint>

class T_Base;
class T_OStream;
class T_Template;
struct T_TextBuf;

// Page modes: a page number from 1, or one of these.
constexpr int64_t kWebPageSingle = 0;
constexpr int64_t kWebPageAll = -1;
constexpr int64_t kWebPageLast = -2;

void AppendAttributeText(T_TextBuf* text, const char* value);
void PutAttributeText(T_OStream* page, const char* value);

void PageHead(T_OStream* page, const char* title);
void PageEnd(T_OStream* page);
void MenuTitle(T_OStream* page, int32_t textId, int32_t bit);
void MenuItemBegin(T_OStream* page);
void MenuItemEnd(T_OStream* page);
void MenuLevelBegin(T_OStream* page, int32_t level, bool selected);
void MenuLevelEnd(T_OStream* page, bool selected);
void MenuSeparatorRow(T_OStream* page);
void MenuCornerRow(T_OStream* page);
void MenuEnd(T_OStream* page);
// 0 normal, 1 collapsed, 2 expanded.
void NodeImage(T_OStream* page, int32_t kind);
// highlight: 0 none, 1 the template, 2 the database information.
void SidePanel(T_OStream* page, T_Base* base, T_Template* selected, int32_t highlight);
void MiddlePanel(T_OStream* page, int64_t pageMode);
void RightPanelBegin(T_OStream* page, int64_t pageMode, int64_t pageCount);
void RightPanelEnd(T_OStream* page);
void PageButtons(T_OStream* page, int64_t pageMode, int64_t pageCount);
void TitleRow(T_OStream* page, T_Base* base, const char* title, bool withBase);
void MessageBlock(T_OStream* page, const char* text);
void WebErrorLine(T_OStream* page, const char* text);
void WebErrorPage(T_OStream* page, const char* text);
// Days, hours, minutes and, below an hour, seconds: "1 minute 30 seconds".
void UptimeText(int64_t seconds, T_TextBuf* text);
