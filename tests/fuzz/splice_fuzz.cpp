// Feeds random templates and pieces to SpliceText. The input is a flag byte (bits 0-1 the image
// display method, bit 2 whether the pop-up script is wanted), then template, content, index,
// header and footer separated by 0x01 bytes. Checked: a template without markers comes back
// unchanged (or with only the script before its head's end); where the markers occur once each
// and nothing else holds a "*" or a capital letter, every piece lands whole and the page has the
// expected length.
#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "builder/splice.h"
#include "fuzz_support.h"

namespace {

std::size_t Count(std::string_view text, char c) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

std::size_t Capitals(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char x) { return x >= 'A' && x <= 'Z'; }));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  if (size == 0) return 0;
  SiteSettings settings;
  settings.Image_Display_Method = static_cast<DisplayMethod>(data[0] & 3);
  const bool add_script = (data[0] & 4) != 0;
  const auto p = fuzz::Pieces(fuzz::Text(data + 1, size - 1), '\x01', 5);
  const std::string_view page_template = p[0];
  const std::string_view pieces[4] = {p[1], p[2], p[3], p[4]};
  const std::string_view markers[4] = {kContentMarker, kIndexMarker, kHeaderMarker, kFooterMarker};

  const std::string page =
      SpliceText(settings, page_template, pieces[0], pieces[1], pieces[2], pieces[3], add_script);

  const bool script = add_script && settings.Image_Display_Method >= DisplayMethod::NewWindowScript;
  const bool script_in_head =
      script && std::ranges::any_of(std::array{"</HEAD>", "</Head>", "</head>"}, [&](auto end) {
        return page_template.find(end) != std::string_view::npos;
      });
  std::size_t present = 0;
  bool once_each = true;  // and apart: two markers may share their stars
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  std::size_t expected_size = page_template.size() + (script_in_head ? kPopupScript.size() : 0);
  for (int i = 0; i < 4; ++i) {
    const std::size_t at = page_template.find(markers[i]);
    if (at == std::string_view::npos) continue;
    ++present;
    once_each = once_each && page_template.find(markers[i], at + 1) == std::string_view::npos;
    for (const auto& [begin, end] : spans) {
      once_each = once_each && (at >= end || at + markers[i].size() <= begin);
    }
    spans.emplace_back(at, at + markers[i].size());
    expected_size += pieces[i].size() - markers[i].size();
    if (i == 0 && script && !script_in_head) expected_size += kPopupScript.size();
  }

  if (present == 0) {
    if (!script_in_head) fuzz::Check(page == page_template);
    fuzz::Check(page.size() == expected_size);
  }
  // Stars and capitals only in the markers: otherwise a replacement can join the text around it
  // into a new marker ("***FOOTER***HEA***INDEX***DER***HEADER***" holds a second HEADER marker,
  // sharing its stars with FOOTER, once INDEX is gone), which the fixed order then replaces.
  std::size_t marker_capitals = 0;
  for (int i = 0; i < 4; ++i) {
    if (page_template.find(markers[i]) != std::string_view::npos) {
      marker_capitals += markers[i].size() - 6;
    }
  }
  bool stars_only_in_markers = once_each && Count(page_template, '*') == 6 * present &&
                               Capitals(page_template) == marker_capitals;
  for (auto piece : pieces) {
    stars_only_in_markers = stars_only_in_markers && Count(piece, '*') == 0 && Capitals(piece) == 0;
  }
  if (stars_only_in_markers) {
    fuzz::Check(page.size() == expected_size);
    fuzz::Check(Count(page, '*') == 0);
    for (int i = 0; i < 4; ++i) {
      if (page_template.find(markers[i]) != std::string_view::npos) {
        fuzz::Check(page.find(pieces[i]) != std::string::npos);
      }
    }
  }
  return 0;
}
