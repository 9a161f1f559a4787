// The message-box model: only a box with an owner window is shown.
#include "platform/windows/message_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MessageBoxTest, OnlyABoxWithAnOwnerReachesTheSink) {
  std::vector<MessageBoxRequest> shown;
  SetMessageBoxSink([&](const MessageBoxRequest& request) {
    shown.push_back(request);
    return IDOK;
  });
  HWND owner = reinterpret_cast<HWND>(0x10);
  EXPECT_EQ(MessageBoxW(nullptr, u"lost", u"caption", MB_ICONERROR), 0);
  EXPECT_EQ(MessageBoxW(owner, u"caf\u00E9", u"caption", MB_ICONERROR), IDOK);
  EXPECT_EQ(MessageBoxA(owner, "bytes", nullptr, MB_OK), IDOK);
  SetMessageBoxSink(nullptr);

  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "caf\xC3\xA9");
  EXPECT_EQ(shown[0].caption, "caption");
  EXPECT_EQ(shown[0].type, MB_ICONERROR);
  EXPECT_EQ(shown[1].caption, "");
}

}  // namespace
