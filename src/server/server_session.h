#pragma once
// The few values of the running session that the server client shares with
// the application: the cancel request the user interface sets, the
// acknowledgement the workers set, and the page that receives download
// progress. The application binds its own run-state fields once at start-up;
// until then the client uses values of its own (tests, the command line).
#include <atomic>
#include <string>

#include "platform/messages.h"

namespace upvane {

// Any pointer may be null to keep the client's own value.
void BindServerSession(std::atomic<int>* cancelRequest, std::atomic<int>* cancelled,
                       std::atomic<WindowId>* currentPage);

std::atomic<int>& CancelRequestFlag();       // m_nCancelRequest
std::atomic<int>& CancelledFlag();           // m_nCancelled
std::atomic<WindowId>& CurrentPageWindow();  // the page shown by the main window

// The download location of the two E3112 repair-image threads ("" = their
// built-in URL).
void SetDownloadLocation(const std::string& url);
std::string GetDownloadLocation();

}  // namespace upvane
