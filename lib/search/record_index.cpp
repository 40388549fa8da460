// The graph is hnswlib's; its saving and loading are done here instead of by
// hnswlib's saveIndex and loadIndex, so that the index is one file that
// begins with vexlor's own header, is written whole or not at all, and is
// checked link by link before it is used (a damaged file is refused, never
// walked). The graph's members are public in hnswlib for this.
//
// hnswlib.h defines functions outside any class: it may be included in this
// file only.
#include "search/record_index.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// hnswlib's prefetching reads one link past the end of a full link list;
// on the upper levels, which it allocates to the byte while building, that
// is past the end of the allocation (AddressSanitizer finds it). Without
// its manual vectorisation it does not prefetch; the distance is vexlor's
// own either way.
#define NO_MANUAL_VECTORIZATION
#include <hnswlib/hnswlib.h>

#include "search/table_packing.h"
#include "search/root_transform.h"
#include "support/parallel_for.h"
#include "support/whole_file.h"

namespace vexlor {

namespace {

// The root metric's key between two root vectors (vexlor/nearest.h): the
// sum of absolute differences of their bytes, exact in any order. Most of a
// search's time is spent here.
int RootKey(const void* a, const void* b, const void*) {
  const auto* x = static_cast<const std::uint8_t*>(a);
  const auto* y = static_cast<const std::uint8_t*>(b);
#if defined(__SSE2__)
  static_assert(kSearchedValueCount % 16 == 0);
  __m128i sums = _mm_setzero_si128();
  for (std::size_t i = 0; i < kSearchedValueCount; i += 16)
    sums = _mm_add_epi64(sums, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i))));
  return _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums));
#else
  int sum = 0;
  for (std::size_t i = 0; i < kSearchedValueCount; ++i) sum += x[i] > y[i] ? x[i] - y[i] : y[i] - x[i];
  return sum;
#endif
}

#if defined(__x86_64__)
// The same with 32 bytes a step, on processors that have AVX2.
__attribute__((target("avx2"))) int RootKeyAvx2(const void* a, const void* b, const void*) {
  const auto* x = static_cast<const std::uint8_t*>(a);
  const auto* y = static_cast<const std::uint8_t*>(b);
  constexpr std::size_t kWide = kSearchedValueCount / 32 * 32;
  __m256i sums = _mm256_setzero_si256();
  for (std::size_t i = 0; i < kWide; i += 32)
    sums = _mm256_add_epi64(sums, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i)),
                                                  _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + i))));
  __m128i half = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
  for (std::size_t i = kWide; i < kSearchedValueCount; i += 16)
    half = _mm_add_epi64(half, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x + i)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i))));
  return _mm_cvtsi128_si32(half) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(half, half));
}
#endif

hnswlib::DISTFUNC<int> FastestRootKey() {
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2")) return &RootKeyAvx2;
#endif
  return &RootKey;
}

class RootSpace : public hnswlib::SpaceInterface<int> {
 public:
  std::size_t get_data_size() override { return kSearchedValueCount; }
  hnswlib::DISTFUNC<int> get_dist_func() override { return FastestRootKey(); }
  void* get_dist_func_param() override { return nullptr; }
};

using Hnsw = hnswlib::HierarchicalNSW<int>;

void RootVectorOf(const DescriptorTable& table, std::size_t row, std::uint8_t* into) {
  std::memcpy(into, DescriptorTablePacking::TinyHead(table, row), kTinyHeadValues);
  std::memcpy(into + kTinyHeadValues, DescriptorTablePacking::TinyRest(table, row), kTinyRestValues);
}

constexpr char kMagic[8] = {'V', 'X', 'I', 'N', 'D', 'E', 'X', '1'};

struct Header {
  char magic[8];
  std::uint32_t value_count;  // kSearchedValueCount
  std::uint32_t links;        // IndexShape
  std::uint32_t build_candidates;
  std::uint32_t unused;
  std::uint64_t lines, usable;
  std::uint64_t distinct;  // distinct root vectors among the usable records: the graph's nodes
  std::uint64_t data_size, data_inode, data_device;
  std::int64_t data_mtime_ns;
};

