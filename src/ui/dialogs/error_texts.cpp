#include "ui/dialogs/error_texts.h"

#include "platform/format.h"
#include "services/model_catalogue.h"

namespace upvane {

std::string FormatNeededSize(int64_t neededMB) {
  const double bytes = static_cast<double>(neededMB) * 1048576.0;
  const struct {
    double divisor;
    const char* unit;
  } units[] = {{1073741824.0, "GB"}, {1048576.0, "MB"}, {1024.0, "KB"}};
  for (const auto& u : units)
    if (u.divisor <= bytes) return Format("%.1f%s", bytes / u.divisor, u.unit);
  return "1.0KB";
}

int BatteryThreshold(const std::string& modelId) {
  for (const char* m : {"S3106", "E3108", "E3109", "E3110", "C3111", "E3113"})
    if (modelId == m) return 20;
  return 30;
}

ErrorTexts GetErrorTexts(int kind, const ErrorContext& c) {
  const char* name = c.modelName.c_str();
  switch (kind) {
    case 2:
      return {
          "Not Enough Space\nto Install Tool",
          Format(
              "Sorry. there's not enough space available on your computer to install the Calvera Updara. "
              "(%4.1fMB is needed.)\n\nDisconnect your mobile device. Then,delete unneeded files from your "
              "computer to make room. When you're ready, reconnect your mobile device and select \"System "
              "Update\" as the USB mode to try again.",
              100.2)};
    case 3:
      return {
          "Internet Connection\nRequired",
          "Calvera Updara requires an internet connection to get software updates for your device. Please "
          "check your internet connection."};
    case 4:
      return {"Something Went\nWrong",
              "Sorry, we weren't able to load the Software Up Vane to your computer.\nPlease disconnect your "
              "mobile "
              "device. Then connect it again and select \"System Update\" as the USB mode to try again."};
    case 5:
      return {"Device\nDisconnected",
              "Please make sure your device is turned on. Then make sure both ends of your USB are securely "
              "connected to your device and to your computer."};
    case 6:
      return {
          "Repair\nUnsuccessful",
          Format(
              "Sorry, our first attempt to repair your %s failed. You can try again. We've already backed up "
              "your photos, videos and other content. We'll just need to download the repair file "
              "again.\n\nThe repair process will take up to %s-%s minutes. During this time, you won't be "
              "able to use your %s.\n\nYour %s may turn off and on during the repair process. Don't "
              "disconnect your %s from this computer untill we tell you the repair is complete.\n\nDo you "
              "want to try to repair again?",
              name, c.minutesMin.c_str(), c.minutesMax.c_str(), name, name, name)};
    case 7:
      return {
          "Repair\nUnsuccessful",
          Format(
              "Sorry, we weren't able to repair your %s. Please contact Customer Service at\n800.555.0199.",
              name)};
    case 8:
      return {
          "Not Enough Space to Download\nSoftware Package",
          Format(
              "Sorry, there's not enough space available on your computer to save software package.(%s is "
              "needed.)\n\nDisconnect your mobile device. Then, delete unneeded files from your computer to "
              "make room. When you're ready, reconnect your mobile device and select \"System Update\" as "
              "the USB mode and try again.",
              FormatNeededSize(c.neededSpaceMB).c_str())};
    case 9:
      return {"No Battery", Format("Battery is under %d%%", BatteryThreshold(c.modelId))};
    case 10:
      return {"Not enough space", "Please erase some files in your phone and try again."};
    case 11:
      return {"Encrypted",
              "Cannot process, since your phone is encrypted.\nPlease decrypt it and try again."};
    default:
      return {"Program Error", ""};
  }
}

}  // namespace upvane
