// The one escaping rule for everything a page maker writes into a page from a file name. A name
// goes into a page as it is, blanks and letters of any script included, except for the few bytes
// that would break the page or send a link elsewhere; each function below says which. Names made
// only of letters, digits, blanks, ".", "-" and "_" come back unchanged from every function.
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
// and bytes that are not UTF-8 (a page's UTF-8 cannot carry them). Every other byte is kept.
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
// that keeps a name from reading as markup.
std::string TextFromFileName(std::string_view name);

}  // namespace parvel
