// The registry's write calls against files in a folder of the test's own:
// what the file holds afterwards, as the readers see it and as text (every
// line not changed kept as it was, in the file's own encoding and line
// ends), and the failures that leave the file as it was.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/base/text.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_file.h"
#include "tests/support/file_bytes.h"

namespace {

namespace fs = std::filesystem;

class RegistryWriteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/registry_write_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
    path = folder + "/registry.reg";
    ::setenv("VARNOK_REGISTRY", path.c_str(), 1);
  }
  void TearDown() override {
    ::chmod(folder.c_str(), 0700);
    fs::remove_all(folder);
  }

  // The default or named REG_SZ value as the readers get it; "(none)" when missing.
  static std::string Text(const std::string& key, const std::string& name = "") {
    std::string value;
    return ReadRegistryText(HKEY_CLASSES_ROOT, key, name, value) ? value : "(none)";
  }
  static bool Exists(const std::string& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
  }
  static LSTATUS SetText(HKEY key, const char16_t* name, const std::u16string& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
  }
  // Creates the key below HKEY_CLASSES_ROOT and sets its default value.
  static LSTATUS CreateWithDefault(const std::u16string& key, const std::u16string& text) {
    HKEY created = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_WRITE, nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) return status;
    status = SetText(created, nullptr, text);
    RegCloseKey(created);
    return status;
  }

  std::string folder;
  std::string path;
};

TEST_F(RegistryWriteTest, AMissingFileIsCreatedWithTheHeaderAndTheKeys) {
  DWORD disposition = 0;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"Some.Prog\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  ASSERT_EQ(SetText(key, nullptr, u"{value}"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, u"Named", u"say \"hi\" C:\\dir"), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(Text("some.prog\\clsid"), "{value}");
  EXPECT_EQ(Text("Some.Prog\\CLSID", "named"), "say \"hi\" C:\\dir");
  EXPECT_EQ(ReadFileBytes(path),
            "Windows Registry Editor Version 5.00\r\n"
            "\r\n[HKEY_CLASSES_ROOT\\Some.Prog\\CLSID]\r\n"
            "@=\"{value}\"\r\n"
            "\"Named\"=\"say \\\"hi\\\" C:\\\\dir\"\r\n");
  // Opening it again finds it.
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, u"SOME.PROG\\clsid", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  RegCloseKey(key);
}

// Each edit against the same file, in each encoding and line-end style: the
// lines around the edit stay byte for byte.
TEST_F(RegistryWriteTest, EditsKeepEveryOtherLineInTheFilesOwnEncoding) {
  const std::string original =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "; kept comment\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Varnok AG\\Varnok Password Reset]\n"
      "\"DatabasePath\"=\"/srv/data\"\n"
      "\"Blob\"=hex:01,02,\\\n"
      "  03\n"
      "\n"
      "[HKEY_CLASSES_ROOT\\Thing]\n"
      "@=\"old\"\n"
      "\"Stale\"=\"gone soon\"\n"
      "\n"
      "[HKEY_CLASSES_ROOT\\Thing\\Sub]\n"
      "@=\"sub\"\n";
  struct Encoding {
    const char* name;
    bool crlf;
    int form;  // 0 UTF-8, 1 UTF-8 with a mark, 2 UTF-16LE
  };
  for (const Encoding encoding : {Encoding{"utf8 lf", false, 0}, Encoding{"utf8 crlf", true, 0},
                                  Encoding{"utf8 bom", true, 1}, Encoding{"utf16", true, 2}}) {
    SCOPED_TRACE(encoding.name);
    std::string text = original;
    if (encoding.crlf) {
      std::string converted;
      for (const char c : text) {
        if (c == '\n') converted += '\r';
        converted += c;
      }
      text = converted;
    }
    const auto encode = [&](const std::string& utf8) {
      if (encoding.form == 1) return "\xEF\xBB\xBF" + utf8;
      if (encoding.form == 2) {
        std::string bytes = "\xFF\xFE";
        for (const char16_t unit : Utf8ToUtf16(utf8)) {
          bytes += static_cast<char>(unit & 0xFF);
          bytes += static_cast<char>(unit >> 8);
        }
        return bytes;
      }
      return utf8;
    };
    WriteFileBytes(path, encode(text));
    HKEY thing = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "thing", 0, KEY_READ, &thing), ERROR_SUCCESS);
    ASSERT_EQ(SetText(thing, nullptr, u"new"), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueW(thing, u"STALE"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(thing, u"Stale"), static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND));
    RegCloseKey(thing);
    const std::string nl = encoding.crlf ? "\r\n" : "\n";
    std::string expected = text;
    const std::string before = "@=\"old\"" + nl + "\"Stale\"=\"gone soon\"" + nl;
    expected.replace(expected.find(before), before.size(), "@=\"new\"" + nl);
    EXPECT_EQ(ReadFileBytes(path), encode(expected));
    EXPECT_EQ(Text("Thing\\Sub"), "sub");
    std::string product;
    EXPECT_TRUE(ReadRegistryText(HKEY_LOCAL_MACHINE, "Software\\Varnok AG\\Varnok Password Reset", "DatabasePath",
                                 product));
    EXPECT_EQ(product, "/srv/data");
  }
}

