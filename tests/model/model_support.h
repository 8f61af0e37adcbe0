// What the model tests share: a data directory of the test's own, a catalogue and a scripted user,
// and the sites written into that directory.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "model/catalogue.h"
#include "model/inifile.h"
#include "model/paths.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel::testing {

// The user must not be asked anything the test did not foresee nor leave an answer unused.
class DataDirectoryTest : public ::testing::Test {
 protected:
  DataDirectoryTest() { SetDataDirectory(tmp.path()); }
  void TearDown() override {
    EXPECT_EQ(ui.unexpected(), std::vector<std::string>{});
    EXPECT_EQ(ui.unused_answers(), 0u);
  }
  // Writes Site_1 (as WriteSite does), reads the catalogue and selects Site_1 in it.
  void OpenSite(const std::string& name, const std::string& rest);
  TempDir tmp;
  ScriptedInteraction ui;
  Catalogue cat;
};

// Lists the site `key` in the catalogue of the data directory and writes its settings: [General]
// with its name, Path=%/<key>/ and then `rest`.
inline void WriteSite(const std::string& key, const std::string& name, const std::string& rest) {
  const std::string sites = DataDirectory() + "sites.ini", listed = ReadFile(sites);
  WriteFile(sites, (listed == "<missing>" ? "[Sites]\r\n" : listed) + key + "=" + name + "\r\n");
  WriteFile(DataDirectory() + key + ".ini",
            "[General]\r\nName=" + name + "\r\nPath=%/" + key + "/\r\n" + rest);
}

inline void DataDirectoryTest::OpenSite(const std::string& name, const std::string& rest) {
  WriteSite("Site_1", name, rest);
  cat.ReadSites();
  const auto& keys = cat.keys();
  cat.SelectSite(static_cast<int>(std::find(keys.begin(), keys.end(), "Site_1") - keys.begin()),
                 true);
}

// Keys of a section of Site_1's settings, each value or "<missing>", joined by blanks.
inline std::string SiteKey(const std::string& section, std::initializer_list<const char*> keys) {
  IniFile ini(DataDirectory() + "Site_1.ini");
  EXPECT_TRUE(ini.Load());
  std::string values;
  for (const char* key : keys) values += " " + ini.GetString(section, key, "<missing>");
  return values.substr(1);
}
inline std::string SiteKey(const std::string& section, const char* key) {
  return SiteKey(section, {key});
}

}  // namespace parvel::testing
