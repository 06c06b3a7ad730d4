#include <gtest/gtest.h>

#include "core/shape.h"

namespace exitbutton {
namespace {

constexpr Color kBlack = 0;
constexpr Color kGrey = 0x808080;

PixelGrid Filled(int width, int height, Color color) {
    return {width, height, std::vector<Color>(static_cast<std::size_t>(width) * height, color)};
}

void Set(PixelGrid& grid, int x, int y, Color color) {
    grid.pixels[static_cast<std::size_t>(y) * grid.width + x] = color;
}

bool Covers(const std::vector<Rect>& rects, int x, int y) {
    for (const Rect& r : rects) {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    }
    return false;
}

TEST(OutlineScan, RowWithoutSeeThroughPixelsGivesNoRunAndKeepsTheWholeRow) {
    const Outline scan = ScanOutline(Filled(160, 1, kGrey), kBlack);
    EXPECT_TRUE(scan.seeThroughRuns.empty());
    EXPECT_EQ(scan.kept, (std::vector<Rect>{{0, 0, 160, 1}}));
}

TEST(OutlineScan, FullySeeThroughRowIsOneRunEndedByTheRightEdge) {
    const Outline scan = ScanOutline(Filled(160, 1, kBlack), kBlack);
    EXPECT_EQ(scan.seeThroughRuns, (std::vector<Rect>{{0, 0, 160, 1}}));
    EXPECT_TRUE(scan.kept.empty());
}

TEST(OutlineScan, SeeThroughPixelInTheLastColumnIsARunOfOne) {
    PixelGrid grid = Filled(160, 1, kGrey);
    Set(grid, 159, 0, kBlack);
    const Outline scan = ScanOutline(grid, kBlack);
    EXPECT_EQ(scan.seeThroughRuns, (std::vector<Rect>{{159, 0, 160, 1}}));
    EXPECT_EQ(scan.kept, (std::vector<Rect>{{0, 0, 159, 1}}));
}

TEST(OutlineScan, OnlyExactBlackIsSeeThrough) {
    PixelGrid grid = Filled(4, 1, kBlack);
    Set(grid, 1, 0, 0x000001);  // red 1
    Set(grid, 2, 0, 0x010000);  // blue 1
    const Outline scan = ScanOutline(grid, kBlack);
    EXPECT_EQ(scan.seeThroughRuns, (std::vector<Rect>{{0, 0, 1, 1}, {3, 0, 4, 1}}));
    EXPECT_EQ(scan.kept, (std::vector<Rect>{{1, 0, 3, 1}}));
}

TEST(OutlineScan, RowsAreScannedTopDownAndRunsLeftToRight) {
    PixelGrid grid = Filled(6, 2, kGrey);
    Set(grid, 4, 0, kBlack);
    Set(grid, 0, 0, kBlack);
    Set(grid, 2, 1, kBlack);
    const Outline scan = ScanOutline(grid, kBlack);
    EXPECT_EQ(scan.seeThroughRuns,
              (std::vector<Rect>{{0, 0, 1, 1}, {4, 0, 5, 1}, {2, 1, 3, 2}}));
}

TEST(OutlineScan, AllBlackPictureKeepsNothingAndNoBlackKeepsTheRectangle) {
    EXPECT_TRUE(ScanOutline(Filled(160, 120, kBlack), kBlack).kept.empty());
    const Outline whole = ScanOutline(Filled(160, 120, kGrey), kBlack);
    EXPECT_EQ(whole.kept, (std::vector<Rect>{{0, 0, 160, 120}}));
    EXPECT_TRUE(whole.seeThroughRuns.empty());
}

TEST(OutlineScan, RowsWithTheSameKeptSpansMergeIntoTallRectangles) {
    PixelGrid grid = Filled(10, 5, kGrey);
    for (int y = 0; y < 3; ++y) Set(grid, 5, y, kBlack);
    const Outline scan = ScanOutline(grid, kBlack);
    EXPECT_EQ(scan.kept, (std::vector<Rect>{{0, 0, 5, 3}, {6, 0, 10, 3}, {0, 3, 10, 5}}));
}

TEST(OutlineScan, KeptRectanglesAreExactlyTheNonSeeThroughPixels) {
    // A scatter of black pixels: every pixel must land on the right side.
    PixelGrid grid = Filled(37, 23, kGrey);
    unsigned seed = 12345;
    for (Color& pixel : grid.pixels) {
        seed = seed * 1103515245u + 12345u;
        if ((seed >> 16) % 3 == 0) pixel = kBlack;
    }
    const Outline scan = ScanOutline(grid, kBlack);
    long long keptPixels = 0;
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            const bool kept = grid.at(x, y) != kBlack;
            keptPixels += kept;
            EXPECT_EQ(Covers(scan.kept, x, y), kept) << x << "," << y;
            EXPECT_EQ(Covers(scan.seeThroughRuns, x, y), !kept) << x << "," << y;
        }
    }
    EXPECT_EQ(PixelCount(scan.kept), keptPixels);  // disjoint: no pixel counted twice
}

}  // namespace
}  // namespace exitbutton
