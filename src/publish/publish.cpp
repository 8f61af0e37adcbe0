#include "publish/publish.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>

#include "base/textutil.h"
#include "model/catalogue.h"
#include "model/inifile.h"
#include "platform/filesystem.h"
#include "publish/publishrecord.h"
#include "publish/sftpsession.h"

namespace parvel {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Pages go after the files they show.
bool IsPage(const std::string& name) {
  const std::string lower = LowerAscii(name);
  return lower.ends_with(".htm") || lower.ends_with(".html");
}

std::string Parent(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

// The temporary a file is written under, beside it.
std::string TemporaryFor(const std::string& name) {
  const size_t slash = name.rfind('/');
  const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  const std::string dir = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
  return dir + ".parvel-part-" + base;
}

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

struct LocalState {
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;
};

bool Stat(const std::string& path, LocalState* state) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  state->size = static_cast<std::uint64_t>(st.st_size);
  state->mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

struct Send {
  PublishFile file;
  LocalState state;
  std::string digest;
};

class Publisher {
 public:
  Publisher(Interaction& ui, PublishQuestions& questions, const PublishAddress& address)
      : ui_(ui), questions_(questions), address_(address), root_(address.folder) {}

  PublishResult Run(const std::string& source, const LiveSelection& selection) {
    std::string error;
    if (!DirectoryExists(source)) {
      return Finish(PublishOutcome::Failed, "The folder " + source + " does not exist");
    }
    if (!LoadPublishRecord(address_.Text(), &record_, &error)) {
      return Finish(PublishOutcome::Failed, error + ": nothing was published");
    }
    ui_.Status(ConnectingStatus(address_));
    if (!session_.Open(address_, questions_)) return Lost(PublishOutcome::Failed);
    if (!record_.exists && !CheckFirstFolder()) return result_;
    if (!RemoveTemporaries()) return result_;
    std::vector<PublishFile> files;
    if (!LiveCopyFiles(source, selection, &files, &error)) {
      return Finish(PublishOutcome::Failed, error + ": nothing was published");
    }
    std::vector<Send> sends;
    if (!Plan(files, &sends)) return result_;
    if (!CheckNewNames(sends) || !MakeFolders(sends)) return result_;
    if (!SendAll(sends)) return result_;
    if (!RemoveStale(files)) return result_;
    if (!SavePublishRecord(record_, &error)) {
      return Finish(PublishOutcome::Failed,
                    "Everything was published, but the record of it could not be saved: " + error);
    }
    return Finish(PublishOutcome::Published, PublishSummary(address_, result_.counts));
  }

 private:
  std::string Remote(const std::string& name) const {
    return root_ == "/" ? "/" + name : root_ + "/" + name;
  }

  PublishResult Finish(PublishOutcome outcome, std::string message) {
    result_.outcome = outcome;
    result_.message = std::move(message);
    return result_;
  }

  PublishResult Lost(PublishOutcome outcome) { return Finish(outcome, session_.error()); }

  // A folder published to for the first time must be missing (it is made) or empty.
  bool CheckFirstFolder() {
    RemoteKind kind = RemoteKind::Other;
    if (!session_.Kind(root_, &kind)) return Lost(PublishOutcome::Failed), false;
    if (kind == RemoteKind::Missing) {
      std::string path;
      std::vector<std::string> steps;
      for (std::string p = root_; p != "/" && !p.empty(); p = p.substr(0, p.rfind('/'))) {
        steps.push_back(p);
        if (p.rfind('/') == 0) break;
      }
      for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        RemoteKind step = RemoteKind::Other;
        if (!session_.Kind(*it, &step)) return Lost(PublishOutcome::Failed), false;
        if (step == RemoteKind::Missing && !session_.MakeDirectory(*it)) {
          return Lost(PublishOutcome::Failed), false;
        }
      }
      return true;
    }
    if (kind != RemoteKind::Directory) {
      Finish(PublishOutcome::Refused, "The folder " + root_ + " on " + session_.host() +
                                          " is not a folder: nothing was published");
      return false;
    }
    std::vector<RemoteEntry> entries;
    if (!session_.List(root_, &entries)) return Lost(PublishOutcome::Failed), false;
    if (!entries.empty()) {
      Finish(PublishOutcome::Refused,
             "The folder " + root_ + " on " + session_.host() +
                 " holds files that Parvel Pro did not publish there (it is not empty and "
                 "nothing has been published there before, for example " +
                 entries[0].name +
                 "): nothing was published. Publish into an empty or new folder.");
      return false;
    }
    return true;
  }

  // An interrupted publish left its temporaries: they go first.
  bool RemoveTemporaries() {
    for (auto it = record_.temporaries.begin(); it != record_.temporaries.end();) {
      if (!session_.RemoveFile(Remote(*it))) return Lost(PublishOutcome::Failed), false;
      it = record_.temporaries.erase(it);
    }
    return true;
  }

  // What must be sent: every file whose size, time and, where those differ, digest do not match
  // what was published.
  bool Plan(const std::vector<PublishFile>& files, std::vector<Send>* sends) {
    for (const PublishFile& file : files) {
      Send send{file, {}, {}};
      if (!Stat(file.path, &send.state)) {
        Finish(PublishOutcome::Failed, file.path + " cannot be read: nothing was published");
        return false;
      }
      const auto known = record_.files.find(file.name);
      if (known != record_.files.end() && !known->second.digest.empty() &&
          known->second.size == send.state.size && known->second.mtime_ns == send.state.mtime_ns) {
        ++result_.counts.unchanged;
        continue;
      }
      // A file never sent here is digested while it is sent: read once.
      if (known == record_.files.end()) {
        sends->push_back(std::move(send));
        continue;
      }
      std::string error;
      if (!FileDigest(file.path, &send.digest, &error)) {
        Finish(PublishOutcome::Failed, error + ": nothing was published");
        return false;
      }
      if (known != record_.files.end() && known->second.digest == send.digest &&
          known->second.size == send.state.size) {
        known->second.mtime_ns = send.state.mtime_ns;  // touched, not changed
        ++result_.counts.unchanged;
        continue;
      }
      sends->push_back(std::move(send));
    }
    std::stable_partition(sends->begin(), sends->end(),
                          [](const Send& s) { return !IsPage(s.file.name); });
    return true;
  }

  // A name the record does not hold may not be taken from whatever is there on the host.
  bool CheckNewNames(const std::vector<Send>& sends) {
    if (!record_.exists) return true;  // the folder was empty or new
    for (const Send& send : sends) {
      if (record_.files.count(send.file.name)) continue;
      RemoteKind kind = RemoteKind::Other;
      if (!session_.Kind(Remote(send.file.name), &kind)) return Lost(PublishOutcome::Failed), false;
      if (kind != RemoteKind::Missing &&
          !(kind == RemoteKind::Directory && record_.folders.count(send.file.name))) {
        Finish(PublishOutcome::Refused,
               Remote(send.file.name) + " on " + session_.host() +
                   " is a file that Parvel Pro did not publish there; it is left alone and "
                   "nothing was published. Move it away or rename the picture.");
        return false;
      }
    }
    return true;
  }

  bool MakeFolders(const std::vector<Send>& sends) {
    std::set<std::string> known;
    for (const auto& [name, file] : record_.files) {
      for (std::string p = Parent(name); !p.empty(); p = Parent(p)) known.insert(p);
    }
    known.insert(record_.folders.begin(), record_.folders.end());
    for (const Send& send : sends) {
      std::vector<std::string> missing;
      for (std::string p = Parent(send.file.name); !p.empty() && !known.count(p); p = Parent(p)) {
        missing.push_back(p);
      }
      for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        RemoteKind kind = RemoteKind::Other;
        if (!session_.Kind(Remote(*it), &kind)) return Lost(PublishOutcome::Failed), false;
        if (kind == RemoteKind::Missing) {
          if (!session_.MakeDirectory(Remote(*it))) return Lost(PublishOutcome::Failed), false;
          record_.folders.insert(*it);
        } else if (kind != RemoteKind::Directory) {
          Finish(PublishOutcome::Refused, Remote(*it) + " on " + session_.host() +
                                              " is not a folder: nothing was published");
          return false;
        }
        known.insert(*it);
      }
    }
    return true;
  }

