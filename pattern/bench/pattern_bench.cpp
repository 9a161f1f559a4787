// Benchmark of the pattern engine on the service's own work: every line of a
// generated question file tested against the DOMAIN_ALIAS pattern and then
// the five settings patterns in order, beside PCRE2's interpreter, PCRE2's
// JIT and std::regex on the same patterns and lines, in the same run. Prints lines per second and the
// ratios. Usage: pattern_bench [--lines=N] [benchmark options].
#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "pattern/pattern.h"

namespace {

const char* const kPatterns[] = {
    "^\\s*DOMAIN_ALIAS\\s+(\\S+)\\s+(\\S+)\\s*$",
    "^\\s*DOMAIN_CONTROLLER\\s+(\\S+)\\s+(\\S+)\\s*$",
    "^\\s*MINIMUM_QUESTIONS\\s+(\\d+)\\s*$",
    "^\\s*ANSWER_QUESTIONS\\s+(\\d+)\\s*$",
    "^\\s*MAXIMUM_ATTEMPTS\\s+(\\d+)\\s*$",
    "^\\s*LDAP_DIRECTORY\\s+(\"[^\"]*\"|\\S+)\\s+(\"[^\"]*\"|\\S+)(\\s+(\"[^\"]*\"|\\S+))?"
    "(\\s+(\"[^\"]*\"|\\S+))?(\\s+(\"[^\"]*\"|\\S+))?\\s*$",
};
constexpr int kPatternCount = sizeof kPatterns / sizeof kPatterns[0];

size_t g_lineCount = 1000000;
std::vector<std::string>& Lines() {
  static std::vector<std::string> lines;
  return lines;
}

// A question file: mostly question lines, some lock lines, and a few of every
// settings and alias line, from a fixed seed.
void GenerateLines() {
  std::mt19937 random(7257);
  const char* questions[] = {"What is the name of your first pet?", "Where were you born?",
                             "What was your first car?", "Mother's maiden name?",
                             "What is your favourite book?"};
  const char* domains[] = {"CORP", "SALES", "corp.example.com", "LAB"};
  std::vector<std::string>& lines = Lines();
  lines.clear();
  lines.reserve(g_lineCount);
  for (size_t i = 0; i < g_lineCount; ++i) {
    const unsigned roll = random() % 1000;
    const std::string domain = domains[random() % 4];
    const std::string user = "user" + std::to_string(random() % 50000);
    if (roll < 940) {
      std::string line = domain + "\\" + user + "\t" + questions[random() % 5] + "\tanswer" +
                         std::to_string(random() % 1000);
      if (roll % 2 == 0) line += "\thint " + std::to_string(roll);
      lines.push_back(line);
    } else if (roll < 970) {
      lines.push_back(domain + "\\" + user + "\t{{LOCKED}} # 3 failed attempts at Mon Jan  1 00:00:00 2024");
    } else if (roll < 975) {
      lines.push_back("DOMAIN_ALIAS " + domain + " CORP");
    } else if (roll < 980) {
      lines.push_back("  DOMAIN_CONTROLLER " + domain + " dc" + std::to_string(roll) + ".corp.example.com");
    } else if (roll < 984) {
      lines.push_back("MINIMUM_QUESTIONS " + std::to_string(roll % 5));
    } else if (roll < 988) {
      lines.push_back("ANSWER_QUESTIONS " + std::to_string(roll % 4));
    } else if (roll < 992) {
      lines.push_back("MAXIMUM_ATTEMPTS " + std::to_string(roll % 7));
    } else if (roll < 996) {
      lines.push_back("LDAP_DIRECTORY \"" + domain + " users\" LDAPS://dc1/OU=Staff,DC=corp uid \"svc reset\" \"pw " +
                      std::to_string(roll) + "\"");
    } else {
      lines.push_back(roll % 2 ? "# a comment line" : "");
    }
  }
}

// Each engine answers the same question per line: which pattern matched
// first (the alias pattern, then the settings in order), or none.
struct Tally {
  size_t matched[kPatternCount] = {};
  size_t groupBytes = 0;  // so that no engine can skip building its groups
};

void RunEngine(benchmark::State& state, void (*scan)(Tally&)) {
  Tally tally;
  for (auto _ : state) {
    tally = Tally{};
    scan(tally);
    benchmark::DoNotOptimize(tally);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Lines().size()));
  for (int p = 0; p < kPatternCount; ++p)
    state.counters["p" + std::to_string(p)] = static_cast<double>(tally.matched[p]);
}

void ScanEngine(Tally& tally) {
  static const std::vector<std::unique_ptr<CPattern>> patterns = [] {
    std::vector<std::unique_ptr<CPattern>> compiled;
    for (const char* pattern : kPatterns) compiled.push_back(std::make_unique<CPattern>(pattern, 1));
    return compiled;
  }();
  std::vector<std::string> groups;
  for (const std::string& line : Lines()) {
    for (int p = 0; p < kPatternCount; ++p) {
      if (patterns[p]->Match(line, groups)) {
        ++tally.matched[p];
        for (const std::string& group : groups) tally.groupBytes += group.size();
        break;
      }
    }
  }
}

