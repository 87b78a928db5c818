// The overview of a whole recording: the minimum and maximum of every
// channel over groups of consecutive blocks, and the rules that lay those
// groups onto the columns of a picture and lead a click on a column back to
// a block. Plain code; the viewer paints it and the reading runs in
// recordingOverviewTask.
//
// A recording has B blocks and the overview G = min(B, kOverviewGroups)
// groups: block b belongs to group floor(b * G / B), so every group holds
// one block or a run of neighbouring blocks and a block's group never moves
// as the file is read. A picture W columns wide shows, per column, the
// groups whose floor(g * W / G) is that column (G >= W), or stretches one
// group over several columns (G < W). Every group keeps, beside each
// channel's extremes, the block where each extreme was first reached, so a
// column of many blocks can still lead to the one block of a spike.
#ifndef OV_STREAM_RECORDINGOVERVIEW_H
#define OV_STREAM_RECORDINGOVERVIEW_H

#include "recordingStats.h"

#include <cstdint>
#include <limits>
#include <vector>

// Groups of an overview at most; a screen is narrower.
constexpr uint32_t kOverviewGroups = 4096;

// One channel's extremes over a run of blocks, NaN left out.
struct Extent {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    uint64_t minBlock = 0; // the first block where min was reached
    uint64_t maxBlock = 0; // the first block where max was reached

    // True when the run held no sample but NaN (drawn as a gap).
    bool empty() const { return !(min <= max); }
    // Takes in a later run of blocks.
    void add(const Extent &later);
    void add(const SampleSummary &block, uint64_t blockIndex);
};

// The number of groups for `blocks` blocks.
uint32_t overviewGroupCount(uint64_t blocks);
// The group of block `block` (< blocks).
uint32_t groupOfBlock(uint64_t block, uint64_t blocks, uint32_t groups);
// The first block of group `group`; group == groups gives `blocks`.
uint64_t firstBlockOfGroup(uint32_t group, uint64_t blocks, uint32_t groups);

// The overview's groups: G x S extents, S the channel segments of a block.
struct OverviewGroups {
    uint64_t blocks = 0;
    uint32_t groups = 0;
    int segments = 0;
    std::vector<Extent> cells; // group * segments + segment

    void reset(uint64_t blockCount, int segmentCount);
    const Extent &at(uint32_t group, int segment) const { return cells[size_t(group) * size_t(segments) + size_t(segment)]; }
    Extent &at(uint32_t group, int segment) { return cells[size_t(group) * size_t(segments) + size_t(segment)]; }
};

// Gathers block summaries into groups, one group at a time.
class OverviewBuilder
{
public:
    OverviewBuilder(uint64_t blocks, int segments);
    // Takes block `index` (blocks come in order). True when this block
    // completed group completedGroup(), whose extents are completed().
    bool addBlock(uint64_t index, const SampleSummary *segments, int count);
    uint32_t completedGroup() const { return group_ - 1; }
    const std::vector<Extent> &completed() const { return done_; }

private:
    uint64_t blocks_;
    uint32_t groups_;
    uint32_t group_ = 0;
    uint64_t groupEnd_;
    std::vector<Extent> current_, done_;
};

// The overview laid onto `columns` columns.
struct OverviewColumns {
    int columns = 0;
    int segments = 0;
    std::vector<Extent> cells;       // column * segments + segment; empty beyond the groups read
    std::vector<uint64_t> firstBlock; // per column: its first block
    std::vector<uint64_t> endBlock;   // per column: one past its last block

    const Extent &at(int column, int segment) const { return cells[size_t(column) * size_t(segments) + size_t(segment)]; }
};

// The groups [firstGroup, endGroup) shown by `column` of `columns`.
void groupsOfColumn(int column, int columns, uint32_t groups, uint32_t &firstGroup, uint32_t &endGroup);
// The columns [first, end) that show group `group`.
void columnsOfGroup(uint32_t group, uint32_t groups, int columns, int &first, int &end);

// Lays the first `groupsRead` groups of `overview` onto `columns` columns.
OverviewColumns layOutColumns(const OverviewGroups &overview, uint32_t groupsRead, int columns);

// The block a click on `column` leads to. In a column of one block, that
// block. In a column of several: the block where the column's most
// outstanding extreme was first reached, an extreme outstanding by how far
// it lies beyond the same extreme of a neighbouring column (the farther of
// the two), measured in units of its band: `weight[segment]` is 1 / the
// value span of the segment's band, 0 for a segment not shown. A spike in
// one block is that block; a jump is the extreme just after it. When
// nothing stands out (flat data, or a column without neighbours), the
// block at the column's place in the recording: `fraction` of the way
// (0 at the left edge, 1 at the right) through all blocks, kept inside the
// column.
uint64_t blockForColumn(const OverviewColumns &layout, int column, const std::vector<double> &weight,
                        double fraction);

#endif
