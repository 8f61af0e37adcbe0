// The one escaping rule for everything a page maker writes into a page from a file name. A name
// goes into a page as it is, blanks included, except for the few bytes that would break the page
// or send a link elsewhere, and every byte outside ASCII, which is written in ASCII (percent-
// encoded in URLs, a numeric character reference in text): a page then reads the same in any
// ASCII-compatible character set, also when its template declares none and the server names
// none. Names made only of ASCII letters, digits, blanks, ".", "-" and "_" come back unchanged
// from every function.
//
// Texts the user wrote as HTML (headers, footers, descriptions, the page number prefix) are put
// into pages as they are and never go through these functions.
#pragma once

#include <string>
#include <string_view>

namespace parvel {

// A relative URL for the file. Bytes that would end the link early or make it lead elsewhere
// become "%" and two upper-case hex digits: control bytes, '"', "#", "%", "<", ">", "?", "\", ":"
// (so that "a:b.jpg" never reads as a URL scheme), a blank at either end (URL parsers drop those)
// and every byte outside ASCII ("caf\xC3\xA9" gives "caf%C3%A9"). Every other byte is kept.
std::string UrlFromFileName(std::string_view name);

// Text safe in HTML content and in a double- or single-quoted attribute: & < > " ' become
// &amp; &lt; &gt; &quot; &#39;.
std::string HtmlEscape(std::string_view text);

// Text as the value of a double-quoted attribute: & and " become &amp; and &quot;.
std::string AttrText(std::string_view text);

// A file name as the value of an href or src attribute: AttrText(UrlFromFileName(name)).
std::string AttrUrl(std::string_view name);

// A file name as the URL inside javascript:openWin('...') in an href attribute: the
// UrlFromFileName URL, with its "%" signs encoded once more since the browser percent-decodes a
// javascript: URL before running it, and "'" written as \' so that it cannot end the script's
// string; then made safe for the attribute with AttrText. The script opens the very URL that
// an href of the same name leads to.
std::string ScriptUrl(std::string_view name);

// A file name shown as text (captions, headings): & and < become &amp; and &lt;, which is all
// that keeps a name from reading as markup, and each character outside ASCII becomes a decimal
// character reference of its code point ("caf\xC3\xA9" gives "caf&#233;"). A byte that is not
// part of well-formed UTF-8 is read as the windows-1252 character of that byte, the character
// set such names mostly come from ("\xE9" gives "&#233;"); the five bytes it leaves undefined
// give U+FFFD.
std::string TextFromFileName(std::string_view name);

}  // namespace parvel
