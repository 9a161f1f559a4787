// The web reset object's dual interface IPwdResetRequest, in its slot order
// after IDispatch's, and the identities of the interface, its class and its
// type library KESTRINELib. Its members as a script sees them are the table
// of pwd_reset_request_table.cpp.
#pragma once

#include "platform/com/oleauto.h"

inline constexpr IID IID_IPwdResetRequest{
    0x0944F4DE, 0x52A0, 0x460F, {0x85, 0x4E, 0xE2, 0x0E, 0x19, 0x3E, 0x51, 0x92}};
inline constexpr CLSID CLSID_PwdResetRequest{
    0x8A0617E7, 0xBEDF, 0x4A22, {0x98, 0xD2, 0x40, 0xEB, 0x55, 0xF4, 0x80, 0xFC}};
inline constexpr GUID LIBID_KESTRINELib{
    0xC092D961, 0xB0C8, 0x4AD5, {0xA8, 0xA4, 0x35, 0x78, 0x84, 0xAB, 0x66, 0x39}};

// DISPIDs; 3 is not used.
enum PwdResetRequestDispid : DISPID {
  DISPID_CONNECT = 1,
  DISPID_LOAD_QUESTIONS = 2,
  DISPID_DISCONNECT = 4,
  DISPID_LAST_ERROR = 5,
  DISPID_QUESTION = 6,
  DISPID_ANSWER = 7,
  DISPID_QUESTION_COUNT = 8,
  DISPID_HINT = 9,
  DISPID_UNLOCK_ACCOUNT = 10,
  DISPID_RESET_PASSWORD = 11,
};

class IPwdResetRequest : public IDispatch {
 public:
  virtual HRESULT Connect(BSTR address) = 0;
  virtual HRESULT LoadQuestions(BSTR domain, BSTR userName) = 0;
  virtual HRESULT Disconnect() = 0;
  virtual HRESULT get_LastError(BSTR* value) = 0;
  virtual HRESULT get_Question(SHORT index, BSTR* value) = 0;
  virtual HRESULT get_Answer(SHORT index, BSTR* value) = 0;
  virtual HRESULT put_Answer(SHORT index, BSTR value) = 0;
  virtual HRESULT get_QuestionCount(SHORT* value) = 0;
  virtual HRESULT put_QuestionCount(SHORT value) = 0;
  virtual HRESULT get_Hint(SHORT index, BSTR* value) = 0;
  virtual HRESULT UnlockAccount(BSTR domain, BSTR userName, LONG* status) = 0;
  virtual HRESULT ResetPassword(BSTR domain, BSTR userName, BSTR password, LONG* status) = 0;

 protected:
  ~IPwdResetRequest() = default;
};
