#include "scenario.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace upvane::sim {

bool ParseScenarioText(const std::string& text, Scenario& scenario, std::string& error) {
  const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) {
    error = "not a JSON object";
    return false;
  }
  scenario = Scenario();
  if (doc.contains("phones")) {
    if (!doc["phones"].is_array()) {
      error = "\"phones\" must be an array";
      return false;
    }
    for (const auto& entry : doc["phones"]) {
      PhoneConfig c;
      std::string e;
      if (!ParsePhoneConfig(entry, c, e)) {
        error = "phone " + std::to_string(scenario.phones.size() + 1) + ": " + e;
        return false;
      }
      scenario.phones.push_back(std::move(c));
    }
  }
  return true;
}

bool LoadScenario(const std::string& path, Scenario& scenario, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseScenarioText(text.str(), scenario, error);
}

}  // namespace upvane::sim
