#pragma once
// The stored values the server client reads. The application connects this
// to the program's store; the tests use an in-memory one.
#include <string>

namespace upvane {

class UpdateValueStore {
 public:
  virtual ~UpdateValueStore() = default;
  // The text value "Version" under `keyPath` (the program's or the
  // launcher's key, e.g. Software\\Brennix\\SoftwareUpvane\\VQ); false when
  // the key or the value is missing.
  virtual bool GetVersion(const std::string& keyPath, std::string& version) = 0;
};

// The store the version check uses when none is given (null = none bound,
// every registered version then reads as missing).
void SetUpdateValueStore(UpdateValueStore* store);
UpdateValueStore* GetUpdateValueStore();

}  // namespace upvane
