#include "ui/link_display.h"

#include <cstring>
#include <vector>

#include "core/alert.h"
#include "ui/clipboard_data.h"
#include "ui/draw_primitives.h"
#include "ui/element.h"
#include "ui/element_paint.h"
#include "ui/event_record.h"
#include "ui/graphics_port.h"
#include "ui/item.h"
#include "ui/link_handler.h"
#include "ui/popup_menu.h"
#include "ui/text_layout.h"

namespace {

LinkEditorOpener editorOpener = nullptr;

// The link of the running link menu; menus may nest (a command may open another element's).
struct MenuLink {
  T_GrafElement* element;
  LinkRef* link;
  MenuLink* previous;
};
MenuLink* currentMenu = nullptr;

// A port on the element for the length of a call. Drawing reuses the port that is open (the
// element paints itself); pointer work always opens one, so its measures are the element's.
class T_ElementPort {
 public:
  T_ElementPort(T_GrafElement* element, bool reuseOpen) {
    DrawContext_Init(&context_);
    if (reuseOpen && Gfx.port) return;
    opened_ = DrawContext_Begin(&context_, element);
  }
  ~T_ElementPort() {
    if (opened_) DrawContext_End(&context_);
  }
  T_ElementPort(const T_ElementPort&) = delete;
  T_ElementPort& operator=(const T_ElementPort&) = delete;

 private:
  DrawContext context_;
  bool opened_ = false;
};

T_LinkContext* ContextOf(const T_GrafElement* element) {
  return element ? element->linkContext : nullptr;
}

struct LaidText {
  T_TextBuf plain;
  SpanList spans;
};

void Lay(T_GrafElement* element, const char* text, LaidText* laid) {
  LinkText_Layout(ContextOf(element), text, &laid->plain, &laid->spans, nullptr, -1, nullptr);
}

int32_t SpanEnd(const TextSpan* span) { return span->next ? span->next->start : kSpanEnd; }

// The start of the link run under the point, -1 for none: the run of the character under the
// point, or else of the one before it. *hit receives the plain index of that character.
int32_t LinkSpanAt(const RECT* rect, LaidText* laid, POINT point, int32_t* hit) {
  if (!PtInRect(rect, point)) return -1;
  int32_t index = TextHitTest(rect, laid->plain.data, point);
  if (index < 0) return -1;
  TextSpan* span = SpanListFind(&laid->spans, index);
  if (span->colour != kLinkColour && index > 0) {
    --index;
    span = SpanListFind(&laid->spans, index);
  }
  if (span->colour != kLinkColour) return -1;
  if (hit) *hit = index;
  return span->start;
}

void MarkRun(SpanList* spans, int32_t start, uint16_t flags, uint16_t colour) {
  if (start < 0) return;
  TextSpan* span = SpanListFind(spans, start);
  if (span->start != start) return;
  SpanListMark(spans, start, SpanEnd(span), flags, colour);
}

void Redraw(T_GrafElement* element, const RECT* rect, LaidText* laid) {
  T_ElementPort port(element, false);
  RectErase(rect);
  TextDrawInRect(rect, laid->plain.data, laid->spans.first());
}

// The start of the link markup that holds the byte index, -1 when it lies outside every link.
int32_t MarkupStartAround(T_LinkContext* context, const char* text, int32_t index) {
  const char* cursor = text;
  LinkRef link;
  link.context = context;
  link.sourceText = text;
  while (LinkText_Parse(&link, &cursor, nullptr)) {
    if (index < link.start) return -1;
    if (index < link.start + link.length) return link.start;
  }
  return -1;
}

// The markup of the link as the source holds it; false when the link's range does not lie in it.
bool MarkupOf(const LinkRef* link, const char** bytes) {
  const char* source = link->editBuffer ? link->editBuffer->data : link->sourceText;
  if (!source || link->start < 0 || link->length <= 0) return false;
  auto length = static_cast<int64_t>(std::strlen(source));
  if (link->start + static_cast<int64_t>(link->length) > length) return false;
  *bytes = source + link->start;
  return true;
}

bool CopyMarkup(const LinkRef* link) {
  const char* markup = nullptr;
  if (!MarkupOf(link, &markup)) return false;
  if (ClipboardSetText(markup, link->length, 0)) return true;
  PendingErrorResource();
  return false;
}

void ListEntries(const LinkRef* link, PopupCommandList* list) {
  bool editable = link->editBuffer != nullptr;
  if (editable) PopupMenu_AddCommand(list, kLinkMenuCut, false);
  PopupMenu_AddCommand(list, kLinkMenuCopy, false);
  if (editable) {
    PopupMenu_AddCommand(list, kLinkMenuErase, false);
    PopupMenu_AddCommand(list, kLinkMenuDuplicate, false);
    PopupMenu_AddCommand(list, kLinkMenuProperties, true);
    PopupMenu_AddCommand(list, kLinkMenuFreeze, false);
  }
  if (link->kind == kLinkFile) {
    uint16_t folder = LinkRef_FileMissing(link) ? kLinkMenuEnclosingFolder : kLinkMenuOpenFolder;
    PopupMenu_AddCommand(list, folder, true);
  }
}

void RunCommand(T_GrafElement* element, LinkRef* link, int32_t id) {
  T_TextBuf* buffer = link->editBuffer;
  const char* markup = nullptr;
  bool inRange = MarkupOf(link, &markup);
  switch (id) {
    case kLinkMenuCut:
      // A link that did not reach the clipboard stays in the text.
      if (buffer && CopyMarkup(link)) TextBufDelete(buffer, link->start, link->length);
      break;
    case kLinkMenuCopy:
      CopyMarkup(link);
      break;
    case kLinkMenuErase:
      if (buffer && inRange) TextBufDelete(buffer, link->start, link->length);
      break;
    case kLinkMenuDuplicate:
      if (buffer && inRange) {
        T_TextBuf copy;
        TextBufAssignBytes(&copy, markup, link->length);
        TextBufAppendChar(&copy, ' ');
        // All or nothing: a copy cut at the size limit would leave broken markup behind.
        if (copy.length == link->length + 1) {
          TextBufReplaceBytes(buffer, link->start, 0, copy.data, copy.length);
        }
      }
      break;
    case kLinkMenuProperties:
      if (buffer) LinkEditor_Open(link, element);
      break;
    case kLinkMenuFreeze:
      if (buffer && inRange) {
        TextBufReplaceBytes(buffer, link->start, link->length, link->text.data, link->text.length);
      }
      break;
    case kLinkMenuEnclosingFolder:
    case kLinkMenuOpenFolder:
      LinkRef_ShowFolder(link);
      break;
    default:
      break;
  }
}

}  // namespace

