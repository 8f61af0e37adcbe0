// A FileSystem for tests that passes every operation to another one, counts them, and makes the
// N-th (counted from 1) and optionally every later one fail with a chosen error text. It can also
// stand for a disk without a Trash.
#pragma once

#include <string>

#include "platform/filesystem.h"

namespace parvel {

class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

  // Fails operation number `n` (1 = the next one); with `sticky`, every later one too.
  void FailAt(int n, std::string error = "No space left on device", bool sticky = false) {
    fail_at_ = count_ + n;
    error_ = std::move(error);
    sticky_ = sticky;
  }
  // Fails every operation from now on.
  void FailAll(std::string error = "No space left on device") { FailAt(1, std::move(error), true); }
  // Every move to the Trash finds none, as on a file system without a Trash folder.
  void set_no_trash(bool no_trash) { no_trash_ = no_trash; }

  bool WriteFileAtomic(const std::string& path, std::string_view contents,
                       std::string* error) override {
    return Check(error) && inner_.WriteFileAtomic(path, contents, error);
  }
  bool WriteFileReplace(const std::string& path, std::string_view contents,
                        std::string* error) override {
    return Check(error) && inner_.WriteFileReplace(path, contents, error);
  }
  bool CopyFile(const std::string& from, const std::string& to, std::string* error) override {
    return Check(error) && inner_.CopyFile(from, to, error);
  }
  bool CreateDirectory(const std::string& path, std::string* error) override {
    return Check(error) && inner_.CreateDirectory(path, error);
  }
  bool Remove(const std::string& path, std::string* error) override {
    return Check(error) && inner_.Remove(path, error);
  }
  bool RemoveAll(const std::string& path, std::string* error) override {
    return Check(error) && inner_.RemoveAll(path, error);
  }
  bool MakeWritable(const std::string& path, std::string* error) override {
    return Check(error) && inner_.MakeWritable(path, error);
  }
  bool Rename(const std::string& from, const std::string& to, std::string* error) override {
    return Check(error) && inner_.Rename(from, to, error);
  }
  bool Exchange(const std::string& a, const std::string& b, std::string* error) override {
    return Check(error) && inner_.Exchange(a, b, error);
  }
  bool Link(const std::string& from, const std::string& to, std::string* error) override {
    return Check(error) && inner_.Link(from, to, error);
  }

  TrashResult MoveToTrash(const std::string& path, std::string* error) override {
    if (!Check(error)) return TrashResult::Failed;
    if (no_trash_) {
      if (error) *error = "Unable to find or create trash directory for " + path;
      return TrashResult::NoTrash;
    }
    return inner_.MoveToTrash(path, error);
  }

 private:
  bool Check(std::string* error) {
    ++count_;
    const bool fail = fail_at_ > 0 && (count_ == fail_at_ || (sticky_ && count_ > fail_at_));
    if (!fail) return true;
    if (error) *error = error_;
    return false;
  }

  FileSystem& inner_;
  int count_ = 0;
  int fail_at_ = -1;
  bool sticky_ = false;
  bool no_trash_ = false;
  std::string error_;
};

}  // namespace parvel
