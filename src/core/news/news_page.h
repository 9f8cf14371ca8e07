// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace kelodi {

// The page the news window shows, on the news server.
inline constexpr std::string_view NewsPagePath = "/rjshengji/gg_tan.htm";
inline constexpr std::string_view NewsPageQuery = "id=pwkrm";

// The server agrees to a showing by putting this word into the page body.
inline constexpr std::string_view NewsMarker = "ruanjianguanggao";

// server + path + "?" + query; server is scheme and host ("http://news.kelodi.cn"),
// a trailing slash is dropped.
std::string newsPageAddress(std::string_view server);

// The part of an HTML document between its <body ...> tag and </body> (tag
// names in any case). A document without a body tag is all body; one whose
// body is not closed runs to the end.
std::string_view pageBodyHtml(std::string_view html);

// Whether the body carries the marker, letters compared without case.
bool carriesNewsMarker(std::string_view bodyHtml);

// Whether a link from the page may be handed to the user's browser: only
// http:// and https:// addresses (scheme in any case) longer than 15
// characters. Anything else (javascript:, file:, about:blank, a bare
// "http://x.cn/") stays in the window and opens nothing.
bool mayLeaveNewsWindow(std::string_view address);

// Whether an address belongs to the news server: it contains the host name,
// compared without case. An empty host matches nothing.
bool isNewsServerAddress(std::string_view address, std::string_view host);

}  // namespace kelodi
