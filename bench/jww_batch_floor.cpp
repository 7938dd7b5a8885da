// The conversion against its floor, both measured in the same run:
// velkaro-cli convert (the product, one process per batch) against copying
// the same bytes through a temporary file with fsync and rename, for one
// large drawing, a batch of medium drawings and a batch of small ones; and
// two workers against one. Counters:
//   ratio     median conversion time over median floor time (goals: 2.0 for
//             any single drawing, 1.5 for a batch of 1-5 MB drawings)
//   peak_MiB  the converting process's peak resident memory, against
//   bound_MiB the largest file's size plus 64 MiB
//   speedup   files per second with --jobs 2 over --jobs 1 (goal: 1.8 on 2 cores,
//             where the cores bound the work: in memory; on the disk its
//             flushes may bound both)
//   machine_speedup  the same for two separate one-worker processes at once,
//             each on half of the files: what the cores give work that
//             shares nothing, so a ceiling for speedup
// Every output is checked against bytes the test-side builder lays out with
// the map already applied, so no speed is bought with a changed byte.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "JwwLargeDrawing.h"
#include "builders/TempDir.h"

using namespace velkaro;
using namespace velkaro::testing;
namespace fs = std::filesystem;

namespace {

constexpr std::array<std::uint32_t, 10> kMap{3, 1, 2, 10, 9, 8, 7, 6, 5, 4};
constexpr const char *kMapArgument = "3,1,2,10,9,8,7,6,5,4";

std::uint32_t Mapped(std::uint32_t kind) { return kind >= 1 && kind <= 10 ? kMap[kind - 1] : kind; }

// An entity as the conversion leaves it: texts and dimension texts of the new kind.
JwwEntity MappedEntity(JwwEntity e) {
  if (auto *text = std::get_if<TEntJwwMoji>(&e))
    text->nMojiShu = Mapped(text->nMojiShu);
  else if (auto *dimension = std::get_if<TEntJwwSunpo>(&e))
    dimension->Moji.nMojiShu = Mapped(dimension->Moji.nMojiShu);
  return e;
}

const std::vector<JwwEntity> kMembers{JwwEntity(Line(0, 0, 1, 1)), JwwEntity(Text(u"in block", 2))};

// The drawing after conversion: the kind table's entries moved with the kinds.
ByteVec ExpectedDrawing(int entities) {
  JwwDrawingSpec plan = MakeCanonicalDrawing(700);
  const std::vector<TEntJwwMojiType> before = plan.EntMoj;
  for (std::uint32_t k = 1; k <= 10; ++k)
    plan.EntMoj[Mapped(k) - 1] = before[k - 1];
  std::vector<JwwEntity> members;
  for (const JwwEntity &m : kMembers)
    members.push_back(MappedEntity(m));
  return BuildLargeDrawing(entities, [](int i) { return MappedEntity(MixedEntity(i)); }, members, plan);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct ConversionRun {
  double seconds = 0;
  long peakKiB = 0;
  bool succeeded = false;
};

// `files` copies of one drawing of `entities` entities, a destination for
// the conversion and one for the floor.
class BatchFolder {
 public:
  BatchFolder(int files, int entities) {
    for (const char *sub : {"in", "out", "floor", "half1", "half2"})
      fs::create_directories(dir_.path() / sub);
    // Both drawings go to disk at once: the bench's memory must be small when
    // a conversion starts, as a child starts with a copy of it.
    const ByteVec drawing = BuildLargeDrawing(entities, MixedEntity, kMembers);
    WriteFileBytes(dir_.path() / "expected.jww", ExpectedDrawing(entities));
    fileBytes_ = drawing.size();
    for (int i = 0; i < files; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "d%05d.jww", i);
      names_.emplace_back(name);
      WriteFileBytes(dir_.path() / "in" / name, drawing);
    }
  }
  std::size_t files() const { return names_.size(); }
  std::size_t fileBytes() const { return fileBytes_; }

  // The same bytes through a temporary file, flushed to the disk and renamed.
  double CopyFloor() {
    Clear("floor");
    std::vector<char> buffer(fileBytes_ + 1);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string &name : names_) {
      const int in = open((dir_.path() / "in" / name).c_str(), O_RDONLY);
      const ssize_t n = read(in, buffer.data(), buffer.size());
      close(in);
      const fs::path temporary = dir_.path() / "floor" / ("." + name + ".tmp");
      const int out = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (n < 0 || out < 0 || write(out, buffer.data(), static_cast<std::size_t>(n)) != n ||
          fsync(out) != 0)
        std::abort();
      close(out);
      fs::rename(temporary, dir_.path() / "floor" / name);
    }
    return SecondsSince(start);
  }

