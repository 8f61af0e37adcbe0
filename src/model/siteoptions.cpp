#include "model/siteoptions.h"

#include <algorithm>

#include "base/textutil.h"
#include "model/filehelpers.h"
#include "model/imagefiles.h"
#include "model/paths.h"
#include "model/turnwheel.h"
#include "platform/filesystem.h"

namespace parvel {

std::string CreateSiteDirectoryQuestion(std::string_view directory) {
  return "The directory, " + std::string(directory) +
         ", does not exist.  Would you like to create it?";
}

std::string CreateSiteDirectoryFailedMessage(std::string_view directory) {
  return "An error was encountered creating the directory ," + std::string(directory) + "!";
}

std::string PictureBaseHTMLNameMessage(std::string_view name) {
  return "The name of the first HTML page, " + std::string(name) +
         ", ends in the extension of a picture.  Pages named like pictures would be written over "
         "your images: please choose a name such as Index.html!";
}

std::string SiteLocationIsFileMessage(std::string_view directory) {
  return CreateSiteDirectoryFailedMessage(directory) + "  A file of that name is there.";
}

std::string RelativeSiteLocationMessage(std::string_view directory) {
  return "The site creation location, " + std::string(directory) +
         ", is not a full path!  Enter a directory that begins with /.";
}

std::string RelativeLiveDirectoryMessage(std::string_view directory) {
  return "The directory to copy the rotation to, " + std::string(directory) +
         ", is not a full path!  Enter a directory that begins with /.";
}

bool IsRelativeFolder(const std::string& path) {
  const std::string full = ExpandPath(path);
  return !full.empty() && full.front() != '/';
}

std::string PublishUrlMessage(std::string_view url) {
  return kPublishAddressPrefix + std::string(url) +
         ", is not an sftp:// address!  Enter one like sftp://user@host/folder, or leave it empty.";
}

std::string StoredBaseHTMLName(std::string_view entered) {
  if (entered.empty()) return "Index.html";
  std::string name(entered);
  if (ExtensionPart(name).empty()) name += ".html";
  return name;
}

SiteOptionsForm::SiteOptionsForm(Interaction& ui, const SiteRecord& site, bool use_rotations)
    : ui_(ui),
      use_rotations_(use_rotations),
      name_(site.Name),
      path_(site.Path),
      base_html_name_(site.BaseHTMLName),
      live_path_(site.LivePath),
      publish_url_(site.Publish_URL) {
  set_next_rotation(site.CurrentRotationPosition);
  set_auto_rotate(site.AutoRotate);
}

const std::vector<std::string>& SiteOptionsForm::BaseHTMLNameChoices() {
  static const std::vector<std::string> choices = {"Index.htm", "Index.html", "Default.htm",
                                                   "Default.html"};
  return choices;
}

void SiteOptionsForm::set_auto_rotate(bool on) {
  auto_rotate_ = on;
  if (auto_rotate_ && !use_rotations_) {
    ui_.Message(MessageKind::Information, kRotationsDisabledMessage, Buttons::Ok);
    auto_rotate_ = false;
  }
}

void SiteOptionsForm::set_next_rotation(int value) {
  next_rotation_ = std::clamp(value, kMinNextRotation, kMaxNextRotation);
}

bool SiteOptionsForm::CheckDirectory(std::vector<std::string>* made) {
  const std::string folder = FixPath(path_, false);
  if (DirectoryExists(folder)) return true;
  // A file of that name cannot become the folder: one message, not a question that must fail.
  if (PathExists(folder)) {
    ui_.Warn(SiteLocationIsFileMessage(path_));
    return false;
  }
  if (!ui_.AskYesNo(CreateSiteDirectoryQuestion(path_))) return false;
  if (!CreateNewDirectory(ui_, path_, made)) {
    ui_.Warn(CreateSiteDirectoryFailedMessage(path_));
    return false;
  }
  return true;
}

bool SiteOptionsForm::CheckBaseHTMLName() {
  const std::string stored = StoredBaseHTMLName(base_html_name_);
  if (!HasPictureExtension(stored)) return true;
  ui_.Message(MessageKind::Information, PictureBaseHTMLNameMessage(stored), Buttons::Ok);
  return false;
}

bool SiteOptionsForm::CheckLiveDirectory(const Catalogue& catalogue) {
  // A live directory on a host ("sftp://...") is stored as typed: publishing checks it there.
  if (!auto_rotate_ || IsRemoteLivePath(live_path_)) return true;
  if (IsRelativeFolder(live_path_)) {
    ui_.Inform(RelativeLiveDirectoryMessage(live_path_));
    return false;
  }
  SiteRecord typed = catalogue.site();
  typed.Path = path_;
  const std::string refusal =
      LiveDirectoryRefusal(typed, FixPath(live_path_, false), use_rotations_);
  if (refusal.empty()) return true;
  ui_.Warn("turnwheel would not copy a rotation there: " + refusal);
  return false;
}

bool SiteOptionsForm::Accept(Catalogue& catalogue) {
  const auto refuse = [this](std::string_view text) {
    ui_.Message(MessageKind::Information, text, Buttons::Ok);
    return false;
  };
  if (name_.empty()) return refuse(kNoSiteNameMessage);
  // The location: given, a full path, and a first-page name that is no picture's, all before a
  // folder is made for it.
  if (path_.empty()) return refuse(kNoSiteDirectoryMessage);
  if (IsRelativeFolder(path_)) return refuse(RelativeSiteLocationMessage(path_));
  if (!CheckBaseHTMLName()) return false;
  // The live directory: given, a full path, and one turnwheel would copy into.
  if (auto_rotate_ && live_path_.empty()) return refuse(kNoLiveDirectoryMessage);
  if (!CheckLiveDirectory(catalogue)) return false;
  if (!publish_url_.empty() && !IsRemoteLivePath(publish_url_)) {
    return refuse(PublishUrlMessage(publish_url_));
  }
  std::vector<std::string> made;
  if (!CheckDirectory(&made)) return false;

  SiteRecord& site = catalogue.site();
  const SiteRecord before = site;
  site.Name = name_;
  site.Path = path_;
  site.LivePath = live_path_;
  site.Publish_URL = Trim(publish_url_);
  site.AutoRotate = auto_rotate_;
  site.BaseHTMLName = StoredBaseHTMLName(base_html_name_);
  site.CurrentRotationPosition = next_rotation_;
  // A site whose record did not reach the disk is not there for the next run: say so and keep
  // the dialog open, so that the user can try again or cancel. Nothing of this OK stays: the
  // record is as it was, and the folders made for it go again while they are empty, so that a
  // cancel afterwards cannot mistake the folder typed here for one of its own.
  if (!catalogue.SaveCurrentSite()) {
    site = before;
    for (auto it = made.rbegin(); it != made.rend(); ++it) Files().Remove(*it, nullptr);
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
  catalogue.SaveCurrentSite();
  return catalogue.ComputeSelectionStatus(use_rotations);
}

}  // namespace parvel
