#include "ui/link_dialog.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "core/alert.h"
#include "core/file_dialogs.h"
#include "core/files.h"
#include "core/localized_text.h"
#include "core/memory.h"
#include "ui/button.h"
#include "ui/chooser.h"
#include "ui/clipboard_data.h"
#include "ui/draw_primitives.h"
#include "ui/graphics_port.h"
#include "ui/link_display.h"
#include "ui/link_handler.h"
#include "ui/text_layout.h"
#include "ui/transfer_list.h"
#include "ui/window.h"

namespace {

constexpr int32_t kWidth = 440;
constexpr int32_t kHeight = 160;
constexpr RECT kNameLabel{10, 16, 70, 28};
constexpr RECT kKindLabel{10, 40, 70, 52};
constexpr int32_t kKindTitleWidth = 58;
constexpr int32_t kHighlightColour = 6;
// A clipboard text stands in for the selection only when it looks like one address.
constexpr int32_t kClipboardTargetLimit = 500;

void RemoveControls(T_TextBuf* text) {
  int32_t w = 0;
  for (int32_t r = 0; r < text->length; ++r) {
    if (static_cast<uint8_t>(text->data[r]) >= 32) text->data[w++] = text->data[r];
  }
  TextBufSetLength(text, w);
}

void CleanText(T_TextBuf* text) {
  RemoveControls(text);
  TextBufTrim(text, ' ');
}

bool Tagged(const T_LinkHandler* handler) { return handler->tagLength > 0; }

// The tagged handler at a position among the tagged handlers; null when there is none.
T_LinkHandler* TaggedHandlerAt(T_LinkContext* context, int64_t position) {
  for (T_LinkHandler* h = context ? context->firstHandler : nullptr; h; h = h->next) {
    if (!Tagged(h)) continue;
    if (position-- == 0) return h;
  }
  return nullptr;
}

int64_t TaggedHandlerCount(T_LinkContext* context) {
  int64_t n = 0;
  for (T_LinkHandler* h = context ? context->firstHandler : nullptr; h; h = h->next) n += Tagged(h);
  return n;
}

const char* KindName(T_LinkContext* context, int64_t index) {
  if (index == 0) return "URL";
  if (index == 1) return GetString(kTextLinkFile);
  T_LinkHandler* handler = TaggedHandlerAt(context, index - 2);
  return handler ? GetString(static_cast<int32_t>(handler->textId)) : "";
}

void UpdateBrowse(T_LinkEditor* editor) {
  if (editor->browseButton) editor->browseButton->SetVisible(editor->link->kind == kLinkFile);
}

void Repaint(T_LinkEditor* editor) { GrafElement_Invalidate(editor, kPaintChildren); }

bool OpenFromSeam(LinkRef* link, T_GrafElement* element) {
  if (link->kind == kLinkNone && link->target.empty()) {
    T_TextBuf selected(link->text);
    LinkEditor_PrepareNew(link, selected.data, selected.length);
  }
  return LinkEditor_Run(link, element);
}

}  // namespace

// --- T_EditLink -------------------------------------------------------------------------------

T_EditLink::T_EditLink(T_LinkEditor* editor, const XYWH& rect, uint32_t id)
    : T_Edit(editor, rect, id, true, true), editor(editor) {}

void T_EditLink::TrackDrag(int32_t code, uint32_t dataKinds) {
  T_Edit::TrackDrag(code, dataKinds ? kTransferText : 0);
}

bool T_EditLink::AcceptDrop(TransferList* list) {
  if (LinkEditor_AcceptDrop(editor, list)) return true;
  return T_Edit::AcceptDrop(list);
}

// --- T_LinkEditor -----------------------------------------------------------------------------

