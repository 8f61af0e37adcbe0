// The thumbnail grid's workers: threads that make the thumbnails a window asks for, the most
// recently asked first, and hand them back through a callback, so that the window's thread never
// decodes an image.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "addimages/thumbgrid.h"

namespace parvel {

class ThumbLoader {
 public:
  // What the thumbnails being made may hold in memory at once, by the builder's estimate.
  static constexpr std::uint64_t kMemoryBudget = std::uint64_t{160} << 20;
  // After a decode estimated at this or more, freed memory is given back to the system.
  static constexpr std::uint64_t kTrimAfterBytes = std::uint64_t{16} << 20;

  // `ready` is called on a worker thread whenever a result is waiting; it should only arrange
  // for TakeResults to be called on the window's thread. `threads` 0 picks one per processor:
  // the window's thread only paints.
  explicit ThumbLoader(std::function<void()> ready, int threads = 0);
  // Stops the workers after the thumbnails they are making.
  ~ThumbLoader();
  ThumbLoader(const ThumbLoader&) = delete;
  ThumbLoader& operator=(const ThumbLoader&) = delete;

  // Replaces the waiting requests with these, in order (the visible cells first). A file being
  // made already is not asked for twice.
  void Want(std::vector<SourceStamp> files, const ThumbRecipe& recipe);
  // The thumbnails made since the last call, in the order they were finished.
  std::vector<ThumbResult> TakeResults();
  // Whether anything is waiting or being made.
  bool Busy() const;

 private:
  void Work();

  std::function<void()> ready_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<SourceStamp> queue_;
  ThumbRecipe recipe_;
  std::set<std::string> in_flight_;
  std::vector<ThumbResult> results_;
  std::uint64_t bytes_in_flight_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace parvel
