#include "mainwindow/layout.h"

#include <gtest/gtest.h>

#include <set>

using namespace rz4::mainwindow;

namespace {

TwipRect at(const Layout& l, Piece p) {
    for (const auto& placement : l) {
        if (placement.piece == p) {
            return placement.rect;
        }
    }
    ADD_FAILURE() << "piece missing from the layout";
    return {};
}

void expectRect(const TwipRect& r, float left, float top, float width, float height) {
    EXPECT_FLOAT_EQ(r.left, left);
    EXPECT_FLOAT_EQ(r.top, top);
    EXPECT_FLOAT_EQ(r.width, width);
    EXPECT_FLOAT_EQ(r.height, height);
}

} // namespace

TEST(Layout, DesignSizeMatchesEveryClosedForm) {
    const float W = 9345, H = 6750;
    const Layout l = layoutTable(W, H);
    expectRect(at(l, Piece::Image1), 0, 0, 1875, 915);
    expectRect(at(l, Piece::Image2), 1875, 0, W - 5265, 915);
    expectRect(at(l, Piece::Image3), W - 3120, 0, 3120, 450);
    expectRect(at(l, Piece::Image4), 0, 915, 120, H - 1665);
    expectRect(at(l, Piece::Image5), 0, H - 750, 1485, 750);
    expectRect(at(l, Piece::Image6), 1485, H - 750, W - 4545, 750);
    expectRect(at(l, Piece::Image13), W - 3060, H - 135, 3060, 135);
    expectRect(at(l, Piece::Image7), W - 4260, H - 750, 1200, 750);
    expectRect(at(l, Piece::Image8), W - 120, 450, 120, H - 585);
    expectRect(at(l, Piece::Image10), W - 3390, 0, 270, 915);
    expectRect(at(l, Piece::Image11), W - 3140, 450, 90, H - 450);
    expectRect(at(l, Piece::WebBrowser1), 6295, 360, 2930, 2318);
    expectRect(at(l, Piece::Image12), 6295, 2678, 2955, 510);
    expectRect(at(l, Piece::TreeView1), 6295, 3188, 2930, 3427);
    expectRect(at(l, Piece::WMP), 120, 915, 6085, 4905);
    expectRect(at(l, Piece::Label2), 220, 5820, 180, 180);
    expectRect(at(l, Piece::Image9_3), 8610, 0, 735, 255);
    expectRect(at(l, Piece::Image9_2), W - 1110, 0, 375, 255);
    expectRect(at(l, Piece::Image9_1), W - 1485, 0, 375, 255);
    expectRect(at(l, Piece::Image9_0), 7485, 0, 375, 255);
    expectRect(at(l, Piece::Image14_0), 80, H - 525, 375, 405);
    expectRect(at(l, Piece::Image14_1), 575, H - 525, 375, 405);
    expectRect(at(l, Piece::Image14_2), 1070, H - 525, 375, 405);
    expectRect(at(l, Piece::Image14_3), 5135, H - 525, 375, 405);
    expectRect(at(l, Piece::Image15), 360, 0, 7125, 375);
    expectRect(at(l, Piece::Volume), 1675, 6345, 1335, 200);
}

TEST(Layout, StepsComeInTheHandlersOrderOncePerControl) {
    const Layout l = layoutTable(DesignWidth, DesignHeight);
    std::set<Piece> seen;
    for (const auto& p : l) {
        EXPECT_TRUE(seen.insert(p.piece).second);
    }
    EXPECT_EQ(l.front().piece, Piece::Image1);
    EXPECT_EQ(l[6].piece, Piece::Image13); // before Image7, which is placed from it
    EXPECT_EQ(l[15].piece, Piece::Label2); // after WMP, whose height places it
    EXPECT_EQ(l.back().piece, Piece::Volume);
}

