// Thumbnails made ahead on worker threads while the build's own thread takes them strictly in
// image-list order and does everything the user sees (file writes, progress, questions). A memory
// budget keeps the decodes in flight together within a limit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace parvel {

// The number of workers a build uses when nothing else is asked: the machine's cores, at most 8.
int DefaultThumbnailJobs();

// Calls `each(i)` for every i below `count` on `threads` threads (the calling one among them;
// one thread: in order, on the calling thread). `each` must be safe on several threads at once;
// the first exception it raises is raised here once every thread has stopped.
void ForEachIndex(std::size_t count, int threads, const std::function<void(std::size_t)>& each);

// What the sources being made may hold in memory together.
struct ThumbnailMemoryBudget {
  // What making one source will hold at its peak, found cheaply (from headers, not by decoding),
  // in the unit of `limit`; safe on several threads at once. An exception counts as more than
  // the limit. None: every source counts as nothing.
  std::function<std::uint64_t(const std::string& source)> estimate;
  std::uint64_t limit = 0;
};

class ThumbnailPool {
 public:
  // What a worker does with one source; must be safe to run on several threads at once. An
  // exception counts as an empty result.
  using Maker = std::function<std::vector<std::uint8_t>(const std::string& source)>;

  // Starts `workers` threads (at least 1) over `sources` in order; an empty source is a slot
  // with nothing to make. At most `look_ahead` results (at least `workers`) lie ahead of the
  // next one taken, so memory stays bounded whatever the list's length. Sources start being made
  // in list order, each once the estimates of those in flight leave room for its own within
  // `budget.limit`; when nothing is in flight any source starts, so one larger than the limit is
  // made on its own.
  ThumbnailPool(std::vector<std::string> sources, int workers, int look_ahead, Maker maker,
                ThumbnailMemoryBudget budget = {});
  // Stops the workers (each ends after the image it is on) and drops results not taken.
  ~ThumbnailPool();
  ThumbnailPool(const ThumbnailPool&) = delete;
  ThumbnailPool& operator=(const ThumbnailPool&) = delete;

  // Waits for and hands over the result of slot `index`; slots are taken in increasing order.
  std::vector<std::uint8_t> Take(std::size_t index);
  // Waits at most `timeout` for slot `index`; true when its result is there (Take then returns at
  // once), or the slot has nothing to make, or there is no such slot.
  bool WaitFor(std::size_t index, std::chrono::milliseconds timeout);

 private:
  void Work();
  std::uint64_t Estimate(const std::string& source) const;
  std::size_t NextToMake(std::size_t slot) const;

  std::vector<std::string> sources_;
  Maker maker_;
  ThumbnailMemoryBudget budget_;
  std::size_t look_ahead_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::vector<std::uint8_t>> results_;
  std::vector<char> done_;
  std::size_t next_ = 0;         // the next slot a worker claims
  std::size_t taken_ = 0;        // the slots before this one have been taken
  std::size_t admitted_;         // the next slot with a source that may start being made
  std::uint64_t in_flight_ = 0;  // the estimates of the sources being made
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace parvel
