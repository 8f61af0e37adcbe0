#include "build/thumbpool.h"

#include <algorithm>
#include <utility>

#include "imaging/formats/jpeg.h"

namespace parvel {

int DefaultThumbnailJobs() {
  // Each worker may hold one large photograph's decode (about 100 MB for 24 MP), so many-core
  // machines get no more than eight.
  return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

ThumbnailPool::ThumbnailPool(std::vector<std::string> sources, int workers, int look_ahead,
                             Maker maker)
    : sources_(std::move(sources)),
      maker_(std::move(maker)),
      results_(sources_.size()),
      done_(sources_.size(), 0) {
  const int count = std::max(1, workers);
  look_ahead_ = static_cast<std::size_t>(std::max(count, look_ahead));
  threads_.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) threads_.emplace_back([this] { Work(); });
}

ThumbnailPool::~ThumbnailPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void ThumbnailPool::Work() {
  // Each worker keeps its progressive decodes' coefficient memory from one image to the next.
  JpegCoefficientReuse reuse;
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    changed_.wait(
        lock, [this] { return stop_ || next_ >= sources_.size() || next_ < taken_ + look_ahead_; });
    if (stop_ || next_ >= sources_.size()) return;
    const std::size_t slot = next_++;
    std::vector<std::uint8_t> result;
    if (!sources_[slot].empty()) {
      lock.unlock();
      try {
        result = maker_(sources_[slot]);
      } catch (...) {
        result.clear();  // an empty result: the build's thread tries again and reports
      }
      lock.lock();
    }
    results_[slot] = std::move(result);
    done_[slot] = 1;
    changed_.notify_all();
  }
}

bool ThumbnailPool::WaitFor(std::size_t index, std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (index >= sources_.size()) return true;
  return changed_.wait_for(lock, timeout, [&] { return done_[index] != 0; });
}

std::vector<std::uint8_t> ThumbnailPool::Take(std::size_t index) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (index >= sources_.size()) return {};
  changed_.wait(lock, [&] { return done_[index] != 0; });
  std::vector<std::uint8_t> result = std::move(results_[index]);
  results_[index] = {};
  taken_ = std::max(taken_, index + 1);
  changed_.notify_all();
  return result;
}

}  // namespace parvel
