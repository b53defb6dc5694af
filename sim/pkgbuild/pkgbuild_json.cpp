#include "pkgbuild/pkgbuild_json.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "pkgbuild/pkgbuild.h"

namespace upvane::pkgbuild {

namespace {

using nlohmann::json;

struct Item {
  std::string name;
  std::string data;
  uint64_t zeroSize = 0;
  uint16_t method = 0;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<LayoutRowSpec> RowsOf(const json& rows) {
  std::vector<LayoutRowSpec> out;
  for (const json& r : rows)
    out.push_back({r.value("label", ""), r.value("file", ""), r.value("property", "0"), r.value("lun", 0)});
  return out;
}

std::vector<GptPartition> GptPartitionsOf(const json& parts) {
  std::vector<GptPartition> out;
  for (const json& p : parts)
    out.push_back({p.value("name", ""), p.value("first", uint64_t{0}), p.value("last", uint64_t{0})});
  return out;
}

bool SuperBytes(const json& desc, std::string& bytes, std::string* error) {
  std::vector<SuperPartition> parts;
  uint32_t seed = 1;
  for (const json& p : desc.at("partitions")) {
    SuperPartition part;
    part.name = p.value("name", "");
    const uint64_t size = p.value("size", uint64_t{0});
    if (p.contains("fill_value")) {
      part.fillSize = size;
      part.fillValue = p.value("fill_value", 0u);
    } else {
      part.data = PatternBytes(static_cast<size_t>(size), p.value("seed", seed));
    }
    part.noExtent = p.value("no_extent", false);
    parts.push_back(std::move(part));
    ++seed;
  }
  SuperOptions options;
  options.metadataHeaderSize = desc.value("header_size", 128u);
  options.sparseMinor = static_cast<uint16_t>(desc.value("sparse_minor", 0));
  options.sparse = desc.value("sparse", true);
  const std::string temp = desc.value("output", std::string{});
  const std::string path =
      temp.empty() ? (std::filesystem::temp_directory_path() / "pkgbuild-super.tmp").string() : temp;
  if (!WriteSuperImage(path, parts, options)) {
    if (error) *error = "cannot write super image (sizes must be multiples of 4096)";
    return false;
  }
  bytes = ReadAll(path);
  if (temp.empty()) std::remove(path.c_str());
  return true;
}

InfoBlockSpec BlockOf(const json& b) {
  InfoBlockSpec s;
  s.version = b.value("version", 2u);
  s.t1 = b.value("t1", "");
  s.t2 = b.value("t2", "");
  s.t3 = b.value("t3", "");
  s.t4 = b.value("t4", "");
  s.t5 = b.value("t5", "");
  s.t6 = b.value("t6", "");
  s.t7 = b.value("t7", "");
  s.t8 = b.value("t8", "");
  s.t9 = b.value("t9", "");
  s.t10 = b.value("t10", "");
  s.blockSize = b.value("block_size", 0x20000u);
  s.pageSize = b.value("page_size", 0x800u);
  if (b.contains("rows"))
    for (const json& r : b["rows"])
      s.rows.push_back({r.value("name", ""), r.value("data_start", 0u), r.value("data_end", 0u),
                        r.value("flash_start", 0u), r.value("flash_end", 0u), r.value("kind", 0u)});
  if (b.contains("entries"))
    for (const json& e : b["entries"])
      s.entries.push_back(
          {e.value("name", ""), e.value("kind", 0u), e.value("rows", std::vector<unsigned>{})});
  return s;
}

bool BuildPackage(const json& desc, std::string* error) {
  const std::string type = desc.value("type", "zip");
  const std::string output = desc.at("output").get<std::string>();
  std::vector<Item> items;
  if (desc.contains("binary_info")) {
    const json& b = desc["binary_info"];
    items.push_back({"binary_info.txt",
                     MakeBinaryInfo(b.value("section", "E3110"), b.value("version", "1.000"),
                                    b.value("variant", "user"), b.value("isSecure", 0)),
                     0, 0});
  }
  if (desc.contains("layout"))
    items.push_back({"Build_Output_Info.txt",
                     MakeLayout(desc["layout"].value("max_lun", 0), RowsOf(desc["layout"].at("rows"))), 0,
                     0});
  if (desc.contains("legacy_layout"))
    items.push_back({"Build_Output_Info.txt",
                     MakeLegacyLayout(desc["legacy_layout"].value("model", "XXXX"),
                                      RowsOf(desc["legacy_layout"].at("rows"))),
                     0, 0});
  if (desc.contains("gpt"))
    for (const json& g : desc["gpt"]) {
      const auto parts = GptPartitionsOf(g.at("partitions"));
      const uint64_t sectors = g.value("sectors", uint64_t{1} << 21);
      if (g.contains("lun")) {
        const std::string lun = std::to_string(g["lun"].get<int>());
        items.push_back({"gpt_main" + lun + ".bin", MakeGptMain(parts, sectors), 0, 0});
        items.push_back({"gpt_both" + lun + ".bin", MakeGptBoth(parts, sectors), 0, 0});
      } else {
        items.push_back({"gpt_main.bin", MakeGptMain(parts, sectors), 0, 0});
      }
    }
  if (desc.contains("super")) {
    Item item{"super.img", "", 0, 0};
    json s = desc["super"];
    s.erase("output");
    if (!SuperBytes(s, item.data, error)) return false;
    items.push_back(std::move(item));
  }
  if (desc.contains("members")) {
    uint32_t seed = 100;
    for (const json& m : desc["members"]) {
      Item item;
      item.name = m.at("name").get<std::string>();
      if (m.contains("text")) item.data = m["text"].get<std::string>();
      if (m.contains("file")) item.data = ReadAll(m["file"].get<std::string>());
      if (m.contains("size")) item.data = PatternBytes(m["size"].get<size_t>(), m.value("seed", seed));
      if (m.contains("nand")) item.data = MakeNandImage(BlockOf(m["nand"]), item.data);
      item.zeroSize = m.value("zero_size", uint64_t{0});
      item.method = static_cast<uint16_t>(m.value("method", 0));
      items.push_back(std::move(item));
      ++seed;
    }
  }

  if (type == "zip") {
    std::vector<ZipMember> members;
    for (Item& i : items) {
      ZipMember m;
      m.name = i.name;
      m.data = std::move(i.data);
      m.zeroSize = i.zeroSize;
      m.method = i.method;
      members.push_back(std::move(m));
    }
    ZipOptions options;
    options.zip64 = desc.value("zip64", false);
    options.archiveComment = desc.value("comment", "");
    return WriteStoredZip(output, members, options, error);
  }
  if (type == "7z") {
    std::vector<ArchiveItem> archiveItems;
    for (Item& i : items) archiveItems.push_back({i.name, std::move(i.data), "", false});
    return Write7z(output, archiveItems, error);
  }
  if (type == "folder") {
    std::error_code ec;
    std::filesystem::create_directories(output, ec);
    for (const Item& i : items) {
      const std::filesystem::path target = std::filesystem::path(output) / i.name;
      std::filesystem::create_directories(target.parent_path(), ec);
      if (!WriteBytes(target.string(), i.data)) {
        if (error) *error = "cannot write " + target.string();
        return false;
      }
    }
    return true;
  }
  if (error) *error = "unknown package type " + type;
  return false;
}

}  // namespace

bool BuildFromJsonText(const std::string& jsonText, std::string* error) {
  try {
    const json desc = json::parse(jsonText);
    const std::string type = desc.value("type", "zip");
    if (type == "super") {
      std::string bytes;
      return SuperBytes(desc, bytes, error);
    }
    if (type == "nand") {
      std::string payload = desc.contains("payload_size")
                                ? PatternBytes(desc["payload_size"].get<size_t>(), desc.value("seed", 7u))
                                : std::string();
      return WriteBytes(desc.at("output").get<std::string>(),
                        MakeNandImage(BlockOf(desc.at("block")), payload));
    }
    if (type == "gpt") {
      const auto parts = GptPartitionsOf(desc.at("partitions"));
      const uint64_t sectors = desc.value("sectors", uint64_t{1} << 21);
      return WriteBytes(desc.at("output").get<std::string>(), desc.value("both", false)
                                                                  ? MakeGptBoth(parts, sectors)
                                                                  : MakeGptMain(parts, sectors));
    }
    return BuildPackage(desc, error);
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return false;
  }
}

}  // namespace upvane::pkgbuild
