#include "builder/writeplan.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr size_t kNamesShown = 10;

// Anything at the path, a link that leads nowhere included: writing there replaces it.
bool SomethingAt(const std::string& path) {
  std::error_code ec;
  return std::filesystem::symlink_status(path, ec).type() !=
             std::filesystem::file_type::not_found &&
         !ec;
}

}  // namespace

void WritePlan::Add(std::string path, std::function<bool()> replaceable) {
  if (!paths_.insert(path).second) return;
  files_.push_back({std::move(path), std::move(replaceable)});
}

bool WritePlan::Owned(const std::string& path) const {
  for (const std::string& folder : own_folders_) {
    if (path.size() > folder.size() && path.starts_with(folder)) return true;
  }
  return false;
}

std::vector<std::string> WritePlan::Conflicts(const BuildRecord& record) const {
  std::vector<std::string> conflicts;
  for (const PlannedFile& file : files_) {
    if (Owned(file.path) || record.Holds(file.path) || !SomethingAt(file.path)) continue;
    if (file.replaceable && file.replaceable()) continue;
    conflicts.push_back(file.path);
  }
  return conflicts;
}

std::string NameList(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) {
    if (i > 0) text += ", ";
    text += names[i];
  }
  if (names.size() > kNamesShown)
    text += " and " + std::to_string(names.size() - kNamesShown) + " more";
  return text;
}

std::string ReplaceQuestion(const std::vector<std::string>& paths, std::string_view folder) {
  std::vector<std::string> names;
  names.reserve(paths.size());
  for (const std::string& path : paths) {
    names.push_back(path.starts_with(folder) ? path.substr(folder.size()) : path);
  }
  return "The build would replace these files that it did not make: " + NameList(names) +
         ".  Replace them?";
}

}  // namespace parvel
