// A tile through the logon screen's calls with no reset service to reach:
// its fields in both modes, the tile image, the string rules, the links
// outside the question step, the rules text and its size limit, and a
// Submit that finds no server, under the logon and the credential prompt.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "credprov/motd_file.h"
#include "credprov/pwd_reset_credential.h"
#include "credprov/tests/logon_screen_host.h"
#include "credprov/tests/test_registry.h"
#include "platform/base/last_error.h"
#include "platform/base/text.h"
#include "platform/com/objbase.h"
#include "platform/windows/bitmap.h"
#include "platform/windows/resources.h"

namespace {

const char kNoServers[] = "There are no Password Reset servers configured to service your request.";

class ResetTileTest : public ::testing::Test {
 protected:
  std::string File(const std::string& name, const std::string& bytes) {
    const std::string path = registry.Folder() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  CTestRegistry registry;
};

TEST_F(ResetTileTest, FieldsOfBothTilesWhenSelected) {
  registry.Write("\"BannerText\"=\"Helpdesk 555\"\r\n");
  CLogonScreenHost host;
  ASSERT_TRUE(host.Start(CPUS_LOGON));
  struct Case {
    DWORD tile;
    const char16_t* function;
  };
  for (const Case& c : {Case{0, u"Reset Password"}, Case{1, u"Unlock Account"}}) {
    ASSERT_NE(host.SelectTile(c.tile), nullptr);
    EXPECT_EQ(host.FieldString(F_FUNCTION), c.function);
    EXPECT_EQ(host.FieldString(F_BANNER), u"Helpdesk 555");
    EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Enter your username to begin.");
    EXPECT_EQ(host.FieldString(F_HINT), u"Show hint");
    EXPECT_EQ(host.FieldString(F_SKIP), u"Skip this question");
    EXPECT_EQ(host.FieldString(F_RULES), u"Password rules");
    EXPECT_EQ(host.FieldString(F_SUBMIT), u"Submit");
    EXPECT_EQ(host.FieldString(F_USERNAME), u"");
    EXPECT_EQ(host.ShownFields(), (std::vector<DWORD>{F_USERNAME, F_SUBMIT}));
    EXPECT_EQ(host.FieldInteractive(F_USERNAME), CPFIS_FOCUSED);
    EXPECT_EQ(host.FieldState(F_IMAGE), CPFS_DISPLAY_IN_BOTH);
    EXPECT_EQ(host.FieldState(F_BANNER), CPFS_DISPLAY_IN_DESELECTED_TILE);
    EXPECT_EQ(host.Events().strings[F_INSTRUCTION], u"Enter your username to begin.");
    EXPECT_EQ(host.Events().states[F_USERNAME], CPFS_DISPLAY_IN_SELECTED_TILE);
    EXPECT_EQ(host.Events().submitBeside, F_USERNAME);
  }
  ICredentialProviderCredential* tile = host.Tile();
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(tile->QueryInterface(IID_ICredentialProviderCredential2, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  auto* second = static_cast<ICredentialProviderCredential2*>(tile);
  LPWSTR sid = reinterpret_cast<LPWSTR>(1);
  EXPECT_EQ(second->GetUserSid(&sid), S_FALSE);
  EXPECT_EQ(sid, nullptr);
  CREDENTIAL_PROVIDER_FIELD_STATE state{};
  CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE interactive{};
  EXPECT_EQ(tile->GetFieldState(13, &state, &interactive), E_INVALIDARG);
  LPWSTR text = nullptr;
  EXPECT_EQ(tile->GetStringValue(13, &text), E_INVALIDARG);
  DWORD beside = 0;
  EXPECT_EQ(tile->GetSubmitButtonValue(4, &beside), E_INVALIDARG);
  BOOL checked = FALSE;
  EXPECT_EQ(tile->GetCheckboxValue(0, &checked, &text), E_NOTIMPL);
  EXPECT_EQ(tile->ReportResult(0, 0, nullptr, nullptr), S_OK);
}

TEST_F(ResetTileTest, SetStringValueTakesTextFieldsOnly) {
  registry.Write("");
  CLogonScreenHost host;
  ASSERT_TRUE(host.Start(CPUS_LOGON));
  ICredentialProviderCredential* tile = host.SelectTile(0);
  struct Case {
    DWORD field;
    HRESULT status;
  };
  for (const Case& c : {Case{F_FUNCTION, S_OK}, Case{F_INSTRUCTION, S_OK}, Case{F_USERNAME, S_OK},
                        Case{F_ANSWER, S_OK}, Case{F_NEW_PASSWORD, S_OK}, Case{F_IMAGE, E_INVALIDARG},
                        Case{F_HINT, E_INVALIDARG}, Case{F_SUBMIT, E_INVALIDARG}, Case{13, E_INVALIDARG}}) {
    EXPECT_EQ(tile->SetStringValue(c.field, u"typed"), c.status) << c.field;
    if (c.status == S_OK) {
      EXPECT_EQ(host.FieldString(c.field), u"typed");
    }
  }
  // A null text counts as empty rather than reaching a copy.
  EXPECT_EQ(tile->SetStringValue(F_USERNAME, nullptr), S_OK);
  EXPECT_EQ(host.FieldString(F_USERNAME), u"");
  // Deselection empties the user name, the answer and both passwords.
  host.Type(F_USERNAME, u"alice");
  host.Type(F_ANSWER, u"Rex");
  host.Type(F_NEW_PASSWORD, u"one");
  host.Type(F_CONFIRM, u"two");
  EXPECT_EQ(tile->SetDeselected(), S_OK);
  for (DWORD field : {F_USERNAME, F_ANSWER, F_NEW_PASSWORD, F_CONFIRM}) {
    EXPECT_EQ(host.FieldString(field), u"") << field;
    EXPECT_EQ(host.Events().strings[field], u"") << field;
  }
}

TEST_F(ResetTileTest, TileImageFromTheFileOrTheLibrary) {
  // A 2 by 3 picture of 24 bits.
  std::string bmp = "BM" + std::string(12, '\0') + std::string(40, '\0') + std::string(8 * 3, '\x44');
  bmp[10] = 54;
  bmp[14] = 40;
  bmp[18] = 2;
  bmp[22] = 3;
  bmp[26] = 1;
  bmp[28] = 24;
  const std::string image = File("tile.bmp", bmp);
  struct Case {
    std::string setting;
    LONG width, height;
    WORD bits;
  };
  // Each case loads the library afresh (the host unloads it), so each has
  // its own tiles.
  for (const Case& c : {Case{"", 128, 128, 8}, Case{"\"CustomTileImage\"=\"" + image + "\"\r\n", 2, 3, 24},
                        Case{"\"CustomTileImage\"=\"" + registry.Folder() + "/missing.bmp\"\r\n", 128, 128, 8}}) {
    SCOPED_TRACE(c.setting);
    registry.Write(c.setting);
    CLogonScreenHost host;
    ASSERT_TRUE(host.Start(CPUS_LOGON));
    ICredentialProviderCredential* tile = host.SelectTile(0);
    HBITMAP bitmap = nullptr;
    ASSERT_EQ(tile->GetBitmapValue(F_IMAGE, &bitmap), S_OK);
    BITMAP info{};
    ASSERT_NE(GetObjectW(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, c.width);
    EXPECT_EQ(info.bmHeight, c.height);
    EXPECT_EQ(info.bmBitsPixel, c.bits);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(tile->GetBitmapValue(F_BANNER, &bitmap), E_INVALIDARG);
    EXPECT_EQ(tile->GetBitmapValue(F_IMAGE, nullptr), E_INVALIDARG);
  }
}

TEST_F(ResetTileTest, WithoutItsResourcesNoBitmapIsNoSuccess) {
  registry.Write("");
  CLogonScreenHost host;
  ASSERT_TRUE(host.Start(CPUS_LOGON));
  ICredentialProviderCredential* tile = host.SelectTile(0);
  // As a library built without its bitmap would be.
  UnregisterModuleResources(host.Library().Instance());
  HBITMAP bitmap = reinterpret_cast<HBITMAP>(1);
  EXPECT_EQ(tile->GetBitmapValue(F_IMAGE, &bitmap), HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND));
  EXPECT_EQ(bitmap, nullptr);
}

TEST(BitmapFailureResultTest, NeverSuccess) {
  struct Case {
    DWORD lastError;
    HRESULT result;
  };
  for (const Case& c : {Case{0, E_FAIL}, Case{ERROR_RESOURCE_NAME_NOT_FOUND, static_cast<HRESULT>(0x80070716u)},
                        Case{ERROR_FILE_NOT_FOUND, static_cast<HRESULT>(0x80070002u)},
                        Case{static_cast<DWORD>(E_OUTOFMEMORY), E_OUTOFMEMORY}}) {
    EXPECT_EQ(BitmapFailureResult(c.lastError), c.result) << c.lastError;
  }
}

TEST_F(ResetTileTest, NoServerEndsTheStepWithTheVersionLine) {
  struct Case {
    CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario;
    const char16_t* instruction;
    std::size_t boxes;
  };
  for (const Case& c : {Case{CPUS_LOGON, u"Enter your username to begin.", 0},
                        Case{CPUS_CREDUI, u"Operation cancelled.", 1}}) {
    SCOPED_TRACE(c.scenario);
    registry.Write("");
    CLogonScreenHost host;
    ASSERT_TRUE(host.Start(c.scenario));
    host.SelectTile(0);
    host.Type(F_USERNAME, u"alice");
    const SubmitResult submitted = host.Submit();
    EXPECT_EQ(submitted.result, S_OK);
    EXPECT_EQ(submitted.response, CPGSR_NO_CREDENTIAL_FINISHED);
    ASSERT_TRUE(submitted.statusText);
    const std::string status = Utf16ToUtf8(*submitted.statusText);
    EXPECT_EQ(status.rfind("Varnok Password Reset\nVersion 2.0.", 0), 0u) << status;
    EXPECT_NE(status.find(std::string("\n\n") + kNoServers), std::string::npos) << status;
    EXPECT_EQ(submitted.statusIcon, CPSI_ERROR);
    EXPECT_EQ(host.FieldString(F_INSTRUCTION), c.instruction);
    const auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), c.boxes);
    if (c.scenario == CPUS_CREDUI) {
      EXPECT_EQ(boxes[0].text, kNoServers);
      EXPECT_EQ(boxes[0].caption, "Varnok Password Reset");
      EXPECT_EQ(boxes[0].type, MB_ICONERROR);
      EXPECT_EQ(boxes[0].owner, host.Owner());
      // Cancelled stays cancelled; only deselection starts over.
      EXPECT_EQ(host.ShownFields(), std::vector<DWORD>{F_QUESTION});
      EXPECT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_FINISHED);
      EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Operation cancelled.");
      host.Tile()->SetDeselected();
      host.Tile()->SetSelected(nullptr);
      EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Enter your username to begin.");
    }
  }
}

TEST_F(ResetTileTest, LinksOutsideTheQuestionStepAndTheRulesText) {
  const std::string rules = "Eight characters at least.\n\xC3\x9C" "ber alles: no names.";
  const std::string motd = File("motd.txt", rules);
  const std::string tooLarge = File("large.txt", std::string(MOTD_FILE_LIMIT, 'x'));
  const std::string largest = File("largest.txt", std::string(MOTD_FILE_LIMIT - 1, 'y'));
  struct Case {
    std::string file;
    std::optional<std::string> shown;
  };
  for (const Case& c : {Case{motd, rules}, Case{largest, std::string(MOTD_FILE_LIMIT - 1, 'y')},
                        Case{tooLarge, std::nullopt}, Case{registry.Folder() + "/none.txt", std::nullopt}}) {
    SCOPED_TRACE(c.file);
    registry.Write("\"MOTDFile\"=\"" + c.file + "\"\r\n");
    CLogonScreenHost host;
    ASSERT_TRUE(host.Start(CPUS_LOGON));
    host.SelectTile(0);
    // No question, no session: the hint and skip links do nothing.
    EXPECT_EQ(host.Click(F_HINT), S_OK);
    EXPECT_EQ(host.Click(F_SKIP), S_OK);
    EXPECT_TRUE(host.TakeBoxes().empty());
    EXPECT_EQ(host.Click(F_USERNAME), E_INVALIDARG);
    EXPECT_EQ(host.Click(99), E_INVALIDARG);
    EXPECT_EQ(host.Click(F_RULES), S_OK);
    const auto boxes = host.TakeBoxes();
    ASSERT_EQ(boxes.size(), c.shown ? 1u : 0u);
    if (c.shown) {
      EXPECT_EQ(boxes[0].text, *c.shown);
      EXPECT_EQ(boxes[0].caption, "Password Rules");
      EXPECT_EQ(boxes[0].type, MB_ICONINFORMATION);
      EXPECT_EQ(boxes[0].owner, host.Owner());
    }
  }
}

TEST_F(ResetTileTest, WithoutEventsNoBoxHasAnOwner) {
  registry.Write("");
  CLogonScreenHost host;
  ASSERT_TRUE(host.Start(CPUS_CREDUI));
  ICredentialProviderCredential* tile = host.SelectTile(0);
  tile->UnAdvise();
  host.Type(F_USERNAME, u"alice");
  EXPECT_EQ(host.Submit().response, CPGSR_NO_CREDENTIAL_FINISHED);
  EXPECT_TRUE(host.TakeBoxes().empty());
  EXPECT_EQ(host.FieldString(F_INSTRUCTION), u"Operation cancelled.");
}

}  // namespace
