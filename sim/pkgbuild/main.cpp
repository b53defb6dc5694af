// pkgbuild DESCRIPTION.json (or "-" for standard input): writes one package
// or image from a description; kUsage lists the descriptions.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "pkgbuild/pkgbuild_json.h"

const char kUsage[] =
    "usage: pkgbuild DESCRIPTION.json|-\n"
    "Writes one package or image. Descriptions:\n"
    "  {\"type\": \"zip\"|\"7z\"|\"folder\", \"output\": PATH, \"zip64\": false, \"comment\": \"\",\n"
    "   \"binary_info\": {\"section\", \"version\", \"variant\", \"isSecure\"},\n"
    "   \"layout\": {\"max_lun\": N, \"rows\": [{\"label\", \"file\", \"property\", \"lun\"}]},\n"
    "   \"legacy_layout\": {\"model\", \"rows\": [...]},\n"
    "   \"gpt\": [{\"lun\": N, \"sectors\": N, \"partitions\": [{\"name\", \"first\", \"last\"}]}]  (no "
    "\"lun\": gpt_main.bin),\n"
    "   \"super\": {\"partitions\": [{\"name\", \"size\", \"seed\", \"fill_value\", \"no_extent\"}], "
    "\"header_size\": 128},\n"
    "   \"members\": [{\"name\", \"text\" | \"file\" | \"size\" (+\"seed\"), \"zero_size\", \"method\", "
    "\"nand\": BLOCK}]}\n"
    "  {\"type\": \"super\", \"output\": PATH, \"partitions\": [...], \"sparse\": true, \"sparse_minor\": "
    "0}\n"
    "  {\"type\": \"nand\", \"output\": PATH, \"block\": BLOCK, \"payload_size\": N}\n"
    "  {\"type\": \"gpt\", \"output\": PATH, \"both\": false, \"sectors\": N, \"partitions\": [...]}\n"
    "  BLOCK = {\"version\", \"t1\" ... \"t10\", \"block_size\", \"page_size\",\n"
    "           \"rows\": [{\"name\", \"data_start\", \"data_end\", \"flash_start\", \"flash_end\", "
    "\"kind\"}],\n"
    "           \"entries\": [{\"name\", \"kind\", \"rows\": [0, 2]}]}\n";

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::ostringstream text;
  if (std::string(argv[1]) == "-") {
    text << std::cin.rdbuf();
  } else {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "pkgbuild: cannot read %s\n", argv[1]);
      return 1;
    }
    text << in.rdbuf();
  }
  std::string error;
  if (!upvane::pkgbuild::BuildFromJsonText(text.str(), &error)) {
    std::fprintf(stderr, "pkgbuild: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
