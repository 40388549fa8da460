#ifndef VEXLOR_DESCRIPTORS_CELL_TABLES_H_
#define VEXLOR_DESCRIPTORS_CELL_TABLES_H_

#include <cstdint>

#include "vexlor/descriptors.h"

namespace vexlor {

// One row per cell, indexed by cellNum - 1. Cells are numbered 1..12 column
// block by column block (left to right), top to bottom within a column block,
// skipping the four corners of the 4 x 4 grid.

// Column block (0 left .. 3 right) and row block (0 top .. 3 bottom) of the
// 4 x 4 grid that each cell occupies.
inline constexpr int column_block_of_cell[DESC_NUM_CELLS] = {0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3};
inline constexpr int row_block_of_cell[DESC_NUM_CELLS] = {1, 2, 0, 1, 2, 3, 0, 1, 2, 3, 1, 2};

// Quadrant group: 0 top left, 1 top right, 2 bottom left, 3 bottom right.
inline constexpr std::uint32_t group_of_cell[DESC_NUM_CELLS] = {
    0, 2, 0, 0, 2, 2, 1, 1, 3, 3, 1, 3};

// Set for the four central cells, which also form the middle group.
inline constexpr std::uint32_t is_middle_cell[DESC_NUM_CELLS] = {
    0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 0};

// Weight of a cell in its groups: central cells count fully, the edge cells
// beside a skipped corner half. Single precision on purpose: the weights are
// widened to double when used, and 0.5 and 1.0 are exact either way.
inline constexpr float cell_weight[DESC_NUM_CELLS] = {
    0.5f, 0.5f, 0.5f, 1.0f, 1.0f, 0.5f, 0.5f, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f};

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_CELL_TABLES_H_
