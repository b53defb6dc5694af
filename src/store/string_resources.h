#pragma once
// The program's string resources that name stored values: each text is a key
// path and a value name separated by a colon.
#include <cstdint>
#include <string>

namespace upvane {

constexpr uint32_t IDS_DOWNLOAD_TIME = 300;  // duration of the last package download, ms
constexpr uint32_t IDS_DOWNLOAD_SIZE = 301;  // size of the package being or last downloaded

// The resource text, or "" for an unknown id.
std::string LoadResString(uint32_t id);

}  // namespace upvane
