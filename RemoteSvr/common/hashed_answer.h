// Security answers stored in hashed form, "md5:" and the digest text of the
// lower-cased answer (md5_context.h), and the one answer check that every
// client makes against the stored answers the service hands out.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::string_view HASHED_ANSWER_PREFIX = "md5:";

// "md5:" followed by the digest text of the answer's UTF-8 bytes, lower-cased
// by the shared LowerCase and hashed up to the first zero byte, so "Abc" and
// "ABC" give the same form.
std::string HashedAnswer(std::string_view answer);

// A stored answer that begins with "md5:" in any letter case.
bool IsHashedAnswer(std::string_view stored);

// The typed answer passes when, both lower-cased, it equals the stored answer,
// or its hashed form equals the lower-cased stored answer. The copies made on
// the way are wiped.
bool AnswerMatches(std::string_view stored, std::string_view typed);
