#include "ui/time_estimate.h"

#include <string>

#include "store/qx_regstry.h"
#include "store/string_resources.h"

namespace upvane {

namespace {

double FixedPartMs(int64_t size, bool repair, const std::string& model, uint32_t flags) {
  const double s = static_cast<double>(size);
  if (repair) {
    if (model == "S3106") return 174000;
    if (model == "E3105") return 493000;
    return 540000;
  }
  if (model == "S3106") return 743000;
  if (model == "E3105")
    return static_cast<double>(static_cast<int64_t>((flags & 1)
                                                        ? s * 0.0014866204162537 + 81.0782953419227
                                                        : s * 0.0024929475824969 + 88.36836580725578));
  return 600000;
}

}  // namespace

MinutesRange EstimateMinutesFrom(int64_t size, bool repair, const std::string& modelId, uint32_t oemExFlg,
                                 uint32_t lastDurationMs, int64_t lastSize) {
  if (lastDurationMs == 0 || lastSize <= 0) return {"0", "?"};
  const double base = FixedPartMs(size, repair, modelId, oemExFlg);
  const double t =
      static_cast<double>(lastDurationMs) * static_cast<double>(size) / static_cast<double>(lastSize) + base;
  int64_t low = static_cast<int64_t>((t - 0.2 * t) / 60000.0);
  if (low == 0) low = 1;
  const bool tooLong = low > 1440;
  const int64_t high = static_cast<int64_t>((t + 0.2 * t) / 60000.0);
  MinutesRange r;
  r.low = tooLong ? "999" : std::to_string(low);
  if (tooLong)
    r.high = "999";
  else
    r.high = std::to_string(high > low ? high : low + 1);
  return r;
}

MinutesRange EstimateMinutes(int64_t size, bool repair, const D_PHONE_INFO& phone) {
  CQxRegstry reg;
  const uint32_t lastMs = reg.GetResDword(IDS_DOWNLOAD_TIME);
  const int64_t lastSize = reg.GetResInt64(IDS_DOWNLOAD_SIZE);
  return EstimateMinutesFrom(size, repair, phone.ModelID, phone.OemExFlg, lastMs, lastSize);
}

}  // namespace upvane