// The graph's own numbers, as hnswlib keeps them.
struct GraphShape {
  std::uint64_t elements, size_per_element, label_offset, data_offset;
  std::int32_t top_level;
  std::uint32_t entry;
  std::uint64_t links, base_links, build_candidates;
  double level_factor;
};

GraphShape ShapeOf(const Hnsw& g) {
  return {g.cur_element_count, g.size_data_per_element_, g.label_offset_, g.offsetData_,
          g.maxlevel_, g.enterpoint_node_, g.maxM_, g.maxM0_, g.ef_construction_, g.mult_};
}

// A graph as `Build` would make it for `elements` records has this shape,
// but for its levels.
bool SameLayout(const GraphShape& a, const GraphShape& b) {
  return a.elements == b.elements && a.size_per_element == b.size_per_element &&
         a.label_offset == b.label_offset && a.data_offset == b.data_offset && a.links == b.links &&
         a.base_links == b.base_links && a.build_candidates == b.build_candidates &&
         a.level_factor == b.level_factor;
}

bool ReadExactly(std::FILE* file, void* into, std::size_t size) {
  return size == 0 || std::fread(into, 1, size, file) == size;
}

// A link list (its count, then the links) that holds at most `most` links,
// each to an element below `elements`, and is not marked deleted (the count's
// upper bytes).
bool SoundLinks(const std::uint32_t* list, std::size_t most, std::size_t elements) {
  if (list[0] > most) return false;
  for (std::uint32_t i = 1; i <= list[0]; ++i)
    if (list[i] >= elements) return false;
  return true;
}

// Reads the header of DATA's index: false unless it is one of this version,
// for DATA in state `read_from` and as it is now, and for `data`.
bool ReadMatchingHeader(std::FILE* file, const std::string& data_path, const DataState& read_from,
                        const DescriptorTable& data, Header* h) {
  const DataState now = DataStateOf(data_path);
  return ReadExactly(file, h, sizeof *h) && std::memcmp(h->magic, kMagic, sizeof kMagic) == 0 &&
         h->value_count == kSearchedValueCount && h->links >= 2 && h->links <= 64 &&
         h->build_candidates >= h->links && h->build_candidates <= 4096 &&
         now == read_from && h->data_size == now.size && h->data_inode == now.inode &&
         h->data_device == now.device && h->data_mtime_ns == now.mtime_ns &&
         h->lines == data.size() && h->usable == data.usable() &&
         data.form() == RecordForm::kTinyInt && data.prepared_for_root();
}

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
File OpenIndexFile(const std::string& data_path) {
  return File(std::fopen(IndexPathOf(data_path).c_str(), "rb"), std::fclose);
}

