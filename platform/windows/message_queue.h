// Each thread's message queue: messages posted to its windows wait there
// until GetMessageA hands them out, and a message sent from another thread
// waits there, its sender blocked, until the owning thread takes it (in
// GetMessageA) or ends. The loop functions of user32 are here.
#pragma once

#include <thread>

#include "platform/windows/window_types.h"

// Queues the message for the window's thread; FALSE for no window.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_QUIT for the calling thread's loop.
void PostQuitMessage(int exitCode);

// Waits for the next posted message of the calling thread (`window` null:
// any), running sent messages meanwhile. 0 for WM_QUIT, -1 for a filter
// window that is no window, else non-zero.
BOOL GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax);
// Runs the sent messages waiting for the calling thread, then takes the
// next posted message (`window` null: any) when there is one, without
// waiting: FALSE when there is none. PM_NOREMOVE leaves it queued.
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
// Nothing to translate here: no keyboard is modelled.
BOOL TranslateMessage(const MSG* message);
// The procedure of the message's window, on this thread.
LRESULT DispatchMessageA(const MSG* message);

// Runs `message` to `window` of `owner` thread there and waits for the
// result (message_queue.cpp; used by SendMessageW). 0 when that thread ends
// first.
LRESULT SendToThread(std::thread::id owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Whether the thread runs a queue that can take sent messages.
bool ThreadHasQueue(std::thread::id thread);
