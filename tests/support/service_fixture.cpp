// The end-to-end tests' folder, runners and client.
#include "tests/support/service_fixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_server.h"
#include "tests/support/file_bytes.h"
#include "tests/support/service_port.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  return address;
}

class CInProcessRunner : public IServiceRunner {
 public:
  bool Start(const CServiceFiles& files) override {
    LogFile().OpenInDirectory(files.Folder(), 0, 1, "VNK-Pellucor", ".txt");
    LogFile().debugLevel = 9;
    CDatabaseSettings::Instance().Initialise();
    server = std::make_unique<CPwdResetServer>(0);
    return server->Start() != 0;
  }
  std::uint16_t Port() const override { return server->LocalPort(); }
  void Stop() override {
    if (server == nullptr) return;
    server->CloseSocket();
    server.reset();
  }
  ~CInProcessRunner() override { Stop(); }

 private:
  std::unique_ptr<CPwdResetServer> server;
};

#ifdef PELLUCOR_PATH
class CPellucorRunner : public IServiceRunner {
 public:
  explicit CPellucorRunner(std::uint16_t fixedPort) : fixedPort(fixedPort) {}
  bool Start(const CServiceFiles& files) override {
    const std::string program = files.Folder() + "/Pellucor";
    fs::copy_file(PELLUCOR_PATH, program, fs::copy_options::overwrite_existing);
    if (fixedPort == 0 && claimed == nullptr) claimed = std::make_unique<ServicePort>();
    // A port that a program of another kind took before Pellucor bound it
    // is given up for the next one; the fixed port has no other.
    for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
      port = fixedPort != 0 ? fixedPort : claimed->Port();
      if (port == 0) return false;
      const CStart start = StartOn(files, program);
      if (start != CStart::PortTaken) return start == CStart::Listening;
      if (fixedPort != 0) {
        ADD_FAILURE() << "port " << port << " is taken";
        return false;
      }
      claimed->Next();
    }
    return false;
  }
  std::uint16_t Port() const override { return port; }
  void Stop() override {
    if (pid <= 0) return;
    kill(pid, SIGINT);
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
      if (Clock::now() > deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        ADD_FAILURE() << "Pellucor did not stop on SIGINT";
        break;
      }
      std::this_thread::sleep_for(milliseconds(5));
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "exit status " << status;
    pid = -1;
  }
  ~CPellucorRunner() override { Stop(); }

 private:
  static constexpr int kStartAttempts = 5;
  enum class CStart { Listening, PortTaken, Failed };

  // Runs the program on `port`: up once it listens there itself (a
  // connection that succeeds may have reached another listener); taken
  // when it exited saying it could not bind or listen.
  CStart StartOn(const CServiceFiles& files, const std::string& program) {
    WriteFileBytes(files.Folder() + "/Pellucor.cfg", "PORT = " + std::to_string(port) + "\n");
    const std::size_t logged = files.LogText().size();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string console = files.Folder() + "/console.txt";
    posix_spawn_file_actions_addopen(&actions, 1, console.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, files.Folder().c_str());
    char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("-debug"), nullptr};
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      pid = -1;
      return CStart::Failed;
    }
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        std::string log = files.LogText();
        log.erase(0, std::min(logged, log.size()));
        const bool taken = log.find("WSAError : Socket Bind failure.\n") != std::string::npos ||
                           log.find("WSAError : ::listen() failure\n") != std::string::npos;
        return taken ? CStart::PortTaken : CStart::Failed;
      }
      if (ProcessListensOn(pid, port)) return CStart::Listening;
      std::this_thread::sleep_for(milliseconds(10));
    }
    ADD_FAILURE() << "Pellucor did not listen on port " << port << " in time";
    return CStart::Failed;
  }

  pid_t pid = -1;
  std::uint16_t fixedPort = 0;
  std::unique_ptr<ServicePort> claimed;
  std::uint16_t port = 0;
};
#endif

}  // namespace

