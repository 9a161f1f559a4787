// REQUEST_LOOKUP_USER: the question file read afresh, the domain mapped
// through its alias lines, the user's questions and lock lines collected,
// the refusals, and up to five questions chosen at random.
#include <cstdint>
#include <ctime>
#include <vector>

#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "RemoteSvr/question_choice.h"
#include "RemoteSvr/question_file.h"
#include "RemoteSvr/request_handling.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

namespace {

// A user's lines of the file, in file order.
struct CUserQuestions {
  std::vector<std::string> questions;
  std::vector<std::string> answers;
  std::vector<std::string> hints;
  bool locked = false;
  int Found() const { return static_cast<int>(questions.size()); }
  ~CUserQuestions() {
    for (std::string& answer : answers) WipeString(answer);
  }
};

// The key's question and lock lines among the candidates, with the traces.
void CollectQuestions(const std::vector<std::string>& lines, const std::string& userKey, CUserQuestions& user) {
  CLogFile& log = LogFile();
  std::vector<std::string_view> fields;
  for (const std::string& line : lines) {
    SplitFields(line, fields);
    if (!SameTextIgnoringCase(fields[0], userKey)) continue;
    if (fields.size() == 3 || fields.size() == 4) {
      const int number = user.Found();
      user.questions.emplace_back(fields[1]);
      user.answers.emplace_back(fields[2]);
      user.hints.emplace_back(fields.size() == 4 ? fields[3] : std::string_view());
      log.Trace(REQUEST_TRACE_LEVEL, "    Question %d %s", number, user.questions.back().c_str());
      log.Trace(REQUEST_TRACE_LEVEL, "    Answer   %d %s", number, "<set>");
      log.Trace(REQUEST_TRACE_LEVEL, "    Hint     %d %s", number, user.hints.back().c_str());
    } else if (fields.size() == 2 && IsLockStatus(fields[1])) {
      log.Trace(REQUEST_TRACE_LEVEL, "    Account locked");
      user.locked = true;
    }
  }
}

void Refuse(PwdResetRecord& record, const char* firstPiece, const std::string& userKey) {
  SetReplyText(record, firstPiece + userKey + ", please contact your System Administrator");
}

}  // namespace

void CPwdResetConnection::LookupUser(PwdResetRecord& record) {
  CLogFile& log = LogFile();
  const std::string domain(RecordText(record.domain));
  const std::string userName(RecordText(record.userName));
  WipeSecretFields(record);
  log.Trace(REQUEST_TRACE_LEVEL, "Lookup user");
  log.Trace(REQUEST_TRACE_LEVEL, "    Domain ....: %s", domain.c_str());
  log.Trace(REQUEST_TRACE_LEVEL, "    Username ..: %s", userName.c_str());
  std::string userKey = UserKey(domain, userName);
  record.result = RESULT_FAILURE;
  if (HasInvalidUser(record)) {
    SetReplyText(record, INVALID_USER_TEXT);
    return;
  }

  const std::string directory = ReadDatabaseDirectory();
  if (directory.empty()) {
    SetReplyText(record, "Database file not found");
    return;
  }
  const std::string path = DatabaseFilePath(directory);
  log.Trace(REQUEST_TRACE_LEVEL, "Database file: %s", path.c_str());
  log.Trace(REQUEST_TRACE_LEVEL, "%s", "");
  // One pass: the alias lines, and every line that may be the user's under
  // whatever domain the aliases give (its key ends with "\user").
  CDomainAliases aliases;
  std::vector<std::string> candidates;
  CWantedLines wanted;
  wanted.aliasLines = true;
  wanted.keyEnding = LowerCase("\\" + userName);
  ReadDatabaseLines(
      path, true,
      [&](std::string_view line) {
        aliases.Offer(line);
        candidates.emplace_back(line);
      },
      &wanted);

  userKey = UserKey(aliases.Map(domain, true), userName);
  CUserQuestions user;
  CollectQuestions(candidates, userKey, user);
  for (std::string& line : candidates) WipeString(line);
  const int found = user.Found();
  log.Trace(REQUEST_TRACE_LEVEL, "    Total Questions %d", found);

  const CDatabaseSettings& settings = CDatabaseSettings::Instance();
  int count = settings.AnswerQuestions();
  if (count <= 0 || count > MAX_QUESTIONS) count = MAX_QUESTIONS;
  if (count > found) count = found;

  if (user.locked) return Refuse(record, "Too many failed attempts for ", userKey);
  if (found == 0) return Refuse(record, "No questions found for ", userKey);
  if (found < settings.MinimumQuestions()) return Refuse(record, "Not enough questions found for ", userKey);

  SeedQuestionRandom(static_cast<std::uint32_t>(std::time(nullptr)));
  const std::vector<int> chosen = ChooseQuestions(found, count);
  for (std::size_t slot = 0; slot < chosen.size(); ++slot) {
    const auto number = static_cast<std::size_t>(chosen[slot]);
    SetRecordText(record.questions[slot], user.questions[number]);
    SetRecordText(record.hints[slot], user.hints[number]);
    SetRecordText(record.answers[slot], user.answers[number]);
  }
  record.result = RESULT_SUCCESS;
  rememberedUser = LowerCase(userKey);
  lookedUpUsers.insert(rememberedUser);
}
