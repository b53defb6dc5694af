#include "platform/registry_store.h"

#include <mutex>
#include <vector>

#include "platform/environment.h"
#include "platform/store_connection.h"

namespace upvane {

namespace {

// Writers of this process queue here instead of polling SQLite's lock, so a
// waiting thread gets its turn; other processes are waited for by the
// connection's busy handler.
std::mutex g_writeMutex;

std::string Fold(const std::string& text) {
  std::string folded = text;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// Splits a key path into its names; false for an empty name or one that is
// too long. "" is the root and has no names.
bool SplitKeyPath(const std::string& path, std::vector<std::string>& names) {
  names.clear();
  if (path.empty()) return true;
  size_t start = 0;
  while (true) {
    const size_t end = path.find('\\', start);
    const std::string name = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (name.empty() || name.size() > kStoreMaxKeyName || name.find('\0') != std::string::npos) return false;
    names.push_back(name);
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}

std::string JoinFolded(const std::vector<std::string>& names, size_t count) {
  std::string joined;
  for (size_t i = 0; i < count; ++i) {
    if (i) joined += '\\';
    joined += Fold(names[i]);
  }
  return joined;
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Id of the key with this folded path: 1 found, 0 missing, -1 failed.
int LookupKey(StoreConnection& connection, const std::string& folded, int64_t& id, int& rc) {
  sqlite3_stmt* statement = connection.Get(StoreConnection::kLookupKey);
  StatementScope scope(statement);
  BindText(statement, 1, folded);
  rc = sqlite3_step(statement);
  if (rc == SQLITE_ROW) {
    id = sqlite3_column_int64(statement, 0);
    return 1;
  }
  return rc == SQLITE_DONE ? 0 : -1;
}

bool Resolve(const std::string& path, bool create, StoreKey& key) {
  key = StoreKey();
  std::vector<std::string> names;
  if (!SplitKeyPath(path, names)) return false;
  StoreConnection* connection = StoreConnection::Acquire();
  if (!connection) return false;
  if (names.empty()) {
    key = {0, connection->storeId()};
    return true;
  }
  int64_t id = 0;
  int rc = SQLITE_OK;
  const int found = LookupKey(*connection, JoinFolded(names, names.size()), id, rc);
  if (found == 1) {
    key = {id, connection->storeId()};
    return true;
  }
  // A write inside a read snapshot could not wait for other writers.
  if (found < 0 || !create || !sqlite3_get_autocommit(connection->db())) {
    if (found < 0) connection->CheckDamage(rc);
    return false;
  }

  // Create the missing names from the top; another writer may have created
  // some of them meanwhile, which the transaction sees.
  std::lock_guard<std::mutex> writing(g_writeMutex);
  rc = connection->Exec("BEGIN IMMEDIATE");
  int64_t parent = 0;
  for (size_t depth = 1; rc == SQLITE_OK && depth <= names.size(); ++depth) {
    const std::string folded = JoinFolded(names, depth);
    const int exists = LookupKey(*connection, folded, id, rc);
    if (exists < 0) break;
    rc = SQLITE_OK;
    if (exists == 0) {
      sqlite3_stmt* insert = connection->Get(StoreConnection::kInsertKey);
      StatementScope scope(insert);
      sqlite3_bind_int64(insert, 1, parent);
      BindText(insert, 2, names[depth - 1]);
      BindText(insert, 3, folded);
      rc = sqlite3_step(insert);
      if (rc != SQLITE_DONE) break;
      rc = SQLITE_OK;
      id = sqlite3_last_insert_rowid(connection->db());
    }
    parent = id;
  }
  if (rc == SQLITE_OK) rc = connection->Exec("COMMIT");
  if (rc != SQLITE_OK) {
    connection->Exec("ROLLBACK");
    connection->CheckDamage(rc);
    return false;
  }
  key = {parent, connection->storeId()};
  return true;
}

// The connection, if the key belongs to the store it is connected to.
StoreConnection* ConnectionFor(const StoreKey& key) {
  if (!key.IsOpen()) return nullptr;
  StoreConnection* connection = StoreConnection::Acquire();
  return connection && connection->storeId() == key.store ? connection : nullptr;
}

}  // namespace

std::string RegistryStorePath() {
  std::string folder = UpvaneHome();
  if (folder.empty()) {
    std::string config = GetEnv("XDG_CONFIG_HOME");
    if (config.empty()) {
      const std::string home = GetEnv("HOME");
      if (home.empty()) return {};
      config = home + "/.config";
    }
    folder = config + "/upvane";
  }
  if (folder.back() != '/') folder += '/';
  return folder + "registry.sqlite";
}

bool StoreOpenKey(const std::string& path, StoreKey& key) { return Resolve(path, false, key); }

bool StoreCreateKey(const std::string& path, StoreKey& key) { return Resolve(path, true, key); }

bool StoreEnumSubKey(const StoreKey& key, uint32_t index, std::string& name) {
  name.clear();
  StoreConnection* connection = ConnectionFor(key);
  if (!connection) return false;
  sqlite3_stmt* statement = connection->Get(StoreConnection::kEnumKey);
  int rc = SQLITE_OK;
  {
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key.id);
    sqlite3_bind_int64(statement, 2, index);
    rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
      const auto* text = static_cast<const char*>(sqlite3_column_blob(statement, 0));
      name.assign(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(statement, 0)));
      return true;
    }
  }
  connection->CheckDamage(rc);
  return false;
}

bool StoreQueryValue(const StoreKey& key, const std::string& name, uint32_t& type, std::string& data) {
  type = 0;
  data.clear();
  StoreConnection* connection = ConnectionFor(key);
  if (!connection) return false;
  sqlite3_stmt* statement = connection->Get(StoreConnection::kQueryValue);
  int rc = SQLITE_OK;
  {
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key.id);
    BindText(statement, 2, Fold(name));
    rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) {
      type = static_cast<uint32_t>(sqlite3_column_int64(statement, 0));
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, 1));
      data.assign(bytes ? bytes : "", static_cast<size_t>(sqlite3_column_bytes(statement, 1)));
      return true;
    }
  }
  connection->CheckDamage(rc);
  return false;
}

