#include "support/test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace upvane::test {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/upvane-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

void WriteFile(const std::string& path, const std::string& content, bool executable) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
  }
  ::chmod(path.c_str(), executable ? 0755 : 0644);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : m_name(name) {
  if (const char* old = std::getenv(name)) {
    m_old = old;
    m_hadOld = true;
  }
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (m_hadOld)
    ::setenv(m_name.c_str(), m_old.c_str(), 1);
  else
    ::unsetenv(m_name.c_str());
}

}  // namespace upvane::test
