// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// The maker's addresses and contact details. Every value can be replaced when
// the program is built, by defining the macro of the same name, for example
//   -DKELODI_HOME_PAGE="\"http://www.example.cn/\""
// Lines of a multi-line value are separated by a carriage return ("\r").

#ifndef KELODI_HOME_PAGE
#define KELODI_HOME_PAGE "http://www.kelodi.cn/"
#endif
#ifndef KELODI_HOME_PAGE_TIP
#define KELODI_HOME_PAGE_TIP "点击进入软件主页"
#endif
#ifndef KELODI_UPGRADE_PAGE
#define KELODI_UPGRADE_PAGE "http://www.kelodi.cn/rj"
#endif
#ifndef KELODI_QQ_NUMBER
#define KELODI_QQ_NUMBER "80571236"
#endif
// The instant-messaging service's chat page and the site name it is told.
#ifndef KELODI_QQ_CHAT_SERVER
#define KELODI_QQ_CHAT_SERVER "http://im.kelodi.cn"
#endif
#ifndef KELODI_QQ_SITE
#define KELODI_QQ_SITE "www.kelodi.cn"
#endif
#ifndef KELODI_CONTACT_POSTAL
#define KELODI_CONTACT_POSTAL "  邮编: 100085  北京科乐迪软件工作室"
#endif
#ifndef KELODI_CONTACT_PHONE
#define KELODI_CONTACT_PHONE "  电话: 010-62571236"
#endif
#ifndef KELODI_CONTACT_EMAIL
#define KELODI_CONTACT_EMAIL "  邮件: support@kelodi.cn"
#endif
#ifndef KELODI_ABOUT_NOTICE
#define KELODI_ABOUT_NOTICE "\r  本软件为免费软件，欢迎使用和传播。\r  版权所有 (C) 2004-2011 科乐迪软件工作室"
#endif
// Scheme and host (and port, if any) of the server that serves the news page.
#ifndef KELODI_NEWS_SERVER
#define KELODI_NEWS_SERVER "http://news.kelodi.cn"
#endif

namespace kelodi::product {

inline constexpr std::string_view homePageAddress = KELODI_HOME_PAGE;
inline constexpr std::string_view homePageTip = KELODI_HOME_PAGE_TIP;
inline constexpr std::string_view upgradePageAddress = KELODI_UPGRADE_PAGE;
inline constexpr std::string_view qqNumber = KELODI_QQ_NUMBER;
inline constexpr std::string_view qqChatServer = KELODI_QQ_CHAT_SERVER;
inline constexpr std::string_view qqSite = KELODI_QQ_SITE;
inline constexpr std::string_view contactPostal = KELODI_CONTACT_POSTAL;
inline constexpr std::string_view contactPhone = KELODI_CONTACT_PHONE;
inline constexpr std::string_view contactEmail = KELODI_CONTACT_EMAIL;
inline constexpr std::string_view aboutNotice = KELODI_ABOUT_NOTICE;
inline constexpr std::string_view newsServer = KELODI_NEWS_SERVER;

}  // namespace kelodi::product
