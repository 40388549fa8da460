#ifndef VEXLOR_NEAREST_ANSWER_PAGE_H_
#define VEXLOR_NEAREST_ANSWER_PAGE_H_

#include <cstddef>
#include <string>
#include <vector>

#include "descriptors/normalised_icon.h"
#include "vexlor/distortion.h"

namespace vexlor {

// One self-contained HTML page of vexlor-nearest's answers: each query's
// icon beside its nearest records' icons, each with rank, distance and name.
// Pictures are PNG bytes embedded as data URIs, each distinct one once ("" draws
// a "no picture" box); the page links to nothing outside itself. Names are escaped: HTML's
// special characters as entities, control bytes and bytes that are no UTF-8
// as \xNN.
struct PageAnswer {
  std::size_t rank = 0;
  std::string distance;  // as the answer lines print it
  std::string name;
  std::string picture;
};

struct PageQuery {
  std::string name;
  std::string picture;
  std::string failure;  // why it has no answers, or ""
  std::vector<PageAnswer> answers;
};

struct PageHeading {
  std::string data;  // the data set's results file
  std::string metric;
  std::size_t k = 0;
};

std::string AnswerPage(const PageHeading& heading, const std::vector<PageQuery>& queries);

// One self-contained HTML page of vexlor-groups' groups of more than one
// member, as given (largest first), each group's pictures side by side with
// their names; the same pictures, names and bounds as AnswerPage's (groups
// are shown while their members fit in kMaxPageAnswers, the first always).
struct PageMember {
  std::string name;
  std::string picture;
};
struct PageGroup {
  std::size_t number = 0;
  std::vector<PageMember> members;
};
std::string GroupsPage(const std::string& data, std::size_t records,
                       const std::vector<PageGroup>& groups);

// The icon file at `path` as the search measured it (undistorted, loaded
// with `load`, resampled to 62 x 62), as PNG bytes; "" when it cannot be
// loaded.
std::string MeasuredPicture(const std::string& path, const LoadSettings& load);
// The same for an icon already measured: the 62 x 62 icon it was seen as.
std::string PictureOf(const NormalisedIcon& seen);

// Most answers the page shows: queries are shown in order while their answers
// fit (the first always, cut to this many), so that the page stays a few tens
// of megabytes at most; the rest are named as left to the answer lines.
inline constexpr std::size_t kMaxPageAnswers = 5000;

// What the page shows of queries with `answers[q]` answers each: the first
// `shown.size()` queries, `shown[q]` answers of query q.
struct PageExtent {
  std::vector<std::size_t> shown;
};
PageExtent PageExtentOf(const std::vector<std::size_t>& answers);

// Pixels of a picture on the page per pixel of the 62 x 62 icon.
inline constexpr int kPagePictureScale = 2;

}  // namespace vexlor

#endif  // VEXLOR_NEAREST_ANSWER_PAGE_H_
