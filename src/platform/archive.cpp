#include "platform/archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <filesystem>
#include <memory>

namespace upvane {

namespace {

struct ReaderCloser {
  void operator()(struct archive* a) const { archive_read_free(a); }
};
struct WriterCloser {
  void operator()(struct archive* a) const { archive_write_free(a); }
};
using Reader = std::unique_ptr<struct archive, ReaderCloser>;
using Writer = std::unique_ptr<struct archive, WriterCloser>;

Reader OpenReader(const std::string& path, std::string* error) {
  Reader reader(archive_read_new());
  if (!reader) {
    if (error) *error = "out of memory";
    return nullptr;
  }
  archive_read_support_filter_all(reader.get());
  archive_read_support_format_all(reader.get());
  if (archive_read_open_filename(reader.get(), path.c_str(), 1 << 16) != ARCHIVE_OK) {
    if (error)
      *error = archive_error_string(reader.get()) ? archive_error_string(reader.get()) : "open failed";
    return nullptr;
  }
  return reader;
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// Splits on both separators so that a name written on another system cannot
// hide a ".." component.
std::vector<std::string> Components(const std::string& name) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : name) {
    if (c == '/' || c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

bool IsAbsoluteName(const std::string& name) {
  if (name.empty()) return false;
  if (name[0] == '/' || name[0] == '\\') return true;
  // A drive prefix such as "C:" names a location outside the folder too.
  return name.size() >= 2 && name[1] == ':';
}

// The next member's header: 1 read, 0 end of the archive, -1 failure
// (with the library's reason in `error`).
int NextHeader(Reader& reader, struct archive_entry*& entry, std::string* error) {
  const int rc = archive_read_next_header(reader.get(), &entry);
  if (rc == ARCHIVE_EOF) return 0;
  if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) {
    const char* text = archive_error_string(reader.get());
    SetError(error, text ? text : "bad header");
    return -1;
  }
  return 1;
}

std::string EntryName(struct archive_entry* entry) {
  const char* name = archive_entry_pathname(entry);
  return name ? name : "";
}

}  // namespace

bool IsContainedMemberName(const std::string& name) {
  if (name.empty() || IsAbsoluteName(name)) return false;
  for (const std::string& part : Components(name))
    if (part == "..") return false;
  return true;
}

bool IsContainedLinkTarget(const std::string& name, const std::string& target) {
  if (target.empty() || IsAbsoluteName(target) || !IsContainedMemberName(name)) return false;
  // Depth of the folder holding the link, then walk the target from there.
  std::vector<std::string> base = Components(name);
  base.pop_back();
  long depth = 0;
  for (const std::string& part : base)
    if (!part.empty() && part != ".") ++depth;
  for (const std::string& part : Components(target)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (--depth < 0) return false;
    } else {
      ++depth;
    }
  }
  return true;
}

bool ListArchiveMembers(const std::string& archivePath, std::vector<ArchiveMember>& members,
                        std::string* error) {
  members.clear();
  Reader reader = OpenReader(archivePath, error);
  if (!reader) return false;
  for (;;) {
    struct archive_entry* entry = nullptr;
    const int got = NextHeader(reader, entry, error);
    if (got <= 0) return got == 0;
    ArchiveMember member;
    member.name = EntryName(entry);
    member.size = archive_entry_size_is_set(entry) ? static_cast<uint64_t>(archive_entry_size(entry)) : 0;
    member.isFolder = archive_entry_filetype(entry) == AE_IFDIR;
    const char* symlink = archive_entry_symlink(entry);
    const char* hardlink = archive_entry_hardlink(entry);
    if (symlink || hardlink || archive_entry_filetype(entry) == AE_IFLNK) {
      member.isLink = true;
      member.linkTarget = symlink ? symlink : (hardlink ? hardlink : "");
    }
    members.push_back(std::move(member));
  }
}

bool ExtractArchiveSafely(const std::string& archivePath, const std::string& folder, std::string* error) {
  if (folder.empty()) {
    SetError(error, "no target folder");
    return false;
  }
  // First pass: judge every header before anything touches the disk.
  {
    Reader reader = OpenReader(archivePath, error);
    if (!reader) return false;
    for (;;) {
      struct archive_entry* entry = nullptr;
      const int got = NextHeader(reader, entry, error);
      if (got < 0) return false;
      if (got == 0) break;
      const std::string name = EntryName(entry);
      if (!IsContainedMemberName(name)) {
        SetError(error, "member leaves the target folder: " + name);
        return false;
      }
      if (const char* hard = archive_entry_hardlink(entry)) {
        if (!IsContainedMemberName(hard)) {
          SetError(error, "hard link leaves the target folder: " + name);
          return false;
        }
      }
      if (archive_entry_filetype(entry) == AE_IFLNK) {
        const char* target = archive_entry_symlink(entry);
        if (!target || !IsContainedLinkTarget(name, target)) {
          SetError(error, "link leaves the target folder: " + name);
          return false;
        }
      }
      const mode_t type = archive_entry_filetype(entry);
      if (type != AE_IFREG && type != AE_IFDIR && type != AE_IFLNK && type != 0) {
        SetError(error, "member is not a file or folder: " + name);
        return false;
      }
    }
  }

  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) {
    SetError(error, "cannot create " + folder);
    return false;
  }
  // The members are written below the folder's real path, so that the
  // library's symbolic-link guard does not trip over links above the folder.
  std::string base = std::filesystem::canonical(folder, ec).string();
  if (ec || base.empty()) {
    SetError(error, "cannot resolve " + folder);
    return false;
  }
  if (base.back() != '/') base += '/';

