// The filter library loaded as the LSA loads it, called through its exports.
#include <dlfcn.h>

#include "platform/lsa/ntsecapi.h"
#include "rules/tests/rules_fixture.h"

namespace {

using FilterFn = BOOLEAN (*)(PUNICODE_STRING, PUNICODE_STRING, PUNICODE_STRING, BOOLEAN);
using NotifyFn = NTSTATUS (*)(PUNICODE_STRING, ULONG, PUNICODE_STRING);
using InitializeFn = BOOLEAN (*)();

class PasswordFilterTest : public RulesFixture {
 protected:
  void SetUp() override {
    RulesFixture::SetUp();
    module_ = ::dlopen(MORROWEN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module_, nullptr) << ::dlerror();
    filter_ = reinterpret_cast<FilterFn>(::dlsym(module_, "PasswordFilter"));
    notify_ = reinterpret_cast<NotifyFn>(::dlsym(module_, "PasswordChangeNotify"));
    initialize_ = reinterpret_cast<InitializeFn>(::dlsym(module_, "InitializeChangeNotify"));
    ASSERT_TRUE(filter_ && notify_ && initialize_);
  }
  void TearDown() override {
    if (module_ != nullptr) ::dlclose(module_);
    RulesFixture::TearDown();
  }

  BOOLEAN Filter(std::u16string account, std::u16string password, std::u16string fullName = u"") {
    UNICODE_STRING a = Counted(account), f = Counted(fullName), p = Counted(password);
    return filter_(&a, &f, &p, FALSE);
  }
  static UNICODE_STRING Counted(std::u16string& text) {
    const auto bytes = static_cast<USHORT>(text.size() * 2);
    return {bytes, bytes, text.data()};
  }

  void* module_ = nullptr;
  FilterFn filter_ = nullptr;
  NotifyFn notify_ = nullptr;
  InitializeFn initialize_ = nullptr;
};

TEST_F(PasswordFilterTest, JudgesByTheRulesFile) {
  EXPECT_EQ(initialize_(), TRUE);
  EXPECT_EQ(notify_(nullptr, 500, nullptr), STATUS_SUCCESS);
  EXPECT_EQ(Filter(u"jsmith", u"x"), TRUE);  // no rules file: not active
  EXPECT_TRUE(Contains(LogMessages(), "Password Filter: not active"));

  WriteRules("ACTIVE 1\nMIN_LENGTH 8\nMAX_CONSEC_FULLNAME_FWD 3\n");
  EXPECT_EQ(Filter(u"jsmith", u"short"), FALSE);
  EXPECT_TRUE(Contains(LogMessages(), "Password Filter: rejected"));
  EXPECT_EQ(Filter(u"jsmith", u"long enough"), TRUE);
  EXPECT_EQ(Filter(u"jsmith", u"xxsmithxx", u"John Smith"), FALSE);
  // Every check that reaches the rows logs the missing old password.
  EXPECT_TRUE(Contains(LogMessages(), "are called directly from the Vantrope."));
}

TEST_F(PasswordFilterTest, CountedStringsAreReadByTheirLength) {
  WriteRules("ACTIVE 1\nMIN_LENGTH 4\nMAX_LENGTH 6\nMAX_CONSEC_USERNAME_FWD 2\n");
  // By their counts the account is "abc" and the password "cXXX"; read to
  // their buffers' ends they would share a run of 4 and be 8 long.
  std::u16string account = u"abcXXXXX";
  std::u16string password = u"abcXXXXXXX";
  UNICODE_STRING a{6, 16, account.data()}, f{0, 0, nullptr}, p{8, 16, password.data() + 2};
  EXPECT_EQ(filter_(&a, &f, &p, TRUE), TRUE);

  struct Row {
    USHORT length;
    std::u16string text;
    BOOLEAN expected;
  };
  const Row rows[] = {
      {9, u"abcdefgh", TRUE},                        // odd length: 4 units
      {7, u"abcdefgh", FALSE},                       // 3 units: too short
      {12, std::u16string(u"ab\0defgh", 8), FALSE},  // a zero unit ends it: "ab"
      {0, u"", FALSE},
  };
  for (Row row : rows) {
    UNICODE_STRING user{0, 0, nullptr}, full{0, 0, nullptr}, pw{row.length, row.length, row.text.data()};
    EXPECT_EQ(filter_(&user, &full, &pw, FALSE), row.expected) << row.length;
  }

  UNICODE_STRING nullBuffer{10, 10, nullptr};
  EXPECT_EQ(filter_(&nullBuffer, &nullBuffer, &nullBuffer, FALSE), FALSE);  // an empty password
  EXPECT_EQ(filter_(nullptr, nullptr, nullptr, FALSE), FALSE);
}

TEST_F(PasswordFilterTest, LongestPasswordIsJudged) {
  WriteRules("ACTIVE 1\nMAX_LENGTH 40000\nMIN_UNIQUE 3\nMAX_CONSEC_USERNAME_FWD 3\nMAX_CONSEC_FULLNAME_REV 3\n");
  std::u16string password(32767, u'a');
  password[100] = u'b';
  password[200] = u'c';
  EXPECT_EQ(Filter(u"administrator", password, u"Built-in account"), TRUE);
  password.replace(32000, 5, u"ADMIN");
  EXPECT_EQ(Filter(u"administrator", password, u"Built-in account"), FALSE);
}

TEST_F(PasswordFilterTest, LoadAndUnloadAreLogged) {
  ::dlclose(module_);
  module_ = nullptr;
  const std::vector<std::string> expected = {"--- Password Filter ---", "Process attach", "--- Password Filter ---",
                                             "Process detach"};
  EXPECT_EQ(LogMessages(), expected);
}

}  // namespace
