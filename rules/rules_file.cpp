// Rules-file line grammar.
#include "rules/rules_file.h"

#include <limits>

#include "platform/base/text.h"

std::optional<RulesLine> ParseRulesLine(std::u16string_view line) {
  if (line.empty() || line.front() == u'#' || line.front() == u' ') return std::nullopt;
  std::u16string text(line);
  for (char16_t& c : text)
    if (c == u'\t') c = u' ';
  const std::size_t space = text.find(u' ');
  if (space == std::u16string::npos) return std::nullopt;

  std::u16string_view value = std::u16string_view(text).substr(space + 1);
  while (!value.empty() && IsSpaceChar(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsSpaceChar(value.back())) value.remove_suffix(1);
  return RulesLine{text.substr(0, space), std::u16string(value)};
}

namespace {

// Where a number's digits begin: past leading white space and one sign.
std::size_t DigitsStart(std::u16string_view value, bool& negative) {
  std::size_t i = 0;
  while (i < value.size() && IsSpaceChar(value[i])) ++i;
  negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) negative = value[i++] == u'-';
  return i;
}

}  // namespace

bool HoldsRuleNumber(std::u16string_view value) {
  bool negative = false;
  const std::size_t i = DigitsStart(value, negative);
  return i < value.size() && IsDigitChar(value[i]);
}

std::int32_t ReadRuleNumber(std::u16string_view value) {
  bool negative = false;
  std::size_t i = DigitsStart(value, negative);
  // Accumulate towards the limit on the sign's side, stopping once past it.
  constexpr std::int64_t kLimit = static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
  std::int64_t magnitude = 0;
  for (; i < value.size() && IsDigitChar(value[i]); ++i) {
    magnitude = magnitude * 10 + (value[i] - u'0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(magnitude >= kLimit ? kLimit - 1 : magnitude);
}
