#include "server/server_session.h"

#include <mutex>

namespace upvane {

namespace {

std::atomic<int> g_ownCancelRequest{0};
std::atomic<int> g_ownCancelled{0};
std::atomic<WindowId> g_ownPage{0};
std::atomic<std::atomic<int>*> g_cancelRequest{&g_ownCancelRequest};
std::atomic<std::atomic<int>*> g_cancelled{&g_ownCancelled};
std::atomic<std::atomic<WindowId>*> g_page{&g_ownPage};

std::mutex g_locationMutex;
std::string g_location;

}  // namespace

void BindServerSession(std::atomic<int>* cancelRequest, std::atomic<int>* cancelled,
                       std::atomic<WindowId>* currentPage) {
  g_cancelRequest.store(cancelRequest ? cancelRequest : &g_ownCancelRequest);
  g_cancelled.store(cancelled ? cancelled : &g_ownCancelled);
  g_page.store(currentPage ? currentPage : &g_ownPage);
}

std::atomic<int>& CancelRequestFlag() { return *g_cancelRequest.load(); }
std::atomic<int>& CancelledFlag() { return *g_cancelled.load(); }
std::atomic<WindowId>& CurrentPageWindow() { return *g_page.load(); }

void SetDownloadLocation(const std::string& url) {
  std::lock_guard<std::mutex> lock(g_locationMutex);
  g_location = url;
}

std::string GetDownloadLocation() {
  std::lock_guard<std::mutex> lock(g_locationMutex);
  return g_location;
}

}  // namespace upvane