  bool SendAll(const std::vector<Send>& sends) {
    std::uint64_t total = 0;
    for (const Send& send : sends) total += send.state.size;
    // Before anything is written: the names about to be written count as published (with no
    // digest, so that they are sent again), and their temporaries are noted, so that a publish
    // cut short is finished by the next without taking these for someone else's files.
    for (const Send& send : sends) {
      auto& entry = record_.files[send.file.name];
      entry.digest.clear();
      record_.temporaries.insert(TemporaryFor(send.file.name));
    }
    std::string error;
    if (!sends.empty() && !SavePublishRecord(record_, &error)) {
      Finish(PublishOutcome::Failed, error + ": nothing was published");
      return false;
    }
    const auto started = Clock::now();
    auto saved = started;
    std::uint64_t done = 0;
    std::size_t count = 0;
    bool cancelled = false;
    const auto progress = [&] {
      const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
      const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
      ui_.Progress("Publishing to " + address_.Who() + ": " + std::to_string(count) + " of " +
                       std::to_string(sends.size()) + " files, " + Megabytes(done) + " of " +
                       Megabytes(total) + ", " + Megabytes(static_cast<std::uint64_t>(rate)) + "/s",
                   static_cast<int>(done / 1024), static_cast<int>(total / 1024));
    };
    for (const Send& send : sends) {
      const std::string temporary = TemporaryFor(send.file.name);
      std::string digest;
      const bool sent = session_.Upload(
          send.file.path, Remote(temporary),
          [&](std::uint64_t n) {
            done += n;
            progress();
            cancelled = cancelled || ui_.Checkpoint();
            return !cancelled;
          },
          &digest);
      if (!sent || !session_.Replace(Remote(temporary), Remote(send.file.name))) {
        const std::string why = cancelled ? std::string() : session_.error();
        // The temporary goes now if the host still answers; else the next publish removes it.
        if (!session_.timed_out() && session_.RemoveFile(Remote(temporary))) {
          record_.temporaries.erase(temporary);
        }
        SavePublishRecord(record_, &error);
        if (cancelled) {
          Finish(PublishOutcome::Cancelled,
                 "Publishing to " + address_.Text() + " was cancelled after " +
                     std::to_string(count) + " of " + std::to_string(sends.size()) +
                     " files; the site there still works, and the next publish completes it");
        } else {
          Finish(PublishOutcome::Failed,
                 why + " (" + send.file.path + "); " + std::to_string(count) + " of " +
                     std::to_string(sends.size()) +
                     " files were sent; the site there still works, and the next publish "
                     "completes it");
        }
        return false;
      }
      record_.temporaries.erase(temporary);
      // What was read while sending is what the host holds (the file may have changed since
      // it was planned).
      record_.files[send.file.name] = {send.state.size, send.state.mtime_ns, digest};
      ++count;
      ++result_.counts.sent;
      result_.counts.bytes += send.state.size;
      if (Clock::now() - saved > std::chrono::seconds(2)) {
        saved = Clock::now();
        SavePublishRecord(record_, &error);
      }
    }
    if (!sends.empty()) progress();
    return true;
  }

