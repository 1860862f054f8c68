#pragma once
// What a card window edits, asked by windows that must not change a card under an open editor.
class T_HWindow;
struct CardRecord;

// The card a window of kind 10 edits, else null.
CardRecord* GetEditorCard(T_HWindow* window);
