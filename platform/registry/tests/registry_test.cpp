// The registry calls against a fixture file in each of the editor's
// encodings: every value type, names in other cases, escapes, continued
// lines, malformed lines, the buffer-size protocol, handles, re-reading, and
// the layer's own readers of a text and of a number.
#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/registry_file.h"
#include "platform/base/text.h"

namespace {

using namespace std::string_literals;

// Written with LF ends; the tests also write it with CR LF, with a UTF-8
// byte-order mark and as UTF-16LE.
constexpr char kFixture[] = R"(Windows Registry Editor Version 5.00

; A comment ending in a backslash does not go on \
[HKEY_LOCAL_MACHINE\SOFTWARE\Varnok AG\Varnok Password Reset]
"DatabasePath"="D:\\Varnok\\Data\\"
"CentralServer"="reset.example.test"
"BannerText"="Say \"hello\""
"Empty"=""
"Greeting"="Grüße"
"TwoStageReset"=dword:00000000
"HideAnswers"=DWORD:2A
"Blob"=hex:01,02,ff
"EmptyBlob"=hex:
"MOTDFile"=hex(2):25,00,53,00,59,00,53,00,25,00,00,00
"Servers"=hex(7):61,00,00,00,62,00,00,00,00,00
"Counter"=hex(b):01,02,03,04,05,06,07,08
"Unended"=hex(1):41,00,42,00
"Long"=hex:00,01,02,\
  03,04,\
  05
@="the default"
"Spaced" = "x"
"Literal"="C:\dir"
"Unterminated="x"
"BadDword"=dword:123456789
"BadHex"=hex:1,zz
"BadHexType"=hex(zz):01
"Trailing"="x" junk
"NoEquals" "x"
this line is no line of the format
"Deleted"=-
"After"="still read"

[HKLM\Software\Varnok AG\Platform]
"LocalDomainController"="dc1.example.test"
"CredentialsFile"="/etc/varnok/dc.cred"
"Number"=dword:00000001
"WithZero"=hex(1):61,00,00,00,62,00,00,00

[-HKEY_LOCAL_MACHINE\Software\Gone]
"Orphan"="x"

[HKEY_USERS\.DEFAULT\Software]
"Elsewhere"="x"

[HKEY_LOCAL_MACHINE\Software\Broken
"Lost"="x"

[HKEY_CURRENT_USER\Software\Varnok AG]
"User"="u"

[HKEY_CLASSES_ROOT\Varnok.PasswordResetRequest.1\CLSID]
@="{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}")";

constexpr char kProduct[] = "Software\\Varnok AG\\Varnok Password Reset";
constexpr char kPlatform[] = "Software\\Varnok AG\\Platform";

// UTF-16LE bytes of a literal, its terminating zero included.
template <std::size_t N>
std::string Le(const char16_t (&text)[N]) {
  std::string bytes;
  for (std::size_t i = 0; i < N; ++i) {
    bytes.push_back(static_cast<char>(text[i] & 0xFF));
    bytes.push_back(static_cast<char>(text[i] >> 8));
  }
  return bytes;
}

std::string Utf16LeFile(const std::string& text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : Utf8ToUtf16(text)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\n') out.push_back('\r');
    out.push_back(c);
  }
  return out;
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/registry_test.XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    m_dir = name;
    m_path = m_dir + "/registry.reg";
    ::setenv("VARNOK_REGISTRY", m_path.c_str(), 1);
  }

  void TearDown() override {
    ::unsetenv("VARNOK_REGISTRY");
    std::remove(m_path.c_str());
    ::rmdir(m_path.c_str());
    ::rmdir(m_dir.c_str());
  }

  // As self-registration writes it: a temporary file, then a rename.
  void Write(const std::string& bytes) {
    const std::string temporary = m_path + ".new";
    std::ofstream(temporary, std::ios::binary) << bytes;
    ASSERT_EQ(std::rename(temporary.c_str(), m_path.c_str()), 0);
  }

  std::string m_dir;
  std::string m_path;
};

// Opens, queries (size first, then data), closes: the callers' sequence.
struct CQueried {
  LSTATUS status = -1;
  DWORD type = 0;
  std::string data;
};

