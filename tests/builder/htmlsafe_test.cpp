#include "builder/htmlsafe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>

#include "base/textutil.h"

namespace parvel {
namespace {

struct Escaped {
  const char* name;
  const char* url;
  const char* html;
  const char* text;
  const char* attr;
  const char* script;
};

const Escaped kHostileNames[] = {
    {"my photo.jpg", "my photo.jpg", "my photo.jpg", "my photo.jpg", "my photo.jpg",
     "my photo.jpg"},
    {"Tom&Jerry.jpg", "Tom&Jerry.jpg", "Tom&amp;Jerry.jpg", "Tom&amp;Jerry.jpg",
     "Tom&amp;Jerry.jpg", "Tom&amp;Jerry.jpg"},
    {"it's.jpg", "it's.jpg", "it&#39;s.jpg", "it's.jpg", "it's.jpg", "it\\'s.jpg"},
    {"say \"hi\".jpg", "say %22hi%22.jpg", "say &quot;hi&quot;.jpg", "say \"hi\".jpg",
     "say %22hi%22.jpg", "say %2522hi%2522.jpg"},
    {"#1.jpg", "%231.jpg", "#1.jpg", "#1.jpg", "%231.jpg", "%25231.jpg"},
    {"100%.jpg", "100%25.jpg", "100%.jpg", "100%.jpg", "100%25.jpg", "100%2525.jpg"},
    {"<b>.jpg", "%3Cb%3E.jpg", "&lt;b&gt;.jpg", "&lt;b>.jpg", "%3Cb%3E.jpg", "%253Cb%253E.jpg"},
    // Outside ASCII: percent-encoded bytes in URLs, code points as references in text.
    {"caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg",
     "caf%C3%A9 %E6%97%A5%E6%9C%AC %F0%9F%93%B7.jpg",
     "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg",
     "caf&#233; &#26085;&#26412; &#128247;.jpg", "caf%C3%A9 %E6%97%A5%E6%9C%AC %F0%9F%93%B7.jpg",
     "caf%25C3%25A9 %25E6%2597%25A5%25E6%259C%25AC %25F0%259F%2593%25B7.jpg"},
    {"Z\xC3\xBCrich 2.gif", "Z%C3%BCrich 2.gif", "Z\xC3\xBCrich 2.gif", "Z&#252;rich 2.gif",
     "Z%C3%BCrich 2.gif", "Z%25C3%25BCrich 2.gif"},
    // Bytes that are not UTF-8 (a Latin-1 name, an overlong form, a surrogate, a cut sequence)
    // read as windows-1252, whose undefined bytes give U+FFFD.
    {"caf\xE9\xC0\xAF\xED\xA0\x80\xE6\x97", "caf%E9%C0%AF%ED%A0%80%E6%97",
     "caf\xE9\xC0\xAF\xED\xA0\x80\xE6\x97", "caf&#233;&#192;&#175;&#237;&#160;&#8364;&#230;&#8212;",
     "caf%E9%C0%AF%ED%A0%80%E6%97", "caf%25E9%25C0%25AF%25ED%25A0%2580%25E6%2597"},
    {"\x81\x9F&.jpg", "%81%9F&.jpg", "\x81\x9F&amp;.jpg", "&#65533;&#376;&amp;.jpg",
     "%81%9F&amp;.jpg", "%2581%259F&amp;.jpg"},
    {" a b.jpg ", "%20a b.jpg%20", " a b.jpg ", " a b.jpg ", "%20a b.jpg%20", "%2520a b.jpg%2520"},
    {"a:b.jpg", "a%3Ab.jpg", "a:b.jpg", "a:b.jpg", "a%3Ab.jpg", "a%253Ab.jpg"},
    {"a\\b?c\t\x7F", "a%5Cb%3Fc%09%7F", "a\\b?c\t\x7F", "a\\b?c\t\x7F", "a%5Cb%3Fc%09%7F",
     "a%255Cb%253Fc%2509%257F"},
    {"~!$&()*+,;=@/", "~!$&()*+,;=@/", "~!$&amp;()*+,;=@/", "~!$&amp;()*+,;=@/",
     "~!$&amp;()*+,;=@/", "~!$&amp;()*+,;=@/"},
    {"\x1F"
     "x.jpg",
     "%1Fx.jpg",
     "\x1F"
     "x.jpg",
     "\x1F"
     "x.jpg",
     "%1Fx.jpg", "%251Fx.jpg"},
    {"", "", "", "", "", ""},
};

TEST(HtmlSafeTest, HostileNamesInEveryFunction) {
  for (const auto& c : kHostileNames) {
    EXPECT_EQ(UrlFromFileName(c.name), c.url) << c.name;
    EXPECT_EQ(HtmlEscape(c.name), c.html) << c.name;
    EXPECT_EQ(TextFromFileName(c.name), c.text) << c.name;
    EXPECT_EQ(AttrUrl(c.name), c.attr) << c.name;
    EXPECT_EQ(ScriptUrl(c.name), c.script) << c.name;
  }
}

TEST(HtmlSafeTest, OrdinaryNamesPassUnchanged) {
  for (const char* name : {"photo.jpg", "Sunset Beach.html", "Sunset_2004-07.final.JPG",
                           "Index2.html", "a", "x-y_z"}) {
    EXPECT_EQ(UrlFromFileName(name), name);
    EXPECT_EQ(HtmlEscape(name), name);
    EXPECT_EQ(AttrText(name), name);
    EXPECT_EQ(AttrUrl(name), name);
    EXPECT_EQ(ScriptUrl(name), name);
    EXPECT_EQ(TextFromFileName(name), name);
  }
}

TEST(HtmlSafeTest, EscapesCoverTheirCharacters) {
  const std::string html = "<a href=\"x\" title='y'>&amp;</a>";
  EXPECT_EQ(HtmlEscape(html), "&lt;a href=&quot;x&quot; title=&#39;y&#39;&gt;&amp;amp;&lt;/a&gt;");
  EXPECT_EQ(AttrText(html), "<a href=&quot;x&quot; title='y'>&amp;amp;</a>");
  EXPECT_EQ(TextFromFileName(html), "&lt;a href=\"x\" title='y'>&amp;amp;&lt;/a>");
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

// A single byte is kept unless it is a control byte, one of the encoded punctuation marks, a
// blank (at the name's end) or not UTF-8 on its own; encoded bytes are "%" and two upper-case hex
// digits, and decoding gives the name back.
TEST(HtmlSafeTest, EveryByteIsKeptOrPercentEncoded) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    all += one;
    const bool encoded = b < 0x20 || b == 0x7F || b >= 0x80 || b == ' ' ||
                         std::string_view("\"#%<>?\\:").find(one) != std::string_view::npos;
    char expected[4];
    std::snprintf(expected, sizeof expected, "%%%02X", b);
    EXPECT_EQ(UrlFromFileName(one), encoded ? std::string(expected) : one) << b;
  }
  EXPECT_EQ(PercentDecode(UrlFromFileName(all)), all);
  // What a name puts into a page is ASCII, so the page reads the same in any ASCII-compatible
  // character set.
  for (const std::string& put : {UrlFromFileName(all), TextFromFileName(all), ScriptUrl(all)}) {
    EXPECT_TRUE(std::all_of(put.begin(), put.end(), [](char ch) {
      return static_cast<unsigned char>(ch) < 0x80;
    })) << put;
  }
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
    const std::string script_text = PercentDecode(attribute_value);
    // Every quote is escaped, and the string the script holds is the URL an href would carry.
    for (size_t i = 0; i < script_text.size(); ++i) {
      if (script_text[i] == '\'' || script_text[i] == '"') {
        EXPECT_TRUE(i > 0 && script_text[i - 1] == '\\') << c.name;
      }
    }
    EXPECT_EQ(ReplaceAll(script_text, "\\'", "'"), c.url) << c.name;
  }
}

}  // namespace
}  // namespace parvel
