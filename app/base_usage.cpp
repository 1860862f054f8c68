#include "app/base_usage.h"

#include <algorithm>
#include <cstring>

#include "core/alert.h"
#include "core/bit_vector.h"
#include "core/copy_table.h"
#include "core/date_record.h"
#include "core/files.h"
#include "core/locale.h"
#include "core/localized_text.h"
#include "core/message_pump.h"
#include "core/output_stream.h"
#include "database/base.h"
#include "database/cards.h"
#include "database/components.h"
#include "ui/window_utilities.h"

namespace {

constexpr int32_t kPumpEvery = 512;  // cards between two message pumps while counting

// Labels (text ids).
constexpr int32_t kTextDatabaseSize = 4020;
constexpr int32_t kTextInMemory = 4022;
constexpr int32_t kTextInFile = 4023;
constexpr int32_t kTextCardsAndLines = 4024;
constexpr int32_t kTextCards = 2547;
constexpr int32_t kTextGroups = 4025;
constexpr int32_t kTextLines = 2548;
constexpr int32_t kTextCardTitles = 4026;
constexpr int32_t kTextLineTexts = 4027;
constexpr int32_t kTextNotes = 3506;
constexpr int32_t kTextFirst = 2816;
constexpr int32_t kTextLast = 2817;
constexpr int32_t kTextDimensionComponents = 4028;
constexpr int32_t kTextInUse = 4337;
constexpr int32_t kTextActive = 4336;
constexpr int32_t kTextAll = 4335;
constexpr int32_t kTextTotal = 4029;
constexpr int32_t kTextAnalyses = 4030;
constexpr int32_t kTextAnalysisTemplates = 4031;
constexpr int32_t kTextMemoryInUse = 4032;
constexpr int32_t kTextFileOnDisk = 4033;
constexpr int32_t kTextFileSavedAt = 4034;
constexpr int32_t kTextNotSaved = 4035;
constexpr int32_t kTextVersion = 4036;
constexpr int32_t kTextSystem = 4037;
constexpr int32_t kTextUser = 4038;
constexpr int32_t kTextDatabaseFile = 4039;
constexpr int32_t kTextModified = 3503;
constexpr int32_t kTextFileSize = 4040;

void MarkComponent(BitVector* marks, int64_t component) {
  if (component > 0 && component < marks->count) BitVecSet(marks, component, true);
}

// Appends at most n bytes of the text, cut back to a character boundary.
void AppendCut(T_TextBuf* out, const char* text, int32_t n) {
  int32_t length = static_cast<int32_t>(std::strlen(text));
  if (length > n) {
    length = n;
    while (length > 0 && (static_cast<uint8_t>(text[length]) & 0xC0) == 0x80) --length;
  }
  TextBufAppendBytes(out, text, length);
}

int32_t HighestDimensionWithComponents(T_Base* base) {
  for (int32_t d = kDimensionCount - 1; d >= 1; --d) {
    if (base->HasSubComponents(d)) return d;
  }
  return 0;
}

// The dimensions written in the text and HTML forms: 0 up to the highest with components.
int32_t ListedDimensions(const BaseUsage* usage) {
  int32_t n = 0;
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    if (usage->all[d] != 0) n = d + 1;
  }
  return n;
}

// --- The text form's writer ---

struct TextWriter {
  T_OStream* stream;
  uint32_t separator;  // thousands

  void Field(const char* text) {
    stream->PutText(text);
    stream->PutSeparator();
  }
  void Label(int32_t id) { Field(GetString(id)); }
  void End() { stream->PutNewline(); }
  void Empty() { stream->PutNewline(); }
  void Title(int32_t id) {
    Label(id);
    End();
  }
  void Count(int32_t id, int64_t count) {
    T_TextBuf text;
    FormatCount(&text, count, separator);
    Label(id);
    Field(text.c_str());
    End();
  }
  void Pair(int32_t id, const char* value) {
    Label(id);
    Field(value);
    End();
  }
};

uint32_t ThousandsOf(const CopyTableSettings* settings) {
  if (settings->thousandsSeparator == kSeparatorNone) return 0;
  if (settings->thousandsSeparator >= 9) return settings->thousandsSeparator;
  return kSeparatorGlobal;
}

// --- The HTML form's writer ---

void HtmlTableOpen(T_OStream* stream) {
  stream->PutLine("<table class=\"baseinfo\" border=0 cellspacing=0 cellpadding=0>");
}

