// The dialog "Site Options" without its window: the fields it shows for the current site, the
// auto-rotate switch rule, OK's checks and what OK stores; and the main window's Site Options..
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/catalogue.h"
#include "platform/interaction.h"

namespace parvel {

inline constexpr std::string_view kRotationsDisabledMessage =
    "You have disabled support for multiple rotations under options";
inline constexpr std::string_view kNoSiteNameMessage = "You have not entered a site name!";
inline constexpr std::string_view kNoSiteDirectoryMessage =
    "You have not entered a directory for this site!";
inline constexpr std::string_view kNoLiveDirectoryMessage =
    "You have elected to automatically rotate this site, but have not entered a destination "
    "directory!";
inline constexpr std::string_view kNoSiteSelectedMessage = "You have not selected a site!";

// "The directory, <dir>, does not exist.  Would you like to create it?"
std::string CreateSiteDirectoryQuestion(std::string_view directory);
// "An error was encountered creating the directory ,<dir>!"
std::string CreateSiteDirectoryFailedMessage(std::string_view directory);

// A location that is a file: the failure text above, then "  A file of that name is there."
std::string SiteLocationIsFileMessage(std::string_view directory);
// A location or live directory that is not a full path (it would resolve against wherever the
// program happened to be started). Stored-form paths ("%/...") count as full.
std::string RelativeSiteLocationMessage(std::string_view directory);
std::string RelativeLiveDirectoryMessage(std::string_view directory);
bool IsRelativeFolder(const std::string& path);

// "The name of the first HTML page, <name>, ends in the extension of a picture.  ..."
std::string PictureBaseHTMLNameMessage(std::string_view name);

// "The address to publish to, <url>, is ...": the start of every complaint about the address.
inline constexpr char kPublishAddressPrefix[] = "The address to publish to, ";
// "The address to publish to, <url>, is not an sftp:// address!  ..."
std::string PublishUrlMessage(std::string_view url);

// The first-page name as stored: "Index.html" when empty, ".html" added when it has no
// extension, otherwise as entered.
std::string StoredBaseHTMLName(std::string_view entered);

class SiteOptionsForm {
 public:
  static constexpr int kHelpTopic = 26;
  static constexpr int kMinNextRotation = 1;
  static constexpr int kMaxNextRotation = 99999;

  // Fills the fields from `site`. A site whose AutoRotate is on while rotations are off gets the
  // switch rule at once (its information text, the switch off).
  SiteOptionsForm(Interaction& ui, const SiteRecord& site, bool use_rotations);

  // The offers of the first-page name's choice field.
  static const std::vector<std::string>& BaseHTMLNameChoices();

  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }
  const std::string& base_html_name() const { return base_html_name_; }
  bool auto_rotate() const { return auto_rotate_; }
  const std::string& live_path() const { return live_path_; }
  // Where Publish sends the site: empty, or "sftp://[user@]host[:port]/folder".
  const std::string& publish_url() const { return publish_url_; }
  int next_rotation() const { return next_rotation_; }
  // The live directory, its browser and the next-rotation number follow the switch.
  bool live_fields_enabled() const { return auto_rotate_; }

  void set_name(std::string text) { name_ = std::move(text); }
  void set_path(std::string text) { path_ = std::move(text); }
  void set_base_html_name(std::string text) { base_html_name_ = std::move(text); }
  void set_live_path(std::string text) { live_path_ = std::move(text); }
  void set_publish_url(std::string text) { publish_url_ = std::move(text); }
  // Turning it on while rotations are off shows kRotationsDisabledMessage and turns it off.
  void set_auto_rotate(bool on);
  // Kept within 1..99999 as the number field does.
  void set_next_rotation(int value);

  // OK: the checks in order (a failure says why and returns false: the dialog stays open and
  // nothing is stored): the name; the location (given, a full path, a first-page name that is
  // no picture's); with the switch on the live directory (given, a full path, one turnwheel would
  // copy into); then the location's folder, made after a question when missing (a file of that
  // name is refused). Then it stores the fields into the current site record, saves it, re-reads
  // the site names and returns true. A failed save shows kSaveSiteFailedMessage and returns
  // false: the record is as it was before, and directories this OK created are removed again
  // while they are empty.
  bool Accept(Catalogue& catalogue);
  void Help() const { ui_.ShowHelp(kHelpTopic); }

 private:
  // `made` receives the directories created for the site.
  bool CheckDirectory(std::vector<std::string>* made);
  // The live directory's checks beyond its emptiness.
  bool CheckLiveDirectory(const Catalogue& catalogue);
  // Refuses a first-page name with a picture's extension
  // (HasPictureExtension), since every image display page would take its image's own name and
  // be written over it.
  bool CheckBaseHTMLName();

  Interaction& ui_;
  bool use_rotations_;
  std::string name_;
  std::string path_;
  std::string base_html_name_;
  bool auto_rotate_ = false;
  std::string live_path_;
  std::string publish_url_;
  int next_rotation_ = 1;
};

// The main window's Site Options..: without a current site warns and returns nullopt; otherwise
// runs `run_dialog` (true when confirmed) and then, confirmed or not, saves the current site and
// returns the refreshed selection status.
std::optional<SelectionStatus> SiteOptionsAction(Interaction& ui, Catalogue& catalogue,
                                                 bool use_rotations,
                                                 const std::function<bool()>& run_dialog);

}  // namespace parvel
