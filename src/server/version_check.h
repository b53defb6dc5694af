#pragma once
// The program's own version check against the version server, and the
// reachability probe of the pages.
#include <string>

namespace upvane {

class UpdateValueStore;

constexpr int PROGRAM_KIND_LAUNCHER = 0;  // the companion launcher
constexpr int PROGRAM_KIND_UPVANE = 2;    // this program

// The registered version of the kind ("" when missing or kind unknown).
std::string GetLocalVersion(int kind, UpdateValueStore* store = nullptr);
// The first line of the kind's server file; fetched = 1 when downloaded.
std::string GetServerVersion(int kind, int& fetched);
// True only when the server answered and its version is higher.
bool IsNewerVersionAvailable(int kind, int& answered, UpdateValueStore* store = nullptr);
// The whole body of a server file, "" on any failure.
std::string FetchServerText(const std::string& name);

// "https://<version host>/zavezi/Calvera/E3112/<name>"
std::string VersionFileUrl(const std::string& name);

}  // namespace upvane
