// Written here because the codec library decodes every scan it is given and has no way to be
// told that a component's AC scans go unused; the walk reads only marker structure.
#include "imaging/formats/jpegscan.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace parvel {
namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kDqt = 0xDB;
constexpr std::uint8_t kDri = 0xDD;
constexpr std::uint8_t kDht = 0xC4;
constexpr std::uint8_t kSofProgressive = 0xC2;
constexpr std::uint8_t kCom = 0xFE;
constexpr int kMaxComponents = 10;
// The coefficients whose precision decides whether the library smooths blocks (1..9).
constexpr int kSmoothingCoefficients = 10;

bool IsRestart(std::uint8_t code) {
  return code >= 0xD0 && code <= 0xD7;
}
bool IsApp(std::uint8_t code) {
  return code >= 0xE0 && code <= 0xEF;
}

struct Component {
  int id = 0;
  bool dc_only = false;
  bool scanned = false;
  std::array<int, kSmoothingCoefficients> bits{};  // -1 until first coded, then its Al
};

class Walk {
 public:
  Walk(std::span<const std::uint8_t> data, std::span<const bool> dc_only, JpegRanges& kept)
      : d_(data), dc_only_(dc_only), kept_(kept) {}

  bool Run() {
    kept_.clear();
    if (d_.size() < 4 || d_[0] != 0xFF || d_[1] != kSoi) return false;
    pos_ = 2;
    while (true) {
      const std::size_t marker_at = pos_;
      int code = NextMarker();
      if (code < 0) return false;
      if (code == kEoi) {
        Keep(range_start_, pos_);  // up to and with the end-of-image marker
        return dropped_ && SmoothingUnused();
      }
      if (code == kSoi || IsRestart(static_cast<std::uint8_t>(code))) return false;
      std::size_t length = 0;
      if (!SegmentLength(&length)) return false;
      const std::size_t body = pos_ + 2;
      const std::size_t end = pos_ + length;
      if (code == kSofProgressive) {
        if (!Frame(body, end)) return false;
      } else if (code == kSos) {
        if (!Scan(marker_at, body, end)) return false;
        continue;
      } else if (code != kDht && code != kDqt && code != kDri && code != kCom && !IsApp(code)) {
        // Baseline and sequential frames need no filtering; arithmetic coding, number-of-lines
        // and anything else unknown are left to the full decode.
        return false;
      }
      pos_ = end;
    }
  }

 private:
  // Reads a marker at pos_ (fill bytes allowed) and leaves pos_ just after its code; -1 when
  // the data does not continue with a marker.
  int NextMarker() {
    if (pos_ >= d_.size() || d_[pos_] != 0xFF) return -1;
    while (pos_ < d_.size() && d_[pos_] == 0xFF) ++pos_;
    if (pos_ >= d_.size()) return -1;
    const std::uint8_t code = d_[pos_++];
    if (code == 0x00) return -1;
    return code;
  }

  // The segment length at pos_ (counting its own two bytes), checked against the data.
  bool SegmentLength(std::size_t* length) {
    if (pos_ + 2 > d_.size()) return false;
    *length = static_cast<std::size_t>(d_[pos_]) << 8 | d_[pos_ + 1];
    return *length >= 2 && pos_ + *length <= d_.size();
  }

  bool Frame(std::size_t body, std::size_t end) {
    if (!components_.empty() || end - body < 6) return false;
    const std::size_t count = d_[body + 5];
    if (d_[body] != 8 || count == 0 || count > kMaxComponents || count != dc_only_.size() ||
        end - body != 6 + 3 * count) {
      return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
      Component c;
      c.id = d_[body + 6 + 3 * i];
      c.dc_only = dc_only_[i];
      c.bits.fill(-1);
      if (Find(c.id) != nullptr) return false;
      components_.push_back(c);
    }
    return true;
  }

  Component* Find(int id) {
    for (Component& c : components_) {
      if (c.id == id) return &c;
    }
    return nullptr;
  }

  // A scan header from marker_at, its body and end; then its entropy-coded data up to the next
  // marker. Leaves pos_ at that marker.
  bool Scan(std::size_t marker_at, std::size_t body, std::size_t end) {
    if (components_.empty() || end - body < 1) return false;
    const std::size_t count = d_[body];
    if (count == 0 || count > 4 || end - body != 4 + 2 * count) return false;
    std::array<Component*, 4> in_scan{};
    for (std::size_t i = 0; i < count; ++i) {
      Component* c = Find(d_[body + 1 + 2 * i]);
      if (c == nullptr) return false;
      for (std::size_t j = 0; j < i; ++j) {
        if (in_scan[j] == c) return false;
      }
      in_scan[i] = c;
    }
    const int ss = d_[end - 3];
    const int se = d_[end - 2];
    const int ah = d_[end - 1] >> 4;
    const int al = d_[end - 1] & 0x0F;
    // The library's own checks of a progressive scan: anything it would refuse is its to report.
    if (ss == 0 ? se != 0 : (se < ss || se > 63 || count != 1)) return false;
    if ((ah != 0 && al != ah - 1) || al > 13) return false;
    for (std::size_t i = 0; i < count; ++i) {
      Component& c = *in_scan[i];
      // A component's quantisation table is taken at its first scan; keep that scan the same.
      if (!c.scanned && ss != 0) return false;
      c.scanned = true;
      for (int k = ss; k <= std::min(se, kSmoothingCoefficients - 1); ++k) c.bits[k] = al;
    }
    pos_ = end;
    if (!SkipEntropyData()) return false;
    if (ss != 0 && in_scan[0]->dc_only) {
      Keep(range_start_, marker_at);
      range_start_ = pos_;
      dropped_ = true;
    }
    return true;
  }

  // Moves pos_ past entropy-coded data (stuffed bytes and restart markers included) to the
  // 0xFF that starts the next marker.
  bool SkipEntropyData() {
    while (true) {
      const void* hit = std::memchr(d_.data() + pos_, 0xFF, d_.size() - pos_);
      if (hit == nullptr) return false;
      const std::size_t ff =
          static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - d_.data());
      std::size_t after = ff;
      while (after < d_.size() && d_[after] == 0xFF) ++after;
      if (after >= d_.size()) return false;
      const std::uint8_t code = d_[after];
      if (code == 0x00 || IsRestart(code)) {
        pos_ = after + 1;
        continue;
      }
      pos_ = ff;
      return true;
    }
  }

  void Keep(std::size_t from, std::size_t to) {
    if (to > from) kept_.push_back(d_.subspan(from, to - from));
  }

  bool SmoothingUnused() const {
    for (const Component& c : components_) {
      for (int k = 1; k < kSmoothingCoefficients; ++k) {
        if (c.bits[k] != 0) return false;
      }
    }
    return true;
  }

  std::span<const std::uint8_t> d_;
  std::span<const bool> dc_only_;
  JpegRanges& kept_;
  std::vector<Component> components_;
  std::size_t pos_ = 0;
  std::size_t range_start_ = 0;
  bool dropped_ = false;
};

}  // namespace

bool FilterProgressiveScans(std::span<const std::uint8_t> data, std::span<const bool> dc_only,
                            JpegRanges& kept) {
  if (std::find(dc_only.begin(), dc_only.end(), true) == dc_only.end()) return false;
  Walk walk(data, dc_only, kept);
  if (walk.Run()) return true;
  kept.clear();
  return false;
}

std::size_t RangesSize(const JpegRanges& kept) {
  std::size_t total = 0;
  for (const auto& r : kept) total += r.size();
  return total;
}

}  // namespace parvel
