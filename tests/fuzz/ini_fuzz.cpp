// Feeds arbitrary text to the INI reader, then writes one key into the document. The input is the
// file text, then section, key and value, separated by 0x01 bytes. Checked: what is read survives
// Serialize and Parse unchanged; a written key reads back by the value rules and leaves every
// other key as it was.
#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "base/textutil.h"
#include "fuzz_support.h"
#include "model/inifile.h"

namespace {

using Snapshot = std::map<std::pair<std::string, std::string>, std::string>;

// Every key the document answers for, keyed by lower-case section and key names.
Snapshot Read(const parvel::IniFile& ini) {
  Snapshot all;
  for (const auto& section : ini.Sections()) {
    for (const auto& key : ini.Keys(section)) {
      const auto value = ini.Get(section, key);
      parvel::fuzz::Check(value.has_value());
      all[{parvel::LowerAscii(section), parvel::LowerAscii(key)}] = *value;
    }
  }
  return all;
}

Snapshot RoundTrip(const parvel::IniFile& ini) {
  parvel::IniFile again;
  again.Parse(ini.Serialize());
  return Read(again);
}

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

// Names the file format can hold: a key line must not read as a section (a key opening with "["
// needs its "]") or split elsewhere; a section header must end at its own "]".
bool WritableNames(std::string_view section, std::string_view key) {
  const std::string name = parvel::Trim(key);
  if (name.empty()) return false;
  const bool bracket_closed = name.front() != '[' || name.find(']') != std::string::npos;
  return bracket_closed && name.find('=') == std::string::npos && !HasLineBreak(key) &&
         section.find(']') == std::string_view::npos && !HasLineBreak(section);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  const auto pieces = fuzz::Pieces(fuzz::Text(data, size), '\x01', 4);
  const std::string_view section = pieces[1], key = pieces[2], value = pieces[3];

  IniFile ini;
  ini.Parse(pieces[0]);
  const Snapshot before = Read(ini);
  fuzz::Check(RoundTrip(ini) == before);

  if (!WritableNames(section, key)) return 0;
  ini.Set(section, key, value);
  // What Get gives for a value written by Set: its line breaks become blanks.
  std::string flat(value);
  std::replace_if(
      flat.begin(), flat.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  fuzz::Check(ini.Get(section, key) == fuzz::IniValue(flat));
  Snapshot after = Read(ini);
  fuzz::Check(RoundTrip(ini) == after);
  // Everything else stays: drop the written key from both and compare.
  const std::pair<std::string, std::string> written{LowerAscii(Trim(section)),
                                                    LowerAscii(Trim(key))};
  Snapshot others = before;
  others.erase(written);
  after.erase(written);
  fuzz::Check(after == others);

  ini.EraseSection(section);
  fuzz::Check(RoundTrip(ini) == Read(ini));
  return 0;
}
