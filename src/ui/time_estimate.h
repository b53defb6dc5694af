#pragma once
// How many minutes an update or a repair will take, as two decimal texts.
#include <cstdint>
#include <string>

namespace upvane {

struct MinutesRange {
  std::string low;
  std::string high;
};

// `lastDurationMs` and `lastSize` describe the last measured download; when
// either is 0 the answer is "0" and "?".
MinutesRange EstimateMinutesFrom(int64_t size, bool repair, const std::string& modelId, uint32_t oemExFlg,
                                 uint32_t lastDurationMs, int64_t lastSize);

}  // namespace upvane