CServiceFiles::CServiceFiles() : scratch("varnok-service"), folder(scratch.Path()) {
  fs::create_directories(folder + "/data");
  fs::create_directories(folder + "/system");
  setenv("VARNOK_REGISTRY", (folder + "/registry.reg").c_str(), 1);
  setenv("VARNOK_SYSTEM_DIR", (folder + "/system").c_str(), 1);
  WriteRegistry(true);
  WriteRules("ACTIVE 1\nMIN_LENGTH 8\n");
  WriteQuestionFile("");
}

void CServiceFiles::WriteQuestionFile(const std::string& text) const { WriteFileBytes(QuestionFilePath(), text); }

std::string CServiceFiles::QuestionFileText() const { return ReadFileBytes(QuestionFilePath()); }

std::vector<std::string> CServiceFiles::QuestionFileLines() const { return FileLines(QuestionFilePath()); }

void CServiceFiles::WriteRegistry(bool withDatabasePath, const std::string& more) const {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n";
  if (withDatabasePath) text += "\"DatabasePath\"=\"" + folder + "/data\"\r\n";
  text += "\"CentralServer\"=\"localhost\"\r\n" + more;
  WriteFileBytes(folder + "/registry.reg", text);
}

void CServiceFiles::WriteRules(const std::string& text) const {
  WriteFileBytes(folder + "/system/MorrowenRules.txt", "LOGDIR " + folder + "\n" + text);
}

std::string CServiceFiles::LogText() const {
  std::string text;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("VNK-Pellucor-", 0) == 0) text += ReadFileBytes(entry.path().string());
  }
  return text;
}

bool PellucorAvailable() {
#ifdef PELLUCOR_PATH
  return fs::exists(PELLUCOR_PATH);
#else
  return false;
#endif
}

std::unique_ptr<IServiceRunner> MakeServiceRunner(const std::string& mode, [[maybe_unused]] std::uint16_t port) {
  if (mode == "InProcess") return std::make_unique<CInProcessRunner>();
#ifdef PELLUCOR_PATH
  if (mode == "Pellucor" && PellucorAvailable()) return std::make_unique<CPellucorRunner>(port);
#endif
  return nullptr;
}

CClient::CClient(std::uint16_t port) {
  socket = winsock::socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in address = Loopback(port);
  if (winsock::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    closesocket(socket);
    socket = INVALID_SOCKET;
  }
}

CClient::~CClient() {
  if (socket != INVALID_SOCKET) closesocket(socket);
}

bool CClient::Transact(PwdResetRecord& record) {
  std::string message;
  const bool done = TransactRecord(socket, record, message) == 1;
  if (!done) ADD_FAILURE() << "transfer: " << message;
  return done;
}

bool CClient::Lookup(const std::string& domain, const std::string& user, PwdResetRecord& reply) {
  BuildRequest(reply, REQUEST_LOOKUP_USER, domain, user);
  return Transact(reply);
}

bool CClient::SetPassword(const std::string& domain, const std::string& user, const std::string& password,
                          PwdResetRecord& reply) {
  BuildRequest(reply, REQUEST_SET_PASSWORD, domain, user, password);
  return Transact(reply);
}

bool CClient::Unlock(const std::string& domain, const std::string& user, PwdResetRecord& reply) {
  BuildRequest(reply, REQUEST_UNLOCK_ACCOUNT, domain, user);
  return Transact(reply);
}

bool CClient::Notify(const std::string& domain, const std::string& user) {
  std::string message;
  return SendFailureNotification(socket, domain, user, message) == 1;
}

bool CClient::SendBytes(const std::string& bytes) {
  return winsock::send(socket, bytes.data(), static_cast<int>(bytes.size()), 0) == static_cast<int>(bytes.size());
}

bool CClient::ClosedByPeer(int seconds) {
  WSAPOLLFD entry{socket, POLLIN, 0};
  if (WSAPoll(&entry, 1, seconds * 1000) != 1) return false;
  char byte = 0;
  return winsock::recv(socket, &byte, 1, 0) <= 0;
}

CReplyQuestions QuestionsOf(const PwdResetRecord& reply) {
  CReplyQuestions q;
  ReplyQuestions(reply, q.questions, q.hints, q.answers);
  return q;
}
