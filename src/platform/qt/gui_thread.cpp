#include "platform/qt/gui_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <atomic>

#include "platform/messages.h"

namespace upvane {

namespace {

class QtLoopHook : public LoopHook {
 public:
  explicit QtLoopHook(QObject* target) : m_target(target) {}
  bool ProcessPendingEvents() override {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return false;
  }
  void WakeUp() override {
    // Coalesce wake-ups: one queued call drains everything queued so far.
    if (m_pending.exchange(true)) return;
    QMetaObject::invokeMethod(
        m_target,
        [this] {
          m_pending.store(false);
          DispatchPendingMessages();
        },
        Qt::QueuedConnection);
  }

 private:
  QObject* m_target;
  std::atomic<bool> m_pending{false};
};

// A window on the GUI thread that runs the functions workers hand it.
class GuiCallWindow : public MessageReceiver {
 public:
  intptr_t OnMessage(uint32_t, uintptr_t, intptr_t lParam) override {
    const auto* fn = reinterpret_cast<const std::function<int()>*>(lParam);
    return fn ? (*fn)() : 0;
  }
};

QObject* g_target = nullptr;
QtLoopHook* g_hook = nullptr;
GuiCallWindow g_callWindow;
std::atomic<WindowId> g_callWindowId{0};

}  // namespace

void InstallGuiThreadLoop() {
  if (g_hook) return;
  g_target = new QObject();
  g_hook = new QtLoopHook(g_target);
  SetThreadLoopHook(g_hook);
  g_callWindowId = RegisterWindow(&g_callWindow);
}

void RemoveGuiThreadLoop() {
  if (!g_hook) return;
  UnregisterWindow(g_callWindowId.exchange(0));
  SetThreadLoopHook(nullptr);
  DispatchPendingMessages();
  delete g_hook;
  g_hook = nullptr;
  delete g_target;
  g_target = nullptr;
}

int RunOnGuiThread(const std::function<int()>& fn) {
  const WindowId id = g_callWindowId.load();
  if (id == 0) return fn();  // no GUI: run where we are
  return static_cast<int>(SendMessage(id, WM_USER, 0, reinterpret_cast<intptr_t>(&fn)));
}

}  // namespace upvane
