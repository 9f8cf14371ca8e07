// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string_view>

namespace kelodi {

// Items of the main window's help menu "帮助(&H)". The index is
// the item's number in the menu; other parts of the program
// (the tray menu) run an item by this number. Numbers 2 and 4 are unused: the
// menu has no item with them.
enum HelpItem : int {
    HelpIntroduction = 0,   // open the help text
    HelpUpgrade = 1,        // open the home page
    HelpNoNewsPopup = 5,    // toggle and save the news opt-out
    HelpHomePage = 7,       // open the home page
    HelpNews = 8,           // show the news window
    HelpContact = 10,       // contact box
    HelpAbout = 11,         // about box
};

struct HelpMenuEntry {
    int index;
    std::string_view caption;  // empty for a separator
    bool checkable;
};

inline constexpr std::string_view HelpMenuTitle = "帮助(&H)";

// In menu order.
inline constexpr std::array<HelpMenuEntry, 10> HelpMenuEntries{{
    {HelpIntroduction, "功能介绍(&N)", false},
    {HelpUpgrade, "软件升级(&S)", false},
    {3, {}, false},
    {HelpNoNewsPopup, "禁止弹出新闻资讯(&X)", true},
    {6, {}, false},
    {HelpHomePage, "软件主页(&H)", false},
    {HelpNews, "新闻资讯(&W)", false},
    {9, {}, false},
    {HelpContact, "联系方式(&L)", false},
    {HelpAbout, "关于...(&G)", false},
}};

}  // namespace kelodi
