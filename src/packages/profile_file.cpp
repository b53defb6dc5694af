#include "packages/profile_file.h"

#include <fstream>
#include <sstream>

#include "services/text_helpers.h"

namespace upvane {

namespace {

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

}  // namespace

bool ProfileFile::Load(const std::string& path) {
  m_sections.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  LoadText(text.str());
  return true;
}

void ProfileFile::LoadText(const std::string& text) {
  m_sections.clear();
  Section* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = TrimSpace(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      const std::string name =
          TrimSpace(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      m_sections.push_back(Section{name, {}});
      current = &m_sections.back();
      continue;
    }
    if (!current) continue;  // lines before the first section belong to none
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    current->entries.push_back(
        Entry{TrimSpace(line.substr(0, equals)), Unquote(TrimSpace(line.substr(equals + 1)))});
  }
}

const ProfileFile::Entry* ProfileFile::FindEntry(const std::string& section, const std::string& key) const {
  const std::string wantedSection = TrimSpace(section);
  const std::string wantedKey = TrimSpace(key);
  for (const Section& s : m_sections) {
    if (!EqualsNoCase(s.name, wantedSection)) continue;
    for (const Entry& e : s.entries)
      if (EqualsNoCase(e.key, wantedKey)) return &e;
    return nullptr;  // only the first section of a name counts
  }
  return nullptr;
}

std::string ProfileFile::GetString(const std::string& section, const std::string& key,
                                   const std::string& fallback, size_t bufferSize) const {
  if (bufferSize == 0) return {};
  const Entry* entry = FindEntry(section, key);
  std::string value = entry ? entry->value : fallback;
  if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
  return value;
}

uint32_t ProfileFile::GetInt(const std::string& section, const std::string& key, uint32_t fallback) const {
  const Entry* entry = FindEntry(section, key);
  if (!entry) return fallback;
  return ParseProfileInt(entry->value);
}

bool ProfileFile::HasKey(const std::string& section, const std::string& key) const {
  return FindEntry(section, key) != nullptr;
}

std::vector<std::string> ProfileFile::SectionNames() const {
  std::vector<std::string> names;
  for (const Section& s : m_sections) names.push_back(s.name);
  return names;
}

uint32_t ParseProfileInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i + 1 < text.size() && text[i] == '0') {
    const char p = text[i + 1];
    if (p == 'x' || p == 'X') base = 16;
    if (p == 'o' || p == 'O') base = 8;
    if (p == 'b' || p == 'B') base = 2;
    if (base != 10) i += 2;
  }
  uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit >= static_cast<int>(base)) break;
    value = value * base + static_cast<uint32_t>(digit);  // wraps like a 32-bit register
  }
  return negative ? 0u - value : value;
}

uint32_t ParseHexWord(const std::string& text) {
  size_t i = 0;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) i = 2;
  uint32_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit >= 16) break;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

}  // namespace upvane
