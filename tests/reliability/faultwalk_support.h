// Helpers of the fault walk: a file system that logs every operation of a run and what it wrote
// whole, snapshots of a folder tree, and a scripted user who answers known questions by rule.
#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/filesystem.h"
#include "support/scripted_interaction.h"

namespace parvel::testing {

// One operation through the seam; paths relative to the run's root folder where they lie in it.
struct Op {
  std::string kind;   // "WriteFileAtomic", "CopyFile", ...
  std::string path;   // the file or directory written, made, removed, or the rename target
  std::string other;  // CopyFile's source, Rename's old name
  std::string phase;  // the step of the flow that made it
  int seq = 0;        // how many operations on the same path that step made before this one
};

// Passes every operation to `inner` (a FaultyFileSystem in the walk) and logs it first, so that
// op number N of the log is the N-th operation the faulty system counts.
class RecordingFileSystem : public FileSystem {
 public:
  RecordingFileSystem(FileSystem& inner, std::string root)
      : inner_(inner), root_(std::move(root)) {}

  // Starts a named step; `on_phase` (when set) runs first, e.g. to snapshot the disk.
  void SetPhase(std::string phase);
  std::function<void()> on_phase;

  const std::vector<Op>& ops() const { return ops_; }
  // Every content (WithoutRoot) some operation of this run put whole into a file, by relative
  // path.
  const std::map<std::string, std::set<std::string>>& written() const { return written_; }
  std::string Relative(const std::string& path) const;

  bool WriteFileAtomic(const std::string& path, std::string_view contents,
                       std::string* error) override;
  bool WriteFileReplace(const std::string& path, std::string_view contents,
                        std::string* error) override;
  bool CopyFile(const std::string& from, const std::string& to, std::string* error) override;
  bool CreateDirectory(const std::string& path, std::string* error) override;
  bool Remove(const std::string& path, std::string* error) override;
  bool RemoveAll(const std::string& path, std::string* error) override;
  bool MakeWritable(const std::string& path, std::string* error) override;
  bool Rename(const std::string& from, const std::string& to, std::string* error) override;
  bool Exchange(const std::string& a, const std::string& b, std::string* error) override;

 private:
  void Log(const char* kind, const std::string& path, const std::string& other = {});
  // Notes the contents of the file (or of every file below the directory) at `path`.
  void NoteWhole(const std::string& path);

  FileSystem& inner_;
  std::string root_;
  std::string phase_;
  std::vector<Op> ops_;
  std::map<std::string, std::set<std::string>> written_;
};

// The text with the run's root folder written as "<root>/", so that texts and files of two runs
// (each in its own folder) compare.
std::string WithoutRoot(std::string text, const std::string& root);

// Relative path -> contents (WithoutRoot) of every regular file below `root`.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::string& root);

// A scripted user who answers a question by the first rule whose text starts the question;
// a question no rule covers is recorded as unexpected.
class RuleUser : public ScriptedInteraction {
 public:
  void Answer(std::string prefix, parvel::Answer answer) {
    rules_.emplace_back(std::move(prefix), answer);
  }
  parvel::Answer Message(MessageKind kind, std::string_view text, Buttons buttons) override;

 private:
  std::vector<std::pair<std::string, parvel::Answer>> rules_;
};

}  // namespace parvel::testing