T_LinkEditor::T_LinkEditor(LinkRef* link, T_GrafElement* element)
    : T_HDialog(kWidth, kHeight, element ? WindowDatabase(element->window) : nullptr,
                element ? element->window : nullptr),
      link(link) {
  SetTitleId(kTextLinkProperties);
  if (link->context) linkContext = link->context;
  textField = new T_EditLink(this, XYWH{70, 16, 355, 12}, kLinkEditorTextId);
  textField->linkMode = 4;
  textField->SetText(link->text.data);
  targetField = new T_EditLink(this, XYWH{70, 40, 355, 36}, kLinkEditorTargetId);
  targetField->SetWordWrap(true);
  targetField->SetText(link->target.data);
  kindChooser =
      new T_Chooser(this, XYWH{10, 88, 150, 15}, kLinkEditorKindId,
                    2 + TaggedHandlerCount(link->context), LinkEditor_KindIndex(link), true);
  kindChooser->SetTitleId(kTextLinkType);
  kindChooser->SetTitleWidth(kKindTitleWidth);
  browseButton = new T_Button(this, XYWH{335, 86, 90, 20}, kLinkEditorBrowseId);
  browseButton->SetTitleId(kTextBrowse);
  UpdateBrowse(this);
  Dialog_AddButtons(this, &okButton, nullptr);
}

void T_LinkEditor::DrawContent() {
  T_HDialog::DrawContent();
  TextDrawLine(&kNameLabel, GetString(kTextLinkName), nullptr);
  TextDrawLine(&kKindLabel, KindName(link->context, LinkEditor_KindIndex(link)), nullptr);
  if (dropHighlight) {
    T_ForeIndex fore(kHighlightColour);
    RectFrame(&content);
  }
}

void T_LinkEditor::TrackDrag(int32_t code, uint32_t dataKinds) {
  bool on = dropHighlight;
  if (code == kDragEntered && (dataKinds & (kTransferText | kTransferPrivate | kTransferAnyFile))) {
    on = true;
  } else if (code == kDragLeft) {
    on = false;
  }
  if (on == (dropHighlight != 0)) return;
  dropHighlight = on ? 1 : 0;
  // Only the ring changes: repainting all of it would flicker the fields under the pointer.
  HRGN ring = CreateRectRgnIndirect(&content);
  HRGN inner =
      CreateRectRgn(content.left + 1, content.top + 1, content.right - 1, content.bottom - 1);
  if (ring && inner) {
    CombineRgn(ring, ring, inner, RGN_DIFF);
    GrafElement_InvalidateRegion(this, ring, kPaintNow);
  }
  if (ring) DeleteObject(ring);
  if (inner) DeleteObject(inner);
}

bool T_LinkEditor::AcceptDrop(TransferList* list) {
  if (LinkEditor_AcceptDrop(this, list)) return true;
  return T_HDialog::AcceptDrop(list);
}

void T_LinkEditor::OnEditEvent(T_GrafElement* field, int32_t code) {
  T_HDialog::OnEditEvent(field, code);
  if (code == kEditChanged) UpdateBrowse(this);
}

void T_LinkEditor::OnEditText(T_TextBuf* text, T_GrafElement* field) {
  if (field == textField) {
    TextBufTrim(text, ' ');
  } else if (field == targetField) {
    T_TextBuf typed(*text);
    LinkEditor_SetTarget(this, typed.data);
    TextBufAssignBuf(text, &link->target);
  } else {
    T_HDialog::OnEditText(text, field);
  }
}

void T_LinkEditor::OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) {
  if (chooser != kindChooser) {
    T_HDialog::OnChooserEvent(chooser, record);
    return;
  }
  if (record->code == kChooserDescribe) {
    ChooserEvent_SetText(record, KindName(link->context, record->index));
  } else if (record->code == kChooserChosen) {
    LinkEditor_SetKind(this, record->index);
  }
}

