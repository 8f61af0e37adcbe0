// The rules of the header and footer editors without a toolkit: the snippet maker's fields, the
// snippets they make and their checks, the list editor's list and its checks, and the texts both
// dialogs show for a header or for a footer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace parvel {

// What the snippet maker makes a snippet from.
enum class HeaderFooterKind { Html = 0, ImageLink = 1, TextLink = 2 };

// The scheme prefix the two link fields start out holding.
inline constexpr std::string_view kLinkPrefix = "http://";
// The most characters a person may type into a snippet (texts handed in are not cut).
inline constexpr int kHeaderFooterTypedMax = 1000;
// The longest snippet a settings value holds when it is read back.
inline constexpr std::size_t kSettingsHeaderFooterMax = 1023;

// The snippet maker's fields as a person left them; they outlive one use of the maker while its
// list editor stays open.
struct HeaderFooterFields {
  HeaderFooterKind kind = HeaderFooterKind::Html;
  std::string html;
  std::string image_location;
  std::string image_link{kLinkPrefix};
  std::string alt_text;
  int border = 0;  // one digit
  std::string text_link{kLinkPrefix};
  std::string text;
};

// The texts of both dialogs, for a header or for a footer.
struct HeaderFooterTexts {
  std::string snippet_title;        // "Edit Header"
  std::string snippet_explanation;  // what a header is and where it goes
  std::string list_title;           // "Edit Header List"
  std::string list_explanation;
  std::string list_file_box;  // "Header List File"
  std::string list_name;      // "Header List"
};
HeaderFooterTexts HeaderFooterTextsFor(bool header);

// The message for the chosen kind's required field when it is empty; empty when it is filled.
std::string_view HeaderFooterMissingField(const HeaderFooterFields& fields);

// The snippet the fields make: the HTML as typed for Pure HTML, else the image or text link.
// Link, image location and alternative text lose their surrounding blanks; the text of a text
// link is used as typed; an empty link leaves the anchor out.
std::string ComposeHeaderFooter(const HeaderFooterFields& fields);

// What OK in the snippet maker comes to: the snippet, or the message that keeps the dialog open.
// `max_length` (0: none) is the most bytes the snippet's destination holds.
struct HeaderFooterResult {
  std::string snippet;
  std::string problem;  // shown as information when not empty
};
HeaderFooterResult FinishHeaderFooter(const HeaderFooterFields& fields, bool header,
                                      std::size_t max_length);

// The list file proposed when the list editor is given none: in `data_dir` (with its trailing
// separator), the site key and "_Headers" or "_Footers", then ".txt" or 2 .. 90000 and ".txt",
// the first that does not exist (the last one when all do).
std::string DefaultListFileName(const std::string& data_dir, const std::string& site_key,
                                bool header);

// The list editor's snippets and its selected entry (-1: none).
class HeaderFooterList {
 public:
  const std::vector<std::string>& entries() const { return entries_; }
  int selected() const { return selected_; }
  // Selects an entry; a row outside the list selects none.
  void Select(int row);
  // The list read from a file; nothing selected.
  void Replace(std::vector<std::string> entries);
  // Inserts before the selected entry, or appends when none or the last one is selected. The
  // selection stays on the entry it was on.
  void Add(std::string snippet);
  // Replaces the selected entry; false when none is selected.
  bool Modify(std::string snippet);
  // Removes the selected entry (nothing is selected after); false when none is.
  bool Remove();
  void Clear();
  // Moves the selected entry one place, the first up to the end and the last down to the start;
  // it stays selected. False when nothing moves.
  bool MoveUp();
  bool MoveDown();

  struct Usable {
    bool remove = false;
    bool modify = false;
    bool move = false;  // up and down
    bool clear = false;
  };
  Usable usable() const;

 private:
  std::vector<std::string> entries_;
  int selected_ = -1;
};

// The messages of the list editor.
std::string ListNotCreatedMessage(bool header);
std::string ListLoadFailedMessage(bool header, std::string_view file);
std::string ListSaveFailedMessage(bool header, std::string_view file);
inline constexpr std::string_view kClearAllQuestion =
    "Are you sure you want to clear all your entries?";

}  // namespace parvel
