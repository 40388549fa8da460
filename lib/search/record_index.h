#ifndef VEXLOR_SEARCH_RECORD_INDEX_H_
#define VEXLOR_SEARCH_RECORD_INDEX_H_

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "search/table_file.h"
#include "vexlor/nearest.h"
#include "vexlor/status.h"

namespace vexlor {

// An approximate index of a TinyInt data set for the root metric: a
// hierarchical navigable small-world graph (hnswlib) over the records' root
// vectors (208 bytes each), whose distance is the root metric's own integer
// sum. Every distance it gives is therefore exact; only a true neighbour
// missed by the graph's walk (rarely) differs from exact search. Kept beside
// DATA as DATA.index, tied to DATA as its table is (table_file.h): an index
// that does not match DATA now, or whose contents do not add up, is never
// used.
//
// Measured at a million records (bench/index_search.sh): recall@5 against
// exact search, CPU per query and bytes per record are in docs/search.md.
// How an index's graph is built: links per record (twice that on its base
// layer) and the candidates weighed while linking one. Weighing 400 rather
// than 200 doubles the building's cost and makes a graph whose search finds
// as much with half the candidates or fewer (bench/index_search.sh).
struct IndexShape {
  std::size_t links = 16;
  std::size_t build_candidates = 400;
};

class RecordIndex {
 public:
  // Candidates a search weighs, and at least twice the neighbours asked
  // for; more finds more of the true nearest and costs more. A graph built
  // weighing fewer than 400 (kept by an earlier version) needs 64 to find
  // as much.
  static constexpr std::size_t kSearchCandidates = 32;
  static constexpr std::size_t kSearchCandidatesOfSparserGraphs = 64;

  ~RecordIndex();
  RecordIndex(const RecordIndex&) = delete;
  RecordIndex& operator=(const RecordIndex&) = delete;

  // The index of every good row of `data` (TinyInt, prepared for kRoot),
  // built on `jobs` threads. Built on one thread it is the same every time;
  // on more, the order of insertion varies, and so may the rare misses.
  // kInvalidArgument for a table of the double form or not prepared.
  static Status Build(const DescriptorTable& data, unsigned jobs,
                      std::unique_ptr<RecordIndex>* index, IndexShape shape = {});

  // DATA's index, when there is one that matches DATA in state `read_from`
  // (the state its table was read in) and `data`'s numbering; null
  // otherwise. kIOError only for an index that matches but cannot be read.
  static Status Load(const std::string& data_path, const DataState& read_from,
                     const DescriptorTable& data, std::unique_ptr<RecordIndex>* index);
  // Whether DATA has an index that Load would try: its header matches.
  static bool Kept(const std::string& data_path, const DataState& read_from,
                   const DescriptorTable& data);

  // Writes the index beside DATA, whole or not at all; nothing when DATA is
  // no longer in state `read_from` or changed in the last seconds (as a
  // table).
  Status Save(const std::string& data_path, const DataState& read_from) const;

  // The `k` rows nearest to good row `query` of `queries` (TinyInt,
  // prepared for kRoot) that the graph finds, nearest first, equal
  // distances in row order; distances as Nearest gives them.
  std::vector<Neighbour> Nearest(const DescriptorTable& queries, std::size_t query,
                                 std::size_t k) const;
  void set_search_candidates(std::size_t candidates) { search_candidates_ = candidates; }

  std::size_t size() const;   // the records it holds
  std::size_t nodes() const;  // their distinct root vectors

 private:
  struct Graph;
  explicit RecordIndex(std::unique_ptr<Graph> graph);
  std::unique_ptr<Graph> graph_;
  std::size_t search_candidates_;
};

std::string IndexPathOf(const std::string& data);

// DATA's index (`data` read from DATA in state `read_from`, TinyInt,
// prepared for kRoot): the one kept beside it when that matches, else one
// built on `jobs` threads and kept there. `warning` gets why a matching index
// could not be read (it is then built anew) or why the built one could not
// be kept (ok otherwise): the search goes on all the same.
Status LoadOrBuildIndex(const std::string& data_path, const DataState& read_from,
                        const DescriptorTable& data, unsigned jobs,
                        std::unique_ptr<RecordIndex>* index, Status* warning);

// When a search of `queries` queries over a table of `usable` records is
// done through the index rather than exactly: loading an index costs about
// as much as 210-280 exact queries, and building one as 43,000-46,000,
// whatever the size (all three grow with the records), while a query
// through the index costs a 23rd of an exact one at 100,000 records and a
// 120th at a million (bench/index_search.sh). Below
// kIndexFromRecords records exact search takes under a millisecond a query.
inline constexpr std::size_t kIndexFromRecords = 50000;
inline constexpr std::size_t kIndexLoadQueries = 300;
inline constexpr std::size_t kIndexBuildQueries = 45000;
bool IndexPays(std::size_t usable, std::size_t queries, bool index_kept);

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_RECORD_INDEX_H_
