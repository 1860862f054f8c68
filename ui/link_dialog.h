#pragma once
// The "Link properties" dialog: edits one link of an editable text (its shown text, its target
// and its kind) and on OK writes the link's canonical markup over the old markup in the text's
// edit buffer. It opens from the link menu's Properties entry and from an edit field's "Create
// link" command (through the opener of ui/link_display.h, which LinkEditor_Install sets).
// Files, links and texts may be dropped on it: on the name field they set the shown text, on the
// target field the target, anywhere else both.
//
// Kind chooser entries: 0 "URL", 1 "File", then one per handler of the link's context with a
// non-empty tag, in the context's list order.
//
// User-interface thread only; the dialog runs modally.
#include <cstdint>

#include "core/text_buffer.h"
#include "ui/dialog_base.h"
#include "ui/edit_field.h"
#include "ui/link_markup.h"

class T_Button;
class T_Chooser;
class T_LinkEditor;
struct TransferList;

// Item ids.
constexpr uint32_t kLinkEditorTextId = 0;
constexpr uint32_t kLinkEditorTargetId = 1;
constexpr uint32_t kLinkEditorKindId = 2;
constexpr uint32_t kLinkEditorBrowseId = 3;

// Text ids.
constexpr int32_t kTextLinkProperties = 734;
constexpr int32_t kTextLinkName = 735;
constexpr int32_t kTextLinkFile = 736;
constexpr int32_t kTextLinkType = 737;
constexpr int32_t kTextBrowse = 708;

// Where dropped or browsed data goes (bits).
constexpr int32_t kLinkSetText = 1;
constexpr int32_t kLinkSetTarget = 2;
constexpr int32_t kLinkSetBoth = 3;

// A text field of the dialog: every dropped kind is offered to it as text, and drops go to the
// dialog first.
class T_EditLink : public T_Edit {
 public:
  T_EditLink(T_LinkEditor* editor, const XYWH& rect, uint32_t id);

  void TrackDrag(int32_t code, uint32_t dataKinds) override;
  bool AcceptDrop(TransferList* list) override;

  T_LinkEditor* editor;
};

class T_LinkEditor : public T_HDialog {
 public:
  // Builds the dialog (not yet opened) on the element's window; the link must outlive it.
  T_LinkEditor(LinkRef* link, T_GrafElement* element);

  void DrawContent() override;
  void TrackDrag(int32_t code, uint32_t dataKinds) override;
  bool AcceptDrop(TransferList* list) override;
  void OnEditEvent(T_GrafElement* field, int32_t code) override;
  void OnEditText(T_TextBuf* text, T_GrafElement* field) override;
  void OnChooserEvent(T_GrafElement* chooser, ChooserEvent* record) override;
  void OnButton(T_GrafElement* button) override;

  LinkRef* link;
  T_EditLink* textField = nullptr;
  T_EditLink* targetField = nullptr;
  T_Chooser* kindChooser = nullptr;
  T_Button* browseButton = nullptr;
  T_Button* okButton = nullptr;
  uint8_t dropHighlight = 0;
  uint8_t confirmed = 0;  // OK rewrote the edit buffer
};

// Builds the dialog, runs it modally and destroys it; true when OK rewrote the link's edit
// buffer. OK with no usable target leaves the buffer as it was (and gives false).
bool LinkEditor_Run(LinkRef* link, T_GrafElement* element);

// Makes a new URL link over the bytes start..start+*length of text and runs the dialog on it:
// buffer receives a copy of the text and is the link's edit buffer; *length receives the length
// of what stands there afterwards (the new markup, or the selection when nothing changed).
bool LinkEditor_CreateFromSelection(T_GrafElement* element, T_TextBuf* buffer, const char* text,
                                    int32_t start, int32_t* length);
// The preparation of a new link from its selected text: control bytes removed and blanks
// trimmed it becomes the link text; the selection (or else a short one-line clipboard text) is
// classified as target; then the context's AdjustLink; an empty link text becomes the target.
void LinkEditor_PrepareNew(LinkRef* link, const char* selected, int32_t n);

// Sets the link menu's and the edit fields' opener to this dialog. A link of kind 0 handed to
// the opener is a new link over a selection and is prepared first.
void LinkEditor_Install();

// --- The steps of the dialog (exposed for the window layer's callers and tests) --------------

// Classifies the typed target; an unusable one empties the link's target. The target field,
// the kind chooser and the browse button follow.
void LinkEditor_SetTarget(T_LinkEditor* editor, const char* typed);
// 0 URL, 1 file, 2 and above the tagged handler at that position - 2.
void LinkEditor_SetKind(T_LinkEditor* editor, int64_t index);
// The chooser entry of the link's kind.
int64_t LinkEditor_KindIndex(const LinkRef* link);
bool LinkEditor_AcceptDrop(T_LinkEditor* editor, TransferList* list);
void LinkEditor_SetFromPath(T_LinkEditor* editor, const char* path, int32_t mode);
bool LinkEditor_SetFromMarkup(T_LinkEditor* editor, const char* text, int32_t mode);
void LinkEditor_Browse(T_LinkEditor* editor);
// Writes the link's canonical markup over its old markup in the edit buffer and stores the new
// length; false (buffer unchanged) for a range outside the buffer or a result too long.
bool LinkEditor_ApplyToBuffer(LinkRef* link);
