// The file-system helpers the rest of the program uses for its own directories and files. Each
// reports its failure to the user itself; the result only tells the caller whether to go on.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/interaction.h"

namespace parvel {

// "Are you sure you want to delete the file, " + name + "?"
inline constexpr char kDeleteFileQuestion[] = "Are you sure you want to delete the file, ";
// The question before a read-only file is deleted or replaced.
inline std::string ReadOnlyDeleteQuestion(const std::string& file) {
  return kDeleteFileQuestion + file + "?  This file is marked READ ONLY!";
}
// "Unable to locate the file, " + name
inline constexpr char kMissingFileWarning[] = "Unable to locate the file, ";
// "An error was encountered copying the file, " + name + "!"
inline constexpr char kCopyErrorWarning[] = "An error was encountered copying the file, ";

// Creates `path` and every missing parent (never the root). A path shorter than 4 characters
// gives false at once. On failure the directories made so far are removed again and a warning is
// shown. "\" counts as a separator like "/". `made`, when given, receives the directories that
// were created, outermost first, so that a caller whose step fails later can take them away.
bool CreateNewDirectory(Interaction& ui, const std::string& path,
                        std::vector<std::string>* made = nullptr);

// Deletes one file. A missing file is reported and gives true; a read-only file is only deleted
// after the user agrees. `overwriting` says the file is being replaced (it changes the wording of
// the failure message). False when the file is still there.
bool DeleteFileAsked(Interaction& ui, const std::string& filename, bool overwriting);

// Moves a directory with everything in it to the Trash (TrashPaths; a symbolic link goes as a link,
// its target stays whole); paths shorter than 4 characters and the root are ignored. True when
// the directory is gone (or was not there), false after a warning or a No to deleting for good.
bool DeleteDirectoryAsked(Interaction& ui, const std::string& directory);

// Moves `paths` to the desktop's Trash in their order, each as it is: a symbolic link goes as a
// link, its target's files stay. Those on a file system without a Trash are named in one
// question whether to delete them for good (No is the default, and only a person may say Yes);
// on Yes they are deleted, links as links. A path that could go neither way is reported with its
// cause: by `failure_text` (the path -> the warning, with the cause logged before it) when given,
// else as "Could not move PATH to the Trash: CAUSE". Paths that are not there are skipped. True
// when none of them is left.
bool TrashPaths(Interaction& ui, const std::vector<std::string>& paths,
                const std::function<std::string(const std::string&)>& failure_text = nullptr);

// `path` without its trailing separators ("/" stays), naming a symbolic link itself.
std::string WithoutTrailingSeparator(std::string path);

// True when `path` itself (a trailing separator ignored) is a symbolic link.
bool IsSymbolicLink(const std::string& path);

// A folder that removing or replacing a whole directory must leave alone, and how a warning names
// it ("the directory of the site Two").
struct KeptFolder {
  std::string path;
  std::string what;
};

// Why `directory` must not be removed or replaced with everything in it: it is the root, it is
// or holds the user's home directory, the data directory or one of `kept`. The reason reads on
// after the directory's name ("is the root directory", "holds the data directory, /opt/p/");
// empty when nothing stands in the way. Links are resolved before comparing.
std::string WholeDirectoryProblem(const std::string& directory,
                                  const std::vector<KeptFolder>& kept);

// `path` with links resolved (as far as it exists) and without a trailing separator, for
// comparing folders.
std::filesystem::path ResolvedFolder(const std::string& path);

// True when `inner` is `outer` or lies inside it, links resolved and letter case as it is.
bool FolderWithin(const std::string& inner, const std::string& outer);

// Copies `source` to `destination`, replacing an existing destination (after asking, when `ask`
// is set, and again when it is read-only). The copy is made under CopyTemporaryName and renamed
// over the destination, so a failed copy leaves the old file as it was. A failure, also a
// read-only destination the user would not have replaced, is reported here; the result is true when
// the destination now holds the source's content. Copying a file onto itself leaves it alone and
// reports nothing.
bool CopyFileAsked(Interaction& ui, const std::string& source, const std::string& destination,
                   bool ask);

// The name beside `destination` that CopyFileAsked copies to before the rename (a write
// temporary's name: RemoveStaleTemporaries clears one left by a stopped copy).
std::string CopyTemporaryName(const std::string& destination);

}  // namespace parvel
