// REQUEST_FAILURE_NOTIFICATION: one wrong answer counted against the
// connection's remembered user (from the record, through the alias lines,
// when the connection has none yet); no reply. A user without a question
// line is passed over: counts and lock lines for invented names would grow
// the table and the file without limit.
#include "RemoteSvr/database_settings.h"
#include "RemoteSvr/failure_counts.h"
#include "RemoteSvr/log_file.h"
#include "RemoteSvr/pwd_reset_connection.h"
#include "RemoteSvr/question_file.h"
#include "RemoteSvr/request_handling.h"
#include "platform/base/text.h"

void CPwdResetConnection::FailureNotification(PwdResetRecord& record) {
  CLogFile& log = LogFile();
  const CDatabaseSettings& settings = CDatabaseSettings::Instance();
  log.Trace(REQUEST_TRACE_LEVEL, "Failure notification");
  if (rememberedUser.empty()) {
    // Such a key would break the lock line it may end up in.
    if (HasInvalidUser(record)) {
      log.Trace(REQUEST_TRACE_LEVEL, "    Error .....: %s", INVALID_USER_TEXT);
      return;
    }
    const std::string_view domain = RecordText(record.domain);
    rememberedUser = LowerCase(UserKey(MappedDomain(settings.DatabasePath(), domain), RecordText(record.userName)));
  }
  log.Trace(REQUEST_TRACE_LEVEL, "    Username ..: %s", rememberedUser.c_str());
  if (!HasQuestionLine(settings.DatabasePath(), rememberedUser)) {
    log.Trace(REQUEST_TRACE_LEVEL, "    Counted ...: No, no question line for the user");
    return;
  }
  FailureCountTable().RecordFailure(rememberedUser, settings.MaximumAttempts(), settings.DatabasePath());
}
