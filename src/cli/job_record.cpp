#include "cli/job_record.h"

#include <sqlite3.h>

#include <chrono>
#include <ctime>
#include <ostream>
#include <thread>

#include "base/hashes.h"
#include "base/stop_flag.h"

namespace tarnwick {

namespace {

// The result column's words.
constexpr const char* kPass = "pass";
constexpr const char* kFail = "fail";
constexpr const char* kStopped = "stopped";
constexpr const char* kUnfinished = "unfinished";

constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS job_state(key TEXT PRIMARY KEY, value INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS returned_serials(serial INTEGER PRIMARY KEY);
CREATE TABLE IF NOT EXISTS chips(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  time TEXT NOT NULL,
  host TEXT NOT NULL,
  port TEXT NOT NULL,
  operator TEXT,
  serial INTEGER,
  image_sha256 TEXT NOT NULL,
  crc32 TEXT,
  steps TEXT NOT NULL DEFAULT '',
  result TEXT NOT NULL,
  reason TEXT,
  exit_code INTEGER,
  duration_ms INTEGER);
-- No two chips that passed (or may hold their number) share one.
CREATE UNIQUE INDEX IF NOT EXISTS chips_serial_once ON chips(serial)
  WHERE result IN ('pass', 'unfinished');
)";

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &st_, nullptr); }
  ~Statement() { sqlite3_finalize(st_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  int Prepared() const { return rc_; }
  Statement& Bind(int i, int64_t value) {
    sqlite3_bind_int64(st_, i, value);
    return *this;
  }
  Statement& Bind(int i, const std::string& text) {
    sqlite3_bind_text(st_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& BindNull(int i) {
    sqlite3_bind_null(st_, i);
    return *this;
  }
  int Step() { return rc_ == SQLITE_OK ? sqlite3_step(st_) : rc_; }
  bool IsNull(int col) const { return sqlite3_column_type(st_, col) == SQLITE_NULL; }
  int64_t Int(int col) const { return sqlite3_column_int64(st_, col); }
  std::string Text(int col) const {
    const auto* text = sqlite3_column_text(st_, col);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
  }

 private:
  sqlite3_stmt* st_ = nullptr;
  int rc_ = SQLITE_OK;
};

// A field of a CSV row (RFC 4180): quoted where it holds a comma, a quote or a line break.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

}  // namespace

std::string RecordTimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  // +0200 -> +02:00, as ISO 8601 writes it with the date's dashes.
  std::string stamp = text;
  if (stamp.size() >= 5) stamp.insert(stamp.size() - 2, ":");
  return stamp;
}

JobRecord::~JobRecord() {
  if (db_ != nullptr) sqlite3_close(db_);
}

int JobRecord::OnBusy(void* self, int count) {
  auto& record = *static_cast<JobRecord*>(self);
  const int64_t now = NowMs();
  if (count == 0) {
    record.waitStart_ = now;
    record.waitAnnounced_ = false;
  }
  const bool stop = record.wait_.stop ? record.wait_.stop() : InterruptRequested();
  if (stop || now - record.waitStart_ >= record.wait_.timeoutMs) return 0;
  // Another run's transaction lasts milliseconds; a wait that goes on is worth a word.
  if (!record.waitAnnounced_ && now - record.waitStart_ >= 500) {
    record.waitAnnounced_ = true;
    if (record.wait_.waiting) record.wait_.waiting();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(count < 10 ? 1 : 10));
  return 1;
}

void JobRecord::Fail(const char* doing, int code) {
  std::string text;
  if (code == SQLITE_BUSY || code == SQLITE_LOCKED) {
    text = path_ + " is held by another process";
    const bool stopped = wait_.stop ? wait_.stop() : InterruptRequested();
    text += stopped ? "; stopped while waiting"
                    : "; after waiting " + std::to_string((wait_.timeoutMs + 999) / 1000) + " s";
    text += " it could not " + std::string(doing);
  } else {
    text = path_ + ": cannot " + doing + ": " +
           (db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
  }
  throw JobRecordError(text);
}

void JobRecord::Exec(const char* sql, const char* doing) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Fail(doing, rc);
}

bool JobRecord::Open(const std::string& path, bool create, const Wait& wait) {
  path_ = path;
  wait_ = wait;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    if (!create && rc == SQLITE_CANTOPEN) return false;
    Fail("be opened", rc);
  }
  sqlite3_extended_result_codes(db_, 0);
  sqlite3_busy_handler(db_, &JobRecord::OnBusy, this);
  // WAL: readers (a report) never hold up a run. FULL: a committed number is on the
  // disk before the chip that carries it is programmed.
  Exec("PRAGMA journal_mode=WAL", "be opened");
  Exec("PRAGMA synchronous=FULL", "be opened");
  return true;
}

