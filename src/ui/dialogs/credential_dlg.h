#pragma once
// Asks the user for a user name and password when a server (401) or a proxy
// (407) wants them. Callable from any thread; false when the user declines.
#include <string>

#include "platform/http_client.h"

namespace upvane {

bool AskHttpCredentials(const std::string& url, long status, HttpCredentials& out);

}  // namespace upvane
