#pragma once
// Builds a package or image from a short JSON description (see main.cpp).
#include <string>

namespace upvane::pkgbuild {

bool BuildFromJsonText(const std::string& jsonText, std::string* error);

}  // namespace upvane::pkgbuild
