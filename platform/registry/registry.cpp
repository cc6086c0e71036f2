// The settings store on SQLite.
//
// Schema: keys(id, parent, name, name_fold) holds the tree, the root being the
// id 0 that has no row; vals(seq, key, name, name_fold, type, data, dword)
// holds the values, seq giving their creation order. name_fold is the name in
// the form it compares under (foldName), unique among siblings.
//
// The database runs in WAL mode so that readers never wait for a writer, and
// every change takes the write lock at its start (BEGIN IMMEDIATE), waiting up
// to kBusyTimeoutMs for another program's change to end. SQLite answers
// "busy" at once, without waiting, in a few moments of a WAL database's life
// (while the last program to close it cleans up, while one that opens it
// after a crash recovers it); so whatever answers busy is tried again, as
// long as it is ours to repeat, until the same time is up.

#include "platform/registry/registry.h"

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "common/errors/errors.h"
#include "platform/registry/names.h"

namespace lumo::registry {
namespace {

constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER NOT NULL,
  name TEXT NOT NULL,
  name_fold TEXT NOT NULL,
  UNIQUE(parent, name_fold));
CREATE TABLE IF NOT EXISTS vals(
  seq INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name TEXT NOT NULL,
  name_fold TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  dword INTEGER NOT NULL DEFAULT 0,
  UNIQUE(key, name_fold));
)";

using KeyId = sqlite3_int64;
constexpr KeyId kRoot = 0;

