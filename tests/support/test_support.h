#pragma once
// Small fixtures shared by the tests: private folders, scripts, environment.
#include <string>

namespace upvane::test {

// A fresh folder under $TMPDIR (or /tmp), removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// Writes `content` to `path`; with `executable`, mode 0755.
void WriteFile(const std::string& path, const std::string& content, bool executable = false);
std::string ReadFile(const std::string& path);

// Sets an environment variable for the scope, restoring the old value.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::string m_old;
  bool m_hadOld = false;
};

}  // namespace upvane::test
