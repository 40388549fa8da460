// The graph is hnswlib's; its saving and loading are done here instead of by
// hnswlib's saveIndex and loadIndex, so that the index is one file that
// begins with vexlor's own header, is written whole or not at all, and is
// checked link by link before it is used (a damaged file is refused, never
// walked). The graph's members are public in hnswlib for this.
//
// hnswlib.h defines functions outside any class: it may be included in this
// file only.
#include "search/record_index.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <hnswlib/hnswlib.h>

#include "search/table_packing.h"
#include "search/root_transform.h"
#include "support/parallel_for.h"
#include "support/whole_file.h"

namespace vexlor {

namespace {

// The root metric's key between two root vectors (vexlor/nearest.h): the
// sum of absolute differences of their bytes, exact in any order.
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

class RootSpace : public hnswlib::SpaceInterface<int> {
 public:
  std::size_t get_data_size() override { return kSearchedValueCount; }
  hnswlib::DISTFUNC<int> get_dist_func() override { return &RootKey; }
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

}  // namespace

struct RecordIndex::Graph {
  RootSpace space;  // before `hnsw`, which points to it
  std::unique_ptr<Hnsw> hnsw;
  std::size_t lines = 0;  // DATA's lines, "Bad Icon" included
};

RecordIndex::RecordIndex(std::unique_ptr<Graph> graph) : graph_(std::move(graph)) {}
RecordIndex::~RecordIndex() = default;

std::size_t RecordIndex::size() const { return graph_->hnsw->cur_element_count; }

std::string IndexPathOf(const std::string& data) { return data + ".index"; }

Status RecordIndex::Build(const DescriptorTable& data, unsigned jobs,
                          std::unique_ptr<RecordIndex>* index, IndexShape shape) {
  if (data.form() != RecordForm::kTinyInt || !data.prepared_for_root())
    return Status::InvalidArgument("an index is of TinyInt records prepared for the root metric");
  std::vector<std::size_t> rows;
  rows.reserve(data.usable());
  for (std::size_t row = 0; row < data.size(); ++row)
    if (!data.bad(row)) rows.push_back(row);
  auto graph = std::make_unique<Graph>();
  graph->lines = data.size();
  try {
    graph->hnsw = std::make_unique<Hnsw>(&graph->space, std::max<std::size_t>(rows.size(), 1),
                                         shape.links, shape.build_candidates);
    auto add = [&](std::size_t i) {
      std::uint8_t vector[kSearchedValueCount];
      RootVectorOf(data, rows[i], vector);
      graph->hnsw->addPoint(vector, rows[i]);
    };
    // The first record alone: hnswlib's first insertion sets the entry point.
    if (!rows.empty()) add(0);
    ParallelFor(rows.size() - std::min<std::size_t>(rows.size(), 1), jobs,
                [&](std::size_t i) { add(i + 1); });
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
  h.usable = g.cur_element_count;
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
      if (block.size() >= (std::size_t{1} << 20) || i + 1 == g.cur_element_count) {
        if (Status s = WriteAll(fd, block.data(), block.size()); !s.ok()) return s;
        block.clear();
      }
    }
    return Status();
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
  try {
    graph->hnsw = std::make_unique<Hnsw>(&graph->space, std::max<std::size_t>(h.usable, 1), h.links,
                                         h.build_candidates);
    Hnsw& g = *graph->hnsw;
    GraphShape expected = ShapeOf(g);
    expected.elements = h.usable;
    if (!SameLayout(shape, expected) || (h.usable > 0 && (shape.top_level < 0 || shape.top_level > 64 ||
                                                          shape.entry >= h.usable)))
      return refused("its graph is not one this version builds");
    struct stat st;
    std::uint64_t upper = 0;  // bytes of the upper levels' link lists
    if (::fstat(::fileno(file.get()), &st) != 0) return refused(std::strerror(errno));
    if (!ReadExactly(file.get(), g.data_level0_memory_, h.usable * g.size_data_per_element_))
      return refused("cut short");
    for (std::size_t i = 0; i < h.usable; ++i) {
      const auto* base = reinterpret_cast<const std::uint32_t*>(g.get_linklist0(static_cast<hnswlib::tableint>(i)));
      const hnswlib::labeltype label = g.getExternalLabel(static_cast<hnswlib::tableint>(i));
      if (!SoundLinks(base, g.maxM0_, h.usable) || label >= data.size() || data.bad(label))
        return refused("a link or a row out of range");
      std::uint32_t size;
      if (!ReadExactly(file.get(), &size, sizeof size) || size % g.size_links_per_element_ != 0 ||
          size / g.size_links_per_element_ > static_cast<std::uint64_t>(shape.top_level))
        return refused("a level out of range");
      upper += sizeof size + size;
      if (static_cast<std::uint64_t>(st.st_size) <
          sizeof h + sizeof shape + h.usable * g.size_data_per_element_ + upper)
        return refused("cut short");
      g.element_levels_[i] = static_cast<int>(size / g.size_links_per_element_);
      g.linkLists_[i] = nullptr;
      if (size > 0) {
        g.linkLists_[i] = static_cast<char*>(std::malloc(size));
        if (g.linkLists_[i] == nullptr) {
          g.element_levels_[i] = 0;
          return Status::IOError("cannot load the index '" + path + "'");
        }
        const bool read = ReadExactly(file.get(), g.linkLists_[i], size);
        g.cur_element_count = i + 1;  // frees what is read if a check below fails
        if (!read) return refused("cut short");
        for (std::size_t level = 0; level < size / g.size_links_per_element_; ++level)
          if (!SoundLinks(reinterpret_cast<const std::uint32_t*>(g.linkLists_[i] +
                                                                 level * g.size_links_per_element_),
                          g.maxM_, h.usable))
            return refused("a link out of range");
      }
      g.cur_element_count = i + 1;  // label_lookup_ is left empty: only adding and deleting use it
    }
    if (static_cast<std::uint64_t>(st.st_size) !=
        sizeof h + sizeof shape + h.usable * g.size_data_per_element_ + upper)
      return refused("its size");
    g.maxlevel_ = shape.top_level;
    g.enterpoint_node_ = shape.entry;
    if (h.usable > 0 && g.element_levels_[shape.entry] != shape.top_level)
      return refused("its entry point");
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
  // More candidates than asked for: then equal distances at the k-th place
  // are settled by row, as exact search settles them.
  auto candidates = g.searchKnn(vector, std::max(k, search_candidates_));
  std::vector<std::pair<int, hnswlib::labeltype>> found;
  found.reserve(candidates.size());
  for (; !candidates.empty(); candidates.pop()) found.push_back(candidates.top());
  std::sort(found.begin(), found.end());
  found.resize(std::min(found.size(), k));
  std::vector<Neighbour> nearest;
  for (const auto& [key, row] : found) nearest.push_back({row, static_cast<double>(key) / kRootScale});
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