  // Files published before that the site no longer has, then the folders made for them.
  bool RemoveStale(const std::vector<PublishFile>& files) {
    std::set<std::string> wanted;
    std::set<std::string> wanted_folders;
    for (const PublishFile& file : files) {
      wanted.insert(file.name);
      for (std::string p = Parent(file.name); !p.empty(); p = Parent(p)) wanted_folders.insert(p);
    }
    for (auto it = record_.files.begin(); it != record_.files.end();) {
      if (wanted.count(it->first)) {
        ++it;
        continue;
      }
      if (!session_.RemoveFile(Remote(it->first))) {
        std::string error;
        SavePublishRecord(record_, &error);
        return Lost(PublishOutcome::Failed), false;
      }
      ++result_.counts.removed;
      it = record_.files.erase(it);
    }
    // Deepest first; a folder that still holds something stays (rmdir refuses it).
    std::vector<std::string> folders(record_.folders.rbegin(), record_.folders.rend());
    for (const std::string& folder : folders) {
      if (!wanted_folders.count(folder) && session_.RemoveDirectory(Remote(folder))) {
        record_.folders.erase(folder);
      }
    }
    return true;
  }

  Interaction& ui_;
  PublishQuestions& questions_;
  const PublishAddress& address_;
  std::string root_;
  PublishRecord record_;
  SftpSession session_;
  PublishResult result_;
};

}  // namespace

