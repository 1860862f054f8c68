#include "app/xml_tester.h"

#include <cstring>
#include <new>

#include "app/preferences.h"
#include "core/alert.h"
#include "core/file_dialogs.h"
#include "core/file_stream.h"
#include "core/files.h"
#include "core/localized_text.h"
#include "core/settings_store.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/xml_requests.h"
#include "ui/button.h"
#include "ui/dialog_base.h"
#include "ui/draw_primitives.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item_drawing.h"
#include "ui/text_style.h"
#include "ui/transfer_list.h"

const char* const kXmlDocumentationUrl = "https://www.trelvik.com/qeb/xml-requests.html";

namespace {

constexpr int32_t kTextTitle = 2545;  // "XML Command Tester"
constexpr int32_t kTextDocumentation = 4051;
constexpr int32_t kTextInputFile = 4052;
constexpr int32_t kTextOutputFile = 4053;
constexpr int32_t kTextReadDocumentation = 4054;
constexpr int32_t kTextDropInput = 4055;
constexpr int32_t kTextDropOutput = 4056;
constexpr int32_t kTextWatch = 4057;
constexpr int32_t kTextNoErrors = 4058;
constexpr int32_t kTextSameFile = 4059;
constexpr uint32_t kDocumentationId = 1;
constexpr uint32_t kWatchId = 2;
constexpr int32_t kPictureDatabase = 1000;
constexpr const char* kInputValue = "XML.test.input";
constexpr const char* kOutputValue = "XML.test.output";

XmlTesterRunner runner = nullptr;

const RECT* Keep(const RECT& rect) { return &rect; }

void ReadPath(const char* name, T_TextBuf* path) {
  SettingsStore store;
  SettingsOpen(&store, kPreferencesSection, kSettingsUser);
  SettingsRead(&store, name, path);
  SettingsClose(&store);
}

// A path whose file-name part is empty leaves the stored value as it was.
void WritePath(const char* name, const T_TextBuf& path) {
  if (*PathFindName(path.c_str()) == 0) return;
  SettingsStore store;
  SettingsOpen(&store, kPreferencesSection, kSettingsUser);
  SettingsWrite(&store, name, path.c_str());
  SettingsClose(&store);
}

// Appends an XML text with its five entity references resolved.
void AppendUnescaped(T_TextBuf* out, const char* p, const char* end) {
  static constexpr struct {
    const char* entity;
    char c;
  } kEntities[] = {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}, {"&apos;", '\''}};
  while (p < end) {
    bool replaced = false;
    if (*p == '&') {
      for (const auto& e : kEntities) {
        size_t n = std::strlen(e.entity);
        if (static_cast<size_t>(end - p) >= n && std::strncmp(p, e.entity, n) == 0) {
          TextBufAppendChar(out, e.c);
          p += n;
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) TextBufAppendChar(out, *p++);
  }
}

}  // namespace

int32_t ScanXmlErrors(T_IStream* stream, T_TextBuf* result) {
  TextBufAssign(result, "");
  int32_t found = 0;
  bool inside = false;
  bool full = false;
  T_TextBuf text;
  while (stream->NextLine()) {
    const char* p = stream->lineStart;
    const char* end = stream->lineEnd;
    while (p < end) {
      if (!inside) {
        const char* open = nullptr;
        for (const char* q = p; q + 6 <= end; ++q) {
          if (std::strncmp(q, "<error", 6) == 0 && (q + 6 == end || q[6] == '>' || q[6] == ' ')) {
            open = q;
            break;
          }
        }
        if (!open) break;
        const char* close = static_cast<const char*>(std::memchr(open, '>', end - open));
        if (!close) break;
        p = close + 1;
        if (close[-1] == '/') continue;  // an empty element
        inside = true;
        TextBufAssign(&text, "");
      } else {
        const char* stop = nullptr;
        for (const char* q = p; q + 8 <= end; ++q) {
          if (std::strncmp(q, "</error>", 8) == 0) {
            stop = q;
            break;
          }
        }
        const char* to = stop ? stop : end;
        if (text.length + (to - p) < kXmlResultLimit) AppendUnescaped(&text, p, to);
        if (!stop) {
          TextBufAppendChar(&text, ' ');
          break;
        }
        p = stop + 8;
        inside = false;
        ++found;
        if (full) continue;
        if (result->length + text.length + 1 > kXmlResultLimit) {
          TextBufAppend(result, "\xE2\x80\xA6");  // "…"
          full = true;
          continue;
        }
        if (found > 1) TextBufAppendChar(result, '\r');
        TextBufAppendBuf(result, &text);
      }
    }
  }
  return found;
}

void SetXmlTesterRunner(XmlTesterRunner replacement) { runner = replacement; }

// --- T_XMLFrame ---------------------------------------------------------------------------------

T_XMLFrame::T_XMLFrame(T_XMLTest* owner, const XYWH& rect, int32_t frameRole)
    : T_Frame(owner, rect, 0, false), tester(owner), role(frameRole) {
  SetTitleId(frameRole == kXmlInputRole ? kTextInputFile : kTextOutputFile);
  EventHandler_Open(this);
}

T_TextBuf* T_XMLFrame::Path() const {
  return role == kXmlInputRole ? &tester->inputPath : &tester->outputPath;
}

void T_XMLFrame::TrackDrag(int32_t code, uint32_t dataKinds) {
  bool on = (code == kDragEntered || code == kDragMoved) && (dataKinds & kTransferAnyFile);
  if (on != lit) {
    lit = on;
    GrafElement_Invalidate(this, 0);
  }
}

bool T_XMLFrame::AcceptDrop(TransferList* list) {
  lit = false;
  T_TextBuf path;
  TransferItem* item = list ? FindTransferItem(list, kTransferAnyFile) : nullptr;
  // Anything but a file is refused; of several files the first one counts.
  if (item && TransferItemPath(item, &path) && !path.empty()) {
    TextBufAssignBuf(Path(), &path);
    tester->runNeeded = true;
  }
  GrafElement_Invalidate(this, 0);
  return true;
}

bool T_XMLFrame::MouseDown(InputEvent* event, T_GrafElement* target) {
  if (T_Frame::MouseDown(event, target)) return true;
  if (!event->doubleClick || Path()->empty()) return false;
  if (!ShellOpen(Path()->c_str())) PendingErrorReport();
  return true;
}

void T_XMLFrame::DrawContent() {
  T_Frame::DrawContent();
  if (lit) {
    RECT light = content;
    RectInflate(&light, -1);
    RectFrame(&light);
  }
  RECT rect{6, 4, content.right, 16};
  TextDrawInRectIfAny(&rect, PathFindName(Path()->c_str()));
}

// --- T_XMLTest ----------------------------------------------------------------------------------

T_XMLTest::T_XMLTest(T_Base* base)
    : T_HWindow(kKindDocument, kWindowXmlTester, Keep(RECT{0, 0, 310, 240}), kPictureDatabase,
                base, 0) {
  SetTitleId(kTextTitle);
  ReadPath(kInputValue, &inputPath);
  ReadPath(kOutputValue, &outputPath);
  documentation = new T_Button(this, XYWH{150, 14, 140, 20}, kDocumentationId);
  documentation->SetTitleId(kTextDocumentation);
  inputFrame = new T_XMLFrame(this, XYWH{150, 60, 140, 22}, kXmlInputRole);
  outputFrame = new T_XMLFrame(this, XYWH{150, 110, 140, 22}, kXmlOutputRole);
  watch = Dialog_AddCheckbox(this, XYWH{15, 150, 270, 14}, kWatchId, kTextWatch, false);
  lastCheckTime = TickCount();
  EventHandler_Open(this);
}

T_XMLTest::~T_XMLTest() {
  WritePath(kInputValue, inputPath);
  WritePath(kOutputValue, outputPath);
}

void T_XMLTest::Notify(int32_t code) {
  T_HWindow::Notify(code);
  if (code == kNotifyTick && watching) WatchStep();
}

void T_XMLTest::OnChange(const ChangeNote* note) {
  T_HWindow::OnChange(note);
  if (note && note->code == kChangeDatabaseClosed && note->database == database) {
    watching = false;
    EventHandler_RequestClose(this, 3);
  }
}

void T_XMLTest::OnButton(T_GrafElement* button) {
  if (button == documentation) {
    BrowserShowUrl(kXmlDocumentationUrl);
    return;
  }
  T_HWindow::OnButton(button);
}

void T_XMLTest::OnCheckbox(T_GrafElement* checkbox) {
  if (checkbox != watch) {
    T_HWindow::OnCheckbox(checkbox);
    return;
  }
  watching = watch->checked != 0;
  runNeeded = watching;
  TextBufAssign(&result, "");
  GrafElement_Invalidate(this, kPaintChildren);
}

// Drops outside the two frames do nothing (a tester imports nothing into its database).
bool T_XMLTest::AcceptDrop(TransferList*) { return true; }

void T_XMLTest::WatchStep() {
  uint64_t now = TickCount();
  if (!runNeeded && now - lastCheckTime < kXmlWatchInterval) return;
  lastCheckTime = now;
  double input = FileModifiedDate(inputPath.c_str());
  double output = FileModifiedDate(outputPath.c_str());
  PendingErrorClear();
  if (!runNeeded && input == inputDate && output == outputDate) return;
  inputDate = input;
  runNeeded = false;
  Run();
}

void T_XMLTest::Run() {
  outputDate = 1.0;
  PendingErrorClear();
  // The output is created before the input is read: one file for both would lose the request.
  if (PathSameFile(inputPath.c_str(), outputPath.c_str())) {
    TextBufAssign(&result, GetString(kTextSameFile));
    resultColour = kResultRed;
    GrafElement_Invalidate(this, 0);
    return;
  }
  {
    T_IStreamFile input;
    if (!input.Open(inputPath.c_str())) {
      ShowResult();
      return;
    }
    T_OStreamFile output;
    if (!output.Open(outputPath.c_str(), 0)) {
      ShowResult();
      return;
    }
    // The whole input is the request; only an empty one is not answered.
    if (FileSizeOfPath(inputPath.c_str()) > 0) {
      (runner ? runner : runXmlRequest)(database, &output, &input);
    }
    output.Close();
  }
  outputDate = FileModifiedDate(outputPath.c_str());
  ShowResult();
}

void T_XMLTest::ShowResult() {
  TextBufAssign(&result, "");
  int32_t errors = 0;
  // A file that could not be read or written leaves its message pending: that is the result.
  if (PendingError.request.message == 0) {
    T_IStreamFile output;
    if (output.Open(outputPath.c_str())) errors = ScanXmlErrors(&output, &result);
  }
  if (PendingError.request.message != 0) {
    AlertFormatText(&PendingError.request, &result);
    resultColour = kResultRed;
  } else if (errors > 0) {
    resultColour = kResultRed;
    BringToFront();
  } else {
    TextBufAssign(&result, GetString(kTextNoErrors));
    resultColour = kResultGreen;
  }
  PendingErrorClear();
  GrafElement_Invalidate(this, 0);
}

void T_XMLTest::DrawContent() {
  T_HWindow::DrawContent();
  uint16_t old = TextSetAlign(kStyleRight);
  const struct {
    int32_t y;
    int32_t id;
  } labels[] = {{18, kTextReadDocumentation}, {82, kTextDropInput}, {132, kTextDropOutput}};
  for (const auto& label : labels) {
    RECT rect{4, label.y, 144, label.y + 14};
    TextDrawIdInRect(&rect, label.id);
  }
  TextSetAlign(old);
  T_ForeIndex colour(resultColour);
  RECT rect{26, 170, content.right, content.bottom};
  uint16_t wrap = TextSetWrap(true);
  TextDrawInRectIfAny(&rect, result.c_str());
  TextSetWrap(wrap != 0);
}

T_XMLTest* OpenXmlTester(T_Base* base) {
  if (auto* open = dynamic_cast<T_XMLTest*>(FindWindowOfKind(kWindowXmlTester, base))) {
    open->BringToFront();
    return open;
  }
  return new (std::nothrow) T_XMLTest(base);
}

void InstallXmlTester() {
  BaseServices services = CurrentBaseServices();
  services.openXmlTester = [](T_Base* base) { OpenXmlTester(base); };
  SetBaseServices(&services);
}