void T_LinkEditor::OnButton(T_GrafElement* button) {
  if (Dialog_IsOk(button)) {
    textField->CommitEdit();
    targetField->CommitEdit();
    T_TextBuf text;
    textField->GetText(&text);
    TextBufTrim(&text, ' ');
    TextBufAssignBuf(&link->text, &text);
    confirmed = LinkEditor_ApplyToBuffer(link) ? 1 : 0;
    Dialog_EndModal(this);
  } else if (Dialog_IsCancel(button)) {
    Dialog_EndModal(this);
  } else if (button == browseButton) {
    LinkEditor_Browse(this);
  } else {
    T_HDialog::OnButton(button);
  }
}

// --- Steps ------------------------------------------------------------------------------------

int64_t LinkEditor_KindIndex(const LinkRef* link) {
  if (link->kind == kLinkFile) return 1;
  if (link->kind != kLinkHandler || !link->handler || !Tagged(link->handler)) return 0;
  int64_t index = 2;
  for (T_LinkHandler* h = link->context ? link->context->firstHandler : nullptr; h; h = h->next) {
    if (h == link->handler) return index;
    index += Tagged(h);
  }
  return 0;
}

void LinkEditor_SetTarget(T_LinkEditor* editor, const char* typed) {
  LinkRef* link = editor->link;
  T_TextBuf text(typed ? typed : "");
  TextBufTrim(&text, ' ');
  if (LinkRef_SetTarget(link, text.data)) {
    LinkRef_AdjustLink(link);
    if (editor->kindChooser)
      editor->kindChooser->SetSelection(LinkEditor_KindIndex(link), kSelectSilent);
    Repaint(editor);
  } else {
    TextBufSetLength(&link->target, 0);
  }
  // Inside the field's own store the parent's rewrite of the offered text does this.
  T_TextBuf shown;
  if (editor->targetField) {
    editor->targetField->GetText(&shown);
    if (std::strcmp(shown.data, link->target.data) != 0)
      editor->targetField->SetText(link->target.data);
  }
  UpdateBrowse(editor);
}

void LinkEditor_SetKind(T_LinkEditor* editor, int64_t index) {
  LinkRef* link = editor->link;
  if (index == 0) {
    link->kind = kLinkUrl;
    link->handler = nullptr;
  } else if (index == 1) {
    link->kind = kLinkFile;
    link->handler = nullptr;
  } else if (T_LinkHandler* handler = TaggedHandlerAt(link->context, index - 2)) {
    link->kind = kLinkHandler;
    link->handler = handler;
  }
  UpdateBrowse(editor);
  Repaint(editor);
}

bool LinkEditor_AcceptDrop(T_LinkEditor* editor, TransferList* list) {
  if (!list) return false;
  int32_t mode = kLinkSetBoth;
  if (list->target == editor->textField) mode = kLinkSetText;
  if (list->target == editor->targetField) mode = kLinkSetTarget;
  if (TransferItem* file = FindTransferItem(list, kTransferAnyFile)) {
    T_TextBuf path;
    if (TransferItemPath(file, &path)) {
      LinkEditor_SetFromPath(editor, path.data, mode);
      return true;
    }
  }
  if (TransferItem* own = FindTransferItem(list, kTransferPrivate)) {
    if (LinkEditor_SetFromMarkup(editor, own->text.data, mode)) return true;
  }
  if (TransferItem* text = FindTransferItem(list, kTransferText)) {
    if (LinkEditor_SetFromMarkup(editor, text->text.data, mode)) return true;
  }
  return false;
}

void LinkEditor_SetFromPath(T_LinkEditor* editor, const char* path, int32_t mode) {
  // An open overlay would put its older text back over what is set here.
  Window_DropFocus(editor);
  if (mode & kLinkSetTarget) LinkEditor_SetTarget(editor, path);
  if (mode & kLinkSetText) {
    T_TextBuf name;
    PathGetName(path, &name);
    TextBufTrim(&name, ' ');
    editor->textField->SetText(name.data);
  }
}