CQueried QueryA(HKEY root, const char* key, const char* name) {
  CQueried out;
  HKEY opened = nullptr;
  out.status = RegOpenKeyExA(root, key, 0, KEY_QUERY_VALUE, &opened);
  if (out.status != ERROR_SUCCESS) return out;
  DWORD size = 0;
  out.status = RegQueryValueExA(opened, name, nullptr, &out.type, nullptr, &size);
  if (out.status == ERROR_SUCCESS) {
    out.data.assign(size, '\x5A');
    out.status = RegQueryValueExA(opened, name, nullptr, &out.type, reinterpret_cast<BYTE*>(out.data.data()), &size);
    out.data.resize(size);
  }
  EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
  return out;
}

CQueried QueryW(HKEY root, const char* key, const char* name) {
  CQueried out;
  HKEY opened = nullptr;
  out.status = RegOpenKeyExW(root, Utf8ToUtf16(key).c_str(), 0, KEY_READ, &opened);
  if (out.status != ERROR_SUCCESS) return out;
  const std::u16string wideName = name == nullptr ? std::u16string() : Utf8ToUtf16(name);
  const LPCWSTR namePointer = name == nullptr ? nullptr : wideName.c_str();
  DWORD size = 0;
  out.status = RegQueryValueExW(opened, namePointer, nullptr, &out.type, nullptr, &size);
  if (out.status == ERROR_SUCCESS) {
    out.data.assign(size, '\x5A');
    out.status =
        RegQueryValueExW(opened, namePointer, nullptr, &out.type, reinterpret_cast<BYTE*>(out.data.data()), &size);
    out.data.resize(size);
  }
  EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
  return out;
}

struct ValueCase {
  HKEY root;
  const char* key;
  const char* name;  // null: the default value
  DWORD status;
  DWORD type;
  std::string narrow;
  std::string wide;
};

