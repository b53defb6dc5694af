#include "packages/firmware_package.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "packages/binary_file.h"
#include "packages/profile_file.h"
#include "packages/super_image.h"
#include "platform/files.h"
#include "platform/format.h"
#include "services/file_names.h"
#include "services/system_helpers.h"

namespace upvane {

namespace {

constexpr const char* kBinaryInfo = "binary_info.txt";
constexpr const char* kLayoutFile = "Build_Output_Info.txt";
constexpr size_t COPY_BLOCK = 0x20000;

bool IsFolder(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_directory(path, ec);
}

bool PathExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// The path without the extension of its last component ("a/b.zip" -> "a/b").
std::string RemoveExtension(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
  if (dot == (slash == std::string::npos ? 0 : slash + 1)) return path;  // ".hidden"
  return path.substr(0, dot);
}

std::string CombinePath(const std::string& folder, const std::string& name) {
  std::string combined = JoinPath(folder, name);
  if (combined.size() > 2048) combined.resize(2048);
  return combined;
}

}  // namespace

bool FirmwarePackage::OpenPackage(const std::string& path, bool withSuper) {
  m_strBinaryPath = path;
  if (path.empty()) {
    m_strErrorMessage = "The binary path is not specified.";
    return false;
  }
  if (!PathExists(path)) {
    m_strErrorMessage = "The binary path is invalid.";
    return false;
  }
  if (IsFolder(path)) {
    m_strRootFolder = path;
  } else {
    const std::string unpacked = RemoveExtension(path);
    if (unpacked != path && IsFolder(unpacked)) {
      m_strRootFolder = unpacked;
    } else {
      m_strWorkFolder = GetTempFolder() + "QOVRN";
      MakeFolders(m_strWorkFolder, 0700);
      m_strRootFolder.clear();
      {
        std::ifstream in(path, std::ios::binary);
        char magic[2] = {0, 0};
        if (in.is_open()) {
          in.read(magic, 2);
          if (in.gcount() == 2 && magic[0] == 'P' && magic[1] == 'K')
            m_nKind = PACKAGE_ZIP;
          else if (in.gcount() == 2 && magic[0] == '7' && magic[1] == 'z')
            m_nKind = PACKAGE_7ZIP;
          else
            m_nKind = PACKAGE_UNKNOWN;
        }
      }
      if (m_nKind == PACKAGE_UNKNOWN) {
        m_strErrorMessage = "The binary type is unknown.";
        return false;
      }
      if (m_nKind == PACKAGE_ZIP) {
        m_pArchiveIndex = std::make_unique<ZipArchiveIndex>();
        if (m_pArchiveIndex->Open(path) != 0) {
          m_pArchiveIndex.reset();
          m_strErrorMessage = "The binary file is invalid.";
          return false;
        }
      } else if (m_nKind == PACKAGE_7ZIP) {
        m_pExtractor = std::make_unique<CQx7zipMelt>();
        uint64_t size = 0;
        if (!m_pExtractor->LoadLibrary7z(Format("%s%s", GetProgramFolder().c_str(), "tool/7-zip32.dll")) ||
            !m_pExtractor->FindMember(path, kBinaryInfo, size) ||
            !m_pExtractor->ExtractAll(m_strWorkFolder, path)) {
          m_pExtractor.reset();
          m_strErrorMessage = "The binary file is invalid.";
          return false;
        }
        m_nKind = PACKAGE_FOLDER;
        m_strRootFolder = m_strWorkFolder;
      }
    }
  }

  ReadBinaryInfo();

  const std::string layoutPath = GetFilePath(kLayoutFile, true);
  if (layoutPath.empty() || !FileExists(layoutPath)) {
    m_strErrorMessage = Format("No File [%s]", kLayoutFile);
    return false;
  }
  m_pLayout = std::make_unique<PartitionLayout>();
  m_pLayout->Load(layoutPath);
  if (m_strRootFolder.empty()) DeleteFileIfExists(layoutPath);
  if (m_pLayout->m_physicalRows.empty()) {
    m_pLayout.reset();
    m_strErrorMessage = Format("Invalid File [%s]", kLayoutFile);
    return false;
  }
  m_nMaxLun = m_pLayout->m_nMaxLun;
  BuildImageList(withSuper);
  m_pLayout.reset();
  return true;
}

void FirmwarePackage::ReadBinaryInfo() {
  // A missing description is no failure; neither is its error text.
  const std::string savedError = m_strErrorMessage;
  const std::string infoPath = GetFilePath(kBinaryInfo, true);
  m_strErrorMessage = savedError;
  ProfileFile profile;
  if (infoPath.empty() || !FileExists(infoPath) || !profile.Load(infoPath)) {
    m_strModelSection = m_strVersion = m_strVariant = "<unknown>";
    m_nSecure = 0;
    return;
  }
  const std::vector<std::string> sections = profile.SectionNames();
  m_strModelSection = sections.size() == 1 ? sections[0] : "";
  m_strVersion = profile.GetString(m_strModelSection, "version", "", 128);
  m_strVariant = profile.GetString(m_strModelSection, "variant", "", 128);
  m_nSecure = profile.GetInt(m_strModelSection, "isSecure", 0);
  if (m_strRootFolder.empty()) DeleteFileIfExists(infoPath);
}

std::string FirmwarePackage::GetFilePath(const std::string& fileName, bool extract) {
  if (m_nKind == PACKAGE_ZIP || m_nKind == PACKAGE_7ZIP) {
    if (extract) return ExtractMember(fileName);
    return CombinePath(m_strWorkFolder, fileName);
  }
  return CombinePath(m_strRootFolder, fileName);
}

std::string FirmwarePackage::ExtractMember(const std::string& fileName) {
  const std::string target = CombinePath(m_strWorkFolder, fileName);
  uint64_t offset = 0, size = 0;
  if (!m_pArchiveIndex || m_pArchiveIndex->Find(fileName, offset, size) != 0) {
    m_strErrorMessage = "The binary file is invalid (zip).";
    return {};
  }
  BinaryFile source;
  if (!source.Open(m_strBinaryPath)) {
    m_strErrorMessage = "The binary file cannot be open.";
    return {};
  }
  if (offset > source.Size()) {
    m_strErrorMessage = "The binary file cannot be seek.";
    return {};
  }
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) {
    m_strErrorMessage = Format("The temp file cannot be open....[%s]", target.c_str());
    return {};
  }
  std::vector<char> buffer(COPY_BLOCK);
  uint64_t done = 0;
  while (done < size) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(COPY_BLOCK, size - done));
    const size_t got = source.ReadAt(offset + done, buffer.data(), want);
    if (got == 0) break;
    out.write(buffer.data(), static_cast<std::streamsize>(got));
    done += got;
  }
  out.close();
  // A short copy (the package changed under us, or the disk is full) would
  // later be written to a phone as a complete image: no copy at all instead.
  if (done < size || !out) {
    DeleteFileIfExists(target);
    m_strErrorMessage = done < size ? "The binary file cannot be open."
                                    : Format("The temp file cannot be open....[%s]", target.c_str());
    return {};
  }
  return target;
}

