#pragma once
// A window on its own dispatcher thread that records the messages it gets.
#include <functional>
#include <mutex>
#include <vector>

#include "platform/messages.h"

namespace upvane::test {

struct RecordedMessage {
  uint32_t msg;
  uintptr_t wParam;
  intptr_t lParam;
};

class RecordingWindow : public MessageReceiver {
 public:
  explicit RecordingWindow(std::function<void(const RecordedMessage&)> onMessage = {})
      : m_onMessage(std::move(onMessage)) {
    m_thread.Run([this] { id = RegisterWindow(this); });
  }
  ~RecordingWindow() override {
    m_thread.Run([this] { UnregisterWindow(id); });
  }
  intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override {
    const RecordedMessage m{msg, wParam, lParam};
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_messages.push_back(m);
    }
    if (m_onMessage) m_onMessage(m);
    return 1;
  }
  std::vector<RecordedMessage> Messages(uint32_t msg) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<RecordedMessage> out;
    for (const RecordedMessage& m : m_messages)
      if (m.msg == msg) out.push_back(m);
    return out;
  }
  WindowId id = 0;

 private:
  std::function<void(const RecordedMessage&)> m_onMessage;
  std::mutex m_mutex;
  std::vector<RecordedMessage> m_messages;
  DispatcherThread m_thread;
};

}  // namespace upvane::test
