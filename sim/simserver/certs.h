#pragma once
// A throw-away CA and a server certificate signed by it, made at start.
#include <string>

namespace upvane::sim {

// Writes ca.pem, server.pem and server.key into `folder`. The server
// certificate names `hostName` (an IP address or a DNS name).
bool MakeCertificates(const std::string& folder, const std::string& hostName, std::string& error);

}  // namespace upvane::sim
