#include "mainwindow/version.h"

namespace rz4::mainwindow {

namespace {

std::u16string decimal(int n) {
    const std::string s = std::to_string(n);
    return {s.begin(), s.end()};
}

} // namespace

std::u16string versionText(int major, int minor, int revision) {
    return decimal(major) + u"." + decimal(minor) + u"." + decimal(revision);
}

std::u16string_view firstField(std::u16string_view page) {
    return page.substr(0, page.find(u'|'));
}

bool isNewerVersion(std::u16string_view page, std::u16string_view ownVersion) {
    return firstField(page) > ownVersion;
}

std::u16string updatePrompt(std::u16string_view homeAddress) {
    return std::u16string(u"新版发布请到官网下载更新！") + u'\r' + std::u16string(homeAddress);
}

} // namespace rz4::mainwindow
