#include "reliability/faultwalk_support.h"

#include <algorithm>
#include <filesystem>

namespace parvel::testing {

namespace fs = std::filesystem;

void RecordingFileSystem::SetPhase(std::string phase) {
  if (on_phase) on_phase();
  phase_ = std::move(phase);
}

std::string RecordingFileSystem::Relative(const std::string& path) const {
  const std::string normal = fs::path(path).lexically_normal().string();
  if (normal.compare(0, root_.size(), root_) == 0) return normal.substr(root_.size());
  return normal;
}

void RecordingFileSystem::Log(const char* kind, const std::string& path, const std::string& other) {
  Op op{kind, Relative(path), other.empty() ? other : Relative(other), phase_, 0};
  op.seq = static_cast<int>(std::count_if(ops_.begin(), ops_.end(), [&](const Op& before) {
    return before.phase == op.phase && before.path == op.path;
  }));
  ops_.push_back(std::move(op));
}

void RecordingFileSystem::NoteWhole(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) {
    for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
      if (it->is_regular_file(ec)) NoteWhole(it->path().string());
    }
    return;
  }
  std::string text;
  if (ReadWholeFile(path, &text)) written_[Relative(path)].insert(WithoutRoot(text, root_));
}

bool RecordingFileSystem::WriteFileAtomic(const std::string& path, std::string_view contents,
                                          std::string* error) {
  Log("WriteFileAtomic", path);
  if (!inner_.WriteFileAtomic(path, contents, error)) return false;
  written_[Relative(path)].insert(WithoutRoot(std::string(contents), root_));
  return true;
}

bool RecordingFileSystem::WriteFileReplace(const std::string& path, std::string_view contents,
                                           std::string* error) {
  Log("WriteFileReplace", path);
  if (!inner_.WriteFileReplace(path, contents, error)) return false;
  written_[Relative(path)].insert(WithoutRoot(std::string(contents), root_));
  return true;
}

bool RecordingFileSystem::CopyFile(const std::string& from, const std::string& to,
                                   std::string* error) {
  Log("CopyFile", to, from);
  if (!inner_.CopyFile(from, to, error)) return false;
  NoteWhole(to);
  return true;
}

bool RecordingFileSystem::CreateDirectory(const std::string& path, std::string* error) {
  Log("CreateDirectory", path);
  return inner_.CreateDirectory(path, error);
}

bool RecordingFileSystem::Remove(const std::string& path, std::string* error) {
  Log("Remove", path);
  return inner_.Remove(path, error);
}

bool RecordingFileSystem::RemoveAll(const std::string& path, std::string* error) {
  Log("RemoveAll", path);
  return inner_.RemoveAll(path, error);
}

bool RecordingFileSystem::MakeWritable(const std::string& path, std::string* error) {
  Log("MakeWritable", path);
  return inner_.MakeWritable(path, error);
}

bool RecordingFileSystem::Rename(const std::string& from, const std::string& to,
                                 std::string* error) {
  Log("Rename", to, from);
  if (!inner_.Rename(from, to, error)) return false;
  NoteWhole(to);
  return true;
}

bool RecordingFileSystem::Exchange(const std::string& a, const std::string& b, std::string* error) {
  Log("Exchange", b, a);
  if (!inner_.Exchange(a, b, error)) return false;
  NoteWhole(a);
  NoteWhole(b);
  return true;
}

std::string WithoutRoot(std::string text, const std::string& root) {
  for (size_t at = text.find(root); at != std::string::npos; at = text.find(root, at)) {
    text.replace(at, root.size(), "<root>/");
  }
  return text;
}

Snapshot TakeSnapshot(const std::string& root) {
  Snapshot snapshot;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string text;
    ReadWholeFile(it->path().string(), &text);
    snapshot[it->path().lexically_relative(root).string()] = WithoutRoot(text, root);
  }
  return snapshot;
}

parvel::Answer RuleUser::Message(MessageKind kind, std::string_view text, Buttons buttons) {
  if (buttons != Buttons::Ok) {
    for (const auto& [prefix, answer] : rules_) {
      if (text.substr(0, prefix.size()) == prefix) {
        QueueAnswer(answer);
        break;
      }
    }
  }
  return ScriptedInteraction::Message(kind, text, buttons);
}

}  // namespace parvel::testing
