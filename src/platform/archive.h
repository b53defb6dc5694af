#pragma once
// Reading and unpacking multi-format archives (7-Zip, ZIP, tar ...) through
// libarchive. Unpacking is confined to its target folder.
#include <cstdint>
#include <string>
#include <vector>

namespace upvane {

struct ArchiveMember {
  std::string name;  // as stored in the archive
  uint64_t size = 0;
  bool isFolder = false;
  bool isLink = false;     // symbolic or hard link
  std::string linkTarget;  // for links
};

// Lists every member header of the archive. False when the archive cannot be
// opened or a header cannot be read; `error` then says why.
bool ListArchiveMembers(const std::string& archivePath, std::vector<ArchiveMember>& members,
                        std::string* error = nullptr);

// True when a member name would stay inside the target folder: relative, no
// ".." component (either slash counts as a separator), not empty.
bool IsContainedMemberName(const std::string& name);
// True when a symbolic link stored as `name` pointing at `target` resolves
// inside the target folder.
bool IsContainedLinkTarget(const std::string& name, const std::string& target);

// Unpacks the whole archive into `folder` (created when missing), keeping the
// members' relative paths and overwriting existing files. Every header is
// checked before anything is written: one member with an absolute path, a ".."
// component or a link that leaves the folder fails the whole extraction
// without writing a file.
bool ExtractArchiveSafely(const std::string& archivePath, const std::string& folder,
                          std::string* error = nullptr);

}  // namespace upvane