TEST(Layout, GrowingMovesOrStretchesEachPieceByTheDifference) {
    const float dW = 657, dH = 324; // 1280 × 774 px against the design size
    const Layout base = layoutTable(DesignWidth, DesignHeight);
    const Layout big = layoutTable(DesignWidth + dW, DesignHeight + dH);

    const std::set<Piece> movesRight{
        Piece::Image3,   Piece::Image10,     Piece::Image8,   Piece::Image11,   Piece::Image13,
        Piece::Image7,   Piece::WebBrowser1, Piece::Image12,  Piece::TreeView1, Piece::Image9_0,
        Piece::Image9_1, Piece::Image9_2,    Piece::Image9_3, Piece::Image14_3};
    const std::set<Piece> widens{Piece::Image2, Piece::Image6, Piece::WMP, Piece::Image15};
    const std::set<Piece> movesDown{
        Piece::Image5,    Piece::Image6,    Piece::Image7,    Piece::Image13,   Piece::Label2,
        Piece::Image14_0, Piece::Image14_1, Piece::Image14_2, Piece::Image14_3, Piece::Volume};
    const std::set<Piece> lengthens{Piece::Image4, Piece::Image8, Piece::Image11, Piece::WMP,
                                    Piece::TreeView1};

    for (std::size_t i = 0; i < PieceCount; ++i) {
        const Piece p = base[i].piece;
        const TwipRect& a = base[i].rect;
        const TwipRect& b = big[i].rect;
        SCOPED_TRACE(static_cast<int>(p));
        EXPECT_FLOAT_EQ(b.left - a.left, movesRight.count(p) ? dW : 0);
        EXPECT_FLOAT_EQ(b.width - a.width, widens.count(p) ? dW : 0);
        EXPECT_FLOAT_EQ(b.top - a.top, movesDown.count(p) ? dH : 0);
        EXPECT_FLOAT_EQ(b.height - a.height, lengthens.count(p) ? dH : 0);
    }
}

TEST(Layout, RunningTwiceGivesTheSamePlaces) {
    const Layout a = layoutTable(19200, 11610);
    const Layout b = layoutTable(19200, 11610);
    for (std::size_t i = 0; i < PieceCount; ++i) {
        EXPECT_EQ(a[i].piece, b[i].piece);
        EXPECT_EQ(toPixels(a[i].rect), toPixels(b[i].rect));
    }
}

TEST(Layout, DefinedDownToTheSmallestSizeThatKeepsSizesPositive) {
    EXPECT_TRUE(layoutDefined(5265, 3323));
    EXPECT_FALSE(layoutDefined(5264, 6750));
    EXPECT_FALSE(layoutDefined(9345, 3322));
    EXPECT_FALSE(layoutDefined(0, 0));
}

TEST(Layout, PixelsKeepNeighboursFlush) {
    // 220 and 2318 twips are not whole pixels; the edges are rounded, not the sizes.
    EXPECT_EQ(toPixels({220, 5820, 180, 180}), (PixelRect{15, 388, 12, 12}));
    EXPECT_EQ(toPixels({6295, 360, 2930, 2318}), (PixelRect{420, 24, 195, 155}));
    EXPECT_EQ(toPixels({0, 0, -30, 45}), (PixelRect{0, 0, 0, 3}));

    // At the design size the window's right and bottom edges are covered exactly.
    const Layout l = layoutTable(DesignWidth, DesignHeight);
    const PixelRect close = toPixels(at(l, Piece::Image9_3));
    EXPECT_EQ(close.x + close.width, 623);
    const PixelRect web = toPixels(at(l, Piece::WebBrowser1));
    const PixelRect header = toPixels(at(l, Piece::Image12));
    const PixelRect tree = toPixels(at(l, Piece::TreeView1));
    EXPECT_EQ(web.y + web.height, header.y);
    EXPECT_EQ(header.y + header.height, tree.y);
    const PixelRect strip = toPixels(at(l, Piece::Image13));
    EXPECT_EQ(tree.y + tree.height, strip.y);
    EXPECT_EQ(strip.y + strip.height, 450);
}
