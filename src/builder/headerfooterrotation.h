// Headers and footers for the pages of a build: one fixed piece of HTML, or a list file
// (templates/listfile.h) whose entries rotate page by page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/sitesettings.h"
#include "templates/compliance.h"
#include "templates/listfile.h"

namespace parvel {

// Owned by a build's state and cleared when each build starts. Reads the settings and the marker
// flags at every call, so both must outlive it. Thumbnail and image pages share the header cache
// and the footer cache. It shows no messages.
enum class HeaderOrFooter { Header, Footer };

class HeaderFooterRotation {
 public:
  HeaderFooterRotation(const SiteSettings& settings, const TemplateMarkers& markers);

  // The header (or footer) for the next page of the given kind: empty when the page gets none.
  // nullopt, without a message, when its list file cannot be read or has no entries (or no list
  // was ever named): the caller fails the page and the build driver reports it.
  std::optional<std::string> NextHeaderFooter(HeaderOrFooter which, PageKind page);

  // Empties both caches (at the start of every build): each list is read again on its first
  // use, so a list written or edited since the last build counts.
  void Clear();

  // Sets both rotations back to their first entry (between the image pages and the thumbnail
  // pages). Loaded lists stay loaded.
  void ResetPositions();

 private:
  // The entries are kept as spans of the file's text: a list of many short lines stays small.
  struct ListCache {
    std::string loaded_path;  // upper case, as last requested
    std::string text;
    ListEntrySpans entries;
    std::size_t position = 0;
  };

  std::optional<std::string> Fetch(const std::string& html, const std::string& list, bool fixed,
                                   bool isHeader);

  const SiteSettings& settings_;
  const TemplateMarkers& markers_;
  ListCache headers_;
  ListCache footers_;
};

}  // namespace parvel
