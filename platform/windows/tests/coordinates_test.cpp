// Window rectangles as Windows gives them: positions in the parent's client
// coordinates, GetWindowRect in the screen's, and the conversions between
// them; SetWindowPos's flags; the desktop window and the screen.
#include <gtest/gtest.h>

#include "platform/windows/window.h"

namespace {

// A top-level window at (100, 50), a child at (10, 20) in it and a
// grandchild at (3, 4) in that.
class CoordinatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    top = CreateWindowExW(0, u"Frame", u"", WS_POPUP, 100, 50, 400, 300, nullptr, 0, nullptr, nullptr);
    child = CreateWindowExW(0, u"Pane", u"", WS_CHILD, 10, 20, 200, 100, top, 7, nullptr, nullptr);
    grandchild = CreateWindowExW(0, u"BUTTON", u"", WS_CHILD, 3, 4, 50, 14, child, 8, nullptr, nullptr);
    ASSERT_NE(grandchild, nullptr);
  }
  void TearDown() override { DestroyWindow(top); }

  HWND top = nullptr;
  HWND child = nullptr;
  HWND grandchild = nullptr;
};

TEST_F(CoordinatesTest, WindowRectIsOnTheScreenAndClientRectAtTheOrigin) {
  struct Case {
    HWND* window;
    RECT screen;
    RECT client;
  };
  for (const Case& c : {Case{&top, {100, 50, 500, 350}, {0, 0, 400, 300}},
                        Case{&child, {110, 70, 310, 170}, {0, 0, 200, 100}},
                        Case{&grandchild, {113, 74, 163, 88}, {0, 0, 50, 14}}}) {
    RECT rect{};
    ASSERT_TRUE(GetWindowRect(*c.window, &rect));
    EXPECT_EQ(rect, c.screen);
    ASSERT_TRUE(GetClientRect(*c.window, &rect));
    EXPECT_EQ(rect, c.client);
    EXPECT_EQ(DescribeWindow(*c.window)->screenRect, c.screen);
  }
  EXPECT_EQ(DescribeWindow(grandchild)->rect, (RECT{3, 4, 53, 18}));
}

TEST_F(CoordinatesTest, PointsMapBetweenWindowsAndTheScreen) {
  POINT p{1, 2};
  ASSERT_TRUE(ClientToScreen(grandchild, &p));
  EXPECT_EQ(p.x, 114);
  EXPECT_EQ(p.y, 76);
  ASSERT_TRUE(ScreenToClient(child, &p));
  EXPECT_EQ(p.x, 4);
  EXPECT_EQ(p.y, 6);

  // A screen rectangle into the parent's client coordinates, as a layout
  // does before it moves a control.
  RECT rect{};
  GetWindowRect(grandchild, &rect);
  const int offset = MapWindowPoints(nullptr, child, reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect, (RECT{3, 4, 53, 18}));
  EXPECT_EQ(static_cast<short>(LOWORD(static_cast<std::uintptr_t>(offset))), -110);
  EXPECT_EQ(static_cast<short>(HIWORD(static_cast<std::uintptr_t>(offset))), -70);
  POINT q{0, 0};
  MapWindowPoints(grandchild, top, &q, 1);
  EXPECT_EQ(q.x, 13);
  EXPECT_EQ(q.y, 24);
  MapWindowPoints(top, GetDesktopWindow(), &q, 1);
  EXPECT_EQ(q.x, 113);
  EXPECT_EQ(q.y, 74);
}

TEST_F(CoordinatesTest, SetWindowPosKeepsWhatItsFlagsSay) {
  struct Case {
    UINT flags;
    RECT expected;  // in the parent's client coordinates
    bool topmost;
  };
  const Case cases[] = {
      {0, {30, 40, 130, 90}, false},
      {SWP_NOMOVE, {10, 20, 110, 70}, false},
      {SWP_NOSIZE, {30, 40, 230, 140}, false},
      {SWP_NOMOVE | SWP_NOSIZE, {10, 20, 210, 120}, false},
      {SWP_NOZORDER, {30, 40, 130, 90}, false},
      {SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER, {10, 20, 210, 120}, false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(SetWindowPos(child, HWND_TOP, 10, 20, 200, 100, SWP_NOZORDER));
    ASSERT_TRUE(SetWindowPos(child, HWND_TOP, 30, 40, 100, 50, c.flags)) << c.flags;
    EXPECT_EQ(DescribeWindow(child)->rect, c.expected) << c.flags;
    RECT screen{};
    GetWindowRect(grandchild, &screen);
    EXPECT_EQ(screen.left, 100 + c.expected.left + 3) << c.flags;
  }
  // Topmost is a z-order: SWP_NOZORDER keeps a window out of it.
  ASSERT_TRUE(SetWindowPos(top, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER));
  EXPECT_EQ(DescribeWindow(top)->exStyle & WS_EX_TOPMOST, 0u);
  ASSERT_TRUE(SetWindowPos(top, HWND_TOPMOST, 5, 6, 0, 0, SWP_NOSIZE));
  EXPECT_NE(DescribeWindow(top)->exStyle & WS_EX_TOPMOST, 0u);
  EXPECT_EQ(DescribeWindow(top)->rect, (RECT{5, 6, 405, 306}));
  // MoveWindow takes the same parent-relative position.
  ASSERT_TRUE(MoveWindow(grandchild, 1, 2, 3, 4, TRUE));
  RECT rect{};
  GetWindowRect(grandchild, &rect);
  EXPECT_EQ(rect, (RECT{5 + 10 + 1, 6 + 20 + 2, 5 + 10 + 1 + 3, 6 + 20 + 2 + 4}));
}

TEST_F(CoordinatesTest, TheDesktopIsTheScreen) {
  const HWND desktop = GetDesktopWindow();
  EXPECT_TRUE(IsWindow(desktop));
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  RECT rect{};
  ASSERT_TRUE(GetWindowRect(desktop, &rect));
  EXPECT_EQ(rect, (RECT{0, 0, 1024, 768}));
  // A window made with the desktop as its parent is top-level and unowned.
  const HWND popup = CreateWindowExW(0, u"Frame", u"", WS_POPUP, 1, 2, 3, 4, desktop, 0, nullptr, nullptr);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(DescribeWindow(popup)->owner, nullptr);
  EXPECT_EQ(DescribeWindow(popup)->parent, nullptr);
  EXPECT_TRUE(SetForegroundWindow(popup));
  EXPECT_EQ(GetForegroundWindow(), popup);
  DestroyWindow(popup);
  EXPECT_EQ(GetForegroundWindow(), nullptr);
}

TEST_F(CoordinatesTest, InvalidatedRectanglesAreRemembered) {
  EXPECT_FALSE(DescribeWindow(child)->invalidated);
  const RECT part{1, 2, 3, 4};
  ASSERT_TRUE(InvalidateRect(child, &part, FALSE));
  EXPECT_EQ(DescribeWindow(child)->invalidated, part);
  EXPECT_FALSE(DescribeWindow(child)->invalidatedErase);
  ASSERT_TRUE(InvalidateRect(child, nullptr, TRUE));
  EXPECT_EQ(DescribeWindow(child)->invalidated, (RECT{0, 0, 200, 100}));
  EXPECT_TRUE(DescribeWindow(child)->invalidatedErase);
  EXPECT_FALSE(InvalidateRect(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x4)), nullptr, TRUE));
}

}  // namespace
