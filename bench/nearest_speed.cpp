// Time per query of the nearest-record search over a TinyInt data set already
// in memory, on one thread: the records of DATA repeated up to ROWS rows,
// queried with QUERIES of them, k = 5, for each metric.
// Usage: vexlor_nearest_speed DATA [ROWS [QUERIES]]

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "vexlor/nearest.h"

int main(int argc, char** argv) {
  using namespace vexlor;
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DATA [ROWS [QUERIES]]\n", argv[0]);
    return 1;
  }
  const size_t rows = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
  const size_t queries = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 200;
  DescriptorTable source;
  if (const Status read = ReadDescriptorTable(argv[1], &source); !read.ok()) {
    std::fprintf(stderr, "%s\n", read.message().c_str());
    return 1;
  }
  if (source.form() != RecordForm::kTinyInt || source.usable() == 0) {
    std::fprintf(stderr, "%s: no TinyInt records\n", argv[1]);
    return 1;
  }
  DescriptorTable data(RecordForm::kTinyInt);
  double values[record_token_count] = {};
  for (size_t i = kSearchedValueCount; i < record_token_count; ++i)
    values[i] = i < 208 + 96 ? 4 : i < 208 + 168 ? 1 : 40;
  for (size_t row = 0, from = 0; row < rows; ++row, from = (from + 1) % source.size()) {
    while (source.bad(from)) from = (from + 1) % source.size();
    for (size_t i = 0; i < kSearchedValueCount; ++i) values[i] = source.value(from, i);
    if (!data.Add(values).ok()) return 1;
  }
  std::printf("%zu rows, %zu queries, k 5, one thread\n", rows, queries);
  for (Metric metric : kMetrics) {
    // A root table holds the transformed rows (transformed here, once).
    const auto prepareStart = std::chrono::steady_clock::now();
    data.PrepareFor(metric);
    const std::chrono::duration<double, std::milli> prepared =
        std::chrono::steady_clock::now() - prepareStart;
    if (metric == Metric::kRoot) std::printf("root: table prepared in %.1f ms\n", prepared.count());
    size_t checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (size_t q = 0; q < queries; ++q)
      checksum += Nearest(data, data, (q * 7919) % rows, 5, metric).back().row;
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    std::printf("%-9s %.2f ms per query (checksum %zu)\n", MetricName(metric),
                spent.count() / queries, checksum);
  }
  return 0;
}
