// Publishing a rotation's live copy into a folder on a host over SFTP: only what changed is
// sent, each file under a temporary name renamed over the old one, pictures before the pages
// that show them, and what the site no longer has removed last. Only files this program
// published there (its record in the data directory) are ever replaced or removed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/livetree.h"
#include "platform/interaction.h"
#include "publish/publishquestions.h"
#include "publish/publishurl.h"

namespace parvel {

class IniFile;

// One file to publish: where it is here, and its name relative to the copy ("thumbs/a.jpg").
struct PublishFile {
  std::string path;
  std::string name;
};

// The files a rotation's live copy holds (RotationLiveFiles of `source` with `selection`: the
// site's other rotations, the originals of display copies and the programs' temporaries left
// out), by name. False with the reason when a folder cannot be listed.
bool LiveCopyFiles(const std::string& source, const LiveSelection& selection,
                   std::vector<PublishFile>* files, std::string* error);

struct PublishCounts {
  std::size_t sent = 0;
  std::uint64_t bytes = 0;
  std::size_t unchanged = 0;
  std::size_t removed = 0;
};

enum class PublishOutcome { Published, Refused, Failed, Cancelled };

struct PublishResult {
  PublishOutcome outcome = PublishOutcome::Failed;
  PublishCounts counts;
  std::string message;  // the summary, or what went wrong (naming the file and the cause)
  bool ok() const { return outcome == PublishOutcome::Published; }
};

// Makes the folder of `address` hold what `source` holds (LiveCopyFiles), by the rules above.
// Progress and Cancel go through `ui`; questions (host key, passphrase, password) through
// `questions`. Reports nothing itself: the result says what happened.
PublishResult PublishFolder(Interaction& ui, PublishQuestions& questions, const std::string& source,
                            const PublishAddress& address, const LiveSelection& selection = {});

// The status while the connection is made: "Connecting to user@host ...".
std::string ConnectingStatus(const PublishAddress& address);

// The summary line of a publish that went through: "Published to ADDRESS: N files sent (S),
// M unchanged, R removed."
std::string PublishSummary(const PublishAddress& address, const PublishCounts& counts);

// Site Options' Test: connects to the address and looks at its folder. Returns what was found
// ("The folder ... is empty: ..."); false when the address cannot be used (the text says why).
bool TestPublishAddress(PublishQuestions& questions, const std::string& url, std::string* found);

// The rotation `parvel-cli publish` takes without --rotation: 1 with rotations off; otherwise the
// one turnwheel put live last (the one before CurrentRotationPosition), else 1.
int DefaultPublishRotation(const IniFile& site_ini, int rotation_count, bool use_rotations);

}  // namespace parvel
