#include "cli/pkg_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "packages/firmware_package.h"
#include "packages/ms_info.h"
#include "packages/super_image.h"
#include "packages/zip_archive_index.h"
#include "platform/files.h"
#include "platform/format.h"

namespace upvane {

const char kPkgUsage[] =
    "Usage: upvanectl pkg info PATH\n"
    "       upvanectl pkg ls ZIP\n"
    "       upvanectl pkg infoblock FILE\n"
    "       upvanectl pkg super SUPER.IMG OUTDIR\n"
    "  info       kind, description, version, variant, secure flag, every image\n"
    "             (LUN, offset, size, label, property) and the super partitions\n"
    "  ls         one line per ZIP member: name, data offset and size (decimal)\n"
    "  infoblock  the info record of a NAND image and whether its CRC trailer is right\n"
    "  super      split super.img into one sparse image per logical partition\n";

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

// Package texts may hold any byte: escape what a terminal would act on.
std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c >= 0x7F || c == '\\')
      out += Format("\\x%02X", c);
    else
      out += static_cast<char>(c);
  }
  return out;
}

const char* KindName(int32_t kind, bool archive) {
  switch (kind) {
    case PACKAGE_ZIP:
      return "zip";
    case PACKAGE_7ZIP:
      return "7z";
    case PACKAGE_FOLDER:
      return archive ? "7z (unpacked)" : "folder";
    default:
      return "unknown";
  }
}

void PrintImage(const ImageEntry& e, std::ostream& out) {
  out << Format("  lun=%d offset=%llu size=%llu label=%s property=0x%X file=%s\n", e.lun,
                static_cast<unsigned long long>(e.dataOffset), static_cast<unsigned long long>(e.size),
                Printable(e.label).c_str(), e.property, Printable(e.fileName).c_str());
}

int Info(const std::string& path, std::ostream& out, std::ostream& err) {
  FirmwarePackage package;
  std::error_code ec;
  const bool isFile = std::filesystem::is_regular_file(path, ec);
  if (!package.OpenPackage(path, false)) {
    err << "pkg info: " << package.GetErrorMessage() << "\n";
    return kFailed;
  }
  out << "kind: " << KindName(package.GetKind(), isFile && package.GetRootFolder() == package.GetWorkFolder())
      << "\n";
  out << "section: " << Printable(package.GetModelSection()) << "\n";
  out << "version: " << Printable(package.GetVersion()) << "\n";
  out << "variant: " << Printable(package.GetVariant()) << "\n";
  out << "secure: " << package.GetSecureFlag() << "\n";
  out << "max_lun: " << package.GetMaxLun() << "\n";
  out << "images: " << package.GetImages().size() << "\n";
  for (const ImageEntry& e : package.GetImages()) PrintImage(e, out);

  // The super partitions are listed from the metadata; nothing is split.
  const std::string superPath = package.GetFilePath("super.img", true);
  SuperImageReader reader;
  if (!superPath.empty() && FileExists(superPath)) {
    const bool loaded = reader.Load(superPath);
    if (package.GetKind() == PACKAGE_ZIP) DeleteFileIfExists(superPath);
    if (!loaded) {
      out << "super partitions: unreadable super.img\n";
      return kOk;
    }
    out << "super partitions: " << reader.Extents().size() << "\n";
    for (const SuperExtent& e : reader.Extents())
      out << Format("  name=%s start=%llu size=%llu output=%s\n", Printable(e.partitionName).c_str(),
                    static_cast<unsigned long long>(e.start), static_cast<unsigned long long>(e.size),
                    Printable(std::filesystem::path(e.outputPath).filename().string()).c_str());
  } else {
    out << "super partitions: none\n";
  }
  return kOk;
}

int List(const std::string& path, std::ostream& out, std::ostream& err) {
  ZipArchiveIndex index;
  if (!FileExists(path)) {
    err << "pkg ls: no such file: " << Printable(path) << "\n";
    return kFailed;
  }
  if (index.Open(path) != 0) {
    err << "pkg ls: not a ZIP archive of stored members this program can index: " << Printable(path) << "\n";
    return kFailed;
  }
  for (const ZipEntry& e : index.Entries()) {
    if (e.refused)
      out << Printable(e.name) << " refused\n";
    else
      out << Printable(e.name) << " " << e.dataOffset << " " << e.size << "\n";
  }
  return kOk;
}

