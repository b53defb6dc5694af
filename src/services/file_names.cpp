#include "services/file_names.h"

#include <ctime>
#include <random>

#include "platform/files.h"
#include "platform/format.h"

namespace upvane {

SplitPathParts SplitPath(const std::string& path) {
  SplitPathParts parts;
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  parts.directory = path.substr(0, nameStart);
  const std::string file = path.substr(nameStart);
  const size_t dot = file.rfind('.');
  if (dot == std::string::npos) {
    parts.name = file;
  } else {
    parts.name = file.substr(0, dot);
    parts.extension = file.substr(dot);
  }
  return parts;
}

std::string MakeTempFileNameFor(unsigned draw) {
  std::string folder = GetTempFolder();
  if (folder.empty()) folder = GetExecutableFolder();
  return Format("%sQxTemp_%03u.$$$", folder.c_str(), draw % 1000);
}

std::string MakeTempFileName() {
  std::minstd_rand generator(static_cast<unsigned>(std::time(nullptr)));
  return MakeTempFileNameFor(static_cast<unsigned>(generator()));
}

std::string MakePackageFileName(const std::string& first, const std::string& second) {
  std::string name = first + "_" + second + ".bin";
  if (name.size() > 259) name.resize(259);
  return name;
}

std::string MakeVerifiedName(const std::string& path) {
  const SplitPathParts p = SplitPath(path);
  return p.drive + p.directory + p.name + "-verified" + p.extension;
}

std::string ReplaceFileName(const std::string& path, const std::string& name) {
  const SplitPathParts p = SplitPath(path);
  return p.drive + p.directory + name;
}

std::string GetFileTitle(const std::string& path) { return SplitPath(path).name; }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

LocalTime GetLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string FormatLocalTimeStamp(const LocalTime& t) {
  return Format("%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

}  // namespace upvane
