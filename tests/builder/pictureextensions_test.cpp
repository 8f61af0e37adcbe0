// The image list and the page-name checks of the model know the picture extensions without the
// codecs; the two lists must not drift apart.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/textutil.h"
#include "imaging/registry.h"
#include "model/imagefiles.h"

namespace parvel {
namespace {

TEST(PictureExtensions, EveryExtensionIsAPicturesForThePageNameChecks) {
  std::vector<std::string> extensions;
  for (const auto& r : FileFormatReaders()) extensions.push_back(r->Extension());
  for (const auto& w : FileFormatWriters()) extensions.push_back(w->Extension());
  for (const std::string& ext : extensions) {
    EXPECT_TRUE(HasPictureExtension("page." + ext)) << ext;
    EXPECT_TRUE(HasPictureExtension("PAGE." + UpperAscii(ext))) << ext;
  }
  EXPECT_FALSE(HasPictureExtension("Index.html"));
}

}  // namespace
}  // namespace parvel
