#include "packages/qx7zip_melt.h"

#include <filesystem>
#include <vector>

#include "platform/archive.h"

namespace upvane {

bool CQx7zipMelt::LoadLibrary7z(const std::string& libraryPath) {
  m_strLibraryPath = libraryPath;
  m_bLoaded = true;
  return true;
}

bool CQx7zipMelt::FindMember(const std::string& archivePath, const std::string& memberName,
                             uint64_t& size) const {
  if (!m_bLoaded) return false;
  std::vector<ArchiveMember> members;
  if (!ListArchiveMembers(archivePath, members)) return false;
  for (const ArchiveMember& member : members) {
    if (member.name == memberName) {
      size = member.size;
      return true;
    }
  }
  return false;
}

bool CQx7zipMelt::ExtractAll(const std::string& outputFolder, const std::string& archivePath) {
  if (!m_bLoaded || outputFolder.empty()) return false;
  std::error_code ec;
  std::filesystem::remove_all(outputFolder, ec);
  m_strError.clear();
  return ExtractArchiveSafely(archivePath, outputFolder, &m_strError);
}

}  // namespace upvane
