// The rotation schedule that the rotation program and `parvel-cli rotate` run: every site of the
// catalogue whose AutoRotate is on (with a LivePath) puts its next rotation live and moves its
// CurrentRotationPosition on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/catalogue.h"
#include "model/inifile.h"
#include "model/livetree.h"

namespace parvel {

enum class RotationOutcome {
  Live,      // the rotation is live
  NotFound,  // the site has no rotations, or the rotation's directory is missing
  NotBuilt,  // the rotation's directory holds no BaseHTMLName file
  Refused,   // the live directory is unusable (relative, or overlapping the site's own folders),
             // or the rotation would land on files turnwheel did not put there
  Failed,    // copying or swapping failed
};

// What happened to one due site.
struct SiteRotation {
  std::string site_key;
  std::string name;
  int rotation = 0;       // the rotation meant to go live
  int next_rotation = 0;  // CurrentRotationPosition afterwards
  RotationOutcome outcome = RotationOutcome::Failed;
  bool position_saved = false;  // the next number reached the settings file
  bool record_saved = true;     // the record of what went live reached the data directory
  std::string line;             // the report line
};

struct TurnwheelResult {
  std::vector<SiteRotation> sites;  // the due sites, in catalogue order
  bool catalogue_read = true;       // false: sites.ini exists but could not be read
  // Every due site went live and its next number was saved (true when none was due).
  bool ok = true;
  // The report lines (one per due site, or one saying that none was due).
  std::vector<std::string> Lines() const;
};

// Puts a rotation live on a host, for a live directory that is an "sftp://" address: the
// rotation's folder `source` less what `selection` leaves out. True when it is live there; false
// with the reason (naming the host and the cause). The publishing layer provides it to the
// programs; without one such a site is refused.
using RemoteLive = std::function<bool(const std::string& source, const LiveSelection& selection,
                                      const std::string& address, std::string* error)>;

// True when a live directory is an address on a host ("sftp://...") rather than a folder here.
bool IsRemoteLivePath(const std::string& live);

// Why turnwheel would refuse to put any rotation of the site into `live` (an expanded path), in the
// words of its report line ("the live directory, D, is the data directory"); empty when it would
// not. The record's Path is the site's folder as typed or stored. (Whether a rotation's files
// would land on the user's is known only when that rotation is due.)
std::string LiveDirectoryRefusal(const SiteRecord& site, const std::string& live,
                                 bool use_rotations);

// What a live copy of rotation `rotation` of a site leaves out: the site's other rotations.
LiveSelection RotationSelection(const IniFile& site_ini, std::string_view site_path, int count,
                                int rotation, bool use_rotations);

// What the live copy of rotation `rotation` of the site leaves out: the site's other rotations'
// folders, and the originals of its display copies while they are on.
LiveSelection SiteRotationSelection(const std::string& site_key, int rotation, bool use_rotations);

// The live copy of rotation `rotation` of the site `site_key` (RotationLiveFiles of its folder
// without the site's other rotations): what turnwheel puts live and what a publisher sends.
bool SiteRotationLiveFiles(const std::string& site_key, int rotation, bool use_rotations,
                           std::vector<LiveFile>* files, std::string* error);

// Rotates one site of the catalogue in the data directory; nullopt when it is not due. The
// rotation due is CurrentRotationPosition, or 1 when that is below 1 or beyond RotationCount.
// Only a rotation that went live moves the number on (to the next, wrapping to 1); an unbuilt,
// refused or failed one stays due and the live directory keeps what it held. Of the live folder,
// only what turnwheel put there (LiveRecord) is replaced or removed; the rotation is refused when
// one of its files would land on anything else there.
// A live directory on a host is filled through `remote`.
std::optional<SiteRotation> RotateSite(const std::string& site_key, bool use_rotations,
                                       const RemoteLive& remote = {});

// Rotates every due site of sites.ini; the rotation default directories follow options.ini.
TurnwheelResult RotateSites(const RemoteLive& remote = {});

}  // namespace parvel
