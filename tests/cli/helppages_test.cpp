// The help pages shipped in data/help: one page per help topic the dialogs open, each a complete
// page on the shared style sheet, every link leading to a file (and anchor) that is there, and
// every file reachable from the contents.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "support/testsupport.h"

namespace parvel {
namespace {

using testing::ReadFile;

const std::string kHelp = std::string(PARVEL_SOURCE_DIR) + "/data/help/";

// The values of href and src attributes inside tags (text that merely shows an attribute, such
// as <code>src="..."</code>, is no link).
std::vector<std::string> Links(const std::string& html) {
  std::vector<std::string> links;
  for (size_t open = html.find('<'); open != std::string::npos; open = html.find('<', open + 1)) {
    const std::string tag = html.substr(open, html.find('>', open) - open);
    for (const std::string name : {" href=\"", " src=\""}) {
      const size_t start = tag.find(name) + name.size();  // below name.size() when not found
      if (start >= name.size()) links.push_back(tag.substr(start, tag.find('"', start) - start));
    }
  }
  return links;
}

TEST(HelpPagesTest, EveryTopicHasAPageAndNoLinkIsDead) {
  std::set<std::string> files, reached = {"index.html"};
  for (const auto& entry : std::filesystem::directory_iterator(kHelp)) {
    files.insert(entry.path().filename());
  }
  for (const int topic : {25, 26, 27, 31, 32, 33, 34, 36}) {
    EXPECT_TRUE(files.contains("topic-" + std::to_string(topic) + ".html")) << topic;
  }
  for (const std::string& page : files) {
    if (!page.ends_with(".html")) continue;
    SCOPED_TRACE(page);
    const std::vector<std::string> links = Links(ReadFile(kHelp + page));
    EXPECT_NE(std::find(links.begin(), links.end(), "help.css"), links.end());
    for (const std::string& link : links) {
      ASSERT_EQ(link.find(':'), std::string::npos) << "a link out of the help: " << link;
      const size_t hash = link.find('#');
      const std::string target = hash == 0 ? page : link.substr(0, hash);
      ASSERT_TRUE(files.contains(target)) << link;
      reached.insert(target);
      if (hash != std::string::npos) {
        const std::string id = "id=\"" + link.substr(hash + 1) + "\"";
        EXPECT_NE(ReadFile(kHelp + target).find(id), std::string::npos) << link;
      }
    }
  }
  EXPECT_EQ(reached, files);  // no file is left without a way to it
}

}  // namespace
}  // namespace parvel
