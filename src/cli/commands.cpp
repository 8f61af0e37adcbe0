#include "cli/commands.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "addimages/addimage.h"
#include "base/textutil.h"
#include "builder/build.h"
#include "builder/sitebuild.h"
#include "cli/consolequestions.h"
#include "keyring/keyring.h"
#include "model/buildrecord.h"
#include "model/datadir.h"
#include "model/editsite.h"
#include "model/paths.h"
#include "model/settingskeys.h"
#include "model/siteoptions.h"
#include "model/turnwheel.h"
#include "platform/filesystem.h"
#include "publish/publish.h"

namespace parvel::cli {
namespace {

constexpr const char* kUsage =
    "usage: parvel-cli [--data-dir DIR] COMMAND ...\n"
    "  sites\n"
    "  build SITE [--rotation N | --all] [--remake-thumbnails] [--pages N] [--jobs N]\n"
    "        [--whole-scans] [--yes | --no]\n"
    "  new-site NAME [--path DIR]\n"
    "  set SITE [--rotation N] KEY=VALUE...\n"
    "  show SITE [--rotation N] [KEY...]\n"
    "  rotate\n"
    "  publish SITE [--rotation N] [--yes | --no]\n"
    "  quick FOLDER [--template FILE] [--yes | --no]\n"
    "  add SITE [--rotation N] [--yes | --no] FILE...\n"
    "  delete-site SITE [--yes | --no]\n";

// Takes --rotation N (default 1); 0 on a usage error (reported).
int TakeRotation(Arguments& args) {
  const auto text = args.TakeValue("--rotation");
  if (!text) return args.error.empty() ? 1 : 0;
  const auto number = PositiveNumber(*text);
  if (!number) {
    args.error = "--rotation takes a number from 1";
    return 0;
  }
  return *number;
}

// Leftover options or a wrong number of words are usage errors.
bool CheckWords(Arguments& args, size_t min, size_t max) {
  if (!args.error.empty()) return false;
  if (const std::string unknown = args.UnknownOption(); !unknown.empty()) {
    args.error = kUnknownOption + unknown;
    return false;
  }
  if (args.words.size() < min || args.words.size() > max) {
    args.error = "wrong number of arguments";
    return false;
  }
  return true;
}

// The site editor opened on the current site with `rotation` selected; false (reported) when
// the rotation is not there or could not be loaded.
bool OpenOnRotation(CommandEnvironment& env, SiteEditor& editor, int rotation) {
  if (!editor.Open()) return false;
  const int count = static_cast<int>(editor.rotation_list().size());
  if (rotation > count) {
    std::cerr << "The site has " << count << " rotation" << (count == 1 ? "" : "s")
              << "; there is no rotation " << rotation << "\n";
    return false;
  }
  if (rotation - 1 != editor.selected() && !editor.SelectRotation(rotation - 1)) {
    std::cerr << editor.status_line() << "\n";
    return false;
  }
  (void)env;
  return true;
}

// The keys of the site's own record (section "General") that set and show take.
constexpr const char* kSiteKeys[] = {
    "Name", "BaseHTMLName", "LivePath", "AutoRotate", "CurrentRotationPosition", "Publish_URL"};

std::optional<std::string> FindSiteKey(const std::string& name) {
  for (const char* key : kSiteKeys) {
    if (LowerAscii(key) == LowerAscii(name)) return std::string(key);
  }
  return std::nullopt;
}

// Empty when `value` may be stored under the site key, else why not.
std::string CheckSiteValue(const std::string& key, const std::string& value) {
  std::string why;
  if (key == "Name" || key == "BaseHTMLName") {
    if (Trim(value).empty()) return "empty";
    if (key == "BaseHTMLName" && value.find('/') != std::string::npos) return "not a file name";
  } else if (key == "AutoRotate") {
    if (UpperAscii(value) != "TRUE" && UpperAscii(value) != "FALSE") return "not True or False";
  } else if (key == "CurrentRotationPosition") {
    const auto n = PositiveNumber(value);
    if (!n || *n > SiteOptionsForm::kMaxNextRotation) return "not a number from 1 to 99999";
  } else if (key == "Publish_URL" || (key == "LivePath" && IsRemoteLivePath(value))) {
    if (!Trim(value).empty() && !ParsePublishUrl(value, &why)) return why;
  } else if (key == "LivePath") {
    const std::string full = ExpandPath(value);
    if (!full.empty() && full.front() != '/') return "not a full path (one that begins with /)";
  }
  return std::string();
}

void SetSiteValue(SiteRecord& site, const std::string& key, const std::string& value) {
  if (key == "Name") site.Name = value;
  if (key == "BaseHTMLName") site.BaseHTMLName = StoredBaseHTMLName(value);
  if (key == "LivePath") site.LivePath = Trim(value);
  if (key == "AutoRotate") site.AutoRotate = UpperAscii(value) == "TRUE";
  if (key == "CurrentRotationPosition") site.CurrentRotationPosition = *PositiveNumber(value);
  if (key == "Publish_URL") site.Publish_URL = Trim(value);
}

std::string SiteValue(const SiteRecord& site, const std::string& key) {
  if (key == "Name") return site.Name;
  if (key == "BaseHTMLName") return site.BaseHTMLName;
  if (key == "LivePath") return site.LivePath;
  if (key == "AutoRotate") return site.AutoRotate ? "True" : "False";
  if (key == "CurrentRotationPosition") return IntToStr(site.CurrentRotationPosition);
  return site.Publish_URL;
}

bool HasOption(const Arguments& args, const std::string& name) {
  return std::find(args.words.begin(), args.words.end(), name) != args.words.end();
}

}  // namespace

bool PublishToLive(const std::string& source, const LiveSelection& selection,
                   const std::string& address_text, std::string* error) {
  std::string why;
  const auto address = ParsePublishUrl(address_text, &why);
  if (!address) {
    *error = "the address " + address_text + " is " + why;
    return false;
  }
  // Unattended: nothing is asked; a password only from the desktop's keyring.
  ConsoleInteraction quiet(std::cerr, std::cin, ConsoleInteraction::Policy::No, false);
  UnattendedQuestions questions(KeyringPassword);
  const PublishResult result = PublishFolder(quiet, questions, source, *address, selection);
  if (!result.ok()) *error = result.message;
  return result.ok();
}

std::string BuildSummary(const BuildCounts& counts) {
  std::string thumbnails = "Thumbnails: " + std::to_string(counts.thumbnails_made) + " made, " +
                           std::to_string(counts.thumbnails_kept) + " kept";
  if (counts.thumbnails_left_out > 0) {
    thumbnails += ", " + std::to_string(counts.thumbnails_left_out) + " left out";
  }
  return thumbnails + ". Pages: " + std::to_string(counts.pages.written) + " written, " +
         std::to_string(counts.pages.unchanged) + " unchanged." +
         (counts.copies_made + counts.copies_kept + counts.copies_removed > 0
              ? " Copies: " + std::to_string(counts.copies_made) + " made, " +
                    std::to_string(counts.copies_kept) + " kept, " +
                    std::to_string(counts.copies_removed) + " removed."
              : std::string());
}

int Usage(const std::string& problem) {
  if (!problem.empty()) std::cerr << "parvel-cli: " << problem << "\n";
  std::cerr << kUsage;
  return kExitUsage;
}

int Help() {
  std::cout << "parvel-cli: builds the picture sites of the Parvel Pro catalogue without the "
               "desktop window.\n"
            << kUsage
            << "The data directory (catalogue, settings, samples) is the program's own folder\n"
               "when that holds them and can be written, else $XDG_DATA_HOME/parvel-pro\n"
               "(~/.local/share/parvel-pro); --data-dir names another, made and given the\n"
               "samples when missing or empty. --yes/--no answer every question but one:\n"
               "whether to delete for good what cannot go to the Trash is answered only on a\n"
               "terminal. --help, --version: this text, the version.\n";
  return kExitOk;
}

int CmdSites(Arguments& args) {
  if (!CheckWords(args, 0, 0)) return Usage(args.error);
  CommandEnvironment env(args);
  Catalogue& catalogue = env.catalogue();
  if (!env.catalogue_read()) return kExitFailed;
  const std::vector<std::string> keys = catalogue.keys();
  const std::vector<std::string> names = catalogue.names();
  for (size_t i = 0; i < keys.size(); ++i) {
    catalogue.LoadSite(keys[i]);
    std::cout << keys[i] << '\t' << names[i] << '\t' << catalogue.site().Path << '\n';
    for (const auto& entry :
         LoadRotationList(env.ui(), keys[i], env.options().UseRotations).entries) {
      std::cout << '\t' << entry << '\n';
    }
  }
  return kExitOk;
}

int CmdBuild(Arguments& args) {
  const int rotation = TakeRotation(args);
  const bool all = args.TakeFlag("--all");
  const bool remake = args.TakeFlag("--remake-thumbnails");
  const auto pages = args.TakeValue("--pages");
  const auto jobs_text = args.TakeValue("--jobs");
  // Decodes every scan of a progressive photograph even where the thumbnail's scale leaves some
  // unused: the same pixels, slower; for timing and comparing the two decodes.
  ThumbnailOptions thumbnails;
  if (args.TakeFlag("--whole-scans")) thumbnails.skip_unused_scans = false;
  int jobs = 0;
  if (jobs_text) {
    const auto n = PositiveNumber(*jobs_text);
    if (n)
      jobs = *n;
    else
      args.error = "--jobs takes a number from 1";
  }
  if (all && args.error.empty() && rotation != 1)
    args.error = "--rotation and --all exclude each other";
  if (pages && !PositiveNumber(*pages)) args.error = "--pages takes a number from 1";
  if (!CheckWords(args, 1, 1)) return Usage(args.error);
  CommandEnvironment env(args);
  auto lock = env.LockSettings(true);  // opening may write the first rotation
  if (!lock) return kExitFailed;
  if (!env.SelectSite(args.words[0])) return kExitUsage;
  if (pages) {
    env.ui().Preset(std::string(kNoImagesQuestion), Answer::Yes);
    env.ui().PresetPrompt(std::string(kPageCountCaption), *pages);
  }
  SiteSettings settings;
  std::vector<std::string> templates;
  SiteEditor editor(env.ui(), env.catalogue(), settings, env.options(), templates);
  if (!OpenOnRotation(env, editor, all ? 1 : rotation)) return kExitFailed;
  const SiteBuildRequest request{all, remake, jobs, thumbnails, {}, {}};
  BuildCounts counts;
  const SiteBuildResult result = BuildFromEditor(
      env.ui(), editor, settings, env.catalogue(), env.options(), request, lock,
      [&] { return env.LockSettings(false); }, &counts);
  std::cout << BuildSummary(counts) << '\n';
  if (counts.gps_pictures > 0) {
    std::cerr << "Information: " << LocationNotice(counts.gps_pictures, counts.gps_names) << '\n';
  }
  if (result == SiteBuildResult::NotLocked) return kExitFailed;
  if (!editor.Close()) return kExitFailed;
  // Pictures left out of the pages: the build did not do all it was asked.
  if (counts.thumbnails_left_out > 0) return kExitFailed;
  return result == SiteBuildResult::Built ? kExitOk : kExitFailed;
}

int CmdNewSite(Arguments& args) {
  const auto path = args.TakeValue("--path");
  if (!CheckWords(args, 1, 1)) return Usage(args.error);
  CommandEnvironment env(args);
  const auto lock = env.LockSettings(true);
  if (!lock) return kExitFailed;
  Catalogue& catalogue = env.catalogue();
  const bool rotations = env.options().UseRotations;
  bool confirmed = false;
  catalogue.NewSite(env.ui(), rotations, [&] {
    SiteOptionsForm dialog(env.ui(), catalogue.site(), rotations);
    dialog.set_name(args.words[0]);
    if (path) dialog.set_path(*path);
    // The folder for the new site is what the user asked for: make it without a question.
    env.ui().Preset(CreateSiteDirectoryQuestion(dialog.path()), Answer::Yes);
    confirmed = dialog.Accept(catalogue);
    return confirmed;
  });
  if (!confirmed) return kExitFailed;
  std::cout << catalogue.site().SiteKey << '\n';
  return kExitOk;
}

int CmdShow(Arguments& args) {
  const bool rotation_given = HasOption(args, "--rotation");
  const int rotation = TakeRotation(args);
  if (!CheckWords(args, 1, static_cast<size_t>(-1))) return Usage(args.error);
  // Named keys: each KEY=VALUE on a line, the site's own keys from its record.
  std::vector<std::string> site_keys;
  std::vector<std::string> rotation_keys;
  for (size_t i = 1; i < args.words.size(); ++i) {
    if (const auto site_key = FindSiteKey(args.words[i])) {
      if (rotation_given) return Usage(*site_key + " is a key of the site, not of a rotation");
      site_keys.push_back(*site_key);
    } else if (const auto key = FindRotationKey(args.words[i])) {
      rotation_keys.emplace_back(key->name);
    } else {
      std::cerr << "Unknown settings key: " << args.words[i] << "\n";
      return kExitUsage;
    }
  }
  CommandEnvironment env(args);
  if (!env.SelectSite(args.words[0])) return kExitUsage;
  for (const auto& key : site_keys) {
    std::cout << key << "=" << SiteValue(env.catalogue().site(), key) << "\n";
  }
  if (!site_keys.empty() && rotation_keys.empty()) return kExitOk;
  SiteSettings settings;
  std::vector<std::string> templates;
  SiteEditor editor(env.ui(), env.catalogue(), settings, env.options(), templates);
  if (!OpenOnRotation(env, editor, rotation)) return kExitFailed;
  IniFile section;
  WriteRotationSection(section, settings, rotation, SavedKeys::WithStatusAndPath);
  if (site_keys.empty() && rotation_keys.empty()) {
    std::cout << "[" << RotationSection(rotation) << "]\n";
    rotation_keys = section.Keys(RotationSection(rotation));
  }
  for (const auto& key : rotation_keys) {
    std::cout << key << "=" << section.Get(RotationSection(rotation), key).value_or("") << "\n";
  }
  return kExitOk;
}

int CmdSet(Arguments& args) {
  const bool rotation_given = HasOption(args, "--rotation");
  const int rotation = TakeRotation(args);
  if (!CheckWords(args, 2, static_cast<size_t>(-1))) return Usage(args.error);
  // Every assignment is checked before anything is loaded or saved.
  std::vector<std::pair<std::string, std::string>> assignments;
  std::vector<std::pair<std::string, std::string>> site_assignments;
  for (size_t i = 1; i < args.words.size(); ++i) {
    const std::string& word = args.words[i];
    const size_t eq = word.find('=');
    if (const auto site_key =
            eq == std::string::npos ? std::nullopt : FindSiteKey(word.substr(0, eq))) {
      if (rotation_given) return Usage(*site_key + " is a key of the site, not of a rotation");
      const std::string value = word.substr(eq + 1);
      if (const std::string why = CheckSiteValue(*site_key, value); !why.empty()) {
        std::cerr << "The value of " << *site_key << ", " << value << ", is " << why << "\n";
        return kExitUsage;
      }
      site_assignments.emplace_back(*site_key, value);
      continue;
    }
    const auto key = eq == std::string::npos ? std::nullopt : FindRotationKey(word.substr(0, eq));
    if (!key) {
      std::cerr << "Unknown settings key: " << word.substr(0, eq) << "\n";
      return kExitUsage;
    }
    const std::string value = word.substr(eq + 1);
    if (const std::string why = CheckSettingValue(*key, value); !why.empty()) {
      std::cerr << "The value of " << key->name << ", " << value << ", is " << why << "\n";
      return kExitUsage;
    }
    assignments.emplace_back(std::string(key->name), value);
  }
  CommandEnvironment env(args);
  // Held from reading the settings to saving them, so that no other program's save falls between.
  const auto lock = env.LockSettings(true);
  if (!lock) return kExitFailed;
  if (!env.SelectSite(args.words[0])) return kExitUsage;
  if (!site_assignments.empty()) {
    for (const auto& [key, value] : site_assignments) {
      SetSiteValue(env.catalogue().site(), key, value);
    }
    if (!env.catalogue().SaveCurrentSite()) {
      std::cerr << "The settings of the site could not be saved in "
                << SiteSettingsFileName(env.catalogue().site().SiteKey) << "\n";
      return kExitFailed;
    }
    if (assignments.empty()) return kExitOk;
  }
  SiteSettings settings;
  std::vector<std::string> templates;
  SiteEditor editor(env.ui(), env.catalogue(), settings, env.options(), templates);
  if (!OpenOnRotation(env, editor, rotation)) return kExitFailed;
  // The section as the editor would save it, with the new values, read back with the rules of
  // loading a section: clamps, modes and derived switches follow as they do from a file.
  IniFile section;
  WriteRotationSection(section, settings, rotation, SavedKeys::WithStatusAndPath);
  for (const auto& [key, value] : assignments) section.Set(RotationSection(rotation), key, value);
  if (!LoadRotationFrom(section, settings, editor.context(), rotation,
                        {.with_path = true, .make_current = true})) {
    std::cerr << "The settings could not be read back\n";
    return kExitFailed;
  }
  return editor.Close() ? kExitOk : kExitFailed;
}

int CmdRotate(Arguments& args) {
  if (!CheckWords(args, 0, 0)) return Usage(args.error);
  CommandEnvironment env(args);
  const TurnwheelResult result = RotateSites(PublishToLive);
  for (const auto& line : result.Lines()) std::cout << line << '\n';
  return result.ok ? kExitOk : kExitFailed;
}

int CmdPublish(Arguments& args) {
  const bool rotation_given = HasOption(args, "--rotation");
  const int rotation = TakeRotation(args);
  if (!CheckWords(args, 1, 1)) return Usage(args.error);
  CommandEnvironment env(args);
  if (!env.SelectSite(args.words[0])) return kExitUsage;
  const SiteRecord& site = env.catalogue().site();
  const auto fail = [&](const std::string& text) {
    env.ui().Warn(text);
    return kExitFailed;
  };
  if (Trim(site.Publish_URL).empty()) {
    return fail("The site " + site.Name +
                " has no address to publish to: set one with "
                "parvel-cli set " +
                site.SiteKey + " Publish_URL=sftp://user@host/folder");
  }
  std::string why;
  const auto address = ParsePublishUrl(site.Publish_URL, &why);
  if (!address) return fail(kPublishAddressPrefix + site.Publish_URL + ", is " + why);
  IniFile ini(SiteSettingsFileName(site.SiteKey));
  ini.Load();
  const bool rotations = env.options().UseRotations;
  const int count = ListedRotationCount(ini, rotations);
  const int number = rotation_given ? rotation : DefaultPublishRotation(ini, count, rotations);
  if (number > count) {
    return fail("The site " + site.Name + " has " + IntToStr(count) + " rotation" +
                (count == 1 ? "" : "s") + "; there is no rotation " + IntToStr(number));
  }
  const std::string dir =
      FixPath(RotationDirectory(ini, FixPath(site.Path, true), number, rotations), true);
  if (!FileExists(dir + site.BaseHTMLName)) {
    return fail("Rotation " + IntToStr(number) + " is not built (" + dir + " holds no " +
                site.BaseHTMLName + "): nothing was published");
  }
  ConsoleQuestions questions(args.policy, ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO));
  const PublishResult result = PublishFolder(
      env.ui(), questions, dir, *address, SiteRotationSelection(site.SiteKey, number, rotations));
  if (!result.ok()) return fail(result.message);
  std::cout << result.message << '\n';
  return kExitOk;
}

