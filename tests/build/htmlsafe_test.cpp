#include "build/htmlsafe.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "model/textutil.h"

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
    {"caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg",
     "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg",
     "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg",
     "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg",
     "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg",
     "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x93\xB7.jpg"},
    // Bytes that are not UTF-8: a Latin-1 name, an overlong form, a surrogate, a cut sequence.
    {"caf\xE9\xC0\xAF\xED\xA0\x80\xE6\x97", "caf%E9%C0%AF%ED%A0%80%E6%97",
     "caf\xE9\xC0\xAF\xED\xA0\x80\xE6\x97", "caf\xE9\xC0\xAF\xED\xA0\x80\xE6\x97",
     "caf%E9%C0%AF%ED%A0%80%E6%97", "caf%25E9%25C0%25AF%25ED%25A0%2580%25E6%2597"},
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
