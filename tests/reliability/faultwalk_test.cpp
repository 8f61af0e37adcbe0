// Walks a failure over every write of the main flows: each flow is first run on a healthy disk to
// count its operations through the file seam, then once per operation N with the N-th failing
// ("disk full" and "permission denied"; once, and from N on). Every run must show the message
// named for that failure exactly once, report the failure, and leave every file whole: its old
// content, its content at a step of the healthy run, or (only where nothing can be undone) a
// version the run wrote whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "builder/build.h"
#include "builder/build_site.h"
#include "builder/descriptions.h"
#include "builder/messages.h"
#include "builder/pagebuttons.h"
#include "builder/thumbnail.h"
#include "model/buildrecord.h"
#include "model/catalogue.h"
#include "model/editsite.h"
#include "model/options.h"
#include "model/paths.h"
#include "model/siteoptions.h"
#include "model/sitesettings.h"
#include "model/turnwheel.h"
#include "platform/filesystem.h"
#include "support/faulty_filesystem.h"
#include "support/scripted_interaction.h"
#include "support/testsupport.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using namespace testing;  // the test support

// One operation through the seam; paths relative to the run's root folder where they lie in it.
struct Op {
  std::string kind;   // "WriteFileAtomic", "CopyFile", ...
  std::string path;   // the file or directory written, made, removed, or the rename target
  std::string other;  // CopyFile's source, Rename's old name
  std::string phase;  // the step of the flow that made it
  int seq = 0;        // how many operations on the same path that step made before this one
};

// The text with the run's root folder written as "<root>/", so that two runs compare.
std::string WithoutRoot(std::string text, const std::string& root) {
  for (size_t at = text.find(root); at != std::string::npos; at = text.find(root, at))
    text.replace(at, root.size(), "<root>/");
  return text;
}

// Relative path -> contents (WithoutRoot) of every regular file below `dir`.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& dir, const std::string& root) {
  Snapshot snapshot = testing::ReadTree(dir);
  std::erase_if(snapshot, [](const auto& entry) { return entry.second == "/"; });
  for (auto& [path, text] : snapshot) text = WithoutRoot(text, root);
  return snapshot;
}

// Passes every operation to `inner` (a FaultyFileSystem) and logs it, so that op number N of the
// log is the N-th operation the faulty system counts; notes every content a successful write,
// copy or rename put whole into a file.
class RecordingFileSystem : public FileSystem {
 public:
  RecordingFileSystem(FileSystem& inner, std::string root)
      : inner_(inner), root_(std::move(root)) {}

  // Starts a named step; `on_phase` (when set) runs first, e.g. to snapshot the disk.
  void SetPhase(std::string name) {
    if (on_phase) on_phase();
    phase = std::move(name);
  }
  std::function<void()> on_phase;
  std::string phase;
  std::vector<Op> ops;
  std::map<std::string, std::set<std::string>> written;  // path -> contents put whole into it

  bool WriteFileAtomic(const std::string& p, std::string_view c, std::string* e) override {
    return Log("WriteFileAtomic", p) && Note(p, inner_.WriteFileAtomic(p, c, e), c);
  }
  bool WriteFileReplace(const std::string& p, std::string_view c, std::string* e) override {
    return Log("WriteFileReplace", p) && Note(p, inner_.WriteFileReplace(p, c, e), c);
  }
  bool CopyFile(const std::string& from, const std::string& to, std::string* e) override {
    return Log("CopyFile", to, from) && Note(to, inner_.CopyFile(from, to, e));
  }
  bool CreateDirectory(const std::string& p, std::string* e) override {
    return Log("CreateDirectory", p) && inner_.CreateDirectory(p, e);
  }
  bool Remove(const std::string& p, std::string* e) override {
    return Log("Remove", p) && inner_.Remove(p, e);
  }
  bool RemoveAll(const std::string& p, std::string* e) override {
    return Log("RemoveAll", p) && inner_.RemoveAll(p, e);
  }
  bool MakeWritable(const std::string& p, std::string* e) override {
    return Log("MakeWritable", p) && inner_.MakeWritable(p, e);
  }
  bool Rename(const std::string& from, const std::string& to, std::string* e) override {
    return Log("Rename", to, from) && Note(to, inner_.Rename(from, to, e));
  }
  bool Exchange(const std::string& a, const std::string& b, std::string* e) override {
    return Log("Exchange", b, a) && Note(b, Note(a, inner_.Exchange(a, b, e)));
  }
  bool Link(const std::string& from, const std::string& to, std::string* e) override {
    return Log("Link", to, from) && Note(to, inner_.Link(from, to, e));
  }