const std::vector<ValueCase>& ValueCases() {
  static const std::vector<ValueCase> cases = {
      {HKEY_LOCAL_MACHINE, kProduct, "DatabasePath", ERROR_SUCCESS, REG_SZ, "D:\\Varnok\\Data\\\0"s,
       Le(u"D:\\Varnok\\Data\\")},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\varnok ag\\VARNOK PASSWORD RESET", "centralSERVER", ERROR_SUCCESS, REG_SZ,
       "reset.example.test\0"s, Le(u"reset.example.test")},
      {HKEY_LOCAL_MACHINE, kProduct, "BannerText", ERROR_SUCCESS, REG_SZ, "Say \"hello\"\0"s, Le(u"Say \"hello\"")},
      {HKEY_LOCAL_MACHINE, kProduct, "Empty", ERROR_SUCCESS, REG_SZ, "\0"s, Le(u"")},
      {HKEY_LOCAL_MACHINE, kProduct, "greeting", ERROR_SUCCESS, REG_SZ, "Grüße\0"s, Le(u"Grüße")},
      {HKEY_LOCAL_MACHINE, kProduct, "TwoStageReset", ERROR_SUCCESS, REG_DWORD, "\0\0\0\0"s, "\0\0\0\0"s},
      {HKEY_LOCAL_MACHINE, kProduct, "HideAnswers", ERROR_SUCCESS, REG_DWORD, "\x2A\0\0\0"s, "\x2A\0\0\0"s},
      {HKEY_LOCAL_MACHINE, kProduct, "Blob", ERROR_SUCCESS, REG_BINARY, "\x01\x02\xFF"s, "\x01\x02\xFF"s},
      {HKEY_LOCAL_MACHINE, kProduct, "EmptyBlob", ERROR_SUCCESS, REG_BINARY, "", ""},
      {HKEY_LOCAL_MACHINE, kProduct, "MOTDFile", ERROR_SUCCESS, REG_EXPAND_SZ, "%SYS%\0"s, Le(u"%SYS%")},
      {HKEY_LOCAL_MACHINE, kProduct, "Servers", ERROR_SUCCESS, REG_MULTI_SZ, "a\0b\0\0"s, Le(u"a\0b\0")},
      {HKEY_LOCAL_MACHINE, kProduct, "Counter", ERROR_SUCCESS, REG_QWORD, "\x01\x02\x03\x04\x05\x06\x07\x08"s,
       "\x01\x02\x03\x04\x05\x06\x07\x08"s},
      // Text stored without its zero comes as stored.
      {HKEY_LOCAL_MACHINE, kProduct, "Unended", ERROR_SUCCESS, REG_SZ, "AB"s, "A\0B\0"s},
      {HKEY_LOCAL_MACHINE, kProduct, "Long", ERROR_SUCCESS, REG_BINARY, "\x00\x01\x02\x03\x04\x05"s,
       "\x00\x01\x02\x03\x04\x05"s},
      {HKEY_LOCAL_MACHINE, kProduct, nullptr, ERROR_SUCCESS, REG_SZ, "the default\0"s, Le(u"the default")},
      {HKEY_LOCAL_MACHINE, kProduct, "", ERROR_SUCCESS, REG_SZ, "the default\0"s, Le(u"the default")},
      {HKEY_LOCAL_MACHINE, kProduct, "Spaced", ERROR_SUCCESS, REG_SZ, "x\0"s, Le(u"x")},
      {HKEY_LOCAL_MACHINE, kProduct, "Literal", ERROR_SUCCESS, REG_SZ, "C:\\dir\0"s, Le(u"C:\\dir")},
      // Malformed lines and deletions are skipped; the line after them counts.
      {HKEY_LOCAL_MACHINE, kProduct, "Unterminated", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, kProduct, "BadDword", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, kProduct, "BadHex", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, kProduct, "BadHexType", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, kProduct, "Trailing", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, kProduct, "NoEquals", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, kProduct, "Deleted", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, kProduct, "After", ERROR_SUCCESS, REG_SZ, "still read\0"s, Le(u"still read")},
      {HKEY_LOCAL_MACHINE, kProduct, "Missing", ERROR_FILE_NOT_FOUND, 0, "", ""},
      // The short root form, and the layer's own settings.
      {HKEY_LOCAL_MACHINE, kPlatform, "LocalDomainController", ERROR_SUCCESS, REG_SZ, "dc1.example.test\0"s,
       Le(u"dc1.example.test")},
      {HKEY_LOCAL_MACHINE, kPlatform, "WithZero", ERROR_SUCCESS, REG_SZ, "a\0b\0"s, Le(u"a\0b")},
      // A parent that only the sections below it imply has no values.
      {HKEY_LOCAL_MACHINE, "Software", "Platform", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, "Software\\Gone", "Orphan", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, "Software\\Broken", "Lost", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_LOCAL_MACHINE, "Software\\Varnok AG\\Varnok Password Reset\\Sub", "DatabasePath", ERROR_FILE_NOT_FOUND,
       0, "", ""},
      // Roots keep apart.
      {HKEY_CURRENT_USER, "Software\\Varnok AG", "User", ERROR_SUCCESS, REG_SZ, "u\0"s, Le(u"u")},
      {HKEY_LOCAL_MACHINE, "Software\\Varnok AG", "User", ERROR_FILE_NOT_FOUND, 0, "", ""},
      {HKEY_CLASSES_ROOT, "Varnok.PasswordResetRequest.1\\CLSID", nullptr, ERROR_SUCCESS, REG_SZ,
       "{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}\0"s, Le(u"{8A0617E7-BEDF-4A22-98D2-40EB55F480FC}")},
  };
  return cases;
}

struct Encoding {
  const char* label;
  std::string (*encode)(const std::string&);
};

void PrintTo(const Encoding& encoding, std::ostream* out) { *out << encoding.label; }

class RegistryFileEncodingTest : public RegistryTest, public ::testing::WithParamInterface<Encoding> {};

TEST_P(RegistryFileEncodingTest, ReadsEveryValueAsTheNarrowAndWideFormsGiveIt) {
  Write(GetParam().encode(kFixture));
  for (const ValueCase& c : ValueCases()) {
    SCOPED_TRACE(std::string(c.key) + " : " + (c.name == nullptr ? "(default)" : c.name));
    const CQueried narrow = QueryA(c.root, c.key, c.name);
    EXPECT_EQ(narrow.status, static_cast<LSTATUS>(c.status));
    const CQueried wide = QueryW(c.root, c.key, c.name);
    EXPECT_EQ(wide.status, static_cast<LSTATUS>(c.status));
    if (c.status != ERROR_SUCCESS) continue;
    EXPECT_EQ(narrow.type, c.type);
    EXPECT_EQ(narrow.data, c.narrow);
    EXPECT_EQ(wide.type, c.type);
    EXPECT_EQ(wide.data, c.wide);
  }
}