// The good rows of `data` grouped by their root vector: group d holds
// rows[starts[d]] up to rows[starts[d + 1]], in increasing order, and groups
// are numbered in the order of their first rows. Copies of one icon, and
// icons that differ in nothing the records hold, are common in data sets; as
// separate nodes they would crowd each other's links out of the graph.
void DistinctVectors(const DescriptorTable& data, std::vector<std::uint32_t>* starts,
                     std::vector<std::uint32_t>* rows) {
  std::vector<std::uint32_t> good;
  good.reserve(data.usable());
  for (std::size_t row = 0; row < data.size(); ++row)
    if (!data.bad(row)) good.push_back(static_cast<std::uint32_t>(row));
  auto same = [&](std::uint32_t i, std::uint32_t j) {  // good[i] and good[j]
    using Packing = DescriptorTablePacking;
    const std::uint32_t a = good[i], b = good[j];
    return std::memcmp(Packing::TinyHead(data, a), Packing::TinyHead(data, b), kTinyHeadValues) == 0 &&
           std::memcmp(Packing::TinyRest(data, a), Packing::TinyRest(data, b), kTinyRestValues) == 0;
  };
  std::vector<std::pair<std::uint64_t, std::uint32_t>> hashed(good.size());  // (hash, index in good)
  for (std::uint32_t i = 0; i < good.size(); ++i) {
    std::uint8_t vector[kSearchedValueCount];
    RootVectorOf(data, good[i], vector);
    std::uint64_t hash = 14695981039346656037u;  // FNV-1a, a word at a time
    for (std::size_t at = 0; at < kSearchedValueCount; at += 8) {
      std::uint64_t word;
      std::memcpy(&word, vector + at, 8);
      hash = (hash ^ word) * 1099511628211u;
      hash ^= hash >> 29;
    }
    hashed[i] = {hash, i};
  }
  std::sort(hashed.begin(), hashed.end());
  // first[i]: the index in `good` of the first row with row good[i]'s vector.
  std::vector<std::uint32_t> first(good.size());
  for (std::size_t run = 0; run < hashed.size();) {
    std::size_t end = run;
    while (end < hashed.size() && hashed[end].first == hashed[run].first) ++end;
    for (std::size_t i = run; i < end; ++i) {
      const std::uint32_t at = hashed[i].second;
      first[at] = at;
      for (std::size_t j = run; j < i; ++j)  // a run is almost always one vector
        if (first[hashed[j].second] == hashed[j].second && same(hashed[j].second, at)) {
          first[at] = hashed[j].second;
          break;
        }
    }
    run = end;
  }
  std::vector<std::uint32_t> group(good.size());
  std::vector<std::uint32_t> counts;
  for (std::size_t i = 0; i < good.size(); ++i) {
    if (first[i] == i) {
      group[i] = static_cast<std::uint32_t>(counts.size());
      counts.push_back(0);
    } else {
      group[i] = group[first[i]];
    }
    ++counts[group[i]];
  }
  starts->assign(counts.size() + 1, 0);
  for (std::size_t d = 0; d < counts.size(); ++d) (*starts)[d + 1] = (*starts)[d] + counts[d];
  rows->assign(good.size(), 0);
  std::vector<std::uint32_t> next(starts->begin(), starts->end() - 1);
  for (std::size_t i = 0; i < good.size(); ++i) (*rows)[next[group[i]]++] = good[i];
}

// Loading or building an index writes every page of the graph's base level
// once: on the system's large pages (2 MB), where it gives them, that takes
// a 512th of the page faults, and a million records load in about half the
// CPU time (bench/index_search.sh). Asked for before the memory is first
// written, which is when pages are given.
void AskForLargePages(const Hnsw& g) {
#if defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
  const auto at = reinterpret_cast<std::uintptr_t>(g.data_level0_memory_);
  const std::uintptr_t begin = (at + kLarge - 1) & ~(kLarge - 1);
  const std::uintptr_t end = (at + g.max_elements_ * g.size_data_per_element_) & ~(kLarge - 1);
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);  // a wish
#endif
}

}  // namespace

struct RecordIndex::Graph {
  RootSpace space;  // before `hnsw`, which points to it
  std::unique_ptr<Hnsw> hnsw;
  std::size_t lines = 0;  // DATA's lines, "Bad Icon" included
  // The rows of each node's vector, in increasing order: node d's are
  // rows[starts[d]] up to rows[starts[d + 1]].
  std::vector<std::uint32_t> starts, rows;
};

RecordIndex::RecordIndex(std::unique_ptr<Graph> graph)
    : graph_(std::move(graph)),
      search_candidates_(graph_->hnsw->ef_construction_ < IndexShape{}.build_candidates
                             ? kSearchCandidatesOfSparserGraphs
                             : kSearchCandidates) {}
RecordIndex::~RecordIndex() = default;

std::size_t RecordIndex::size() const { return graph_->rows.size(); }
std::size_t RecordIndex::nodes() const { return graph_->starts.size() - 1; }

std::string IndexPathOf(const std::string& data) { return data + ".index"; }

