#include "builder/htmlsafe.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

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
    {"\x1Fx.jpg", "%1Fx.jpg", "\x1Fx.jpg", "\x1Fx.jpg", "%1Fx.jpg", "%251Fx.jpg"},
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

}  // namespace
}  // namespace parvel
