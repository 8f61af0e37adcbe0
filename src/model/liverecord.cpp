#include "model/liverecord.h"

#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

// The first line names the format, so that a stray file of that name is not taken for a record.
constexpr std::string_view kHeader = "turnwheel live record 1";
// A record of more than this is no record of ours.
constexpr std::uint64_t kMaxRecordBytes = std::uint64_t{256} << 20;

// One line per path: a backslash, a line feed or a carriage return in a name is escaped.
std::string Escape(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<std::string> Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

}  // namespace

std::string LiveRecordFileName(const std::string& site_key) {
  return DataDirectory() + site_key + ".live";
}

std::optional<LiveRecord> ReadLiveRecord(const std::string& site_key, std::string* error) {
  const std::string file = LiveRecordFileName(site_key);
  if (!PathExists(file)) return std::nullopt;
  std::string text;
  const auto unreadable = [&](const std::string& why) {
    if (error) *error = file + ": " + why;
    return std::nullopt;
  };
  if (!ReadPlainFile(file, kMaxRecordBytes, &text)) return unreadable("cannot be read");
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) return unreadable("is not a record of turnwheel's (cut short)");
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  if (lines.size() < 2 || lines[0] != kHeader) {
    return unreadable("is not a record of turnwheel's");
  }
  LiveRecord record;
  for (size_t i = 1; i < lines.size(); ++i) {
    auto line = Unescape(lines[i]);
    if (!line || line->empty()) return unreadable("is not a record of turnwheel's");
    if (i == 1) {
      record.location = std::move(*line);
    } else {
      record.entries.insert(std::move(*line));
    }
  }
  return record;
}

bool WriteLiveRecord(const std::string& site_key, const LiveRecord& record, std::string* error) {
  std::string text = std::string(kHeader) + "\r\n" + Escape(record.location) + "\r\n";
  for (const auto& entry : record.entries) text += Escape(entry) + "\r\n";
  return Files().WriteFileAtomic(LiveRecordFileName(site_key), text, error);
}

}  // namespace parvel
