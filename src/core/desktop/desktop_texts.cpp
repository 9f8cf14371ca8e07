// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/desktop/desktop_texts.h"

#include "core/desktop/product_config.h"

namespace kelodi {

namespace {

std::string percentEncoded(std::string_view value)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : value) {
        const auto c = static_cast<unsigned char>(ch);
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')
                                || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_'
                                || c == '~';
        if (unreserved) {
            out += ch;
        } else {
            out += '%';
            out += Hex[c >> 4];
            out += Hex[c & 0x0F];
        }
    }
    return out;
}

}  // namespace

std::string contactText(const ContactDetails& details)
{
    std::string text;
    text += "\r";
    text += "  软件主页:\r";
    text += "    ";
    text += details.homePage;
    text += "\r";
    text += "\r";
    text += details.postal;
    text += "\r";
    text += details.phone;
    text += "\r";
    text += details.email;
    return text;
}

std::string contactText()
{
    return contactText({product::homePageAddress, product::contactPostal, product::contactPhone,
                        product::contactEmail});
}

std::string aboutText(std::string_view notice, const ProgramVersion& version)
{
    std::string text = "  Kelodi\r\r  版本号: " + versionText(version);
    if (!notice.empty()) {
        text += "\r";
        text += notice;
    }
    return text;
}

std::string aboutText()
{
    return aboutText(product::aboutNotice);
}

std::string qqChatAddress(std::string_view server, std::string_view number, std::string_view site)
{
    std::string address(server);
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    address += "/msgrd?V=1&Uin=";
    address += percentEncoded(number);
    address += "&Site=";
    address += percentEncoded(site);
    address += "&Menu=yes";
    return address;
}

std::string qqChatAddress()
{
    return qqChatAddress(product::qqChatServer, product::qqNumber, product::qqSite);
}

}  // namespace kelodi
