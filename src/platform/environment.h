#pragma once
// Environment variables, read as plain text.
#include <string>

namespace upvane {

// The variable's value, or "" when it is unset.
std::string GetEnv(const char* name);

// $UPVANE_HOME, or "" when unset: one folder for store, temp folder and lock.
std::string UpvaneHome();

}  // namespace upvane
