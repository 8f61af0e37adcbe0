#include "model/siteoptions.h"

#include <algorithm>

#include "model/filehelpers.h"
#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {

std::string CreateSiteDirectoryQuestion(std::string_view directory) {
  return "The directory, " + std::string(directory) +
         ", does not exist.  Would you like to create it?";
}

std::string CreateSiteDirectoryFailedMessage(std::string_view directory) {
  return "An error was encountered creating the directory ," + std::string(directory) + "!";
}

std::string StoredBaseHTMLName(std::string_view entered) {
  if (entered.empty()) return "Index.html";
  std::string name(entered);
  if (ExtensionPart(name).empty()) name += ".html";
  return name;
}

SiteOptionsDialog::SiteOptionsDialog(Interaction& ui, const tsiterecord& site, bool use_rotations)
    : ui_(ui),
      use_rotations_(use_rotations),
      name_(site.Name),
      path_(site.Path),
      base_html_name_(site.BaseHTMLName),
      live_path_(site.LivePath) {
  set_next_rotation(site.CurrentRotationPosition);
  set_auto_rotate(site.AutoRotate);
}

const std::vector<std::string>& SiteOptionsDialog::BaseHTMLNameChoices() {
  static const std::vector<std::string> choices = {"Index.htm", "Index.html", "Default.htm",
                                                   "Default.html"};
  return choices;
}

void SiteOptionsDialog::set_auto_rotate(bool on) {
  auto_rotate_ = on;
  if (auto_rotate_ && !use_rotations_) {
    ui_.Message(MessageKind::Information, kRotationsDisabledMessage, Buttons::Ok);
    auto_rotate_ = false;
  }
}

void SiteOptionsDialog::set_next_rotation(int value) {
  next_rotation_ = std::clamp(value, kMinNextRotation, kMaxNextRotation);
}

bool SiteOptionsDialog::CheckDirectory() {
  if (DirectoryExists(fixpath(path_, true))) return true;
  if (!ui_.AskYesNo(CreateSiteDirectoryQuestion(path_))) return false;
  if (!createnewdirectory(ui_, path_)) {
    ui_.Warn(CreateSiteDirectoryFailedMessage(path_));
    return false;
  }
  return true;
}

bool SiteOptionsDialog::Accept(Catalogue& catalogue) {
  const auto refuse = [this](std::string_view text) {
    ui_.Message(MessageKind::Information, text, Buttons::Ok);
    return false;
  };
  if (name_.empty()) return refuse(kNoSiteNameMessage);
  if (path_.empty()) return refuse(kNoSiteDirectoryMessage);
  if (auto_rotate_ && live_path_.empty()) return refuse(kNoLiveDirectoryMessage);
  if (!CheckDirectory()) return false;

  tsiterecord& site = catalogue.site();
  site.Name = name_;
  site.Path = path_;
  site.LivePath = live_path_;
  site.AutoRotate = auto_rotate_;
  site.BaseHTMLName = StoredBaseHTMLName(base_html_name_);
  site.CurrentRotationPosition = next_rotation_;
  // A site whose record did not reach the disk is not there for the next run: say so and keep
  // the dialog open, so that the user can try again or cancel.
  if (!catalogue.savecurrentsite()) {
    ui_.Warn(kSaveSiteFailedMessage);
    return false;
  }
  catalogue.rebuildSiteNameList();
  return true;
}

std::optional<SelectionStatus> SiteOptionsAction(Interaction& ui, Catalogue& catalogue,
                                                 bool use_rotations,
                                                 const std::function<bool()>& run_dialog) {
  if (catalogue.site().SiteKey.empty()) {
    ui.Warn(kNoSiteSelectedMessage);
    return std::nullopt;
  }
  run_dialog();
  catalogue.savecurrentsite();
  return catalogue.doselectionstatus(use_rotations);
}

}  // namespace parvel

namespace parvel {

std::string SiteOptionsPathProblem(const SiteOptionsDialog& dialog) {
  const auto relative = [](const std::string& path) {
    const std::string full = expandpath(path);
    return !full.empty() && full.front() != '/';
  };
  if (relative(dialog.path())) {
    return "The site creation location, " + dialog.path() +
           ", is not a full path!  Enter a directory that begins with /.";
  }
  if (dialog.auto_rotate() && relative(dialog.live_path())) {
    return "The directory to copy the rotation to, " + dialog.live_path() +
           ", is not a full path!  Enter a directory that begins with /.";
  }
  return std::string();
}

}  // namespace parvel
