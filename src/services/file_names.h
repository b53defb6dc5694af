#pragma once
// Temporary file names, derived file names and time stamps.
#include <string>

namespace upvane {

struct SplitPathParts {
  std::string drive;      // always empty here (no drive letters)
  std::string directory;  // keeps its trailing '/'
  std::string name;       // file name without extension
  std::string extension;  // keeps its leading '.'
};
SplitPathParts SplitPath(const std::string& path);

// "<temp>QxTemp_%03d.$$$" with a number drawn from a generator seeded by the
// current second (two calls in one second give the same name).
std::string MakeTempFileName();
// The name for a given draw; exposed for tests.
std::string MakeTempFileNameFor(unsigned draw);
// "%s_%s.bin", at most 259 characters.
std::string MakePackageFileName(const std::string& first, const std::string& second);
// dir/boot.img -> dir/boot-verified.img
std::string MakeVerifiedName(const std::string& path);
// The directory of `path` followed by `name`.
std::string ReplaceFileName(const std::string& path, const std::string& name);
// The file name of `path` without directory and extension.
std::string GetFileTitle(const std::string& path);
// Joins a folder and a name with exactly one '/'.
std::string JoinPath(const std::string& folder, const std::string& name);

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalTime GetLocalTime();
// "%04d/%02d/%02d %02d:%02d:%02d"
std::string FormatLocalTimeStamp(const LocalTime& t);

}  // namespace upvane
