#include "packages/ms_info.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "packages/binary_file.h"
#include "platform/crc32.h"
#include "services/model_catalogue.h"
#include "services/text_helpers.h"

namespace upvane {

namespace {

const char* const kEntryNames[CMsInfo::ENTRY_NAME_COUNT] = {
    "AMSS_BOOT",  "AMSS_AMSS", "AMSS_DSP", "AMSS_EFS",         "LINUX_BOOT", "SYSTEM", "CACHE",   "FOTA",
    "USERDATA",   "PLTABLE",   "DELTA",    "QXJPROF",          "AMSS",       "ADSP",   "EFS",     "PERSIST",
    "SYSTEMPROP", "CARRIER",   "WORK",     "INTERNAL_STORAGE", "FOTABK",     "LOG",    "SYSPROP", "INTERNAL",
    "OTHERS"};

const char* const kBrewEntryNames[CMsInfo_Brew::ENTRY_NAME_COUNT] = {
    "AMSS_BOOT",  "AMSS",      "DIRECT",       "PLTABLE",   "RESOURCE",    "EFS",         "EFS_ASR",
    "EFS_ILST",   "EFS_SND",   "EFS_PRESET",   "EFS_BREW",  "ISO_CDROM",   "FOTA_UA",     "",
    "system.img", "delta.img", "userdata.img", "cache.img", "persist.img", "security.img"};

const char* const kBrewPartitionKinds[CMsInfo_Brew::PARTITION_KIND_COUNT] = {
    "MIBIB", "OSBL", "CALBACKUP",   "BACKUP", "FUA",     "AMSS",       "RESOURCE",
    "FTL",   "FOTA", "FOTA_BACKUP", "DIRECT", "PLTABLE", "ERR_BACKUP", "EFS"};

constexpr size_t ROW_SIZE = 36;

// Where the tables of one version lie in the block.
struct Layout {
  size_t rowsAt, rowCount, entriesAt, entrySize, tailBytesAt, tailWordsAt, tailWordCount, endMarkAt;
};

bool LayoutOf(uint32_t version, bool featurePhone, Layout& layout) {
  switch (version) {
    case 1:
      layout = {128, 16, 704, 24, 1088, 1104, 4, 1120};
      return true;
    case 2:
      layout = {152, 16, 728, 24, 1112, 1128, 4, 1144};
      return true;
    case 3:
      layout = {152, 16, 728, 24, 1112, 1128, 12, 1176};
      return true;
    case 4:
      layout = {152, 32, 1304, 24, 1688, 1704, 12, 1752};
      return true;
    case 5:
      layout = {152, 64, 2456, 32, 2968, 2984, 12, 3032};
      return true;
    case 6:
      if (!featurePhone) return false;
      layout = {152, 64, 2456, 32, 2968, 2984, 12, 3032};
      return true;
    case 7:
      if (featurePhone) return false;
      layout = {152, 256, 9368, 56, 10264, 10280, 12, 10328};
      return true;
    default:
      return false;
  }
}

// Reads the head of the stream into a zeroed buffer of `size` bytes and
// puts the stream back where it was.
std::vector<uint8_t> ReadHead(std::istream& stream, size_t size) {
  std::vector<uint8_t> head(size, 0);
  stream.clear();
  const std::streampos saved = stream.tellg();
  stream.seekg(0);
  if (stream) stream.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(size));
  stream.clear();
  if (saved != std::streampos(-1)) stream.seekg(saved);
  return head;
}

bool HasText(const uint8_t* p, const char* text) { return std::memcmp(p, text, std::strlen(text) + 1) == 0; }

ImageRow ReadRow(const uint8_t* p) {
  ImageRow row;
  row.name = FieldText(p, 16);
  row.dataStart = Le32(p + 16);
  row.dataEnd = Le32(p + 20);
  row.flashStart = Le32(p + 24);
  row.flashEnd = Le32(p + 28);
  row.kind = Le32(p + 32);
  return row;
}

// The texts and numbers that sit at the same place in both forms.
template <typename Record>
void ReadCommon(const uint8_t* b, uint32_t version, const Layout& layout, Record& record) {
  record.t5 = FieldText(b + 36, 12);
  record.t6 = FieldText(b + 48, 12);
  record.t4 = FieldText(b + 60, 12);
  record.t7 = FieldText(b + 72, 12);
  record.t8 = FieldText(b + 84, 12);
  record.n1 = Le32(b + 12);
  if (version == 1) {
    record.t2 = FieldText(b + 96, 12);
    record.t3 = FieldText(b + 108, 12);
    record.blockSize = Le32(b + 120);
    record.pageSize = Le32(b + 124);
  } else {
    record.t9 = FieldText(b + 96, 12);
    record.t10 = FieldText(b + 108, 8);
    record.t2 = FieldText(b + 116, 12);
    record.t3 = FieldText(b + 128, 12);
    record.n2 = Le32(b + 140);
    record.blockSize = Le32(b + 144);
    record.pageSize = Le32(b + 148);
  }
  for (size_t i = 0; i < layout.rowCount && i < record.rows.size(); ++i)
    record.rows[i] = ReadRow(b + layout.rowsAt + i * ROW_SIZE);
  std::memcpy(record.tailBytes.data(), b + layout.tailBytesAt, 16);
  for (size_t i = 0; i < layout.tailWordCount; ++i)
    record.tailWords[i] = Le32(b + layout.tailWordsAt + 4 * i);
}

}  // namespace

