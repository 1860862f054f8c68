// Exporting a box window to a file. The target is never written in place: the text goes into a
// temporary file beside it, an append first copies the old file in, and the target is replaced
// only after a complete write. A cancel, a write error or a full disk leaves the target byte for
// byte as it was and no temporary file behind.
#include <algorithm>
#include <cstring>

#include "analysis/boxwin/box_output.h"
#include "core/alert.h"
#include "core/file_stream.h"
#include "core/files.h"
#include "core/memory.h"
#include "core/owned_text.h"
#include "core/utf8.h"
#include "database/text_form.h"
#include "ui/clipboard_data.h"
#include "ui/graphics_port.h"
#include "ui/pictures.h"

namespace {

constexpr int32_t kNameKeep = 80;
constexpr int32_t kNameMax = 120;
constexpr int64_t kAppendNonEmpty = 7;

int32_t CharCount(const T_TextBuf* text) { return Utf8CharCount(text->data); }

// Copies the old file's bytes into the open temporary file.
bool CopyOldFile(const char* path, T_OStreamFile* out) {
  SysFile file;
  if (!FileOpenRead(&file, path)) return false;
  char buffer[8192];
  bool ok = true;
  while (true) {
    int64_t n = FileRead(&file, buffer, sizeof buffer);
    if (n < 0) {
      ok = false;
      break;
    }
    if (n == 0) break;
    out->PutBytes(buffer, n);
  }
  FileClose(&file);
  return ok;
}

}  // namespace

void ExportNameFromTitle(T_TextBuf* name, const char* title, const char* extension) {
  TextBufAssign(name, title);
  // The title's own dot-suffix is the extension; the other dots go with the removed characters.
  T_TextBuf ownExtension;
  TextBufInit(&ownExtension);
  const char* dot = strrchr(title, '.');
  if (dot && dot[1] && !strpbrk(dot + 1, " :<>/\\")) {
    TextBufAssign(&ownExtension, dot + 1);
    TextBufTruncate(name, static_cast<int32_t>(dot - title));
  }
  TextBufReplaceAll(name, ": ", "\n");
  for (char c : {'.', ':', '<', '>', '/', '\\'}) TextBufRemoveChar(name, c);
  const char* ext = ownExtension.length ? ownExtension.data : extension;
  int32_t extLength = static_cast<int32_t>(strlen(ext)) + 1;
  while (CharCount(name) > kNameKeep - extLength) {
    int32_t br = TextBufFind(name, 0, "\n");
    if (br < 0) break;
    TextBufDelete(name, 0, br + 1);
  }
  if (CharCount(name) > kNameMax - extLength) {
    // Cut between characters, then the ellipsis.
    const char* p = name->data;
    for (int32_t i = 0; i < kNameMax - extLength - 1 && *p; ++i) Utf8NextChar(&p);
    TextBufTruncate(name, static_cast<int32_t>(p - name->data));
    TextBufAppend(name, "\xE2\x80\xA6");
  }
  for (int32_t i = 0; i < name->length; ++i)
    if (name->data[i] == '\n') name->data[i] = ' ';
  TextBufAppendChar(name, '.');
  TextBufAppend(name, ext);
  TextBufFree(&ownExtension);
}

void T_BoxWin::DefaultExportName(T_TextBuf* name) {
  static const char* const kExtensions[] = {"txt", "htm", "xml"};
  const char* ext = viewMode != 0 ? "bmp" : kExtensions[output.format <= 2 ? output.format : 0];
  ExportNameFromTitle(name, Title(), ext);
}

