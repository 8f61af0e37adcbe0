#include "addimages/thumbgrid.h"

#include <algorithm>
#include <set>

#include "addimages/addimage.h"
#include "base/fileparts.h"
#include "base/textutil.h"
#include "builder/thumbnail.h"
#include "imaging/resample.h"

namespace parvel {

namespace {

// The image fitted into the recipe's box and resampled to the recipe's scale.
Raster FitToRecipe(const Raster& image, const ThumbRecipe& recipe) {
  const GridRect fit =
      FitIntoBox(image.width, image.height, {0, 0, recipe.box_width, recipe.box_height});
  const int width = std::max(fit.width * recipe.scale, 1);
  const int height = std::max(fit.height * recipe.scale, 1);
  if (width == image.width && height == image.height && image.bits == 24) return image;
  Raster fitted;
  fitted.Allocate(width, height, 24);
  Resample(image, fitted, ResampleFilter::Box);
  return fitted;
}

std::optional<Raster> MadeFrom(const std::string& path, int box_width, int box_height) {
  try {
    Raster image = MakeThumbnailImage(path, box_width, box_height);
    if (image.width <= 0 || image.height <= 0) return std::nullopt;
    return image;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

GridRect FitIntoBox(int width, int height, const GridRect& box) {
  if (width <= 0 || height <= 0 || box.width <= 0 || box.height <= 0)
    return {box.left, box.top, 0, 0};
  int w = box.width;
  int h = static_cast<int>(static_cast<std::int64_t>(height) * box.width / width);
  if (h > box.height) {
    h = box.height;
    w = static_cast<int>(static_cast<std::int64_t>(width) * box.height / height);
  }
  w = std::max(w, 1);
  h = std::max(h, 1);
  return {box.left + (box.width - w) / 2, box.top + (box.height - h) / 2, w, h};
}

std::string ShortenCaption(std::string caption, int room,
                           const std::function<int(std::string_view)>& text_width) {
  if (text_width(caption) <= room) return caption;
  caption += "..";
  // Drop the character before the "..", one at a time (a UTF-8 character as a whole).
  while (caption.size() > 3 && text_width(caption) > room) {
    std::size_t cut = caption.size() - 3;
    while (cut > 0 && (static_cast<unsigned char>(caption[cut]) & 0xC0) == 0x80) --cut;
    caption.erase(cut, caption.size() - 2 - cut);
  }
  return caption;
}

ThumbResult MakeGridThumbnail(const SourceStamp& stamp, const ThumbRecipe& recipe) {
  ThumbResult result{stamp, std::nullopt};
  const int made_width = recipe.box_width * recipe.scale;
  const int made_height = recipe.box_height * recipe.scale;
  std::optional<Raster> image;
  if (!recipe.supported_formats.empty() && !ExtensionInList(stamp.path, recipe.supported_formats)) {
    if (!recipe.non_supported_thumb.empty()) {
      image = MadeFrom(recipe.non_supported_thumb, made_width, made_height);
    }
  } else {
    const std::int64_t mtime_seconds = stamp.mtime_ns >= 0
                                           ? stamp.mtime_ns / 1'000'000'000
                                           : -((-stamp.mtime_ns + 999'999'999) / 1'000'000'000);
    if (recipe.shared != nullptr) {
      // A file manager may have made either size; the normal one is the cheaper read.
      image = recipe.shared->Read(stamp.path, mtime_seconds, SharedThumbSize::Normal);
      if (!image) image = recipe.shared->Read(stamp.path, mtime_seconds, SharedThumbSize::Large);
    }
    if (!image) {
      // The shared cache's normal size serves the file manager as well as this box.
      const int side = static_cast<int>(SharedThumbSize::Normal);
      const bool for_shared = recipe.shared != nullptr && made_width <= side && made_height <= side;
      image = for_shared ? MadeFrom(stamp.path, side, side)
                         : MadeFrom(stamp.path, made_width, made_height);
      if (image && for_shared) {
        recipe.shared->Write(stamp.path, mtime_seconds, SharedThumbSize::Normal, *image);
      }
    }
  }
  if (!image && !recipe.load_error_thumb.empty()) {
    image = MadeFrom(recipe.load_error_thumb, made_width, made_height);
  }
  if (image) result.image = FitToRecipe(*image, recipe);
  return result;
}

// --- The grid ---

ThumbGrid::ThumbGrid() {
  ComputeCellSize();
}

ThumbGrid::~ThumbGrid() = default;

void ThumbGrid::ComputeCellSize() {
  switch (display_) {
    case ThumbDisplay::tdtLargeIcon:
      col_width_ = 2 * padding_ + 6 + thumb_width_;
      row_height_ = text_height_ + 2 * padding_ + thumb_height_ + 11;
      break;
    case ThumbDisplay::tdtIconInfo:
      col_width_ = 2 * padding_ + 8 + thumb_width_ / 2 + filename_width_;
      row_height_ = 2 * padding_ + 6 + thumb_height_ / 2;
      break;
    case ThumbDisplay::tdtFilename:
      col_width_ = 2 * padding_ + filename_width_;
      row_height_ = text_height_ + 2 * padding_;
      break;
  }
}

void ThumbGrid::SetThumbDisplayType(ThumbDisplay type) {
  display_ = type;
  ComputeCellSize();
}

void ThumbGrid::SetTextHeight(int pixels) {
  text_height_ = std::max(pixels, 1);
  ComputeCellSize();
}

void ThumbGrid::SetColCount(int cols) {
  cols_ = std::max(cols, 1);
  const int count = ItemCount();
  rows_ = std::max(count / cols_ + (count % cols_ != 0 && count > cols_ ? 1 : 0), 1);
}

bool ThumbGrid::Resize(int width) {
  if (relayout_running_ || col_width_ <= 0) return false;
  const int cols = std::max((width - 20) / col_width_, 1);
  if (cols == cols_) return false;
  relayout_running_ = true;
  SetColCount(cols);
  Fill(true);
  relayout_running_ = false;
  return true;
}

void ThumbGrid::SetFileSource(FileSource source, bool reset, bool select) {
  source_ = std::move(source);
  Fill(false);
  if (reset && !items_.empty()) {
    current_ = 0;
    anchor_ = 0;
    if (select) {
      MouseDown(0, GridButton::Left, {});
      MouseUp({});
    }
  }
}

void ThumbGrid::Fill(bool keep_state) {
  std::set<std::string> selected;
  std::string current_path;
  std::string anchor_path;
  if (keep_state) {
    for (const auto& item : items_) {
      if (item.selected) selected.insert(item.path);
    }
    if (current_ >= 0) current_path = items_[static_cast<std::size_t>(current_)].path;
    if (anchor_ >= 0) anchor_path = items_[static_cast<std::size_t>(anchor_)].path;
  }
  std::vector<Item> old = std::move(items_);
  std::unordered_map<std::string, int> old_index = std::move(by_path_);
  items_.clear();
  by_path_.clear();
  std::string prefix = source_.directory;
  if (!prefix.empty() && prefix.back() != '/') prefix += '/';
  for (const auto& name : source_.items) {
    Item item;
    item.path = prefix + name;
    // A relayout keeps what is known of each file; a load looks at the files afresh.
    if (keep_state) {
      if (const auto found = old_index.find(item.path); found != old_index.end()) {
        item = std::move(old[static_cast<std::size_t>(found->second)]);
      }
      item.selected = selected.contains(item.path);
    }
    by_path_.emplace(item.path, static_cast<int>(items_.size()));
    items_.push_back(std::move(item));
  }
  SetColCount(cols_);
  current_ = -1;
  previous_current_ = -1;
  anchor_ = -1;
  pressed_ = -1;
  last_release_plain_ = false;
  scroll_target_ = 0;
  if (keep_state) {
    if (const auto found = by_path_.find(current_path); found != by_path_.end()) {
      current_ = found->second;
      scroll_target_ = current_;
    }
    if (const auto found = by_path_.find(anchor_path); found != by_path_.end()) {
      anchor_ = found->second;
    }
  }
}

int ThumbGrid::ItemAt(int col, int row) const {
  if (col < 0 || row < 0 || col >= cols_) return -1;
  const int item = row * cols_ + col;
  return item < ItemCount() ? item : -1;
}

int ThumbGrid::SelectedCount() const {
  return static_cast<int>(
      std::count_if(items_.begin(), items_.end(), [](const Item& item) { return item.selected; }));
}

int ThumbGrid::GetSelectedFiles(std::vector<std::string>& list) const {
  list.clear();
  for (const auto& item : items_) {
    if (item.selected) list.push_back(item.path);
  }
  return static_cast<int>(list.size());
}

std::string ThumbGrid::Caption(int item) const {
  const std::string name = FileNamePart(Path(item));
  if (!HideFileExtensions) return name;
  const auto dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::optional<int> ThumbGrid::TakeScrollTarget() {
  auto target = scroll_target_;
  scroll_target_.reset();
  return target;
}

void ThumbGrid::ClearSelection() {
  for (auto& item : items_) item.selected = false;
}

void ThumbGrid::SelectRange(int from, int to) {
  if (from < 0 || to < 0) return;
  if (from > to) std::swap(from, to);
  for (int i = from; i <= to && i < ItemCount(); ++i)
    items_[static_cast<std::size_t>(i)].selected = true;
}

void ThumbGrid::MouseDown(int item, GridButton button, GridModifiers modifiers) {
  pressed_ = -1;
  if (item < 0 || item >= ItemCount()) return;
  pressed_ = item;
  pressed_button_ = button;
  previous_current_ = current_;
  current_ = item;
  if (!modifiers.shift) anchor_ = item;
  Item& pressed = items_[static_cast<std::size_t>(item)];
  pressed_was_selected_ = pressed.selected;
  if (!(button == GridButton::Right && pressed.selected)) {
    if (!MultipleSelect || (!pressed.selected && !modifiers.shift && !modifiers.ctrl)) {
      ClearSelection();
    }
  }
  pressed.selected = true;
}

void ThumbGrid::MouseUp(GridModifiers modifiers) {
  if (pressed_ < 0 || pressed_ >= ItemCount()) return;
  const int item = pressed_;
  pressed_ = -1;
  if (MultipleSelect && modifiers.shift) {
    if (!modifiers.ctrl && !last_release_plain_) ClearSelection();
    SelectRange(anchor_ < 0 ? item : anchor_, current_);
  } else if (MultipleSelect && modifiers.ctrl) {
    if (pressed_was_selected_) items_[static_cast<std::size_t>(item)].selected = false;
  } else if (pressed_was_selected_ && pressed_button_ != GridButton::Right) {
    ClearSelection();
    items_[static_cast<std::size_t>(item)].selected = true;
  }
  last_release_plain_ = !modifiers.shift && !modifiers.ctrl;
}

bool ThumbGrid::KeyDown(GridKey key, GridModifiers modifiers, int visible_rows, int visible_cols) {
  if (DisableComponentKeyEventHandling || items_.empty()) return false;
  if (key == GridKey::Shift || key == GridKey::Control || key == GridKey::Other) return false;
  const int last = ItemCount() - 1;
  const int from = std::max(current_, 0);
  const int col = from % cols_;
  const int row = from / cols_;
  int target = -1;
  switch (key) {
    case GridKey::Home:
      target = 0;
      break;
    case GridKey::End:
      target = last;
      break;
    case GridKey::PageUp:
    case GridKey::PageDown: {
      const int step = std::max(visible_rows - 1, 1) * std::max(visible_cols, 1);
      target = std::clamp(key == GridKey::PageUp ? from - step : from + step, 0, last);
      break;
    }
    case GridKey::Left:
      target = from - 1;
      break;
    case GridKey::Right:
      target = from + 1;
      break;
    case GridKey::Up:
      target = row > 0 ? ItemAt(col, row - 1) : ItemAt(col - 1, rows_ - 1);
      break;
    case GridKey::Down:
      target = row + 1 < rows_ ? ItemAt(col, row + 1) : ItemAt(col + 1, 0);
      break;
    default:
      break;
  }
  if (target < 0 || target > last) return false;
  MouseDown(target, GridButton::Left, modifiers);
  MouseUp(modifiers);
  scroll_target_ = target;
  return true;
}

bool ThumbGrid::SelectAll() {
  if (items_.empty()) return false;
  if (!MultipleSelect) {
    if (current_ < 0) return false;
    ClearSelection();
    items_[static_cast<std::size_t>(current_)].selected = true;
    return true;
  }
  for (auto& item : items_) item.selected = true;
  // A Shift+key after it starts a fresh range from the anchor.
  last_release_plain_ = false;
  return true;
}

GridRect ThumbGrid::InsetCell(int item) const {
  const int col = item % cols_;
  const int row = item / cols_;
  return {col * col_width_ + padding_, row * row_height_ + padding_,
          std::max(col_width_ - 2 * padding_, 0), std::max(row_height_ - 2 * padding_, 0)};
}

GridRect ThumbGrid::ThumbBox(int item) const {
  const GridRect cell = InsetCell(item);
  const bool half = display_ == ThumbDisplay::tdtIconInfo;
  return {cell.left + 2, cell.top + 2, half ? thumb_width_ / 2 : thumb_width_,
          half ? thumb_height_ / 2 : thumb_height_};
}

const std::optional<SourceStamp>& ThumbGrid::Stamp(int item) {
  Item& entry = items_[static_cast<std::size_t>(item)];
  if (!entry.stamped) {
    entry.stamped = true;
    entry.stamp = StampFile(entry.path);
  }
  return entry.stamp;
}

const Raster* ThumbGrid::Thumbnail(int item, bool* wanted) {
  if (wanted) *wanted = false;
  if (!ShowsThumbnails() || item < 0 || item >= ItemCount()) return nullptr;
  Item& entry = items_[static_cast<std::size_t>(item)];
  const std::optional<SourceStamp>& stamp = Stamp(item);
  if (entry.failed) return nullptr;
  if (entry.own) return &*entry.own;
  if (stamp) {
    if (const Raster* cached = memory_.Find(*stamp)) return cached;
  }
  if (wanted) *wanted = true;
  return nullptr;
}

ThumbRecipe ThumbGrid::Recipe() {
  ThumbRecipe recipe;
  const bool half = display_ == ThumbDisplay::tdtIconInfo;
  recipe.box_width = half ? thumb_width_ / 2 : thumb_width_;
  recipe.box_height = half ? thumb_height_ / 2 : thumb_height_;
  recipe.scale = half ? 2 : 1;
  recipe.supported_formats = SupportedFormats;
  recipe.non_supported_thumb = NonSupportedFormatThumb;
  recipe.load_error_thumb = LoadErrorThumb;
  recipe.shared = shared_.get();
  return recipe;
}

void ThumbGrid::ThumbnailMade(ThumbResult result) {
  const auto found = by_path_.find(result.stamp.path);
  if (found == by_path_.end()) {
    // A file of an earlier folder: still worth keeping for a return to it.
    if (result.image) memory_.Store(result.stamp, std::move(*result.image));
    return;
  }
  Item& entry = items_[static_cast<std::size_t>(found->second)];
  const std::optional<SourceStamp>& stamp = Stamp(found->second);
  const bool current = stamp ? *stamp == result.stamp : result.stamp.size == 0;
  if (!current) return;  // the file changed since it was asked for
  if (!result.image) {
    entry.failed = true;
  } else if (memory_.slot_count() > 0) {
    memory_.Store(result.stamp, std::move(*result.image));
  } else {
    entry.own = std::move(*result.image);
  }
}

}  // namespace parvel