  // velkaro-cli convert of every file, timed from start to exit.
  ConversionRun Convert(int jobs) {
    Clear("out");
    const auto start = std::chrono::steady_clock::now();
    ConversionRun run = Finish(Start(jobs, 0, names_.size(), "out"), start);
    return run;
  }

  // Two velkaro-cli processes at once, one worker each, each converting half
  // of the files into a folder of its own: what the machine's cores give two
  // runs that share nothing, the ceiling for two workers of one run.
  ConversionRun ConvertHalvesAtOnce() {
    Clear("half1");
    Clear("half2");
    const std::size_t half = names_.size() / 2;
    const auto start = std::chrono::steady_clock::now();
    const pid_t first = Start(1, 0, half, "half1");
    const pid_t second = Start(1, half, names_.size(), "half2");
    const ConversionRun a = Finish(first, start), b = Finish(second, start);
    return {std::max(a.seconds, b.seconds), std::max(a.peakKiB, b.peakKiB),
            a.succeeded && b.succeeded};
  }

  bool OutputsAsExpected() const {
    const ByteVec expected = ReadFileBytes(dir_.path() / "expected.jww");
    for (const std::string &name : names_)
      if (ReadFileBytes(dir_.path() / "out" / name) != expected)
        return false;
    return true;
  }

 private:
  // velkaro-cli convert of files [first, last) into the folder `sub`.
  pid_t Start(int jobs, std::size_t first, std::size_t last, const char *sub) {
    const std::string dest = (dir_.path() / sub).string(), jobsText = std::to_string(jobs);
    std::vector<std::string> paths;
    for (std::size_t i = first; i < last; ++i)
      paths.push_back((dir_.path() / "in" / names_[i]).string());
    std::vector<char *> argv{const_cast<char *>(VELKARO_CLI_PATH), const_cast<char *>("convert"),
                             const_cast<char *>("--quiet"),       const_cast<char *>("--dest"),
                             const_cast<char *>(dest.c_str()),    const_cast<char *>("--map"),
                             const_cast<char *>(kMapArgument),    const_cast<char *>("--jobs"),
                             const_cast<char *>(jobsText.c_str())};
    for (std::string &p : paths)
      argv.push_back(p.data());
    argv.push_back(nullptr);
    // fork, not posix_spawn: a child sharing the bench's memory until exec
    // would report the bench's peak as its own.
    const pid_t pid = fork();
    if (pid == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      execv(VELKARO_CLI_PATH, argv.data());
      _exit(127);
    }
    return pid;
  }

