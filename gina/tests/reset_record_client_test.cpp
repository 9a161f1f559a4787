// The dialog extension's record client against a scripted peer of the
// tests' own on the service's port: the progress lines of a whole exchange
// whatever pieces the reply comes in, and of each way it fails, in the log
// list box as the user would read it.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/common/wsa_error_text.h"
#include "credprov/tests/scripted_peer.h"
#include "gina/reset_record_client.h"
#include "platform/windows/user_agent.h"
#include "platform/windows/window.h"

namespace {

// A host entry for one loopback address, as gethostbyname would give it.
class CLoopbackHost {
 public:
  CLoopbackHost() {
    inet_pton(AF_INET, "127.0.0.1", &address);
    addresses[0] = reinterpret_cast<char*>(&address);
    host.h_name = name;
    host.h_aliases = aliases;
    host.h_addrtype = AF_INET;
    host.h_length = sizeof(in_addr);
    host.h_addr_list = addresses;
  }
  const HOSTENT& Get() const { return host; }

 private:
  in_addr address{};
  char name[10] = "localhost";
  char* aliases[1] = {nullptr};
  char* addresses[2] = {nullptr, nullptr};
  HOSTENT host{};
};

class ResetRecordClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list = CreateWindowExA(0, "LISTBOX", "", 0, 0, 0, 100, 100, nullptr, 0, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
  }
  void TearDown() override {
    CloseServerSocket();
    DestroyWindow(list);
  }

  std::vector<std::string> Lines() const { return ListBoxLines(list); }
  // The lines from the n-th on.
  std::vector<std::string> LinesFrom(std::size_t n) const {
    const std::vector<std::string> all = Lines();
    return n < all.size() ? std::vector<std::string>(all.begin() + static_cast<long>(n), all.end())
                          : std::vector<std::string>();
  }

  static PwdResetRecord Lookup(const char* user) {
    PwdResetRecord record;
    BuildRequest(record, REQUEST_LOOKUP_USER, "corp.example.org", user);
    return record;
  }

  HWND list = nullptr;
  CLoopbackHost host;
};

std::string SocketText(int code) { return CWsaErrorText(code).text; }

// The start of a reply whose header gives `length`, with `more` bytes of
// its body.
std::string ReplyStart(std::uint32_t length, std::size_t more) {
  PwdResetRecord reply{};
  reply.header.totalLength = length;
  reply.header.magic = MESSAGE_MAGIC;
  return std::string(reinterpret_cast<const char*>(&reply), HEADER_SIZE + more);
}

TEST_F(ResetRecordClientTest, ReplyInPiecesIsReadWholeAndDeciphered) {
  for (const int pieces : {1, 3, 9}) {
    SCOPED_TRACE(pieces);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    PwdResetRecord seen{};
    CScriptedPeer peer(
        [&](CPeerConnection& connection) {
          ASSERT_TRUE(connection.Receive(seen));
          connection.Reply(MakeReply(seen, true, "Found", {{"Pet?", "furry", "md5:ABCD"}}), pieces);
          connection.WaitForClose();
        },
        "127.0.0.1", DEFAULT_PORT);
    ASSERT_EQ(ConnectToServer(list, host.Get()), 1);
    PwdResetRecord record = Lookup("alice");
    ASSERT_EQ(TransactRecord(list, record), 1);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"Connecting to 127.0.0.1 port 7257", "Connected OK",
                                                 "Sending request 0, username alice", "Sending 5148 bytes",
                                                 "Reading reply", "Read 5148 bytes"}));
    EXPECT_EQ(record.result, RESULT_SUCCESS);
    EXPECT_EQ(RecordText(record.replyText), "Found");
    EXPECT_EQ(RecordText(record.questions[0]), "Pet?");
    EXPECT_EQ(RecordText(record.hints[0]), "furry");
    EXPECT_EQ(RecordText(record.answers[0]), "md5:ABCD");
    CloseServerSocket();
    peer.Join();
    // What went over the wire: the whole header, and fields that decipher
    // with the domain's key (the peer deciphers them as the service does).
    EXPECT_EQ(seen.header.totalLength, RECORD_SIZE);
    EXPECT_EQ(seen.header.magic, MESSAGE_MAGIC);
    EXPECT_EQ(seen.header.messageType, REQUEST_LOOKUP_USER);
    EXPECT_EQ(RecordText(seen.domain), "corp.example.org");
    EXPECT_EQ(RecordText(seen.userName), "alice");
  }
}

// Each failure: its progress line after "Sending request", the result 0,
// and the connection closed, so the next exchange cannot take what is left
// of this one for its reply.
TEST_F(ResetRecordClientTest, FailedExchangesSayWhyAndCloseTheConnection) {
  struct Case {
    const char* name;
    bool peerClosesFirst;
    CScriptedPeer::Script script;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"header length other than 5148", false,
       [](CPeerConnection& c) {
         PwdResetRecord request;
         ASSERT_TRUE(c.Receive(request));
         c.SendRaw(ReplyStart(5000, RECORD_SIZE - HEADER_SIZE));
         c.WaitForClose();
       },
       {"Sending 5148 bytes", "Reading reply", "Error: Invalid header size (5000 bytes)"}},
      {"closed before the request", true, [](CPeerConnection& c) { c.Close(); },
       {"Socket error " + SocketText(WSAEDISCON)}},
      {"closed within the reply", false,
       [](CPeerConnection& c) {
         PwdResetRecord request;
         ASSERT_TRUE(c.Receive(request));
         c.SendRaw(ReplyStart(RECORD_SIZE, 100));
       },
       {"Sending 5148 bytes", "Reading reply", "Read error - " + SocketText(WSAEDISCON)}},
      {"closed without a reply", false,
       [](CPeerConnection& c) {
         PwdResetRecord request;
         ASSERT_TRUE(c.Receive(request));
       },
       {"Sending 5148 bytes", "Reading reply", "Error peeking 20 bytes - " + SocketText(WSAEDISCON)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    CScriptedPeer peer(c.script, "127.0.0.1", DEFAULT_PORT);
    ASSERT_EQ(ConnectToServer(list, host.Get()), 1);
    if (c.peerClosesFirst) peer.Join();
    PwdResetRecord record = Lookup("bob");
    EXPECT_EQ(TransactRecord(list, record), 0);
    std::vector<std::string> expected = {"Sending request 0, username bob"};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(LinesFrom(2), expected);

    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    record = Lookup("bob");
    EXPECT_EQ(TransactRecord(list, record), 0);
    EXPECT_EQ(LinesFrom(1), (std::vector<std::string>{"Sending 5148 bytes",
                                                      "Error sending 5148 bytes to socket 4294967295"}));
    peer.Join();
  }
}

TEST_F(ResetRecordClientTest, NoServerToConnectTo) {
  // Nothing listens on the service's port.
  EXPECT_EQ(ConnectToServer(list, host.Get()), 0);
  PwdResetRecord record = Lookup("carol");
  EXPECT_EQ(TransactRecord(list, record), 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"Connecting to 127.0.0.1 port 7257",
                                               "Error connecting to 127.0.0.1 port 7257 -",
                                               SocketText(WSAECONNREFUSED), "Sending request 0, username carol",
                                               "Sending 5148 bytes",
                                               "Error sending 5148 bytes to socket 4294967295"}));
}

}  // namespace
