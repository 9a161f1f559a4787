// System and Windows Sockets error texts.
#include <gtest/gtest.h>

#include "RemoteSvr/common/win32_error_text.h"
#include "RemoteSvr/common/wsa_error_text.h"
#include "platform/base/last_error.h"
#include "platform/winsock/winsock.h"

namespace {

TEST(WsaErrorText, KnownAndUnknownCodes) {
  const struct {
    int code;
    int known;
    const char* text;
  } cases[] = {
      {10061, 1, "Connection refused."},
      {10054, 1, "Connection reset by peer."},
      {10060, 1, "Connection timed out."},
      {10101, 1, "Graceful shutdown in progress."},
      {6, 1, "Specified event object handle is invalid."},
      {11004, 1, "Valid name, no data record of requested type."},
      {10059, 0, "Unknown Windows socket error 10059"},
      {0, 0, "Unknown Windows socket error 0"},
      {-1, 0, "Unknown Windows socket error -1"},
  };
  for (const auto& c : cases) {
    const CWsaErrorText error(c.code);
    EXPECT_EQ(error.known, c.known) << c.code;
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(error.text, c.text) << c.code;
  }
}

TEST(WsaErrorText, EveryCodeTheSocketLayerMapsToHasAText) {
  for (int error = 1; error < 134; ++error) {
    const int code = WsaErrorFromErrno(error);
    EXPECT_EQ(CWsaErrorText(code).known, 1) << "errno " << error << " -> " << code;
  }
}

TEST(Win32ErrorText, SystemTextWithItsLineBreakAsABlank) {
  const CWin32ErrorText error(ERROR_ACCESS_DENIED);
  EXPECT_EQ(error.code, ERROR_ACCESS_DENIED);
  EXPECT_EQ(error.text, "Access is denied. ");
}

TEST(Win32ErrorText, UnknownCodeAndTheLastError) {
  EXPECT_EQ(CWin32ErrorText(123456).text, "Unknown error 123456");
  EXPECT_EQ(CWin32ErrorText(4294967295u).text, "Unknown error 4294967295");
  SetLastError(ERROR_FILE_NOT_FOUND);
  const CWin32ErrorText last;
  EXPECT_EQ(last.code, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(last.text, "The system cannot find the file specified. ");
}

TEST(Win32ErrorText, LineBreakPairsBecomeOneBlank) {
  const struct {
    const char* text;
    const char* joined;
  } cases[] = {
      {"one\r\ntwo\r\n", "one two "},
      {"one\n\rtwo", "one two"},
      {"one\ntwo", "one\ntwo"},
      {"one\rtwo\r", "one\rtwo\r"},
      {"a\r\n\r\nb", "a  b"},
      {"a\n\nb", "a\n\nb"},
      {"kept %1 insert", "kept %1 insert"},
  };
  for (const auto& c : cases) EXPECT_EQ(JoinMessageLines(c.text), c.joined);
}

}  // namespace
