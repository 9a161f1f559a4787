// The console's break events: SIGINT and SIGQUIT reach the handlers on a
// thread of the layer's own; unhandled, the signal ends the process.
#include "platform/service/console_control.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <thread>

#include "platform/base/last_error.h"

namespace {

std::atomic<int> events[2];
std::atomic<std::thread::id> handlerThread;

BOOL WINAPI Count(DWORD type) {
  handlerThread.store(std::this_thread::get_id());
  if (type <= CTRL_BREAK_EVENT) events[type].fetch_add(1);
  return TRUE;
}

BOOL WINAPI Decline(DWORD) { return FALSE; }

void WaitFor(const std::atomic<int>& counter, int value) {
  // Only bounds a failure; a working layer answers at once.
  for (int i = 0; i < 30000 && counter.load() < value; ++i) usleep(1000);
}

TEST(ConsoleControl, BreakEventsReachTheHandlerOnItsOwnThread) {
  ASSERT_TRUE(SetConsoleCtrlHandler(Count, TRUE));
  // A later handler that declines passes the event on to the earlier one.
  ASSERT_TRUE(SetConsoleCtrlHandler(Decline, TRUE));
  ASSERT_EQ(kill(getpid(), SIGINT), 0);
  WaitFor(events[CTRL_C_EVENT], 1);
  ASSERT_EQ(kill(getpid(), SIGQUIT), 0);
  WaitFor(events[CTRL_BREAK_EVENT], 1);
  EXPECT_EQ(events[CTRL_C_EVENT].load(), 1);
  EXPECT_EQ(events[CTRL_BREAK_EVENT].load(), 1);
  EXPECT_NE(handlerThread.load(), std::this_thread::get_id());
  EXPECT_TRUE(SetConsoleCtrlHandler(Decline, FALSE));
  EXPECT_TRUE(SetConsoleCtrlHandler(Count, FALSE));
  EXPECT_FALSE(SetConsoleCtrlHandler(Count, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(ConsoleControlDeathTest, UnhandledInterruptEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SetConsoleCtrlHandler(Decline, TRUE);
        kill(getpid(), SIGINT);
        for (;;) pause();
      },
      ::testing::KilledBySignal(SIGINT), "");
}

}  // namespace
