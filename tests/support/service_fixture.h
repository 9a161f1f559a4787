// The reset service as the end-to-end tests meet it: a throw-away folder
// with its registry file, question file and rules; the service run either
// in this process (CPwdResetServer on a free loopback port) or as the real
// Pellucor program on the console; and a client on record_client.h.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "RemoteSvr/common/pwd_reset_record.h"
#include "platform/winsock/winsock.h"
#include "tests/support/scratch_folder.h"

// The folder and the files in it. Building it points VARNOK_REGISTRY and
// VARNOK_SYSTEM_DIR at it.
class CServiceFiles {
 public:
  CServiceFiles();
  CServiceFiles(const CServiceFiles&) = delete;
  CServiceFiles& operator=(const CServiceFiles&) = delete;

  const std::string& Folder() const { return folder; }
  std::string QuestionFilePath() const { return folder + "/data/Pellucor.txt"; }

  // The question file's bytes as given (no line end added).
  void WriteQuestionFile(const std::string& text) const;
  std::string QuestionFileText() const;
  std::vector<std::string> QuestionFileLines() const;
  // The registry file, with or without DatabasePath; `more` follows the
  // product key's values as written (more values, or further keys).
  void WriteRegistry(bool withDatabasePath, const std::string& more = "") const;
  // MorrowenRules.txt in the system folder; a LOGDIR line keeps the rule
  // log in the folder.
  void WriteRules(const std::string& text) const;
  // Everything the service logged to its files so far.
  std::string LogText() const;

 private:
  ScratchFolder scratch;
  std::string folder;
};

// One way of running the service.
class IServiceRunner {
 public:
  virtual ~IServiceRunner() = default;
  // Starts the service on the files; false when it did not come up.
  virtual bool Start(const CServiceFiles& files) = 0;
  virtual std::uint16_t Port() const = 0;
  // Stops it (returns once it has stopped).
  virtual void Stop() = 0;
};

// "InProcess" or "Pellucor"; nullptr when that runner cannot run here (the
// program was not built). Pellucor listens on `port`, or for 0 on a port
// claimed for it (service_port.h), and counts as up once the program started
// listens there itself; the service in this process always binds port 0.
std::unique_ptr<IServiceRunner> MakeServiceRunner(const std::string& mode, std::uint16_t port = 0);
// Whether the Pellucor program is there to run.
bool PellucorAvailable();

// A client connection to the service on 127.0.0.1.
class CClient {
 public:
  explicit CClient(std::uint16_t port);
  ~CClient();
  CClient(const CClient&) = delete;
  CClient& operator=(const CClient&) = delete;

  bool Connected() const { return socket != INVALID_SOCKET; }
  SOCKET Socket() const { return socket; }

  // Codes 0 to 2: the request sent and its reply read into `reply`; false
  // when the transfer failed.
  bool Lookup(const std::string& domain, const std::string& user, PwdResetRecord& reply);
  bool SetPassword(const std::string& domain, const std::string& user, const std::string& password,
                   PwdResetRecord& reply);
  bool Unlock(const std::string& domain, const std::string& user, PwdResetRecord& reply);
  // Code 3: sent, no reply.
  bool Notify(const std::string& domain, const std::string& user);
  // Sends raw bytes.
  bool SendBytes(const std::string& bytes);
  // Whether the service closed the connection (within `seconds`).
  bool ClosedByPeer(int seconds);

 private:
  bool Transact(PwdResetRecord& record);
  SOCKET socket = INVALID_SOCKET;
};

// The questions of a lookup's reply.
struct CReplyQuestions {
  std::vector<std::string> questions;
  std::vector<std::string> hints;
  std::vector<std::string> answers;
};
CReplyQuestions QuestionsOf(const PwdResetRecord& reply);
