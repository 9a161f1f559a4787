// The logon screen's side for the tests: Tessaline loaded as the logon
// screen loads it, its class factory and provider, the tiles with an events
// object that records what they send, the user's acts (select, type,
// Submit, links) and what would be shown: field strings and states, the
// status text and icon, message boxes with their owner, and the rules
// window.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "credprov/tests/plain_events.h"
#include "platform/credentialprovider/credentialprovider.h"
#include "platform/windows/message_box.h"
#include "platform/windows/window.h"

// The library's two exports.
struct CTessalineExports {
  HRESULT (*getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT (*canUnloadNow)() = nullptr;
};

// The library loaded for the life of the object (dlopen as COM loads it).
class CTessalineLibrary {
 public:
  CTessalineLibrary();
  ~CTessalineLibrary();
  CTessalineLibrary(const CTessalineLibrary&) = delete;
  CTessalineLibrary& operator=(const CTessalineLibrary&) = delete;

  bool Loaded() const { return handle != nullptr; }
  const CTessalineExports& Exports() const { return exports; }
  // The library's instance handle (where it was loaded).
  HINSTANCE Instance() const;

 private:
  void* handle = nullptr;
  CTessalineExports exports;
};

// What a tile told the logon screen through its events.
class CRecordingEvents final : public ICredentialProviderCredentialEvents {
 public:
  explicit CRecordingEvents(HWND owner) : owner(owner) {}

  HRESULT QueryInterface(REFIID riid, void** object) override;
  ULONG AddRef() override { return ++references; }
  ULONG Release() override { return --references; }
  HRESULT SetFieldState(ICredentialProviderCredential*, DWORD fieldId, CREDENTIAL_PROVIDER_FIELD_STATE state) override;
  HRESULT SetFieldInteractiveState(ICredentialProviderCredential*, DWORD fieldId,
                                   CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE state) override;
  HRESULT SetFieldString(ICredentialProviderCredential*, DWORD fieldId, LPCWSTR text) override;
  HRESULT SetFieldCheckbox(ICredentialProviderCredential*, DWORD, BOOL, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT SetFieldBitmap(ICredentialProviderCredential*, DWORD, HBITMAP) override { return E_NOTIMPL; }
  HRESULT SetFieldComboBoxSelectedItem(ICredentialProviderCredential*, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT DeleteFieldComboBoxItem(ICredentialProviderCredential*, DWORD, DWORD) override { return E_NOTIMPL; }
  HRESULT AppendFieldComboBoxItem(ICredentialProviderCredential*, DWORD, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT SetFieldSubmitButton(ICredentialProviderCredential*, DWORD fieldId, DWORD adjacentTo) override;
  HRESULT OnCreatingWindow(HWND* window) override;

  std::atomic<ULONG> references{1};
  HWND owner;
  std::map<DWORD, std::u16string> strings;
  std::map<DWORD, CREDENTIAL_PROVIDER_FIELD_STATE> states;
  std::map<DWORD, CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE> interactive;
  std::optional<DWORD> submitBeside;
};

// What one Submit gave.
struct SubmitResult {
  HRESULT result = E_FAIL;
  CREDENTIAL_PROVIDER_GET_SERIALIZATION_RESPONSE response = CPGSR_RETURN_CREDENTIAL_FINISHED;
  std::optional<std::u16string> statusText;
  CREDENTIAL_PROVIDER_STATUS_ICON statusIcon = CPSI_NONE;
};

// The logon screen: one provider of the library for a scenario, its tiles
// advised with recording events (behind a plain table of functions, as a
// host not written in C++ hands them in), message boxes answered OK and
// recorded.
class CLogonScreenHost {
 public:
  CLogonScreenHost();
  ~CLogonScreenHost();
  CLogonScreenHost(const CLogonScreenHost&) = delete;
  CLogonScreenHost& operator=(const CLogonScreenHost&) = delete;

  // The provider made through the factory; false (with a test failure)
  // when that did not work.
  bool Start(CREDENTIAL_PROVIDER_USAGE_SCENARIO scenario);
  ICredentialProvider* Provider() const { return provider; }
  // Tile 0 resets, tile 1 unlocks. Advised and selected.
  ICredentialProviderCredential* SelectTile(DWORD index);
  ICredentialProviderCredential* Tile() const { return tile; }
  CRecordingEvents& Events() { return events; }

  // The user's acts on the selected tile.
  void Type(DWORD fieldId, const std::u16string& text);
  SubmitResult Submit();
  HRESULT Click(DWORD fieldId);

  // What the tile shows.
  std::u16string FieldString(DWORD fieldId) const;
  CREDENTIAL_PROVIDER_FIELD_STATE FieldState(DWORD fieldId) const;
  CREDENTIAL_PROVIDER_FIELD_INTERACTIVE_STATE FieldInteractive(DWORD fieldId) const;
  std::vector<DWORD> ShownFields() const;
  // The message boxes shown so far (and forgets them).
  std::vector<MessageBoxRequest> TakeBoxes();
  // The rules window, when one is open.
  std::optional<WindowDescription> RulesWindow() const;
  HWND Owner() const { return owner; }
  const CTessalineLibrary& Library() const { return library; }

 private:
  CTessalineLibrary library;
  HWND owner = nullptr;
  CRecordingEvents events;
  CPlainEvents plainEvents = MakePlainEvents(events);
  IClassFactory* factory = nullptr;
  ICredentialProvider* provider = nullptr;
  ICredentialProviderCredential* tile = nullptr;
  std::vector<MessageBoxRequest> boxes;
};

// The provider's class.
inline constexpr CLSID CLSID_TessalineProvider{
    0x63B354F8, 0x8177, 0x4049, {0xA5, 0xB8, 0xF6, 0xF5, 0x1B, 0x2B, 0x71, 0x1E}};

// The field ids as the tests name them.
enum TileField : DWORD {
  F_IMAGE = 0, F_FUNCTION, F_BANNER, F_INSTRUCTION, F_USERNAME, F_QUESTION, F_ANSWER, F_HINT, F_SKIP,
  F_NEW_PASSWORD, F_CONFIRM, F_RULES, F_SUBMIT,
};
