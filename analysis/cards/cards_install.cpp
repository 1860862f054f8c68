#include "analysis/cards/cards_install.h"

#include "analysis/cards/cards_template.h"
#include "analysis/cards/cards_window.h"
#include "analysis/cards/editor_card.h"
#include "core/output_stream.h"
#include "database/template_runner.h"
#include "database/templates.h"
#include "database/xml_requests.h"
#include "ui/document_window.h"

namespace {

// Any analysis window whose opener is installed writes its XML form; the appended form leaves
// out the prolog, which the request's answer has already.
bool ExportTemplateXml(T_Template* templ, T_OStream* output) {
  return WriteTemplateWindowText(templ, output, kExportAppendNonEmpty);
}

}  // namespace

void InstallCards() {
  SetTemplateConstructor(kTemplateCards, NewCardsTemplate);
  SetWindowOpener(kTemplateCards, OpenCardsWindow);
  XmlRequestServices xml{ExportTemplateXml};
  SetXmlRequestServices(&xml);
  // Long work on listed cards first asks every card window what it edits.
  SetEditorCardHook([](T_HWindow* window) -> const CardRecord* { return GetEditorCard(window); });
}