// BEGIN IMMEDIATE takes the write lock at once, so no two runs ever read the same next
// number; anything that goes wrong before the commit takes the whole transaction back.
class RecordTransaction {
 public:
  RecordTransaction(sqlite3* db, const std::function<void(int)>& fail) : db_(db), fail_(fail) {
    const int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail_(rc);
  }
  ~RecordTransaction() {
    if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void Commit() {
    const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail_(rc);
    done_ = true;
  }

 private:
  sqlite3* db_;
  std::function<void(int)> fail_;
  bool done_ = false;
};

void JobRecord::Prepare(const std::optional<SerialRule>& rule) {
  rule_ = rule;
  const auto fail = [this](int rc) { Fail("be prepared for the run", rc); };
  RecordTransaction tx(db_, fail);
  if (const int rc = sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr); rc != SQLITE_OK)
    fail(rc);
  if (rule) {
    Statement read(db_, "SELECT key, value FROM job_state WHERE key IN ('first', 'step')");
    std::optional<int64_t> first, step;
    for (int rc; (rc = read.Step()) != SQLITE_DONE;) {
      if (rc != SQLITE_ROW) fail(rc);
      (read.Text(0) == "first" ? first : step) = read.Int(1);
    }
    if (!first) {
      Statement put(db_,
                    "INSERT INTO job_state(key, value) VALUES ('first', ?1), ('step', ?2), "
                    "('next', ?1)");
      put.Bind(1, rule->first).Bind(2, rule->step);
      if (const int rc = put.Step(); rc != SQLITE_DONE) fail(rc);
    } else if (*first != rule->first || step.value_or(1) != rule->step) {
      // Numbers already handed out came from the old rule: another first number or
      // step could hand them out again.
      throw JobRecordError(path_ + " began with serial numbers from " + std::to_string(*first) +
                           " in steps of " + std::to_string(step.value_or(1)) +
                           "; the job now says from " + std::to_string(rule->first) +
                           " in steps of " + std::to_string(rule->step) +
                           ": put the rule back, or begin a new record (move " + path_ + " aside)");
    }
  }
  tx.Commit();
}

ChipClaim JobRecord::Claim(const RecordStation& station) {
  const auto fail = [this](int rc) { Fail("hand out the next chip's row", rc); };
  RecordTransaction tx(db_, fail);
  const std::optional<ChipClaim> claim = ClaimInTransaction(station, fail);
  if (!claim)
    throw JobRecordError(path_ + ": the next serial number does not fit in " +
                         std::to_string(rule_->length) + " bytes of " +
                         EncodingName(rule_->encoding) + ": the job has used all its numbers");
  tx.Commit();
  return *claim;
}

