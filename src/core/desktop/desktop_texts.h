// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "core/app/program_info.h"

namespace kelodi {

// Texts of the help menu's information boxes. Lines are separated by a
// carriage return alone, as in every information box of the program.
inline constexpr std::string_view ContactTitle = "联系方式...";
inline constexpr std::string_view AboutTitle = "关于Kelodi...";

// The help text shipped beside the program.
inline constexpr std::string_view HelpTextFileName = "Kelodi说明.txt";

struct ContactDetails {
    std::string_view homePage;
    std::string_view postal;  // postal code and the maker's name
    std::string_view phone;
    std::string_view email;
};

// An empty line, "  软件主页:", the home page indented by four blanks, an
// empty line, then the postal, telephone and e-mail lines.
std::string contactText(const ContactDetails& details);
std::string contactText();  // with the product's own details

// "  Kelodi", an empty line, "  版本号: " and the version ("7.90"), then the
// notice lines (given CR-separated, appended as they are).
std::string aboutText(std::string_view notice, const ProgramVersion& version = {});
std::string aboutText();  // with the product's own notice

// The chat page of the instant-messaging service for a number: path "/msgrd"
// with the query keys V=1, Uin, Site and Menu=yes, in this order. Values are
// percent-encoded where they hold anything but letters, digits and "-._~".
std::string qqChatAddress(std::string_view server, std::string_view number, std::string_view site);
std::string qqChatAddress();  // the product's own number and site

}  // namespace kelodi
