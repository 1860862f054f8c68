#include "database/date_ref.h"

#include "core/owned_text.h"

void DateRefInit(DateRef* ref, T_Base* database, int32_t direction) {
  ref->cardId = CardId{};
  ref->database = database;
  ref->kind = kDateRefFixed;
  ref->direction = direction;
  ref->offset = 0;
  ref->text = nullptr;
}

void DateRefFree(DateRef* ref) {
  BlockTextFree(&ref->text);
  ref->cardId = CardId{};
  ref->kind = kDateRefFixed;
  ref->offset = 0;
}
