#include "database/xml_requests.h"

#include "core/alert.h"
#include "core/alert_handlers.h"
#include "core/bit_vector.h"
#include "core/criteria.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/base_sections.h"
#include "database/component_text.h"
#include "database/component_tree.h"
#include "database/components.h"
#include "database/read_prompt.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"

namespace {

constexpr int32_t kErrorNotAvailable = 3829;  // "@0" is not available in this version.

bool NoTemplateExport(T_Template*, T_OStream*) { return false; }

constexpr XmlRequestServices kDefaultServices{NoTemplateExport};
XmlRequestServices services = kDefaultServices;

// A number written with digits only, within [low, high]; false for anything else.
bool ReadWholeNumber(const T_TextBuf& text, int32_t low, int32_t high, int32_t* number) {
  if (text.length == 0 || text.length > 9) return false;
  int32_t n = 0;
  for (int32_t i = 0; i < text.length; ++i) {
    char c = text.data[i];
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < low || n > high) return false;
  *number = n;
  return true;
}

// The criteria text of a "filter" attribute: names and codes are matched as they are typed.
void CompileFilter(CriteriaPattern* pattern, const T_TextBuf& value) {
  T_TextBuf text(value.c_str());
  Criteria_Compile(pattern, &text, kCaseInsensitive, false);
}

// Holds a compiled filter for the length of one answer.
struct FilterHolder {
  FilterHolder() { Criteria_Init(&pattern); }
  ~FilterHolder() { MemFreeHeld(&pattern); }
  FilterHolder(const FilterHolder&) = delete;
  FilterHolder& operator=(const FilterHolder&) = delete;
  CriteriaPattern pattern;
};

void PutError(T_OStream* out, const char* text) { out->PutElement("error", text); }

void PutDimensionHead(T_Base* base, T_OStream* out, int32_t d) {
  out->PutText("<dimension");
  out->PutIntAttribute("num", d + 1);
  out->PutAttributeAlways("singular", base->GetDimSingular(d));
  out->PutAttributeAlways("plural", base->GetDimPlural(d));
}

// --- "version" -----------------------------------------------------------------------------------

void AnswerVersion(T_Base* base, T_IStream* in, T_OStream* out) {
  T_TextBuf name, value;
  while (in->NextXmlAttribute(&name, &value)) base->XmlUnknownAttribute(name.c_str());
  FinishXmlElement(in);
  out->PutText("<version");
  out->PutAttribute("date", kProgramReleaseDate);
  out->PutAttribute("code", PlatformName());
  out->PutText(">");
  out->PutEscaped(kProgramVersionLabel);
  out->PutLine("</version>");
}

// --- "dimensions" --------------------------------------------------------------------------------

// The components of the dimension, those the cards use, and those together with their ancestors.
void PutUsageCounts(T_Base* base, T_OStream* out, int32_t d) {
  int64_t total = CountDimensionComponents(base, d);
  BitVector used;
  base->MarkUsedComponents(&used, d);
  int64_t inUse = BitVecCount(&used);
  CompCloseUpward(base, &used);
  int64_t active = BitVecCount(&used) - (CompBitSet(&used, d) ? 1 : 0);
  BitVecFree(&used);
  out->PutInt64Attribute("total", total);
  out->PutInt64Attribute("active", active);
  out->PutInt64Attribute("inuse", inUse);
}

void AnswerDimensions(T_Base* base, T_IStream* in, T_OStream* out) {
  int32_t only = -1;
  bool chooseNone = false;
  bool usage = false;
  bool named = false;
  T_TextBuf wanted;
  FilterHolder filter;
  T_TextBuf name, value;
  while (in->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.c_str(), "num")) {
      int32_t number = 0;
      if (ReadWholeNumber(value, 1, kDimensionCount, &number)) {
        only = number - 1;
      } else {
        base->XmlUnknownValue(value.c_str(), "num");
        chooseNone = true;
      }
    } else if (StrEqualNoCase(name.c_str(), "name")) {
      named = true;
      TextBufAssignBuf(&wanted, &value);
    } else if (StrEqualNoCase(name.c_str(), "filter")) {
      CompileFilter(&filter.pattern, value);
    } else if (StrEqualNoCase(name.c_str(), "usage")) {
      if (StrEqualNoCase(value.c_str(), "on") || StrEqualNoCase(value.c_str(), "off"))
        usage = StrEqualNoCase(value.c_str(), "on");
      else
        PutError(out, "unknown usage attribute value");
    } else {
      base->XmlUnknownAttribute(name.c_str());
    }
  }
  FinishXmlElement(in);

  out->PutLine("<dimensionlist>");
  for (int32_t d = 0; d < kDimensionCount && !chooseNone; ++d) {
    if (!base->IsDimUsed(d) || (only >= 0 && d != only)) continue;
    const char* singular = base->GetDimSingular(d);
    const char* plural = base->GetDimPlural(d);
    if (named && !StrEqualNoCase(singular, wanted.c_str()) &&
        !StrEqualNoCase(plural, wanted.c_str()))
      continue;
    if (!Criteria_MatchCStr(&filter.pattern, singular) &&
        !Criteria_MatchCStr(&filter.pattern, plural))
      continue;
    PutDimensionHead(base, out, d);
    if (usage) PutUsageCounts(base, out, d);
    out->PutLine("/>");
  }
  out->PutLine("</dimensionlist>");
}

