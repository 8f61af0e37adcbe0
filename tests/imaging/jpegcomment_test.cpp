// The comment segment a JPEG carries in its head: written by our encoder, found again from the
// file's first bytes only, and never a crash on a head that is cut off or not a JPEG at all.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "imaging/formats/jpeg.h"
#include "imaging/testimages.h"

namespace parvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

TEST(JpegComment, WrittenCommentIsFoundInTheHeadOfBothCodings) {
  for (const bool progressive : {false, true}) {
    const Bytes file = WriteJpeg(testing::PhotoLike(16, 16), 80, progressive, "Parvel x 0123");
    const std::span<const std::uint8_t> head(file.data(), 64);
    EXPECT_EQ(FindJpegComment(head, "Parvel "), "Parvel x 0123") << progressive;
    EXPECT_EQ(FindJpegComment(head, "Other "), std::nullopt);
    EXPECT_EQ(ReadJpeg(file, {}).width, 16);  // still a picture
    EXPECT_EQ(FindJpegComment(WriteJpeg(testing::PhotoLike(16, 16), 80, progressive), "Parvel "),
              std::nullopt);
  }
}

TEST(JpegComment, CutOrForeignHeadsGiveNothing) {
  const Bytes file = WriteJpeg(testing::PhotoLike(8, 8), 80, false, "Parvel abc");
  // Every cut of the head: the comment only once its whole segment is there.
  const std::size_t whole = 2 + 18 + 4 + 10;  // SOI, JFIF segment, comment marker and length
  for (std::size_t n = 0; n <= 64; ++n) {
    const auto found = FindJpegComment(std::span(file.data(), n), "Parvel ");
    EXPECT_EQ(found.has_value(), n >= whole) << n;
  }
  struct Case {
    const char* what;
    Bytes head;
  } cases[] = {
      {"not a JPEG", Of("GIF89a\xFF\xFE\x00\x08Parvel")},
      {"segment length below two", Of(std::string("\xFF\xD8\xFF\xFE\x00\x01Parvel x", 14))},
      {"length past the end", Of(std::string("\xFF\xD8\xFF\xFE\xFF\xFFParvel x", 14))},
      {"scan before the comment",
       Of(std::string("\xFF\xD8\xFF\xDA\x00\x02\xFF\xFE\x00\x0AParvel x", 18))},
      {"no marker where one belongs", Of(std::string("\xFF\xD8\x00\xFE\x00\x0AParvel x", 14))},
  };
  for (const auto& c : cases) EXPECT_EQ(FindJpegComment(c.head, "Parvel "), std::nullopt) << c.what;
  EXPECT_EQ(FindJpegComment(Of(std::string("\xFF\xD8\xFF\xFF\xFE\x00\x0AParvel x", 15)), "Parvel "),
            "Parvel x");  // a fill byte before the marker
}

}  // namespace
}  // namespace parvel
