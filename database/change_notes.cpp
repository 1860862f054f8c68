#include "database/change_notes.h"

#include "database/base.h"
#include "ui/application.h"

void NotifyChange(T_Base* base, const ChangeNote* note) {
  BroadcastToWindows(note, base);
}

void BroadcastToAllBases(const ChangeNote* note) {
  for (T_Base* base = FirstBase(); base; base = base->next) NotifyChange(base, note);
  BroadcastToWindows(note);
}
