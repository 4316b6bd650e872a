// The store on a PostgreSQL server: the venue of vod_song_store_bench (BenchVenue.h: 50,000
// songs, 1,000,000 selections over 2023) in a database of its own on the server RAVELIN_BENCH_PG
// names (key/value conninfo of a database the program may create databases from; e.g. the output of
// scripts/pg-server.sh start). The database is dropped at the end.
//
// Measured: Taxis_Build for one quarter through the store against the same statements (clear
// and fill in one transaction) run directly through libpq, the goal being at most 1.2 times;
// and SelectSong_AddNew one call at a time, each committed with synchronous commit on, from 1
// and from 8 clients at once (threads, each with its own Base and connection), in rows per
// second. At start the plan of the ranking statement (EXPLAIN ANALYZE) is printed to stderr.
#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/vod/BenchVenue.h"
#include "platform/automation/Variant.h"
#include "platform/dao/BaseLink.h"
#include "platform/dao/JetSql.h"
#include "vod/Base.h"
#include "vod/RavelinSchema.h"

namespace {

using bench::kQuarterBegin;
using bench::kQuarterEnd;

using Connection = std::unique_ptr<PGconn, decltype(&PQfinish)>;

Connection Connect(const std::string& conninfo) {
  Connection connection(PQconnectdb(conninfo.c_str()), &PQfinish);
  if (PQstatus(connection.get()) != CONNECTION_OK) {
    throw std::runtime_error(PQerrorMessage(connection.get()));
  }
  return connection;
}

std::string Run(PGconn* connection, const std::string& sql) {
  std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(connection, sql.c_str()), &PQclear);
  const ExecStatusType status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    throw std::runtime_error(PQresultErrorMessage(result.get()) + std::string(" in: ") + sql);
  }
  std::string text;
  for (int r = 0; r < PQntuples(result.get()); ++r) {
    text += std::string(PQgetvalue(result.get(), r, 0)) + "\n";
  }
  return text;
}

void Copy(PGconn* connection, const std::string& command, const std::string& rows) {
  {
    std::unique_ptr<PGresult, decltype(&PQclear)> start(PQexec(connection, command.c_str()),
                                                        &PQclear);
    if (PQresultStatus(start.get()) != PGRES_COPY_IN) {
      throw std::runtime_error(PQresultErrorMessage(start.get()) + std::string(" in: ") + command);
    }
  }
  if (PQputCopyData(connection, rows.data(), static_cast<int>(rows.size())) != 1 ||
      PQputCopyEnd(connection, nullptr) != 1) {
    throw std::runtime_error(PQerrorMessage(connection));
  }
  std::unique_ptr<PGresult, decltype(&PQclear)> result(PQgetResult(connection), &PQclear);
  if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
    throw std::runtime_error(PQresultErrorMessage(result.get()));
  }
  while (PGresult* rest = PQgetResult(connection)) {
    PQclear(rest);
  }
}

// The ranking statement as the store's translator writes it for the server.
std::string RankingSql() {
  dao::JetSqlOptions options;
  options.dialect = dao::JetSqlDialect::kPostgres;
  options.isTextColumn = [](const std::string& column) {
    return column.size() > 3 && (column[0] == 's' || column[0] == 'S') &&
           (column[1] == 't' || column[1] == 'T');
  };
  options.selectColumns = [](const std::string&) {
    return std::vector<std::string>{"strsongname", "strsongfile", "lngclickrate"};
  };
  return dao::TranslateJetSql(
             std::string(" INSERT INTO SongTaxis\n SELECT Song.strSongName,ABC.strSongFile,"
                         "ABC.lngClickRate\n FROM (SELECT SelectSong.strSongFile, "
                         "Count(selectsong.strSongFile) AS lngClickRate\n FROM SelectSong\n"
                         " WHERE LEFT$(SelectSong.strDateTime,10)>='") +
                 kQuarterBegin + "' AND LEFT$(SelectSong.strDateTime,10)<='" + kQuarterEnd +
                 "'\n GROUP BY selectsong.strSongFile) ABC\n INNER JOIN Song ON "
                 "ABC.strSongFile = Song.strSignFile \n Order By ABC.lngClickRate DESC",
             options)
      .sql;
}

// The generated venue on the server, made once per run and dropped at exit.
class Venue {
 public:
  static Venue& Get() {
    static Venue venue;
    return venue;
  }
  const std::string& Store() const { return mStore; }

