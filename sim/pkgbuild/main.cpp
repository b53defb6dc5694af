// pkgbuild DESCRIPTION.json  (or "-" for standard input)
//
// Writes one package or image. Descriptions:
//   {"type": "zip"|"7z"|"folder", "output": PATH, "zip64": false, "comment": "",
//    "binary_info": {"section", "version", "variant", "isSecure"},
//    "layout": {"max_lun": N, "rows": [{"label", "file", "property", "lun"}]},
//    "legacy_layout": {"model", "rows": [...]},
//    "gpt": [{"lun": N, "sectors": N, "partitions": [{"name", "first", "last"}]}]  (no "lun": gpt_main.bin),
//    "super": {"partitions": [{"name", "size", "seed", "fill_value", "no_extent"}], "header_size": 128},
//    "members": [{"name", "text" | "file" | "size" (+"seed"), "zero_size", "method", "nand": BLOCK}]}
//   {"type": "super", "output": PATH, "partitions": [...], "sparse": true, "sparse_minor": 0}
//   {"type": "nand", "output": PATH, "block": BLOCK, "payload_size": N}
//   {"type": "gpt", "output": PATH, "both": false, "sectors": N, "partitions": [...]}
//   BLOCK = {"version", "t1" ... "t10", "block_size", "page_size",
//            "rows": [{"name", "data_start", "data_end", "flash_start", "flash_end", "kind"}],
//            "entries": [{"name", "kind", "rows": [0, 2]}]}
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "pkgbuild/pkgbuild_json.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pkgbuild DESCRIPTION.json|-\n");
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
