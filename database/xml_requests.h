#pragma once
// XML requests: an automation client asks a database questions in XML and reads the answer in
// XML. The request is a sequence of elements, usually inside "QEB-xml-input" (an XML declaration
// and the root's tags are passed over):
//
//   request        attributes                          answer
//   "version"      none                                <version date code>QEB 5.7</version>
//   "dimensions"   num (1..32), name, filter (a        <dimensionlist> with one empty
//                  criteria text), usage (on/off)      <dimension num singular plural> per
//                                                      dimension in use (and total, active,
//                                                      inuse with usage on)
//   "components"   dim (name or 1..32), code, text,    <componentlist> with a <dimension num
//                  host, filter, levels                singular plural> per dimension holding a
//                                                      chosen component, one empty <component
//                                                      code text host> each (and level when
//                                                      levels is 2 or more)
//   "templates"    name (start of the walk), filter,   <templatelist> with one empty <template
//                  type (cards ... componentfunctions) name type> per analysis template
//   "template"     name or type (cards, lines,         the XML form of the analysis window
//                  components), optional content       built from a copy of the template
//
// The answer is the XML declaration of the stream's encoding, "<QEB-xml-output>", an empty line,
// the answers in request order and "</QEB-xml-output>", each on a line of its own. Every alert
// raised while a request runs becomes an "<error>" element where it arises (T_TagAlerts), and a
// failure still pending when the request ends becomes the last one before the closing tag, so
// the answer is well-formed whatever the request held.
//
// Components are counted in levels below the start of the walk: the children of the dimension's
// root are level 1, or the component named by "code" is level 0 and its children level 1; with
// "levels" the walk goes at most that many levels down.
//
// User-interface thread only, like the database.
#include <cstdint>

class T_Base;
class T_IStream;
class T_OStream;
class T_Template;

// Answers every request element of the input into the output.
void runXmlRequest(T_Base* base, T_OStream* output, T_IStream* input);

// --- Shared with the XML command files --------------------------------------------------------

// A template kind by its XML type name, letter case ignored: "cards" 1, "lines" 2, "components"
// 3, and with allFunctions also "timefunctions" 4 and "componentfunctions" 5; 0 for any other.
int32_t TemplateKindFromXmlType(const char* type, bool allFunctions);
// The current token is markup that holds no request: a text run, an end tag, a comment, an XML
// declaration, a processing instruction or a "<!" declaration.
bool IsXmlPassOver(const T_IStream* stream);
// Reads the current element through its end tag: its content is passed over. Nothing for an
// empty element.
void FinishXmlElement(T_IStream* stream);

// --- Seam ----------------------------------------------------------------------------------------

// The analysis windows live above the engine: each writes its XML form through this hook once it
// exists. Until then a "template" request answers 3829 ("template" is not available) through the
// read-problem prompt.
struct XmlRequestServices {
  // Opens the template's window hidden, computes it, writes its XML form into the output and
  // closes the window again; false when the template's kind has no window that can do so.
  bool (*exportTemplate)(T_Template* templ, T_OStream* output);
};
// Null puts back the default.
void SetXmlRequestServices(const XmlRequestServices* services);
