#pragma once
// printf-style formatting into std::string, checked by the compiler.
#include <cstdarg>
#include <string>

namespace upvane {

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));

}  // namespace upvane
