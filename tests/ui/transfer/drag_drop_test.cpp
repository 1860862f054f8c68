// The OLE objects of drag and drop, transfer lists through the OLE clipboard (texts, the private
// format and file lists), and files dropped on the frame window.
#include <gtest/gtest.h>

#include "ui/clipboard_data.h"
#include <shlobj.h>

#include <cwchar>

#include "core/clipboard_memory.h"
#include "core/memory.h"
#include "core/threads.h"
#include "transfer_fixture.h"
#include "ui/drag_drop.h"
#include "ui/main_loop.h"

namespace {

// A file drop list (DROPFILES and the wide names, each ended by 0, and a final 0).
HGLOBAL MakeDropFiles(POINT point, std::initializer_list<const wchar_t*> names) {
  size_t units = 1;
  for (const wchar_t* name : names) units += std::wcslen(name) + 1;
  HGLOBAL handle =
      GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(handle));
  header->pFiles = sizeof(DROPFILES);
  header->pt = point;
  header->fWide = TRUE;
  auto* out = reinterpret_cast<wchar_t*>(header + 1);
  for (const wchar_t* name : names) {
    std::wcscpy(out, name);
    out += std::wcslen(name) + 1;
  }
  GlobalUnlock(handle);
  return handle;
}

std::string TextOf(HGLOBAL handle) {
  char* text = HGlobalToUtf8(handle);
  std::string result = text ? text : "(null)";
  MemFree(text);
  return result;
}

TransferList* TextList(std::initializer_list<std::pair<uint32_t, const char*>> entries) {
  TransferList* list = TransferList_New();
  for (const auto& [kind, text] : entries) DragData_Add(list, kind, text);
  return list;
}

