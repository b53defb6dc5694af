#pragma once
// Safe forms of stored texts for upvanectl's output: stored texts come from
// phones and may hold any byte.
#include <string>

namespace upvane {

// A JSON string literal, quotes included. Bytes are read as Latin-1, so any
// input gives valid JSON and the bytes can be recovered exactly.
std::string JsonQuote(const std::string& text);

// The text for a terminal: control characters, DEL, bytes of 0x80 and above
// and backslashes as \xNN escapes.
std::string PrintableText(const std::string& text);

}  // namespace upvane
