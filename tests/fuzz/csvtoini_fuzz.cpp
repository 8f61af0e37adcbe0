// Feeds arbitrary text to the conversion of a comma-separated description file into INI form,
// then reads the result as the description lookup does. Checked: the INI text has the section
// line and one CR LF line per input line; each plain entry (a name with no "=", not named before,
// and no line before it opening another section) reads back as its description by the INI value
// rules.
#include <set>
#include <string>

#include "base/textutil.h"
#include "builder/descriptions.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  std::string_view text = fuzz::Text(data, size);
  const auto ini_text = CsvToIniText(text);
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const auto lines = fuzz::Lines(text);
  bool any_comma = false;
  for (auto line : lines) any_comma = any_comma || line.find(',') != std::string_view::npos;
  fuzz::Check(ini_text.has_value() == any_comma);
  if (!ini_text) return 0;
  fuzz::Check(ini_text->starts_with("[Descriptions]\r\n"));
  fuzz::Check(fuzz::Lines(*ini_text).size() == lines.size() + 1);

  IniFile ini;
  ini.Parse(*ini_text);
  std::set<std::string> named;  // lower-case names of the lines before, as INI keys
  for (auto line : lines) {
    const std::size_t comma = line.find(',');
    // A line opening with "[" may start another section, unless its name holds the "]".
    const bool bracket_closed =
        comma != std::string_view::npos && line.substr(0, comma).find(']') != std::string::npos;
    if (Trim(line).starts_with('[') && !bracket_closed) break;
    const std::size_t eq = line.find('=');
    const std::size_t cut = std::min(comma, eq);
    if (cut == std::string_view::npos) continue;
    const std::string name = Trim(line.substr(0, cut));
    const bool plain = comma < eq && !name.empty() && !named.contains(LowerAscii(name));
    named.insert(LowerAscii(name));
    if (plain) fuzz::Check(ini.Get("Descriptions", name) == fuzz::IniValue(line.substr(comma + 1)));
  }
  return 0;
}
