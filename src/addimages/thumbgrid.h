// The thumbnail grid without its window: image files of a folder laid out row by row in a grid of
// cells, each shown as a thumbnail with its name, the mouse and key selection, the cell sizes of
// the three display types, the relayout when the width changes, and the thumbnails themselves
// (the memory cache, the desktop's shared cache, and making one from a file). A window
// paints from it and feeds it the mouse, the keys and its width; the thumbnails are made on
// worker threads (ThumbLoader) and handed back to the window's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "addimages/sharedthumbs.h"
#include "addimages/thumbcache.h"
#include "imaging/raster.h"

namespace parvel {

enum class ThumbDisplay { tdtLargeIcon = 0, tdtIconInfo = 1, tdtFilename = 2 };

enum class GridButton { Left, Right };
enum class GridKey { Home, End, PageUp, PageDown, Left, Right, Up, Down, Shift, Control, Other };

struct GridModifiers {
  bool shift = false;
  bool ctrl = false;
};

struct GridRect {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const GridRect&, const GridRect&) = default;
};

// The rectangle of a `width` x `height` image fitted into `box`, keeping its proportions
// (enlarged or reduced as needed) and centred in it.
GridRect FitIntoBox(int width, int height, const GridRect& box);

// A caption shortened to `room` pixels: when wider, ".." is appended and the character before it
// removed, one at a time, until it fits or is only 3 characters long.
std::string ShortenCaption(std::string caption, int room,
                           const std::function<int(std::string_view)>& text_width);

// What making a thumbnail needs to know, taken from the grid when it is asked for, so that a
// worker thread never reads the grid itself.
struct ThumbRecipe {
  int box_width = 90;  // the fitted image's box (half the thumbnail box for tdtIconInfo)
  int box_height = 75;
  int scale = 1;  // the image is resampled to scale times the fitted size
  std::string supported_formats;
  std::string non_supported_thumb;
  std::string load_error_thumb;
  const SharedThumbnailCache* shared = nullptr;  // null: the shared cache is not used
};

// A thumbnail made for one file: the fitted image, or nothing when it could not be made.
struct ThumbResult {
  SourceStamp stamp;
  std::optional<Raster> image;
};

// Makes the thumbnail of `stamp`'s file as the recipe says: the shared cache (fresh entries) or
// the file itself (a JPEG decoded at reduced scale), then fitted into the box; a file of an
// extension outside the supported formats uses the non-supported image, and a failure the
// load-error image. A thumbnail made from the file is stored in the shared cache. Safe on any
// thread; never raises.
ThumbResult MakeGridThumbnail(const SourceStamp& stamp, const ThumbRecipe& recipe);

class ThumbGrid {
 public:
  ThumbGrid();
  ~ThumbGrid();
  ThumbGrid(const ThumbGrid&) = delete;
  ThumbGrid& operator=(const ThumbGrid&) = delete;

  // --- Properties ---
  void SetMemoryCacheMaxCacheCount(int count) { memory_.Resize(count); }
  bool HighlightCurrentCell = true;
  bool HideFileExtensions = false;
  ThumbDisplay ThumbDisplayType() const { return display_; }
  void SetThumbDisplayType(ThumbDisplay type);
  bool MultipleSelect = true;
  bool DisableComponentKeyEventHandling = true;
  int CellPadding() const { return padding_; }
  std::string SupportedFormats = "*.jpg;*.bmp;*.jpeg;";
  std::string LoadErrorThumb;
  int FilenameTextWidth() const { return filename_width_; }
  std::string NonSupportedFormatThumb;
  // The desktop's shared thumbnail cache, or null (the default) to leave it alone.
  void SetSharedCache(std::unique_ptr<SharedThumbnailCache> shared) { shared_ = std::move(shared); }

  // The caption font's height in pixels (the font size in points times the screen's pixels per
  // inch over 72, rounded); the row heights follow it.
  void SetTextHeight(int pixels);

  // --- Layout ---
  int ColWidth() const { return col_width_; }
  int RowHeight() const { return row_height_; }
  int ColCount() const { return cols_; }
  void SetColCount(int cols);
  int RowCount() const { return rows_; }
  // The grid's width changed: columns = (width - 20) div column width, at least 1. When that
  // differs from the column count, the file source is laid out again keeping the selected files
  // and the current file. True when the columns changed.
  bool Resize(int width);

