#pragma once
// The developers' debug channel: text goes to stderr when UPVANE_DEBUG=1.
#include <string>

namespace upvane {

bool DebugOutputEnabled();
void OutputDebugText(const std::string& text);
void OutputDebugFormat(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace upvane
