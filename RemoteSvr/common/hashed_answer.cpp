// The hashed form of an answer and the answer check.
#include "RemoteSvr/common/hashed_answer.h"

#include <cstring>

#include "RemoteSvr/common/md5_context.h"
#include "platform/base/text.h"
#include "platform/base/wipe.h"

std::string HashedAnswer(std::string_view answer) {
  std::string lowered = LowerCase(answer);
  CWipeOnExit<char> wipeLowered(lowered);
  return DigestTextWithPrefix(HASHED_ANSWER_PREFIX, lowered);
}

bool IsHashedAnswer(std::string_view stored) {
  if (stored.size() < HASHED_ANSWER_PREFIX.size()) return false;
  for (std::size_t i = 0; i < HASHED_ANSWER_PREFIX.size(); ++i) {
    char c = stored[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != HASHED_ANSWER_PREFIX[i]) return false;
  }
  return true;
}

bool AnswerMatches(std::string_view stored, std::string_view typed) {
  std::string storedLower = LowerCase(stored);
  std::string typedLower = LowerCase(typed);
  CWipeOnExit<char> wipeStored(storedLower);
  CWipeOnExit<char> wipeTyped(typedLower);
  if (storedLower == typedLower) return true;
  if (!IsHashedAnswer(storedLower)) return false;
  std::string hashed = LowerCase(HashedAnswer(typed));
  CWipeOnExit<char> wipeHashed(hashed);
  return storedLower == hashed;
}