bool LinkEditor_SetFromMarkup(T_LinkEditor* editor, const char* text, int32_t mode) {
  T_TextBuf copy(text ? text : "");
  CleanText(&copy);
  LinkRef parsed;
  parsed.context = editor->link->context;
  const char* cursor = copy.data;
  if (!LinkText_Parse(&parsed, &cursor, nullptr)) return false;
  Window_DropFocus(editor);
  Repaint(editor);
  LinkRef_AdjustLink(&parsed);
  LinkRef_StripOwnBase(&parsed);
  if (mode & kLinkSetTarget) {
    // The parsed kind is what the markup said; a handler link keeps its handler first in line.
    editor->link->kind = parsed.kind;
    editor->link->handler = parsed.handler;
    LinkEditor_SetTarget(editor, parsed.target.data);
  }
  if (mode & kLinkSetText) editor->textField->SetText(parsed.text.data);
  return true;
}

void LinkEditor_Browse(T_LinkEditor* editor) {
  editor->targetField->CommitEdit();
  T_TextBuf path;
  editor->targetField->GetText(&path);
  PathNormalize(&path);
  PendingErrorSaved before;
  PendingErrorSave(&before);
  if (!FileOpenDialog(&path, 0)) {
    // The cancel is answered here; a left-over stop would end the next long loop at once.
    PendingErrorRestore(&before);
    return;
  }
  LinkEditor_SetFromPath(editor, path.data, kLinkSetBoth);
}

bool LinkEditor_ApplyToBuffer(LinkRef* link) {
  T_TextBuf* buffer = link->editBuffer;
  if (!buffer || link->target.empty()) return false;
  if (link->start < 0 || link->length < 0 || link->start > buffer->length ||
      link->length > buffer->length - link->start) {
    return false;
  }
  T_TextBuf markup;
  LinkRef_WriteMarkup(link, &markup);
  if (!TextBufReplaceBytes(buffer, link->start, link->length, markup.data, markup.length)) {
    return false;
  }
  link->length = markup.length;
  return true;
}

// --- Running ----------------------------------------------------------------------------------

bool LinkEditor_Run(LinkRef* link, T_GrafElement* element) {
  auto* editor = new (std::nothrow) T_LinkEditor(link, element);
  if (!editor) return false;
  Dialog_Run(editor);
  bool confirmed = editor->confirmed != 0;
  delete editor;
  return confirmed;
}

void LinkEditor_PrepareNew(LinkRef* link, const char* selected, int32_t n) {
  T_TextBuf text;
  TextBufAssignBytes(&text, selected ? selected : "", selected ? n : 0);
  CleanText(&text);
  TextBufAssignBuf(&link->text, &text);
  link->kind = kLinkUrl;
  link->handler = nullptr;
  TextBufSetLength(&link->target, 0);
  if (!LinkRef_SetTarget(link, text.data)) {
    if (char* clip = ClipboardReadText()) {
      int32_t length = static_cast<int32_t>(strlen(clip));
      if (length < kClipboardTargetLimit && !strchr(clip, '\r')) LinkRef_SetTarget(link, clip);
      MemFree(clip);
    }
  }
  LinkRef_AdjustLink(link);
  if (!link->target.empty() && link->text.empty()) TextBufAssignBuf(&link->text, &link->target);
}

bool LinkEditor_CreateFromSelection(T_GrafElement* element, T_TextBuf* buffer, const char* text,
                                    int32_t start, int32_t* length) {
  TextBufAssign(buffer, text);
  if (start < 0 || start > buffer->length) start = buffer->length;
  if (*length < 0 || *length > buffer->length - start) *length = buffer->length - start;
  LinkRef link;
  link.context = element ? element->linkContext : nullptr;
  link.editBuffer = buffer;
  link.sourceText = text;
  link.start = start;
  link.length = *length;
  LinkEditor_PrepareNew(&link, buffer->data + start, *length);
  bool confirmed = LinkEditor_Run(&link, element);
  if (confirmed) *length = link.length;
  return confirmed;
}

void LinkEditor_Install() { SetLinkEditorOpener(OpenFromSeam); }
