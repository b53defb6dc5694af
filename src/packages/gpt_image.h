#pragma once
// The start of a storage unit's GPT as a package ships it in "gpt_main.bin":
// protective MBR, header, 128 partition entries.
#include <array>
#include <cstdint>
#include <string>

namespace upvane {

class GptImage {
 public:
  static constexpr size_t IMAGE_SIZE = 0x4400;
  static constexpr size_t SECTOR = 512;
  static constexpr size_t ENTRIES_AT = 1024;
  static constexpr size_t ENTRY_SIZE = 128;
  static constexpr size_t MAX_ENTRIES = 128;

  // 0 loaded; 1 no such package, member missing or short; 4 cannot be opened.
  int Load(const std::string& zipPath);
  // Takes the bytes of a GPT start (at most IMAGE_SIZE are kept).
  void LoadBuffer(const uint8_t* data, size_t size);
  bool PartitionStart(const std::string& label, uint64_t& offset) const;
  bool PartitionEnd(const std::string& label, uint64_t& offset) const;
  bool IsLoaded() const { return m_bLoaded; }

 private:
  bool FindEntry(const std::string& label, size_t& entryAt) const;
  std::array<uint8_t, IMAGE_SIZE> m_buffer{};
  size_t m_nBytes = 0;
  bool m_bLoaded = false;
};

}  // namespace upvane