struct Pcre2Pattern {
  pcre2_code* code;
  pcre2_match_data* data;
};

// The patterns compiled for PCRE2's interpreter or, with `jit`, also to
// machine code (PCRE2_JIT_COMPLETE); aborts when either fails.
std::vector<Pcre2Pattern> CompilePcre2(bool jit) {
  std::vector<Pcre2Pattern> compiled;
  for (const char* pattern : kPatterns) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED, 0, &error,
                                     &offset, nullptr);
    if (code == nullptr) std::abort();
    if (jit && pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) != 0) {
      std::fprintf(stderr, "PCRE2 JIT compilation failed\n");
      std::abort();
    }
    compiled.push_back({code, pcre2_match_data_create_from_pattern(code, nullptr)});
  }
  return compiled;
}

template <bool kJit>
void ScanPcre2(Tally& tally) {
  static const std::vector<Pcre2Pattern> patterns = CompilePcre2(kJit);
  for (const std::string& line : Lines()) {
    for (int p = 0; p < kPatternCount; ++p) {
      const auto subject = reinterpret_cast<PCRE2_SPTR>(line.data());
      const int groups = kJit ? pcre2_jit_match(patterns[p].code, subject, line.size(), 0, 0, patterns[p].data, nullptr)
                              : pcre2_match(patterns[p].code, subject, line.size(), 0, PCRE2_NO_JIT,
                                            patterns[p].data, nullptr);
      if (groups > 0) {
        ++tally.matched[p];
        const PCRE2_SIZE* spans = pcre2_get_ovector_pointer(patterns[p].data);
        for (int k = 0; k < groups; ++k)
          if (spans[2 * k] != PCRE2_UNSET) tally.groupBytes += spans[2 * k + 1] - spans[2 * k];
        break;
      }
    }
  }
}

void ScanStdRegex(Tally& tally) {
  static const std::vector<std::regex> patterns = [] {
    std::vector<std::regex> compiled;
    for (const char* pattern : kPatterns) compiled.emplace_back(pattern);
    return compiled;
  }();
  std::smatch match;
  for (const std::string& line : Lines()) {
    for (int p = 0; p < kPatternCount; ++p) {
      if (std::regex_search(line, match, patterns[p])) {
        ++tally.matched[p];
        for (const auto& group : match) tally.groupBytes += static_cast<size_t>(group.length());
        break;
      }
    }
  }
}

void BM_Engine(benchmark::State& state) { RunEngine(state, ScanEngine); }
void BM_Pcre2Interpreter(benchmark::State& state) { RunEngine(state, ScanPcre2<false>); }
void BM_Pcre2Jit(benchmark::State& state) { RunEngine(state, ScanPcre2<true>); }
void BM_StdRegex(benchmark::State& state) { RunEngine(state, ScanStdRegex); }

BENCHMARK(BM_Engine)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Pcre2Interpreter)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Pcre2Jit)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_StdRegex)->Unit(benchmark::kMillisecond)->Iterations(1);

// Keeps the rate of each benchmark for the closing ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      const auto rate = run.counters.find("items_per_second");
      if (rate != run.counters.end()) rates[run.benchmark_name()] = rate->second.value;
    }
  }
  std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> arguments;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--lines=", 8) == 0)
      g_lineCount = std::strtoul(argv[i] + 8, nullptr, 10);
    else
      arguments.push_back(argv[i]);
  }
  int count = static_cast<int>(arguments.size());
  benchmark::Initialize(&count, arguments.data());
  GenerateLines();
  std::printf("%zu question-file lines, each against DOMAIN_ALIAS then the five settings patterns\n",
              Lines().size());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double engine = reporter.rates["BM_Engine/min_time:2.000"];
  const double pcre2 = reporter.rates["BM_Pcre2Interpreter/min_time:2.000"];
  const double stdRegex = reporter.rates["BM_StdRegex/iterations:1"];
  const double jit = reporter.rates["BM_Pcre2Jit/min_time:2.000"];
  std::printf("\nlines per second: engine %.0f, PCRE2 interpreter %.0f, PCRE2 JIT %.0f, std::regex %.0f\n", engine,
              pcre2, jit, stdRegex);
  if (pcre2 > 0) std::printf("engine / PCRE2 interpreter: %.2f\n", engine / pcre2);
  if (jit > 0) std::printf("engine / PCRE2 JIT: %.2f\n", engine / jit);
  if (stdRegex > 0) std::printf("engine / std::regex: %.2f\n", engine / stdRegex);
  benchmark::Shutdown();
  return 0;
}
