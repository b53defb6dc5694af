#pragma once
// The title and message of each error kind.
#include <cstdint>
#include <string>

namespace upvane {

struct ErrorTexts {
  std::string title;
  std::string message;
};

struct ErrorContext {
  std::string modelName;   // marketing name of the session's phone
  std::string modelId;     // its model code (battery threshold)
  std::string minutesMin;  // the time estimate of a repair
  std::string minutesMax;
  int64_t neededSpaceMB = 0;
};

ErrorTexts GetErrorTexts(int kind, const ErrorContext& context);
// "%.1f<unit>" of a need in mebibytes, "1.0KB" when nothing fits.
std::string FormatNeededSize(int64_t neededMB);
int BatteryThreshold(const std::string& modelId);

}  // namespace upvane
