#pragma once
// The lists of named stored objects (save setups, import setups): singly linked through next,
// sorted by name with letter case ignored and empty names last, looked up by a trimmed name.
// Each object has the fields next, database and name (an owned block text).
#include <cstdint>

#include "core/cstring.h"
#include "core/locale.h"
#include "core/owned_text.h"
#include "core/text_buffer.h"
#include "database/change_notes.h"

class T_Base;

// The name as looked up: blanks trimmed (control characters removed first when asked).
void NamedListKey(const char* name, bool removeControls, T_TextBuf* key);

template <typename Object>
void NamedListInsert(Object** head, Object* object) {
  Object** link = head;
  while (*link != nullptr && StrCompareNoCaseNullLast((*link)->name, object->name) <= 0)
    link = &(*link)->next;
  object->next = *link;
  *link = object;
}

template <typename Object>
void NamedListUnlink(Object** head, Object* object) {
  for (Object** link = head; *link != nullptr; link = &(*link)->next) {
    if (*link == object) {
      *link = object->next;
      object->next = nullptr;
      return;
    }
  }
}

// Null for an empty name or none of that name.
template <typename Object>
Object* NamedListFind(Object* head, const char* name) {
  T_TextBuf key;
  NamedListKey(name, false, &key);
  if (key.empty()) return nullptr;
  for (Object* object = head; object != nullptr; object = object->next) {
    if (StrEqualNoCase(object->name, key.c_str())) return object;
  }
  return nullptr;
}

// The new name (controls removed, blanks trimmed), the object moved to its sorted place in the
// list of its database, and the rename note with the old name.
template <typename Object>
void NamedListRename(Object* object, Object* T_Base::*head, const char* name, int32_t noteCode) {
  T_TextBuf key;
  NamedListKey(name, true, &key);
  char* old = object->name;
  object->name = nullptr;
  BlockTextAssign(&object->name, key.c_str());
  if (object->database != nullptr) {
    NamedListUnlink(&(object->database->*head), object);
    NamedListInsert(&(object->database->*head), object);
    ChangeNote note;
    note.code = noteCode;
    note.database = object->database;
    note.object = object;
    note.oldName = old;
    NotifyChange(object->database, &note);
  }
  BlockTextFree(&old);
}
