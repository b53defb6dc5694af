#pragma once
// Process-wide helpers shared by pages, engines and device code.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/messages.h"

namespace upvane {

// Mebibytes the last free-space check required (shown by the error page).
extern std::atomic<int64_t> g_nNeededSpace;

// Records `requiredMB`, then: true when the temporary folder's file system
// has strictly more than `requiredMB` whole free mebibytes. False when the
// free space cannot be read.
bool HasFreeSpaceMB(uint64_t requiredMB);
// The decision of HasFreeSpaceMB for a given number of free bytes.
bool EnoughFreeSpace(uint64_t freeBytes, uint64_t requiredMB);

bool GetFileSizeOf(const std::string& path, uint64_t* size);

std::string GetProgramFolder();  // ends with '/'
std::string GetAdbPath();
std::string GetFastbootPath();

// Ends the carrier's update assistant if it runs: the first process whose
// executable path contains `marker` is killed, with a wait of 500 ms.
void StopOtherInstance(const char* marker = "CLW_updara");

// A 64-bit process on a 64-bit system: never a 32-bit-on-64-bit process.
inline bool IsWow64() { return false; }

// The main window that NotifyMainWindow sends to (0 = none).
void SetMainWindowId(WindowId id);
WindowId GetMainWindowId();
intptr_t NotifyMainWindow(uint32_t msg);

}  // namespace upvane
