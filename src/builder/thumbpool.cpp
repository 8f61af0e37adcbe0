#include "builder/thumbpool.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <limits>
#include <utility>

#include "imaging/formats/jpeg.h"

namespace parvel {

int DefaultThumbnailJobs() {
  // Each worker may hold one large photograph's decode (about 100 MB for 24 MP), so many-core
  // machines get no more than eight.
  return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

void ForEachIndex(std::size_t count, int threads, const std::function<void(std::size_t)>& each) {
  const std::size_t helpers =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), count) - (count > 0);
  if (helpers == 0) {
    for (std::size_t i = 0; i < count; ++i) each(i);
    return;
  }
  std::atomic<std::size_t> next{0};
  std::mutex failure_mutex;
  std::exception_ptr failure;
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      try {
        each(i);
      } catch (...) {
        const std::lock_guard<std::mutex> lock(failure_mutex);
        if (!failure) failure = std::current_exception();
        next = count;
      }
    }
  };
  std::vector<std::thread> others;
  for (std::size_t t = 0; t < helpers; ++t) others.emplace_back(work);
  work();
  for (std::thread& t : others) t.join();
  if (failure) std::rethrow_exception(failure);
}

ThumbnailPool::ThumbnailPool(std::vector<std::string> sources, int workers, int look_ahead,
                             Maker maker, ThumbnailMemoryBudget budget)
    : sources_(std::move(sources)),
      maker_(std::move(maker)),
      budget_(std::move(budget)),
      results_(sources_.size()),
      done_(sources_.size(), 0) {
  admitted_ = next_ = NextToMake(0);
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

std::size_t ThumbnailPool::NextToMake(std::size_t slot) const {
  while (slot < sources_.size() && sources_[slot].empty()) ++slot;
  return slot;
}

std::uint64_t ThumbnailPool::Estimate(const std::string& source) const {
  if (!budget_.estimate) return 0;
  try {
    return budget_.estimate(source);
  } catch (...) {
    return std::numeric_limits<std::uint64_t>::max();
  }
}

void ThumbnailPool::Work() {
  // Each worker keeps its progressive decodes' coefficient memory from one image to the next.
  JpegCoefficientReuse reuse;
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    changed_.wait(
        lock, [this] { return stop_ || next_ >= sources_.size() || next_ < taken_ + look_ahead_; });
    if (stop_ || next_ >= sources_.size()) return;
    // Slots with nothing to make are never claimed: an unchanged rebuild wakes no one.
    const std::size_t slot = next_;
    next_ = NextToMake(slot + 1);
    lock.unlock();
    const std::uint64_t cost = Estimate(sources_[slot]);
    lock.lock();
    // Every source before this one has started, and those still in flight leave room. The
    // build's thread waits for the earliest slot not done, which is in flight or this one, so
    // the wait always ends.
    changed_.wait(lock, [&] {
      return stop_ ||
             (admitted_ == slot && (in_flight_ == 0 || (in_flight_ <= budget_.limit &&
                                                        cost <= budget_.limit - in_flight_)));
    });
    if (stop_) return;
    admitted_ = NextToMake(slot + 1);
    in_flight_ += cost;
    changed_.notify_all();
    lock.unlock();
    std::vector<std::uint8_t> result;
    try {
      result = maker_(sources_[slot]);
    } catch (...) {
      result.clear();  // an empty result: the build's thread tries again and reports
    }
    lock.lock();
    in_flight_ -= cost;
    results_[slot] = std::move(result);
    done_[slot] = 1;
    changed_.notify_all();
  }
}

bool ThumbnailPool::WaitFor(std::size_t index, std::chrono::milliseconds timeout) {
  if (index >= sources_.size() || sources_[index].empty()) return true;
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done_[index] != 0; });
}

std::vector<std::uint8_t> ThumbnailPool::Take(std::size_t index) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (index >= sources_.size()) return {};
  std::vector<std::uint8_t> result;
  if (!sources_[index].empty()) {
    changed_.wait(lock, [&] { return done_[index] != 0; });
    result = std::move(results_[index]);
    results_[index] = {};
  }
  // Wakes the workers only when a slot they wait to claim has come within the look-ahead.
  const bool opens =
      next_ < sources_.size() && next_ >= taken_ + look_ahead_ && next_ < index + 1 + look_ahead_;
  taken_ = std::max(taken_, index + 1);
  if (opens) changed_.notify_all();
  return result;
}

}  // namespace parvel
