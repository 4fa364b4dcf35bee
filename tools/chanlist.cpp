// rz4-chanlist: encode, decode, inspect and build channel lists for the client.
#include "channels/codec.h"
#include "channels/file_io.h"
#include "channels/list_size.h"
#include "common/runtime_error.h"
#include "tools/check.h"
#include "tools/list_file.h"
#include "tools/m3u.h"
#include "tools/tree_json.h"
#ifdef RZ4_CHANLIST_GUIDE
#include "guide/gzip.h"
#include "tools/guide_filter.h"

#include <QDateTime>
#include <QFile>
#endif

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace rz4::tools;
#ifdef RZ4_CHANLIST_GUIDE
namespace guide = rz4::guide;
#endif

constexpr const char* Usage = R"(Usage: rz4-chanlist COMMAND ...

Tools for the channel list the client downloads (baby1.mdb).

  decode IN OUT      reverse the bit order of every byte: from the served form to text
  encode IN OUT      the same transformation, from text to the served form
                     (IN and OUT may be the same file)
  tree [--decoded] FILE
                     print, as JSON, the channel tree the client builds from FILE
  check [--decoded] FILE
                     report, by line, what the client will ignore or handle unexpectedly
                     exit status: 0 clean, 1 warnings, 2 FILE cannot be read
  from-m3u IN.m3u OUT [--category NAME] [--group-by group-title|tvg-country|none]
                     [--max-group N] [--lossy] [--encode-query]
                     turn an M3U/M3U8 playlist into a list as the server serves it: one
                     category (default "网络电视"), entry by entry; each entry left out or
                     changed, and each player option dropped, is reported with its line
                     --group-by      what names a channel's group (default group-title; of a
                                     ";" list the first value; none: one group)
                     --max-group N   a longer group becomes numbered groups of N channels
                     --lossy         write "?" for what code page 936 cannot hold in a name
                                     (otherwise the entry is left out)
                     --encode-query  write "*", "[" and "]" in an address's query as %2A, %5B
                                     and %5D (otherwise the entry is left out)
                     exit status: 0 the list is exact, 1 something was left out or changed,
                     2 nothing usable was written
                     each entry's tvg-id is kept, on a line of its own that clients pass over,
                     for the guide command
  guide LIST GUIDE.xml[.gz] OUT.xml.gz [--past HOURS] [--ahead HOURS] [--shift NAME=+HH:MM]...
                     the programme guide to serve beside LIST (epg.xml.gz): of the XMLTV guide
                     only the programmes of LIST's channels, from now - 2 h (--past) to now +
                     48 h (--ahead), under the list's channel names; a channel is matched by
                     its tvg-id (see from-m3u), otherwise by a display name written as the list
                     writes names. Each list channel without a guide and each guide channel
                     without a list channel is reported. --shift moves a channel's times (NAME
                     as the list writes it; may be given more than once)
                     exit status: 0 every channel matched, 1 some did not, 2 nothing written
  --help             show this text

FILE is read as the server serves it (bit-reversed) unless --decoded is given; it is never
changed.
)";

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
constexpr int ExitUnreadable = 2;
constexpr int ExitNothingWritten = 2;

struct UsageError {
    std::string message;
};

// The command's words once the options it accepts are taken out.
class Arguments {
public:
    Arguments(std::span<char*> args) : m_args(args.begin(), args.end()) {}

    bool flag(const std::string& name) {
        const auto it = std::find(m_args.begin(), m_args.end(), name);
        if (it == m_args.end()) {
            return false;
        }
        m_args.erase(it);
        return true;
    }

    std::optional<std::string> option(const std::string& name) {
        const auto it = std::find(m_args.begin(), m_args.end(), name);
        if (it == m_args.end()) {
            return std::nullopt;
        }
        if (it + 1 == m_args.end()) {
            throw UsageError{name + " needs a value"};
        }
        std::string value = *(it + 1);
        m_args.erase(it, it + 2);
        return value;
    }

    // The remaining words, which must be exactly count and no option.
    std::vector<std::string> operands(std::size_t count) const {
        for (const std::string& a : m_args) {
            if (a.size() > 1 && a.starts_with('-')) {
                throw UsageError{"unknown option " + a};
            }
        }
        if (m_args.size() != count) {
            throw UsageError{"expected " + std::to_string(count) + " file name(s)"};
        }
        return m_args;
    }

private:
    std::vector<std::string> m_args;
};

int runCode(const Arguments& args) {
    const auto files = args.operands(2);
    codeFile(files[0], files[1]);
    return 0;
}

int runTree(Arguments args) {
    const bool decoded = args.flag("--decoded");
    const auto files = args.operands(1);
    rz4::channels::MemoryTree tree;
    loadTree(files[0], decoded, tree);
    writeTreeJson(tree, std::cout);
    return 0;
}

