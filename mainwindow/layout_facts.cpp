// Prints what the window's layout code says about a client area of WIDTH × HEIGHT pixels, as JSON,
// so that the scripts that drive the real window find its controls without a copy of the rules:
// every piece's rectangle in twips, the caption, the design size, the tree's row height.
// Usage: rz4-layout-facts [WIDTH HEIGHT]; the design size by default.
#include "channels/reader.h"
#include "mainwindow/layout.h"

#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using namespace rz4::mainwindow;

const char* pieceName(Piece piece) {
    switch (piece) {
    case Piece::Image1:
        return "Image1";
    case Piece::Image2:
        return "Image2";
    case Piece::Image3:
        return "Image3";
    case Piece::Image4:
        return "Image4";
    case Piece::Image5:
        return "Image5";
    case Piece::Image6:
        return "Image6";
    case Piece::Image13:
        return "Image13";
    case Piece::Image7:
        return "Image7";
    case Piece::Image8:
        return "Image8";
    case Piece::Image10:
        return "Image10";
    case Piece::Image11:
        return "Image11";
    case Piece::WebBrowser1:
        return "WebBrowser1";
    case Piece::Image12:
        return "Image12";
    case Piece::TreeView1:
        return "TreeView1";
    case Piece::WMP:
        return "WMP";
    case Piece::Label2:
        return "Label2";
    case Piece::Image9_3:
        return "Image9_3";
    case Piece::Image9_2:
        return "Image9_2";
    case Piece::Image9_1:
        return "Image9_1";
    case Piece::Image9_0:
        return "Image9_0";
    case Piece::Image14_0:
        return "Image14_0";
    case Piece::Image14_1:
        return "Image14_1";
    case Piece::Image14_2:
        return "Image14_2";
    case Piece::Image14_3:
        return "Image14_3";
    case Piece::Image15:
        return "Image15";
    case Piece::Volume:
        return "volume";
    }
    return "?";
}

std::string rect(const TwipRect& r) {
    return "[" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.width) + ", " + std::to_string(r.height) + "]";
}

} // namespace

int main(int argc, char* argv[]) {
    float width = DesignWidth;
    float height = DesignHeight;
    if (argc == 3) {
        width = std::strtof(argv[1], nullptr) * TwipsPerPixel;
        height = std::strtof(argv[2], nullptr) * TwipsPerPixel;
    } else if (argc != 1) {
        std::fputs("usage: rz4-layout-facts [WIDTH HEIGHT]\n", stderr);
        return 2;
    }
    std::string json =
        "{\"caption\": \"" + QString::fromUtf16(Caption.data(), Caption.size()).toStdString() +
        "\", \"twipsPerPixel\": " + std::to_string(TwipsPerPixel) +
        ", \"design\": " + rect({0, 0, DesignWidth, DesignHeight}) +
        ", \"rowHeight\": " + std::to_string(rz4::channels::ItemHeight) +
        ", \"pieces\": {\"Label1\": " + rect(Label1Place) + ", \"Label3\": " + rect(Label3Place);
    if (layoutDefined(width, height)) {
        for (const Placement& p : layoutTable(width, height)) {
            json += std::string(", \"") + pieceName(p.piece) + "\": " + rect(p.rect);
        }
    }
    std::puts((json + "}}").c_str());
    return 0;
}
