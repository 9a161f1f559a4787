// Windows and dialogs across threads, as a modeless dialog with a loop of
// its own meets a host on another thread: creation from a template, the
// messages its procedure sees and on which thread, resizing with a least
// size, the edit control's selection and focus notice, and closing.
#include "platform/windows/dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/windows/message_queue.h"

namespace {

constexpr WORD kEditId = 1000;

const DialogItemTemplate kItems[] = {
    {u"EDIT", u"", kEditId, WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_MULTILINE, 0, 8, 8, 100, 40},
};
const DialogTemplate kTemplate{WS_POPUP | WS_CAPTION | WS_THICKFRAME, WS_EX_TOOLWINDOW, 0, 0, 120, 60,
                               u"Test dialog", 8, u"MS Shell Dlg", kItems, 1};

// What the procedure saw, and on which thread.
struct CSeen {
  std::mutex lock;
  std::vector<UINT> messages;
  std::vector<std::thread::id> threads;
  std::vector<WPARAM> commands;
  LPARAM initParam = 0;
  POINT minimum{0, 0};
};
CSeen* g_seen = nullptr;

INT_PTR TestProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard<std::mutex> hold(g_seen->lock);
    g_seen->messages.push_back(message);
    g_seen->threads.push_back(std::this_thread::get_id());
  }
  switch (message) {
    case WM_INITDIALOG:
      g_seen->initParam = lParam;
      return TRUE;
    case WM_GETMINMAXINFO:
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = g_seen->minimum;
      return TRUE;
    case WM_COMMAND: {
      {
        std::lock_guard<std::mutex> hold(g_seen->lock);
        g_seen->commands.push_back(wParam);
      }
      if (LOWORD(wParam) == IDCANCEL) DestroyWindow(dialog);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

// The dialog on a thread of its own, as the tile's rules dialog runs.
class DialogThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seen = &seen;
    owner = CreateWindowExW(0, u"HostFrame", u"host", WS_VISIBLE, 0, 0, 800, 600, nullptr, 0, nullptr, nullptr);
    std::promise<HWND> made;
    auto dialogMade = made.get_future();
    loop = std::thread([this, &made] {
      dialogThread = std::this_thread::get_id();
      const HWND dialog = CreateDialogIndirectParamW(nullptr, &kTemplate, owner, TestProcedure, 42);
      made.set_value(dialog);
      MSG message{};
      while (IsWindow(dialog) && GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(dialog, &message)) DispatchMessageA(&message);
      }
    });
    dialog = dialogMade.get();
  }
  void TearDown() override {
    if (IsWindow(dialog)) PostMessageW(dialog, WM_CLOSE, 0, 0);
    loop.join();
    DestroyWindow(owner);
    g_seen = nullptr;
  }
  bool SeenOnlyOnDialogThread() {
    std::lock_guard<std::mutex> hold(seen.lock);
    for (const auto& thread : seen.threads) {
      if (thread != dialogThread) return false;
    }
    return true;
  }

  CSeen seen;
  HWND owner = nullptr;
  HWND dialog = nullptr;
  std::thread loop;
  std::thread::id dialogThread;
};

TEST_F(DialogThreadTest, MadeFromTheTemplateInPixelsAndOwned) {
  ASSERT_NE(dialog, nullptr);
  const auto d = DescribeWindow(dialog);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->className, u"#32770");
  EXPECT_EQ(d->text, u"Test dialog");
  EXPECT_EQ(d->owner, owner);
  EXPECT_FALSE(d->visible);  // the template does not say WS_VISIBLE
  EXPECT_EQ(d->rect, (RECT{0, 0, 180, 97}));
  EXPECT_EQ(WindowsOwnedBy(owner), std::vector<HWND>{dialog});
  const HWND edit = GetDlgItem(dialog, kEditId);
  const auto e = DescribeWindow(edit);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->className, u"EDIT");
  EXPECT_EQ(e->parent, dialog);
  EXPECT_EQ(e->rect, (RECT{12, 13, 162, 78}));
  EXPECT_NE(e->style & WS_CHILD, 0u);
  EXPECT_EQ(seen.initParam, 42);
}