  Reader reader = OpenReader(archivePath, error);
  if (!reader) return false;
  Writer writer(archive_write_disk_new());
  if (!writer) {
    SetError(error, "out of memory");
    return false;
  }
  // The library's own guards stay on as a second line behind the checks above;
  // they also refuse writing through a symbolic link made by an earlier member.
  // (Absolute paths are allowed to the library because the names it gets are
  // the folder's path joined with the checked member names.)
  archive_write_disk_set_options(
      writer.get(), ARCHIVE_EXTRACT_TIME | ARCHIVE_EXTRACT_SECURE_NODOTDOT | ARCHIVE_EXTRACT_SECURE_SYMLINKS);
  for (;;) {
    struct archive_entry* entry = nullptr;
    const int got = NextHeader(reader, entry, error);
    if (got < 0) return false;
    if (got == 0) break;
    const std::string name = EntryName(entry);
    archive_entry_set_pathname(entry, (base + name).c_str());
    if (const char* hard = archive_entry_hardlink(entry)) {
      const std::string target = base + hard;
      archive_entry_set_hardlink(entry, target.c_str());
    }
    // Files come out readable and writable by the owner whatever the archive says.
    if (archive_entry_filetype(entry) == AE_IFREG) archive_entry_set_perm(entry, 0600);
    if (archive_entry_filetype(entry) == AE_IFDIR) archive_entry_set_perm(entry, 0700);
    int rc = archive_write_header(writer.get(), entry);
    if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) {
      const char* text = archive_error_string(writer.get());
      SetError(error, std::string("cannot write ") + name + ": " + (text ? text : ""));
      return false;
    }
    if (archive_entry_size(entry) > 0) {
      const void* block = nullptr;
      size_t size = 0;
      la_int64_t offset = 0;
      for (;;) {
        rc = archive_read_data_block(reader.get(), &block, &size, &offset);
        if (rc == ARCHIVE_EOF) break;
        if (rc != ARCHIVE_OK && rc != ARCHIVE_WARN) {
          const char* text = archive_error_string(reader.get());
          SetError(error, std::string("cannot read ") + name + ": " + (text ? text : ""));
          return false;
        }
        if (archive_write_data_block(writer.get(), block, size, offset) != ARCHIVE_OK) {
          const char* text = archive_error_string(writer.get());
          SetError(error, std::string("cannot write ") + name + ": " + (text ? text : ""));
          return false;
        }
      }
    }
    if (archive_write_finish_entry(writer.get()) != ARCHIVE_OK) {
      SetError(error, "cannot finish " + name);
      return false;
    }
  }
  return archive_write_close(writer.get()) == ARCHIVE_OK;
}

}  // namespace upvane