  TrashResult MoveToTrash(const std::string& p, std::string* e) override {
    Log("MoveToTrash", p);
    return inner_.MoveToTrash(p, e);
  }

 private:
  // Logged before the inner file system runs it, so that the log counts as the faulty one does.
  bool Log(const char* kind, const std::string& path, const std::string& other = {}) {
    Op op{kind, Relative(path), other.empty() ? other : Relative(other), phase, 0};
    op.seq = static_cast<int>(std::count_if(ops.begin(), ops.end(), [&](const Op& before) {
      return before.phase == op.phase && before.path == op.path;
    }));
    ops.push_back(std::move(op));
    return true;
  }
  // After a successful operation: notes `contents`, or else what the file (or every file below
  // the directory) at `path` holds.
  bool Note(const std::string& path, bool ok,
            std::optional<std::string_view> contents = std::nullopt) {
    if (ok && contents) {
      written[Relative(path)].insert(WithoutRoot(std::string(*contents), root_));
    } else if (ok && fs::is_directory(path)) {
      for (const auto& [name, text] : TakeSnapshot(path, root_))
        written[Relative(path + "/" + name)].insert(text);
    } else if (ok) {
      written[Relative(path)].insert(WithoutRoot(testing::ReadFile(path), root_));
    }
    return ok;
  }
  std::string Relative(const std::string& path) const {
    const std::string normal = fs::path(path).lexically_normal().string();
    return normal.compare(0, root_.size(), root_) == 0 ? normal.substr(root_.size()) : normal;
  }
  FileSystem& inner_;
  std::string root_;
};

// A scripted user who answers a question by the first rule whose text starts the question;
// a question no rule covers is recorded as unexpected.
class RuleUser : public ScriptedInteraction {
 public:
  void Answer(std::string prefix, parvel::Answer answer) { rules_.emplace_back(prefix, answer); }
  parvel::Answer Message(MessageKind kind, std::string_view text, Buttons buttons) override {
    const auto rule = std::ranges::find_if(
        rules_, [&](const auto& rule) { return text.starts_with(rule.first); });
    if (buttons != Buttons::Ok && rule != rules_.end()) QueueAnswer(rule->second);
    return ScriptedInteraction::Message(kind, text, buttons);
  }

 private:
  std::vector<std::pair<std::string, parvel::Answer>> rules_;
};

// Everything one run of a flow works on, made afresh for every run.
struct World {
  TempDir tmp;
  std::string root = tmp.path();
  std::string data = tmp / "data/";
  RuleUser ui;
  AppOptions options;
  RecentTemplates recent;
  std::vector<std::string> style_templates;
  Catalogue catalogue;
  SiteSettings settings;
  std::unique_ptr<SiteEditor> editor;
  std::map<std::string, bool> results;  // per step: false once a call of it reported failure
  std::vector<std::string> report;      // the rotation program's report lines

  World() {
    fs::create_directories(data);
    SetDataDirectory(data);
    options.UseRotations = true;
  }
  void Result(const std::string& phase, bool ok) {
    results.try_emplace(phase, true).first->second &= ok;
  }
  void OpenEditor() {
    editor = std::make_unique<SiteEditor>(ui, catalogue, settings, options, style_templates);
    editor->Open();
  }
};

// What the failure of one operation must lead to.
struct Expectation {
  std::vector<std::string> messages;  // shown in this order, each once (single failure)
  bool fails = false;                 // the step reports failure
  bool reported = false;              // the rotation report names the error once
};