int CmdQuick(Arguments& args) {
  const auto template_file = args.TakeValue("--template");
  if (!CheckWords(args, 1, 1)) return Usage(args.error);
  CommandEnvironment env(args);
  const std::string folder = FixPath(args.words[0], true);
  if (!DirectoryExists(folder)) {
    std::cerr << "The folder " << folder << " does not exist\n";
    return kExitUsage;
  }
  // The default page settings with the sample template and the sample navigation graphics.
  SiteSettings settings;
  settings.Style_File =
      template_file ? *template_file : DataDirectory() + "Styles/Sample_With_Index.htm";
  settings.Rotation_Path = folder;
  const std::string previous = DataDirectory() + "Samples/Previous.gif";
  const std::string next = DataDirectory() + "Samples/Next.gif";
  if (FileExists(previous) && FileExists(next)) {
    settings.Previous_Page_File = previous;
    settings.Next_Page_File = next;
    settings.prev_next_image_buttons = true;
  }
  SiteRecord site;
  site.Path = folder;
  site.BaseHTMLName = "Index.html";
  // Without a catalogue entry the record of what builds wrote is the folder's own.
  BuildInputs inputs = BuildInputsFor(site, env.options());
  inputs.record_file = FolderBuildRecordPath(folder);
  BuildState state(env.ui(), settings, std::move(inputs));
  if (!state.PreBuildChecks(true)) return kExitFailed;
  state.FillImageList();
  if (!state.Start()) return kExitFailed;
  std::cout << folder << site.BaseHTMLName << '\n';
  return state.left_out().empty() ? kExitOk : kExitFailed;
}

