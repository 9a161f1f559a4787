// Checks per second of one PasswordFilter call with all 23 rules active (the
// rules file re-read and the rule log written on every call), TRACE off and
// on, beside the bare rules-file read and libpwquality's pwquality_check on
// the same generated passwords (no ratio when pwquality_check could not
// check, as without cracklib's dictionary). The dictionary's reload (the
// file read, its entries counted, the password looked up) beside reading
// the file alone, for a million and ten million entries. Then one whole check as a domain
// controller's check password script runs it, a process from start to
// exit (the LSA host with the filter), beside a bare process given the same
// input (/bin/cat).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pwquality.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <cstring>
#include <string>
#include <vector>

#include "platform/lsa/ntsecapi.h"
#include "platform/base/text.h"
#include "platform/base/text_file.h"
#include "rules/dictionary.h"
#include "rules/rule_log.h"
#include "rules/wildcard_patterns.h"

namespace {

using FilterFn = BOOLEAN (*)(PUNICODE_STRING, PUNICODE_STRING, PUNICODE_STRING, BOOLEAN);

constexpr char kAllRules[] =
    "ACTIVE 1\nMIN_INIT_ALPHA 1\nMIN_INIT_DIGIT 0\nMIN_ALPHA 2\nMAX_ALPHA 64\nMIN_DIGIT 1\nMAX_DIGIT 32\n"
    "ALLOW_MIXED_CASE 1\nMIN_LOWER 1\nMAX_LOWER 64\nMIN_UPPER 1\nMAX_UPPER 64\nMIN_SPECIAL 1\nMAX_SPECIAL 32\n"
    "MIN_UNIQUE 5\nMAX_UNIQUE 127\nMIN_LENGTH 8\nMAX_LENGTH 127\nMAX_CONSEC_OLD_PWD_FWD 3\n"
    "MAX_CONSEC_OLD_PWD_REV 3\nMAX_CONSEC_USERNAME_FWD 3\nMAX_CONSEC_USERNAME_REV 3\n"
    "MAX_CONSEC_FULLNAME_FWD 3\nMAX_CONSEC_FULLNAME_REV 3\n";

// Passwords of 8 to 20 characters from letters, digits and a few signs, most
// of which pass every rule.
const std::vector<std::string>& Passwords() {
  static const std::vector<std::string> passwords = [] {
    std::mt19937 random(42);
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#%&*-_=+.";
    std::vector<std::string> out;
    for (int i = 0; i < 1024; ++i) {
      std::string password = "Q";
      const int length = 8 + static_cast<int>(random() % 13);
      while (static_cast<int>(password.size()) < length) password += alphabet[random() % alphabet.size()];
      password += "7!";
      out.push_back(password);
    }
    return out;
  }();
  return passwords;
}

class Workspace {
 public:
  Workspace() {
    char pattern[] = "/tmp/filter_bench.XXXXXX";
    dir_ = ::mkdtemp(pattern);
    std::filesystem::current_path(dir_);
    ::setenv("VARNOK_SYSTEM_DIR", dir_.c_str(), 1);
    module_ = ::dlopen(MORROWEN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (module_ == nullptr) {
      std::fprintf(stderr, "%s\n", ::dlerror());
      std::exit(2);
    }
    filter_ = reinterpret_cast<FilterFn>(::dlsym(module_, "PasswordFilter"));
  }
  ~Workspace() {
    ::dlclose(module_);
    std::filesystem::remove_all(dir_);
  }
  void WriteRules(bool trace, bool dictionary = false) {
    std::ofstream(dir_ + "/MorrowenRules.txt") << kAllRules << "TRACE " << (trace ? 1 : 0) << "\n"
                                               << "DICTIONARY " << (dictionary ? 1 : 0) << "\n";
    std::filesystem::remove(dir_ + "/MorrowenRules.log");
  }
  std::string RulesPath() const { return dir_ + "/MorrowenRules.txt"; }
  FilterFn filter_ = nullptr;

 private:
  std::string dir_;
  void* module_ = nullptr;
};

Workspace& Work() {
  static Workspace work;
  return work;
}

void RunFilter(benchmark::State& state, bool trace) {
  Work().WriteRules(trace);
  std::vector<std::u16string> passwords;
  for (const auto& p : Passwords()) passwords.push_back(Utf8ToUtf16(p));
  std::u16string account = u"jsmith", fullName = u"John Smith";
  std::size_t i = 0, accepted = 0;
  for (auto _ : state) {
    std::u16string& password = passwords[i++ % passwords.size()];
    UNICODE_STRING a{12, 12, account.data()}, f{20, 20, fullName.data()},
        p{static_cast<USHORT>(password.size() * 2), static_cast<USHORT>(password.size() * 2), password.data()};
    accepted += Work().filter_(&a, &f, &p, FALSE);
  }
  state.counters["checks/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["accepted"] = static_cast<double>(accepted) / static_cast<double>(state.iterations());
}

void BM_PasswordFilter_TraceOff(benchmark::State& state) { RunFilter(state, false); }
void BM_PasswordFilter_TraceOn(benchmark::State& state) { RunFilter(state, true); }

// The part of a call no engine can avoid: reading the rules file.
void BM_RulesFileReadOnly(benchmark::State& state) {
  Work().WriteRules(false);
  const std::string path = Work().RulesPath();
  std::size_t lines = 0;
  for (auto _ : state) ForEachTextFileLine(path, [&](std::string_view) { ++lines; });
  benchmark::DoNotOptimize(lines);
  state.counters["checks/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The other part: the rule-log lines of one accepted call with TRACE off
// (start, open, 25 tokens, the old-password note, verdict, end), each its own
// open-append-close.
constexpr int kLinesPerCall = 36;
void BM_RuleLogLinesOnly(benchmark::State& state) {
  Work().WriteRules(false);
  for (auto _ : state)
    for (int line = 0; line < kLinesPerCall; ++line) WriteRulesLog("Rules: loaded token [%s] = value [%s]", "MIN_LENGTH", "8");
  state.counters["checks/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Whether pwquality_check failed to check rather than judged: cracklib's
// dictionary missing (it then refuses every password at once) or a failure
// of its own.
bool IsPwqualityError(int result, void* auxerror) {
  if (result == PWQ_ERROR_MEM_ALLOC || result == PWQ_ERROR_FATAL_FAILURE) return true;
  return result == PWQ_ERROR_CRACKLIB_CHECK && auxerror != nullptr &&
         std::strcmp(static_cast<const char*>(auxerror), "error loading dictionary") == 0;
}

void BM_Pwquality(benchmark::State& state) {
  pwquality_settings_t* settings = pwquality_default_settings();
  pwquality_set_int_value(settings, PWQ_SETTING_MIN_LENGTH, 8);
  pwquality_set_int_value(settings, PWQ_SETTING_DIG_CREDIT, -1);
  pwquality_set_int_value(settings, PWQ_SETTING_UP_CREDIT, -1);
  pwquality_set_int_value(settings, PWQ_SETTING_LOW_CREDIT, -1);
  pwquality_set_int_value(settings, PWQ_SETTING_OTH_CREDIT, -1);
  std::size_t i = 0, accepted = 0, errors = 0;
  for (auto _ : state) {
    void* auxerror = nullptr;
    const std::string& password = Passwords()[i++ % Passwords().size()];
    const int result = pwquality_check(settings, password.c_str(), nullptr, "jsmith", &auxerror);
    accepted += result >= 0;
    errors += IsPwqualityError(result, auxerror);
  }
  pwquality_free_settings(settings);
  state.counters["checks/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["accepted"] = static_cast<double>(accepted) / static_cast<double>(state.iterations());
  state.counters["errors"] = static_cast<double>(errors);
}

// Dictionaries of a million and of ten million words and patterns, reloaded
// by every check.
constexpr int kDictionaryEntries = 1000000;
constexpr int kLargeDictionaryEntries = 10000000;

std::string DictionaryName(int entries) { return "dictionary-" + std::to_string(entries) + ".txt"; }

// Writes the dictionary of `entries` lines once, and makes it the one the
// engine reads.
void UseDictionary(int entries) {
  static std::map<int, bool> written;
  const std::string name = DictionaryName(entries);
  if (!written[entries]) {
    std::mt19937 random(7);
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    std::string words;
    for (int i = 0; i < entries; ++i) {
      std::string word;
      const int length = 5 + static_cast<int>(random() % 8);
      for (int k = 0; k < length; ++k) word += static_cast<char>('a' + random() % 26);
      switch (i % 4) {
        case 0: words += word; break;
        case 1: words += word + "*"; break;
        case 2: words += "*" + word; break;
        default: words += "*" + word + "*"; break;
      }
      words += i % 10 == 0 ? "\r\n" : "\n";
      if (words.size() > (1 << 20)) {
        out << words;
        words.clear();
      }
    }
    out << words;
    out.close();
    written[entries] = true;
  }
  static int linked = 0;
  if (linked == entries) return;
  std::filesystem::remove("MorrowenDictionary.txt");
  std::filesystem::create_hard_link(name, "MorrowenDictionary.txt");
  linked = entries;
  std::string content;
  ReadTextFile("MorrowenDictionary.txt", content);  // into the page cache
}

const std::u16string kUnlistedPassword = u"q7!zx#w9^v2&m4@k8";

// The file read alone, into memory with plain reads: the floor of a reload.
void BM_DictionaryFileRead(benchmark::State& state) {
  Work();
  UseDictionary(static_cast<int>(state.range(0)));
  std::string content;
  content.reserve(std::filesystem::file_size("MorrowenDictionary.txt"));
  // Once before timing, so the buffer's pages are there when it is timed.
  content.assign(content.capacity(), '\0');
  for (auto _ : state) {
    content.clear();
    const int fd = ::open("MorrowenDictionary.txt", O_RDONLY);
    char chunk[1 << 16];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) content.append(chunk, static_cast<std::size_t>(n));
    ::close(fd);
    benchmark::DoNotOptimize(content.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(content.size()) * state.iterations());
}

// A reload as every check makes it: the file read, every entry counted,
// the password's keys looked up.
void BM_DictionaryReload(benchmark::State& state) {
  Work();
  UseDictionary(static_cast<int>(state.range(0)));
  const std::string path = DictionaryPath();
  std::size_t entries = 0;
  for (auto _ : state) {
    CDictionaryVerdict verdict;
    ReadDictionaryVerdict(path, kUnlistedPassword, verdict);
    entries = verdict.entries;
    benchmark::DoNotOptimize(verdict.found);
  }
  state.counters["entries"] = static_cast<double>(entries);
  state.SetBytesProcessed(static_cast<int64_t>(std::filesystem::file_size(path)) * state.iterations());
}

// One whole filter call with DICTIONARY on.
void BM_PasswordFilter_Dictionary(benchmark::State& state) {
  UseDictionary(kDictionaryEntries);
  Work().WriteRules(false, true);
  std::u16string account = u"jsmith", fullName = u"John Smith", password = u"Q7!zx#w9^v2&m4@k8";
  UNICODE_STRING a{12, 12, account.data()}, f{20, 20, fullName.data()},
      p{static_cast<USHORT>(password.size() * 2), static_cast<USHORT>(password.size() * 2), password.data()};
  for (auto _ : state) benchmark::DoNotOptimize(Work().filter_(&a, &f, &p, FALSE));
}

BENCHMARK(BM_RulesFileReadOnly);
BENCHMARK(BM_RuleLogLinesOnly);
BENCHMARK(BM_PasswordFilter_TraceOff);
BENCHMARK(BM_PasswordFilter_TraceOn);
BENCHMARK(BM_Pwquality);
BENCHMARK(BM_DictionaryFileRead)->Unit(benchmark::kMillisecond)->Arg(kDictionaryEntries)->Arg(kLargeDictionaryEntries);
BENCHMARK(BM_DictionaryReload)->Unit(benchmark::kMillisecond)->Arg(kDictionaryEntries)->Arg(kLargeDictionaryEntries);
BENCHMARK(BM_PasswordFilter_Dictionary)->Unit(benchmark::kMillisecond);

// One process from start to exit: `argv` with the file `input` on standard
// input, its output discarded; seconds, or a negative figure when it could
// not run or did not exit with status 0.
double RunProcess(const std::vector<std::string>& argv, const std::string& input) {
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDIN_FILENO, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, args[0], &files, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (spawned != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double>(end - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The check password script's cost on every password write: the LSA host
// checking one password with all rules active (no excluded group, so no
// directory is asked), beside /bin/cat given the same password, run in
// turn so that both meet the same load; medians.
constexpr int kProcessRuns = 31;
void MeasureWholeProcess() {
  Work().WriteRules(false);
  const std::string input = "password.input";
  std::ofstream(input) << "Q7!zx#w9^v2&m4@k8";  // passes every rule
  ::setenv("SAMBA_CPS_ACCOUNT_NAME", "jsmith", 1);
  ::setenv("SAMBA_CPS_FULL_NAME", "John Smith", 1);
  const std::vector<std::string> host = {LSA_FILTER_HOST, MORROWEN_LIBRARY}, cat = {"/bin/cat"};
  std::vector<double> hostTimes, catTimes;
  for (int run = 0; run < kProcessRuns; ++run) {
    hostTimes.push_back(RunProcess(host, input));
    catTimes.push_back(RunProcess(cat, input));
  }
  if (*std::min_element(hostTimes.begin(), hostTimes.end()) < 0 ||
      *std::min_element(catTimes.begin(), catTimes.end()) < 0) {
    std::printf("\nwhole process: the LSA host or /bin/cat did not run as expected\n");
    return;
  }
  const double hostMedian = Median(hostTimes), catMedian = Median(catTimes);
  std::printf("\nwhole process, medians of %d runs in turn: LSA host check %.2f ms, /bin/cat with the same input "
              "%.2f ms; host / cat = %.2f (goal: at most 2)\n",
              kProcessRuns, hostMedian * 1e3, catMedian * 1e3, hostMedian / catMedian);
}

// Keeps each run's rate so the ratios can be printed at the end.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto found = run.counters.find("checks/s");
      if (found != run.counters.end()) rates[run.benchmark_name()] = found->second.value;
      const auto errors = run.counters.find("errors");
      if (errors != run.counters.end()) pwqualityErrors += errors->second.value;
      times[run.benchmark_name()] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> rates;
  std::map<std::string, double> times;  // seconds per iteration
  double pwqualityErrors = 0;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const auto rate = [&](const char* name) { return reporter.rates.count(name) ? reporter.rates[name] : 0.0; };
  const auto seconds = [&](const char* name) { return reporter.times.count(name) ? reporter.times[name] : 0.0; };
  for (const int entries : {kDictionaryEntries, kLargeDictionaryEntries}) {
    const std::string arg = "/" + std::to_string(entries);
    const double read = seconds(("BM_DictionaryFileRead" + arg).c_str());
    const double reload = seconds(("BM_DictionaryReload" + arg).c_str());
    if (read <= 0 || reload <= 0) continue;
    std::printf("\ndictionary of %d entries: reload %.2f ms, reading the file alone %.2f ms: reload / read = %.2f "
                "(goal: at most 2)\n",
                entries, reload * 1e3, read * 1e3, reload / read);
  }
  if (seconds("BM_PasswordFilter_Dictionary") > 0)
    std::printf("one whole filter call with the dictionary of %d entries: %.2f ms\n", kDictionaryEntries,
                seconds("BM_PasswordFilter_Dictionary") * 1e3);
  const double off = rate("BM_PasswordFilter_TraceOff"), on = rate("BM_PasswordFilter_TraceOn");
  const double quality = rate("BM_Pwquality"), rulesRead = rate("BM_RulesFileReadOnly");
  std::printf("\nchecks per second: filter %.0f (TRACE off), %.0f (TRACE on), pwquality_check %.0f\n", off, on,
              quality);
  if (quality > 0 && reporter.pwqualityErrors > 0) {
    std::printf("filter / pwquality_check: no ratio, pwquality_check failed to check %.0f times (is cracklib's "
                "dictionary installed? tools/install-packages.sh installs it)\n", reporter.pwqualityErrors);
  } else if (quality > 0) {
    std::printf("filter / pwquality_check: %.2f (TRACE off), %.2f (TRACE on)\n", off / quality, on / quality);
  }
  const double log = rate("BM_RuleLogLinesOnly");
  if (rulesRead > 0 && log > 0 && off > 0) {
    const double call = 1e6 / off, io = 1e6 / rulesRead + 1e6 / log;
    std::printf("one call (TRACE off): %.1f us, of which rules-file read %.1f us and rule-log lines %.1f us; "
                "the engine's own work %.1f us\n", call, 1e6 / rulesRead, 1e6 / log, call - io);
  }
  MeasureWholeProcess();
  benchmark::Shutdown();
  return 0;
}