 private:
  Venue() {
    const char* admin = std::getenv("RAVELIN_BENCH_PG");
    if (admin == nullptr || *admin == '\0') {
      throw std::runtime_error("RAVELIN_BENCH_PG names no server");
    }
    mAdmin = admin;
    mName = "ravelin_bench_" + std::to_string(getpid());
    Run(Connect(mAdmin).get(), "CREATE DATABASE " + mName);
    mStore = mAdmin + " dbname=" + mName;
    vod::CreateRavelinDatabase(mStore);
    Connection db = Connect(mStore);
    std::string songs;
    std::string log;
    bench::GenerateVenue([&](const std::string& name,
                             const std::string& file) { songs += name + "\t" + file + "\n"; },
                         [&](const std::string& when, int room, const std::string& file) {
                           log += when + "\t" + std::to_string(room) + "\t" + file + "\t0\n";
                         });
    Copy(db.get(), "COPY song (strsongname, strsignfile) FROM STDIN", songs);
    Copy(db.get(), "COPY selectsong (strdatetime, lngroomid, strsongfile, bytstatus) FROM STDIN",
         log);
    Run(db.get(), "VACUUM ANALYZE");
    std::cerr << "Plan of the ranking statement (EXPLAIN ANALYZE, rolled back):\n"
              << Run(db.get(), "BEGIN; EXPLAIN (ANALYZE, COSTS OFF) " + RankingSql()) << std::endl;
    Run(db.get(), "ROLLBACK");
  }
  ~Venue() {
    try {
      Run(Connect(mAdmin).get(), "DROP DATABASE IF EXISTS " + mName + " WITH (FORCE)");
    } catch (const std::exception&) {
      // The server is gone already.
    }
  }

  std::string mAdmin;
  std::string mName;
  std::string mStore;
};

// Making and releasing Base objects counts the servers' objects; one thread at a time.
std::mutex& LifeCycle() {
  static std::mutex lifeCycle;
  return lifeCycle;
}

vod::BasePtr OpenBase() {
  std::lock_guard<std::mutex> lock(LifeCycle());
  vod::BasePtr base = automation::MakeObject<vod::Base>();
  if (!base->InitInterface(Venue::Get().Store())) {
    throw std::runtime_error("cannot open the venue: " + base->GetBase()->GetLastError());
  }
  return base;
}

void BM_TaxisBuildServer(benchmark::State& state) {
  vod::BasePtr base = OpenBase();
  for (auto _ : state) {
    if (!base->Taxis_Build(kQuarterBegin, kQuarterEnd)) {
      state.SkipWithError("Taxis_Build failed");
      break;
    }
  }
}
BENCHMARK(BM_TaxisBuildServer)->Unit(benchmark::kMillisecond)->MinTime(5.0)->UseRealTime();

void BM_TaxisBuildDirectLibpq(benchmark::State& state) {
  Connection db = Connect(Venue::Get().Store());
  const std::string ranking = RankingSql();
  for (auto _ : state) {
    Run(db.get(), "BEGIN");
    Run(db.get(), "DELETE FROM songtaxis");
    Run(db.get(), ranking);
    Run(db.get(), "COMMIT");
  }
}
BENCHMARK(BM_TaxisBuildDirectLibpq)->Unit(benchmark::kMillisecond)->MinTime(5.0)->UseRealTime();

void BM_SelectSongAddNew(benchmark::State& state) {
  vod::BasePtr base = OpenBase();
  std::int64_t rows = 0;
  vod::SelectSongStruct selection{0, 1 + state.thread_index(), 0, "2024-01-01 20:00", "S00001.MPG"};
  for (auto _ : state) {
    if (!base->SelectSong_AddNew(selection)) {
      state.SkipWithError("SelectSong_AddNew failed");
      break;
    }
    ++rows;
  }
  state.SetItemsProcessed(rows);
  std::lock_guard<std::mutex> lock(LifeCycle());
  base.Reset();  // items_per_second: rows per second, all threads together
}
BENCHMARK(BM_SelectSongAddNew)->Threads(1)->Threads(8)->MinTime(5.0)->UseRealTime();

// The same appends as plain INSERTs through libpq, one connection per thread: what the server
// and its disk allow with every row committed on its own.
void BM_InsertDirectLibpq(benchmark::State& state) {
  Connection db = [] {
    std::lock_guard<std::mutex> lock(LifeCycle());
    return Connect(Venue::Get().Store());
  }();
  const std::string insert =
      "INSERT INTO SelectSong(strDateTime,lngRoomID,strSongFile,bytStatus) VALUES("
      "'2024-01-01 20:00'," +
      std::to_string(1 + state.thread_index()) + ",'S00001.MPG',0)";
  std::int64_t rows = 0;
  for (auto _ : state) {
    Run(db.get(), insert);
    ++rows;
  }
  state.SetItemsProcessed(rows);
}
BENCHMARK(BM_InsertDirectLibpq)->Threads(1)->Threads(8)->MinTime(5.0)->UseRealTime();

}  // namespace