std::optional<ChipClaim> JobRecord::ClaimInTransaction(const RecordStation& station,
                                                       const std::function<void(int)>& fail) {
  ChipClaim claim;
  if (rule_) {
    Statement returned(db_, "SELECT serial FROM returned_serials ORDER BY serial LIMIT 1");
    int rc = returned.Step();
    if (rc == SQLITE_ROW) {
      claim.serial = returned.Int(0);
      Statement take(db_, "DELETE FROM returned_serials WHERE serial = ?1");
      if ((rc = take.Bind(1, *claim.serial).Step()) != SQLITE_DONE) fail(rc);
    } else if (rc == SQLITE_DONE) {
      Statement next(db_, "SELECT value FROM job_state WHERE key = 'next'");
      if ((rc = next.Step()) != SQLITE_ROW) fail(rc == SQLITE_DONE ? SQLITE_CORRUPT : rc);
      claim.serial = next.Int(0);
      if (*claim.serial > LargestSerial(rule_->encoding, rule_->length)) return std::nullopt;
      Statement advance(db_, "UPDATE job_state SET value = value + ?1 WHERE key = 'next'");
      if ((rc = advance.Bind(1, rule_->step).Step()) != SQLITE_DONE) fail(rc);
    } else {
      fail(rc);
    }
  }
  Statement row(db_,
                "INSERT INTO chips(time, host, port, operator, serial, image_sha256, result) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  row.Bind(1, RecordTimeNow()).Bind(2, station.host).Bind(3, station.port);
  if (station.operator_.empty())
    row.BindNull(4);
  else
    row.Bind(4, station.operator_);
  if (claim.serial)
    row.Bind(5, *claim.serial);
  else
    row.BindNull(5);
  row.Bind(6, station.imageSha256).Bind(7, std::string(kUnfinished));
  if (const int rc = row.Step(); rc != SQLITE_DONE) fail(rc);
  claim.row = sqlite3_last_insert_rowid(db_);
  return claim;
}

std::optional<ChipClaim> JobRecord::Finish(const ChipClaim& claim, const ChipResult& result,
                                           bool return_serial, const RecordStation* next) {
  const auto fail = [this](int rc) { Fail("record the chip's result", rc); };
  RecordTransaction tx(db_, fail);
  Statement update(db_,
                   "UPDATE chips SET time = ?2, crc32 = ?3, steps = ?4, result = ?5, reason = "
                   "?6, exit_code = ?7, duration_ms = ?8 WHERE id = ?1");
  const char* word = result.kind == ChipResult::Kind::Pass   ? kPass
                     : result.kind == ChipResult::Kind::Fail ? kFail
                                                             : kStopped;
  update.Bind(1, claim.row).Bind(2, result.started);
  if (result.crc32)
    update.Bind(3, CrcHex(*result.crc32));
  else
    update.BindNull(3);
  update.Bind(4, result.steps).Bind(5, std::string(word)).Bind(6, result.reason);
  update.Bind(7, int64_t{result.exitCode}).Bind(8, result.durationMs);
  if (const int rc = update.Step(); rc != SQLITE_DONE) fail(rc);
  if (return_serial && claim.serial && result.kind != ChipResult::Kind::Pass) {
    Statement back(db_, "INSERT INTO returned_serials(serial) VALUES (?1)");
    if (const int rc = back.Bind(1, *claim.serial).Step(); rc != SQLITE_DONE) fail(rc);
  }
  // The next chip's row in the same transaction: one flush to the disk per chip. When
  // the numbers have run out, the result is recorded all the same, and the next Claim
  // says so.
  std::optional<ChipClaim> following;
  if (next != nullptr) following = ClaimInTransaction(*next, fail);
  tx.Commit();
  return following;
}

void JobRecord::Release(const ChipClaim& claim) {
  const auto fail = [this](int rc) { Fail("give back the number of a chip never seated", rc); };
  RecordTransaction tx(db_, fail);
  Statement drop(db_, "DELETE FROM chips WHERE id = ?1");
  if (const int rc = drop.Bind(1, claim.row).Step(); rc != SQLITE_DONE) fail(rc);
  if (claim.serial && rule_) {
    // The last number handed out goes back to the counter; any other waits for the
    // next chip as a failed chip's does.
    Statement rewind(db_, "UPDATE job_state SET value = ?1 WHERE key = 'next' AND value = ?1 + ?2");
    int rc = rewind.Bind(1, *claim.serial).Bind(2, rule_->step).Step();
    if (rc != SQLITE_DONE) fail(rc);
    if (sqlite3_changes(db_) == 0) {
      Statement back(db_, "INSERT INTO returned_serials(serial) VALUES (?1)");
      if ((rc = back.Bind(1, *claim.serial).Step()) != SQLITE_DONE) fail(rc);
    }
  }
  tx.Commit();
}

RecordCounts JobRecord::Counts() {
  const auto fail = [this](int rc) { Fail("be read", rc); };
  RecordCounts counts;
  // One read transaction, so the figures belong together.
  Exec("BEGIN", "be read");
  struct End {
    sqlite3* db;
    ~End() { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); }
  } end{db_};
  Statement tally(db_,
                  "SELECT result, COUNT(*), MIN(serial), MAX(serial) FROM chips GROUP BY result");
  for (int rc; (rc = tally.Step()) != SQLITE_DONE;) {
    if (rc != SQLITE_ROW) fail(rc);
    const std::string result = tally.Text(0);
    const int64_t n = tally.Int(1);
    counts.total += n;
    if (result == kPass) {
      counts.passed = n;
      if (!tally.IsNull(2)) counts.lowestSerial = tally.Int(2);
      if (!tally.IsNull(3)) counts.highestSerial = tally.Int(3);
    } else if (result == kUnfinished) {
      counts.unfinished += n;
    } else {
      counts.failed += n;
    }
  }
  Statement next(db_, "SELECT value FROM job_state WHERE key = 'next'");
  if (int rc = next.Step(); rc == SQLITE_ROW)
    counts.nextSerial = next.Int(0);
  else if (rc != SQLITE_DONE)
    fail(rc);
  Statement returned(db_, "SELECT serial FROM returned_serials ORDER BY serial");
  for (int rc; (rc = returned.Step()) != SQLITE_DONE;) {
    if (rc != SQLITE_ROW) fail(rc);
    counts.returnedSerials.push_back(returned.Int(0));
  }
  return counts;
}

void JobRecord::WriteCsv(std::ostream& out) {
  Statement rows(db_,
                 "SELECT id, time, host, port, operator, serial, image_sha256, crc32, steps, "
                 "result, reason, exit_code, duration_ms FROM chips ORDER BY id");
  out << kRecordCsvHeader << '\n';
  for (int rc; (rc = rows.Step()) != SQLITE_DONE;) {
    if (rc != SQLITE_ROW) Fail("be read", rc);
    for (int col = 0; col < 13; ++col) {
      if (col > 0) out << ',';
      if (!rows.IsNull(col)) out << CsvField(rows.Text(col));
    }
    out << '\n';
  }
}

}  // namespace tarnwick
