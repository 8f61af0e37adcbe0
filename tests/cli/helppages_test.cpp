// The help pages shipped in data/help: one page per help topic the dialogs open, each a complete
// page on the shared style sheet, every link leading to a file (and anchor) that is there, and
// every page reachable from the contents.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <set>

#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;

const std::string kHelp = std::string(PARVEL_SOURCE_DIR) + "/data/help/";

// The values of href and src attributes inside tags (text that merely shows an attribute, such
// as <code>src="..."</code>, is no link).
std::vector<std::string> Links(const std::string& html) {
  std::vector<std::string> links;
  for (size_t open = html.find('<'); open != std::string::npos; open = html.find('<', open + 1)) {
    if (open + 1 >= html.size() || !std::isalpha(static_cast<unsigned char>(html[open + 1]))) {
      continue;
    }
    const size_t close = html.find('>', open);
    if (close == std::string::npos) break;
    const std::string tag = html.substr(open, close - open);
    for (const std::string name : {" href=\"", " src=\""}) {
      const size_t at = tag.find(name);
      if (at == std::string::npos) continue;
      const size_t start = at + name.size();
      links.push_back(tag.substr(start, tag.find('"', start) - start));
    }
  }
  return links;
}

TEST(HelpPagesTest, EveryTopicHasAPageAndNoLinkIsDead) {
  for (const int topic : {25, 26, 27, 31, 32, 33, 34, 36}) {
    EXPECT_TRUE(fs::is_regular_file(kHelp + "topic-" + std::to_string(topic) + ".html")) << topic;
  }
  std::set<std::string> pages, reached = {"index.html"};
  for (const auto& entry : fs::directory_iterator(kHelp)) {
    if (entry.path().extension() == ".html") pages.insert(entry.path().filename());
  }
  for (const std::string& page : pages) {
    SCOPED_TRACE(page);
    const std::string html = ReadFile(kHelp + page);
    const std::vector<std::string> links = Links(html);
    EXPECT_NE(std::find(links.begin(), links.end(), "help.css"), links.end());
    for (const std::string& link : links) {
      ASSERT_EQ(link.find(':'), std::string::npos) << "a link out of the help: " << link;
      const std::string file = link.substr(0, link.find('#'));
      const std::string target = file.empty() ? page : file;
      ASSERT_TRUE(fs::is_regular_file(kHelp + target)) << link;
      reached.insert(target);
      if (link.find('#') != std::string::npos) {
        const std::string id = link.substr(link.find('#') + 1);
        EXPECT_NE(ReadFile(kHelp + target).find("id=\"" + id + "\""), std::string::npos) << link;
      }
    }
  }
  reached.erase("help.css");
  EXPECT_EQ(reached, pages);  // no page is left without a way to it
}

}  // namespace
}  // namespace parvel
