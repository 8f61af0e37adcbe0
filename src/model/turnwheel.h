// The rotation schedule that the rotation program and `parvel-cli rotate` run: every site of the
// catalogue whose AutoRotate is on (with a LivePath) puts its next rotation live and moves its
// CurrentRotationPosition on.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/siteop.h"

namespace parvel {

enum class RotationOutcome {
  Live,      // the rotation is live
  NotFound,  // the site has no rotations, or the rotation's directory is missing
  NotBuilt,  // the rotation's directory holds no BaseHTMLName file
  Refused,   // the live directory is unusable (relative, or overlapping the site's own folders)
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

// Puts a rotation's directory live on a host, for a live directory that is an "sftp://" address:
// true when it is live there; false with the reason (naming the host and the cause). The
// publishing layer provides it to the programs; without one such a site is refused.
using RemoteLive =
    std::function<bool(const std::string& source, const std::string& address, std::string* error)>;

// True when a live directory is an address on a host ("sftp://...") rather than a folder here.
bool IsRemoteLivePath(const std::string& live);

// Why turnwheel would refuse to put a rotation of the site into `live` (an expanded path), in the
// words of its report line ("the live directory, D, holds files that ..."); empty when it would
// not. The record's Path is the site's folder as typed or stored.
std::string LiveDirectoryRefusal(const tsiterecord& site, const std::string& live,
                                 bool use_rotations);

// Rotates one site of the catalogue in the data directory; nullopt when it is not due. The
// rotation due is CurrentRotationPosition, or 1 when that is below 1 or beyond RotationCount.
// Only a rotation that went live moves the number on (to the next, wrapping to 1); an unbuilt or
// failed one stays due and the live directory keeps what it held.
// A live directory on a host is filled through `remote`.
std::optional<SiteRotation> RotateSite(const std::string& site_key, bool use_rotations,
                                       const RemoteLive& remote = {});

// Rotates every due site of sites.ini; the rotation default directories follow options.ini.
TurnwheelResult RotateSites(const RemoteLive& remote = {});

}  // namespace parvel
