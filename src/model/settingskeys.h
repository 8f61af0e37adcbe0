// The keys of a rotation section: one table gives each key's name, the form its value takes, how
// it is read from a section (in load order, with the rules of stored settings) and how it is
// written (in save order). Loading, saving and the command line's `set` and `show` all use it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvel {

// Which keys of a rotation section a save writes: the page settings alone, or with them the
// rotation's Status and Rotation_Path.
enum class SavedKeys { PageSettings, WithStatusAndPath };

class IniFile;
struct SiteSettings;
struct SiteContext;

enum class KeyKind {
  Integer,
  Boolean,
  Path,
  Text,
  Colour,
  FilenameDisplay,
  IndexLayout,
  SizeOrNA,
  SizeOrOff,  // 0 (off) or a size within the key's limits
};

struct SettingsKey {
  std::string_view name;
  KeyKind kind;
  // Integer and SizeOrOff keys whose values a command refuses outside these limits (a load
  // clamps them); the older integer keys are clamped on load only.
  int lo = 0;
  int hi = 0;
  bool refuse_outside = false;
};

// All keys of a rotation section in save order (Status and Rotation_Path first).
const std::vector<SettingsKey>& RotationKeys();

// The key spelled as in the table (letter case ignored), or nullopt for an unknown key.
std::optional<SettingsKey> FindRotationKey(std::string_view name);

// Empty when `value` is a valid stored value for the key, else why not ("not a whole number",
// ...). Booleans take "True" or "False" in any case; words take one of their words.
std::string CheckSettingValue(const SettingsKey& key, std::string_view value);

// What reading a section needs besides the section: Status is read only `make_current`,
// Rotation_Path only `with_path` (its missing value follows from the site and the rotation).
struct KeyReadContext {
  const SiteContext& site;
  int rotation;
  bool with_path;
  bool make_current;
};

// Reads `section` of `ini` into `settings` key by key in load order. False when a colour text
// cannot be read: the fields after it keep their values.
bool ReadRotationKeys(const IniFile& ini, std::string_view section, SiteSettings& settings,
                      const KeyReadContext& context);

// Sets the keys a save writes, in save order, into `section` of `ini`; Status and Rotation_Path
// only with SavedKeys::WithStatusAndPath. With a `baseline` (the record as the section was read),
// a key the section holds is set only when its text differs between `settings` and `baseline`:
// what another program saved meanwhile stays unless it was changed here.
void WriteRotationKeys(IniFile& ini, std::string_view section, const SiteSettings& settings,
                       SavedKeys keys, const SiteSettings* baseline = nullptr);

}  // namespace parvel
