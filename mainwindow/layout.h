#pragma once

#include "common/twips.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace rz4::mainwindow {

// Positions and sizes in twips, as the window counts them.
struct TwipRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

using common::TwipsPerPixel;
inline constexpr float DesignWidth = 9345.0F;  // 623 px
inline constexpr float DesignHeight = 6750.0F; // 450 px

// The caption, in the title bar and as the window's title.
inline constexpr std::u16string_view Caption = u"RZ4网络电视！Ver:09011230";
// The "now watching" line and the caption stay where the design put them; the layout moves
// neither.
inline constexpr TwipRect Label1Place{240, 480, 3855, 240};
inline constexpr TwipRect Label3Place{480, 105, 2925, 210};

// Every control the layout moves, in the order it moves them.
enum class Piece {
    Image1,
    Image2,
    Image3,
    Image4,
    Image5,
    Image6,
    Image13,
    Image7,
    Image8,
    Image10,
    Image11,
    WebBrowser1,
    Image12,
    TreeView1,
    WMP,
    Label2,
    Image9_3,
    Image9_2,
    Image9_1,
    Image9_0,
    Image14_0,
    Image14_1,
    Image14_2,
    Image14_3,
    Image15,
    Volume,
};
inline constexpr std::size_t PieceCount = 26;

struct Placement {
    Piece piece;
    TwipRect rect;
};

using Layout = std::array<Placement, PieceCount>;

// Where each control goes for a client area of W × H twips. Sizes the layout leaves unchanged are
// the controls' design sizes (the fixed skin bitmaps, Label2's 180 × 180, the slider's 1335 × 200).
Layout layoutTable(float W, float H);

// Below this the top band or the tree would get a negative size.
bool layoutDefined(float W, float H);

// Edges are rounded separately so that neighbouring pieces stay flush.
PixelRect toPixels(const TwipRect& r);

} // namespace rz4::mainwindow
