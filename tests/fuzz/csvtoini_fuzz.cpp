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
#include "model/inifile.h"

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string ValueRead(std::string_view written) {
  std::string value = parvel::Trim(written);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return value.substr(0, parvel::IniFile::kMaxValueLength);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  std::string_view text = fuzz::Text(data, size);
  const auto ini_text = CsvToIniText(text);
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const auto lines = Lines(text);
  bool any_comma = false;
  for (auto line : lines) any_comma = any_comma || line.find(',') != std::string_view::npos;
  fuzz::Check(ini_text.has_value() == any_comma);
  if (!ini_text) return 0;
  fuzz::Check(ini_text->starts_with("[Descriptions]\r\n"));
  fuzz::Check(Lines(*ini_text).size() == lines.size() + 1);

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
    if (plain) fuzz::Check(ini.Get("Descriptions", name) == ValueRead(line.substr(comma + 1)));
  }
  return 0;
}
