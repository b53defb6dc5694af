#pragma once
// The calling thread's SQLite connection to the store file (internal to the
// store): opened on first use, reopened when the store path or the file at
// that path changes, closed when the thread ends.
#include <sqlite3.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace upvane {

struct StoreFileId {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const StoreFileId&) const = default;
};

class StoreConnection {
 public:
  enum Statement {
    kLookupKey,  // id of a key by its folded path
    kInsertKey,
    kEnumKey,
    kQueryValue,
    kSetValue,
    kStatementCount
  };

  ~StoreConnection();
  StoreConnection(const StoreConnection&) = delete;
  StoreConnection& operator=(const StoreConnection&) = delete;

  // This thread's connection to the current store, or nullptr when the store
  // cannot be opened. A damaged file found while opening is moved aside.
  static StoreConnection* Acquire();

  // Called with the result code of a failed step: a damaged file is moved
  // aside and this thread's connection dropped (`this` is then gone).
  void CheckDamage(int rc);

  sqlite3* db() const { return m_db; }
  uint64_t storeId() const { return m_storeId; }
  // A prepared statement, reset and without bindings.
  sqlite3_stmt* Get(Statement which) const { return m_statements[which]; }
  // Runs SQL without results; the SQLite result code.
  int Exec(const char* sql) const;

 private:
  StoreConnection() = default;
  // SQLITE_OK, or the code that stopped the opening.
  int Open(const std::string& path);

  sqlite3* m_db = nullptr;
  std::string m_path;
  StoreFileId m_file;
  uint64_t m_storeId = 0;
  sqlite3_stmt* m_statements[kStatementCount] = {};
};

// Resets a statement and clears its bindings when the scope ends.
class StatementScope {
 public:
  explicit StatementScope(sqlite3_stmt* statement) : m_statement(statement) {}
  ~StatementScope() {
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
  }
  StatementScope(const StatementScope&) = delete;
  StatementScope& operator=(const StatementScope&) = delete;

 private:
  sqlite3_stmt* m_statement;
};

}  // namespace upvane