  // --- Files ---
  // A file source: the names of a file list under `directory` (a separator is added), or, with
  // `directory` empty, whole paths.
  struct FileSource {
    std::string directory;
    std::vector<std::string> items;
  };
  // Fills the grid from `source` (kept for relayouts): the rows follow the item count, every
  // selected flag is cleared and the view goes to the top. With `reset` the first item becomes
  // current, and with `select` it is then selected as by a plain click.
  void SetFileSource(FileSource source, bool reset, bool select);
  int ItemCount() const { return static_cast<int>(items_.size()); }
  const std::string& Path(int item) const { return items_[static_cast<std::size_t>(item)].path; }
  // The item of a cell, or -1 for a cell past the last item.
  int ItemAt(int col, int row) const;
  int Current() const { return current_; }
  bool Selected(int item) const { return items_[static_cast<std::size_t>(item)].selected; }
  int SelectedCount() const;
  // Clears `list` and adds the path of every selected item in reading order; their number.
  int GetSelectedFiles(std::vector<std::string>& list) const;
  // The caption of an item: its file name, without the extension when HideFileExtensions.
  std::string Caption(int item) const;
  // Set after a load or a relayout, for the view to scroll there; TakeScrollTarget clears it.
  std::optional<int> TakeScrollTarget();

  // --- Mouse and keys ---
  // A press on `item` (-1: a cell without a file, which changes nothing) and the release after.
  void MouseDown(int item, GridButton button, GridModifiers modifiers);
  void MouseUp(GridModifiers modifiers);
  // A navigation key; `visible_rows` and `visible_cols` are the cells the view shows whole. True
  // when the current item moved (the view scrolls to it).
  bool KeyDown(GridKey key, GridModifiers modifiers, int visible_rows, int visible_cols);
  // Selects every item (only the current one when MultipleSelect is off); the current item and
  // the anchor stay. False when there is nothing to select.
  bool SelectAll();

  // --- Cells and thumbnails ---
  // The cell of an item inset by the padding, in grid coordinates.
  GridRect InsetCell(int item) const;
  // The box the thumbnail is fitted into, in grid coordinates.
  GridRect ThumbBox(int item) const;
  bool ShowsThumbnails() const { return display_ != ThumbDisplay::tdtFilename; }
  // The thumbnail of an item for painting, or null. `wanted` is set when it is still to be made
  // (a failed one is not made again until the file changes or the source is reloaded).
  const Raster* Thumbnail(int item, bool* wanted);
  // What a worker needs to make thumbnails as the grid shows them now.
  ThumbRecipe Recipe();
  // A thumbnail made by a worker: stored in the memory cache (or with its item when that is
  // off), or remembered as failed.
  void ThumbnailMade(ThumbResult result);
  // The stamp of an item's file, taken once per load; nullopt when it cannot be read.
  const std::optional<SourceStamp>& Stamp(int item);

 private:
  struct Item {
    std::string path;
    bool selected = false;
    bool stamped = false;
    std::optional<SourceStamp> stamp;
    bool failed = false;
    std::optional<Raster> own;  // the thumbnail while the memory cache is off
  };
  void ComputeCellSize();
  void ClearSelection();
  void SelectRange(int from, int to);
  void Fill(bool keep_state);

  ThumbMemoryCache memory_{100};
  std::unique_ptr<SharedThumbnailCache> shared_;
  ThumbDisplay display_ = ThumbDisplay::tdtFilename;
  int padding_ = 5;
  int thumb_height_ = 75;
  int thumb_width_ = 90;
  int filename_width_ = 70;
  int text_height_ = 13;
  int col_width_ = 0;
  int row_height_ = 0;
  int cols_ = 5;
  int rows_ = 1;
  bool relayout_running_ = false;

  FileSource source_;
  std::vector<Item> items_;
  std::unordered_map<std::string, int> by_path_;
  int current_ = -1;
  int previous_current_ = -1;
  int anchor_ = -1;
  // The press being handled: its item, whether that was selected before, the button.
  int pressed_ = -1;
  bool pressed_was_selected_ = false;
  GridButton pressed_button_ = GridButton::Left;
  bool last_release_plain_ = false;
  std::optional<int> scroll_target_;
};

}  // namespace parvel