TEST_F(DialogThreadTest, ResizingAsksTheLeastSizeOnTheDialogsThread) {
  seen.minimum = POINT{100, 80};
  struct Case {
    int width, height;
    RECT expected;
  };
  for (const Case& c : {Case{300, 200, RECT{5, 6, 305, 206}}, Case{50, 50, RECT{5, 6, 105, 86}}}) {
    ASSERT_TRUE(SetWindowPos(dialog, HWND_TOPMOST, 5, 6, c.width, c.height, SWP_SHOWWINDOW));
    const auto d = DescribeWindow(dialog);
    EXPECT_EQ(d->rect, c.expected);
    EXPECT_TRUE(d->visible);
    EXPECT_NE(d->exStyle & WS_EX_TOPMOST, 0u);
  }
  std::lock_guard<std::mutex> hold(seen.lock);
  EXPECT_NE(std::find(seen.messages.begin(), seen.messages.end(), WM_SIZE), seen.messages.end());
  EXPECT_NE(std::find(seen.messages.begin(), seen.messages.end(), WM_GETMINMAXINFO), seen.messages.end());
  for (const auto& thread : seen.threads) EXPECT_EQ(thread, dialogThread);
}

TEST_F(DialogThreadTest, EditSelectionAndFocusNotice) {
  const HWND edit = GetDlgItem(dialog, kEditId);
  ASSERT_TRUE(SetWindowTextW(edit, u"0123456789"));
  struct Case {
    std::intptr_t start, end;
    DWORD from, to;
  };
  for (const Case& c : {Case{2, 5, 2, 5}, Case{5, 2, 2, 5}, Case{0, -1, 0, 10}, Case{3, 99, 3, 10},
                        Case{-1, 0, 10, 10}, Case{0, 0, 0, 0}}) {
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(c.start), c.end);
    DWORD from = 99, to = 99;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, c.from) << c.start << "," << c.end;
    EXPECT_EQ(to, c.to) << c.start << "," << c.end;
  }
  SetFocus(edit);
  {
    std::lock_guard<std::mutex> hold(seen.lock);
    EXPECT_NE(std::find(seen.commands.begin(), seen.commands.end(), MAKEWPARAM(kEditId, EN_SETFOCUS)),
              seen.commands.end());
  }
  EXPECT_TRUE(SeenOnlyOnDialogThread());
}

TEST_F(DialogThreadTest, OnlyItsOwnThreadDestroysItAndCloseEndsTheLoop) {
  EXPECT_FALSE(DestroyWindow(dialog));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(IsWindow(dialog));
  const HWND edit = GetDlgItem(dialog, kEditId);
  ASSERT_TRUE(PostMessageW(dialog, WM_CLOSE, 0, 0));
  loop.join();
  loop = std::thread([] {});
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_TRUE(WindowsOwnedBy(owner).empty());
  std::lock_guard<std::mutex> hold(seen.lock);
  EXPECT_EQ(seen.commands.back(), MAKEWPARAM(IDCANCEL, 0));
  EXPECT_EQ(seen.messages.back(), WM_DESTROY);
}

TEST(WindowTest, SendingToAWindowWhoseThreadEndedDoesNotWait) {
  HWND window = nullptr;
  std::promise<void> mayEnd;
  std::promise<void> made;
  std::thread owner([&] {
    window = CreateWindowExW(0, u"Plain", u"", 0, 0, 0, 10, 10, nullptr, 0, nullptr, nullptr);
    made.set_value();
    mayEnd.get_future().wait();
  });
  made.get_future().wait();
  mayEnd.set_value();
  owner.join();
  // The window outlives its thread here; a message to it is run at once.
  EXPECT_EQ(SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(u"x")), TRUE);
  EXPECT_EQ(DescribeWindow(window)->text, u"x");
  EXPECT_EQ(CreateWindowExW(0, u"EDIT", u"", WS_CHILD, 0, 0, 1, 1, nullptr, 1, nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