Status RecordIndex::Build(const DescriptorTable& data, unsigned jobs,
                          std::unique_ptr<RecordIndex>* index, IndexShape shape) {
  if (data.form() != RecordForm::kTinyInt || !data.prepared_for_root())
    return Status::InvalidArgument("an index is of TinyInt records prepared for the root metric");
  if (data.size() > std::numeric_limits<std::uint32_t>::max())
    return Status::InvalidArgument("an index holds at most 2^32 - 1 lines");
  auto graph = std::make_unique<Graph>();
  graph->lines = data.size();
  DistinctVectors(data, &graph->starts, &graph->rows);
  const std::size_t nodes = graph->starts.size() - 1;
  try {
    graph->hnsw = std::make_unique<Hnsw>(&graph->space, std::max<std::size_t>(nodes, 1),
                                         shape.links, shape.build_candidates);
    AskForLargePages(*graph->hnsw);
    auto add = [&](std::size_t node) {
      std::uint8_t vector[kSearchedValueCount];
      RootVectorOf(data, graph->rows[graph->starts[node]], vector);
      graph->hnsw->addPoint(vector, node);
    };
    // The first node alone: hnswlib's first insertion sets the entry point.
    if (nodes > 0) add(0);
    ParallelFor(nodes - std::min<std::size_t>(nodes, 1), jobs, [&](std::size_t i) { add(i + 1); });
  } catch (const std::exception& e) {  // hnswlib's allocations
    return Status::IOError(std::string("cannot build the index: ") + e.what());
  }
  index->reset(new RecordIndex(std::move(graph)));
  return {};
}

Status RecordIndex::Save(const std::string& data_path, const DataState& read_from) const {
  const DataState now = DataStateOf(data_path);
  if (!(now == read_from) || !Settled(now)) return {};
  const Hnsw& g = *graph_->hnsw;
  Header h{};
  std::memcpy(h.magic, kMagic, sizeof kMagic);
  h.value_count = kSearchedValueCount;
  h.links = static_cast<std::uint32_t>(g.M_);
  h.build_candidates = static_cast<std::uint32_t>(g.ef_construction_);
  h.usable = graph_->rows.size();
  h.distinct = g.cur_element_count;
  h.lines = graph_->lines;
  h.data_size = now.size;
  h.data_inode = now.inode;
  h.data_device = now.device;
  h.data_mtime_ns = now.mtime_ns;
  const GraphShape shape = ShapeOf(g);
  const std::string path = IndexPathOf(data_path);
  const Status written = ReplaceWholeFileWith(path, [&](int fd) {
    std::string block(reinterpret_cast<const char*>(&h), sizeof h);
    block.append(reinterpret_cast<const char*>(&shape), sizeof shape);
    if (Status s = WriteAll(fd, block.data(), block.size()); !s.ok()) return s;
    if (Status s = WriteAll(fd, g.data_level0_memory_, g.cur_element_count * g.size_data_per_element_);
        !s.ok())
      return s;
    block.clear();
    for (std::size_t i = 0; i < g.cur_element_count; ++i) {
      const std::uint32_t size =
          g.element_levels_[i] > 0 ? static_cast<std::uint32_t>(g.size_links_per_element_ * g.element_levels_[i]) : 0;
      block.append(reinterpret_cast<const char*>(&size), sizeof size);
      if (size > 0) block.append(g.linkLists_[i], size);
      if (block.size() >= (std::size_t{1} << 20)) {
        if (Status s = WriteAll(fd, block.data(), block.size()); !s.ok()) return s;
        block.clear();
      }
    }
    if (Status s = WriteAll(fd, block.data(), block.size()); !s.ok()) return s;
    if (Status s = WriteAll(fd, graph_->starts.data(), graph_->starts.size() * sizeof(std::uint32_t));
        !s.ok())
      return s;
    return WriteAll(fd, graph_->rows.data(), graph_->rows.size() * sizeof(std::uint32_t));
  });
  if (written.ok()) return {};
  return Status::IOError("cannot write the index '" + path + "': " + written.message());
}

bool RecordIndex::Kept(const std::string& data_path, const DataState& read_from,
                       const DescriptorTable& data) {
  const File file = OpenIndexFile(data_path);
  Header h;
  return file && ReadMatchingHeader(file.get(), data_path, read_from, data, &h);
}

