// The record, in the data directory, of what was published at one address: every file sent (its
// name in the remote folder, size, modification time and SHA-256 digest), the folders the program
// made there, and the names an unfinished publish may have left (its temporaries, and files it may
// have replaced). Only what this record names is ever replaced or removed on the host.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

namespace parvel {

struct PublishedFile {
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;  // the local file's modification time when it was sent
  std::string digest;         // SHA-256 in hex; empty when not known (a file an interrupted
                              // publish may have sent: it is sent again)
};

struct PublishRecord {
  std::string address;                         // PublishAddress::Text()
  std::map<std::string, PublishedFile> files;  // by relative name ("thumbs/a.jpg")
  std::set<std::string> folders;               // folders the program made, relative
  std::set<std::string> temporaries;           // temporaries of an unfinished publish, relative
  bool exists = false;                         // read from a file: something was published here
};

// The record's file in the data directory: "Published/" and a name made from the address.
std::string PublishRecordFileName(const std::string& address);

// Reads the record of `address`; a missing file gives an empty record (exists false). False with
// the reason when the file is there but cannot be read or is not a record of this address.
bool LoadPublishRecord(const std::string& address, PublishRecord* record, std::string* error);

// Writes the record in one step (the old one stays whole when this fails).
bool SavePublishRecord(const PublishRecord& record, std::string* error);

// SHA-256 of a file's bytes in lower-case hex; false with the reason when it cannot be read.
bool FileDigest(const std::string& path, std::string* digest, std::string* error);

}  // namespace parvel
