#include "store/string_resources.h"

namespace upvane {

namespace {

struct StringResource {
  uint32_t id;
  const char* text;
};

constexpr StringResource kStringResources[] = {
    {IDS_DOWNLOAD_TIME, "Software\\Brennix\\SoftwareUpvane:DownLoadTime"},
    {IDS_DOWNLOAD_SIZE, "Software\\Brennix\\SoftwareUpvane:DownLoadSize"},
};

}  // namespace

std::string LoadResString(uint32_t id) {
  for (const StringResource& resource : kStringResources) {
    if (resource.id == id) return resource.text;
  }
  return {};
}

}  // namespace upvane
