#include "cli/commands.h"

#include <iostream>

#include "base/textutil.h"
#include "builder/build.h"
#include "builder/sitebuild.h"
#include "images/addimage.h"
#include "model/editsite.h"
#include "model/paths.h"
#include "model/settingskeys.h"
#include "model/siteoptions.h"
#include "model/turnwheel.h"
#include "platform/filesystem.h"

namespace parvel::cli {
namespace {

constexpr const char* kUsage =
    "usage: parvel-cli [--data-dir DIR] COMMAND ...\n"
    "  sites\n"
    "  build SITE [--rotation N | --all] [--remake-thumbnails] [--pages N] [--jobs N]\n"
    "        [--whole-scans] [--yes | --no]\n"
    "  new-site NAME [--path DIR]\n"
    "  set SITE [--rotation N] KEY=VALUE...\n"
    "  show SITE [--rotation N]\n"
    "  rotate\n"
    "  quick FOLDER [--template FILE] [--yes | --no]\n"
    "  add SITE [--rotation N] [--yes | --no] FILE...\n";

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
    args.error = "unknown option " + unknown;
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

}  // namespace

std::string BuildSummary(const BuildCounts& counts) {
  return "Thumbnails: " + std::to_string(counts.thumbnails_made) + " made, " +
         std::to_string(counts.thumbnails_kept) +
         " kept. Pages: " + std::to_string(counts.pages.written) + " written, " +
         std::to_string(counts.pages.unchanged) + " unchanged.";
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
               "samples when missing or empty. --yes/--no answer every question. --help,\n"
               "--version: this text, the version.\n";
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
    catalogue.loadsite(keys[i]);
    std::cout << keys[i] << '\t' << names[i] << '\t' << catalogue.site().Path << '\n';
    for (const auto& entry :
         loadrotationlist(env.ui(), keys[i], env.options().UseRotations).entries) {
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
  const SiteBuildRequest request{all, remake, jobs, thumbnails, {}};
  BuildCounts counts;
  const SiteBuildResult result = BuildFromEditor(
      env.ui(), editor, settings, env.catalogue(), env.options(), request, lock,
      [&] { return env.LockSettings(false); }, &counts);
  std::cout << BuildSummary(counts) << '\n';
  if (result == SiteBuildResult::NotLocked) return kExitFailed;
  if (!editor.Close()) return kExitFailed;
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
    SiteOptionsDialog dialog(env.ui(), catalogue.site(), rotations);
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
  const int rotation = TakeRotation(args);
  if (!CheckWords(args, 1, 1)) return Usage(args.error);
  CommandEnvironment env(args);
  if (!env.SelectSite(args.words[0])) return kExitUsage;
  SiteSettings settings;
  std::vector<std::string> templates;
  SiteEditor editor(env.ui(), env.catalogue(), settings, env.options(), templates);
  if (!OpenOnRotation(env, editor, rotation)) return kExitFailed;
  IniFile section;
  WriteRotationSection(section, settings, rotation, SavedKeys::WithStatusAndPath);
  std::cout << "[" << RotationSection(rotation) << "]\n";
  for (const auto& key : section.Keys(RotationSection(rotation))) {
    std::cout << key << "=" << section.Get(RotationSection(rotation), key).value_or("") << "\n";
  }
  return kExitOk;
}

int CmdSet(Arguments& args) {
  const int rotation = TakeRotation(args);
  if (!CheckWords(args, 2, static_cast<size_t>(-1))) return Usage(args.error);
  // Every assignment is checked before anything is loaded or saved.
  std::vector<std::pair<std::string, std::string>> assignments;
  for (size_t i = 1; i < args.words.size(); ++i) {
    const std::string& word = args.words[i];
    const size_t eq = word.find('=');
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
  const TurnwheelResult result = RotateSites();
  for (const auto& line : result.Lines()) std::cout << line << '\n';
  return result.ok ? kExitOk : kExitFailed;
}

int CmdQuick(Arguments& args) {
  const auto template_file = args.TakeValue("--template");
  if (!CheckWords(args, 1, 1)) return Usage(args.error);
  CommandEnvironment env(args);
  const std::string folder = fixpath(args.words[0], true);
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
  tsiterecord site;
  site.Path = folder;
  site.BaseHTMLName = "Index.html";
  BuildState state(env.ui(), settings, BuildInputsFor(site, env.options()));
  if (!state.PreBuildChecks(true)) return kExitFailed;
  state.FillImageList();
  if (!state.Start()) return kExitFailed;
  std::cout << folder << site.BaseHTMLName << '\n';
  return kExitOk;
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
    directory = fixpath(editor.rotation_directory(), false);
  }
  if (!DirectoryExists(directory)) {
    env.ui().Warn("Error!  The directory, " + directory + ", could not be located!");
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

}  // namespace parvel::cli
