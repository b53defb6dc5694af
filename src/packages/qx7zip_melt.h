#pragma once
// Unpacking of 7-Zip packages. The archive code is linked in (libarchive),
// so there is no library file to load; LoadLibrary7z keeps the call of the
// package flow and only notes the path it was given.
#include <cstdint>
#include <string>

namespace upvane {

class CQx7zipMelt {
 public:
  virtual ~CQx7zipMelt() = default;
  bool LoadLibrary7z(const std::string& libraryPath);
  // True when the archive lists a member of exactly that name (case-sensitive).
  bool FindMember(const std::string& archivePath, const std::string& memberName, uint64_t& size) const;
  // Deletes the output folder, then unpacks the whole archive into it. A
  // member that would land outside the folder fails the whole extraction.
  bool ExtractAll(const std::string& outputFolder, const std::string& archivePath);
  const std::string& LastError() const { return m_strError; }

 private:
  std::string m_strLibraryPath;
  std::string m_strError;
  bool m_bLoaded = false;
};

}  // namespace upvane