void HtmlHeading(T_OStream* stream, int32_t id) {
  stream->PutText("<h4 class=\"baseinfo\">");
  stream->PutEscaped(GetString(id));
  stream->PutText("</h4>");
  stream->PutNewline();
}

void HtmlRow(T_OStream* stream, int32_t id, const char* valueClass, const char* value) {
  stream->PutLine("<tr>");
  stream->PutText("<td>");
  stream->PutEscaped(GetString(id));
  stream->PutText("</td>");
  stream->PutNewline();
  stream->PutText("<td class=\"");
  stream->PutText(valueClass);
  stream->PutText("\">");
  stream->PutEscaped(value);
  stream->PutText("</td>");
  stream->PutNewline();
  stream->PutLine("</tr>");
}

void HtmlCountRow(T_OStream* stream, int32_t id, int64_t count) {
  T_TextBuf text;
  FormatCount(&text, count, kSeparatorGlobal);
  HtmlRow(stream, id, "cardinfo", text.c_str());
}

void HtmlDimRow(T_OStream* stream, const char* name, int64_t inUse, int64_t all) {
  T_TextBuf text;
  stream->PutLine("<tr>");
  stream->PutText("<td>");
  stream->PutEscaped(name);
  stream->PutText("</td>");
  stream->PutNewline();
  for (int64_t count : {inUse, all}) {
    FormatCount(&text, count, kSeparatorGlobal);
    stream->PutText("<td class=\"diminfo\">");
    stream->PutText(text.c_str());
    stream->PutText("</td>");
    stream->PutNewline();
  }
  stream->PutLine("</tr>");
}

}  // namespace

void FormatCount(T_TextBuf* out, int64_t count, uint32_t separator) {
  if (count == 0) {
    TextBufAssign(out, "-");
  } else {
    TextBufAssignIntGrouped(out, count, separator);
  }
}

void FormatCardIdOrDash(T_TextBuf* out, const CardId* id, int32_t digits) {
  if (id->date == 0) {
    TextBufAssign(out, "-");
  } else {
    FormatCardIdToString(out, id, digits);
  }
}

void CountBaseUsage(T_Base* base, BaseUsage* usage) {
  for (int32_t i = 0; i < 33; ++i) usage->all[i] = usage->active[i] = usage->inUse[i] = 0;
  usage->cardTitles = usage->notes = usage->lineTexts = 0;
  usage->first = CardId{};
  usage->last = CardId{};
  BitVector marks;
  BitVecInit(&marks, base->componentPool.count, 0);
  BitVecFill(&marks, false);  // the words come uncleared
  const int32_t slots = std::min(HighestDimensionWithComponents(base), base->lineSlots);
  CardRecord* sentinel = base->sentinelCard;
  int64_t visited = 0;
  for (CardRecord* card = sentinel ? sentinel->next : nullptr; card && card != sentinel;
       card = card->next) {
    if (card->title && *card->title) ++usage->cardTitles;
    if (card->notes && *card->notes) ++usage->notes;
    for (GroupRecord* group = card->firstGroup; group; group = group->next) {
      MarkComponent(&marks, group->component);
      for (LineRecord* line = group->firstLine; line; line = line->next) {
        if (line->text && *line->text) ++usage->lineTexts;
        for (int32_t slot = slots - 1; slot >= 0; --slot) {
          MarkComponent(&marks, base->GetLineComponent(line, slot));
        }
      }
    }
    if (++visited % kPumpEvery == 0) PumpMessages();
  }
  if (sentinel && sentinel->next != sentinel) {
    usage->first = CardGetId(sentinel->next);
    usage->last = CardGetId(sentinel->previous);
  }
  for (int32_t d = 0; d < kDimensionCount; ++d) {
    ComponentRecord* root = ComponentAt(base, d);
    if (!root || !root->firstChild || d >= marks.count) continue;
    BitVecSet(&marks, d, true);
    // Pre-order: an ancestor is always visited before its descendants, so marking ancestors
    // never reaches a component still to come.
    for (ComponentRecord* c = root->firstChild; c && c != root;) {
      ++usage->all[d];
      if (BitVecGet(&marks, c->number)) {
        ++usage->inUse[d];
        ++usage->active[d];
        for (ComponentRecord* up = c->parent; up && !BitVecGet(&marks, up->number); up = up->parent) {
          BitVecSet(&marks, up->number, true);
          ++usage->active[d];
        }
      }
      if (c->firstChild) {
        c = c->firstChild;
        continue;
      }
      while (c != root && !c->nextSibling) c = c->parent;
      if (c != root) c = c->nextSibling;
    }
    usage->all[kUsageTotal] += usage->all[d];
    usage->active[kUsageTotal] += usage->active[d];
    usage->inUse[kUsageTotal] += usage->inUse[d];
  }
  BitVecFree(&marks);
  usage->cards = base->cardCount;
  usage->groups = base->groupCount;
  usage->lines = base->lineCount;
}