int CmdAdd(Arguments& args) {
  const int rotation = TakeRotation(args);
  if (!CheckWords(args, 2, static_cast<size_t>(-1))) return Usage(args.error);
  CommandEnvironment env(args);
  std::string directory;
  {
    auto lock = env.LockSettings(true);  // opening may write the first rotation
    if (!lock) return kExitFailed;
    if (!env.SelectSite(args.words[0])) return kExitUsage;
    SiteSettings settings;
    std::vector<std::string> templates;
    SiteEditor editor(env.ui(), env.catalogue(), settings, env.options(), templates);
    if (!OpenOnRotation(env, editor, rotation)) return kExitFailed;
    // A rotation whose folder is missing is listed but not loaded; the editor's line names the
    // folder it looked for (a failed save has said so itself).
    if (editor.current_rotation() != rotation) {
      if (!editor.status_line().empty()) env.ui().Warn(editor.status_line());
      return kExitFailed;
    }
    directory = FixPath(editor.rotation_directory(), false);
  }
  if (!DirectoryExists(directory)) {
    env.ui().Warn(MissingDirectoryMessage(directory));
    return kExitFailed;
  }
  // The files go in as if dropped onto the rotation's image list, in the order given.
  const std::vector<std::string> files(args.words.begin() + 1, args.words.end());
  std::size_t added = 0;
  DropFiles(env.ui(), files, directory, env.options().DefaultJPEGCompression, &added);
  std::cout << added << " of " << files.size() << " file" << (files.size() == 1 ? "" : "s")
            << " added to " << directory << "\n";
  return added == files.size() ? kExitOk : kExitFailed;
}

