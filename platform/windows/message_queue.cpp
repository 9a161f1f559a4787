// The threads' message queues and the loop functions.
#include "platform/windows/message_queue.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>

#include "platform/windows/desktop_state.h"
#include "platform/windows/window_table.h"

namespace {

struct CSentMessage {
  MSG message{};
  std::promise<LRESULT> result;
};

struct CThreadQueue {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<CSentMessage>> sent;
  bool alive = true;
};

struct CQueues {
  std::mutex lock;
  std::map<std::thread::id, std::shared_ptr<CThreadQueue>> byThread;
};

CQueues& Queues() { return DesktopState<CQueues>(); }

std::shared_ptr<CThreadQueue> QueueOf(std::thread::id thread) {
  CQueues& queues = Queues();
  std::lock_guard<std::mutex> hold(queues.lock);
  const auto found = queues.byThread.find(thread);
  return found == queues.byThread.end() ? nullptr : found->second;
}

// Ends the thread's queue with the thread: senders still waiting get 0.
class CQueueHolder {
 public:
  CQueueHolder() {
    queue = std::make_shared<CThreadQueue>();
    CQueues& queues = Queues();
    std::lock_guard<std::mutex> hold(queues.lock);
    queues.byThread[std::this_thread::get_id()] = queue;
  }
  ~CQueueHolder() {
    {
      CQueues& queues = Queues();
      std::lock_guard<std::mutex> hold(queues.lock);
      queues.byThread.erase(std::this_thread::get_id());
    }
    std::deque<std::shared_ptr<CSentMessage>> waiting;
    {
      std::lock_guard<std::mutex> hold(queue->lock);
      queue->alive = false;
      waiting.swap(queue->sent);
    }
    for (const auto& sent : waiting) sent->result.set_value(0);
  }
  CQueueHolder(const CQueueHolder&) = delete;
  CQueueHolder& operator=(const CQueueHolder&) = delete;

  std::shared_ptr<CThreadQueue> queue;
};

CThreadQueue& OwnQueue() {
  thread_local CQueueHolder holder;
  return *holder.queue;
}

bool Matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
  if (window != nullptr && message.hwnd != window && !IsDescendantWindow(window, message.hwnd)) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

}  // namespace

void EnsureThreadQueue() { OwnQueue(); }

bool ThreadHasQueue(std::thread::id thread) { return QueueOf(thread) != nullptr; }

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto thread = WindowRecordField(window, &CWindowRecord::thread);
  if (!thread) return FALSE;
  const auto queue = QueueOf(*thread);
  if (queue == nullptr) return FALSE;
  {
    std::lock_guard<std::mutex> hold(queue->lock);
    if (!queue->alive) return FALSE;
    queue->posted.push_back(MSG{window, message, wParam, lParam, 0, {0, 0}});
  }
  queue->changed.notify_all();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  CThreadQueue& queue = OwnQueue();
  {
    std::lock_guard<std::mutex> hold(queue.lock);
    queue.posted.push_back(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0, 0, {0, 0}});
  }
  queue.changed.notify_all();
}

LRESULT SendToThread(std::thread::id owner, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto queue = QueueOf(owner);
  if (queue == nullptr) return 0;
  auto sent = std::make_shared<CSentMessage>();
  sent->message = MSG{window, message, wParam, lParam, 0, {0, 0}};
  std::future<LRESULT> result = sent->result.get_future();
  {
    std::lock_guard<std::mutex> hold(queue->lock);
    if (!queue->alive) return 0;
    queue->sent.push_back(sent);
  }
  queue->changed.notify_all();
  return result.get();
}

namespace {

// Runs the waiting sent messages, then takes (or copies) the first posted
// message that matches; false when none does.
bool TakeNext(CThreadQueue& queue, std::unique_lock<std::mutex>& hold, MSG* message, HWND window, UINT filterMin,
              UINT filterMax, bool remove) {
  while (!queue.sent.empty()) {
    const std::shared_ptr<CSentMessage> sent = queue.sent.front();
    queue.sent.pop_front();
    hold.unlock();
    const MSG& m = sent->message;
    sent->result.set_value(CallWindowProcedureHere(m.hwnd, m.message, m.wParam, m.lParam));
    hold.lock();
  }
  for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
    if (it->message != WM_QUIT && !Matches(*it, window, filterMin, filterMax)) continue;
    *message = *it;
    if (remove) queue.posted.erase(it);
    return true;
  }
  return false;
}

}  // namespace

BOOL GetMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax) {
  if (message == nullptr) return -1;
  if (window != nullptr && !IsWindowRecord(window)) return -1;
  CThreadQueue& queue = OwnQueue();
  std::unique_lock<std::mutex> hold(queue.lock);
  for (;;) {
    if (TakeNext(queue, hold, message, window, filterMin, filterMax, true)) {
      return message->message == WM_QUIT ? 0 : 1;
    }
    // A message sent meanwhile wakes the wait as a posted one does.
    if (queue.sent.empty()) queue.changed.wait(hold);
  }
}

BOOL PeekMessageA(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (message == nullptr) return FALSE;
  CThreadQueue& queue = OwnQueue();
  std::unique_lock<std::mutex> hold(queue.lock);
  return TakeNext(queue, hold, message, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* message) {
  if (message == nullptr || message->hwnd == nullptr) return 0;
  return CallWindowProcedureHere(message->hwnd, message->message, message->wParam, message->lParam);
}