// "file:" URI of a path, for opening a database that may not be written.
std::string fileUri(const std::string& path) {
  std::string uri = "file:";
  for (unsigned char c : path) {
    if (c == '%' || c == '?' || c == '#' || c < 0x20) {
      static const char* hex = "0123456789ABCDEF";
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri;
}

// Why the database failed, for the reader: a full disk in the words every
// writer of the suite uses ("disco pieno"), SQLite's own text otherwise.
std::string failureCause(sqlite3* db, int rc) {
  const int code = (db ? sqlite3_extended_errcode(db) : rc) & 0xFF;
  const int os = db ? sqlite3_system_errno(db) : 0;
  if (code == SQLITE_FULL || ((code == SQLITE_IOERR || code == SQLITE_CANTOPEN) && (os == ENOSPC || os == EDQUOT)))
    return ioErrorCause(ENOSPC);
  return db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
}

// A store error that may go away when tried again.
class Busy : public RuntimeError {
 public:
  using RuntimeError::RuntimeError;
};

}  // namespace

struct Store::Impl {
  std::string file;
  bool readOnly;
  sqlite3* db = nullptr;
  int depth = 0;  // of nested transactions
  std::map<std::string, sqlite3_stmt*, std::less<>> statements;

  Impl(std::string f, bool ro) : file(std::move(f)), readOnly(ro) {}
  ~Impl() { close(); }

  [[noreturn]] void fail(const std::string& cause, bool busy = false) const {
    std::string description = errorDescription(err::PathFileAccess) + ": " + file + " (" + cause + ")";
    if (busy) throw Busy(err::PathFileAccess, description);
    throw RuntimeError(err::PathFileAccess, description);
  }
  [[noreturn]] void failDb() const {
    if (!db) fail("out of memory");
    fail(failureCause(db, SQLITE_ERROR), (sqlite3_extended_errcode(db) & 0xFF) == SQLITE_BUSY);
  }

  // Runs f again while it answers busy, unless it runs inside a transaction
  // (which only its owner may repeat).
  template <typename F>
  auto retrying(F&& f) -> decltype(f()) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (int attempt = 1;; ++attempt) {
      try {
        return f();
      } catch (const Busy&) {
        if (depth > 0 || std::chrono::steady_clock::now() > deadline) throw;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min(attempt, 20)));
    }
  }

  // One change of our own: a whole transaction, repeated while busy.
  void change(const std::function<void()>& changes) {
    retrying([&] { transaction(changes); });
  }

  void close() {
    for (auto& [sql, stmt] : statements) sqlite3_finalize(stmt);
    statements.clear();
    if (db) sqlite3_close_v2(db);
    db = nullptr;
  }

  void exec(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) failDb();
  }

  // --- opening ---

  void openWritable() {
    std::error_code ec;
    auto folder = std::filesystem::path(file).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    int rc = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
      std::string cause = failureCause(db, rc);
      close();
      fail(cause);
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    try {
      retrying([&] { useWal(); });
      change([&] { exec(kSchema); });
    } catch (...) {
      close();
      throw;
    }
  }

  // WAL lets readers go on while another program writes. The mode is kept in
  // the file, so only the program that creates the database switches it.
  void useWal() {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &stmt, nullptr);
    if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
    bool wal =
        rc == SQLITE_ROW && std::string_view(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) == "wal";
    sqlite3_finalize(stmt);
    if (!wal) failDb();
  }

  // A read-only database that is missing, or holds no store yet, reads as
  // empty: the connection stays closed and is tried again at the next read.
  bool openReadOnly() {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return false;
    Opening result = tryOpenReadOnly(fileUri(file));
    // A WAL database in a folder we may not write needs its shared-memory
    // file; without one it can still be read as an unchanging file.
    if (result == Opening::CannotOpen) result = tryOpenReadOnly(fileUri(file) + "?immutable=1");
    if (result == Opening::CannotOpen) fail(lastError);
    return result == Opening::Open;
  }

  enum class Opening { Open, NoStore, CannotOpen };
  std::string lastError;

  Opening tryOpenReadOnly(const std::string& uri) {
    int rc = sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    bool hasStore = false;
    if (rc == SQLITE_OK) {
      sqlite3_busy_timeout(db, kBusyTimeoutMs);
      sqlite3_stmt* stmt = nullptr;
      rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE name IN ('keys','vals')", -1, &stmt,
                              nullptr);
      if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
      hasStore = rc == SQLITE_ROW && sqlite3_column_int(stmt, 0) == 2;
      sqlite3_finalize(stmt);
    }
    if (rc == SQLITE_ROW && hasStore) return Opening::Open;
    lastError = rc == SQLITE_ROW ? "" : failureCause(db, rc);
    close();
    if (rc == SQLITE_ROW) return Opening::NoStore;
    if ((rc & 0xFF) == SQLITE_CANTOPEN) return Opening::CannotOpen;
    fail(lastError, (rc & 0xFF) == SQLITE_BUSY);
  }

  // Why a writable store could not be opened for writing ("" while it is
  // open for writing): it is then read without creating or changing any
  // file (a full disk, a read-only folder), and every change first tries
  // to open it for writing again.
  std::string writeFailure;

  // Opens an existing store for reading only after it failed to open for
  // writing; false when there is no store to read.
  bool fallBackToReading(const std::string& failure) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return false;
    writeFailure = failure;
    try {
      openForReading();
    } catch (const RuntimeError&) {
      writeFailure.clear();
      return false;
    }
    return true;
  }

  // A store that failed to open for writing may fail a plain read-only
  // open too (a full disk cannot grow its shared-memory file): it is then
  // read as an unchanging file.
  bool openForReading() {
    if (writeFailure.empty()) return openReadOnly();
    try {
      return openReadOnly();
    } catch (const RuntimeError&) {
      if (tryOpenReadOnly(fileUri(file) + "?immutable=1") == Opening::CannotOpen) fail(lastError);
      return db != nullptr;
    }
  }

  // The connection for a read; nullptr when a read-only store is missing.
  sqlite3* forRead() {
    if (!db && (readOnly || !writeFailure.empty()) && !openForReading()) return nullptr;
    return db;
  }

  void checkWritable() {
    if (readOnly) throw RuntimeError(err::PermissionDenied, errorDescription(err::PermissionDenied) + ": " + file);
    if (writeFailure.empty()) return;
    close();
    try {
      openWritable();
      writeFailure.clear();
    } catch (const RuntimeError& e) {
      writeFailure = e.description();
      throw;  // the next read opens the store for reading again
    }
  }

  // --- statements ---

  class Query {
   public:
    Query(Impl& impl, std::string_view sql) : impl_(impl) {
      auto it = impl.statements.find(sql);
      if (it == impl.statements.end()) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v3(impl.db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                               nullptr) != SQLITE_OK)
          impl.failDb();
        it = impl.statements.emplace(std::string(sql), stmt).first;
      }
      stmt_ = it->second;
    }
    ~Query() {
      sqlite3_reset(stmt_);
      sqlite3_clear_bindings(stmt_);
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& bind(int i, sqlite3_int64 v) {
      check(sqlite3_bind_int64(stmt_, i, v));
      return *this;
    }
    Query& bindText(int i, std::string_view v) {
      check(sqlite3_bind_text(stmt_, i, v.empty() ? "" : v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
      return *this;
    }
    Query& bindBlob(int i, std::string_view v) {
      // An empty view may have no data pointer, which would bind NULL.
      check(sqlite3_bind_blob(stmt_, i, v.empty() ? "" : v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
      return *this;
    }
    // True while there is a row; false at the end.
    bool step() {
      int rc = sqlite3_step(stmt_);
      if (rc == SQLITE_ROW) return true;
      if (rc == SQLITE_DONE) return false;
      impl_.failDb();
    }
    sqlite3_int64 integer(int col) { return sqlite3_column_int64(stmt_, col); }
    std::string text(int col) {
      const void* p = sqlite3_column_blob(stmt_, col);
      int n = sqlite3_column_bytes(stmt_, col);
      return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
    }

   private:
    void check(int rc) {
      if (rc != SQLITE_OK) impl_.failDb();
    }
    Impl& impl_;
    sqlite3_stmt* stmt_;
  };

  // --- keys and values ---

  std::optional<KeyId> childKey(KeyId parent, const std::string& name) {
    Query q(*this, "SELECT id FROM keys WHERE parent=?1 AND name_fold=?2");
    q.bind(1, parent).bindText(2, detail::foldName(name));
    if (!q.step()) return std::nullopt;
    return q.integer(0);
  }

  std::optional<KeyId> findKey(const std::string& path) {
    auto names = detail::splitKeyPath(path);
    if (!names) return std::nullopt;
    KeyId id = kRoot;
    for (const auto& name : *names) {
      auto child = childKey(id, name);
      if (!child) return std::nullopt;
      id = *child;
    }
    return id;
  }

  static std::vector<std::string> namesForChange(const std::string& path) {
    auto names = detail::splitKeyPath(path);
    if (!names) throw RuntimeError(err::InvalidCall);
    return *names;
  }

  KeyId ensureKey(const std::vector<std::string>& names) {
    KeyId id = kRoot;
    for (const auto& name : names) {
      if (auto child = childKey(id, name)) {
        id = *child;
        continue;
      }
      Query q(*this, "INSERT INTO keys(parent, name, name_fold) VALUES(?1, ?2, ?3)");
      q.bind(1, id).bindText(2, name).bindText(3, detail::foldName(name));
      q.step();
      id = sqlite3_last_insert_rowid(db);
    }
    return id;
  }

  void deleteSubtree(KeyId id) {
    static constexpr const char* kSubtree =
        "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION SELECT k.id FROM keys k JOIN sub ON k.parent = sub.id) ";
    {
      Query q(*this, std::string(kSubtree) + "DELETE FROM vals WHERE key IN sub");
      q.bind(1, id).step();
    }
    Query q(*this, std::string(kSubtree) + "DELETE FROM keys WHERE id IN sub");
    q.bind(1, id).step();
  }

  // A value from a row of (name, type, data, dword).
  static Value valueFromRow(Query& q) {
    Value v;
    v.name = q.text(0);
    v.type = static_cast<ValueType>(q.integer(1));
    v.data = q.text(2);
    v.dword = static_cast<uint32_t>(q.integer(3));
    return v;
  }

  // --- transactions ---

  void transaction(const std::function<void()>& changes) {
    checkWritable();
    if (depth == 0)
      retrying([&] { exec("BEGIN IMMEDIATE"); });
    else
      exec("SAVEPOINT nested");
    ++depth;
    try {
      changes();
    } catch (...) {
      --depth;
      undo();
      throw;
    }
    --depth;
    if (depth > 0) {
      exec("RELEASE nested");
      return;
    }
    try {
      // A commit that answers busy keeps its transaction and may be repeated.
      retrying([&] { exec("COMMIT"); });
    } catch (...) {
      undo();
      throw;
    }
  }

  void snapshot(const std::function<void()>& reads) {
    if (depth > 0 || !forRead()) {
      reads();
      return;
    }
    retrying([&] {
      // A deferred transaction takes its snapshot at its first read.
      exec("BEGIN DEFERRED");
      ++depth;
      try {
        reads();
      } catch (...) {
        --depth;
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
      }
      --depth;
      try {
        exec("COMMIT");
      } catch (...) {
        if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
      }
    });
  }

  // Undoes the transaction level just left. SQLite may already have rolled
  // the whole transaction back after an I/O error; then there is nothing left.
  void undo() noexcept {
    if (sqlite3_get_autocommit(db)) return;
    if (depth == 0)
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    else
      sqlite3_exec(db, "ROLLBACK TO nested; RELEASE nested", nullptr, nullptr, nullptr);
  }
};

Store::Store(const std::string& databaseFile, bool readOnly) : impl_(new Impl(databaseFile, readOnly)) {
  if (readOnly) return;
  try {
    impl_->openWritable();
  } catch (const RuntimeError& e) {
    // A store that exists is still read when it cannot be written.
    if (impl_->fallBackToReading(e.description())) return;
    delete impl_;
    throw;
  } catch (...) {
    delete impl_;
    throw;
  }
}

Store::~Store() { delete impl_; }

const std::string& Store::databaseFile() const { return impl_->file; }
bool Store::readOnly() const { return impl_->readOnly; }

bool Store::keyExists(const std::string& keyPath) {
  return impl_->retrying([&] {
    if (!impl_->forRead()) return keyPath.empty();
    return impl_->findKey(keyPath).has_value();
  });
}

void Store::createKey(const std::string& keyPath) {
  auto names = Impl::namesForChange(keyPath);
  impl_->change([&] { impl_->ensureKey(names); });
}

bool Store::deleteKey(const std::string& keyPath) {
  if (keyPath.empty()) throw RuntimeError(err::InvalidCall);
  bool deleted = false;
  impl_->change([&] {
    auto id = impl_->findKey(keyPath);
    if (id) impl_->deleteSubtree(*id);
    deleted = id.has_value();
  });
  return deleted;
}

std::vector<std::string> Store::subkeys(const std::string& keyPath) {
  return impl_->retrying([&] {
    std::vector<std::string> names;
    if (!impl_->forRead()) return names;
    auto id = impl_->findKey(keyPath);
    if (!id) return names;
    Impl::Query q(*impl_, "SELECT name FROM keys WHERE parent=?1 ORDER BY name_fold");
    q.bind(1, *id);
    while (q.step()) names.push_back(q.text(0));
    return names;
  });
}

std::vector<Value> Store::values(const std::string& keyPath) {
  return impl_->retrying([&] {
    std::vector<Value> result;
    if (!impl_->forRead()) return result;
    auto id = impl_->findKey(keyPath);
    if (!id) return result;
    Impl::Query q(*impl_, "SELECT name, type, data, dword FROM vals WHERE key=?1 ORDER BY seq");
    q.bind(1, *id);
    while (q.step()) result.push_back(Impl::valueFromRow(q));
    return result;
  });
}

std::optional<Value> Store::value(const std::string& keyPath, const std::string& name) {
  return impl_->retrying([&]() -> std::optional<Value> {
    if (!impl_->forRead()) return std::nullopt;
    auto id = impl_->findKey(keyPath);
    if (!id) return std::nullopt;
    Impl::Query q(*impl_, "SELECT name, type, data, dword FROM vals WHERE key=?1 AND name_fold=?2");
    q.bind(1, *id).bindText(2, detail::foldName(name));
    if (!q.step()) return std::nullopt;
    return Impl::valueFromRow(q);
  });
}

void Store::setValue(const std::string& keyPath, const Value& value) {
  auto names = Impl::namesForChange(keyPath);
  bool isDword = value.type == ValueType::Dword;
  impl_->change([&] {
    KeyId id = impl_->ensureKey(names);
    // An existing value keeps its row, so its name and creation place stay.
    Impl::Query q(*impl_,
                  "INSERT INTO vals(key, name, name_fold, type, data, dword) VALUES(?1, ?2, ?3, ?4, ?5, ?6) "
                  "ON CONFLICT(key, name_fold) DO UPDATE SET "
                  "type=excluded.type, data=excluded.data, dword=excluded.dword");
    q.bind(1, id).bindText(2, value.name).bindText(3, detail::foldName(value.name));
    q.bind(4, static_cast<int>(value.type));
    q.bindBlob(5, isDword ? std::string_view() : std::string_view(value.data));
    q.bind(6, isDword ? value.dword : 0);
    q.step();
  });
}

bool Store::deleteValue(const std::string& keyPath, const std::string& name) {
  bool deleted = false;
  impl_->change([&] {
    deleted = false;
    auto id = impl_->findKey(keyPath);
    if (!id) return;
    Impl::Query q(*impl_, "DELETE FROM vals WHERE key=?1 AND name_fold=?2");
    q.bind(1, *id).bindText(2, detail::foldName(name)).step();
    deleted = sqlite3_changes(impl_->db) > 0;
  });
  return deleted;
}

void Store::transaction(const std::function<void()>& changes) { impl_->transaction(changes); }

void Store::snapshot(const std::function<void()>& reads) { impl_->snapshot(reads); }

}  // namespace lumo::registry
