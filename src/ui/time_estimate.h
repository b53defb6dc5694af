#pragma once
// How many minutes an update or a repair will take, as two decimal texts.
#include <cstdint>
#include <string>

#include "services/phone_info.h"

namespace upvane {

struct MinutesRange {
  std::string low;
  std::string high;
};

// `lastDurationMs` and `lastSize` describe the last measured download; when
// either is 0 the answer is "0" and "?".
MinutesRange EstimateMinutesFrom(int64_t size, bool repair, const std::string& modelId, uint32_t oemExFlg,
                                 uint32_t lastDurationMs, int64_t lastSize);

// The same from the last download's stored duration and size.
MinutesRange EstimateMinutes(int64_t size, bool repair, const D_PHONE_INFO& phone);

}  // namespace upvane