int32_t LinkText_ShowMode(T_GrafElement* element, int32_t linkMode, const char* text,
                          bool focused) {
  if (!LinkText_HasLinks(ContextOf(element), text)) return kLinkShowRaw;
  switch (linkMode) {
    case 1:
      return focused ? kLinkShowRaw : kLinkShowLinks;
    case 2:
      return focused ? kLinkShowPlain : kLinkShowLinks;
    case 3:
      return kLinkShowPlain;
    default:
      return kLinkShowRaw;
  }
}

void LinkText_Draw(T_GrafElement* element, const RECT* rect, const char* text,
                   int32_t hoveredLink) {
  if (!text) return;
  T_ElementPort port(element, true);
  if (!LinkText_HasLinks(ContextOf(element), text)) {
    TextDrawInRect(rect, text, nullptr);
    return;
  }
  LaidText laid;
  Lay(element, text, &laid);
  MarkRun(&laid.spans, hoveredLink, kLinkSpanHot, kLinkColour);
  TextDrawInRect(rect, laid.plain.data, laid.spans.first());
}

void LinkText_TrackHover(T_GrafElement* element, const RECT* rect, const char* text, POINT point,
                         int32_t* hoveredLink) {
  int32_t found = -1;
  LaidText laid;
  bool links = text && LinkText_HasLinks(ContextOf(element), text);
  if (links) {
    T_ElementPort port(element, false);
    Lay(element, text, &laid);
    found = LinkSpanAt(rect, &laid, point, nullptr);
  }
  if (found != *hoveredLink) {
    *hoveredLink = found;
    if (text) {
      if (!links) Lay(element, text, &laid);
      MarkRun(&laid.spans, found, kLinkSpanHot, kLinkColour);
      Redraw(element, rect, &laid);
    }
  }
  if (found >= 0) CursorSet(kLinkCursor);
}

