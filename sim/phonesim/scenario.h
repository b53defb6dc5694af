#pragma once
// A scenario file: one JSON object describing a whole simulated world.
// Now it holds "phones"; later parts add servers and packages beside it.
#include <string>
#include <vector>

#include "phone_config.h"

namespace upvane::sim {

struct Scenario {
  std::vector<PhoneConfig> phones;
};

bool LoadScenario(const std::string& path, Scenario& scenario, std::string& error);
bool ParseScenarioText(const std::string& text, Scenario& scenario, std::string& error);

}  // namespace upvane::sim
