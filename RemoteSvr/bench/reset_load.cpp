// Each connection resets its own user again and again (a lookup, then a
// set-password on the same connection), so the figures are the service's
// and the directory's cost of one reset, not contention on one account.
#include "RemoteSvr/bench/reset_load.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "RemoteSvr/bench/loopback_client.h"
#include "RemoteSvr/common/record_client.h"
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/ldap_password_client.h"
#include "RemoteSvr/pwd_reset_server.h"
#include "tests/support/dc_directory.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

constexpr int kMostConnections = 8;
constexpr char kFirstPassword[] = "Bench-Start-0";

// One way a reset reaches the directory.
struct CPath {
  const char* label;
  // The question file's settings lines for the domain; empty: none.
  std::string settingsLines;
  // Resets straight through the LDAP client instead of the service.
  bool direct = false;
};

struct CRun {
  long resets = 0;
  std::vector<double> latencies;
  double seconds = 0;
  std::string failure;
};

std::string UserName(int n) { return "bench" + std::to_string(getpid() % 10000) + "u" + std::to_string(n); }

std::string Password(long n) { return "Bench-Passw0rd-" + std::to_string(n); }

// One reset through the service: 1 when the reply says the password changed.
bool ResetThroughService(int port, const std::string& user, const std::string& password, std::string& failure) {
  const SOCKET s = ConnectToLoopback(port);
  if (s == INVALID_SOCKET) {
    failure = "cannot connect";
    return false;
  }
  PwdResetRecord record;
  std::string message;
  BuildRequest(record, REQUEST_LOOKUP_USER, DcSettings().domain, user);
  bool done = TransactRecord(s, record, message) == 1 && ReplySucceeded(record);
  if (done) {
    BuildRequest(record, REQUEST_SET_PASSWORD, DcSettings().domain, user, password);
    done = TransactRecord(s, record, message) == 1 && ReplySucceeded(record);
  }
  if (!done) failure = message.empty() ? ReplyText(record) : message;
  WipeRecord(record);
  closesocket(s);
  return done;
}

bool ResetDirectly(const std::string& user, const std::string& password, std::string& failure) {
  CLdapPasswordClient client(DcSettings().fqdn, "sAMAccountName");
  if (client.ResetPassword(user, password)) return true;
  failure = client.errorText;
  return false;
}

CRun Measure(const CPath& path, int port, int connections, double seconds) {
  std::vector<CRun> runs(static_cast<std::size_t>(connections));
  std::vector<std::thread> threads;
  const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
  const auto start = Clock::now();
  for (int c = 0; c < connections; ++c) {
    threads.emplace_back([&, c] {
      CRun& mine = runs[static_cast<std::size_t>(c)];
      const std::string user = UserName(c);
      for (long n = 0; Clock::now() < end; ++n) {
        const auto begun = Clock::now();
        const std::string password = Password(n);
        const bool done = path.direct ? ResetDirectly(user, password, mine.failure)
                                      : ResetThroughService(port, user, password, mine.failure);
        if (!done) break;
        mine.latencies.push_back(Seconds(Clock::now() - begun).count());
        ++mine.resets;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  CRun all;
  all.seconds = Seconds(Clock::now() - start).count();
  for (const CRun& run : runs) {
    all.resets += run.resets;
    all.latencies.insert(all.latencies.end(), run.latencies.begin(), run.latencies.end());
    if (all.failure.empty()) all.failure = run.failure;
  }
  std::sort(all.latencies.begin(), all.latencies.end());
  return all;
}

double Median(const std::vector<double>& sorted) { return sorted.empty() ? 0 : sorted[sorted.size() / 2]; }

// The product key pointing at `folder`/data, then the DC's Platform key.
void WriteRegistry(const std::string& folder) {
  std::ifstream in(DcSettings().registry, std::ios::binary);
  std::ostringstream dcKeys;
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("Windows Registry Editor", 0) != 0) dcKeys << line << "\n";
  std::ofstream(folder + "/registry.reg", std::ios::binary | std::ios::trunc)
      << "Windows Registry Editor Version 5.00\r\n\r\n"
         "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n\"DatabasePath\"=\""
      << folder << "/data\"\r\n\r\n"
      << dcKeys.str();
  setenv("VARNOK_REGISTRY", (folder + "/registry.reg").c_str(), 1);
}

void WriteQuestionFile(const std::string& folder, const std::string& settingsLines) {
  std::ofstream out(folder + "/data/Pellucor.txt", std::ios::binary | std::ios::trunc);
  for (int c = 0; c < kMostConnections; ++c)
    out << DcSettings().domain << "\\" << UserName(c) << "\tFavourite colour?\tblue\n";
  out << settingsLines;
}

}  // namespace

bool RunResetLoad(double seconds) {
  const CDcSettings& dc = DcSettings();
  if (dc.address.empty()) {
    std::fprintf(stderr, "--resets runs under tests/samba-dc/dc_run.sh (see RemoteSvr/bench/reset_benchmark.sh)\n");
    return false;
  }
  std::string folder = (fs::temp_directory_path() / "varnok-resets-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return false;
  fs::create_directories(folder + "/data");
  // Rules that let every password pass, with their log kept in the folder.
  setenv("VARNOK_SYSTEM_DIR", folder.c_str(), 1);
  std::ofstream(folder + "/MorrowenRules.txt", std::ios::binary) << "LOGDIR " << folder << "\nACTIVE 0\n";
  WriteRegistry(folder);

  CDcDirectory directory;
  bool ok = true;
  for (int c = 0; c < kMostConnections && ok; ++c) {
    ok = directory.CreateUser(UserName(c), kFirstPassword);
    if (!ok) std::fprintf(stderr, "%s\n", directory.lastError.c_str());
  }
  const std::string users = "CN=Users," + dc.baseDn;
  const CPath paths[] = {
      {"network-user, local DC", ""},
      {"network-user, DC line", "DOMAIN_CONTROLLER " + dc.domain + " " + dc.fqdn + "\n"},
      {"LDAP client (direct)", "", true},
      {"ADSI, Kerberos", "LDAP_DIRECTORY " + dc.domain + " LDAP://" + dc.fqdn + "/" + users + " sAMAccountName\n"},
      {"ADSI, ldaps account", "LDAP_DIRECTORY " + dc.domain + " LDAPS://" + dc.fqdn + "/" + users +
                                  " sAMAccountName " + dc.admin + "@" + dc.dnsDomain + " " + dc.adminPassword + "\n"},
  };
  std::printf("password resets against the fixture DC (%s), %.1f s each:\n", dc.fqdn.c_str(), seconds);
  const bool usersMade = ok;
  for (const CPath& path : paths) {
    if (!usersMade) break;
    WriteQuestionFile(folder, path.settingsLines);
    CDatabaseSettings::Instance().Initialise();
    auto server = std::make_unique<CPwdResetServer>(0);
    if (!server->Start()) {
      std::fprintf(stderr, "the server did not start\n");
      ok = false;
      break;
    }
    for (const int connections : {1, kMostConnections}) {
      const CRun run = Measure(path, server->LocalPort(), connections, seconds);
      std::printf("%-24s %d connection%s: %7.1f resets/s   median %7.1f ms%s%s\n", path.label, connections,
                  connections == 1 ? " " : "s", static_cast<double>(run.resets) / run.seconds,
                  1e3 * Median(run.latencies), run.failure.empty() ? "" : "   stopped by: ",
                  run.failure.c_str());
      ok = ok && run.failure.empty();
    }
    server->CloseSocket();
  }
  for (int c = 0; c < kMostConnections; ++c) directory.DeleteUser(UserName(c));
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return ok;
}