template <typename Record>
void PrintTexts(const Record& r, std::ostream& out) {
  const std::string* texts[] = {&r.t1, &r.t2, &r.t3, &r.t4, &r.t5, &r.t6, &r.t7, &r.t8, &r.t9, &r.t10};
  for (int i = 0; i < 10; ++i) out << "t" << i + 1 << ": " << Printable(*texts[i]) << "\n";
  out << Format("n1: %u\nn2: %u\nblock_size: %u\npage_size: %u\n", r.n1, r.n2, r.blockSize, r.pageSize);
  for (size_t i = 0; i < r.rows.size(); ++i) {
    const ImageRow& row = r.rows[i];
    if (row.name.empty() && row.dataStart == 0 && row.dataEnd == 0) continue;
    out << Format("row %zu: name=%s data=0x%X-0x%X flash=0x%X-0x%X kind=%u\n", i, Printable(row.name).c_str(),
                  row.dataStart, row.dataEnd, row.flashStart, row.flashEnd, row.kind);
  }
}

int InfoBlock(const std::string& path, std::ostream& out, std::ostream& err) {
  std::ifstream file(path, std::ios::binary);
  if (!file.is_open()) {
    err << "pkg infoblock: cannot open " << Printable(path) << "\n";
    return kFailed;
  }
  BrewInfoRecord brew;
  InfoRecord smart;
  if (CMsInfo_Brew().ReadInfoBlock(file, brew) == INFO_OK) {
    out << "form: feature phone\nfamily: " << brew.family << "\n";
    PrintTexts(brew, out);
    for (size_t i = 0; i < brew.entries.size(); ++i) {
      const BrewImageEntry& e = brew.entries[i];
      if (e.kind == 0 && e.name.empty()) continue;
      out << Format("entry %zu: name=%s kind=%u rows=0x%llX\n", i, Printable(e.name).c_str(), e.kind,
                    static_cast<unsigned long long>(e.rowMask));
    }
  } else {
    const int rc = CMsInfo().ReadInfoBlock(file, smart, false);
    if (rc != INFO_OK) {
      err << "pkg infoblock: not a valid info block: " << Printable(path) << "\n";
      return kFailed;
    }
    out << "form: smartphone\nfamily: " << smart.family << "\n";
    PrintTexts(smart, out);
    for (size_t i = 0; i < smart.entries.size(); ++i) {
      const ImageEntryBits& e = smart.entries[i];
      if (e.kind == 0 && e.name.empty()) continue;
      std::string rows;
      for (unsigned r = 0; r < 256; ++r)
        if (e.HasRow(r)) rows += (rows.empty() ? "" : ",") + std::to_string(r);
      out << Format("entry %zu: name=%s kind=%u rows=%s\n", i, Printable(e.name).c_str(), e.kind,
                    rows.c_str());
    }
  }
  uint32_t computed = 0, stored = 0;
  if (!ReadCrcTrailer(path, computed, stored)) {
    err << "pkg infoblock: cannot read the CRC trailer\n";
    return kFailed;
  }
  if (computed != stored) {
    out << Format("crc: wrong (stored 0x%08X, computed 0x%08X)\n", stored, computed);
    return kFailed;
  }
  out << Format("crc: ok (0x%08X)\n", computed);
  return kOk;
}

int Super(const std::string& path, const std::string& folder, std::ostream& out, std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) {
    err << "pkg super: cannot create " << Printable(folder) << "\n";
    return kFailed;
  }
  SuperImageReader reader;
  reader.SetOutputFolder(folder);
  if (!reader.Load(path)) {
    err << "pkg super: not a sparse super image with partition metadata: " << Printable(path) << "\n";
    return kFailed;
  }
  if (!reader.WriteImages()) {
    err << "pkg super: splitting failed (an output exists already, a partition has several extents or an "
           "extent does not start and end at chunk boundaries)\n";
    return kFailed;
  }
  for (const SuperExtent& e : reader.Extents()) {
    uint64_t size = 0;
    GetFileSize(e.outputPath, size);
    out << Printable(e.partitionName) << " " << Printable(e.outputPath) << " " << size << "\n";
  }
  return kOk;
}

}  // namespace

int RunPkg(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? err : out) << kPkgUsage;
    return args.empty() ? kUsage : kOk;
  }
  const std::string& verb = args[0];
  if (verb == "info" && args.size() == 2) return Info(args[1], out, err);
  if (verb == "ls" && args.size() == 2) return List(args[1], out, err);
  if (verb == "infoblock" && args.size() == 2) return InfoBlock(args[1], out, err);
  if (verb == "super" && args.size() == 3) return Super(args[1], args[2], out, err);
  err << kPkgUsage;
  return kUsage;
}

}  // namespace upvane
