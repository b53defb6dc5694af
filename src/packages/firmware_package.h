#pragma once
// A repair package given as a path: a folder of package files, a ZIP
// archive of stored members, a 7-Zip archive, or an archive next to a folder
// holding its unpacked contents. Validates it, reads "binary_info.txt" and
// "Build_Output_Info.txt" and builds the list of images to write.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "packages/partition_layout.h"
#include "packages/qx7zip_melt.h"
#include "packages/zip_archive_index.h"

namespace upvane {

enum PackageKind : int32_t {
  PACKAGE_FOLDER = 0,
  PACKAGE_ZIP = 1,
  PACKAGE_7ZIP = 2,
  PACKAGE_UNKNOWN = 3,
};

class FirmwarePackage {
 public:
  FirmwarePackage() = default;
  ~FirmwarePackage() = default;
  FirmwarePackage(const FirmwarePackage&) = delete;
  FirmwarePackage& operator=(const FirmwarePackage&) = delete;

  bool OpenPackage(const std::string& path, bool withSuper);
  // Path under which a package file can be read; "" when a ZIP member cannot
  // be copied out.
  std::string GetFilePath(const std::string& fileName, bool extract);
  std::string ExtractMember(const std::string& fileName);
  bool IsArchive() const { return m_nKind == PACKAGE_ZIP || m_nKind == PACKAGE_7ZIP; }
  bool BuildImageList(bool withSuper);
  int CountFastbootImages() const;
  int CountAllFastbootImages() const;

  const std::string& GetErrorMessage() const { return m_strErrorMessage; }
  const std::string& GetModelSection() const { return m_strModelSection; }
  const std::string& GetVersion() const { return m_strVersion; }
  const std::string& GetVariant() const { return m_strVariant; }
  uint32_t GetSecureFlag() const { return m_nSecure; }
  uint32_t GetMaxLun() const { return m_nMaxLun; }
  int32_t GetKind() const { return m_nKind; }
  const std::string& GetRootFolder() const { return m_strRootFolder; }
  const std::string& GetWorkFolder() const { return m_strWorkFolder; }
  const std::vector<ImageEntry>& GetImages() const { return m_images; }
  const std::vector<ImageEntry>& GetSuperImages() const { return m_superImages; }

 private:
  void ReadBinaryInfo();
  bool AddImage(int32_t lun, const std::string& fileName, const std::string& label, uint32_t property,
                std::vector<ImageEntry>& list);
  void AddSuperImages();

  std::vector<ImageEntry> m_images;
  std::vector<ImageEntry> m_superImages;
  std::string m_strBinaryPath;
  std::string m_strRootFolder;
  std::string m_strWorkFolder;
  std::string m_strErrorMessage;
  std::string m_strModelSection;
  std::string m_strVersion;
  std::string m_strVariant;
  uint32_t m_nSecure = 0;
  uint32_t m_nMaxLun = 0;
  std::unique_ptr<ZipArchiveIndex> m_pArchiveIndex;
  std::unique_ptr<PartitionLayout> m_pLayout;
  std::unique_ptr<CQx7zipMelt> m_pExtractor;
  int32_t m_nKind = PACKAGE_FOLDER;
};

}  // namespace upvane
