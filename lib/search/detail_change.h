#ifndef VEXLOR_SEARCH_DETAIL_CHANGE_H_
#define VEXLOR_SEARCH_DETAIL_CHANGE_H_

#include <algorithm>
#include <cstdlib>

#include "descriptors/icon_signature.h"

namespace vexlor {

// How two detail maps (of icons of one size) differ, cell by cell, in grey
// levels: how far the furthest cell moved, and how many cells moved by
// more than `still` levels.
struct DetailChange {
  int most = 0, moved = 0;
  DetailChange(const DetailMap& a, const DetailMap& b, int still) {
    for (std::size_t i = 0; i < a.size(); ++i) {
      const int change = std::abs(a[i] - b[i]);
      most = std::max(most, change);
      moved += change > still ? 1 : 0;
    }
  }
};

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_DETAIL_CHANGE_H_
