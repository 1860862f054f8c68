#include "ui/busy_indicator.h"

#include <new>

#include "core/message_pump.h"
#include "core/threads.h"
#include "ui/document_window.h"
#include "ui/pictures.h"
#include "ui/window.h"

namespace {

BusyCalculationCounter calculationCounter = nullptr;

constexpr XYWH kIndicatorRect{106, 2, 26, 26};

}  // namespace

void SetBusyCalculationCounter(BusyCalculationCounter counter) { calculationCounter = counter; }

T_BusyIndicator::T_BusyIndicator(T_EventHandler* parent, const XYWH& rect, T_Base* database)
    : T_Item(kKindProgress, parent, rect, 0), database(database) {}

T_BusyIndicator::~T_BusyIndicator() {
  // The window keeps a plain pointer; the toolbar deletes its children before the window does.
  if (auto* owner = dynamic_cast<T_HWindow*>(window)) {
    if (owner->busyIndicator == this) owner->busyIndicator = nullptr;
  }
}

void T_BusyIndicator::DrawContent() { PictureDraw(&content, picture); }

void T_BusyIndicator::DrawNow() {
  // A hidden window keeps its picture for the next paint; drawing it now would go nowhere.
  if (visible && window && window->visible) Item_InvalidateShape(this, kPaintNow);
}

void T_BusyIndicator::Start() {
  T_GrafElement* parentElement = Parent();
  // The toolbar may show stale contents (a button still pressed) that the indicator sits on.
  if (parentElement && parentElement != window) GrafElement_Invalidate(parentElement, kPaintNow);
  picture = kBusyPictureFirst;
  totalWork = 0;
  countdown = 0;
  stepUnit = 0;
  lastDraw = TickCount();
  skippedDraws = 0;
  DrawNow();
  if (calculationCounter) calculationCounter(database);
}

void T_BusyIndicator::AddWork(int64_t n) {
  totalWork += n;
  stepUnit = totalWork / kBusyStepDivisor;
  countdown = stepUnit;
}

void T_BusyIndicator::Tick() {
  if (--countdown < 0) Step();
  PumpMessages();
}

void T_BusyIndicator::Step() {
  countdown = stepUnit;
  if (picture == kBusyPictureLast) return;
  if (picture == kBusyPictureDouble) stepUnit *= 2;
  ++picture;
  uint64_t now = TickCount();
  if (now - lastDraw < kBusyDrawInterval && skippedDraws < kBusyMaxSkipped &&
      picture != kBusyPictureLast) {
    ++skippedDraws;
    return;
  }
  DrawNow();
  lastDraw = now;
  skippedDraws = 0;
}

void T_BusyIndicator::Finish() {
  if (picture == kBusyPictureLast) return;
  picture = kBusyPictureLast;
  DrawNow();
}

void T_BusyIndicator::Reset() {
  if (picture == kBusyPictureRest) return;
  picture = kBusyPictureRest;
  DrawNow();
}

void T_BusyIndicator::DoubleStep() {
  stepUnit *= 2;
  countdown *= 2;
}

void T_HWindow::CreateBusyIndicator() {
  if (!toolbar || busyIndicator) return;
  auto* indicator = new (std::nothrow) T_BusyIndicator(toolbar, kIndicatorRect, database);
  if (!indicator) return;
  busyIndicator = indicator;
  if (toolbar->opened) EventHandler_Open(indicator);
}
