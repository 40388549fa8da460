// vexlor/card.h: a picture of what the descriptor sees.
//
// The card shows the icon as the descriptors saw it (distorted, resampled to
// 62 x 62, enlarged kCardScale times and dimmed to half its brightness), the 60 x 60 working area
// with its 4 x 4 grid, the four skipped corner squares shaded and the twelve
// cells numbered as the results file numbers them. Each cell holds its
// orientation histogram as eight strokes from its centre: stroke b points
// the way bin b's gradients point (bin 0 left, 2 up, 4 right, 6 down, odd
// bins between) and is as long as the bin's value, on one scale for the
// whole card. Six bars along the cell's foot give its Lab sums L+, L-, a+,
// a-, b+, b- (0 to 128, the bar's full height). Beside the grid, the four
// quadrant groups (laid out as the quadrants) and the middle group are drawn
// with strokes on the same scale.
//
// Everything is drawn from the record and the seen icon: the same inputs give
// the same pixels and the same PNG bytes. Pure functions: safe on any thread.
#ifndef VEXLOR_CARD_H_
#define VEXLOR_CARD_H_

#include <string>

#include <opencv2/core.hpp>

#include "vexlor/descriptors.h"
#include "vexlor/status.h"

namespace vexlor {

// Card pixels per pixel of the 62 x 62 icon.
inline constexpr int kCardScale = 8;

// Where the card draws cell `cell` (1..12) and group `group` (0..3 the
// quadrants, 4 the middle group): a square whose centre the strokes start
// from, kCardStrokeReach pixels long at most.
cv::Rect CardCellBox(int cell);
cv::Rect CardGroupBox(int group);
inline constexpr int kCardStrokeReach = 52;

// The card of `descriptors` over `seen`, the 62 x 62 BGR icon that
// Describe(..., &seen) gave with them: an 8-bit BGR image. Throws
// vexlor::Error (kInvalidArgument) when `seen` is not 62 x 62 CV_8UC3.
cv::Mat DrawCard(const Descriptors& descriptors, const cv::Mat& seen);

// Writes an 8-bit BGR image as a PNG file at `path`, encoded in memory first
// and written whole or not at all: when the writing fails, an earlier file
// at `path` stays as it was and no new file is left. A path that is no
// regular file (a FIFO, a device) is refused. kIOError naming the path and
// the reason.
Status WriteCardPng(const cv::Mat& card, const std::string& path);

}  // namespace vexlor

#endif  // VEXLOR_CARD_H_