void MeasureBaseMemory(T_Base* base, BaseUsage* usage) {
  base->GetMemoryUsage(&usage->memorySize, &usage->poolReserve);
}

void ReadBaseFileState(T_Base* base, BaseUsage* usage) {
  const char* path = base->path->c_str();
  usage->fileDate = FileModifiedDate(path);
  usage->fileSize = usage->fileDate != 0 ? std::max<int64_t>(FileSizeOfPath(path), 0) : 0;
  PendingErrorClear();
}

int32_t BaseInfoRows(T_Base* base) {
  for (int32_t d = kDimensionCount - 1; d >= 12; --d) {
    if (base->IsDimUsed(d)) return d + 1;
  }
  return 12;
}

void ComputeBaseInfoLayout(T_Base* base, int32_t widestName, BaseInfoLayout* layout) {
  const int32_t r = BaseInfoRows(base);
  layout->rows = r;
  layout->dimFrameHeight = (r + 3) / 4 * 4 + 13 * r + 46;
  // The columns take 225 from the right, the names start 8 in from a frame's inner edge.
  layout->dimFrameWidth = std::max(widestName, 45) + 236;
  const FileInfo& info = base->fileInfo;
  int32_t file = info.versionLabel && *info.versionLabel ? 31 : 18;
  if (info.operatingSystem && *info.operatingSystem) file += 13;
  T_TextBuf user;
  BaseUserText(base, &user);
  if (!user.empty()) file += 13;
  layout->fileFrameHeight = file;
  layout->width = layout->dimFrameWidth + 260;
  layout->height = std::max(layout->dimFrameHeight + 40, file + 310);
}

void FormatFileDate(double seconds, T_TextBuf* out) {
  TextBufAssign(out, "");
  if (seconds == 0) return;
  DateRecord date;
  DateFromSeconds(&date, seconds);
  if (date.day == 0) return;
  date.precision = 4;
  DateFormatBuf(&date, out);
}

void BaseSavedAt(T_Base* base, const BaseUsage* usage, T_TextBuf* out) {
  TextBufAssign(out, "");
  if (const char* saved = base->fileInfo.saveTime; saved && *saved) {
    DateRecord date;  // the 1970 window: two-digit years stand for 1970 to 2069
    DateParseStr(&date, saved);
    if (date.day != 0) {
      date.precision = std::min(date.precision, 4);
      DateFormatBuf(&date, out);
      return;
    }
  }
  FormatFileDate(usage->fileDate, out);
}

void BaseUserText(T_Base* base, T_TextBuf* out) {
  TextBufAssign(out, "");
  const char* user = base->fileInfo.userName;
  const char* computer = base->fileInfo.computerName;
  bool hasUser = user && *user;
  bool hasComputer = computer && *computer;
  if (hasUser) AppendCut(out, user, 15);
  if (hasUser && hasComputer) TextBufAppend(out, " / ");
  if (hasComputer) AppendCut(out, computer, 12);
}

