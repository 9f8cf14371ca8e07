// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "core/news/news_page.h"

namespace kelodi {
namespace {

TEST(NewsPage, AddressOnTheServer)
{
    EXPECT_EQ(newsPageAddress("http://news.example.cn"),
              "http://news.example.cn/rjshengji/gg_tan.htm?id=pwkrm");
    EXPECT_EQ(newsPageAddress("http://127.0.0.1:8080/"), "http://127.0.0.1:8080/rjshengji/gg_tan.htm?id=pwkrm");
}

struct BodyCase {
    const char* name;
    std::string html;
    std::string body;
};

class PageBody : public ::testing::TestWithParam<BodyCase> {};

TEST_P(PageBody, IsTheTextInsideTheBodyTag)
{
    EXPECT_EQ(pageBodyHtml(GetParam().html), GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, PageBody,
    ::testing::Values(
        BodyCase{"Plain", "<html><head><title>t</title></head><body><p>x</p></body></html>", "<p>x</p>"},
        BodyCase{"AttributesAndCase", "<HTML><BODY bgcolor=\"#fff\">\r\nA</Body ></HTML>", "\r\nA"},
        BodyCase{"NoBodyTag", "<p>only a fragment</p>", "<p>only a fragment</p>"},
        BodyCase{"UnclosedBody", "<head></head><body>runs on", "runs on"},
        BodyCase{"TagBrokenOff", "<head></head><body class=", ""},
        // <bodyx> is another tag; the real body follows.
        BodyCase{"SimilarTagName", "<bodyx>no</bodyx><body>yes</body>", "yes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NewsPage, MarkerOnlyCountsInTheBody)
{
    const std::string head = "<html><head><meta name=\"ruanjianguanggao\"></head><body>news</body></html>";
    EXPECT_FALSE(carriesNewsMarker(pageBodyHtml(head)));
    EXPECT_TRUE(carriesNewsMarker(pageBodyHtml("<body><!-- RUANJIANGUANGGAO --></body>")));
    EXPECT_FALSE(carriesNewsMarker(""));
}

struct LinkCase {
    const char* name;
    std::string address;
    bool leaves;
};

class LinkFromNewsWindow : public ::testing::TestWithParam<LinkCase> {};

TEST_P(LinkFromNewsWindow, OnlyLongWebAddressesLeave)
{
    EXPECT_EQ(mayLeaveNewsWindow(GetParam().address), GetParam().leaves);
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkFromNewsWindow,
    ::testing::Values(
        LinkCase{"Http", "http://www.kelodi.cn/news/1.htm", true},
        LinkCase{"Https", "https://www.kelodi.cn/", true},
        LinkCase{"SchemeInCapitals", "HTTP://WWW.KELODI.CN/", true},
        LinkCase{"SixteenCharacters", "http://abcdefg.c", true},
        LinkCase{"FifteenCharacters", "http://abcde.cn", false},
        LinkCase{"Javascript", "javascript:alert(document.cookie)", false},
        LinkCase{"File", "file:///etc/passwd/and/more", false},
        LinkCase{"Mailto", "mailto:someone@kelodi.cn", false},
        LinkCase{"AboutBlank", "about:blank", false},
        LinkCase{"SchemeRelative", "//www.kelodi.cn/some/page.htm", false},
        LinkCase{"HttpInsideOtherScheme", "view-source:http://www.kelodi.cn/", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NewsPage, NewsServerAddressContainsTheHost)
{
    EXPECT_TRUE(isNewsServerAddress("http://News.Kelodi.cn/rjshengji/gg_tan.htm?id=pwkrm", "news.kelodi.cn"));
    EXPECT_FALSE(isNewsServerAddress("about:blank", "news.kelodi.cn"));
    EXPECT_FALSE(isNewsServerAddress("", "news.kelodi.cn"));
    EXPECT_FALSE(isNewsServerAddress("http://news.kelodi.cn/", ""));
}

}  // namespace
}  // namespace kelodi
