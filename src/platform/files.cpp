#include "platform/files.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <filesystem>

#include "platform/environment.h"

namespace upvane {

namespace {

std::string WithSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

}  // namespace

bool MakeFolders(const std::string& path, unsigned mode) {
  if (path.empty()) return false;
  std::string partial;
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find('/', pos);
    if (next == std::string::npos) next = path.size();
    partial = path.substr(0, next);
    pos = next + 1;
    if (partial.empty()) continue;
    if (::mkdir(partial.c_str(), mode) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string GetTempFolder() {
  std::string base;
  const std::string home = UpvaneHome();
  if (!home.empty()) {
    base = WithSlash(home) + "tmp";
  } else {
    std::string cache = GetEnv("XDG_CACHE_HOME");
    if (cache.empty()) {
      const std::string user = GetEnv("HOME");
      if (user.empty()) return {};
      cache = WithSlash(user) + ".cache";
    }
    base = WithSlash(cache) + "upvane/tmp";
  }
  if (!MakeFolders(base, 0700)) return {};
  // The folder is private to this user even if an older copy was not.
  ::chmod(base.c_str(), 0700);
  return WithSlash(base);
}

std::string GetExecutablePath() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string GetExecutableFolder() {
  const std::string exe = GetExecutablePath();
  const size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return "./";
  return exe.substr(0, slash + 1);
}

std::string GetToolFolder() {
  const std::string overridden = GetEnv("UPVANE_TOOL_DIR");
  if (!overridden.empty()) return WithSlash(overridden);
  const std::string program = GetExecutableFolder();
  const std::string beside = program + "tool/";
  const std::string installed = program + "../lib/upvane/tool/";
  std::error_code ec;
  if (std::filesystem::is_directory(beside, ec)) return beside;
  if (std::filesystem::is_directory(installed, ec)) return installed;
  return beside;
}

std::string FindOnPath(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return {};
  const std::string path = GetEnv("PATH");
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t next = path.find(':', pos);
    if (next == std::string::npos) next = path.size();
    std::string dir = path.substr(pos, next - pos);
    pos = next + 1;
    if (dir.empty()) dir = ".";
    std::string candidate = WithSlash(dir);
    candidate += name;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return {};
}

std::string FindToolPath(const std::string& name) {
  const std::string bundled = GetToolFolder() + name;
  if (IsExecutableFile(bundled)) return bundled;
  if (name == "adb" || name == "fastboot") {
    const std::string onPath = FindOnPath(name);
    if (!onPath.empty()) return onPath;
  }
  return bundled;
}

bool GetFreeBytes(const std::string& path, uint64_t& freeBytes) {
  struct statvfs st {};
  if (::statvfs(path.c_str(), &st) != 0) return false;
  freeBytes = static_cast<uint64_t>(st.f_bfree) * static_cast<uint64_t>(st.f_frsize);
  return true;
}

bool GetFileSize(const std::string& path, uint64_t& size) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         ::access(path.c_str(), X_OK) == 0;
}

bool DeleteFileIfExists(const std::string& path) {
  if (path.empty()) return false;
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace upvane
