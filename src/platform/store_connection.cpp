#include "platform/store_connection.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <thread>

#include "platform/files.h"
#include "platform/format.h"
#include "platform/registry_store.h"

namespace upvane {

namespace {

// How long a writer waits for writers of other processes to finish.
constexpr auto kBusyLimit = std::chrono::seconds(10);
// How long a damaged-file check waits for another process doing the same.
constexpr auto kMoveAsideLockLimit = std::chrono::seconds(5);

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS meta(name TEXT PRIMARY KEY, value INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
    " name TEXT NOT NULL, path TEXT NOT NULL UNIQUE);"
    "CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(parent, id);"
    "CREATE TABLE IF NOT EXISTS vals(key INTEGER NOT NULL, fold TEXT NOT NULL, name TEXT NOT NULL,"
    " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, fold)) WITHOUT ROWID;";

const char* const kStatementSql[StoreConnection::kStatementCount] = {
    "SELECT id FROM keys WHERE path = ?1",
    "INSERT INTO keys(parent, name, path) VALUES(?1, ?2, ?3)",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
    "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2",
    "INSERT INTO vals(key, fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
    " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data",
};

bool IsDamage(int rc) {
  const int primary = rc & 0xff;
  return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

StoreFileId StatFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {true, st.st_dev, st.st_ino};
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Holds an exclusive flock on the store's folder, so that processes finding
// the same damaged file do not move each other's fresh store aside.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) {
    m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + kMoveAsideLockLimit;
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        ::close(m_fd);
        m_fd = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_locked = true;
  }
  ~FolderLock() {
    if (m_fd >= 0) ::close(m_fd);  // releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool locked() const { return m_locked; }

 private:
  int m_fd = -1;
  bool m_locked = false;
};

std::string TimeStampNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  return Format("%04d%02d%02d-%02d%02d%02d", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                utc.tm_min, utc.tm_sec);
}

// Renames the damaged file aside, if it is still the one at `path`. Its WAL
// goes with it (a stale WAL beside a fresh file would be replayed into it);
// the shared-memory index is only a cache and is removed.
void MoveAside(const std::string& path, const StoreFileId& damaged) {
  FolderLock lock(FolderOf(path));
  if (!lock.locked() || !damaged.exists || !(StatFile(path) == damaged)) return;
  const std::string base = path + ".corrupt-" + TimeStampNow();
  std::string target = base;
  for (int n = 1; StatFile(target).exists || StatFile(target + "-wal").exists; ++n) {
    if (n > 1000) return;
    target = base + "-" + std::to_string(n);
  }
  if (StatFile(path + "-wal").exists) ::rename((path + "-wal").c_str(), (target + "-wal").c_str());
  ::unlink((path + "-shm").c_str());
  if (::rename(path.c_str(), target.c_str()) != 0) {
    std::fprintf(stderr, "upvane: the store file %s is damaged and could not be moved aside\n", path.c_str());
    return;
  }
  std::fprintf(stderr, "upvane: the store file %s is damaged; moved it to %s and started a fresh store\n",
               path.c_str(), target.c_str());
}

uint64_t NewStoreId() {
  std::random_device device;
  uint64_t id = 0;
  while (id == 0) id = (uint64_t{device()} << 32) ^ device();
  return id;
}

thread_local std::unique_ptr<StoreConnection> t_connection;

// Retries in short steps: a long back-off lets other writers overtake a
// waiting one again and again.
int WaitForLock(void*, int count) {
  thread_local std::chrono::steady_clock::time_point start;
  const auto now = std::chrono::steady_clock::now();
  if (count == 0) start = now;
  if (now - start >= kBusyLimit) return 0;
  std::this_thread::sleep_for(std::chrono::microseconds(count < 20 ? 100 : count < 100 ? 500 : 2000));
  return 1;
}

}  // namespace

StoreConnection::~StoreConnection() {
  for (sqlite3_stmt*& statement : m_statements) sqlite3_finalize(statement);
  sqlite3_close_v2(m_db);
}

int StoreConnection::Exec(const char* sql) const {
  return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
}

int StoreConnection::Open(const std::string& path) {
  m_path = path;
  if (!MakeFolders(FolderOf(path), 0700)) return SQLITE_CANTOPEN;
  const bool isNew = !StatFile(path).exists;
  int rc = sqlite3_open_v2(path.c_str(), &m_db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) return rc;
  // Phone numbers and identifiers are the user's own; the WAL and its index
  // take the file's mode when they are created.
  if (isNew) ::chmod(path.c_str(), 0600);
  sqlite3_extended_result_codes(m_db, 1);
  sqlite3_busy_handler(m_db, WaitForLock, nullptr);
  // Keep the WAL and its index when the last connection closes: a connection
  // to a file that was moved aside must not delete the fresh store's files,
  // which now carry the names it knows.
  int persist = 1;
  sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);

