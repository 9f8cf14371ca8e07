// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/news/news_page.h"

#include <algorithm>

namespace kelodi {

namespace {

char lowered(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of `needle` (lower-case ASCII) in `text`, letters compared without
// case; npos when absent.
std::size_t findNoCase(std::string_view text, std::string_view needle, std::size_t from = 0)
{
    if (needle.empty())
        return from <= text.size() ? from : std::string_view::npos;
    if (text.size() < needle.size())
        return std::string_view::npos;
    for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
        bool match = true;
        for (std::size_t j = 0; j < needle.size(); ++j) {
            if (lowered(text[i + j]) != needle[j]) {
                match = false;
                break;
            }
        }
        if (match)
            return i;
    }
    return std::string_view::npos;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && findNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

// Finds "<tag" followed by a character that ends a tag name.
std::size_t findTag(std::string_view html, std::string_view tag, std::size_t from = 0)
{
    for (std::size_t at = findNoCase(html, tag, from); at != std::string_view::npos;
         at = findNoCase(html, tag, at + 1)) {
        const std::size_t after = at + tag.size();
        if (after == html.size())
            return at;
        const char c = html[after];
        if (c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f')
            return at;
    }
    return std::string_view::npos;
}

}  // namespace

std::string newsPageAddress(std::string_view server)
{
    std::string address(server);
    while (!address.empty() && address.back() == '/')
        address.pop_back();
    address += NewsPagePath;
    address += '?';
    address += NewsPageQuery;
    return address;
}

std::string_view pageBodyHtml(std::string_view html)
{
    const std::size_t open = findTag(html, "<body");
    if (open == std::string_view::npos)
        return html;
    const std::size_t openEnd = html.find('>', open);
    if (openEnd == std::string_view::npos)
        return {};
    const std::size_t start = openEnd + 1;
    const std::size_t close = findTag(html, "</body", start);
    return html.substr(start, close == std::string_view::npos ? std::string_view::npos : close - start);
}

bool carriesNewsMarker(std::string_view bodyHtml)
{
    return findNoCase(bodyHtml, NewsMarker) != std::string_view::npos;
}

bool mayLeaveNewsWindow(std::string_view address)
{
    if (address.size() <= 15)
        return false;
    return startsWithNoCase(address, "http://") || startsWithNoCase(address, "https://");
}

bool isNewsServerAddress(std::string_view address, std::string_view host)
{
    if (host.empty())
        return false;
    std::string lowerHost(host);
    std::transform(lowerHost.begin(), lowerHost.end(), lowerHost.begin(), lowered);
    return findNoCase(address, lowerHost) != std::string_view::npos;
}

}  // namespace kelodi