int runCheck(Arguments args) {
    const bool decoded = args.flag("--decoded");
    const std::string file = args.operands(1)[0];
    rz4::channels::MemoryTree tree;
    ListChecker checker(tree);
    try {
        loadTree(file, decoded, tree, &checker);
    } catch (const rz4::common::RuntimeError& e) {
        std::cerr << "rz4-chanlist: " << e.description() << "\n";
        return ExitUnreadable;
    }
    for (const Warning& w : checker.warnings()) {
        std::cout << file << ":" << w.line << ": " << w.message << "\n";
    }
    std::size_t warnings = checker.warnings().size();
    // The codec keeps the size, so a decoded list is as large as the one the server would serve.
    if (const auto bytes = std::filesystem::file_size(file);
        bytes > static_cast<std::uintmax_t>(rz4::channels::MaxListBytes)) {
        std::cout << file << ": " << bytes << " bytes, more than the "
                  << rz4::channels::MaxListBytes / (1024 * 1024)
                  << " MiB the client downloads: it would open without channels\n";
        ++warnings;
    }
    int counts[3] = {};
    for (const auto* node : tree.nodes()) {
        const std::string kind = nodeKind(*node);
        ++counts[kind == "category" ? 0 : kind == "group" ? 1 : 2];
    }
    if (counts[2] == 0 && warnings > 0 && !decoded) {
        std::cerr << "rz4-chanlist: no channel at all; if " << file
                  << " is plain text already, try --decoded\n";
    }
    std::cout << file << ": " << counts[0] << " categories, " << counts[1] << " groups, "
              << counts[2] << " channels, " << warnings << " warning(s)\n";
    return warnings == 0 ? 0 : 1;
}

GroupBy groupBy(const std::string& value) {
    if (value == "group-title") {
        return GroupBy::GroupTitle;
    }
    if (value == "tvg-country") {
        return GroupBy::TvgCountry;
    }
    if (value == "none") {
        return GroupBy::None;
    }
    throw UsageError{"--group-by takes group-title, tvg-country or none, not " + value};
}

std::size_t positive(const std::string& name, const std::string& value) {
    if (value.empty() || value.size() > 9 ||
        value.find_first_not_of("0123456789") != std::string::npos || std::stoul(value) == 0) {
        throw UsageError{name + " takes a whole number above 0, not " + value};
    }
    return std::stoul(value);
}

int runFromM3u(Arguments args) {
    M3uOptions options;
    options.category = args.option("--category").value_or(options.category);
    options.groupBy = groupBy(args.option("--group-by").value_or("group-title"));
    if (const auto most = args.option("--max-group")) {
        options.maxGroup = positive("--max-group", *most);
    }
    options.lossy = args.flag("--lossy");
    options.encodeQuery = args.flag("--encode-query");
    const auto files = args.operands(2);
    M3uConversion result;
    try {
        result = convertM3u(rz4::channels::readWholeFile(files[0]), options);
    } catch (const rz4::common::RuntimeError& e) {
        std::cerr << "rz4-chanlist: " << e.description() << "\n";
        return ExitNothingWritten;
    }
    for (const Problem& p : result.messages) {
        std::cerr << files[0] << ":" << (p.line > 0 ? std::to_string(p.line) + ":" : "") << " "
                  << p.message << "\n";
    }
    const std::string counts = std::to_string(result.entries) + " entries, " +
                               std::to_string(result.channels) + " channels written, " +
                               std::to_string(result.leftOut) + " left out, " +
                               std::to_string(result.changed) + " changed";
    if (result.channels == 0) {
        std::cerr << "rz4-chanlist: " << files[1] << " not written: " << counts << "\n";
        return ExitNothingWritten;
    }
    std::string bytes = result.list;
    rz4::channels::codeBytes(
        std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()));
    try {
        replaceFile(files[1], bytes);
    } catch (const rz4::common::RuntimeError& e) {
        std::cerr << "rz4-chanlist: " << e.description() << "\n";
        return ExitNothingWritten;
    }
    for (const std::string& note : result.notes) {
        std::cout << files[1] << ": " << note << "\n";
    }
    std::cout << files[1] << ": " << result.groups << " groups; " << counts << "\n";
    return result.messages.empty() ? 0 : ExitFailure;
}

#ifdef RZ4_CHANLIST_GUIDE
guide::Seconds hoursOption(Arguments& args, const std::string& name, guide::Seconds fallback) {
    const auto value = args.option(name);
    return value ? static_cast<guide::Seconds>(positive(name, *value)) * 3600 : fallback;
}

