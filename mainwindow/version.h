#pragma once

#include "mainwindow/version_number.h"

#include <string>
#include <string_view>

namespace rz4::mainwindow {

// "3.0.0": plain decimal numbers joined by dots.
std::u16string versionText(int major, int minor, int revision);

// The version page's first "|"-separated field, untrimmed.
std::u16string_view firstField(std::u16string_view page);

// The server announces a newer release when its first field sorts after our version text, code
// unit by code unit (a proper prefix sorts first). Textual on purpose: the server's pages are
// written for exactly this comparison.
bool isNewerVersion(std::u16string_view page, std::u16string_view ownVersion);

// The update message: the text, a lone carriage return, the home address.
std::u16string updatePrompt(std::u16string_view homeAddress);
inline constexpr std::u16string_view UpdateTitle = u"最新消息";

} // namespace rz4::mainwindow
