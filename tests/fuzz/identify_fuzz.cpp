// Feeds arbitrary first bytes of a file, under each extension the registry knows, to the check
// that decides whether a file is a picture before it is added: it may only answer, never raise or
// crash. A picture's reader must be one that accepts the bytes: by its signature, or (without
// one) by its header check and the file's extension.
#include "fuzz_support.h"
#include "imaging/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace parvel;
  if (size == 0) return 0;
  // The first byte names the extension: a reader's, none, or one no reader has.
  const std::span<const ImageFormat> readers = ImageFormats();
  const std::size_t pick = data[0] % (readers.size() + 2);
  const std::string extension = pick < readers.size() ? "." + std::string(readers[pick].extension)
                                : pick == readers.size() ? std::string()
                                                         : std::string(".txt");
  const std::span<const std::uint8_t> head(data + 1, size - 1);
  const PictureIdentity identity = IdentifyPicture(head, extension);
  const ImageFormat* reader = identity.reader;
  fuzz::Check((identity.verdict == PictureVerdict::Picture) == (reader != nullptr));
  if (reader == nullptr) {
    fuzz::Check(identity.verdict != PictureVerdict::Undecodable || !identity.reason.empty());
    return 0;
  }
  if (reader->HasSignature()) {
    fuzz::Check(reader->IsSignature(head.first(std::min(head.size(), kSignatureBytes))));
  } else {
    fuzz::Check("." + std::string(reader->extension) == extension);
    reader->Info(head.first(std::min(head.size(), kIdentifyBytes)), 0);  // accepted: no raise
  }
  return 0;
}