  // Check before anything is written, so a damaged file is moved aside as it
  // was found. A file whose header is sound can still have damaged pages.
  sqlite3_stmt* check = nullptr;
  rc = sqlite3_prepare_v2(m_db, "PRAGMA quick_check(1)", -1, &check, nullptr);
  if (rc != SQLITE_OK) return rc;
  rc = sqlite3_step(check);
  const bool sound =
      rc == SQLITE_ROW && std::string(reinterpret_cast<const char*>(sqlite3_column_text(check, 0))) == "ok";
  sqlite3_finalize(check);
  if (rc != SQLITE_ROW) return rc;
  if (!sound) return SQLITE_CORRUPT;

  sqlite3_stmt* mode = nullptr;
  rc = sqlite3_prepare_v2(m_db, "PRAGMA journal_mode=WAL", -1, &mode, nullptr);
  if (rc != SQLITE_OK) return rc;
  rc = sqlite3_step(mode);
  const bool wal =
      rc == SQLITE_ROW && std::string(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0))) == "wal";
  sqlite3_finalize(mode);
  if (rc != SQLITE_ROW) return rc;
  if (!wal) return SQLITE_CANTOPEN;
  // In WAL mode a commit survives the process dying at any moment; only a
  // power cut may drop the newest commits (never corrupting the file). A
  // flush per value would cost the wizard's start-up one disk wait per value.
  if ((rc = Exec("PRAGMA synchronous=NORMAL")) != SQLITE_OK) return rc;
  // With a size limit the kept WAL is truncated when the last connection closes.
  if ((rc = Exec("PRAGMA journal_size_limit=1048576")) != SQLITE_OK) return rc;

  for (int pass = 0; pass < 2 && m_storeId == 0; ++pass) {
    sqlite3_stmt* read = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT value FROM meta WHERE name = 'store'", -1, &read, nullptr) ==
        SQLITE_OK) {
      rc = sqlite3_step(read);
      if (rc == SQLITE_ROW) m_storeId = static_cast<uint64_t>(sqlite3_column_int64(read, 0));
      sqlite3_finalize(read);
      if (rc != SQLITE_ROW && rc != SQLITE_DONE) return rc;
    } else if (IsDamage(sqlite3_extended_errcode(m_db))) {
      return sqlite3_extended_errcode(m_db);
    }
    if (m_storeId != 0 || pass == 1) break;
    // A new file (or one from before the tables existed): create them once.
    if ((rc = Exec("BEGIN IMMEDIATE")) != SQLITE_OK) return rc;
    rc = Exec(kSchema);
    if (rc == SQLITE_OK) {
      const std::string insert = Format("INSERT OR IGNORE INTO meta(name, value) VALUES('store', %lld)",
                                        static_cast<long long>(NewStoreId()));
      rc = Exec(insert.c_str());
    }
    if (rc == SQLITE_OK) rc = Exec("COMMIT");
    if (rc != SQLITE_OK) {
      Exec("ROLLBACK");
      return rc;
    }
  }
  if (m_storeId == 0) return SQLITE_CORRUPT;

  for (int i = 0; i < kStatementCount; ++i) {
    rc = sqlite3_prepare_v3(m_db, kStatementSql[i], -1, SQLITE_PREPARE_PERSISTENT, &m_statements[i], nullptr);
    if (rc != SQLITE_OK) return rc;
  }
  m_file = StatFile(path);
  return m_file.exists ? SQLITE_OK : SQLITE_CANTOPEN;
}

StoreConnection* StoreConnection::Acquire() {
  StoreConnection* current = t_connection.get();
  // Inside a read snapshot the connection stays pinned to its file.
  if (current && !sqlite3_get_autocommit(current->m_db)) return current;
  const std::string path = RegistryStorePath();
  if (path.empty()) return nullptr;
  if (current && current->m_path == path && StatFile(path) == current->m_file) return current;
  t_connection.reset();
  // The second pass opens the fresh store after a damaged file was moved.
  for (int pass = 0; pass < 2; ++pass) {
    const StoreFileId before = StatFile(path);
    std::unique_ptr<StoreConnection> connection(new StoreConnection());
    const int rc = connection->Open(path);
    if (rc == SQLITE_OK) {
      t_connection = std::move(connection);
      return t_connection.get();
    }
    connection.reset();
    if (!IsDamage(rc)) return nullptr;
    MoveAside(path, before);
  }
  return nullptr;
}

void StoreConnection::CheckDamage(int rc) {
  if (!IsDamage(rc)) return;
  const std::string path = m_path;
  const StoreFileId file = m_file;
  t_connection.reset();
  MoveAside(path, file);
}

}  // namespace upvane