bool LinkText_Click(T_GrafElement* element, const RECT* rect, const char* text,
                    const InputEvent* event, T_TextBuf* editBuffer) {
  if (!text || !event || !LinkText_HasLinks(ContextOf(element), text)) return false;
  LaidText laid;
  int32_t hit = -1;
  int32_t run = -1;
  {
    T_ElementPort port(element, false);
    Lay(element, text, &laid);
    run = LinkSpanAt(rect, &laid, POINT{event->x, event->y}, &hit);
  }
  if (run < 0) return false;

  LinkRef link;
  link.context = ContextOf(element);
  const char* source = text;
  if (editBuffer) {
    TextBufAssign(editBuffer, text);
    source = editBuffer->data;
    link.editBuffer = editBuffer;
  }
  T_TextBuf plain;
  if (!LinkText_Layout(link.context, source, &plain, nullptr, nullptr, hit, &link)) return false;
  link.sourceText = source;

  if (event->rightButton) {
    LinkMenu_Run(element, &link, event);
    return true;
  }

  // The runs drawn change colour while the press lasts; the pointer is tested on the laid-out ones.
  LaidText hits;
  Lay(element, text, &hits);
  bool over = true;
  MarkRun(&laid.spans, run, kLinkSpanHot, kLinkPressedColour);
  Redraw(element, rect, &laid);
  InputEvent poll = *event;
  for (;;) {
    Item_PollPointer(element, &poll);
    if (!poll.anyButton) break;
    bool now;
    {
      T_ElementPort port(element, false);
      now = LinkSpanAt(rect, &hits, POINT{poll.x, poll.y}, nullptr) == run;
    }
    if (now == over) continue;
    over = now;
    MarkRun(&laid.spans, run, over ? kLinkSpanHot : 0, over ? kLinkPressedColour : kLinkColour);
    Redraw(element, rect, &laid);
  }
  {
    T_ElementPort port(element, false);
    over = LinkSpanAt(rect, &hits, POINT{poll.x, poll.y}, nullptr) == run;
  }
  MarkRun(&laid.spans, run, 0, kLinkColour);
  Redraw(element, rect, &laid);
  if (over) LinkRef_Follow(&link);
  return true;
}

int32_t LinkText_SourceIndexAt(T_GrafElement* element, const RECT* rect, const char* text,
                               POINT point) {
  if (!text) return 0;
  T_ElementPort port(element, false);
  T_LinkContext* context = ContextOf(element);
  auto n = static_cast<int32_t>(std::strlen(text));
  std::vector<uint16_t> map(static_cast<size_t>(n) + 1, 0);
  T_TextBuf plain;
  LinkText_Layout(context, text, &plain, nullptr, map.data(), -1, nullptr);
  int32_t position = TextHitTest(rect, plain.data, point);
  if (position == -2) position = 0;
  if (position < 0) position = plain.length;

  LinkRef link;
  link.context = context;
  T_TextBuf scratch;
  if (LinkText_Layout(context, text, &scratch, nullptr, nullptr, position, &link) &&
      link.length > 0) {
    int32_t end = map[link.start];
    int32_t start = end - link.text.length;
    // The end of a link's text counts as after it, or a caret there would land before the link.
    if (end - position < position - start) return link.start + link.length;
    return link.start;
  }
  for (int32_t i = 0; i < n; ++i) {
    if (map[i] >= position) return i;
  }
  return n;
}

POINT LinkText_DrawCaret(T_GrafElement* element, int32_t state, const RECT* rect, const char* text,
                         int32_t sourceIndex) {
  POINT point{rect->left, rect->top};
  T_ElementPort port(element, true);
  if (!text) text = "";
  T_LinkContext* context = ContextOf(element);
  auto n = static_cast<int32_t>(std::strlen(text));
  std::vector<uint16_t> map(static_cast<size_t>(n) + 1, 0);
  T_TextBuf plain;
  LinkText_Layout(context, text, &plain, nullptr, map.data(), -1, nullptr);
  int32_t position;
  if (sourceIndex == -1 || sourceIndex >= n) {
    position = -1;
  } else if (sourceIndex < 0) {
    position = -2;
  } else if (int32_t markup = MarkupStartAround(context, text, sourceIndex); markup >= 0) {
    // Anywhere inside the markup the caret stands before the link.
    position = markup > 0 ? map[markup - 1] + 1 : 0;
  } else {
    position = map[sourceIndex];
  }
  if (position >= plain.length) position = -1;
  TextCaretPoint(&point, rect, plain.data, position);
  if (state) {
    RECT bar{point.x, point.y - 10, point.x + 1, point.y + 3};
    RectInvert(&bar);
  }
  return point;
}

void LinkMenu_Run(T_GrafElement* element, LinkRef* link, const InputEvent* event) {
  MenuLink entry{element, link, currentMenu};
  currentMenu = &entry;
  RunContextMenu(element, kMenuSelectorLink, event, -1);
  currentMenu = entry.previous;
}

bool LinkMenu_Handle(T_GrafElement* element, ContextMenuRecord* record, int32_t phase) {
  if (record->selector != kMenuSelectorLink || !currentMenu || currentMenu->element != element) {
    return false;
  }
  LinkRef* link = currentMenu->link;
  if (phase == kMenuPhaseList) {
    ListEntries(link, &record->commands);
  } else if (phase == kMenuPhaseRun) {
    RunCommand(element, link, static_cast<int32_t>(record->entry));
  }
  return true;
}

void SetLinkEditorOpener(LinkEditorOpener opener) { editorOpener = opener; }

bool LinkEditor_Open(LinkRef* link, T_GrafElement* element) {
  return editorOpener && editorOpener(link, element);
}
