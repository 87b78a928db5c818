// The overview's groups and columns (see recordingOverview.h). Products of
// block numbers and group or column counts are taken in 128 bits: a block
// number of a long recording times 4096 may pass 64 bits only in theory,
// but the rules stay exact whatever the header says.
#include "recordingOverview.h"

#include <algorithm>
#include <cmath>

namespace {

using wide = unsigned __int128;

uint64_t floorDiv(wide a, wide b) { return uint64_t(a / b); }
uint64_t ceilDiv(wide a, wide b) { return uint64_t((a + b - 1) / b); }

} // namespace

void Extent::add(const Extent &later)
{
    if (later.min < min) {
        min = later.min;
        minBlock = later.minBlock;
    }
    if (later.max > max) {
        max = later.max;
        maxBlock = later.maxBlock;
    }
}

void Extent::add(const SampleSummary &block, uint64_t blockIndex)
{
    if (block.empty())
        return;
    if (block.min < min) {
        min = block.min;
        minBlock = blockIndex;
    }
    if (block.max > max) {
        max = block.max;
        maxBlock = blockIndex;
    }
}

uint32_t overviewGroupCount(uint64_t blocks) { return uint32_t(std::min<uint64_t>(blocks, kOverviewGroups)); }

uint32_t groupOfBlock(uint64_t block, uint64_t blocks, uint32_t groups)
{
    return blocks ? uint32_t(floorDiv(wide(block) * groups, blocks)) : 0;
}

uint64_t firstBlockOfGroup(uint32_t group, uint64_t blocks, uint32_t groups)
{
    return groups ? ceilDiv(wide(group) * blocks, groups) : 0;
}

void OverviewGroups::reset(uint64_t blockCount, int segmentCount)
{
    blocks = blockCount;
    groups = overviewGroupCount(blockCount);
    segments = std::max(segmentCount, 0);
    cells.assign(size_t(groups) * size_t(segments), Extent{});
}

OverviewBuilder::OverviewBuilder(uint64_t blocks, int segments)
    : blocks_(blocks), groups_(overviewGroupCount(blocks)), groupEnd_(firstBlockOfGroup(1, blocks, groups_)),
      current_(size_t(std::max(segments, 0))), done_(current_)
{
}

bool OverviewBuilder::addBlock(uint64_t index, const SampleSummary *segments, int count)
{
    const int n = std::min(count, int(current_.size()));
    for (int s = 0; s < n; ++s)
        current_[size_t(s)].add(segments[s], index);
    if (index + 1 < groupEnd_ || group_ >= groups_)
        return false;
    done_.swap(current_);
    std::fill(current_.begin(), current_.end(), Extent{});
    ++group_;
    groupEnd_ = firstBlockOfGroup(group_ + 1, blocks_, groups_);
    return true;
}

void groupsOfColumn(int column, int columns, uint32_t groups, uint32_t &firstGroup, uint32_t &endGroup)
{
    if (columns <= 0 || groups == 0) {
        firstGroup = endGroup = 0;
        return;
    }
    const uint64_t c = uint64_t(column), w = uint64_t(columns);
    if (groups >= w) {
        firstGroup = uint32_t(ceilDiv(wide(c) * groups, w));
        endGroup = uint32_t(ceilDiv(wide(c + 1) * groups, w));
    } else {
        firstGroup = uint32_t(floorDiv(wide(c) * groups, w));
        endGroup = firstGroup + 1;
    }
}

void columnsOfGroup(uint32_t group, uint32_t groups, int columns, int &first, int &end)
{
    if (columns <= 0 || groups == 0) {
        first = end = 0;
        return;
    }
    const uint64_t w = uint64_t(columns);
    if (groups >= w) {
        first = int(floorDiv(wide(group) * w, groups));
        end = first + 1;
    } else {
        first = int(ceilDiv(wide(group) * w, groups));
        end = int(ceilDiv(wide(group + 1) * w, groups));
    }
}

OverviewColumns layOutColumns(const OverviewGroups &overview, uint32_t groupsRead, int columns)
{
    OverviewColumns out;
    out.columns = std::max(columns, 0);
    out.segments = overview.segments;
    out.cells.assign(size_t(out.columns) * size_t(out.segments), Extent{});
    out.firstBlock.assign(size_t(out.columns), 0);
    out.endBlock.assign(size_t(out.columns), 0);
    groupsRead = std::min(groupsRead, overview.groups);
    for (int c = 0; c < out.columns; ++c) {
        uint32_t first = 0, end = 0;
        groupsOfColumn(c, out.columns, overview.groups, first, end);
        out.firstBlock[size_t(c)] = firstBlockOfGroup(first, overview.blocks, overview.groups);
        out.endBlock[size_t(c)] = firstBlockOfGroup(end, overview.blocks, overview.groups);
        for (uint32_t g = first; g < std::min(end, groupsRead); ++g)
            for (int s = 0; s < out.segments; ++s)
                out.cells[size_t(c) * size_t(out.segments) + size_t(s)].add(overview.at(g, s));
    }
    return out;
}

uint64_t blockForColumn(const OverviewColumns &layout, int column, const std::vector<double> &weight,
                        double fraction)
{
    if (column < 0 || column >= layout.columns)
        return 0;
    const uint64_t first = layout.firstBlock[size_t(column)], end = layout.endBlock[size_t(column)];
    if (end <= first + 1)
        return first;

    double best = 0.0;
    uint64_t bestBlock = first;
    const int segments = std::min(layout.segments, int(weight.size()));
    for (int s = 0; s < segments; ++s) {
        const double w = weight[size_t(s)];
        const Extent &e = layout.at(column, s);
        if (!(w > 0.0) || e.empty())
            continue;
        for (int n : {column - 1, column + 1}) {
            if (n < 0 || n >= layout.columns || layout.at(n, s).empty())
                continue;
            const Extent &beside = layout.at(n, s);
            const double up = (e.max - beside.max) * w, down = (beside.min - e.min) * w;
            if (up > best) {
                best = up;
                bestBlock = e.maxBlock;
            }
            if (down > best) {
                best = down;
                bestBlock = e.minBlock;
            }
        }
    }
    if (best > 0.0)
        return bestBlock;

    const uint64_t blocks = layout.endBlock.back();
    const double f = std::clamp(fraction, 0.0, 1.0);
    const uint64_t at = uint64_t(std::llround(f * double(blocks - 1)));
    return std::clamp(at, first, end - 1);
}
