// The one escaping rule for everything a page maker writes into a page from a file name. File
// names come from the user's folders and may hold blanks, quotes, "&", "%", ":" or non-ASCII
// bytes; each function below makes such a name safe for the place it is written to. Names made
// only of letters, digits, ".", "-" and "_" come back unchanged from every function.
//
// Texts the user wrote as HTML (headers, footers, descriptions, the page number prefix) are put
// into pages as they are and never go through these functions.
#pragma once

#include <string>
#include <string_view>

namespace parvel {

// A relative URL for the file: every byte outside A-Z a-z 0-9 - . _ ~ ! $ & ( ) * + , ; = @ /
// becomes "%" and two upper-case hex digits (UTF-8 bytes one by one). ":" is encoded, so a name
// such as "a:b.jpg" never reads as a URL scheme.
std::string UrlFromFileName(std::string_view name);

// Text safe in HTML content and in a double- or single-quoted attribute: & < > " ' become
// &amp; &lt; &gt; &quot; &#39;.
std::string HtmlEscape(std::string_view text);

// A file name as the value of an href or src attribute: HtmlEscape(UrlFromFileName(name)).
std::string AttrUrl(std::string_view name);

// A file name as the URL inside javascript:openWin('...') in an href attribute. The browser
// percent-decodes a javascript: URL before running it, so the URL's "%" signs are encoded once
// more; the result is then HTML-escaped for the attribute.
std::string ScriptUrl(std::string_view name);

// A file name shown as text (captions, headings): HtmlEscape(name).
std::string TextFromFileName(std::string_view name);

}  // namespace parvel