// ---- smartphone form ----

const char* CMsInfo::EntryName(int row) {
  return row >= 0 && row < ENTRY_NAME_COUNT ? kEntryNames[row] : nullptr;
}

void CMsInfo::ClearInfo(InfoRecord& record) const { record = InfoRecord{}; }

int CMsInfo::ReadInfoBlock(std::ifstream& file, InfoRecord& record, bool requireKnownModel) const {
  ClearInfo(record);
  if (!file.is_open()) return INFO_NOT_OPEN;
  return ReadInfoBlock(static_cast<std::istream&>(file), record, requireKnownModel);
}

int CMsInfo::ReadInfoBlock(std::istream& stream, InfoRecord& record, bool requireKnownModel) const {
  ClearInfo(record);
  const std::vector<uint8_t> head = ReadHead(stream, HEAD_SIZE);
  const uint8_t* b = head.data();
  if (!HasText(b, "ANDRBIN")) return INFO_INVALID;
  record.t1 = FieldText(b + 16, 20);
  record.family = FindModelIndex(record.t1);
  if (requireKnownModel && record.family > 11) return INFO_UNKNOWN_MODEL;
  const uint32_t version = Le32(b + 8);
  Layout layout{};
  if (!LayoutOf(version, false, layout)) return INFO_INVALID;
  if (!HasText(b + layout.endMarkAt, "ENDMARK")) return INFO_INVALID;
  ReadCommon(b, version, layout, record);
  for (size_t i = 0; i < 16; ++i) {
    const uint8_t* e = b + layout.entriesAt + i * layout.entrySize;
    ImageEntryBits& entry = record.entries[i];
    entry.name = FieldText(e, 16);
    uint64_t mask = 0;
    if (layout.entrySize == 24) {
      entry.kind = Le32(e + 16);
      mask = Le32(e + 20);
    } else if (layout.entrySize == 32) {
      mask = Le64(e + 16);
      entry.kind = Le32(e + 24);
      entry.reserved = Le32(e + 28);
    } else {
      std::memcpy(entry.rowBitmap.data(), e + 16, 32);
      entry.kind = Le32(e + 48);
      entry.reserved = Le32(e + 52);
    }
    if (layout.entrySize != 56)
      for (unsigned bit = 0; bit < 64; ++bit)
        if ((mask >> bit) & 1) entry.rowBitmap[bit / 8] |= static_cast<uint8_t>(1u << (bit % 8));
  }
  return INFO_OK;
}

bool CMsInfo::IsModel(int modelIndex, const std::string& text) const {
  return modelIndex < 12 && FindModelIndex(text) == modelIndex;
}