bool FirmwarePackage::AddImage(int32_t lun, const std::string& fileName, const std::string& label,
                               uint32_t property, std::vector<ImageEntry>& list) {
  ImageEntry entry;
  if (m_nKind == PACKAGE_ZIP) {
    if (!m_pArchiveIndex || m_pArchiveIndex->Find(fileName, entry.dataOffset, entry.size) != 0) return false;
    entry.path = m_strBinaryPath;
  } else {
    entry.path = CombinePath(m_strRootFolder, fileName);
    if (!FileExists(entry.path) || !GetFileSize(entry.path, entry.size)) return false;
    entry.dataOffset = 0;
  }
  entry.lun = lun;
  entry.label = label;
  entry.fileName = fileName;
  entry.property = property;
  list.push_back(std::move(entry));
  return true;
}

bool FirmwarePackage::BuildImageList(bool withSuper) {
  m_images.clear();
  if (!m_pLayout) return true;
  int64_t currentLun = -1;
  auto addTable = [&](int64_t lun, bool flag) {
    AddImage(static_cast<int32_t>(lun), Format("gpt_main%d.bin", static_cast<int>(lun)), "PrimaryGPT",
             flag ? 1u : 3u, m_images);
  };
  for (const LayoutRow& row : m_pLayout->m_physicalRows) {
    if (row.fileName.empty()) continue;
    // Rows are expected in rising LUN order; a row for a lower LUN than the
    // last is added without going back.
    while (currentLun < row.lun) addTable(++currentLun, withSuper);
    AddImage(row.lun, row.fileName, row.label, row.property, m_images);
  }
  while (currentLun < static_cast<int64_t>(m_nMaxLun) && currentLun < 0xFFFF) addTable(++currentLun, true);
  m_superImages.clear();
  if (withSuper) AddSuperImages();
  return true;
}

void FirmwarePackage::AddSuperImages() {
  const std::string savedError = m_strErrorMessage;
  const std::string superPath = GetFilePath("super.img", true);
  m_strErrorMessage = savedError;
  if (superPath.empty()) return;
  SuperImageReader reader;
  if (reader.Load(superPath)) {
    for (const LayoutRow& row : m_pLayout->m_superRows) {
      if (row.fileName.empty()) continue;
      const std::string path = GetFilePath(row.fileName, false);
      if (!FileExists(path)) reader.WriteImages();
      uint64_t size = 0;
      if (!FileExists(path) || !GetFileSize(path, size)) continue;
      ImageEntry entry;
      entry.lun = row.lun;
      entry.dataOffset = 0;
      entry.size = size;
      entry.label = row.label;
      entry.fileName = row.fileName;
      entry.path = path;
      entry.property = row.property;
      m_superImages.push_back(std::move(entry));
    }
  }
  if (m_nKind == PACKAGE_ZIP) DeleteFileIfExists(superPath);
}

int FirmwarePackage::CountFastbootImages() const {
  int count = 0;
  for (const ImageEntry& entry : m_images) count += IsFastbootImage(entry) ? 1 : 0;
  return count;
}

int FirmwarePackage::CountAllFastbootImages() const {
  int count = 0;
  for (const ImageEntry& entry : m_images) count += IsFastbootImage(entry) ? 1 : 0;
  for (const ImageEntry& entry : m_superImages) count += IsFastbootImage(entry) ? 1 : 0;
  return count / 2;
}

}  // namespace upvane
