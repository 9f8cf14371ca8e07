// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/desktop/news_opt_out.h"

#include <charconv>

namespace kelodi {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The decimal number at the start of the text, or 0 when there is none.
double leadingNumber(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    // Only a digit or a decimal point can start the number; this also keeps
    // from_chars from accepting "inf" or "nan".
    if (rest.empty() || !(rest.front() == '.' || (rest.front() >= '0' && rest.front() <= '9')))
        return 0.0;
    double value = 0.0;
    const auto result = std::from_chars(rest.data(), rest.data() + rest.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::invalid_argument)
        return 0.0;
    // Out of range still means "not 1"; from_chars leaves value untouched then.
    if (result.ec == std::errc::result_out_of_range)
        return 0.0;
    return negative ? -value : value;
}

}  // namespace

bool readNoNewsPopup(std::string_view fileText)
{
    std::size_t pos = 0;
    while (pos < fileText.size()) {
        // A line ends at CR LF, a lone CR or a lone LF.
        std::size_t end = fileText.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = fileText.size();
        const std::string_view line = fileText.substr(pos, end - pos);
        pos = end;
        if (pos < fileText.size() && fileText[pos] == '\r')
            ++pos;
        if (pos < fileText.size() && fileText[pos] == '\n')
            ++pos;

        if (line.find_first_not_of(' ') == std::string_view::npos)
            continue;
        return line == "True" || leadingNumber(line) == 1.0;
    }
    return false;
}

std::string noNewsPopupFileText(bool noNewsPopup)
{
    return noNewsPopup ? "True\r\n" : "False\r\n";
}

}  // namespace kelodi