struct Flow {
  const char* name;
  std::function<void(World&)> arrange;
  // Runs the flow in the step "run" (or in steps of its own): whether it reported success.
  std::function<bool(World&, RecordingFileSystem&)> run;
  std::function<Expectation(const World&, const Op&)> expect;
  // Files that may hold any version written whole in the run (pages made with a text index
  // after the buttons failed), besides their old and new content; none when unset.
  std::function<bool(const std::string&)> any_whole_version = nullptr;
  // Several user actions: in a failure from then on, each may report it.
  bool one_action = true;
};

std::string Describe(const Op& op) {
  return op.kind + "(" + op.path + (op.other.empty() ? "" : " <- " + op.other) + ") in '" +
         op.phase + "'";
}

// The contents of `path` in `snapshot`, nullopt when absent.
std::optional<std::string> At(const Snapshot& snapshot, const std::string& path) {
  const auto it = snapshot.find(path);
  return it == snapshot.end() ? std::nullopt : std::optional(it->second);
}

// Every file holds what it held (or lacked) at a step boundary of the healthy run, or else, where
// that is allowed, a content this run wrote whole.
void CheckFiles(const Flow& flow, const std::vector<Snapshot>& healthy, const Snapshot& after,
                const RecordingFileSystem& recorder, bool sticky, const std::string& label) {
  std::set<std::string> paths;
  for (const Snapshot& snapshot : healthy)
    for (const auto& [path, text] : snapshot) paths.insert(path);
  for (const auto& [path, text] : after) paths.insert(path);
  for (const auto& path : paths) {
    const std::optional<std::string> now = At(after, path);
    if (std::ranges::any_of(healthy, [&](const auto& s) { return At(s, path) == now; })) continue;
    const bool whole_allowed = sticky || (flow.any_whole_version && flow.any_whole_version(path));
    const auto written = recorder.written.find(path);
    if (now && whole_allowed && written != recorder.written.end() &&
        written->second.contains(*now)) {
      continue;
    }
    ADD_FAILURE() << label << ": " << path << " holds neither its old nor its new content:\n"
                  << (now ? now->substr(0, 400) : "(it was lost)");
  }
}

