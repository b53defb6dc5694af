#include "cli/text_output.h"

#include "platform/format.h"

namespace upvane {

std::string JsonQuote(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte >= 0x7f) {
      quoted += Format("\\u%04x", byte);
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string PrintableText(const std::string& text) {
  std::string printable;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7f || c == '\\') {
      printable += Format("\\x%02x", byte);
    } else {
      printable += c;
    }
  }
  return printable;
}

}  // namespace upvane