void WriteBaseInfoText(T_Base* base, const BaseUsage* usage, T_OStream* stream) {
  const CopyTableSettings* settings = CopyTableCurrent();
  if (settings->fieldSeparator >= 9) stream->SetSeparator(settings->fieldSeparator);
  if (settings->lineEnd >= 9) stream->SetNewlineChar(settings->lineEnd);
  TextWriter w{stream, ThousandsOf(settings)};
  T_TextBuf text;
  T_TextBuf date;

  w.Field(base->path->c_str());
  w.End();
  w.Empty();

  w.Title(kTextDatabaseSize);
  FormatByteSize(&text, usage->memorySize);
  w.Pair(kTextInMemory, text.c_str());
  FormatByteSize(&text, usage->fileSize);
  FormatFileDate(usage->fileDate, &date);
  w.Label(kTextInFile);
  w.Field(text.c_str());
  w.Field(date.c_str());
  w.End();
  w.Empty();

  w.Title(kTextCardsAndLines);
  w.Count(kTextCards, usage->cards);
  w.Count(kTextGroups, usage->groups);
  w.Count(kTextLines, usage->lines);
  w.Count(kTextCardTitles, usage->cardTitles);
  w.Count(kTextLineTexts, usage->lineTexts);
  w.Count(kTextNotes, usage->notes);
  FormatCardIdOrDash(&text, &usage->first, base->cardDigits);
  w.Pair(kTextFirst, text.c_str());
  FormatCardIdOrDash(&text, &usage->last, base->cardDigits);
  w.Pair(kTextLast, text.c_str());
  w.Empty();

  w.Title(kTextDimensionComponents);
  w.Field("");
  w.Label(kTextInUse);
  w.Label(kTextActive);
  w.Label(kTextAll);
  w.End();
  auto row = [&](const char* name, int32_t i) {
    w.Field(name);
    for (int64_t count : {usage->inUse[i], usage->active[i], usage->all[i]}) {
      FormatCount(&text, count, w.separator);
      w.Field(text.c_str());
    }
    w.End();
  };
  const int32_t listed = ListedDimensions(usage);
  for (int32_t d = 0; d < listed; ++d) row(base->GetDimPlural(d), d);
  row(GetString(kTextTotal), kUsageTotal);
  w.Empty();

  w.Title(kTextAnalyses);
  FormatCount(&text, usage->templateCount, w.separator);
  w.Pair(kTextAnalysisTemplates, text.c_str());
  FormatByteSize(&text, usage->analysesMemory);
  w.Pair(kTextMemoryInUse, text.c_str());
  w.Empty();

  w.Title(kTextFileOnDisk);
  BaseSavedAt(base, usage, &date);
  if (date.empty()) {
    w.Title(kTextNotSaved);
  } else {
    w.Pair(kTextFileSavedAt, date.c_str());
  }
  const FileInfo& info = base->fileInfo;
  if (info.versionLabel && *info.versionLabel) w.Pair(kTextVersion, info.versionLabel);
  if (info.operatingSystem && *info.operatingSystem) w.Pair(kTextSystem, info.operatingSystem);
  BaseUserText(base, &text);
  if (!text.empty()) w.Pair(kTextUser, text.c_str());
}

void WriteBaseInfoHtml(T_Base* base, const BaseUsage* usage, T_OStream* stream) {
  T_TextBuf text;
  HtmlHeading(stream, kTextDatabaseFile);
  stream->PutText("<p class=\"pathname\">");
  stream->PutEscaped(base->path->c_str());
  stream->PutText("</p>");
  stream->PutNewline();
  HtmlTableOpen(stream);
  FormatFileDate(usage->fileDate, &text);
  HtmlRow(stream, kTextModified, "fileinfo", text.c_str());
  FormatByteSize(&text, usage->fileSize);
  HtmlRow(stream, kTextFileSize, "fileinfo", text.c_str());
  FormatByteSize(&text, usage->memorySize);
  HtmlRow(stream, kTextInMemory, "fileinfo", text.c_str());
  stream->PutLine("</table>");
  stream->PutNewline();

  HtmlHeading(stream, kTextCardsAndLines);
  HtmlTableOpen(stream);
  HtmlCountRow(stream, kTextCards, usage->cards);
  HtmlCountRow(stream, kTextLines, usage->lines);
  stream->PutLine("<tr><td class=\"dataseparator\"/></tr>");
  HtmlCountRow(stream, kTextCardTitles, usage->cardTitles);
  HtmlCountRow(stream, kTextLineTexts, usage->lineTexts);
  HtmlCountRow(stream, kTextNotes, usage->notes);
  stream->PutLine("</table>");
  stream->PutNewline();

  HtmlHeading(stream, kTextDimensionComponents);
  HtmlTableOpen(stream);
  stream->PutLine("<tr>");
  stream->PutLine("<th></th>");
  for (int32_t id : {kTextInUse, kTextAll}) {
    stream->PutText("<th class=\"diminfo\">");
    stream->PutEscaped(GetString(id));
    stream->PutText("</th>");
    stream->PutNewline();
  }
  stream->PutLine("</tr>");
  const int32_t listed = ListedDimensions(usage);
  for (int32_t d = 0; d < listed; ++d) {
    HtmlDimRow(stream, base->GetDimPlural(d), usage->inUse[d], usage->all[d]);
  }
  stream->PutLine("<tr><td class=\"dataseparator\"/></tr>");
  HtmlDimRow(stream, GetString(kTextTotal), usage->inUse[kUsageTotal], usage->all[kUsageTotal]);
  stream->PutLine("</table>");
  stream->PutNewline();
}
