#include "services/text_helpers.h"

#include <cctype>
#include <cstring>

#include "platform/format.h"

namespace upvane {

std::string FormatHex14(uint64_t value) { return Format("%014llX", static_cast<unsigned long long>(value)); }

uint32_t VersionToNumber(const std::string& text) {
  static const uint32_t weights[3] = {1000000, 1000, 1};
  uint32_t total = 0;
  size_t field = 0;
  uint32_t current = 0;
  for (size_t i = 0; i <= text.size() && field < 3; ++i) {
    const bool digit = i < text.size() && text[i] >= '0' && text[i] <= '9';
    if (digit) {
      current = current * 10 + static_cast<uint32_t>(text[i] - '0');
      continue;
    }
    total += current * weights[field++];
    current = 0;
  }
  return total;
}

std::string StripVersionLetter(const std::string& text) {
  const size_t n = text.size();
  if (n >= 2 && text[n - 2] == '.' && text[n - 1] >= 'a' && text[n - 1] <= 'z') return text.substr(0, n - 2);
  return text;
}

std::string FormatPhoneNumber(const std::string& t) {
  if (t.size() == 10) return t.substr(0, 3) + "-" + t.substr(3, 3) + "-" + t.substr(6);
  if (t.size() == 11) return t.substr(0, 1) + "-" + t.substr(1, 3) + "-" + t.substr(4, 3) + "-" + t.substr(7);
  return t;
}

std::string ToUpper(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

bool EqualsNoCase(const std::string& a, const std::string& b) { return ToUpper(a) == ToUpper(b); }

bool ContainsNoCase(const std::string& text, const std::string& part) {
  return ToUpper(text).find(ToUpper(part)) != std::string::npos;
}

std::string TrimSpace(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

std::string TextAfterColon(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return {};
  return TrimSpace(text.substr(colon + 1));
}

std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string out;
  size_t pos = 0;
  for (;;) {
    const size_t hit = text.find(from, pos);
    if (hit == std::string::npos) break;
    out.append(text, pos, hit - pos);
    out += to;
    pos = hit + from.size();
  }
  out.append(text, pos, std::string::npos);
  return out;
}

std::string NormaliseAnswer(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= 32) --e;
  return ReplaceAll(text.substr(b, e - b), "\r\n", " / ");
}

std::string ControlToSpaces(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) <= 32) c = ' ';
  return out;
}

bool IsSerial15(const std::string& text) {
  const std::string t = ControlToSpaces(text);
  return t.size() == 15 && t.find(' ') == std::string::npos;
}

namespace {
thread_local char* t_tokenPosition = nullptr;
}

char* NextToken(char* text, char delimiter) {
  if (text) t_tokenPosition = text;
  char* start = t_tokenPosition;
  if (!start) return nullptr;
  char* hit = std::strchr(start, delimiter);
  if (hit && delimiter != '\0') {
    *hit = '\0';
    t_tokenPosition = hit + 1;
  }
  return start;
}

uint32_t ByteSwap32(uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

void ReverseBytes(uint8_t* buffer, size_t length) {
  if (!buffer || length < 2) return;
  for (size_t i = 0, j = length - 1; i < j; ++i, --j) {
    const uint8_t t = buffer[i];
    buffer[i] = buffer[j];
    buffer[j] = t;
  }
}

}  // namespace upvane
