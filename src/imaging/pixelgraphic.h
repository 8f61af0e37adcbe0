// The image layer as the rest of the program sees it: the raster image PixelGraphic with its
// drawing surface, the JPEG image JpegImage that decodes on demand at a reduced scale, and the
// shared operations (load, save, file information, scaled JPEG decode, resampling).
// Errors travel as the ImageError family (imaging/imageerrors.h). Each object belongs to one
// thread at a time; different objects may be used on different threads at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "imaging/imageerrors.h"
#include "imaging/raster.h"
#include "imaging/registry.h"
#include "imaging/text.h"

namespace parvel {

class Interaction;
class PixelGraphic;
class JpegImage;

// Resampling quality when an image is the target of a resample or stretched draw.
enum StretchQuality { smFast = 0, smMedium = 1, smPrecise = 2 };

// What a save does when the writer cannot store the image's colour resolution (by the
// property's numbers).
enum class ResolutionPrompt {
  Convert = 0,  // convert silently
  Warn = 1,     // say so, then convert
  Ask = 2,      // ask OK/Cancel; Cancel refuses the save
  Refuse = 3,   // refuse the save
};

// A rectangle from (Left, Top) up to but not including (Right, Bottom).
struct Rect {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  std::int32_t Width() const { return Right - Left; }
  std::int32_t Height() const { return Bottom - Top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Drawing on the pixels of one PixelGraphic. Everything clips to the image. On an indexed image
// each drawn colour becomes the nearest palette entry.
class ImageCanvas {
 public:
  explicit ImageCanvas(PixelGraphic& owner) : owner_(owner) {}
  ImageCanvas(const ImageCanvas&) = delete;
  ImageCanvas& operator=(const ImageCanvas&) = delete;

  Rgb BrushColor{255, 255, 255};  // the colour FillRect uses
  TextStyle Font;                 // face, size, style and colour of TextOut

  void FillRect(const Rect& rect);
  // Copies `source_rect` of another (or this) canvas into `dest`, stretched with the owner's
  // StretchMode when the sizes differ.
  void CopyRect(const Rect& dest, const ImageCanvas& source, const Rect& source_rect);
  void Draw(std::int32_t x, std::int32_t y, const PixelGraphic& graphic);
  // Decodes the JPEG; straight into the owner's pixels when it exactly covers a 24-bit owner.
  void Draw(std::int32_t x, std::int32_t y, const JpegImage& jpeg);
  void StretchDraw(const Rect& rect, const PixelGraphic& graphic);
  void StretchDraw(const Rect& rect, const JpegImage& jpeg);
  // Draws every pixel of `graphic` except those of colour `transparent`.
  void DrawTransparent(std::int32_t x, std::int32_t y, const PixelGraphic& graphic,
                       Rgb transparent);
  // Writes the glyphs only (the background stays) with the top-left of the text cell at (x, y).
  void TextOut(std::int32_t x, std::int32_t y, std::string_view utf8);
  TextExtent TextSize(std::string_view utf8) const;
  int TextWidth(std::string_view utf8) const { return TextSize(utf8).width; }
  int TextHeight(std::string_view utf8) const { return TextSize(utf8).height; }

 private:
  PixelGraphic& owner_;
};

class PixelGraphic {
 public:
  PixelGraphic();
  PixelGraphic(const PixelGraphic&) = delete;
  PixelGraphic& operator=(const PixelGraphic&) = delete;

  std::int32_t Width() const { return image_.width; }
  std::int32_t Height() const { return image_.height; }
  // Resizing keeps the pixels that stay inside; new pixels are palette index 0 or black.
  // A negative size or one over the raster limits raises ImageError.
  void SetWidth(std::int32_t width) { SetSize(width, image_.height); }
  void SetHeight(std::int32_t height) { SetSize(image_.width, height); }
  void SetSize(std::int32_t width, std::int32_t height);

  // 1, 4, 8 or 24; setting another value raises InvalidBitCountNum. Setting converts the
  // pixels; an empty image gets a standard palette for the depth.
  int BitCountNum() const { return image_.bits; }
  void SetBitCountNum(int bits);

  StretchQuality StretchMode() const { return stretch_mode_; }
  void SetStretchMode(StretchQuality mode) { stretch_mode_ = mode; }
  bool FastJPEGDecode() const { return fast_jpeg_decode_; }
  void SetFastJPEGDecode(bool fast) { fast_jpeg_decode_ = fast; }
  // See SaveToFile. A value outside the four raises ImageError.
  ResolutionPrompt ColorResolutionPrompt() const { return color_resolution_prompt_; }
  void SetColorResolutionPrompt(ResolutionPrompt prompt);

  ImageCanvas& Canvas() { return canvas_; }
  const ImageCanvas& Canvas() const { return canvas_; }

  // The pixel store. SetPixels checks depth, palette and size and raises ImageError when they
  // do not fit together; whoever changes MutablePixels keeps them fitting.
  const Raster& Pixels() const { return image_; }
  Raster& MutablePixels() { return image_; }
  void SetPixels(Raster image);

  // Reads image 0 of any registered format, chosen by content first and extension second;
  // raises UnknownFileFormat or the format's own error.
  void LoadFromFile(const std::string& path);

  // Writes in the format of the path's extension. When that writer cannot store BitCountNum, a
  // converted copy is written (the image itself stays as it is), under ColorResolutionPrompt: Warn
  // and Ask show their box through `ui` (none when null: then it converts silently).
  // JPEG files take quality and progressive from `options`; the overload without options uses
  // the process-wide JPEGSaveQuality and JPEGSaveProgressive of the moment.
  void SaveToFile(const std::string& path, Interaction* ui = nullptr) const;
  void SaveToFile(const std::string& path, const WriteOptions& options,
                  Interaction* ui = nullptr) const;
  // The bytes SaveToFile would write to a file of that path (only its extension counts).
  std::vector<std::uint8_t> Encode(const std::string& path, const WriteOptions& options,
                                   Interaction* ui = nullptr) const;

  // Copies size, depth, palette and pixels.
  void Assign(const PixelGraphic& other);

 private:
  Raster image_;
  StretchQuality stretch_mode_ = smPrecise;
  bool fast_jpeg_decode_ = false;
  ResolutionPrompt color_resolution_prompt_ = ResolutionPrompt::Ask;
  ImageCanvas canvas_;
};

// A JPEG file held compressed; it is decoded whenever it is drawn, and no decoded copy is kept.
class JpegImage {
 public:
  // Reads the file and its headers (size and EXIF orientation); raises
  // JpegError when it is not a readable JPEG file.
  void LoadFromFile(const std::string& path);
  void LoadFromData(std::string data);

  bool DecodeFast() const { return decode_fast_; }
  void SetDecodeFast(bool fast) { decode_fast_ = fast; }
  // 1, 2, 4 or 8; other values raise ImageError.
  int DecodeScale() const { return decode_scale_; }
  void SetDecodeScale(int scale);
  // Leave out the scans of a progressive file that the scale leaves unused (the default): the
  // same pixels, faster.
  bool SkipUnusedScans() const { return skip_unused_scans_; }
  void SetSkipUnusedScans(bool skip) { skip_unused_scans_ = skip; }

  // The size a decode gives at the current scale, turned upright by the EXIF orientation.
  std::int32_t Width() const;
  std::int32_t Height() const;

  // Decodes into `target`, a 24-bit raster of exactly Width() x Height().
  void DecodeInto(Raster& target) const;
  Raster Decode() const;

 private:
  std::span<const std::uint8_t> Bytes() const;

  std::string data_;
  std::int32_t stored_width_ = 0;
  std::int32_t stored_height_ = 0;
  int orientation_ = 1;
  bool decode_fast_ = false;
  int decode_scale_ = 1;
  bool skip_unused_scans_ = true;
};

// Process-wide JPEG save settings, used by saves that are given no options of their own.
extern std::atomic<int> JPEGSaveQuality;       // 0..100, initially 80
extern std::atomic<bool> JPEGSaveProgressive;  // initially false

// Fills the whole of `target` (at its present size; it becomes 24-bit) with the whole of `source`
// scaled to that size, with target's StretchMode: smFast nearest pixel, smMedium area average
// (bilinear when enlarging), smPrecise Lanczos-3. An empty source raises ImageError.
void ResampleFrom(PixelGraphic& target, const PixelGraphic& source);

struct ImageFileInfo {
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bits = 0;
  std::string description;  // the reader's description
};

// Size and depth of image `index` of a file from its headers, without decoding pixels. False
// when the path has no file name, the file is missing, no reader accepts it or its headers are
// unreadable. Never raises.
bool ReadImageFileInfo(const std::string& path, int index, ImageFileInfo* info);

// True for the extensions ".jpg", ".jpeg" and ".jpe" in any case.
bool IsJPEGFileName(std::string_view path);

// The DCT scale (1, 2, 4 or 8) that decodes a JPEG of the stored size into at least the box in
// the dimension that limits it.
int ChooseJPEGScale(std::int32_t stored_width, std::int32_t stored_height, std::int32_t box_width,
                    std::int32_t box_height);

// Sets JPEGSaveQuality and JPEGSaveProgressive, sets the image's ColorResolutionPrompt to Convert
// and saves it with this quality and progressive switch. False on any failure; never raises.
bool SaveToJpeg(PixelGraphic& image, const std::string& path, int quality, bool progressive);

}  // namespace parvel
