// Every file the core writes and every folder it lists goes through FileSystem, so that tests can
// replace it and make any write or listing fail. Reads of single files go straight to the disk
// (ReadWholeFile) since a failed read harms nothing.
//
// How the writers treat the user's files: a file is replaced whole (a temporary beside it, then a
// rename); a symbolic link is written through to its target, which is replaced in its own folder
// while the link stays; a file the user may not write is refused, never replaced; a replaced file
// keeps its mode, and a new file gets 0666 less the umask, as a shell redirection makes it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace parvel {

// One entry of a folder listing.
struct DirectoryEntry {
  std::string name;
  bool is_link = false;          // the entry itself is a symbolic link
  bool is_directory = false;     // a directory, a link followed
  bool is_regular_file = false;  // a regular file, a link followed
};

// How a move to the desktop's Trash ended.
enum class TrashResult {
  Trashed,  // in the Trash, from where the user can restore it
  NoTrash,  // the file system it lies on has no Trash the program may use; nothing was changed
  Failed,   // any other reason; nothing was changed
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Replaces (or creates) `path` with `contents` in one step: a temporary file in the same folder
  // is written, flushed and renamed over it, so the old content stays whole when this fails.
  // Links and modes as said at the top.
  virtual bool WriteFileAtomic(const std::string& path, std::string_view contents,
                               std::string* error) = 0;
  // Replaces `path` in one step like WriteFileAtomic, but does not wait for the data to reach
  // the disk: for files a build can make again (thumbnails, buttons), where a flush per file
  // would cost more than the file itself. A reader still never sees a half-written file.
  virtual bool WriteFileReplace(const std::string& path, std::string_view contents,
                                std::string* error) = 0;
  // Copies a file into the new file `to` (0666 less the umask); fails when `to` exists already.
  virtual bool CopyFile(const std::string& from, const std::string& to, std::string* error) = 0;
  // Replaces (or creates) `to` with a copy of `from` in one step, as WriteFileAtomic replaces a
  // file: through a link to its target, keeping the mode of a replaced file, refusing one the
  // user may not write. Made of CopyFile into a temporary beside the target and Rename.
  virtual bool ReplaceWithCopy(const std::string& from, const std::string& to, std::string* error);
  // Creates one directory whose parent exists.
  virtual bool CreateDirectory(const std::string& path, std::string* error) = 0;
  // Removes one file, or one empty directory.
  virtual bool Remove(const std::string& path, std::string* error) = 0;
  // Removes a directory with everything in it.
  virtual bool RemoveAll(const std::string& path, std::string* error) = 0;
  // Gives the owner write permission (clears the read-only mark).
  virtual bool MakeWritable(const std::string& path, std::string* error) = 0;
  // Renames a file or directory; replaces a file at `to`.
  virtual bool Rename(const std::string& from, const std::string& to, std::string* error) = 0;
  // Swaps two existing paths (files or directories), so that each name then holds what the other
  // held. The disk does it in one step where the system can; elsewhere (and by default) it takes
  // three renames through ExchangeTemporaryName(b), undone on failure. False: both as they were.
  virtual bool Exchange(const std::string& a, const std::string& b, std::string* error);
  // Gives the file (or symbolic link, not followed) at `from` a second name `to`, on the same file
  // system; fails when `to` exists. Both names then reach the same file.
  virtual bool Link(const std::string& from, const std::string& to, std::string* error);
  // The entries directly in `directory` ("." and ".." left out), in the order the system gives
  // them. False with the reason when it cannot be listed (what was read before stays listed).
  virtual bool ListDirectory(const std::string& directory, std::vector<DirectoryEntry>* entries,
                             std::string* error);
  // Moves `path` itself to the desktop's Trash (TrashPath): a symbolic link as a link.
  virtual TrashResult MoveToTrash(const std::string& path, std::string* error);
};

// The name beside `b` that an Exchange by renames parks `b` under meanwhile.
std::string ExchangeTemporaryName(const std::string& b);

// Whether a file name is one that WriteFileAtomic or WriteFileReplace gives its temporary file
// (".parvel-tmp-" and the target's name, shortened). A process killed mid-write leaves one.
bool IsWriteTemporaryName(std::string_view file_name);

// A temporary name beside `path` that IsWriteTemporaryName recognises, ending in `suffix`: for
// writes made in steps outside this interface (a copy renamed over its target).
std::string WriteTemporaryName(const std::string& path, std::string_view suffix);

// Removes, through Files(), the write temporaries left in `directory` (not below it) by writes
// that were stopped; for a folder that only one program writes to at a time. The count removed.
int RemoveStaleTemporaries(const std::string& directory);

// Where a write of `path` lands: `path` itself, or for a symbolic link (a chain of them) the file
// it finally names, which need not exist yet. False with the reason for a loop of links.
bool ResolveWriteTarget(const std::string& path, std::string* target, std::string* error);

// False with the reason ("<path>: Permission denied") when `path` exists and the user may not
// write to it: the system says no, or no one has write permission on it (also for root).
bool MayReplace(const std::string& path, std::string* error);

// The disk itself.
FileSystem& RealFileSystem();

// The file system the core writes through: the real one unless a test has swapped in another.
FileSystem& Files();

// Makes `fs` the one Files() returns for the life of the guard (tests only; not thread-safe).
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem& fs);
  ~ScopedFileSystem();
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;

 private:
  FileSystem* previous_;
};

// Reads a whole file into `out`; false when it cannot be opened or is larger than `limit` bytes.
bool ReadWholeFile(const std::string& path, std::string* out,
                   std::uint64_t limit = std::uint64_t{1} << 31);

// ReadWholeFile for a regular file only: a device or pipe named where a text file is expected
// would block.
bool ReadPlainFile(const std::string& path, std::uint64_t limit, std::string* text);

// Read-only questions about the disk.
bool FileExists(const std::string& path);       // a file (not a directory) is there
bool DirectoryExists(const std::string& path);  // a directory is there
bool PathExists(const std::string& path);       // anything is there
bool IsReadOnly(const std::string& path);       // the owner may not write to it
// True when `path` itself (not a link) is a regular file whose bytes are exactly `contents`.
bool FileHolds(const std::string& path, std::string_view contents);
// True when `target` itself (not a link) is a regular file with exactly the bytes of the regular
// file `source` (which may be reached through a link).
bool FileHoldsCopyOf(const std::string& target, const std::string& source);

// What tells one state of a file from another without reading it: its length and its last
// modification time in nanoseconds since 1970.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// The stamp of the regular file at `path` (following links); none for anything else.
std::optional<FileStamp> StampOf(const std::string& path);

}  // namespace parvel
