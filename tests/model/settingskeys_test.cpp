#include "model/settingskeys.h"

#include <gtest/gtest.h>

#include <set>

#include "base/textutil.h"
#include "model/sitesettings.h"

namespace parvel {
namespace {

TEST(SettingsKeys, FindsKeysWithoutRegardToCase) {
  EXPECT_EQ(FindRotationKey("thumb_width")->name, "Thumb_Width");
  EXPECT_FALSE(FindRotationKey("Thumb_Widht"));
}

TEST(SettingsKeys, ChecksValuesByKind) {
  struct Case {
    const char* key;
    const char* value;
    bool ok;
  } cases[] = {{"Thumb_Width", "150", true},
               {"Thumb_Width", "wide", false},
               {"Thumb_Width", "$96", true},
               {"Image_Width", "NA", true},
               {"Image_Width", "na", true},
               {"Image_Width", "big", false},
               {"DisplayAsImage", "false", true},
               {"DisplayAsImage", "no", false},
               {"Heading_Colour", "clRed", true},
               {"Heading_Colour", "$00123456", true},
               {"Heading_Colour", "reddish", false},
               {"Filename_Display", "hideext", true},
               {"Filename_Display", "Short", false},
               {"Index_Layout", "HORIZONTAL", true},
               {"Index_Layout", "Diagonal", false},
               {"Header_HTML", "<b>Hi</b>", true},
               {"Style_File", "", true}};
  for (const auto& c : cases) {
    EXPECT_EQ(CheckSettingValue(*FindRotationKey(c.key), c.value).empty(), c.ok)
        << c.key << "=" << c.value;
  }
}

}  // namespace
}  // namespace parvel
