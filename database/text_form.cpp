#include "database/text_form.h"

#include "core/alert.h"
#include "core/files.h"
#include "database/file_kinds.h"
#include "database/file_progress.h"

// --- Saving through a temporary file
// -----------------------------------------------------------------

bool SaveTarget::Create(const char* path) {
  Abandon();
  TextBufAssign(&target, path);
  FileRemoveTempsBeside(path);
  return FileCreateTempBeside(path, &temp);
}

bool SaveTarget::Commit(bool written) {
  if (temp.empty()) return false;
  // A file cut short by a failed write or by a cancel must never take the target's place.
  if (!written || AbortRequested()) {
    Abandon();
    return false;
  }
  bool replaced = FileCommitTemp(temp.c_str(), target.c_str());
  TextBufAssign(&temp, "");
  return replaced;
}

void SaveTarget::Abandon() {
  if (!temp.empty()) FileDelete(temp.c_str());
  TextBufAssign(&temp, "");
}

// --- Reading
// -----------------------------------------------------------------------------------------

T_HTextRead::T_HTextRead() : progress(FileProgressCurrent()) {}

bool T_HTextRead::Open(const char* path) {
  if (!T_IStreamFile::Open(path)) return false;
  FileProgressBegin(progress, FileGetSize(&file), false);
  return true;
}

bool T_HTextRead::Refill() {
  FileProgressSetPosition(progress, FileTell(&file));
  return T_IStreamFile::Refill();
}

// --- Writing
// -----------------------------------------------------------------------------------------

T_HTextWrite::T_HTextWrite() : progress(FileProgressCurrent()) {}

T_HTextWrite::~T_HTextWrite() { Abandon(); }

bool T_HTextWrite::Open(const char* path) {
  Abandon();
  if (AbortRequested() || !save.Create(path)) return false;
  if (T_OStreamFile::Open(save.temp.c_str(), 0, path)) return true;
  save.Abandon();
  return false;
}

void T_HTextWrite::MakeRoom(int64_t n) {
  T_OStreamFile::MakeRoom(n);
  FileProgressStepRefresh(progress);
}

bool T_HTextWrite::Commit() {
  bool written = Close();
  return save.Commit(written);
}

void T_HTextWrite::Abandon() {
  SetBuffer(start, end - start, start);  // what is still buffered is dropped, not written
  Close();
  save.Abandon();
}

void WriteTextFormTag(T_OStream* stream) {
  stream->PutText("##QEB-Text");
  stream->PutSeparator();
  stream->PutText(kFormatDateText);
  stream->PutNewline();
  stream->PutNewline();
}
