// The card editor's services for the operations tests, kept apart because the card editor's
// header and the cards window's header cannot meet in one translation unit.
#include <cstring>

#include "analysis/cards/card_editor.h"

namespace operations_test {

bool* refuseSignatureFlag = nullptr;

void InstallTestStamp(bool* refuse) {
  refuseSignatureFlag = refuse;
  CardEditorServices card{};
  card.signatureStamp = [](SignatureStamp* stamp, T_Window*) {
    if (refuseSignatureFlag && *refuseSignatureFlag) return false;
    *stamp = SignatureStamp{};
    stamp->stamp = PackTimeStamp(2024, 5, 6, 10, 20);
    std::memcpy(stamp->signature, "TST", 4);
    return true;
  };
  SetCardEditorServices(refuse ? &card : nullptr);
}

}  // namespace operations_test
