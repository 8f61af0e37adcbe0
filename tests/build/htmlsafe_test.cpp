#include "build/htmlsafe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace parvel {
namespace {

struct Escaped {
  const char* name;
  const char* url;
  const char* html;
  const char* attr;
  const char* script;
};

const Escaped kHostileNames[] = {
    {"my photo.jpg", "my%20photo.jpg", "my photo.jpg", "my%20photo.jpg", "my%2520photo.jpg"},
    {"Tom&Jerry.jpg", "Tom&Jerry.jpg", "Tom&amp;Jerry.jpg", "Tom&amp;Jerry.jpg",
     "Tom&amp;Jerry.jpg"},
    {"it's.jpg", "it%27s.jpg", "it&#39;s.jpg", "it%27s.jpg", "it%2527s.jpg"},
    {"say \"hi\".jpg", "say%20%22hi%22.jpg", "say &quot;hi&quot;.jpg", "say%20%22hi%22.jpg",
     "say%2520%2522hi%2522.jpg"},
    {"#1.jpg", "%231.jpg", "#1.jpg", "%231.jpg", "%25231.jpg"},
    {"100%.jpg", "100%25.jpg", "100%.jpg", "100%25.jpg", "100%2525.jpg"},
    {"<b>.jpg", "%3Cb%3E.jpg", "&lt;b&gt;.jpg", "%3Cb%3E.jpg", "%253Cb%253E.jpg"},
    {"caf\xC3\xA9.jpg", "caf%C3%A9.jpg", "caf\xC3\xA9.jpg", "caf%C3%A9.jpg", "caf%25C3%25A9.jpg"},
    {"a:b.jpg", "a%3Ab.jpg", "a:b.jpg", "a%3Ab.jpg", "a%253Ab.jpg"},
    {"a\\b?c\t\x7F\xFF", "a%5Cb%3Fc%09%7F%FF", "a\\b?c\t\x7F\xFF", "a%5Cb%3Fc%09%7F%FF",
     "a%255Cb%253Fc%2509%257F%25FF"},
    {"~!$&()*+,;=@/", "~!$&()*+,;=@/", "~!$&amp;()*+,;=@/", "~!$&amp;()*+,;=@/",
     "~!$&amp;()*+,;=@/"},
    {"", "", "", "", ""},
};

TEST(HtmlSafeTest, HostileNamesInEveryFunction) {
  for (const auto& c : kHostileNames) {
    EXPECT_EQ(UrlFromFileName(c.name), c.url) << c.name;
    EXPECT_EQ(HtmlEscape(c.name), c.html) << c.name;
    EXPECT_EQ(TextFromFileName(c.name), c.html) << c.name;
    EXPECT_EQ(AttrUrl(c.name), c.attr) << c.name;
    EXPECT_EQ(ScriptUrl(c.name), c.script) << c.name;
  }
}

TEST(HtmlSafeTest, OrdinaryNamesPassUnchanged) {
  for (const char* name : {"photo.jpg", "Sunset_2004-07.final.JPG", "Index2.html", "a", "x-y_z"}) {
    EXPECT_EQ(UrlFromFileName(name), name);
    EXPECT_EQ(HtmlEscape(name), name);
    EXPECT_EQ(AttrUrl(name), name);
    EXPECT_EQ(ScriptUrl(name), name);
    EXPECT_EQ(TextFromFileName(name), name);
  }
}

TEST(HtmlSafeTest, HtmlEscapeCoversAllFiveCharacters) {
  EXPECT_EQ(HtmlEscape("<a href=\"x\" title='y'>&amp;</a>"),
            "&lt;a href=&quot;x&quot; title=&#39;y&#39;&gt;&amp;amp;&lt;/a&gt;");
}

std::string PercentDecode(const std::string& url) {
  std::string out;
  for (size_t i = 0; i < url.size(); ++i) {
    if (url[i] == '%' && i + 2 < url.size()) {
      out += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += url[i];
    }
  }
  return out;
}

// Every byte is either one of the kept characters or written as "%" and two upper-case hex
// digits, and decoding gives the name back.
TEST(HtmlSafeTest, EveryByteIsKeptOrPercentEncoded) {
  const std::string kept =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~!$&()*+,;=@/";
  std::string all;
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    all += one;
    const std::string url = UrlFromFileName(one);
    if (kept.find(one) != std::string::npos) {
      EXPECT_EQ(url, one) << b;
    } else {
      char expected[4];
      std::snprintf(expected, sizeof expected, "%%%02X", b);
      EXPECT_EQ(url, expected) << b;
    }
  }
  EXPECT_EQ(PercentDecode(UrlFromFileName(all)), all);
}

// Inside javascript:openWin('...') the browser decodes the URL once before the script runs; what
// the script then sees must be the plain URL, with no quote that could end its string.
TEST(HtmlSafeTest, ScriptUrlDecodesOnceToTheUrl) {
  for (const auto& c : kHostileNames) {
    const std::string in_attribute = ScriptUrl(c.name);
    // The HTML parser undoes the one entity the URL can contain.
    std::string attribute_value;
    for (size_t i = 0; i < in_attribute.size(); ++i) {
      if (in_attribute.compare(i, 5, "&amp;") == 0) {
        attribute_value += '&';
        i += 4;
      } else {
        attribute_value += in_attribute[i];
      }
    }
    const std::string script_sees = PercentDecode(attribute_value);
    EXPECT_EQ(script_sees, c.url) << c.name;
    EXPECT_EQ(script_sees.find_first_of("'\"\\<>"), std::string::npos) << c.name;
  }
}

}  // namespace
}  // namespace parvel
