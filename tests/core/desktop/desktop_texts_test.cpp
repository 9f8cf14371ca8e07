// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "core/desktop/desktop_texts.h"

namespace kelodi {
namespace {

TEST(InformationBoxes, ContactTextLinesSeparatedByCarriageReturnOnly)
{
    const std::string text = contactText({"http://h.cn/", "P", "T", "E"});
    EXPECT_EQ(text, "\r  软件主页:\r    http://h.cn/\r\rP\rT\rE");
    EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST(InformationBoxes, AboutTextCarriesVersionAndNotice)
{
    EXPECT_EQ(aboutText("", {7, 9, 0}), "  Kelodi\r\r  版本号: 7.90");
    EXPECT_EQ(aboutText("\r  N1\r  N2", {1, 0, 5}), "  Kelodi\r\r  版本号: 1.05\r\r  N1\r  N2");
    // The product's own box starts the same way, with the program's version.
    EXPECT_EQ(aboutText().rfind("  Kelodi\r\r  版本号: 7.90", 0), 0u);
}

TEST(ChatAddress, QueryKeysInOrder)
{
    EXPECT_EQ(qqChatAddress("http://im.example.cn", "12345", "www.example.cn"),
              "http://im.example.cn/msgrd?V=1&Uin=12345&Site=www.example.cn&Menu=yes");
    // A trailing slash on the server does not double; odd characters in a
    // value cannot add query keys of their own.
    EXPECT_EQ(qqChatAddress("http://im.example.cn/", "1&Menu=no", "科"),
              "http://im.example.cn/msgrd?V=1&Uin=1%26Menu%3Dno&Site=%E7%A7%91&Menu=yes");
}

}  // namespace
}  // namespace kelodi
