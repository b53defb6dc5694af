#pragma once
// The per-user key-value store that stands in for the registry: keys
// addressed by backslash-separated paths under the user's root, each with
// named values of a type and raw bytes. Key paths and value names compare
// case-insensitively (ASCII) and keep the case they were created with;
// subkeys enumerate in creation order. Keys and values are never removed.
//
// One SQLite file in WAL mode; every value write is its own transaction and
// is on disk when the call returns. Any number of threads and processes may
// use the store at once (each thread has its own connection). A file that is
// not a valid database is renamed aside and a fresh store is started.
#include <cstdint>
#include <string>

namespace upvane {

// Value types, numbered as the registry numbers them.
constexpr uint32_t kStoreTypeString = 1;  // REG_SZ: text without its NUL
constexpr uint32_t kStoreTypeDword = 4;   // REG_DWORD: 4 bytes, little endian

// Limits of the registry model, enforced by the store.
constexpr size_t kStoreMaxKeyName = 255;
constexpr size_t kStoreMaxValueName = 16383;
constexpr size_t kStoreMaxValueData = 1024 * 1024;

// An open key: its row and the identity of the store file it belongs to, so a
// key from a store that has since been replaced is never used on the new one.
struct StoreKey {
  int64_t id = -1;  // 0 is the user's root itself; -1: not open
  uint64_t store = 0;
  bool IsOpen() const { return id >= 0; }
};

// $UPVANE_HOME/registry.sqlite, else $XDG_CONFIG_HOME/upvane/registry.sqlite,
// else ~/.config/upvane/registry.sqlite.
std::string RegistryStorePath();

// Opens an existing key ("" is the root). False when it does not exist, the
// path is malformed (empty component, component over 255 characters) or the
// store cannot be used.
bool StoreOpenKey(const std::string& path, StoreKey& key);

// Opens the key, creating it and its missing parents in one transaction.
bool StoreCreateKey(const std::string& path, StoreKey& key);

// Name of the index-th subkey in creation order; false past the end.
bool StoreEnumSubKey(const StoreKey& key, uint32_t index, std::string& name);

// Type and bytes of a value; false when it is missing.
bool StoreQueryValue(const StoreKey& key, const std::string& name, uint32_t& type, std::string& data);

// Writes (creates or replaces) one value in its own transaction; a replaced
// value keeps the case of its name.
bool StoreSetValue(const StoreKey& key, const std::string& name, uint32_t type, const std::string& data);

// While it lives, the reads of this thread see one state of the store and
// share one read transaction (much cheaper than one per read). Writes on the
// thread are refused meanwhile. Nested snapshots join the outer one.
class StoreSnapshot {
 public:
  StoreSnapshot();
  ~StoreSnapshot();
  StoreSnapshot(const StoreSnapshot&) = delete;
  StoreSnapshot& operator=(const StoreSnapshot&) = delete;

 private:
  bool m_began = false;
};

// SQLite's own integrity check of a store file (opened read-only); true when
// it reports "ok". `report` gets the first line of the check or the error.
bool CheckStoreIntegrity(const std::string& path, std::string& report);

}  // namespace upvane
