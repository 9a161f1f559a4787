// The message-box model: one sink per process.
#include "platform/windows/message_box.h"

#include <mutex>
#include <string_view>

#include "platform/base/text.h"
#include "platform/windows/desktop_state.h"

namespace {
struct CSink {
  std::mutex lock;
  MessageBoxSink sink;
};

CSink& Sink() { return DesktopState<CSink>(); }

int Show(MessageBoxRequest request) {
  if (request.owner == nullptr) return 0;
  MessageBoxSink sink;
  {
    CSink& state = Sink();
    std::lock_guard<std::mutex> hold(state.lock);
    sink = state.sink;
  }
  return sink ? sink(request) : IDOK;
}

std::string WideText(LPCWSTR text) {
  return text == nullptr ? std::string() : Utf16ToUtf8(std::u16string_view(text));
}
}  // namespace

void SetMessageBoxSink(MessageBoxSink sink) {
  CSink& state = Sink();
  std::lock_guard<std::mutex> hold(state.lock);
  state.sink = std::move(sink);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return Show({owner, text != nullptr ? text : "", caption != nullptr ? caption : "", type});
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return Show({owner, WideText(text), WideText(caption), type});
}
