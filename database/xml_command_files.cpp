#include "database/xml_command_files.h"

#include "core/alert.h"
#include "core/input_stream.h"
#include "core/locale.h"
#include "core/memory.h"
#include "core/text_buffer.h"
#include "database/base.h"
#include "database/opening.h"
#include "database/operation_log.h"
#include "database/read_paths.h"
#include "database/read_prompt.h"
#include "database/stored_object_holders.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "database/text_form.h"
#include "database/xml_requests.h"

namespace {

constexpr int32_t kErrorAlreadyImported = 3827;  // File "@0" has already been imported

// Imports read through the engine's own opening; tests put a recorder in its place.
constexpr XmlCommandFileServices kDefaultServices{openFileByKind};
XmlCommandFileServices services = kDefaultServices;

// The direct flags of a "template" element in the order of kDirectFlagNames; -1 where none was
// given or the value was refused.
constexpr const char* kDirectFlagNames[4] = {"opendirect", "calcdirect", "zoomdirect",
                                             "webvisible"};

void SetDirectFlags(T_Template* templ, const int32_t flags[4]) {
  T_BoxTmpl* box = AsBoxTemplate(templ);
  if (!box) return;
  uint8_t* fields[4] = {&box->openDirect, &box->calcDirect, &box->zoomDirect, &box->webVisible};
  for (int32_t i = 0; i < 4; ++i) {
    if (flags[i] >= 0) *fields[i] = static_cast<uint8_t>(flags[i]);
  }
}

// True when the element whose start tag was current has been read through its end tag, not cut
// off by the end of the input.
bool ReadThroughEndTag(T_IStream* stream, const char* name, bool empty) {
  if (empty) return true;
  T_TextBuf end("/");
  TextBufAppend(&end, name);
  return stream->FieldIsTag(end.c_str());
}

// The start tag ends in ">": it was neither cut by the end of the input nor longer than the token
// buffer, so its attributes are whole.
bool TagIsWhole(const T_IStream* stream) {
  return stream->FieldLength() > 0 && stream->Field()[stream->FieldLength() - 1] == '>';
}

}  // namespace

void XmlImportElement(T_Base* base, T_IStream* stream) {
  if (!TagIsWhole(stream)) {
    FinishXmlElement(stream);
    return;
  }
  T_TextBuf file, password, setupName;
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.c_str(), "file")) {
      TextBufAssignBuf(&file, &value);
    } else if (StrEqualNoCase(name.c_str(), "password")) {
      TextBufAssignBuf(&password, &value);
    } else if (StrEqualNoCase(name.c_str(), "setup")) {
      TextBufAssignBuf(&setupName, &value);
    } else {
      base->XmlUnknownAttribute(name.c_str());
    }
  }
  TextBufWipe(&value);
  FinishXmlElement(stream);
  // The tag that held the password is read; no copy of it stays behind in the token buffer.
  if (!password.empty() && stream->tokenBuffer != nullptr) {
    MemZero(stream->tokenBuffer, kTokenBufferSize);
    stream->fieldStart = "";
    stream->fieldLength = 0;
    stream->xmlAttributeCursor = nullptr;
  }

  if (!file.empty() && !AbortRequested()) {
    T_TextBuf path;
    ResolveBesideDatabase(base, file.c_str(), &path);
    if (IsBeingRead(path.c_str())) {
      // The file is being read further out: importing it again would never end.
      AskReadErrorText(base, kErrorAlreadyImported, path.c_str());
    } else {
      ImportSetup* setup = setupName.empty() ? nullptr : FindImportSetup(base, setupName.c_str());
      ReadPathScope reading(path.c_str());
      services.openFileByKind(base, path.c_str(), password.empty() ? nullptr : password.c_str(),
                              setup, kOpenFlagImport);
      AskPendingReadError(base);
    }
  }
  TextBufWipe(&password);
}

void XmlTemplateElement(T_Base* base, T_IStream* stream) {
  if (!TagIsWhole(stream)) {
    FinishXmlElement(stream);
    return;
  }
  T_TextBuf path, type;
  bool typed = false;
  int32_t flags[4] = {-1, -1, -1, -1};
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    int32_t flag = -1;
    for (int32_t i = 0; i < 4 && flag < 0; ++i) {
      if (StrEqualNoCase(name.c_str(), kDirectFlagNames[i])) flag = i;
    }
    if (flag >= 0) {
      flags[flag] = base->XmlReadOnOff(kDirectFlagNames[flag], value.c_str());
    } else if (StrEqualNoCase(name.c_str(), "name")) {
      TextBufAssignBuf(&path, &value);
    } else if (StrEqualNoCase(name.c_str(), "type")) {
      typed = true;
      TextBufAssignBuf(&type, &value);
    } else {
      base->XmlUnknownAttribute(name.c_str());
    }
  }
  int32_t kind = typed ? TemplateKindFromXmlType(type.c_str(), false) : 0;
  if (typed && kind == 0) base->XmlUnknownValue(type.c_str(), "type");
  // Nothing to install: the children are the root's to meet.
  if (path.empty() || kind == 0) return;

  T_Template* templ = NewTemplate(base, kind);
  if (!templ) {
    FinishXmlElement(stream);
    return;
  }
  SetDirectFlags(templ, flags);
  bool empty = stream->FieldIsEndTag();
  if (!empty && !templ->ReadXml(stream)) FinishXmlElement(stream);
  // A template cut off by the end of the file would replace a whole one with a part of it.
  if (!ReadThroughEndTag(stream, "template", empty) || !StoreTemplate(base, templ, path.c_str()))
    DeleteTemplate(templ);
}

void XmlCommandElement(T_Base* base, T_IStream* stream) {
  T_TextBuf name, value;
  while (stream->NextXmlAttribute(&name, &value)) {
    if (StrEqualNoCase(name.c_str(), "errors")) {
      if (StrEqualNoCase(value.c_str(), "off")) base->xmlErrors = 0;
    } else {
      base->XmlUnknownAttribute(name.c_str());
    }
  }
  if (stream->FieldIsEndTag()) return;
  while (!AbortRequested() && stream->NextXmlToken()) {
    if (stream->FieldIsTag("/QEB-xml")) break;
    // An end tag closes an element read before; it is no unknown tag.
    if (IsXmlPassOver(stream)) continue;
    if (stream->FieldIsTag("import")) {
      XmlImportElement(base, stream);
    } else if (stream->FieldIsTag("template")) {
      XmlTemplateElement(base, stream);
    } else {
      base->XmlUnknownTag(stream);
    }
  }
}

bool readXmlCommandFile(T_Base* base, const char* path) {
  // Entered here too, so an import of this file from inside it is refused whoever reads it.
  ReadPathScope reading(path);
  T_HTextRead in;
  if (!in.Open(path)) return false;
  uint8_t warnings = base->xmlErrors;
  base->xmlErrors = 1;
  while (!AbortRequested() && in.NextXmlToken()) {
    if (!IsXmlPassOver(&in) && in.FieldIsTag("QEB-xml")) XmlCommandElement(base, &in);
  }
  base->xmlErrors = warnings;
  return true;
}

void SetXmlCommandFileServices(const XmlCommandFileServices* services_) {
  services = kDefaultServices;
  if (services_ && services_->openFileByKind) services.openFileByKind = services_->openFileByKind;
}
