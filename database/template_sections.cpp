#include "database/template_sections.h"

#include "core/alert.h"
#include "core/input_stream.h"
#include "core/output_stream.h"
#include "core/text_buffer.h"
#include "core/threads.h"
#include "database/base.h"
#include "database/file_kinds.h"
#include "database/file_progress.h"
#include "database/operation_log.h"
#include "database/save_options.h"
#include "database/template_runner.h"
#include "database/template_tree.h"
#include "database/templates.h"
#include "ui/document_window.h"

namespace {

constexpr int32_t kStatusTemplates = 4517;
// Text forms dated before this knew no time-function templates under the letter "T".
constexpr int32_t kTimeTemplatesSince = 19961018;

// The first field of the current line, raw, the line rewound behind it.
void FirstField(T_IStream* stream, const char** field, int32_t* length) {
  stream->RewindLine();
  stream->NextFieldRaw();
  *field = stream->Field();
  *length = stream->FieldLength();
  stream->RewindLine();
}

bool IsSectionStart(const char* field, int32_t length) {
  return length >= 2 && field[0] == '#' && field[1] == '#';
}

// The kind a template line of "##Templates" makes: 0 for a line that is skipped with its
// records. The card template has its place in "##Defaults" only.
int32_t TreeTemplateKind(const T_Base* base, const char* field, int32_t length) {
  char letter = length >= 2 ? field[1] : 0;
  int32_t kind = TemplateKindFromLetter(letter);
  if (kind == kTemplateCard) return kTemplateFolder;
  bool oldTextForm = base->fileKind == kFileKindTextForm && base->fileVersion > 0 &&
                     base->fileVersion < kTimeTemplatesSince;
  if (kind == kTemplateTimeFunctions && oldTextForm) return kTemplateFolder;
  return kind;
}

}  // namespace

// --- The template filter -------------------------------------------------------------------------

TemplateFilter::TemplateFilter(const SaveOptions* options) {
  Criteria_Init(&pattern_);
  openOnly_ = options->openTemplatesOnly != 0;
  named_ = options->templateNameFilter != nullptr && options->templateNameFilter[0] != 0;
  if (named_) {
    T_TextBuf text(options->templateNameFilter);
    Criteria_Compile(&pattern_, &text, 5, false);
  }
}

TemplateFilter::~TemplateFilter() { MemFreeHeld(&pattern_); }

bool TemplateFilter::Passes(const T_Template* templ) const {
  if (templ->kind == kTemplateFolder) return false;
  if (openOnly_ && FindWindowOfTemplate(const_cast<T_Template*>(templ)) == nullptr) return false;
  return TemplatePassesFilter(templ, named_ ? &pattern_ : nullptr);
}

void MarkTemplateComponents(T_Base* base, const TemplateFilter* filter, BitVector* components) {
  T_Template* root = base->rootTemplate;
  for (T_Template* node = root ? root->firstChild : nullptr; node; node = node->NextBelow(root)) {
    if (filter->Passes(node)) node->MarkUsedComponents(components);
  }
}

// --- Reading -------------------------------------------------------------------------------------

void ReadTemplatesSection(T_Base* base, T_IStream* stream) {
  FileProgressSetStatus(FileProgressCurrent(), kStatusTemplates);
  LogOperation(base, "analysis template section", nullptr, kLogVerbReading | kLogStepIndent);
  uint64_t start = TickCount();
  int64_t count = 0;
  T_TextBuf path;
  bool atLine = stream->NextLine();
  while (atLine && !AbortRequested()) {
    const char* field = nullptr;
    int32_t length = 0;
    FirstField(stream, &field, &length);
    if (IsSectionStart(field, length)) break;
    int32_t kind = length > 0 && field[0] == '#' ? TreeTemplateKind(base, field, length) : 0;
    // The template factory makes nothing for a kind without a template class: its records are
    // skipped with the lines of every other kind skipped.
    T_Template* templ = kind != kTemplateFolder ? NewTemplate(base, kind) : nullptr;
    if (templ == nullptr) {
      atLine = stream->NextLine();
      continue;
    }
    stream->NextFieldRaw();
    stream->ReadFieldBuf(&path);
    atLine = templ->ReadRecords(stream, stream->NextLine());
    if (!StoreTemplate(base, templ, path.c_str())) {
      DeleteTemplate(templ);
      LogOperation(base, "analysis template", path.c_str(), kLogVerbSkipped);
      continue;
    }
    LogOperation(base, "analysis template", path.c_str(), kLogVerbLoaded);
    ++count;
  }
  LogLoadTime(base, "templates", count, start);
  LogOperation(base, "analysis template section", nullptr, kLogVerbCompleted | kLogStepOutdent);
}

void ReadDefaultsSection(T_Base* base, T_IStream* stream) {
  bool atLine = stream->NextLine();
  FileProgressSetStatus(FileProgressCurrent(), kStatusTemplates);
  LogOperation(base, "analysis defaults section", nullptr, kLogVerbReading);
  while (atLine && !AbortRequested()) {
    const char* field = nullptr;
    int32_t length = 0;
    FirstField(stream, &field, &length);
    if (IsSectionStart(field, length)) break;
    T_Template* templ = length >= 2 && field[0] == '#'
                            ? base->GetDefaultTemplate(TemplateKindFromLetter(field[1]))
                            : nullptr;
    atLine = stream->NextLine();
    if (templ != nullptr) atLine = templ->ReadRecords(stream, atLine);
  }
  LogOperation(base, "analysis defaults section", nullptr, kLogVerbCompleted);
}

// --- Writing -------------------------------------------------------------------------------------

void WriteTemplatesSection(T_Base* base, T_OStream* stream) {
  T_Template* root = base->rootTemplate;
  if (root == nullptr || root->firstChild == nullptr) return;
  T_FileWait* progress = FileProgressCurrent();
  FileProgressSetStatus(progress, kStatusTemplates);
  stream->PutText("##Templates");
  stream->PutNewline();
  TemplateFilter filter(&base->saveOptions);
  for (T_Template* node = root->firstChild; node && !AbortRequested();
       node = node->NextBelow(root)) {
    if (node->kind == kTemplateFolder) continue;
    if (filter.Passes(node)) node->WriteText(stream);
    FileProgressAddSteps(progress, kTemplateSteps);
  }
}

void WriteDefaultsSection(T_Base* base, T_OStream* stream) {
  FileProgressSetStatus(FileProgressCurrent(), kStatusTemplates);
  stream->PutText("##Defaults");
  stream->PutNewline();
  for (int32_t kind : kDefaultTemplateKinds) {
    if (T_Template* templ = base->GetDefaultTemplate(kind)) templ->WriteText(stream);
  }
  stream->PutNewline();
}
