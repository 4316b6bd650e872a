// The song members of Base on the generated venue of BenchVenue.h: 50,000 songs and 1,000,000
// selections over the 365 days of 2023.
//
// Measured: Taxis_Build for one quarter (April to June) against the same work done directly on
// SQLite (the reference the build must stay within 1.2 times of), Taxis_Text of the top 100,
// SelectSong_AddNew one call at a time (appends per second, each one committed before the call
// returns) and SelectSong_ClearFrom of the oldest month. At start the query plans of the
// reference and of the statement Taxis_Build runs are printed to stderr.
//
// The venue is generated once per run into a scratch directory (direct inserts in one
// transaction) and copied for the members that change it.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/vod/BenchVenue.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/JetSql.h"
#include "vod/Base.h"
#include "vod/RavelinSchema.h"

namespace {

namespace fs = std::filesystem;

using bench::kQuarterBegin;
using bench::kQuarterEnd;
constexpr int kSongs = bench::kVenueSongs;
constexpr int kSelections = bench::kVenueSelections;

// The ranking as plain SQLite would compute it, with the same date test the log's index is on.
const std::string kReferenceBuild =
    "INSERT INTO SongTaxis (strSongName, strSongFile, lngClickRate)"
    " SELECT Song.strSongName, ABC.strSongFile, ABC.lngClickRate"
    " FROM (SELECT strSongFile, count(strSongFile) AS lngClickRate FROM SelectSong"
    " WHERE substr(strDateTime, 1, 10) COLLATE NOCASE BETWEEN '2023-04-01' AND '2023-06-30'"
    " GROUP BY strSongFile) ABC"
    " JOIN Song ON ABC.strSongFile = Song.strSignFile"
    " ORDER BY ABC.lngClickRate DESC";

struct SqliteCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteHandle = std::unique_ptr<sqlite3, SqliteCloser>;

SqliteHandle OpenSqlite(const std::string& path) {
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close_v2(raw);
    throw std::runtime_error("cannot open " + path);
  }
  return SqliteHandle(raw);
}

void Exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    const std::string text = error != nullptr ? error : "unknown error";
    sqlite3_free(error);
    throw std::runtime_error(text + " in: " + sql);
  }
}

struct Prepared {
  Prepared(sqlite3* db, const std::string& sql) {
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &mStatement, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(db));
    }
  }
  ~Prepared() { sqlite3_finalize(mStatement); }
  Prepared(const Prepared&) = delete;
  Prepared& operator=(const Prepared&) = delete;
  sqlite3_stmt* mStatement = nullptr;
};

void Generate(const std::string& path) {
  vod::CreateRavelinDatabase(path);
  SqliteHandle db = OpenSqlite(path);
  Exec(db.get(), "BEGIN");
  {
    Prepared song(db.get(), "INSERT INTO Song (strSongName, strSignFile) VALUES (?1, ?2)");
    Prepared select(db.get(),
                    "INSERT INTO SelectSong (strDateTime, lngRoomID, strSongFile, bytStatus)"
                    " VALUES (?1, ?2, ?3, 0)");
    bench::GenerateVenue(
        [&](const std::string& name, const std::string& file) {
          sqlite3_bind_text(song.mStatement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
          sqlite3_bind_text(song.mStatement, 2, file.c_str(), -1, SQLITE_TRANSIENT);
          sqlite3_step(song.mStatement);
          sqlite3_reset(song.mStatement);
        },
        [&](const std::string& when, int room, const std::string& file) {
          sqlite3_bind_text(select.mStatement, 1, when.c_str(), -1, SQLITE_TRANSIENT);
          sqlite3_bind_int(select.mStatement, 2, room);
          sqlite3_bind_text(select.mStatement, 3, file.c_str(), -1, SQLITE_TRANSIENT);
          sqlite3_step(select.mStatement);
          sqlite3_reset(select.mStatement);
        });
  }
  Exec(db.get(), "COMMIT");
  Exec(db.get(), "PRAGMA wal_checkpoint(TRUNCATE)");
}

void PrintPlan(sqlite3* db, const std::string& title, const std::string& sql) {
  std::cerr << title << ":\n";
  Prepared plan(db, "EXPLAIN QUERY PLAN " + sql);
  while (sqlite3_step(plan.mStatement) == SQLITE_ROW) {
    std::cerr << "  " << sqlite3_column_int(plan.mStatement, 0) << " "
              << sqlite3_column_int(plan.mStatement, 1) << " "
              << reinterpret_cast<const char*>(sqlite3_column_text(plan.mStatement, 3)) << "\n";
  }
}

// The generated venue, made on first use and removed at exit.
class Venue {
 public:
  static Venue& Get() {
    static Venue venue;
    return venue;
  }

  // A fresh copy of the venue under `name`, with no leftovers of an earlier copy.
  std::string Copy(const std::string& name) const {
    const std::string path = (mDir / name).string();
    for (const char* suffix : {"", "-wal", "-shm"}) {
      fs::remove(path + suffix);
    }
    fs::copy_file(mMaster, path);
    return path;
  }

 private:
  Venue() {
    std::string pattern = (fs::temp_directory_path() / "ravelin-songs-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot make a scratch directory");
    }
    mDir = pattern;
    mMaster = (mDir / "venue.db").string();
    const auto start = std::chrono::steady_clock::now();
    Generate(mMaster);
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cerr << "venue: " << kSongs << " songs, " << kSelections << " selections, generated in "
              << seconds << " s, " << fs::file_size(mMaster) / (1024 * 1024) << " MiB\n";

    SqliteHandle db = OpenSqlite(mMaster);
    PrintPlan(db.get(), "query plan of the reference statement", kReferenceBuild);
    dao::JetSqlOptions options;
    options.selectColumns = [](const std::string&) {
      return std::vector<std::string>{"strSongName", "strSongFile", "lngClickRate"};
    };
    const std::string jet = std::string(" INSERT INTO SongTaxis\n") +
                            " SELECT Song.strSongName,ABC.strSongFile,ABC.lngClickRate\n" +
                            " FROM (SELECT SelectSong.strSongFile, "
                            "Count(selectsong.strSongFile) AS lngClickRate\n FROM SelectSong\n" +
                            " WHERE LEFT$(SelectSong.strDateTime,10)>='" + kQuarterBegin +
                            "' AND LEFT$(SelectSong.strDateTime,10)<='" + kQuarterEnd + "'\n" +
                            " GROUP BY selectsong.strSongFile) ABC\n" +
                            " INNER JOIN Song ON ABC.strSongFile = Song.strSignFile \n" +
                            " Order By ABC.lngClickRate DESC";
    PrintPlan(db.get(), "query plan of the statement Taxis_Build runs",
              dao::TranslateJetSql(jet, options).sql);
  }
  ~Venue() {
    std::error_code ignored;
    fs::remove_all(mDir, ignored);
  }

  fs::path mDir;
  std::string mMaster;
};