// "NAME=+HH:MM" or "NAME=-HH:MM".
std::pair<std::string, guide::Seconds> shiftOption(const std::string& value) {
    const std::size_t eq = value.rfind('=');
    const std::string by = eq == std::string::npos ? "" : value.substr(eq + 1);
    const bool valid = by.size() == 6 && (by[0] == '+' || by[0] == '-') && by[3] == ':' &&
                       std::isdigit(static_cast<unsigned char>(by[1])) != 0 &&
                       std::isdigit(static_cast<unsigned char>(by[2])) != 0 &&
                       std::isdigit(static_cast<unsigned char>(by[4])) != 0 &&
                       std::isdigit(static_cast<unsigned char>(by[5])) != 0 && by[4] < '6';
    if (eq == 0 || !valid) {
        throw UsageError{"--shift takes NAME=+HH:MM or NAME=-HH:MM, not " + value};
    }
    const guide::Seconds seconds = std::stoi(by.substr(1, 2)) * 3600 + std::stoi(by.substr(4)) * 60;
    return {value.substr(0, eq), by[0] == '-' ? -seconds : seconds};
}

int runGuide(Arguments args) {
    GuideOptions options;
    options.now = QDateTime::currentSecsSinceEpoch();
    options.past = hoursOption(args, "--past", options.past);
    options.ahead = hoursOption(args, "--ahead", options.ahead);
    while (const auto shift = args.option("--shift")) {
        options.shifts.insert(shiftOption(*shift));
    }
    const auto files = args.operands(3);
    std::vector<ListChannel> list;
    try {
        list = listChannels(files[0]);
    } catch (const rz4::common::RuntimeError& e) {
        std::cerr << "rz4-chanlist: " << e.description() << "\n";
        return ExitNothingWritten;
    }
    for (const auto& shift : options.shifts) {
        const std::string& name = shift.first;
        if (std::none_of(list.begin(), list.end(),
                         [&name](const ListChannel& c) { return c.name == name; })) {
            throw UsageError{"--shift: no channel " + jsonString(name) + " in " + files[0]};
        }
    }
    QFile source(QString::fromLocal8Bit(files[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::cerr << "rz4-chanlist: " << files[1] << ": " << source.errorString().toStdString()
                  << "\n";
        return ExitNothingWritten;
    }
    const GuideFilter result = filterGuide(list, source, options);
    for (const std::string& m : result.listMessages) {
        std::cerr << files[0] << ": " << m << "\n";
    }
    for (const std::string& m : result.guideMessages) {
        std::cerr << files[1] << ": " << m << "\n";
    }
    const std::string counts = std::to_string(result.withGuide) + " of " +
                               std::to_string(result.listChannels) + " channels with a guide, " +
                               std::to_string(result.programmesKept) + " of " +
                               std::to_string(result.programmesRead) + " programmes kept";
    if (!result.failure.empty() || result.withGuide == 0) {
        std::cerr << "rz4-chanlist: " << files[2] << " not written: "
                  << (result.failure.empty() ? counts : files[1] + ": " + result.failure) << "\n";
        return ExitNothingWritten;
    }
    try {
        const QByteArray packed = guide::gzipped(result.guide);
        replaceFile(files[2], packed.toStdString());
    } catch (const rz4::common::RuntimeError& e) {
        std::cerr << "rz4-chanlist: " << e.description() << "\n";
        return ExitNothingWritten;
    }
    std::cout << files[2] << ": " << counts << "\n";
    return result.listMessages.empty() && result.guideMessages.empty() ? 0 : ExitFailure;
}
#endif

} // namespace

int main(int argc, char** argv) {
    std::span<char*> args(argv, static_cast<std::size_t>(argc));
    const std::string command = args.size() > 1 ? args[1] : "";
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << Usage;
        return 0;
    }
    const Arguments rest(args.subspan(std::min<std::size_t>(2, args.size())));
    try {
        if (command == "decode" || command == "encode") {
            return runCode(rest);
        }
        if (command == "tree") {
            return runTree(rest);
        }
        if (command == "check") {
            return runCheck(rest);
        }
        if (command == "from-m3u") {
            return runFromM3u(rest);
        }
#ifdef RZ4_CHANLIST_GUIDE
        if (command == "guide") {
            return runGuide(rest);
        }
#endif
        throw UsageError{command.empty() ? "no command" : "unknown command " + command};
    } catch (const UsageError& e) {
        std::cerr << "rz4-chanlist: " << e.message << "\nTry 'rz4-chanlist --help'.\n";
        return ExitUsage;
    } catch (const rz4::common::RuntimeError& e) {
        std::cerr << "rz4-chanlist: " << e.description() << "\n";
        return ExitFailure;
    } catch (const std::exception& e) {
        std::cerr << "rz4-chanlist: " << e.what() << "\n";
        return ExitFailure;
    }
}
