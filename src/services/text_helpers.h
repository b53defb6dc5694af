#pragma once
// Small text rules that other parts of the program rely on exactly.
#include <cstddef>
#include <cstdint>
#include <string>

namespace upvane {

std::string FormatHex14(uint64_t value);                  // "%014llX"
uint32_t VersionToNumber(const std::string& text);        // 1.2.3 -> 1002003
std::string StripVersionLetter(const std::string& text);  // 2.05.c -> 2.05
std::string FormatPhoneNumber(const std::string& text);   // 3-3-4 or 1-3-3-4
std::string ToUpper(const std::string& text);
bool EqualsNoCase(const std::string& a, const std::string& b);
bool ContainsNoCase(const std::string& text, const std::string& part);
std::string TextAfterColon(const std::string& text);
std::string TrimSpace(const std::string& text);
std::string NormaliseAnswer(const std::string& text);
std::string ControlToSpaces(const std::string& text);
bool IsSerial15(const std::string& text);
// Replaces every occurrence of `from` by `to`.
std::string ReplaceAll(const std::string& text, const std::string& from, const std::string& to);

// Tokenizer over a writable buffer: with a text, starts there; with null,
// continues at the saved position. The delimiter found is overwritten with
// a terminating zero. When no delimiter remains, the saved position stays,
// so further calls with null return the same last piece. The saved position
// belongs to the calling thread.
char* NextToken(char* text, char delimiter);

uint32_t ByteSwap32(uint32_t value);
void ReverseBytes(uint8_t* buffer, size_t length);

}  // namespace upvane
