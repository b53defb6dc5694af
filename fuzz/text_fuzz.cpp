// Command-line splitting and the text rules over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/process.h"
#include "services/file_names.h"
#include "services/text_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  upvane::SplitCommandLine(text);
  upvane::NormaliseLineEnds(text);
  upvane::NormaliseAnswer(text);
  upvane::TextAfterColon(text);
  upvane::VersionToNumber(text);
  upvane::StripVersionLetter(text);
  upvane::FormatPhoneNumber(text);
  upvane::SplitPath(text);
  upvane::MakeVerifiedName(text);
  std::vector<char> buf(text.begin(), text.end());
  buf.push_back('\0');
  const char delim = size > 0 ? static_cast<char>(data[0]) : ':';
  char* piece = upvane::NextToken(buf.data(), delim);
  for (int i = 0; i < 64 && piece; ++i) piece = upvane::NextToken(nullptr, delim);
  return 0;
}
