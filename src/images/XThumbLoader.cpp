#include "images/XThumbLoader.h"

#include <algorithm>
#include <utility>

namespace parvel {

TThumbLoader::TThumbLoader(std::function<void()> ready, int threads) : ready_(std::move(ready)) {
  if (threads <= 0) {
    threads = std::max(static_cast<int>(std::thread::hardware_concurrency()), 1);
  }
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

TThumbLoader::~TThumbLoader() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  for (auto& thread : threads_) thread.join();
}

void TThumbLoader::Want(std::vector<FileStamp> files, const ThumbRecipe& recipe) {
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

std::vector<ThumbResult> TThumbLoader::TakeResults() {
  const std::lock_guard lock(mutex_);
  return std::exchange(results_, {});
}

bool TThumbLoader::Busy() const {
  const std::lock_guard lock(mutex_);
  return !queue_.empty() || !in_flight_.empty() || !results_.empty();
}

void TThumbLoader::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    FileStamp file = std::move(queue_.front());
    queue_.pop_front();
    if (in_flight_.contains(file.path)) continue;
    in_flight_.insert(file.path);
    const ThumbRecipe recipe = recipe_;
    lock.unlock();
    ThumbResult result = MakeGridThumbnail(file, recipe);
    lock.lock();
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