int CmdDeleteSite(Arguments& args) {
  if (!CheckWords(args, 1, 1)) return Usage(args.error);
  CommandEnvironment env(args);
  if (!env.catalogue_read()) return kExitFailed;
  if (!env.SelectSite(args.words[0])) return kExitUsage;
  Catalogue& catalogue = env.catalogue();
  const bool rotations = env.options().UseRotations;
  // Asked before the lock is taken: a person may take their time, the other programs may not
  // wait that long.
  if (const std::string problem = catalogue.DeleteProblem(rotations); !problem.empty()) {
    env.ui().Warn(problem);
    return kExitFailed;
  }
  const std::string key = catalogue.site().SiteKey;
  if (!env.ui().ConfirmDelete(catalogue.DeleteQuestion())) return kExitFailed;
  const auto lock = env.LockSettings(true);
  if (!lock) return kExitFailed;
  // Read again under the lock: what another program saved meanwhile is what is deleted.
  if (!env.SelectSite(key)) return kExitUsage;
  const bool deleted = catalogue.DeleteCurrentSite(env.ui(), rotations);
  for (const std::string& listed : catalogue.keys()) {
    if (EqualsNoCase(listed, key)) return kExitFailed;
  }
  std::cout << "Deleted " << key << '\n';
  return deleted ? kExitOk : kExitFailed;
}

}  // namespace parvel::cli