// --- "components" --------------------------------------------------------------------------------

struct ComponentWalk {
  T_Base* base;
  T_OStream* out;
  int32_t dimension;
  const T_TextBuf* text;  // null: any text
  const T_TextBuf* host;  // null: any host code
  bool writeLevels;
  bool headWritten;
};

// The field equals the wanted text under the dimension's rule for it (exact under rule 4).
bool FieldEquals(const char* field, const T_TextBuf* wanted, int32_t rule) {
  return StrCompareByMode(field ? field : "", wanted->c_str(), rule) == 0;
}

void VisitComponent(void* context, ComponentRecord* component, int32_t depth) {
  auto* walk = static_cast<ComponentWalk*>(context);
  const DimensionRecord* dimension = walk->base->dimensions[walk->dimension];
  if (walk->text && !FieldEquals(component->text, walk->text, dimension->textCase)) return;
  if (walk->host && !FieldEquals(component->hostCode, walk->host, dimension->hostCase)) return;
  T_OStream* out = walk->out;
  if (!walk->headWritten) {
    PutDimensionHead(walk->base, out, walk->dimension);
    out->PutLine(">");
    walk->headWritten = true;
  }
  out->PutText("<component");
  out->PutAttributeAlways("code", component->code);
  out->PutAttributeAlways("text", component->text ? component->text : "");
  out->PutAttributeAlways("host", component->hostCode ? component->hostCode : "");
  if (walk->writeLevels) out->PutIntAttribute("level", depth);
  out->PutLine("/>");
}

void AnswerComponents(T_Base* base, T_IStream* in, T_OStream* out) {
  int32_t only = -1;
  bool chooseNone = false;
  int32_t levels = 0;
  bool hasText = false, hasHost = false;
  T_TextBuf code, text, host;
  FilterHolder filter;
  T_TextBuf name, value;
  while (in->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.c_str(), "dim")) {
      only = base->FindDimByName(value.c_str());
      if (only < 0) {
        base->XmlUnknownValue(value.c_str(), "dim");
        chooseNone = true;
      }
    } else if (StrEqualNoCase(name.c_str(), "code")) {
      TextBufAssignBuf(&code, &value);
    } else if (StrEqualNoCase(name.c_str(), "text")) {
      hasText = true;
      TextBufAssignBuf(&text, &value);
    } else if (StrEqualNoCase(name.c_str(), "host")) {
      hasHost = true;
      TextBufAssignBuf(&host, &value);
    } else if (StrEqualNoCase(name.c_str(), "filter")) {
      CompileFilter(&filter.pattern, value);
    } else if (StrEqualNoCase(name.c_str(), "levels")) {
      if (!ReadWholeNumber(value, 0, 1 << 20, &levels)) {
        base->XmlUnknownValue(value.c_str(), "levels");
        levels = 0;
      }
    } else {
      base->XmlUnknownAttribute(name.c_str());
    }
  }
  FinishXmlElement(in);

  out->PutLine("<componentlist>");
  for (int32_t d = 0; d < kDimensionCount && !chooseNone && !AbortRequested(); ++d) {
    if ((only >= 0 && d != only) || !base->HasSubComponents(d)) continue;
    ComponentWalk walk{base,        out,  d, hasText ? &text : nullptr, hasHost ? &host : nullptr,
                       levels >= 2, false};
    WalkDimensionComponentsFiltered(base, d, code.c_str(), &filter.pattern,
                                    levels > 0 ? levels : -1, VisitComponent, &walk);
    if (walk.headWritten) out->PutLine("</dimension>");
  }
  out->PutLine("</componentlist>");
}

// --- "templates" ---------------------------------------------------------------------------------

void AnswerTemplates(T_Base* base, T_IStream* in, T_OStream* out) {
  T_TextBuf start;
  int32_t kind = 0;
  bool unknownType = false;
  FilterHolder filter;
  T_TextBuf name, value;
  while (in->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.c_str(), "name")) {
      TextBufAssignBuf(&start, &value);
    } else if (StrEqualNoCase(name.c_str(), "filter")) {
      CompileFilter(&filter.pattern, value);
    } else if (StrEqualNoCase(name.c_str(), "type")) {
      kind = TemplateKindFromXmlType(value.c_str(), true);
      unknownType = kind == 0;
    } else {
      base->XmlUnknownAttribute(name.c_str());
    }
  }
  FinishXmlElement(in);
  if (unknownType) PutError(out, "unknown template type");

  out->PutLine("<templatelist>");
  T_Template* top = start.empty() ? nullptr : FindTemplate(base, start.c_str());
  if (!top) top = base->rootTemplate;
  T_TextBuf path;
  for (T_Template* node = top; node && !unknownType; node = node->NextBelow(top)) {
    if (node->kind == kTemplateFolder || (kind != 0 && node->kind != kind)) continue;
    if (!TemplatePassesFilter(node, &filter.pattern)) continue;
    const char* kindName = ObjectKindName(node->kind);
    if (!kindName) continue;  // the tree holds analysis templates only; a stray kind is not one
    node->GetPath(&path);
    out->PutText("<template");
    out->PutAttributeAlways("name", path.c_str());
    out->PutAttributeAlways("type", kindName);
    out->PutLine("/>");
  }
  out->PutLine("</templatelist>");
}