vod::BasePtr OpenBase(const std::string& path) {
  auto base = automation::MakeObject<vod::Base>();
  if (!base->InitInterface(path)) {
    throw std::runtime_error("cannot open " + path);
  }
  return base;
}

void BM_TaxisBuild(benchmark::State& state) {
  const vod::BasePtr base = OpenBase(Venue::Get().Copy("build.db"));
  for (auto _ : state) {
    if (!base->Taxis_Build(kQuarterBegin, kQuarterEnd)) {
      state.SkipWithError("Taxis_Build failed");
      break;
    }
  }
}
BENCHMARK(BM_TaxisBuild)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The same two statements (clear, then build) straight on an SQLite connection with the store's
// journal settings.
void BM_TaxisBuildDirectSqlite(benchmark::State& state) {
  SqliteHandle db = OpenSqlite(Venue::Get().Copy("direct.db"));
  Exec(db.get(), "PRAGMA journal_mode = WAL");
  Exec(db.get(), "PRAGMA synchronous = NORMAL");
  for (auto _ : state) {
    Exec(db.get(), "DELETE FROM SongTaxis");
    Exec(db.get(), kReferenceBuild);
  }
  state.counters["rows"] = sqlite3_changes(db.get());
}
BENCHMARK(BM_TaxisBuildDirectSqlite)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_TaxisTextTop100(benchmark::State& state) {
  const vod::BasePtr base = OpenBase(Venue::Get().Copy("text.db"));
  base->Taxis_Build(kQuarterBegin, kQuarterEnd);
  std::size_t lines = 0;
  for (auto _ : state) {
    // A limit of N yields N - 1 lines.
    const std::string text = base->Taxis_Text(101);
    lines =
        text.empty() ? 0 : 1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    benchmark::DoNotOptimize(text);
  }
  if (lines != 100) {
    state.SkipWithError("Taxis_Text did not give 100 lines");
  }
}
BENCHMARK(BM_TaxisTextTop100)->Unit(benchmark::kMillisecond);

// Each call commits its row before it returns: appends per second of wall-clock time with that
// guarantee.
void BM_SelectSongAddNew10000(benchmark::State& state) {
  const vod::BasePtr base = OpenBase(Venue::Get().Copy("append.db"));
  vod::SelectSongStruct selection{0, 12, 1, "2024-01-01 20:00:00", ""};
  int n = 0;
  for (auto _ : state) {
    for (int i = 0; i < 10'000; ++i) {
      selection.strSongFile = bench::VenueSongFile(n++ % kSongs);
      if (!base->SelectSong_AddNew(selection)) {
        state.SkipWithError("SelectSong_AddNew failed");
        return;
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * 10'000);
}
BENCHMARK(BM_SelectSongAddNew10000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_SelectSongClearFromOldestMonth(benchmark::State& state) {
  std::int32_t left = 0;
  for (auto _ : state) {
    state.PauseTiming();
    vod::BasePtr base = OpenBase(Venue::Get().Copy("clear.db"));
    state.ResumeTiming();
    if (!base->SelectSong_ClearFrom("2023-02-01")) {
      state.SkipWithError("SelectSong_ClearFrom failed");
      break;
    }
    state.PauseTiming();
    left = base->SelectSong_Count();
    base.Reset();
    state.ResumeTiming();
  }
  state.counters["left"] = left;
}
BENCHMARK(BM_SelectSongClearFromOldestMonth)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
