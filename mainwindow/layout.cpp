#include "mainwindow/layout.h"

#include <algorithm>

namespace rz4::mainwindow {

namespace {

// Design sizes of the fixed skin pieces and controls, in twips.
constexpr TwipRect Image1{0, 0, 1875, 915};
constexpr TwipRect Image2{0, 0, 570, 915};
constexpr TwipRect Image3{0, 0, 3120, 450};
constexpr TwipRect Image4{0, 0, 120, 450};
constexpr TwipRect Image5{0, 0, 1485, 750};
constexpr TwipRect Image6{0, 0, 375, 750};
constexpr TwipRect Image7{0, 0, 1200, 750};
constexpr TwipRect Image8{0, 0, 120, 450};
constexpr TwipRect Image10{0, 0, 270, 915};
constexpr TwipRect Image11{0, 0, 90, 450};
constexpr TwipRect Image12{0, 0, 2955, 510};
constexpr TwipRect Image13{0, 0, 3060, 135};
constexpr TwipRect Label2{0, 0, 180, 180};
constexpr TwipRect Image15{360, 0, 0, 375};
constexpr TwipRect Volume{0, 0, 1335, 200};

constexpr float MinWidth = 5265;
constexpr float MinHeight = 3323;

} // namespace

bool layoutDefined(float W, float H) {
    return W >= MinWidth && H >= MinHeight;
}

Layout layoutTable(float W, float H) {
    // Each step reads what the earlier steps have just set, as the resize handler does.
    const TwipRect i1{0, 0, Image1.width, Image1.height};
    const TwipRect i2{i1.width, 0, W - i1.width - Image3.width - Image10.width, Image2.height};
    const TwipRect i3{W - Image3.width, 0, Image3.width, Image3.height};
    const TwipRect i4{0, i1.height, Image4.width, H - Image5.height - i1.height};
    const TwipRect i5{0, H - Image5.height, Image5.width, Image5.height};
    const TwipRect i6{i5.width, H - Image6.height, W - i5.width - Image13.width, Image6.height};
    const TwipRect i13{W - Image13.width, H - Image13.height, Image13.width, Image13.height};
    const TwipRect i7{W - i13.width - Image7.width, i5.top, Image7.width, Image7.height};
    const TwipRect i8{W - Image8.width, i3.height, Image8.width, H - i3.height - i13.height};
    const TwipRect i10{W - i3.width - Image10.width, 0, Image10.width, Image10.height};
    const TwipRect i11{i3.left - 20, i3.height, Image11.width, H - i3.height};

    TwipRect web{i11.left + i11.width, i3.height - 90, i8.left - i11.left - i11.width, 0};
    web.height = static_cast<float>(web.width - 1.7 * web.top);

    const TwipRect i12{i11.left + i11.width, web.top + web.height, Image12.width, Image12.height};
    TwipRect tree{web.left, i12.top + i12.height, web.width, 0};
    tree.height = (H - i13.height) - tree.top;

    const TwipRect wmp{i4.width, i1.height, i11.left - i4.width,
                       i5.top - i1.height - Label2.height};
    const TwipRect label2{i4.width + 100, wmp.height + i1.height, Label2.width, Label2.height};

    const TwipRect close{W - 735, 0, 735, 255};
    const TwipRect maximise{close.left - 375, 0, 375, 255};
    const TwipRect onTop{maximise.left - 375, 0, 375, 255};
    const TwipRect minimise{onTop.left - 375, 0, 375, 255};

    const TwipRect play{80, H - 525, 375, 405};
    const TwipRect stop{play.left + 495, play.top, 375, 405};
    const TwipRect mute{stop.left + 495, play.top, 375, 405};
    const TwipRect fullScreen{i7.left + 50, play.top, 375, 405};

    const TwipRect drag{Image15.left, Image15.top, minimise.left - 360, Image15.height};
    const TwipRect volume{mute.left + 605, mute.top + 120, Volume.width, Volume.height};

    return {{
        {Piece::Image1, i1},      {Piece::Image2, i2},         {Piece::Image3, i3},
        {Piece::Image4, i4},      {Piece::Image5, i5},         {Piece::Image6, i6},
        {Piece::Image13, i13},    {Piece::Image7, i7},         {Piece::Image8, i8},
        {Piece::Image10, i10},    {Piece::Image11, i11},       {Piece::WebBrowser1, web},
        {Piece::Image12, i12},    {Piece::TreeView1, tree},    {Piece::WMP, wmp},
        {Piece::Label2, label2},  {Piece::Image9_3, close},    {Piece::Image9_2, maximise},
        {Piece::Image9_1, onTop}, {Piece::Image9_0, minimise}, {Piece::Image14_0, play},
        {Piece::Image14_1, stop}, {Piece::Image14_2, mute},    {Piece::Image14_3, fullScreen},
        {Piece::Image15, drag},   {Piece::Volume, volume},
    }};
}

PixelRect toPixels(const TwipRect& r) {
    const int x = common::twipsToPixels(r.left);
    const int y = common::twipsToPixels(r.top);
    return {x, y, std::max(0, common::twipsToPixels(r.left + r.width) - x),
            std::max(0, common::twipsToPixels(r.top + r.height) - y)};
}

} // namespace rz4::mainwindow
