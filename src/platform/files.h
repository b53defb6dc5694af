#pragma once
// Folders and files the program works with.
#include <cstdint>
#include <string>

namespace upvane {

// The per-user temporary folder, created with mode 0700 when missing; ends
// with '/'. $UPVANE_HOME/tmp/, else $XDG_CACHE_HOME/upvane/tmp/, else
// ~/.cache/upvane/tmp/. "" when it cannot be created.
std::string GetTempFolder();

// Full path of the running executable ("" when unknown).
std::string GetExecutablePath();
// Folder of the running executable, ending with '/'.
std::string GetExecutableFolder();

// Folder of the bundled tools, ending with '/': $UPVANE_TOOL_DIR, else
// <program>/tool/, else <program>/../lib/upvane/tool/ (the first that exists;
// <program>/tool/ when none does).
std::string GetToolFolder();

// Path of a bundled tool: the tool folder's copy when it is executable;
// for adb and fastboot the PATH's copy otherwise; else the tool-folder path.
std::string FindToolPath(const std::string& name);

// The first executable called `name` on PATH, or "".
std::string FindOnPath(const std::string& name);

// Free bytes (all free blocks, not only those available to this user) of the
// file system holding `path`.
bool GetFreeBytes(const std::string& path, uint64_t& freeBytes);

bool GetFileSize(const std::string& path, uint64_t& size);
bool FileExists(const std::string& path);
bool IsExecutableFile(const std::string& path);
bool DeleteFileIfExists(const std::string& path);

// Creates the folder and its parents with the given mode.
bool MakeFolders(const std::string& path, unsigned mode);

}  // namespace upvane