bool StoreSetValue(const StoreKey& key, const std::string& name, uint32_t type, const std::string& data) {
  if (name.size() > kStoreMaxValueName || data.size() > kStoreMaxValueData) return false;
  StoreConnection* connection = ConnectionFor(key);
  if (!connection || !sqlite3_get_autocommit(connection->db())) return false;
  sqlite3_stmt* statement = connection->Get(StoreConnection::kSetValue);
  int rc = SQLITE_OK;
  {
    // One statement in autocommit mode: one transaction, waited for by the
    // busy handler, durable when it returns.
    std::lock_guard<std::mutex> writing(g_writeMutex);
    StatementScope scope(statement);
    sqlite3_bind_int64(statement, 1, key.id);
    BindText(statement, 2, Fold(name));
    BindText(statement, 3, name);
    sqlite3_bind_int64(statement, 4, type);
    sqlite3_bind_blob(statement, 5, data.data(), static_cast<int>(data.size()), SQLITE_TRANSIENT);
    rc = sqlite3_step(statement);
    if (rc == SQLITE_DONE) return true;
  }
  connection->CheckDamage(rc);
  return false;
}

StoreSnapshot::StoreSnapshot() {
  StoreConnection* connection = StoreConnection::Acquire();
  if (connection && sqlite3_get_autocommit(connection->db())) {
    m_began = connection->Exec("BEGIN") == SQLITE_OK;
  }
}

StoreSnapshot::~StoreSnapshot() {
  if (!m_began) return;
  // A connection replaced meanwhile is fresh and has no transaction to end.
  StoreConnection* connection = StoreConnection::Acquire();
  if (connection && !sqlite3_get_autocommit(connection->db())) connection->Exec("COMMIT");
}

bool CheckStoreIntegrity(const std::string& path, std::string& report) {
  report.clear();
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  bool ok = false;
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* check = nullptr;
    rc = sqlite3_prepare_v2(db, "PRAGMA integrity_check(1)", -1, &check, nullptr);
    if (rc == SQLITE_OK && sqlite3_step(check) == SQLITE_ROW) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
      report = text ? text : "";
      ok = report == "ok";
    } else {
      report = sqlite3_errmsg(db);
    }
    sqlite3_finalize(check);
  } else {
    report = db ? sqlite3_errmsg(db) : "cannot open";
  }
  sqlite3_close_v2(db);
  return ok;
}

}  // namespace upvane
