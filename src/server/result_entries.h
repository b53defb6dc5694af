#pragma once
// Result entries of update and repair runs: posted to the log receiver at
// once, kept in a pending file when the post fails, and posted again later.
#include <string>

#include "store/phone_info.h"

namespace upvane {

// kind 0 update, 1 repair; code 0 success, else the engine's report code.
void ReportResult(const std::string& identifier, const std::string& number, const std::string& oldVersion,
                  const std::string& newVersion, int kind, int code);
void ReportDownloadFailure(const D_PHONE_INFO& phone, const std::string& newVersion);

// True only when the log receiver answered with a 2xx status.
bool UploadEntry(const std::string& identifier, const std::string& number, const std::string& oldVersion,
                 const std::string& newVersion, int kind, int code, const std::string& time);
void AppendPendingEntry(const std::string& identifier, const std::string& number,
                        const std::string& oldVersion, const std::string& newVersion, int kind, int code,
                        const std::string& time);
void ResendPendingEntries();

// The pieces, exposed for the tests and the command line.
std::string NormaliseReportVersion(const std::string& version);
std::string EncodeUploadIdentifier(const std::string& identifier);
std::string MakeUploadName(const std::string& identifier, const std::string& number, int kind, int code,
                           const std::string& time);
std::string PendingFolder();         // <temp>TMPBRXZRT/
std::string PendingFilePath();       // .../EntryErr.itf
std::string PendingCompanionPath();  // .../EntryErr.$$$
std::string CurrentReportTime();     // "%Y%m%d%H%M%S"

}  // namespace upvane
