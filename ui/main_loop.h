#pragma once
// The main loop, the after-message work, the modal loop and the user-interface/worker exclusion.
//
// The exclusion keeps a worker's request (the web gateway) and the user interface's handling of
// events apart, both ways:
//   1. A worker brackets each request with WorkerEnter/WorkerLeave; it waits while the user
//      interface is inside a UiEnter/UiLeave section or waits to enter one.
//   2. The user-interface thread brackets every entry point that touches windows or data with
//      UiEnter/UiLeave; while a worker is active it waits for *worker done*, still processing the
//      messages other threads send it, so a worker that sends to one of our windows goes on.
//   3. Handlers that run for such a sent message during that wait do not wait again (the sender
//      is blocked in its send); the worker's own thread never waits for itself.
//   4. The mutex is held only inside the four operations and released while waiting.
#include <windows.h>

#include <cstdint>

// --- Exclusion --------------------------------------------------------------------------------

bool ExclusionStart();  // creates the mutex and the events
void ExclusionEnd();
void WorkerEnter();
void WorkerLeave();
void UiEnter();
void UiLeave();
bool WorkerActive();
// How many event handlers are open on the user-interface thread (0 inside a modal loop).
int32_t EventDepth();
void EventDepthAdd(int32_t delta);

// True on the user-interface thread only between messages of the main loop: no UiEnter section
// open, no modal loop running. Work held for it (web requests) runs only then, so it never nests
// inside a handler or a dialog.
bool UiAtTopLevel();

// --- Loops ------------------------------------------------------------------------------------

// Called by the main loop at top level after each message, before its after-message work (never
// from a modal loop); null for none.
using MainLoopHook = void (*)();
void SetMainLoopHook(MainLoopHook hook);

// Opens the command line's documents, then runs until WM_QUIT; posts the quit after the
// message whose handling set *quitRequested.
void MainLoop(const uint8_t* quitRequested);
// After every dispatched message (also from the modal loop).
void AfterMessageWork();
// Runs until the window's modal end flag is set.
struct NativeRecord;
void ModalLoop(NativeRecord* native);
// For controls that track the mouse: capture, let pending paints, mouse messages and one key
// through the modal filter, pump, release.
void Drain(NativeRecord* native);

// Cuts a command line into document paths (see the body); each path is given to open with the
// context. Nothing for a text that is empty or starts with "/" or "-".
using DocumentOpener = void (*)(void* context, const char* path, int32_t length);
void CommandLineDocuments(const char* text, DocumentOpener open, void* context);