TEST_P(RegistryFileEncodingTest, OpensKeysThatTheFileNamesOrImplies) {
  Write(GetParam().encode(kFixture));
  const struct {
    HKEY root;
    const char* key;
    DWORD status;
  } cases[] = {
      {HKEY_LOCAL_MACHINE, kProduct, ERROR_SUCCESS},
      {HKEY_LOCAL_MACHINE, "software\\VARNOK ag", ERROR_SUCCESS},  // only implied
      {HKEY_LOCAL_MACHINE, "Software\\Varnok AG\\", ERROR_SUCCESS},
      {HKEY_LOCAL_MACHINE, "Software\\Varnok", ERROR_FILE_NOT_FOUND},  // a prefix, not a parent
      {HKEY_LOCAL_MACHINE, "Software\\Varnok AG\\Platform\\More", ERROR_FILE_NOT_FOUND},
      {HKEY_LOCAL_MACHINE, "Software\\Gone", ERROR_FILE_NOT_FOUND},
      {HKEY_LOCAL_MACHINE, "Software\\Broken", ERROR_FILE_NOT_FOUND},
      {HKEY_LOCAL_MACHINE, ".DEFAULT\\Software", ERROR_FILE_NOT_FOUND},
      {HKEY_CURRENT_USER, kProduct, ERROR_FILE_NOT_FOUND},
      {HKEY_CLASSES_ROOT, "Varnok.PasswordResetRequest.1", ERROR_SUCCESS},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    HKEY opened = reinterpret_cast<HKEY>(std::uintptr_t{1});
    EXPECT_EQ(RegOpenKeyExA(c.root, c.key, 0, KEY_READ, &opened), static_cast<LSTATUS>(c.status));
    if (c.status == ERROR_SUCCESS) {
      EXPECT_EQ(RegCloseKey(opened), ERROR_SUCCESS);
    } else {
      EXPECT_EQ(opened, nullptr);
    }
  }
}

std::string AsIs(const std::string& text) { return text; }
std::string CrLf(const std::string& text) { return WithCrLf(text); }
std::string Utf8Bom(const std::string& text) { return "\xEF\xBB\xBF" + WithCrLf(text); }
std::string Utf16(const std::string& text) { return Utf16LeFile(WithCrLf(text)); }
std::string Utf16Lf(const std::string& text) { return Utf16LeFile(text); }

INSTANTIATE_TEST_SUITE_P(Encodings, RegistryFileEncodingTest,
                         ::testing::Values(Encoding{"Utf8Lf", AsIs}, Encoding{"Utf8CrLf", CrLf},
                                           Encoding{"Utf8BomCrLf", Utf8Bom}, Encoding{"Utf16LeCrLf", Utf16},
                                           Encoding{"Utf16LeLf", Utf16Lf}),
                         [](const ::testing::TestParamInfo<Encoding>& info) { return info.param.label; });

