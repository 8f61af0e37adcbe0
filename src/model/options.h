// The application options (options.ini), the two lists of recently used templates
// (recent_styles.txt, recent_image_styles.txt) and the logic of the dialog "Options".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/interaction.h"

namespace parvel {

// The four options of one run, holding their initial values until Read().
class AppOptions {
 public:
  std::int16_t DefaultJPEGCompression = 80;
  std::int16_t MaxFilenameLength = 15;  // 999: no limit
  bool UseThumbsDirectory = true;
  bool UseRotations = false;

  static constexpr std::int16_t kNoFilenameLimit = 999;

  // Reads options.ini from the data directory; missing keys and malformed values get their
  // defaults, without a message.
  void Read();
  // Writes the four keys into options.ini; false when the file could not be written.
  bool Write() const;
};

// The recent template lists: each sorted without regard to case and free of duplicates.
class RecentTemplates {
 public:
  std::vector<std::string> styles;        // thumbnail-page templates
  std::vector<std::string> image_styles;  // image-page templates

  // Reads both files that exist (a missing file leaves its list as it is).
  void Read();
  // Writes every list that has entries (the image-page list first); an empty list leaves its
  // file untouched. Both are attempted; false when either could not be written.
  bool Write() const;
};

// Adds `text` to a sorted list when it is not empty and not there yet (ignoring case). True when
// it was added.
bool AddTextToComboList(std::vector<std::string>& list, std::string_view text);

// Fills an empty thumbnail-page template list with the sample templates of the data directory
// that exist; a list with entries is left as it is.
void AddSampleTemplates(std::vector<std::string>& list);

// The dialog "Options" without its window: the values it shows when opened, and OK.
// Cancel is simply not calling Accept.
class OptionsForm {
 public:
  static constexpr int kHelpTopic = 25;

  explicit OptionsForm(const AppOptions& options);

  int quality() const { return quality_; }        // 1..100
  bool truncate() const { return truncate_; }     // "Truncate the display of filenames..."
  int max_length() const { return max_length_; }  // 10..99
  bool max_length_enabled() const { return truncate_; }
  bool use_thumbs_directory() const { return use_thumbs_directory_; }
  bool multiple_rotations() const { return multiple_rotations_; }

  // The fields keep their values in range as the dialog's number fields do.
  void set_quality(int value);
  void set_truncate(bool on) { truncate_ = on; }
  void set_max_length(int value);
  void set_use_thumbs_directory(bool on) { use_thumbs_directory_ = on; }
  void set_multiple_rotations(bool on) { multiple_rotations_ = on; }

  // OK: stores the fields into the options (nothing is written to disk).
  void Accept(AppOptions& options) const;
  void Help(Interaction& ui) const { ui.ShowHelp(kHelpTopic); }

 private:
  int quality_;
  bool truncate_;
  int max_length_;
  bool use_thumbs_directory_;
  bool multiple_rotations_;
};

}  // namespace parvel