TEST_F(RegistryWriteTest, SettingAValueReplacesItInEverySectionOfTheKey) {
  // The reader takes the last of repeated sections' values; a write leaves one.
  WriteFileBytes(path,
            "Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\K]\n\"v\"=\"one\"\n\n"
            "[HKEY_CLASSES_ROOT\\Other]\n@=\"x\"\n\n[HKEY_CLASSES_ROOT\\k]\n\"V\"=\"two\"");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "K", 0, KEY_READ, &key), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, u"v", u"three"), ERROR_SUCCESS);
  RegCloseKey(key);
  const std::string text = ReadFileBytes(path);
  EXPECT_EQ(text.find("one"), std::string::npos);
  EXPECT_EQ(text.find("two"), std::string::npos);
  // The file's last line had no line end: the new line does not run into it.
  EXPECT_NE(text.find("[HKEY_CLASSES_ROOT\\k]\n\"v\"=\"three\"\n"), std::string::npos) << text;
  EXPECT_EQ(Text("k", "v"), "three");
  EXPECT_EQ(Text("Other"), "x");
}

TEST_F(RegistryWriteTest, ValuesOfEveryKindReadBackAsWritten) {
  ASSERT_EQ(CreateWithDefault(u"Kinds", u"default"), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Kinds", 0, KEY_READ, &key), ERROR_SUCCESS);
  const DWORD number = 0x2A;
  const std::u16string broken = u"two\nlines";
  const BYTE blob[] = {0, 1, 0xFF};
  ASSERT_EQ(RegSetValueExW(key, u"Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number),
            ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, u"Broken", broken), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, u"Blob", 0, REG_BINARY, blob, sizeof blob), ERROR_SUCCESS);
  ASSERT_EQ(SetText(key, u"Wide", u"Grüße ☃"), ERROR_SUCCESS);
  EXPECT_EQ(SetText(key, u"bad\nname", u"x"), static_cast<LSTATUS>(ERROR_INVALID_PARAMETER));
  DWORD read = 0, size = sizeof read, type = 0;
  ASSERT_EQ(RegQueryValueExW(key, u"number", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(read, number);
  char16_t text[32] = {};
  size = sizeof text;
  ASSERT_EQ(RegQueryValueExW(key, u"Broken", nullptr, &type, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::u16string(text), broken);
  BYTE bytes[8] = {};
  size = sizeof bytes;
  ASSERT_EQ(RegQueryValueExW(key, u"Blob", nullptr, &type, bytes, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), size), std::string(reinterpret_cast<const char*>(blob), 3));
  RegCloseKey(key);
  EXPECT_EQ(Text("Kinds", "Wide"), "Grüße ☃");
  EXPECT_EQ(Text("Kinds"), "default");
}

TEST_F(RegistryWriteTest, DeletingKeysAndTrees) {
  ASSERT_EQ(CreateWithDefault(u"Tree\\A\\Deep", u"deep"), ERROR_SUCCESS);
  ASSERT_EQ(CreateWithDefault(u"Tree\\B", u"b"), ERROR_SUCCESS);
  ASSERT_EQ(CreateWithDefault(u"TreeSibling", u"sibling"), ERROR_SUCCESS);
  ASSERT_EQ(CreateWithDefault(u"Tree", u"top"), ERROR_SUCCESS);

  struct Step {
    const char* what;
    bool tree;
    const char16_t* subKey;
    LSTATUS status;
  };
  const Step steps[] = {
      {"a key with subkeys stays", false, u"Tree\\A", static_cast<LSTATUS>(ERROR_ACCESS_DENIED)},
      {"a missing key", false, u"Tree\\Nothing", static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND)},
      {"a leaf key", false, u"tree\\b", ERROR_SUCCESS},
      {"a root is never deleted", true, u"", static_cast<LSTATUS>(ERROR_ACCESS_DENIED)},
      {"a whole tree", true, u"TREE", ERROR_SUCCESS},
      {"a tree gone already", true, u"Tree", static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND)},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    EXPECT_EQ(step.tree ? RegDeleteTreeW(HKEY_CLASSES_ROOT, step.subKey) : RegDeleteKeyW(HKEY_CLASSES_ROOT, step.subKey),
              step.status);
  }
  EXPECT_FALSE(Exists("Tree"));
  EXPECT_FALSE(Exists("Tree\\A\\Deep"));
  // A key whose name only begins like the tree's is no part of it.
  EXPECT_EQ(Text("TreeSibling"), "sibling");
}

TEST_F(RegistryWriteTest, ATreeWithoutSubkeyNameKeepsTheKeyItself) {
  ASSERT_EQ(CreateWithDefault(u"Keep\\Child", u"child"), ERROR_SUCCESS);
  ASSERT_EQ(CreateWithDefault(u"Keep", u"value"), ERROR_SUCCESS);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, "Keep", 0, KEY_READ, &key), ERROR_SUCCESS);
  ASSERT_EQ(RegDeleteTreeW(key, nullptr), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_TRUE(Exists("Keep"));
  EXPECT_FALSE(Exists("Keep\\Child"));
  EXPECT_EQ(Text("Keep"), "(none)");
}

// A file that is not the registry's format is never written over, and a
// folder where nothing can be created gives its failure; either way nothing
// is left behind. (A read-only file system: webobject's registration tests.)
TEST_F(RegistryWriteTest, WriteFailuresLeaveTheFileAsItWas) {
  WriteFileBytes(path, "not a registry file\r\n");
  EXPECT_EQ(CreateWithDefault(u"New", u"x"), static_cast<LSTATUS>(ERROR_BADDB));
  EXPECT_EQ(ReadFileBytes(path), "not a registry file\r\n");
  ::setenv("VARNOK_REGISTRY", (folder + "/missing/registry.reg").c_str(), 1);
  EXPECT_EQ(CreateWithDefault(u"New", u"x"), static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND));
  ::setenv("VARNOK_REGISTRY", path.c_str(), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(RegistryWriteTest, TheFileKeepsItsMode) {
  WriteFileBytes(path, "Windows Registry Editor Version 5.00\n");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_EQ(CreateWithDefault(u"Moded", u"x"), ERROR_SUCCESS);
  struct stat info{};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

}  // namespace