bool LiveCopyFiles(const std::string& source, const LiveSelection& selection,
                   std::vector<PublishFile>* files, std::string* error) {
  std::vector<LiveFile> live;
  if (!RotationLiveFiles(source, selection, &live, error)) return false;
  files->clear();
  for (const LiveFile& file : live) {
    if (!file.IsFolder()) files->push_back({file.source, file.path});
  }
  return true;
}

PublishResult PublishFolder(Interaction& ui, PublishQuestions& questions, const std::string& source,
                            const PublishAddress& address, const LiveSelection& selection) {
  Publisher publisher(ui, questions, address);
  return publisher.Run(source, selection);
}

std::string ConnectingStatus(const PublishAddress& address) {
  return "Connecting to " + address.Who() + " ...";
}

std::string PublishSummary(const PublishAddress& address, const PublishCounts& counts) {
  return "Published to " + address.Text() + ": " + std::to_string(counts.sent) + " file" +
         (counts.sent == 1 ? "" : "s") + " sent (" + Megabytes(counts.bytes) + "), " +
         std::to_string(counts.unchanged) + " unchanged, " + std::to_string(counts.removed) +
         " removed.";
}

bool TestPublishAddress(PublishQuestions& questions, const std::string& url, std::string* found) {
  std::string why;
  const auto address = ParsePublishUrl(url, &why);
  if (!address) {
    *found = "The address " + url + " is " + why + ".";
    return false;
  }
  SftpSession session;
  if (!session.Open(*address, questions)) {
    *found = session.error();
    return false;
  }
  PublishRecord record;
  std::string error;
  const bool has_record = LoadPublishRecord(address->Text(), &record, &error) && record.exists;
  RemoteKind kind = RemoteKind::Other;
  if (!session.Kind(address->folder, &kind)) {
    *found = session.error();
    return false;
  }
  const std::string where = "Connected to " + session.host() + ". The folder " + address->folder;
  switch (kind) {
    case RemoteKind::Missing:
      *found = where + " does not exist yet: the first publish makes it.";
      return true;
    case RemoteKind::Directory:
      break;
    default:
      *found = where + " is not a folder: publishing there is refused.";
      return false;
  }
  std::vector<RemoteEntry> entries;
  if (!session.List(address->folder, &entries)) {
    *found = session.error();
    return false;
  }
  if (entries.empty()) {
    *found = where + " is empty: the site can be published there.";
    return true;
  }
  if (has_record) {
    *found = where + " holds " + std::to_string(entries.size()) +
             " entries; this site was published there before.";
    return true;
  }
  *found = where + " holds " + std::to_string(entries.size()) +
           " entries that Parvel Pro did not publish there: publishing there is refused.";
  return false;
}

int DefaultPublishRotation(const IniFile& site_ini, int rotation_count, bool use_rotations) {
  if (!use_rotations || rotation_count < 1) return 1;
  if (site_ini.GetString(kGeneralSection, "TurnwheelLivePath", "").empty()) return 1;
  const int next =
      ParseInt(site_ini.GetString(kGeneralSection, kCurrentRotationPositionKey, "1")).value_or(1);
  if (next < 1 || next > rotation_count) return 1;
  return next == 1 ? rotation_count : next - 1;
}

}  // namespace parvel