Status RecordIndex::Load(const std::string& data_path, const DataState& read_from,
                         const DescriptorTable& data, std::unique_ptr<RecordIndex>* index) {
  index->reset();
  const std::string path = IndexPathOf(data_path);
  const File file = OpenIndexFile(data_path);
  if (!file) return {};
  Header h;
  GraphShape shape;
  if (!ReadMatchingHeader(file.get(), data_path, read_from, data, &h) ||
      !ReadExactly(file.get(), &shape, sizeof shape))
    return {};
  auto graph = std::make_unique<Graph>();
  graph->lines = h.lines;
  auto refused = [&](const char* why) {
    return Status::IOError("the index '" + path + "' is damaged (" + why + ")");
  };
  const std::uint64_t nodes = h.distinct;
  struct stat st;
  if (::fstat(::fileno(file.get()), &st) != 0) return refused(std::strerror(errno));
  const auto fileSize = static_cast<std::uint64_t>(st.st_size);
  // Checked before anything is allocated for them: sizes that fit the file.
  if (nodes > h.usable || (nodes == 0) != (h.usable == 0) || shape.elements != nodes ||
      shape.size_per_element > (1u << 20) ||
      fileSize < sizeof h + sizeof shape + nodes * shape.size_per_element +
                     (nodes + 1 + h.usable) * sizeof(std::uint32_t))
    return refused("its size");
  try {
    graph->hnsw = std::make_unique<Hnsw>(&graph->space, std::max<std::uint64_t>(nodes, 1), h.links,
                                         h.build_candidates);
    Hnsw& g = *graph->hnsw;
    AskForLargePages(g);
    GraphShape expected = ShapeOf(g);
    expected.elements = nodes;
    if (!SameLayout(shape, expected) ||
        (nodes > 0 && (shape.top_level < 0 || shape.top_level > 64 || shape.entry >= nodes)))
      return refused("its graph is not one this version builds");
    if (!ReadExactly(file.get(), g.data_level0_memory_, nodes * g.size_data_per_element_))
      return refused("cut short");
    std::vector<char> labelled(nodes, 0);
    std::uint64_t upper = 0;  // bytes of the upper levels' link lists
    for (std::size_t i = 0; i < nodes; ++i) {
      const auto* base = reinterpret_cast<const std::uint32_t*>(g.get_linklist0(static_cast<hnswlib::tableint>(i)));
      const hnswlib::labeltype label = g.getExternalLabel(static_cast<hnswlib::tableint>(i));
      if (!SoundLinks(base, g.maxM0_, nodes) || label >= nodes || labelled[label]++)
        return refused("a link or a node out of range");
      std::uint32_t size;
      if (!ReadExactly(file.get(), &size, sizeof size) || size % g.size_links_per_element_ != 0 ||
          size / g.size_links_per_element_ > static_cast<std::uint64_t>(shape.top_level))
        return refused("a level out of range");
      upper += sizeof size + size;
      if (fileSize < sizeof h + sizeof shape + nodes * g.size_data_per_element_ + upper)
        return refused("cut short");
      g.element_levels_[i] = static_cast<int>(size / g.size_links_per_element_);
      g.linkLists_[i] = nullptr;
      if (size > 0) {
        g.linkLists_[i] = static_cast<char*>(std::malloc(size));
        if (g.linkLists_[i] == nullptr) {
          g.element_levels_[i] = 0;
          return Status::IOError("cannot load the index '" + path + "': out of memory");
        }
        const bool read = ReadExactly(file.get(), g.linkLists_[i], size);
        g.cur_element_count = i + 1;  // frees what is read if a check below fails
        if (!read) return refused("cut short");
        for (std::size_t level = 0; level < size / g.size_links_per_element_; ++level)
          if (!SoundLinks(reinterpret_cast<const std::uint32_t*>(g.linkLists_[i] +
                                                                 level * g.size_links_per_element_),
                          g.maxM_, nodes))
            return refused("a link out of range");
      }
      g.cur_element_count = i + 1;  // label_lookup_ is left empty: only adding and deleting use it
    }
    g.maxlevel_ = shape.top_level;
    g.enterpoint_node_ = shape.entry;
    if (nodes > 0 && g.element_levels_[shape.entry] != shape.top_level)
      return refused("its entry point");
    // A search on a level follows links to nodes of that level or above.
    for (std::size_t i = 0; i < nodes; ++i)
      for (int level = 1; level <= g.element_levels_[i]; ++level) {
        const auto* list = reinterpret_cast<const std::uint32_t*>(g.get_linklist(
            static_cast<hnswlib::tableint>(i), level));
        for (std::uint32_t j = 1; j <= list[0]; ++j)
          if (g.element_levels_[list[j]] < level) return refused("a link to a lower level");
      }

    // Each good row of DATA in exactly one node, in increasing order there.
    graph->starts.resize(nodes + 1);
    graph->rows.resize(h.usable);
    if (fileSize != sizeof h + sizeof shape + nodes * g.size_data_per_element_ + upper +
                        (graph->starts.size() + graph->rows.size()) * sizeof(std::uint32_t) ||
        !ReadExactly(file.get(), graph->starts.data(), graph->starts.size() * sizeof(std::uint32_t)) ||
        !ReadExactly(file.get(), graph->rows.data(), graph->rows.size() * sizeof(std::uint32_t)))
      return refused("its size");
    std::vector<char> seen(data.size(), 0);
    if (graph->starts.front() != 0 || graph->starts.back() != h.usable) return refused("its rows");
    for (std::size_t d = 0; d < nodes; ++d)
      if (graph->starts[d] >= graph->starts[d + 1]) return refused("its rows");
    for (std::size_t d = 0; d < nodes; ++d) {
      for (std::uint32_t at = graph->starts[d]; at < graph->starts[d + 1]; ++at) {
        const std::uint32_t row = graph->rows[at];
        if (row >= data.size() || data.bad(row) || seen[row]++ ||
            (at > graph->starts[d] && graph->rows[at - 1] >= row))
          return refused("its rows");
      }
    }
  } catch (const std::exception& e) {
    return Status::IOError("cannot load the index '" + path + "': " + e.what());
  }
  index->reset(new RecordIndex(std::move(graph)));
  return {};
}

