#include "vexlor/card.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include <opencv2/imgproc.hpp>

#include "descriptors/cell_tables.h"
#include "opencv/lab_icon.h"

namespace vexlor {

namespace {

constexpr int kCellSide = 15 * kCardScale;             // 120
constexpr int kGridOrigin = 1 * kCardScale;            // the working area starts at pixel 1
constexpr int kIconSide = kNormalisedSide * kCardScale;  // 496
constexpr int kGroupsOrigin = kIconSide + 24;
constexpr int kCardWidth = kGroupsOrigin + 2 * kCellSide + 8;
constexpr int kCardHeight = kIconSide + 40;

const cv::Scalar kBackground(40, 40, 40);
const cv::Scalar kGridColour(150, 150, 150);
const cv::Scalar kTextColour(235, 235, 235);
const cv::Scalar kStrokeColour(255, 255, 0);   // cyan
const cv::Scalar kSlotColour(70, 70, 70);
// L+, L-, a+, a-, b+, b-: light and dark, red and green, yellow and blue.
const cv::Scalar kBarColours[DESC_NUM_LAB_SUMS] = {
    {255, 255, 255}, {0, 0, 0}, {60, 60, 255}, {60, 200, 60}, {0, 230, 255}, {255, 120, 0}};

// Eight strokes from the centre of `box`, bin b at 180 - 45 b degrees
// counter-clockwise from the right, as long as value * scale.
void DrawHistogram(cv::Mat& card, const cv::Rect& box, const double* bins, double scale) {
  const cv::Point centre(box.x + box.width / 2, box.y + box.height / 2);
  for (std::uint32_t b = 0; b < DESC_NUM_BINS_DERIVATIVES; ++b) {
    const double length = bins[b] * scale;
    if (!(length >= 0.5)) continue;
    const double angle = (45.0 * b) * CV_PI / 180.0;
    const cv::Point end(centre.x - static_cast<int>(std::lround(length * std::cos(angle))),
                        centre.y - static_cast<int>(std::lround(length * std::sin(angle))));
    cv::line(card, centre, end, kStrokeColour, 2, cv::LINE_8);
  }
}

void DrawLabBars(cv::Mat& card, const cv::Rect& box, const double* sums) {
  constexpr int kBarWidth = 6, kGap = 2, kHeight = 22;
  const int left = box.x + box.width - 6 * (kBarWidth + kGap) - 2;
  const int foot = box.y + box.height - 4;
  for (std::uint32_t s = 0; s < DESC_NUM_LAB_SUMS; ++s) {
    const int x = left + static_cast<int>(s) * (kBarWidth + kGap);
    cv::rectangle(card, cv::Rect(x, foot - kHeight, kBarWidth, kHeight), kSlotColour, cv::FILLED);
    const int height = static_cast<int>(std::lround(std::min(sums[s], 128.0) / 128.0 * kHeight));
    if (height > 0)
      cv::rectangle(card, cv::Rect(x, foot - height, kBarWidth, height), kBarColours[s],
                    cv::FILLED);
  }
}

void Label(cv::Mat& card, const std::string& text, cv::Point at, double size = 0.45) {
  cv::putText(card, text, at, cv::FONT_HERSHEY_SIMPLEX, size, kTextColour, 1, cv::LINE_8);
}

}  // namespace

cv::Rect CardCellBox(int cell) {
  return {kGridOrigin + column_block_of_cell[cell - 1] * kCellSide,
          kGridOrigin + row_block_of_cell[cell - 1] * kCellSide, kCellSide, kCellSide};
}

cv::Rect CardGroupBox(int group) {
  if (group == 4) return {kGroupsOrigin + kCellSide / 2, kGridOrigin + 2 * kCellSide + 48,
                          kCellSide, kCellSide};
  return {kGroupsOrigin + (group % 2) * kCellSide, kGridOrigin + (group / 2) * kCellSide + 16,
          kCellSide, kCellSide};
}

cv::Mat DrawCard(const Descriptors& d, const cv::Mat& seen) {
  if (seen.type() != CV_8UC3 || seen.rows != kNormalisedSide || seen.cols != kNormalisedSide)
    throw Error(Status::InvalidArgument("a card is drawn over the 62 x 62 BGR icon that was measured"));
  cv::Mat card(kCardHeight, kCardWidth, CV_8UC3, kBackground);

  // The icon, enlarged without smoothing and dimmed so that strokes stand out.
  cv::Mat enlarged;
  cv::resize(seen, enlarged, cv::Size(kIconSide, kIconSide), 0, 0, cv::INTER_NEAREST);
  enlarged.convertTo(card(cv::Rect(0, 0, kIconSide, kIconSide)), CV_8UC3, 0.5, 0);

  for (int cx : {0, 3})
    for (int cy : {0, 3}) {
      cv::Mat corner = card(cv::Rect(kGridOrigin + cx * kCellSide, kGridOrigin + cy * kCellSide,
                                     kCellSide, kCellSide));
      corner = corner * 0.3 + cv::Scalar(60, 60, 60) * 0.7;
      for (int i = -kCellSide; i < kCellSide; i += 12)
        cv::line(corner, {i, kCellSide}, {i + kCellSide, 0}, kGridColour, 1, cv::LINE_8);
    }
  for (int i = 0; i <= 4; ++i) {
    const int at = kGridOrigin + i * kCellSide;
    cv::line(card, {at, kGridOrigin}, {at, kGridOrigin + 4 * kCellSide}, kGridColour, 1);
    cv::line(card, {kGridOrigin, at}, {kGridOrigin + 4 * kCellSide, at}, kGridColour, 1);
  }

  // One scale for every stroke on the card: the largest value reaches its box.
  const std::vector<double>& rec = d.recDesc();
  const std::vector<double>& groups = d.groupDesc();
  const double largest = std::max(*std::max_element(rec.begin(), rec.begin() + derivative_desc_length),
                                  *std::max_element(groups.begin(), groups.end()));
  const double scale = largest > 0 ? kCardStrokeReach / largest : 0;

  for (int cell = 1; cell <= static_cast<int>(DESC_NUM_CELLS); ++cell) {
    const cv::Rect box = CardCellBox(cell);
    DrawLabBars(card, box, &rec[derivative_desc_length + (cell - 1) * DESC_NUM_LAB_SUMS]);
    DrawHistogram(card, box, &rec[(cell - 1) * DESC_NUM_BINS_DERIVATIVES], scale);
    Label(card, std::to_string(cell), {box.x + 4, box.y + 16});
  }

  Label(card, "quadrant groups", {kGroupsOrigin, kGridOrigin + 10});
  Label(card, "middle group", {kGroupsOrigin, CardGroupBox(4).y - 8});
  const char* const cellsOfGroup[] = {"1 3 4", "7 8 11", "2 5 6", "9 10 12", "4 5 8 9"};
  for (int group = 0; group <= 4; ++group) {
    const cv::Rect box = CardGroupBox(group);
    cv::rectangle(card, box, kGridColour, 1);
    Label(card, cellsOfGroup[group], {box.x + 4, box.y + 16}, 0.4);
    DrawHistogram(card, box, &groups[group * DESC_NUM_BINS_DERIVATIVES], scale);
  }

  char largestText[32];
  const auto written = std::to_chars(largestText, largestText + sizeof largestText, largest,
                                     std::chars_format::general, 4);
  Label(card, "full stroke " + std::to_string(kCardStrokeReach) + " px = " +
                  std::string(largestText, written.ptr) + "; bars: L+ L- a+ a- b+ b- (0-128)",
        {8, kCardHeight - 14});
  return card;
}

}  // namespace vexlor