TEST_F(RegistryTest, QueriesFollowTheBufferSizeProtocol) {
  Write(kFixture);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProduct, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  const std::string narrow = "D:\\Varnok\\Data\\\0"s;
  const std::string wide = Le(u"D:\\Varnok\\Data\\");

  for (const bool isWide : {false, true}) {
    SCOPED_TRACE(isWide ? "wide" : "narrow");
    const std::string& expected = isWide ? wide : narrow;
    auto query = [&](DWORD* type, BYTE* data, DWORD* size) {
      return isWide ? RegQueryValueExW(key, u"DatabasePath", nullptr, type, data, size)
                    : RegQueryValueExA(key, "DatabasePath", nullptr, type, data, size);
    };
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(query(&type, nullptr, &size), ERROR_SUCCESS);  // the size, zero included
    EXPECT_EQ(size, expected.size());
    EXPECT_EQ(type, REG_SZ);

    std::string buffer(expected.size() + 8, '\x5A');
    size = static_cast<DWORD>(expected.size() - 1);
    type = 0;
    EXPECT_EQ(query(&type, reinterpret_cast<BYTE*>(buffer.data()), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, expected.size());
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(buffer, std::string(expected.size() + 8, '\x5A'));  // nothing copied

    size = static_cast<DWORD>(buffer.size());  // room to spare: the size comes back exact
    EXPECT_EQ(query(nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size), ERROR_SUCCESS);
    EXPECT_EQ(size, expected.size());
    EXPECT_EQ(buffer.substr(0, size), expected);

    EXPECT_EQ(query(&type, nullptr, nullptr), ERROR_SUCCESS);  // only whether it is there
  }

  // A number read into 4 bytes, as the settings are: a longer value does not fit.
  DWORD number = 7;
  DWORD size = sizeof number;
  EXPECT_EQ(RegQueryValueExA(key, "Counter", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(number, 7u);
  size = sizeof number;
  EXPECT_EQ(RegQueryValueExA(key, "HideAnswers", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(number, 42u);

  // An empty value fits a buffer of no bytes.
  BYTE none = 0;
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "EmptyBlob", nullptr, nullptr, &none, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);

  DWORD reserved = 0;
  EXPECT_EQ(RegQueryValueExA(key, "HideAnswers", &reserved, nullptr, nullptr, &size), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExA(key, "HideAnswers", nullptr, nullptr, reinterpret_cast<BYTE*>(&number), nullptr),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, RefusesHandlesThatAreNotOpen) {
  Write(kFixture);
  HKEY company = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Varnok AG", 0, KEY_READ, &company), ERROR_SUCCESS);
  HKEY platform = nullptr;
  ASSERT_EQ(RegOpenKeyExW(company, u"PLATFORM", 0, KEY_READ, &platform), ERROR_SUCCESS);  // below an opened key
  EXPECT_NE(platform, company);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(platform, "CredentialsFile", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, sizeof "/etc/varnok/dc.cred");

  EXPECT_EQ(RegCloseKey(platform), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(platform), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(platform, "CredentialsFile", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  HKEY again = company;
  EXPECT_EQ(RegOpenKeyExA(platform, "", 0, KEY_READ, &again), ERROR_INVALID_HANDLE);
  EXPECT_EQ(again, nullptr);
  EXPECT_EQ(RegCloseKey(company), ERROR_SUCCESS);

  for (const HKEY made : {static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(std::uintptr_t{0x1234}),
                          reinterpret_cast<HKEY>(std::uintptr_t{0x80000003u})}) {
    EXPECT_EQ(RegQueryValueExA(made, "x", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(made), ERROR_INVALID_HANDLE);
  }

  // A root with no subkey is the root itself, and closing it changes nothing.
  HKEY root = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ, &root), ERROR_SUCCESS);
  EXPECT_EQ(root, HKEY_LOCAL_MACHINE);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"", 0, KEY_READ, &root), ERROR_SUCCESS);
  EXPECT_EQ(root, HKEY_CURRENT_USER);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProduct, 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, ReadsTheFileAgainAtEveryQuery) {
  const std::string head = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\r\n";
  Write(head + "\"CentralServer\"=\"one\"\r\n");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProduct, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS);
  auto central = [&] {
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    const LSTATUS status =
        RegQueryValueExA(key, "CentralServer", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    return status == ERROR_SUCCESS ? std::string(buffer) : "status " + std::to_string(status);
  };
  EXPECT_EQ(central(), "one");

  Write(head + "\"CentralServer\"=\"two\"\r\n");
  EXPECT_EQ(central(), "two");

  Write(head + "\"TwoStageReset\"=dword:00000001\r\n");
  EXPECT_EQ(central(), "status 2");

  Write("Windows Registry Editor Version 5.00\r\n");  // the key itself gone
  EXPECT_EQ(central(), "status 2");
  HKEY other = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProduct, 0, KEY_QUERY_VALUE, &other), ERROR_FILE_NOT_FOUND);

  Write(head + "\"CentralServer\"=\"three\"\r\n");  // the handle names a path, so it finds the key again
  EXPECT_EQ(central(), "three");

  std::remove(m_path.c_str());
  EXPECT_EQ(central(), "status 2");
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProduct, 0, KEY_QUERY_VALUE, &other), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, RefusesFilesThatAreNoRegistryExport) {
  HKEY key = nullptr;
  auto open = [&] { return RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key); };
  EXPECT_EQ(open(), ERROR_FILE_NOT_FOUND);  // no file at all

  const struct {
    const char* label;
    std::string content;
    DWORD status;
  } cases[] = {
      {"empty", "", ERROR_BADDB},
      {"older format", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n", ERROR_BADDB},
      {"header not first", "\r\nWindows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\Software]\r\n",
       ERROR_BADDB},
      {"UTF-16 without its mark", Utf16LeFile("Windows Registry Editor Version 5.00\r\n").substr(2), ERROR_BADDB},
      {"over the size cap",
       "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Software]\n" +
           std::string(kMaxRegistryFileBytes, ';'),
       ERROR_BADDB},
      {"header only", "Windows Registry Editor Version 5.00", ERROR_FILE_NOT_FOUND},
      {"header with trailing blanks", "Windows Registry Editor Version 5.00  \n[HKEY_LOCAL_MACHINE\\Software]",
       ERROR_SUCCESS},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Write(c.content);
    EXPECT_EQ(open(), static_cast<LSTATUS>(c.status));
    if (c.status == ERROR_SUCCESS) {
      EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    }
  }

  std::remove(m_path.c_str());
  ASSERT_EQ(::mkdir(m_path.c_str(), 0700), 0);
  EXPECT_EQ(open(), ERROR_ACCESS_DENIED);
  ASSERT_EQ(::rmdir(m_path.c_str()), 0);
  // A FIFO would block a plain open until someone writes to it.
  ASSERT_EQ(::mkfifo(m_path.c_str(), 0600), 0);
  EXPECT_EQ(open(), ERROR_ACCESS_DENIED);
}

TEST_F(RegistryTest, FileComesFromTheEnvironment) {
  EXPECT_EQ(RegistryFilePath(), m_path);
  ::setenv("VARNOK_REGISTRY", "", 1);
  EXPECT_EQ(RegistryFilePath(), "/etc/varnok/registry.reg");
  ::unsetenv("VARNOK_REGISTRY");
  EXPECT_EQ(RegistryFilePath(), "/etc/varnok/registry.reg");
}

TEST_F(RegistryTest, ReadRegistryTextGivesTheTextOfOneValue) {
  Write(Utf16LeFile(WithCrLf(kFixture)));
  HKEY company = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Varnok AG", 0, KEY_READ, &company), ERROR_SUCCESS);
  const struct {
    HKEY root;
    const char* key;
    const char* name;
    bool read;
    DWORD error;
    const char* text;
  } cases[] = {
      {HKEY_LOCAL_MACHINE, kPlatform, "LocalDomainController", true, 0, "dc1.example.test"},
      {HKEY_LOCAL_MACHINE, kPlatform, "credentialsfile", true, 0, "/etc/varnok/dc.cred"},
      {company, "Platform", "LocalDomainController", true, 0, "dc1.example.test"},
      {HKEY_LOCAL_MACHINE, kPlatform, "WithZero", true, 0, "a"},  // up to its first zero
      {HKEY_LOCAL_MACHINE, kProduct, "Unended", true, 0, "AB"},
      {HKEY_LOCAL_MACHINE, kProduct, "Greeting", true, 0, "Grüße"},
      {HKEY_LOCAL_MACHINE, kPlatform, "Number", false, ERROR_INVALID_DATA, nullptr},
      {HKEY_LOCAL_MACHINE, kProduct, "MOTDFile", false, ERROR_INVALID_DATA, nullptr},
      {HKEY_LOCAL_MACHINE, kPlatform, "Missing", false, ERROR_FILE_NOT_FOUND, nullptr},
      {HKEY_LOCAL_MACHINE, "Software\\Nowhere", "LocalDomainController", false, ERROR_FILE_NOT_FOUND, nullptr},
      {reinterpret_cast<HKEY>(std::uintptr_t{0x1234}), kPlatform, "LocalDomainController", false,
       ERROR_INVALID_HANDLE, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string value = "unchanged";
    SetLastError(0);
    EXPECT_EQ(ReadRegistryText(c.root, c.key, c.name, value), c.read);
    if (c.read) {
      EXPECT_EQ(value, c.text);
    } else {
      EXPECT_EQ(GetLastError(), c.error);
      EXPECT_EQ(value, "unchanged");
    }
  }
  EXPECT_EQ(RegCloseKey(company), ERROR_SUCCESS);
}

// Every form a number may be kept in, read through the narrow and the wide
// bytes of its value.
TEST_F(RegistryTest, ReadRegistryNumberReadsUpToFourBytesOfAnyType) {
  Write("Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Numbers]\r\n"
        "\"Dword\"=dword:8000002a\r\n"
        "\"Empty\"=hex:\r\n"
        "\"One\"=hex:2a\r\n"
        "\"Two\"=hex:2a,01\r\n"
        "\"Three\"=hex:2a,01,02\r\n"
        "\"Four\"=hex:2a,01,02,83\r\n"
        "\"Five\"=hex:2a,01,02,03,04\r\n"
        "\"Qword\"=hex(b):2a,00,00,00,00,00,00,00\r\n"
        "\"Letter\"=\"a\"\r\n"
        "\"Letters\"=\"abc\"\r\n"
        "@=dword:00000007\r\n");
  constexpr char kNumbers[] = "Software\\Varnok AG\\Numbers";
  HKEY company = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Varnok AG", 0, KEY_READ, &company), ERROR_SUCCESS);
  const std::optional<DWORD> none;
  const struct {
    HKEY key;
    const char* path;
    const char* name;
    std::optional<DWORD> narrow;
    std::optional<DWORD> wide;
  } cases[] = {
      {HKEY_LOCAL_MACHINE, kNumbers, "Dword", 0x8000002Au, 0x8000002Au},
      {HKEY_LOCAL_MACHINE, kNumbers, "empty", 0u, 0u},
      // A shorter value fills the low bytes.
      {HKEY_LOCAL_MACHINE, kNumbers, "One", 0x2Au, 0x2Au},
      {HKEY_LOCAL_MACHINE, kNumbers, "Two", 0x012Au, 0x012Au},
      {HKEY_LOCAL_MACHINE, kNumbers, "Three", 0x02012Au, 0x02012Au},
      {HKEY_LOCAL_MACHINE, kNumbers, "Four", 0x8302012Au, 0x8302012Au},
      {HKEY_LOCAL_MACHINE, kNumbers, "Five", none, none},
      {HKEY_LOCAL_MACHINE, kNumbers, "Qword", none, none},
      // Text counts with its zero: "a" fits both ways, "abc" only narrow.
      {HKEY_LOCAL_MACHINE, kNumbers, "Letter", 0x61u, 0x61u},
      {HKEY_LOCAL_MACHINE, kNumbers, "Letters", 0x00636261u, none},
      {HKEY_LOCAL_MACHINE, kNumbers, "", 7u, 7u},
      {company, "Numbers", "Dword", 0x8000002Au, 0x8000002Au},
      {HKEY_LOCAL_MACHINE, kNumbers, "Missing", none, none},
      {HKEY_LOCAL_MACHINE, "Software\\Varnok AG", "Dword", none, none},
      {HKEY_LOCAL_MACHINE, "Software\\Nowhere", "Dword", none, none},
      {reinterpret_cast<HKEY>(std::uintptr_t{0x1234}), kNumbers, "Dword", none, none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " : " + c.name);
    EXPECT_EQ(ReadRegistryNumber(c.key, c.path, c.name), c.narrow);
    EXPECT_EQ(ReadRegistryNumber(c.key, c.path, c.name, RegistryTextBytes::Wide), c.wide);
  }
  HKEY numbers = nullptr;
  ASSERT_EQ(RegOpenKeyExA(company, "Numbers", 0, KEY_READ, &numbers), ERROR_SUCCESS);
  EXPECT_EQ(ReadRegistryNumber(numbers, "", "Two"), 0x012Au);
  // A file that is no registry export, or none at all, holds no number.
  Write("not a registry\r\n\"Dword\"=dword:00000001\r\n");
  EXPECT_EQ(ReadRegistryNumber(numbers, "", "Dword"), none);
  std::remove(m_path.c_str());
  EXPECT_EQ(ReadRegistryNumber(HKEY_LOCAL_MACHINE, kNumbers, "Dword"), none);
  EXPECT_EQ(RegCloseKey(numbers), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(company), ERROR_SUCCESS);
}

// Every cut of the fixture, in both encodings, as a file cut short would be:
// no read past the end, and the first line decides.
TEST(RegistryFileTest, ParsesEveryTruncationSafely) {
  const std::string header = "Windows Registry Editor Version 5.00";
  const std::string utf8 = WithCrLf(kFixture);
  const std::string utf16 = Utf16LeFile(utf8);
  for (const std::string* whole : {&utf8, &utf16}) {
    const std::size_t needed = whole == &utf16 ? 2 + 2 * header.size() : header.size();
    for (std::size_t length = 0; length <= whole->size(); ++length) {
      CRegistryKeys keys;
      ASSERT_EQ(ParseRegistryFile(std::string_view(*whole).substr(0, length), keys), length >= needed) << length;
    }
  }
  CRegistryKeys keys;
  ASSERT_TRUE(ParseRegistryFile(utf16, keys));
  EXPECT_EQ(keys.size(), 4u);  // the product, the platform, the user's and the class key
}

}  // namespace