TEST(DataObject, OffersTheFirstFourTextEntriesAndNoFiles) {
  TransferList* list = TextList({{kTransferText, "e1"},
                                 {kTransferText, "e2"},
                                 {kTransferPrivate, "e3"},
                                 {kTransferText, "e4"},
                                 {kTransferPrivate, "e5"}});
  DragData_AddFile(list, kTransferFile, "C:\\f.qeb");  // in front: takes no place
  auto* data = new T_DataObject(list);
  TransferList_Delete(list);  // the object keeps copies
  ASSERT_EQ(data->count, 4);
  EXPECT_STREQ(data->texts[0], "e5");
  EXPECT_STREQ(data->texts[3], "e2");

  IEnumFORMATETC* formats = nullptr;
  ASSERT_EQ(data->EnumFormatEtc(DATADIR_GET, &formats), S_OK);
  FORMATETC got[8];
  ULONG n = 0;
  formats->Next(8, got, &n);
  formats->Release();
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(got[0].cfFormat, kClipFormatPrivate);
  EXPECT_EQ(got[1].cfFormat, kClipFormatText);
  EXPECT_EQ(data->EnumFormatEtc(DATADIR_SET, &formats), E_NOTIMPL);

  struct Case {
    FORMATETC request;
    HRESULT expected;
  } cases[] = {
      {{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, S_OK},
      {{static_cast<CLIPFORMAT>(kClipFormatPrivate), nullptr, DVASPECT_CONTENT, -1,
        TYMED_HGLOBAL | TYMED_ISTREAM},
       S_OK},
      {{CF_UNICODETEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_ISTREAM}, DV_E_FORMATETC},
      {{CF_UNICODETEXT, nullptr, DVASPECT_THUMBNAIL, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
      {{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
      {{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
  };
  for (Case& c : cases) {
    EXPECT_EQ(data->QueryGetData(&c.request), c.expected) << c.request.cfFormat;
    STGMEDIUM medium{};
    HRESULT result = data->GetData(&c.request, &medium);
    EXPECT_EQ(result, c.expected) << c.request.cfFormat;
    if (result == S_OK) {
      EXPECT_EQ(medium.tymed, static_cast<DWORD>(TYMED_HGLOBAL));
      EXPECT_EQ(medium.pUnkForRelease, nullptr);
      EXPECT_EQ(TextOf(medium.hGlobal), c.request.cfFormat == CF_UNICODETEXT ? "e4" : "e5");
      ReleaseStgMedium(&medium);
    }
  }
  EXPECT_EQ(data->GetData(nullptr, nullptr), E_INVALIDARG);
  data->Release();
}

TEST(DataObject, AnswersOnlyForItsOwnInterfacesAndCountsReferences) {
  auto* data = new T_DataObject(nullptr);
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(data->QueryInterface(IID_IDropTarget, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  ASSERT_EQ(data->QueryInterface(IID_IDataObject, &object), S_OK);
  EXPECT_EQ(object, static_cast<IDataObject*>(data));
  EXPECT_EQ(data->Release(), 1u);
  FORMATETC canonical{};
  canonical.ptd = reinterpret_cast<DVTARGETDEVICE*>(1);
  EXPECT_EQ(data->GetCanonicalFormatEtc(nullptr, &canonical), E_NOTIMPL);
  EXPECT_EQ(canonical.ptd, nullptr);
  EXPECT_EQ(data->DAdvise(nullptr, 0, nullptr, nullptr), OLE_E_ADVISENOTSUPPORTED);
  EXPECT_EQ(data->Release(), 0u);
}

TEST(OleObjects, AnswerOnlyForTheirOwnInterfacesAndCountReferences) {
  // OLE asks for IMarshal before it hands an object to another apartment; IStream stands for
  // any interface the objects do not know.
  struct Case {
    const char* name;
    IUnknown* object;
    const IID* own;
  } cases[] = {
      {"drop target", new T_DropTarget(nullptr), &IID_IDropTarget},
      {"drop source", new T_DropSource, &IID_IDropSource},
      {"data object", new T_DataObject(nullptr), &IID_IDataObject},
  };
  for (const Case& c : cases) {
    for (const IID* iid : {&IID_IMarshal, &IID_IStream, &IID_IDropTarget, &IID_IDataObject}) {
      if (iid == c.own) continue;
      void* given = reinterpret_cast<void*>(1);
      EXPECT_EQ(c.object->QueryInterface(*iid, &given), E_NOINTERFACE) << c.name;
      EXPECT_EQ(given, nullptr) << c.name;
    }
    // Each interface it has adds a reference; the last Release frees it.
    void* asOwn = nullptr;
    void* asUnknown = nullptr;
    ASSERT_EQ(c.object->QueryInterface(*c.own, &asOwn), S_OK) << c.name;
    ASSERT_EQ(c.object->QueryInterface(IID_IUnknown, &asUnknown), S_OK) << c.name;
    EXPECT_EQ(asOwn, asUnknown) << c.name;
    EXPECT_EQ(c.object->QueryInterface(*c.own, nullptr), E_POINTER) << c.name;
    EXPECT_EQ(c.object->AddRef(), 4u) << c.name;
    for (ULONG left : {3u, 2u, 1u, 0u}) EXPECT_EQ(c.object->Release(), left) << c.name;
  }
}

TEST(DropSource, EscapeCancelsAndReleasingBothButtonsDrops) {
  auto* source = new T_DropSource;
  struct Case {
    BOOL escape;
    DWORD keys;
    HRESULT expected;
  } cases[] = {
      {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL}, {FALSE, MK_LBUTTON, S_OK},
      {FALSE, MK_RBUTTON | MK_SHIFT, S_OK},  {FALSE, MK_SHIFT, DRAGDROP_S_DROP},
      {FALSE, 0, DRAGDROP_S_DROP},
  };
  for (const Case& c : cases)
    EXPECT_EQ(source->QueryContinueDrag(c.escape, c.keys), c.expected) << c.keys;
  EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
  EXPECT_EQ(source->Release(), 0u);
}

using DragDrop = TransferWindowTest;

// The screen point of a point in the window's client area.
POINTL ScreenPoint(T_Window* window, int32_t x, int32_t y) {
  POINT p{x, y};
  ClientToScreen(window->native.handle, &p);
  return {p.x, p.y};
}

// Drags the clipboard's data over the element at the point and drops it.
void DropClipboard(T_Window* window, int32_t x, int32_t y, uint32_t* offered) {
  IDataObject* clip = nullptr;
  ASSERT_EQ(OleGetClipboard(&clip), S_OK);
  auto* target = static_cast<IDropTarget*>(window->native.dropTarget);
  ASSERT_NE(target, nullptr);
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_LINK;
  POINTL point = ScreenPoint(window, x, y);
  EXPECT_EQ(target->DragEnter(clip, 0, point, &effect), S_OK);
  *offered = static_cast<T_DropTarget*>(target)->kinds;
  EXPECT_EQ(target->DragOver(MK_LBUTTON, point, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(target->Drop(clip, 0, point, &effect), S_OK);
  clip->Release();
}

TEST_F(DragDrop, TextsAndPrivateDataRoundTripThroughTheClipboard) {
  left->accepts = true;
  TransferList* list =
      TextList({{kTransferText, "first\rsecond"}, {kTransferPrivate, "## Selection\rVN\tGröße"}});
  auto* data = new T_DataObject(list);
  TransferList_Delete(list);
  ASSERT_EQ(OleSetClipboard(data), S_OK);
  data->Release();

  // Other programs see CR LF line ends; the private format travels under its bare number.
  ASSERT_TRUE(ClipboardOpen(nullptr));
  EXPECT_EQ(TextOf(GetClipboardData(CF_UNICODETEXT)), "first\rsecond");
  HGLOBAL raw = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(raw, nullptr);
  EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(raw)), L"first\r\nsecond");
  GlobalUnlock(raw);
  HGLOBAL own = GetClipboardData(kClipFormatPrivate);
  ASSERT_NE(own, nullptr);
  EXPECT_STREQ(static_cast<const wchar_t*>(GlobalLock(own)), L"## Selection\rVN\tGr\u00f6\u00dfe");
  GlobalUnlock(own);
  CloseClipboard();

  uint32_t offered = 0;
  DropClipboard(window, 20, 20, &offered);
  EXPECT_EQ(offered, kTransferText | kTransferPrivate);
  EXPECT_EQ(DragTarget(), nullptr);
  EXPECT_EQ(PendingDropTarget(), left);
  log.clear();
  AfterMessageWork();
  EXPECT_EQ(log, (Log{"left took 2:## Selection\rVN\tGröße|1:first\rsecond"}));
  OleSetClipboard(nullptr);
}

TEST_F(DragDrop, FileListsFromTheClipboardOpenEachFile) {
  ASSERT_TRUE(ClipboardOpen(FrameWindow()));
  EmptyClipboard();
  ASSERT_NE(
      SetClipboardData(CF_HDROP, MakeDropFiles({0, 0}, {L"C:\\Data\\Ωmega ünï.qeb", L"C:\\b.qex"})),
      nullptr);
  CloseClipboard();

  uint32_t offered = 0;
  DropClipboard(window, 170, 20, &offered);  // over "right", which takes nothing
  EXPECT_EQ(offered & kTransferFile, kTransferFile);
  log.clear();
  AfterMessageWork();
  EXPECT_EQ(log, (Log{"open 0 C:\\b.qex", "open 0 C:\\Data\\Ωmega ünï.qeb"}));
}

TEST_F(DragDrop, DroppedFilesReachTheElementUnderThePointOrOpen) {
  left->accepts = true;
  struct Case {
    POINT client;  // in the MDI client
    Log expected;
  } cases[] = {
      {{window->x + 15, window->y + 15},
       {"app 0/4", "left 0/4", "left 2/0", "left 3/4", "app 3/4", "left took 4:C:\\Ünï\\a.qeb"}},
      {{window->x + 165, window->y + 15},
       {"app 0/4", "right 0/4", "right 2/0", "right 3/4", "app 3/4", "open 0 C:\\Ünï\\a.qeb"}},
      {{window->x + window->width + 50, window->y + 15},
       {"app 0/4", "app 2/0", "app 3/4", "open 0 C:\\Ünï\\a.qeb"}},
  };
  for (const Case& c : cases) {
    POINT point = c.client;
    MapWindowPoints(MdiClient(), FrameWindow(), &point, 1);
    log.clear();
    SendMessageW(FrameWindow(), WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDropFiles(point, {L"C:\\Ünï\\a.qeb"})), 0);
    AfterMessageWork();
    EXPECT_EQ(log, c.expected) << c.client.x;
  }
}

TEST_F(DragDrop, AWindowThePointerRestsOnComesForward) {
  RECT rect{200, 100, 300, 200};
  auto* other = new T_Window(kKindDocument, &rect, 512, nullptr, true);
  ASSERT_TRUE(other->active);
  ASSERT_FALSE(window->active);
  auto* target = static_cast<T_DropTarget*>(window->native.dropTarget);
  ASSERT_NE(target, nullptr);
  DWORD effect = 0;
  POINTL point = ScreenPoint(window, 5, 5);
  target->DragOver(MK_LBUTTON, point, &effect);
  target->lastChange = TickCount() - 1000;
  target->DragOver(MK_LBUTTON, {point.x + 1, point.y}, &effect);  // moved: the rest starts again
  EXPECT_FALSE(window->active);
  target->lastChange = TickCount() - 301;
  target->DragOver(MK_LBUTTON, {point.x + 1, point.y}, &effect);
  EXPECT_TRUE(window->active);
  target->DragLeave();
  EXPECT_EQ(DragTarget(), nullptr);
}

TEST_F(DragDrop, ATargetOutlivingItsWindowDoesNothing) {
  auto* target = static_cast<T_DropTarget*>(window->native.dropTarget);
  ASSERT_NE(target, nullptr);
  target->AddRef();  // as a drag in progress holds it
  DWORD effect = DROPEFFECT_COPY;
  target->DragOver(MK_LBUTTON, ScreenPoint(window, 20, 20), &effect);
  EXPECT_EQ(DragTarget(), left);
  delete window;
  EXPECT_EQ(target->window, nullptr);
  EXPECT_EQ(DragTarget(), app);
  target->DragOver(MK_LBUTTON, {0, 0}, &effect);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(target->Drop(nullptr, 0, {0, 0}, &effect), S_OK);
  EXPECT_EQ(DragTarget(), nullptr);
  EXPECT_EQ(target->Release(), 0u);
}

}  // namespace