bool T_BoxWin::RenderChart(OffscreenBitmap* bitmap, bool forClipboard) {
  if (!grid) return false;
  int32_t w = output.chartWidth ? static_cast<int32_t>(output.chartWidth) : grid->width;
  int32_t h = output.chartHeight ? static_cast<int32_t>(output.chartHeight) : grid->height;
  int64_t first = forClipboard && CopyTableCurrent()->code == 5 ? GetTopRow() : 0;
  if (viewMode == 3 || viewMode == 4) {
    int64_t rows = (rowCount - first) * GetRowHeight(first);
    int32_t needed = static_cast<int32_t>(std::min<int64_t>(rows, 30000)) + (viewMode == 4 ? kViewMode4Bar : 0);
    h = std::max(h, needed);
  }
  bool titlesShown = !forClipboard && viewMode != 3;
  int32_t band = titlesShown ? titleHeight + 5 : 0;
  if (forClipboard) {
    w = std::max(w, 100);
    h = std::max(h, 48);
  }
  GraphicsPort port;
  PortInitRegions(&port);
  RECT rect{0, 0, w, h + band};
  bool opened = PortOpenOffscreen(&port, bitmap, &rect);
  if (opened) {
    if (titlesShown) {
      BoxDrawRecord part{};
      part.printing = 1;
      part.phase = 4;
      part.band = RECT{0, 0, w, titleHeight};
      PrintPart(&part);
    }
    BoxDrawRecord record;
    RECT bounds{0, band, w, band + h};
    InitDrawRecord(&record, &bounds);
    record.firstRow = first;
    record.offsetX = 0;
    DrawGrid(&record);
    PortClose(&port);
  }
  PortFreeRegions(&port);
  return opened;
}

bool T_BoxWin::CopyChart() {
  OffscreenBitmap bitmap;
  if (!RenderChart(&bitmap, true)) return false;
  BitmapHolder holder;
  holder.bitmap = bitmap.bitmap;
  holder.rect = bitmap.rect;
  bool copied = BitmapToClipboard(&holder);
  OffscreenFree(&bitmap);
  return copied;
}

bool T_BoxWin::ExportToFile(const char* path, int32_t flags) {
  if (viewMode != 0) {
    // A picture is never appended to; like the text it goes through a temporary file.
    if (flags & kExportAppend) return false;
    OffscreenBitmap bitmap;
    if (!RenderChart(&bitmap, false)) return false;
    SelectObject(bitmap.dc, bitmap.oldBitmap);
    SaveTarget save;
    bool done = false;
    if (save.Create(path)) done = save.Commit(BitmapSaveFile(save.temp.data, bitmap.bitmap));
    OffscreenFree(&bitmap);
    return done;
  }
  int64_t existing = FileExists(path) ? FileSizeOfPath(path) : 0;
  if (flags & kExportAppend) {
    if (existing >= kAppendNonEmpty)
      flags |= kExportAppendNonEmpty;
    else if (!(flags & kExportAppendNonEmpty))
      flags &= ~kExportAppend;
  }
  SaveTarget save;
  TextBufInit(&save.target);
  TextBufInit(&save.temp);
  bool done = false;
  if (save.Create(path)) {
    T_OStreamFile stream;
    stream.SetEncoding(output.encoding);
    bool appending = (flags & kExportAppendNonEmpty) != 0;
    if (stream.Open(save.temp.data, appending ? kOpenNoBom : 0)) {
      bool copied = !appending || CopyOldFile(path, &stream);
      if (copied && !AbortRequested()) {
        if (appending) stream.PutBytes(stream.newline, stream.newlineLength);
        WriteText(&stream, flags);
      }
      bool written = stream.Close() && copied;
      done = save.Commit(written);
    } else {
      save.Abandon();
    }
  }
  TextBufFree(&save.target);
  TextBufFree(&save.temp);
  return done;
}

void T_BoxWin::Export(const char* path, int32_t flags) {
  if (path) {
    if (!ExportToFile(path, flags)) PendingErrorReport();
    return;
  }
  Calculate(true);
  if (AbortRequested()) return;
  void* probe = MemNew(20480);
  if (!probe) return;
  MemFree(probe);
  T_TextBuf chosen;
  TextBufInit(&chosen);
  if (!exportPath) {
    DefaultExportName(&chosen);
    BlockTextAssign(&exportPath, chosen.data);
  }
  TextBufAssign(&chosen, exportPath);
  if (BoxServices().askExportPath(this, &chosen)) {
    BlockTextAssign(&exportPath, chosen.data);
    if (!ExportToFile(chosen.data, 0)) PendingErrorReport();
  }
  TextBufFree(&chosen);
}