int CMsInfo::FindImageEntry(const InfoRecord& record, int row) const {
  const char* name = EntryName(row);
  if (!name) return -1;
  for (int i = 0; i < 16; ++i)
    if (record.entries[static_cast<size_t>(i)].name == name) return i;
  return -1;
}

// ---- feature-phone form ----

const char* CMsInfo_Brew::EntryName(int row) {
  return row >= 0 && row < ENTRY_NAME_COUNT ? kBrewEntryNames[row] : nullptr;
}

void CMsInfo_Brew::ClearInfo(BrewInfoRecord& record) const { record = BrewInfoRecord{}; }

int CMsInfo_Brew::ReadInfoBlock(std::ifstream& file, BrewInfoRecord& record) const {
  ClearInfo(record);
  if (!file.is_open()) return INFO_NOT_OPEN;
  return ReadInfoBlock(static_cast<std::istream&>(file), record);
}

int CMsInfo_Brew::ReadInfoBlock(std::istream& stream, BrewInfoRecord& record) const {
  ClearInfo(record);
  const std::vector<uint8_t> head = ReadHead(stream, HEAD_SIZE);
  const uint8_t* b = head.data();
  if (!HasText(b, "ANDRBIN")) return INFO_INVALID;
  record.t1 = TrimSpace(FieldText(b + 16, 20));
  record.family = FindFeaturePhoneIndex(record.t1);
  if (record.family != 0) return INFO_UNKNOWN_MODEL;
  const uint32_t version = Le32(b + 8);
  Layout layout{};
  if (!LayoutOf(version, true, layout)) return INFO_INVALID;
  if (!HasText(b + layout.endMarkAt, "ENDMARK")) return INFO_INVALID;
  ReadCommon(b, version, layout, record);
  for (size_t i = 0; i < 16; ++i) {
    const uint8_t* e = b + layout.entriesAt + i * layout.entrySize;
    BrewImageEntry& entry = record.entries[i];
    entry.name = FieldText(e, 16);
    if (layout.entrySize == 24) {
      entry.kind = Le32(e + 16);
      entry.rowMask = Le32(e + 20);
    } else {
      entry.rowMask = Le64(e + 16);
      entry.kind = Le32(e + 24);
      entry.reserved = Le32(e + 28);
    }
  }
  return INFO_OK;
}

bool CMsInfo_Brew::IsModel(int index, const std::string& text) const {
  return index <= 0 && FindFeaturePhoneIndex(text) == index;
}

int CMsInfo_Brew::FindImageEntry(const BrewInfoRecord& record, int row) const {
  const char* name = EntryName(row);
  if (!name) return -1;
  for (int i = 0; i < 16; ++i)
    if (record.entries[static_cast<size_t>(i)].name == name) return i;
  return -1;
}

int CMsInfo_Brew::FindBrewPartitionKind(const char* rowName) const {
  if (!rowName) return PARTITION_KIND_COUNT;
  const std::string name(rowName);
  for (int i = 0; i < PARTITION_KIND_COUNT; ++i)
    if (name.find(kBrewPartitionKinds[i]) != std::string::npos) return i;
  return PARTITION_KIND_COUNT;
}

// ---- trailer ----

bool ReadCrcTrailer(const std::string& path, uint32_t& computed, uint32_t& stored) {
  BinaryFile file;
  if (!file.Open(path) || file.Size() < 4) return false;
  const uint64_t covered = file.Size() - 4;
  std::vector<uint8_t> buffer(1 << 20);
  uint32_t crc = 0;
  for (uint64_t at = 0; at < covered;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), covered - at));
    if (!file.ReadExactAt(at, buffer.data(), want)) return false;
    crc = Crc32Update(crc, buffer.data(), want);
    at += want;
  }
  uint8_t tail[4];
  if (!file.ReadExactAt(covered, tail, 4)) return false;
  computed = crc;
  stored = Le32(tail);
  return true;
}

bool CheckCrcTrailer(const std::string& path) {
  uint32_t computed = 0, stored = 0;
  return ReadCrcTrailer(path, computed, stored) && computed == stored;
}

}  // namespace upvane
