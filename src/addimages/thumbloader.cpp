#include "addimages/thumbloader.h"

#include <malloc.h>

#include <algorithm>

#include <utility>
#include "builder/thumbnail.h"

namespace parvel {

ThumbLoader::ThumbLoader(std::function<void()> ready, int threads) : ready_(std::move(ready)) {
  if (threads <= 0) {
    threads = std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
  }
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

ThumbLoader::~ThumbLoader() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  for (auto& thread : threads_) thread.join();
}

void ThumbLoader::Want(std::vector<SourceStamp> files, const ThumbRecipe& recipe) {
  {
    const std::lock_guard lock(mutex_);
    queue_.clear();
    for (auto& file : files) {
      if (!in_flight_.contains(file.path)) queue_.push_back(std::move(file));
    }
    recipe_ = recipe;
  }
  wake_.notify_all();
}

std::vector<ThumbResult> ThumbLoader::TakeResults() {
  const std::lock_guard lock(mutex_);
  return std::exchange(results_, {});
}

bool ThumbLoader::Busy() const {
  const std::lock_guard lock(mutex_);
  return !queue_.empty() || !in_flight_.empty() || !results_.empty();
}

void ThumbLoader::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    SourceStamp file = std::move(queue_.front());
    queue_.pop_front();
    if (in_flight_.contains(file.path)) continue;
    in_flight_.insert(file.path);
    const ThumbRecipe recipe = recipe_;
    lock.unlock();
    // A photograph whose decode would take the workers past their memory waits for the others
    // (one larger than all of it is made alone).
    const int side = std::max({recipe.box_width * recipe.scale, recipe.box_height * recipe.scale,
                               static_cast<int>(SharedThumbSize::Normal)});
    const std::uint64_t cost = EstimateThumbnailMemory(file.path, side, side);
    lock.lock();
    wake_.wait(lock, [&] {
      return stopping_ || bytes_in_flight_ == 0 || bytes_in_flight_ + cost <= kMemoryBudget;
    });
    bytes_in_flight_ += cost;
    lock.unlock();
    ThumbResult result = MakeGridThumbnail(file, recipe);
    // The allocator keeps what a large decode freed for the next one, in every worker's own
    // arena; given back, the grid holds little more than its thumbnails between decodes.
    if (cost >= kTrimAfterBytes) malloc_trim(0);
    lock.lock();
    bytes_in_flight_ -= cost;
    wake_.notify_all();
    in_flight_.erase(file.path);
    results_.push_back(std::move(result));
    if (ready_) {
      lock.unlock();
      ready_();
      lock.lock();
    }
  }
}

}  // namespace parvel
