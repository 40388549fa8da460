// The index against exact search, root metric, k = 5: DATA (a settled
// TinyInt results file) searched for every good line of QUERIES.
// Prints the CPU time of building the index (on JOBS threads), keeping it,
// loading it, a query through it and an exact query (both on one thread),
// its size, and its recall against exact search: recall@k is the share of
// the exact k nearest that the index lists among its k (a record at the same
// distance as the exact k-th counts, as ties may be settled either way).
// Then the costs that decide when vexlor-nearest uses the index, in exact
// queries.
// With LINKS (or LINKS/BUILD_CANDIDATES) and CANDIDATES, the graph is built
// with that many links (weighing that many candidates for each) and
// searched with each number of candidates in turn.
// Usage: vexlor_index_search DATA QUERIES [JOBS [LINKS[/BUILD_CANDIDATES] [CANDIDATES...]]]

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "search/record_index.h"
#include "search/table_file.h"
#include "vexlor/nearest.h"

namespace {

using namespace vexlor;

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double WallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

DescriptorTable Read(const char* path) {
  DescriptorTable table;
  if (const Status read = ReadDescriptorTable(path, &table); !read.ok()) {
    std::fprintf(stderr, "%s\n", read.message().c_str());
    std::exit(1);
  }
  if (table.form() != RecordForm::kTinyInt) {
    std::fprintf(stderr, "%s: no TinyInt records\n", path);
    std::exit(1);
  }
  table.PrepareFor(Metric::kRoot);
  return table;
}

// The share of `exact`'s first k that `found`'s first k hold.
double Recall(const std::vector<Neighbour>& exact, const std::vector<Neighbour>& found, size_t k) {
  if (exact.empty()) return 1;
  k = std::min(k, exact.size());
  const double kth = exact[k - 1].distance;
  size_t hits = 0;
  for (size_t i = 0; i < k && i < found.size(); ++i) {
    const bool listed = found[i].distance <= kth;
    hits += listed;
  }
  return static_cast<double>(hits) / static_cast<double>(k);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s DATA QUERIES [JOBS]\n", argv[0]);
    return 1;
  }
  const std::string dataPath = argv[1];
  const unsigned jobs = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 0;
  IndexShape shape;
  if (argc > 4) {
    char* end = nullptr;
    shape.links = std::strtoul(argv[4], &end, 10);
    if (*end == '/') shape.build_candidates = std::strtoul(end + 1, nullptr, 10);
  }
  std::vector<size_t> candidates;
  for (int i = 5; i < argc; ++i) candidates.push_back(std::strtoul(argv[i], nullptr, 10));
  if (candidates.empty()) candidates.push_back(RecordIndex::kSearchCandidates);
  const DataState state = DataStateOf(dataPath);
  double cpu = CpuSeconds();
  const DescriptorTable data = Read(argv[1]);
  const double tableSeconds = CpuSeconds() - cpu;
  const DescriptorTable queries = Read(argv[2]);
  std::vector<size_t> asked;
  for (size_t q = 0; q < queries.size(); ++q)
    if (!queries.bad(q)) asked.push_back(q);
  const size_t n = data.usable();
  std::printf("%zu records, %zu queries, k 5; reading the records (table or text): %.2f s CPU\n", n,
              asked.size(), tableSeconds);

  std::filesystem::remove(IndexPathOf(dataPath));
  cpu = CpuSeconds();
  double wall = WallSeconds();
  std::unique_ptr<RecordIndex> built;
  if (!RecordIndex::Build(data, jobs, &built, shape).ok()) return 1;
  const double buildCpu = CpuSeconds() - cpu, buildWall = WallSeconds() - wall;
  cpu = CpuSeconds();
  if (const Status kept = built->Save(dataPath, state); !kept.ok()) {
    std::fprintf(stderr, "%s\n", kept.message().c_str());
    return 1;
  }
  const double saveCpu = CpuSeconds() - cpu;
  built.reset();
  cpu = CpuSeconds();
  std::unique_ptr<RecordIndex> index;
  if (!RecordIndex::Load(dataPath, state, data, &index).ok() || !index) {
    std::fprintf(stderr, "%s: the index was not kept (DATA not settled?)\n", argv[1]);
    return 1;
  }
  const double loadCpu = CpuSeconds() - cpu;
  const auto bytes = std::filesystem::file_size(IndexPathOf(dataPath));

  // Exact and index queries in turns, kRounds times, each turn's ratio of
  // the two; their median is printed: this machine's processors can differ
  // in speed by half for minutes at a time.
  constexpr size_t kRounds = 5;
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::vector<std::vector<Neighbour>> exact(queries.size());
  // found[c][q]: query q's answer through the index with candidates[c]
  std::vector<std::vector<std::vector<Neighbour>>> found(candidates.size(),
                                                         std::vector<std::vector<Neighbour>>(queries.size()));
  for (size_t q : asked) found[0][q] = index->Nearest(queries, q, 5);  // caches warm for the first
  std::vector<double> exactCpu(kRounds);
  std::vector<std::vector<double>> indexCpu(candidates.size(), std::vector<double>(kRounds));
  for (size_t round = 0; round < kRounds; ++round) {
    const size_t from = asked.size() * round / kRounds, to = asked.size() * (round + 1) / kRounds;
    cpu = CpuSeconds();
    for (size_t i = from; i < to; ++i) exact[asked[i]] = Nearest(data, queries, asked[i], 5, Metric::kRoot);
    exactCpu[round] = (CpuSeconds() - cpu) / static_cast<double>(std::max<size_t>(to - from, 1));
    for (size_t c = 0; c < candidates.size(); ++c) {
      index->set_search_candidates(candidates[c]);
      cpu = CpuSeconds();
      for (size_t q : asked) found[c][q] = index->Nearest(queries, q, 5);
      indexCpu[c][round] = (CpuSeconds() - cpu) / static_cast<double>(asked.size());
    }
  }
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);

  std::printf("index: built in %.1f s CPU (%.1f s on %u threads), kept in %.2f s, loaded in %.2f s CPU\n",
              buildCpu, buildWall, jobs, saveCpu, loadCpu);
  std::printf("index: %zu distinct root vectors\n", index->nodes());
  std::printf("index: %.0f bytes a record (%.0f MB)\n", static_cast<double>(bytes) / static_cast<double>(n),
              static_cast<double>(bytes) / 1e6);
  std::printf("exact query, one thread: %.0f us CPU (median of %zu rounds)\n", median(exactCpu) * 1e6,
              kRounds);
  for (size_t c = 0; c < candidates.size(); ++c) {
    std::vector<double> ratios(kRounds);
    for (size_t round = 0; round < kRounds; ++round) ratios[round] = exactCpu[round] / indexCpu[c][round];
    double recall1 = 0, recall5 = 0;
    for (size_t q : asked) {
      recall1 += Recall(exact[q], found[c][q], 1);
      recall5 += Recall(exact[q], found[c][q], 5);
    }
    std::printf("index query, %zu/%zu links, %zu candidates: %.0f us CPU, %.0fx less; recall @1 %.4f, @5 %.4f\n",
                shape.links, shape.build_candidates, candidates[c], median(indexCpu[c]) * 1e6, median(ratios),
                recall1 / static_cast<double>(asked.size()), recall5 / static_cast<double>(asked.size()));
  }
  const double exactMedian = median(exactCpu);
  std::printf("loading the index costs %.0f exact queries, building it %.0f\n",
              loadCpu / exactMedian, buildCpu / exactMedian);
  std::printf("peak memory %.0f MB\n", static_cast<double>(usage.ru_maxrss) / 1024);
  return 0;
}