// Runs the walk for one flow.
void WalkFlow(const Flow& flow) {
  // One run, in the step "run" unless the flow names steps of its own.
  const auto run = [&](World& world, RecordingFileSystem& recorder) {
    ScopedFileSystem scope(recorder);
    recorder.SetPhase("run");
    const bool ok = flow.run(world, recorder);
    world.Result(recorder.phase, ok);
  };
  // The healthy run: its operations, and the disk at every step boundary.
  std::vector<Op> ops;
  std::vector<Snapshot> boundaries;
  std::set<std::string> routine;  // questions the healthy run asks as well
  {
    World world;
    flow.arrange(world);
    boundaries.push_back(TakeSnapshot(world.root, world.root));
    FaultyFileSystem faulty(RealFileSystem());
    RecordingFileSystem recorder(faulty, world.root);
    recorder.on_phase = [&] { boundaries.push_back(TakeSnapshot(world.root, world.root)); };
    run(world, recorder);
    boundaries.push_back(TakeSnapshot(world.root, world.root));
    for (const auto& text : world.ui.texts()) routine.insert(WithoutRoot(text, world.root));
    EXPECT_EQ(world.ui.unexpected(), std::vector<std::string>{}) << flow.name;
    for (const auto& [phase, ok] : world.results) EXPECT_TRUE(ok) << flow.name << ": " << phase;
    ops = recorder.ops;
  }
  EXPECT_FALSE(ops.empty()) << flow.name;

  for (int n = 1; n <= static_cast<int>(ops.size()); ++n) {
    const Op& op = ops[n - 1];
    for (const char* error : {"No space left on device", "Permission denied"}) {
      for (bool sticky : {false, true}) {
        const std::string label = std::string(flow.name) + " #" + std::to_string(n) + " " +
                                  Describe(op) + " " + error + (sticky ? " from then on" : "");
        World world;
        flow.arrange(world);
        FaultyFileSystem faulty(RealFileSystem());
        RecordingFileSystem recorder(faulty, world.root);
        faulty.FailAt(n, error, sticky);
        run(world, recorder);
        ASSERT_GE(recorder.ops.size(), static_cast<size_t>(n)) << label;
        EXPECT_EQ(Describe(recorder.ops[n - 1]), Describe(op)) << label;
        const Expectation expect = flow.expect(world, op);
        std::vector<std::string> shown = world.ui.texts();
        std::erase_if(shown, [&](const auto& text) {
          return routine.contains(WithoutRoot(text, world.root));
        });
        if (!sticky) {
          EXPECT_EQ(shown, expect.messages) << label;
        } else if (!expect.messages.empty()) {  // from then on: the named message comes first
          EXPECT_EQ(shown.empty() ? "" : shown.front(), expect.messages.front()) << label;
        }
        if (sticky && flow.one_action) {  // from then on, one user action shows each message once
          EXPECT_EQ(std::set(shown.begin(), shown.end()).size(), shown.size()) << label;
        }
        EXPECT_EQ(world.ui.unexpected(), std::vector<std::string>{}) << label;
        if (expect.fails) {
          EXPECT_FALSE(world.results.count(op.phase) != 0 && world.results.at(op.phase))
              << label << ": the failure was reported as success";
        } else if (!sticky) {
          for (const auto& [phase, ok] : world.results) EXPECT_TRUE(ok) << label << ": " << phase;
        }
        if (expect.reported && !sticky) {  // the rotation report names the error once
          const std::string report = ::testing::PrintToString(world.report);
          const size_t at = report.find(error);
          EXPECT_TRUE(at != std::string::npos && at == report.rfind(error)) << label << report;
        }
        CheckFiles(flow, boundaries, TakeSnapshot(world.root, world.root), recorder, sticky, label);
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
  std::cout << "[faultwalk] " << flow.name << ": " << ops.size() << " write positions x 4 runs\n";
}

// ---- Shared site material.

// Site_1 with three rotations, each with a file in its own directory, open in the editor.
void MakeThreeRotations(World& w) {
  std::string text = "[General]\r\nName=Walk\r\nPath=%/Site_1/\r\nRotationCount=3\r\n";
  for (int n = 1; n <= 3; ++n) {
    const std::string section = "Rotation_" + std::to_string(n);
    text += "[" + section + "]\r\nStatus=" + std::to_string(n - 1) + "\r\nRotation_Path=%/Site_1/" +
            section + "/\r\nThumb_Width=" + std::to_string(100 + n) + "\r\n";
    WriteFile(w.data + "Site_1/" + section + "/a.jpg", "image " + std::to_string(n));
  }
  WriteFile(w.data + "Site_1.ini", text);
  WriteFile(w.data + "sites.ini", "[Sites]\r\nSite_1=Walk\r\n");
  w.catalogue.ReadSites();
  w.catalogue.SelectSite(0, true);
  w.OpenEditor();
}

// ---- New Site, its site options, the editor's first rotation, and the saves at the end.

std::string CreateDirectoryWarning(const std::string& dir) {
  return "An error was encountered whilst trying to create the directory, " + dir;
}

const Flow kNewSite{
    "NewSiteSiteOptionsAndSaving",
    [](World& w) {
      WriteFile(w.data + "sites.ini", "[Sites]\r\nSite_1=Old\r\n");
      WriteFile(w.data + "Site_1.ini", "[General]\r\nName=Old\r\nPath=%/Site_1/\r\n");
      WriteFile(w.data + "options.ini", "[Options]\r\nUseRotations=True\r\n");
      WriteFile(w.data + "recent_styles.txt", "/old/a.htm\r\n");
      WriteFile(w.data + "recent_image_styles.txt", "/old/b.htm\r\n");
      w.catalogue.ReadSites();
      w.ui.Answer("The directory, ", Answer::Yes);
      w.recent.styles = {"/new/a.htm", "/new/c.htm"};
      w.recent.image_styles = {"/new/b.htm"};
      w.options.MaxFilenameLength = 40;
    },
    [](World& w, RecordingFileSystem& rec) {
      rec.SetPhase("new site");
      w.catalogue.NewSite(w.ui, true, [&] {
        rec.SetPhase("site options");
        SiteOptionsForm dialog(w.ui, w.catalogue.site(), true);
        dialog.set_name("Holiday");
        dialog.set_path(w.data + "holiday/");
        dialog.set_base_html_name("home");
        const bool ok = dialog.Accept(w.catalogue);
        w.Result("site options", ok);
        return ok;  // a refused OK stands for the user cancelling the dialog then
      });
      if (w.catalogue.site().SiteKey.empty()) return true;
      rec.SetPhase("editor");
      w.OpenEditor();
      w.Result("editor", w.editor->current_rotation() == 1 && !w.editor->title().empty());
      rec.SetPhase("close");
      w.Result("close", w.editor->Close());
      rec.SetPhase("options");
      w.Result("options", w.options.Write());
      rec.SetPhase("recent");
      return w.recent.Write();
    },
    [](const World& w, const Op& op) -> Expectation {
      if (op.phase == "new site") {
        return {
            {"Error encountered creating new site!  Ensure you have write access and "
             "sufficient disk space for your data directory, " +
             w.data + "!"}};
      }
      if (op.phase == "site options") {
        if (op.kind == "CreateDirectory") {
          return {{CreateDirectoryWarning(w.data + "holiday/"),
                   CreateSiteDirectoryFailedMessage(w.data + "holiday/")},
                  true};
        }
        return {{std::string(kSaveSiteFailedMessage)}, true};
      }
      if (op.phase == "editor") {
        if (op.kind == "CreateDirectory") {
          return {{CreateDirectoryWarning(w.data + "holiday/Rotation_1/"),
                   std::string(kNewRotationFailedMessage)},
                  true};
        }
        // The first save counts the rotation; the second stores the rotation's settings, and
        // when it fails the editor saves them again as it selects the first rotation.
        if (op.seq == 0) return {{std::string(kSaveSiteFailedMessage)}, true};
        return {{std::string(kSaveRotationWarning)}, false};
      }
      if (op.phase == "close") {
        // The rotation's settings first, then the site record.
        return {{std::string(op.seq == 0 ? kSaveRotationWarning : kSaveSiteFailedMessage)}, true};
      }
      return {{}, true};  // options.ini and the recent lists: the main window reports them
    },
    {},
    false,
};

// ---- A full build over a site built before: copied graphics, page buttons, thumbnails, image
// pages, thumbnail pages with a rotating header list, captions from a comma-separated file.

void SetUpBuild(World& w, bool old) {
  const std::string styles = w.root + "styles/";
  SiteSettings& s = w.settings;
  s.Rotation_Path = w.root + "site/";
  s.Style_File = styles + "thumbs.htm";
  s.Image_Style_File = styles + "image.htm";
  s.DisplayAsImage = false;
  s.Horizontal_Thumb_Count = 1;
  s.Vertical_Thumb_Count = 2;
  s.prev_next_image_buttons = s.index_image_buttons = true;
  s.Next_Page_File = styles + "next.gif";
  s.Previous_Page_File = styles + "prev.gif";
  s.Return_To_Index_File = styles + "back.gif";
  s.Selected_Page_Index_File = styles + "on.jpg";
  s.Other_Page_Index_File = styles + "off.jpg";
  s.Filename_Display = FilenameDisplay::DescriptionFile;
  s.Description_File = styles + "captions.csv";
  s.Image_Header_Mode = s.Image_Footer_Mode = ImageHeaderMode::SameAsIndex;
  s.Footer_Mode = HeaderMode::Html;
  s.Footer_HTML = old ? "old footer" : "new footer";
  s.Header_Mode = old ? HeaderMode::Html : HeaderMode::List;
  s.Header_HTML = "old header";
  s.Header_File = styles + "headers.txt";
  const std::string nav = old ? "old " : "new ";
  for (const char* name : {"next.gif", "prev.gif", "back.gif"})
    WriteFile(styles + name, nav + name);
  WriteFile(styles + "captions.csv", old ? "img1.jpg,Old one\r\n" : "img1.jpg,First, of three\r\n");
}

bool RunBuild(World& w) {
  BuildInputs inputs;
  // A record named alike in every run (the folder's own is named by its path).
  inputs.record_file = BuildRecordPath("Site_1", 1);
  BuildState state(w.ui, w.settings, inputs);
  state.set_no_recreate(false);
  if (!state.PreBuildChecks(true)) return false;
  state.FillImageList();
  return state.Start();
}

const Flow kBuild{
    "FullBuild",
    [](World& w) {
      const std::string styles = w.root + "styles/";
      WriteFile(styles + "thumbs.htm", testing::kTemplate);
      WriteFile(styles + "image.htm", testing::kTemplate);
      WriteFile(styles + "headers.txt", "first header\r\nsecond|header\r\n");
      fs::create_directories(w.root + "site");
      testing::MakeJpeg(styles + "on.jpg", {250, 250, 0});
      testing::MakeJpeg(styles + "off.jpg", {0, 120, 250});
      for (int i = 1; i <= 3; ++i) {
        testing::MakeJpeg(w.root + "site/img" + std::to_string(i) + ".jpg",
                          {static_cast<uint8_t>(60 * i), 20, 90});
        // Thumbnails record their photograph's time: every run must see the same times.
        fs::last_write_time(w.root + "site/img" + std::to_string(i) + ".jpg",
                            fs::file_time_type(std::chrono::hours(1000 + i)));
      }
      // The site was built before with other headers, footers, captions and graphics.
      SetUpBuild(w, true);
      ASSERT_TRUE(RunBuild(w)) << ::testing::PrintToString(w.ui.texts());
      w.ui.Clear();
      // Built before the record of what builds wrote was kept: the run asks (Yes) and records.
      fs::remove(BuildRecordPath("Site_1", 1));
      w.ui.Answer("The build would replace these files that it did not make", Answer::Yes);
      SetUpBuild(w, false);
      w.ui.Answer(std::string(kButtonErrorQuestion), Answer::Ok);
      w.ui.Answer(std::string(kThumbnailErrorQuestion), Answer::No);
    },
    [](World& w, RecordingFileSystem&) { return RunBuild(w); },
    [](const World& w, const Op& op) -> Expectation {
      const std::string name = fs::path(op.path).filename().string();
      // The record of what the build wrote: the build is done; the next one asks again.
      if (op.path.find("records/") != std::string::npos)
        return {{RecordNotSavedMessage(BuildRecordPath("Site_1", 1))}, false};
      if (op.path.ends_with("~captions.ini")) {
        if (op.kind == "Remove") return {};  // the temporary file stays; no harm done
        return {{std::string(kDescriptionFileError)}, true};
      }
      if (op.kind == "CopyFile" || op.kind == "Rename" ||
          (op.kind == "Remove" && name.find(".gif") != std::string::npos)) {
        // Copies go to a temporary name first; the source is the styles folder's file.
        std::string target = op.kind == "CopyFile" ? fs::path(op.other).filename().string() : name;
        return {
            {"An error was encountered copying the file, " + w.root + "styles/" + target + "!"}};
      }
      if (name.find("Page_Button_") != std::string::npos)
        return {{std::string(kButtonErrorQuestion)}};
      if (op.path.starts_with("site/thumbs/")) {
        const std::string image = name.substr(0, name.find("_thb")) + ".jpg";
        return {{std::string(kThumbnailErrorQuestion), ThumbnailFailedMessage(image)}, true};
      }
      if (name.starts_with("img") && name.ends_with(".html"))
        return {{std::string(kImagePagesFailedMessage)}, true};
      return {{std::string(kThumbPagesFailedMessage)}, true};
    },
    // After a button failure the pages carry a text index instead; the record is saved after
    // each pass.
    [](const std::string& path) {
      return (path.starts_with("site/") && path.ends_with(".html")) ||
             path.starts_with("data/records/");
    },
};

// ---- Apply to All over three rotations.

const Flow kApplyToAll{
    "ApplyToAll",
    [](World& w) {
      MakeThreeRotations(w);
      w.settings.Thumb_Width = 321;
      w.settings.Page_Number_Prefix = "Seite ";
    },
    [](World& w, RecordingFileSystem&) { return w.editor->ApplyToAll(); },
    [](const World&, const Op&) -> Expectation {
      return {{std::string(kSaveRotationWarning)}, true};
    },
};

// ---- Delete Rotation of the last of three.

const Flow kDeleteRotation{
    "DeleteRotation",
    [](World& w) {
      MakeThreeRotations(w);
      ASSERT_TRUE(w.editor->SelectRotation(2));
      w.ui.Answer("Are you sure you want to remove Rotation 3", Answer::Yes);
    },
    [](World& w, RecordingFileSystem&) { return w.editor->DeleteRotation(); },
    [](const World&, const Op& op) -> Expectation {
      if (op.kind == "MoveToTrash") {
        // The directory stays, and so does the rotation in the settings.
        return {{"Cannot remove directory, it may be not be empty or it may be marked read-only."},
                true};
      }
      return {{std::string(kSaveSiteFailedMessage)}, true};
    },
};

// ---- The rotation program putting rotation 1 live over rotation 2 and the user's own files.

const Flow kTurnwheel{
    "TurnwheelRotation",
    [](World& w) {
      WriteFile(w.data + "options.ini", "[Options]\r\nUseRotations=True\r\n");
      WriteFile(w.data + "sites.ini", "[Sites]\r\nSite_1=Walk\r\n");
      WriteFile(w.data + "Site_1.ini",
                "[General]\r\nName=Walk\r\nPath=%/Site_1/\r\nLivePath=" + w.root +
                    "live\r\nAutoRotate=True\r\nCurrentRotationPosition=2\r\nRotationCount=2\r\n");
      WriteFile(w.data + "Site_1/Rotation_1/Index.html", "one");
      WriteFile(w.data + "Site_1/Rotation_1/a.jpg", "a");
      WriteFile(w.data + "Site_1/Rotation_1/thumbs/a_thb.jpg", "a small");
      WriteFile(w.data + "Site_1/Rotation_2/Index.html", "two");
      WriteFile(w.data + "Site_1/Rotation_2/b.jpg", "b");
      const TurnwheelResult first = RotateSites();
      ASSERT_TRUE(first.ok) << ::testing::PrintToString(first.Lines());
      WriteFile(w.root + "live/notes.txt", "the user's notes");
      WriteFile(w.root + "live/blog/index.html", "the user's blog");
    },
    [](World& w, RecordingFileSystem&) {
      const TurnwheelResult result = RotateSites();
      w.report = result.Lines();
      return result.ok;
    },
    [](const World&, const Op& op) -> Expectation {
      // Clearing the previous tree after the swap is left to the next run.
      if (op.kind == "RemoveAll" && op.path.starts_with(".live.turnwheel-")) return {};
      return {{}, true, true};
    },
    // The previous tree, swapped out, may stay beside the live one until the next run; the record
    // may name what either tree holds.
    [](const std::string& path) {
      return path.starts_with(".live.turnwheel-") || path == "data/Site_1.live";
    },
};

class FaultWalkTest : public ::testing::TestWithParam<const Flow*> {};

TEST_P(FaultWalkTest, EveryWriteFailureIsReportedOnceAndLeavesEveryFileWhole) {
  WalkFlow(*GetParam());
}

INSTANTIATE_TEST_SUITE_P(Flows, FaultWalkTest,
                         ::testing::Values(&kNewSite, &kBuild, &kApplyToAll, &kDeleteRotation,
                                           &kTurnwheel),
                         [](const auto& info) { return std::string(info.param->name); });

}  // namespace
}  // namespace parvel
