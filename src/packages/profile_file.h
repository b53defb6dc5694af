#pragma once
// Reader for the profile (INI) text files of the packages, with the lookup
// rules of the Windows profile calls the packages were made for: section and
// key names compared without regard to case, white space around names and
// values trimmed, one pair of surrounding quotes removed from a value, the
// first of duplicate sections and keys wins.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace upvane {

class ProfileFile {
 public:
  // Reads the file; a missing or unreadable file is an empty profile (false).
  bool Load(const std::string& path);
  void LoadText(const std::string& text);

  // The value of `key` in `section`, else `fallback`, in both cases cut to
  // bufferSize - 1 characters as a fixed buffer of that size would hold.
  std::string GetString(const std::string& section, const std::string& key, const std::string& fallback,
                        size_t bufferSize) const;
  // The value read as an integer: optional sign, "0x" (hexadecimal), "0o"
  // (octal) or "0b" (binary) prefix, digits up to the first that is not one;
  // `fallback` when the key is missing.
  uint32_t GetInt(const std::string& section, const std::string& key, uint32_t fallback) const;

  // Every section header in file order, a repeated name as often as it
  // appears (as the platform's section listing does).
  std::vector<std::string> SectionNames() const;
  bool HasKey(const std::string& section, const std::string& key) const;

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };
  const Entry* FindEntry(const std::string& section, const std::string& key) const;
  std::vector<Section> m_sections;
};

// Integer reading of a profile value (the rules of ProfileFile::GetInt).
uint32_t ParseProfileInt(const std::string& text);
// Hexadecimal reading: optional "0x", digits up to the first that is not one,
// empty gives 0.
uint32_t ParseHexWord(const std::string& text);

}  // namespace upvane
