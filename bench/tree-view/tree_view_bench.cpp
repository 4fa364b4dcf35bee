// The window's channel tree in one process, for bench/tree: a list of a million channels read,
// its largest group opened and scrolled through frame by frame, and channels found by typing in
// it, keystroke by keystroke; then a list of 50,000 channels from its served file to a painted
// tree, against decoding the file and reading it into the in-memory tree of the tools.
// Usage: bench_tree_view SMALL.mdb LARGE.mdb (both as the server serves them).
#include "channels/codec.h"
#include "channels/memory_tree.h"
#include "channels/reader.h"
#include "mainwindow/channel_tree_widget.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using rz4::mainwindow::ChannelTreeWidget;

constexpr int Rounds = 7;
constexpr int ScrollSteps = 100;

double millis(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double residentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stod(line.substr(6)) / 1024;
        }
    }
    return 0;
}

// A decoded copy of a served list, as start-up leaves it for the reader.
std::string decodedCopy(const QString& served, const QTemporaryDir& folder, const QString& name) {
    const QString copy = folder.filePath(name);
    QFile::remove(copy);
    QFile::copy(served, copy);
    const std::string path = QFile::encodeName(copy).toStdString();
    rz4::channels::code(path);
    return path;
}

// What the window does with a list once it is decoded: read it, lay it out, paint it.
void fill(ChannelTreeWidget& tree, const std::string& list) {
    rz4::channels::readtree(list, tree);
    QApplication::processEvents();
    tree.viewport()->repaint();
}

std::size_t channelCount(const rz4::channels::CompactTree& tree) {
    std::size_t count = 0;
    for (rz4::channels::NodeId node = 1; node < tree.nodeCount(); ++node) {
        count += tree.hasTag(node) ? 1 : 0;
    }
    return count;
}

QModelIndex largestGroup(const QAbstractItemModel& model) {
    QModelIndex largest;
    for (int c = 0; c < model.rowCount(); ++c) {
        const QModelIndex category = model.index(c, 0);
        for (int g = 0; g < model.rowCount(category); ++g) {
            const QModelIndex group = model.index(g, 0, category);
            if (!largest.isValid() || model.rowCount(group) > model.rowCount(largest)) {
                largest = group;
            }
        }
    }
    return largest;
}

void small(ChannelTreeWidget& tree, const QString& served, const QTemporaryDir& folder) {
    std::vector<double> decode;
    std::vector<double> memory;
    std::vector<double> window;
    for (int round = 0; round < Rounds; ++round) {
        std::string list;
        decode.push_back(millis([&] { list = decodedCopy(served, folder, "small.mdb"); }));
        rz4::channels::MemoryTree inMemory;
        memory.push_back(millis([&] { rz4::channels::readtree(list, inMemory); }));
        window.push_back(millis([&] { fill(tree, list); }));
    }
    std::printf("tree: %zu channels: list to filled tree %.1f ms (target <= 100 ms); baseline: "
                "decoding the file %.1f ms, reading it into the in-memory tree %.1f ms; median of "
                "%d\n",
                channelCount(tree.channelModel().tree()), median(window), median(decode),
                median(memory), Rounds);
}

void frames(ChannelTreeWidget& tree) {
    const auto frame = [&](const std::function<void()>& change) {
        return millis([&] {
            change();
            tree.viewport()->repaint();
        });
    };
    const double closed = frame([] {});
    const QModelIndex group = largestGroup(*tree.model());
    const int channels = tree.model()->rowCount(group);
    const double open = frame([&] {
        tree.expand(group);
        tree.scrollTo(group, QAbstractItemView::PositionAtTop);
    });
    QScrollBar& bar = *tree.verticalScrollBar();
    const int top = bar.value();
    double longest = 0;
    for (int step = 1; step <= ScrollSteps; ++step) {
        const int value =
            top + static_cast<int>(static_cast<long long>(channels) * step / ScrollSteps);
        longest = std::max(longest, frame([&] { bar.setValue(value); }));
    }
    const double end = frame([&] { tree.scrollTo(tree.model()->index(channels - 1, 0, group)); });
    const double closeAgain = frame([&] { tree.collapse(group); });
    std::printf("tree: the largest group, %d channels: opening it %.1f ms, scrolling to its end in "
                "%d steps: longest frame %.1f ms, to its last channel %.1f ms, closing it %.1f ms "
                "(target: no frame over 50 ms); baseline: a frame of the closed tree %.1f ms\n",
                channels, open, ScrollSteps, longest, end, closeAgain, closed);
}

void typing(ChannelTreeWidget& tree) {
    const QModelIndex first = tree.model()->index(0, 0);
    double longest = 0;
    int keystrokes = 0;
    int found = 0;
    // Typed letter by letter; Chinese comes whole from an input method. The last finds nothing
    // and so looks at every channel each time.
    const std::vector<QStringList> typed = {{"h", "n", "w", "s"},      {"h", "u", "n", "a", "n"},
                                            {"c", "c", "t", "v", "5"}, {"c", "q", "w", "s"},
                                            {QStringLiteral("湖南")},  {"k", "q", "x", "z"}};
    for (const QStringList& keys : typed) {
        tree.setCurrentIndex(first); // a new search
        for (const QString& key : keys) {
            longest = std::max(longest, millis([&] { tree.keyboardSearch(key); }));
            ++keystrokes;
        }
        found += tree.currentIndex() != first ? 1 : 0;
    }
    std::printf("tree: typing in %zu channels: longest keystroke %.1f ms of %d (target <= 100 ms); "
                "%d of %zu searches found a channel\n",
                channelCount(tree.channelModel().tree()), longest, keystrokes, found, typed.size());
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_tree_view SMALL.mdb LARGE.mdb\n");
        return 2;
    }
    QTemporaryDir folder;
    ChannelTreeWidget tree;
    // The tree's place in the window at the design size.
    tree.resize(195, 228);
    tree.show();
    QApplication::processEvents();

    // The million first: its names are the first this process spells, as in the program.
    const std::string large = decodedCopy(QString::fromLocal8Bit(argv[2]), folder, "large.mdb");
    const double before = residentMiB();
    const double read = millis([&] { fill(tree, large); });
    const double filled = residentMiB();
    const double spelt = millis([&] { tree.waitForTypeAhead(); });
    std::printf("tree: %zu channels: list to filled tree %.0f ms, resident +%.0f MiB; names spelt "
                "for typing %.0f ms later, in the background, resident +%.0f MiB more\n",
                channelCount(tree.channelModel().tree()), read, filled - before, spelt,
                residentMiB() - filled);
    frames(tree);
    typing(tree);

    small(tree, QString::fromLocal8Bit(argv[1]), folder);
    return 0;
}
