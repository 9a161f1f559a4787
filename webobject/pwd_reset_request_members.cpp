// The web reset object's members up to the questions: the connection, the
// lookup, and the indexed properties a page reads and fills.
#include <string>

#include "webobject/pwd_reset_request.h"
#include "webobject/web_record_client.h"

namespace {

std::u16string_view TextOf(BSTR text) { return std::u16string_view(text == nullptr ? u"" : text, SysStringLen(text)); }

// A new BSTR of `text`, or E_OUTOFMEMORY.
HRESULT NewBstr(std::u16string_view text, BSTR* value) {
  *value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *value == nullptr ? E_OUTOFMEMORY : S_OK;
}

}  // namespace

void CPwdResetRequest::ClearLoaded() {
  questions.RemoveAll();
  storedAnswers.RemoveAll();
  hints.RemoveAll();
  proposedAnswers.RemoveAll();
  loadedDomain.reset();
  loadedUser.reset();
}

HRESULT CPwdResetRequest::Connect(BSTR address) {
  const std::u16string name(TextOf(address));
  return ConnectToAnyServer(&name, 1) ? S_OK : E_FAIL;
}

HRESULT CPwdResetRequest::LoadQuestions(BSTR domain, BSTR userName) {
  ClearLoaded();
  if (!RecordFieldTextFits(TextOf(domain)) || !RecordFieldTextFits(TextOf(userName))) {
    lastError = TEXT_NOT_SENDABLE_TEXT;
    return E_FAIL;
  }
  std::u16string replyText;
  const int outcome = LookupUserOnServer(TextOf(domain), TextOf(userName), questions, storedAnswers, hints, replyText);
  if (outcome != LOOKUP_GRANTED) {
    ClearLoaded();
    lastError = outcome == LOOKUP_REFUSED ? replyText : NO_COMMUNICATION_TEXT;
    return E_FAIL;
  }
  proposedAnswers.SetSize(questions.GetSize());
  loadedDomain.emplace(TextOf(domain));
  loadedUser.emplace(TextOf(userName));
  return S_OK;
}

HRESULT CPwdResetRequest::Disconnect() {
  CloseServerSocket();
  return S_OK;
}

HRESULT CPwdResetRequest::get_LastError(BSTR* value) {
  if (value == nullptr) return E_POINTER;
  return NewBstr(lastError, value);
}

HRESULT CPwdResetRequest::GetEntry(const COwnStringArray& list, SHORT index, BSTR* value) {
  if (value == nullptr) return E_POINTER;
  *value = nullptr;
  if (index < 1 || static_cast<std::size_t>(index) > list.GetSize()) {
    lastError = INDEX_OUT_OF_BOUNDS_TEXT;
    return E_INVALIDARG;
  }
  return NewBstr(list.GetAt(static_cast<std::size_t>(index) - 1), value);
}

HRESULT CPwdResetRequest::get_Question(SHORT index, BSTR* value) { return GetEntry(questions, index, value); }

HRESULT CPwdResetRequest::get_Answer(SHORT index, BSTR* value) { return GetEntry(proposedAnswers, index, value); }

HRESULT CPwdResetRequest::get_Hint(SHORT index, BSTR* value) { return GetEntry(hints, index, value); }

HRESULT CPwdResetRequest::put_Answer(SHORT index, BSTR value) {
  if (index < 1 || static_cast<std::size_t>(index) > proposedAnswers.GetSize()) {
    lastError = INDEX_OUT_OF_BOUNDS_TEXT;
    return E_INVALIDARG;
  }
  proposedAnswers.SetAt(static_cast<std::size_t>(index) - 1, std::u16string(TextOf(value)));
  return S_OK;
}

HRESULT CPwdResetRequest::get_QuestionCount(SHORT* value) {
  if (value == nullptr) return E_POINTER;
  *value = static_cast<SHORT>(questions.GetSize());
  return S_OK;
}

HRESULT CPwdResetRequest::put_QuestionCount(SHORT value) {
  // A negative count is no size at all.
  if (value < 0) return E_INVALIDARG;
  if (questions.GetSize() > 0 && static_cast<std::size_t>(value) != questions.GetSize()) {
    lastError = COUNT_LOADED_TEXT;
    return E_INVALIDARG;
  }
  proposedAnswers.SetSize(static_cast<std::size_t>(value));
  return S_OK;
}
