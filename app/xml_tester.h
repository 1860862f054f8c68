#pragma once
// T_XMLTest, the "XML Command Tester" of one database: the user drops an input file with an XML
// request and an output file name on its two frames; the tester answers the request from the
// input into the output and shows the answer's "error" texts in red, or "no errors" in green.
// While "Execute whenever input file is modified" is on, it runs again whenever either file
// changes on disk (looked at on the tick, at most every 500 ms). The two paths live in the user's
// settings ("XML.test.input", "XML.test.output").
//
// User-interface thread only; the request runs synchronously inside the tick.
#include <cstdint>

#include "core/text_buffer.h"
#include "ui/document_window.h"
#include "ui/frame_items.h"

class T_Base;
class T_Button;
class T_Checkbox;
class T_IStream;
class T_OStream;
class T_XMLTest;

constexpr int32_t kXmlInputRole = 2;
constexpr int32_t kXmlOutputRole = 3;
constexpr uint64_t kXmlWatchInterval = 500;
// Bytes of error texts kept: 32 KB less what a text buffer (32,600 bytes at most) needs to end
// with the ellipsis.
constexpr int32_t kXmlResultLimit = 32000;
// Palette colours of the result.
constexpr int32_t kResultBlack = 10;
constexpr int32_t kResultRed = 13;
constexpr int32_t kResultGreen = 19;

class T_XMLFrame : public T_Frame {
 public:
  T_XMLFrame(T_XMLTest* tester, const XYWH& rect, int32_t role);
  void TrackDrag(int32_t code, uint32_t dataKinds) override;
  bool AcceptDrop(TransferList* list) override;
  bool MouseDown(InputEvent* event, T_GrafElement* target) override;
  void DrawContent() override;

  T_TextBuf* Path() const;

  T_XMLTest* tester;
  int32_t role;
  bool lit = false;
};

class T_XMLTest : public T_HWindow {
 public:
  explicit T_XMLTest(T_Base* base);
  ~T_XMLTest() override;

  void Notify(int32_t code) override;
  void OnChange(const ChangeNote* note) override;
  void OnButton(T_GrafElement* button) override;
  void OnCheckbox(T_GrafElement* checkbox) override;
  bool AcceptDrop(TransferList* list) override;
  void DrawContent() override;

  // One look at the files (the tick's work while watching).
  void WatchStep();
  // Answers the input into the output, then shows the result.
  void Run();
  void ShowResult();

  T_TextBuf inputPath;
  T_TextBuf outputPath;
  T_XMLFrame* inputFrame = nullptr;
  T_XMLFrame* outputFrame = nullptr;
  T_Button* documentation = nullptr;
  T_Checkbox* watch = nullptr;
  bool watching = false;
  bool runNeeded = false;
  uint64_t lastCheckTime = 0;
  double inputDate = 0;
  double outputDate = 0;
  T_TextBuf result;
  int32_t resultColour = kResultBlack;
};

// The "error" texts of an XML answer, each after a carriage return but the first, at most
// kXmlResultLimit bytes (then "…"); the number found.
int32_t ScanXmlErrors(T_IStream* stream, T_TextBuf* result);

// What answers a request: the engine's XML request interface unless a test replaces it (null
// puts it back).
using XmlTesterRunner = void (*)(T_Base* base, T_OStream* output, T_IStream* input);
void SetXmlTesterRunner(XmlTesterRunner runner);
// The address "Documentation" opens.
extern const char* const kXmlDocumentationUrl;

// The database's tester, brought forward when it is open; null when none can be made.
T_XMLTest* OpenXmlTester(T_Base* base);
// Fills the engine's seam: "XML Command Tester" opens the tester.
void InstallXmlTester();
