// The keys of a rotation section, in the order they are saved, with the form each value takes;
// used to check values that a user types for a key (the command line's `set`).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvel {

enum class KeyKind { Integer, Boolean, Path, Text, Colour, FilenameDisplay, IndexLayout, SizeOrNA };

struct SettingsKey {
  std::string_view name;
  KeyKind kind;
};

// All keys of a rotation section in save order (Status and Rotation_Path first).
const std::vector<SettingsKey>& RotationKeys();

// The key spelled as in the table (letter case ignored), or nullopt for an unknown key.
std::optional<SettingsKey> FindRotationKey(std::string_view name);

// Empty when `value` is a valid stored value for the key, else why not ("not a whole number",
// ...). Booleans take "True" or "False" in any case; words take one of their words.
std::string CheckSettingValue(const SettingsKey& key, std::string_view value);

}  // namespace parvel
