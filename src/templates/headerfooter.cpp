#include "templates/headerfooter.h"

#include <filesystem>
#include <utility>

#include "base/textutil.h"

namespace parvel {
namespace {

std::string Anchored(const std::string& link, const std::string& inside) {
  if (link.empty()) return inside;
  return "<A HREF=\"" + link + "\">" + inside + "</A>";
}

}  // namespace

HeaderFooterTexts HeaderFooterTextsFor(bool header) {
  const std::string word = header ? "Header" : "Footer";
  const std::string place = header ? "top" : "bottom";
  const std::string marker = header ? "***HEADER***" : "***FOOTER***";
  HeaderFooterTexts t;
  t.snippet_title = "Edit " + word;
  t.snippet_explanation = "The " + word + " is a small piece of HTML that is placed at the " +
                          place + " of each created page.  It may be text, a banner or a link " +
                          "to another site.  The " + word + " will replace the text, " + marker +
                          ", in your HTML page.";
  t.list_title = "Edit " + word + " List";
  t.list_explanation = "This dialog allows you to place a different " + word +
                       " on each created page.  The " + word +
                       " is a small piece of HTML that is placed at the " + place +
                       " of each page.  It may be text, a banner or a link to another site.  " +
                       "Each time a new page is created, the " + word +
                       " HTML is taken from the next list item.  When there are no more items, " +
                       "it reverts to the first item.";
  t.list_file_box = word + " List File";
  t.list_name = word + " List";
  return t;
}

std::string_view HeaderFooterMissingField(const HeaderFooterFields& fields) {
  switch (fields.kind) {
    case HeaderFooterKind::Html:
      if (fields.html.empty())
        return "You have not entered the HTML you would like to be inserted!";
      break;
    case HeaderFooterKind::ImageLink:
      if (fields.image_location.empty())
        return "You have not entered the location of the image you would like to be inserted!";
      break;
    case HeaderFooterKind::TextLink:
      if (fields.text.empty())
        return "You have not entered the text that you would like to be inserted!";
      break;
  }
  return {};
}

std::string ComposeHeaderFooter(const HeaderFooterFields& fields) {
  switch (fields.kind) {
    case HeaderFooterKind::Html:
      return fields.html;
    case HeaderFooterKind::ImageLink: {
      std::string image = "<img SRC=\"" + Trim(fields.image_location) + "\"";
      const std::string alt = Trim(fields.alt_text);
      if (!alt.empty()) image += " ALT=\"" + alt + "\"";
      image += " BORDER=" + std::to_string(fields.border) + ">";
      return Anchored(Trim(fields.image_link), image);
    }
    case HeaderFooterKind::TextLink:
      return Anchored(Trim(fields.text_link), fields.text);
  }
  return {};
}

HeaderFooterResult FinishHeaderFooter(const HeaderFooterFields& fields, bool header,
                                      std::size_t max_length) {
  HeaderFooterResult result;
  if (const auto missing = HeaderFooterMissingField(fields); !missing.empty()) {
    result.problem = missing;
    return result;
  }
  result.snippet = ComposeHeaderFooter(fields);
  if (max_length != 0 && result.snippet.size() > max_length) {
    const std::string word = header ? "Header" : "Footer";
    result.problem = "This " + word + " is " + std::to_string(result.snippet.size()) +
                     " characters long, but a " + word + " kept in the site's settings holds " +
                     "at most " + std::to_string(max_length) + " characters.  Please shorten " +
                     "it, or choose a different " + word + " on each created page, whose list " +
                     "file has no such limit.";
    result.snippet.clear();
  }
  return result;
}

std::string DefaultListFileName(const std::string& data_dir, const std::string& site_key,
                                bool header) {
  const std::string stem = data_dir + site_key + (header ? "_Headers" : "_Footers");
  std::string name = stem + ".txt";
  for (int n = 2; n <= 90000; ++n) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::path(name), error) && !error) return name;
    name = stem + std::to_string(n) + ".txt";
  }
  return name;
}

void HeaderFooterList::Select(int row) {
  selected_ = row >= 0 && row < static_cast<int>(entries_.size()) ? row : -1;
}

void HeaderFooterList::Replace(std::vector<std::string> entries) {
  entries_ = std::move(entries);
  selected_ = -1;
}

void HeaderFooterList::Add(std::string snippet) {
  const int count = static_cast<int>(entries_.size());
  if (selected_ < 0 || selected_ == count - 1) {
    entries_.push_back(std::move(snippet));
    return;
  }
  entries_.insert(entries_.begin() + selected_, std::move(snippet));
  ++selected_;
}

bool HeaderFooterList::Modify(std::string snippet) {
  if (selected_ < 0) return false;
  entries_[static_cast<size_t>(selected_)] = std::move(snippet);
  return true;
}

bool HeaderFooterList::Remove() {
  if (selected_ < 0) return false;
  entries_.erase(entries_.begin() + selected_);
  selected_ = -1;
  return true;
}

void HeaderFooterList::Clear() {
  entries_.clear();
  selected_ = -1;
}

bool HeaderFooterList::MoveUp() {
  if (!usable().move) return false;
  const int count = static_cast<int>(entries_.size());
  const int to = selected_ == 0 ? count - 1 : selected_ - 1;
  if (selected_ == 0) {
    std::string moved = std::move(entries_.front());
    entries_.erase(entries_.begin());
    entries_.push_back(std::move(moved));
  } else {
    std::swap(entries_[static_cast<size_t>(selected_)], entries_[static_cast<size_t>(to)]);
  }
  selected_ = to;
  return true;
}

bool HeaderFooterList::MoveDown() {
  if (!usable().move) return false;
  const int count = static_cast<int>(entries_.size());
  const int to = selected_ == count - 1 ? 0 : selected_ + 1;
  if (to == 0) {
    std::string moved = std::move(entries_.back());
    entries_.pop_back();
    entries_.insert(entries_.begin(), std::move(moved));
  } else {
    std::swap(entries_[static_cast<size_t>(selected_)], entries_[static_cast<size_t>(to)]);
  }
  selected_ = to;
  return true;
}

HeaderFooterList::Usable HeaderFooterList::usable() const {
  Usable u;
  u.remove = u.modify = selected_ >= 0;
  u.move = selected_ >= 0 && entries_.size() >= 2;
  u.clear = !entries_.empty();
  return u;
}

std::string ListNotCreatedMessage(bool header) {
  return "You have not created " + HeaderFooterTextsFor(header).list_name + "!";
}

std::string ListLoadFailedMessage(bool header, std::string_view file) {
  return "Error encountered loading your " + HeaderFooterTextsFor(header).list_name +
         " list file, " + std::string(file) + "!";
}

std::string ListSaveFailedMessage(bool header, std::string_view file) {
  return "Error encountered saving your " + HeaderFooterTextsFor(header).list_name + " file," +
         std::string(file) + "!";
}

}  // namespace parvel
