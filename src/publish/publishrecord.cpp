#include "publish/publishrecord.h"

#include <openssl/evp.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "model/paths.h"
#include "platform/filesystem.h"

namespace parvel {
namespace {

constexpr char kHeader[] = "Parvel Pro publish record 1";
constexpr char kFolder[] = "Published";

std::string Hex(const unsigned char* bytes, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

std::string Sha256(std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr);
  return Hex(digest, size);
}

// A name on one line: "%", TAB, CR, LF and other control bytes become "%XX".
std::string Escaped(const std::string& name) {
  std::string out;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f || c == '%') {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", byte);
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

bool Unescaped(const std::string& text, std::string* name) {
  name->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *name += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    unsigned value = 0;
    if (std::sscanf(text.substr(i + 1, 2).c_str(), "%2X", &value) != 1) return false;
    *name += static_cast<char>(value);
    i += 2;
  }
  return !name->empty();
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

std::string PublishRecordFileName(const std::string& address) {
  return DataDirectory() + kFolder + "/" + Sha256(address).substr(0, 24) + ".txt";
}

bool LoadPublishRecord(const std::string& address, PublishRecord* record, std::string* error) {
  *record = PublishRecord();
  record->address = address;
  const std::string path = PublishRecordFileName(address);
  std::ifstream in(path, std::ios::binary);
  if (!in) return true;  // nothing published there yet
  const auto broken = [&](const std::string& why) {
    *error = "The publish record " + path + " " + why;
    return false;
  };
  std::string line;
  const auto next = [&] {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  };
  if (!next() || line != kHeader) return broken("is not a publish record");
  if (!next() || line != "address\t" + address) return broken("belongs to another address");
  while (next()) {
    if (line.empty()) continue;
    const std::vector<std::string> f = Fields(line);
    std::string name;
    if (f[0] == "file" && f.size() == 5 && Unescaped(f[4], &name)) {
      PublishedFile file;
      try {
        file.size = std::stoull(f[2]);
        file.mtime_ns = std::stoll(f[3]);
      } catch (const std::exception&) {
        return broken("has a broken line: " + line);
      }
      file.digest = f[1];
      record->files[name] = file;
    } else if (f[0] == "folder" && f.size() == 2 && Unescaped(f[1], &name)) {
      record->folders.insert(name);
    } else if (f[0] == "temporary" && f.size() == 2 && Unescaped(f[1], &name)) {
      record->temporaries.insert(name);
    } else {
      return broken("has a broken line: " + line);
    }
  }
  if (in.bad()) return broken("cannot be read");
  record->exists = true;
  return true;
}

bool SavePublishRecord(const PublishRecord& record, std::string* error) {
  std::ostringstream out;
  out << kHeader << "\r\naddress\t" << record.address << "\r\n";
  for (const auto& folder : record.folders) out << "folder\t" << Escaped(folder) << "\r\n";
  for (const auto& [name, file] : record.files) {
    out << "file\t" << file.digest << '\t' << file.size << '\t' << file.mtime_ns << '\t'
        << Escaped(name) << "\r\n";
  }
  for (const auto& temp : record.temporaries) out << "temporary\t" << Escaped(temp) << "\r\n";
  const std::string folder = DataDirectory() + kFolder;
  std::string ignored;
  if (!DirectoryExists(folder)) Files().CreateDirectory(folder, &ignored);
  return Files().WriteFileAtomic(PublishRecordFileName(record.address), out.str(), error);
}

bool FileDigest(const std::string& path, std::string* digest, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + " cannot be read";
    return false;
  }
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
  EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr);
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) {
    *error = path + " cannot be read";
    return false;
  }
  unsigned char bytes[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  EVP_DigestFinal_ex(ctx.get(), bytes, &size);
  *digest = Hex(bytes, size);
  return true;
}

}  // namespace parvel