  static ConversionRun Finish(pid_t pid, std::chrono::steady_clock::time_point start) {
    ConversionRun run;
    if (pid > 0) {
      int status = 0;
      rusage usage{};
      wait4(pid, &status, 0, &usage);
      run.seconds = SecondsSince(start);
      run.peakKiB = usage.ru_maxrss;
      run.succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return run;
  }

  void Clear(const char *sub) {
    for (const auto &entry : fs::directory_iterator(dir_.path() / sub))
      fs::remove(entry.path());
  }

  TempDir dir_;
  std::vector<std::string> names_;
  std::size_t fileBytes_ = 0;
};

constexpr double kMiB = 1024.0 * 1024.0;

// Conversion against the floor, alternating, so both see the same machine.
void RunAgainstFloor(benchmark::State &state, int files, int entities, double goal) {
  BatchFolder folder(files, entities);
  std::vector<double> floor, conversion;
  long peakKiB = 0;
  for (auto _ : state) {
    floor.push_back(folder.CopyFloor());
    const ConversionRun run = folder.Convert(1);
    if (!run.succeeded) {
      state.SkipWithError("velkaro-cli convert failed");
      return;
    }
    conversion.push_back(run.seconds);
    peakKiB = std::max(peakKiB, run.peakKiB);
    state.SetIterationTime(run.seconds);
  }
  if (!folder.OutputsAsExpected()) {
    state.SkipWithError("an output differs from the expected bytes");
    return;
  }
  const double ratio = Median(conversion) / Median(floor);
  const double bound = static_cast<double>(folder.fileBytes()) / kMiB + 64;
  state.counters["file_MiB"] = static_cast<double>(folder.fileBytes()) / kMiB;
  state.counters["floor_ms"] = Median(floor) * 1000;
  state.counters["ratio"] = ratio;
  state.counters["ratio_goal"] = goal;
  state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024;
  state.counters["bound_MiB"] = bound;
  state.counters["goals_met"] = ratio <= goal && peakKiB / 1024.0 <= bound ? 1 : 0;
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * folder.files()));
}

void BM_OneLargeDrawing(benchmark::State &state) { RunAgainstFloor(state, 1, 1'000'000, 2.0); }
void BM_MediumDrawings(benchmark::State &state) { RunAgainstFloor(state, 500, 11'000, 1.5); }
void BM_SmallDrawings(benchmark::State &state) { RunAgainstFloor(state, 2000, 600, 2.0); }

// Files per second with two workers over one, on the medium batch. On the
// disk, one worker already converts while its last file is flushed, so the
// disk's flushes can bound both: `floor_ratio` says how near two workers
// come to the floor. In memory (a tmpfs, where a flush costs nothing) the
// work is the cores' alone, and that is where the goal applies.
void RunTwoWorkers(benchmark::State &state, bool inMemory) {
  std::optional<ScopedTempFolder> memory;
  if (inMemory) {
    if (!fs::is_directory("/dev/shm")) {
      state.SkipWithError("no tmpfs at /dev/shm");
      return;
    }
    memory.emplace("/dev/shm");
  }
  BatchFolder folder(500, 11'000);
  std::vector<double> one, two, halves, floor;
  for (auto _ : state) {
    floor.push_back(folder.CopyFloor());
    const ConversionRun a = folder.Convert(1);
    const ConversionRun b = folder.Convert(2);
    const ConversionRun c = folder.ConvertHalvesAtOnce();
    if (!a.succeeded || !b.succeeded || !c.succeeded) {
      state.SkipWithError("velkaro-cli convert failed");
      return;
    }
    one.push_back(a.seconds);
    two.push_back(b.seconds);
    halves.push_back(c.seconds);
    state.SetIterationTime(b.seconds);
  }
  if (!folder.OutputsAsExpected()) {
    state.SkipWithError("an output differs from the expected bytes");
    return;
  }
  const double speedup = Median(one) / Median(two);
  state.counters["speedup"] = speedup;
  state.counters["machine_speedup"] = Median(one) / Median(halves);
  state.counters["floor_ratio"] = Median(two) / Median(floor);
  state.counters["cores"] = static_cast<double>(sysconf(_SC_NPROCESSORS_ONLN));
  if (inMemory)
    state.counters["goals_met"] = speedup >= 1.8 ? 1 : 0;
}

void BM_TwoWorkers(benchmark::State &state) { RunTwoWorkers(state, false); }
void BM_TwoWorkersInMemory(benchmark::State &state) { RunTwoWorkers(state, true); }

}  // namespace

BENCHMARK(BM_OneLargeDrawing)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK(BM_MediumDrawings)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK(BM_SmallDrawings)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_TwoWorkers)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();
BENCHMARK(BM_TwoWorkersInMemory)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

BENCHMARK_MAIN();