// --- "template" ----------------------------------------------------------------------------------

void AnswerTemplate(T_Base* base, T_IStream* in, T_OStream* out) {
  T_TextBuf wanted, type;
  bool named = false, typed = false;
  T_TextBuf name, value;
  while (in->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.c_str(), "name")) {
      named = true;
      TextBufAssignBuf(&wanted, &value);
    } else if (StrEqualNoCase(name.c_str(), "type")) {
      typed = true;
      TextBufAssignBuf(&type, &value);
    } else {
      base->XmlUnknownAttribute(name.c_str());
    }
  }

  // The request reads its content into a copy: what it asks changes this answer only, never the
  // stored template.
  T_Template* work = nullptr;
  if (named) {
    T_Template* stored = FindTemplate(base, wanted.c_str());
    if (!stored || stored->kind == kTemplateFolder) {
      FinishXmlElement(in);
      out->PutText("<error>template");
      out->PutAttributeAlways("name", wanted.c_str());
      out->PutLine(" not found</error>");
      return;
    }
    work = DuplicateTemplate(base, stored, nullptr);
  } else if (!typed) {
    FinishXmlElement(in);
    PutError(out, "no template type or name specified");
    return;
  } else {
    int32_t kind = TemplateKindFromXmlType(type.c_str(), false);
    if (kind == 0) {
      FinishXmlElement(in);
      PutError(out, "unknown template type");
      return;
    }
    work = NewTemplate(base, kind);
  }
  if (work) {
    work->SetXmlExport();
    if (!in->FieldIsEndTag() && !work->ReadXml(in)) FinishXmlElement(in);
  } else {
    FinishXmlElement(in);  // no memory for the copy: the pending error tells
  }
  if (!AbortRequested()) {
    if (work && services.exportTemplate(work, out))
      out->PutNewline();
    else
      AskReadErrorText(base, kErrorNotAvailable, "template");
  }
  DeleteTemplate(work);
}

}  // namespace

int32_t TemplateKindFromXmlType(const char* type, bool allFunctions) {
  static constexpr const char* kTypes[] = {"cards", "lines", "components", "timefunctions",
                                           "componentfunctions"};
  int32_t count = allFunctions ? 5 : 3;
  for (int32_t i = 0; i < count; ++i) {
    if (StrEqualNoCase(type, kTypes[i])) return kTemplateCards + i;
  }
  return 0;
}

bool IsXmlPassOver(const T_IStream* stream) {
  const char* field = stream->Field();
  int32_t length = stream->FieldLength();
  if (length < 2 || field[0] != '<') return true;
  if (field[1] == '?' || field[1] == '!') return true;
  // An end tag; an empty element ends in "/>" and is an element.
  int32_t i = 1;
  while (i < length && static_cast<uint8_t>(field[i]) <= ' ') ++i;
  return i < length && field[i] == '/';
}

void FinishXmlElement(T_IStream* stream) {
  if (!stream->FieldIsEndTag()) stream->SkipElement();
}

void runXmlRequest(T_Base* base, T_OStream* output, T_IStream* input) {
  T_TagAlerts errors(output);
  output->PutXmlProlog();
  output->PutLine("<QEB-xml-output>");
  output->PutNewline();
  while (!AbortRequested() && input->NextXmlToken()) {
    // End tags are passed over with the rest: every request element is read through its own.
    if (IsXmlPassOver(input) || input->FieldIsTag("QEB-xml-input")) continue;
    if (input->FieldIsTag("version")) {
      AnswerVersion(base, input, output);
    } else if (input->FieldIsTag("dimensions")) {
      AnswerDimensions(base, input, output);
    } else if (input->FieldIsTag("components")) {
      AnswerComponents(base, input, output);
    } else if (input->FieldIsTag("templates")) {
      AnswerTemplates(base, input, output);
    } else if (input->FieldIsTag("template")) {
      AnswerTemplate(base, input, output);
    } else {
      base->XmlUnknownTag(input);
    }
  }
  // Reported inside the root, so the answer stays well-formed.
  PendingErrorReport();
  output->PutLine("</QEB-xml-output>");
}

void SetXmlRequestServices(const XmlRequestServices* services_) {
  services = kDefaultServices;
  if (services_ && services_->exportTemplate) services.exportTemplate = services_->exportTemplate;
}