std::vector<Neighbour> RecordIndex::Nearest(const DescriptorTable& queries, std::size_t query,
                                            std::size_t k) const {
  const Hnsw& g = *graph_->hnsw;
  if (k == 0 || g.cur_element_count == 0) return {};
  std::uint8_t vector[kSearchedValueCount];
  RootVectorOf(queries, query, vector);
  auto candidates = g.searchKnn(vector, std::max(2 * k, search_candidates_));
  std::vector<std::pair<int, hnswlib::labeltype>> nodes;
  nodes.reserve(candidates.size());
  for (; !candidates.empty(); candidates.pop()) nodes.push_back(candidates.top());
  std::sort(nodes.begin(), nodes.end());
  // Every row of the nearest nodes until k are found and the next node is
  // farther: rows at the k-th distance are then settled by row number, as
  // exact search settles them.
  std::vector<std::pair<int, std::uint32_t>> rows;
  for (const auto& [key, node] : nodes) {
    if (rows.size() >= k && key > rows.back().first) break;
    for (std::uint32_t at = graph_->starts[node]; at < graph_->starts[node + 1]; ++at)
      rows.push_back({key, graph_->rows[at]});
  }
  std::sort(rows.begin(), rows.end());
  rows.resize(std::min(rows.size(), k));
  std::vector<Neighbour> nearest;
  for (const auto& [key, row] : rows) nearest.push_back({row, static_cast<double>(key) / kRootScale});
  return nearest;
}

Status LoadOrBuildIndex(const std::string& data_path, const DataState& read_from,
                        const DescriptorTable& data, unsigned jobs,
                        std::unique_ptr<RecordIndex>* index, Status* warning) {
  *warning = RecordIndex::Load(data_path, read_from, data, index);
  if (*index) return {};
  if (Status built = RecordIndex::Build(data, jobs, index); !built.ok()) return built;
  if (Status kept = (*index)->Save(data_path, read_from); !kept.ok()) *warning = kept;
  return {};
}

bool IndexPays(std::size_t usable, std::size_t queries, bool index_kept) {
  return usable >= kIndexFromRecords &&
         queries >= (index_kept ? kIndexLoadQueries : kIndexBuildQueries);
}

}  // namespace vexlor
