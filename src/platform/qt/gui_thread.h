#pragma once
// The GUI thread's side of the window messages: Qt's event loop dispatches
// the message queue, PumpWait on the GUI thread runs Qt's events, and
// workers can run a function (a dialog) on the GUI thread and get its answer.
#include <functional>

namespace upvane {

// Call once on the GUI thread after the QApplication exists.
void InstallGuiThreadLoop();
void RemoveGuiThreadLoop();

// Runs `fn` on the GUI thread and returns its result; on the GUI thread
// itself it is a direct call. Used by workers to show a prompt.
int RunOnGuiThread(const std::function<int()>& fn);

}  // namespace upvane
