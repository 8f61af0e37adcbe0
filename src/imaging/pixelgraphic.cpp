#include "imaging/pixelgraphic.h"

#include <algorithm>
#include <utility>

#include "base/fileparts.h"
#include "base/textutil.h"
#include "imaging/convert.h"
#include "imaging/exif.h"
#include "imaging/formats/jpeg.h"
#include "imaging/imageerrors.h"
#include "imaging/resample.h"
#include "platform/filesystem.h"
#include "platform/interaction.h"

namespace parvel {

std::atomic<int> JPEGSaveQuality{80};
std::atomic<bool> JPEGSaveProgressive{false};

namespace {

std::span<const std::uint8_t> AsBytes(std::string_view data) {
  return {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()};
}

std::string ReadFileOrThrow(const std::string& path) {
  std::string data;
  if (!FileExists(path) || !ReadWholeFile(path, &data)) {
    throw ImageError("Cannot open file \"" + path + "\"");
  }
  return data;
}

bool IsValidDepth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 24;
}

// Shows the conversion warning that prompts 1 and 2 call for; throws when the conversion is
// refused.
void ConfirmConversion(const ImageFormat& writer, const Raster& image, int to_bits,
                       ResolutionPrompt prompt, Interaction* ui) {
  const std::string_view current = ColorResolutionName(image);
  if (prompt == ResolutionPrompt::Refuse)
    throw CannotWriteColorResError(writer.WriteDescription(), current);
  if (prompt == ResolutionPrompt::Convert || ui == nullptr) return;
  const std::string text =
      "The graphic cannot be saved to a " + std::string(writer.WriteDescription()) +
      " file with the current color resolution (" + std::string(current) +
      ").\n\nThe graphic will be saved with a different color resolution (" +
      std::string(ColorResolutionName(to_bits, writer.codec->write_gray)) + ").";
  if (prompt == ResolutionPrompt::Warn) {
    ui->Message(MessageKind::Warning, text, Buttons::Ok);
  } else if (ui->Message(MessageKind::Warning, text, Buttons::OkCancel) != Answer::Ok) {
    throw CannotWriteColorResError(writer.WriteDescription(), current);
  }
}

}  // namespace

// --- PixelGraphic ---

PixelGraphic::PixelGraphic() : canvas_(*this) {}

void PixelGraphic::SetSize(std::int32_t width, std::int32_t height) {
  if (width < 0 || height < 0 || (width > 0 && height > 0 && !SizeIsAcceptable(width, height)) ||
      width > kMaxImageSide || height > kMaxImageSide) {
    throw ImageError("Invalid value for " +
                     std::string(width < 0 || width > kMaxImageSide ? "Width" : "Height"));
  }
  if (width == image_.width && height == image_.height) return;
  Raster resized;
  resized.Allocate(width, height, image_.bits);
  resized.palette = image_.palette;
  const std::int32_t rows = std::min(height, image_.height);
  const std::size_t bytes = std::min(resized.Stride(), image_.Stride());
  for (std::int32_t y = 0; y < rows; ++y) std::copy_n(image_.Row(y), bytes, resized.Row(y));
  image_ = std::move(resized);
}

void PixelGraphic::SetBitCountNum(int bits) {
  if (!IsValidDepth(bits)) throw InvalidBitCountNumError();
  if (bits == image_.bits) return;
  if (image_.width == 0 || image_.height == 0) {
    image_.Allocate(image_.width, image_.height, bits);
    if (bits != 24) image_.palette = DefaultPalette(bits);
    return;
  }
  image_ = ConvertBitCount(image_, bits);
}

void PixelGraphic::SetColorResolutionPrompt(ResolutionPrompt prompt) {
  if (prompt < ResolutionPrompt::Convert || prompt > ResolutionPrompt::Refuse)
    throw ImageError("Invalid value for ColorResolutionPrompt");
  color_resolution_prompt_ = prompt;
}

void PixelGraphic::SetPixels(Raster image) {
  if (!IsValidDepth(image.bits)) throw InvalidBitCountNumError();
  if (image.width < 0 || image.height < 0 ||
      (image.width > 0 && image.height > 0 && !SizeIsAcceptable(image.width, image.height)) ||
      image.pixels.size() != image.Stride() * static_cast<std::size_t>(image.height)) {
    throw ImageError("The pixels do not match the image size");
  }
  image.palette.resize(image.bits == 24 ? 0 : std::size_t{1} << image.bits);
  image_ = std::move(image);
}

void PixelGraphic::LoadFromFile(const std::string& path) {
  const std::string data = ReadFileOrThrow(path);
  const auto bytes = AsBytes(data);
  const ImageFormat* reader = ChooseReader(bytes, ExtensionPart(path));
  if (!reader) throw UnknownFileFormatError();
  SetPixels(reader->Read(bytes, 0, ReadOptions{fast_jpeg_decode_}));
}

void PixelGraphic::SaveToFile(const std::string& path, Interaction* ui) const {
  SaveToFile(path, WriteOptions{JPEGSaveQuality.load(), JPEGSaveProgressive.load()}, ui);
}

void PixelGraphic::SaveToFile(const std::string& path, const WriteOptions& options,
                              Interaction* ui) const {
  const std::vector<std::uint8_t> bytes = Encode(path, options, ui);
  std::string error;
  // Image files are made again by the next build, so they are not flushed one by one.
  if (!Files().WriteFileReplace(
          path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
          &error)) {
    throw ImageError("Cannot write " + error);
  }
}

std::vector<std::uint8_t> PixelGraphic::Encode(const std::string& path, const WriteOptions& options,
                                               Interaction* ui) const {
  std::string extension = ExtensionPart(path);
  if (!extension.empty()) extension.erase(0, 1);
  const ImageFormat* writer = FindWriter(extension);
  if (!writer) throw UnknownExtensionError(extension);
  const std::span<const int> depths = writer->codec->write_depths;
  if (depths.empty()) throw WriteDepthsEmptyError();
  Raster converted;
  const Raster* image = &image_;
  if (std::find(depths.begin(), depths.end(), image_.bits) == depths.end()) {
    ConfirmConversion(*writer, image_, depths.front(), color_resolution_prompt_, ui);
    converted = ConvertBitCount(image_, depths.front(), writer->codec->write_gray);
    image = &converted;
  }
  return writer->Write(*image, options);
}

void PixelGraphic::Assign(const PixelGraphic& other) {
  if (&other != this) image_ = other.image_;
}

// --- JpegImage ---

void JpegImage::LoadFromFile(const std::string& path) {
  LoadFromData(ReadFileOrThrow(path));
}

void JpegImage::LoadFromData(std::string data) {
  const auto bytes = AsBytes(data);
  const ImageInfo info = ReadJpegInfo(bytes);
  const int orientation = ReadJpegOrientation(bytes);
  data_ = std::move(data);
  stored_width_ = info.width;
  stored_height_ = info.height;
  orientation_ = orientation;
}

void JpegImage::SetDecodeScale(int scale) {
  if (scale != 1 && scale != 2 && scale != 4 && scale != 8) {
    throw ImageError("Invalid value for DecodeScale");
  }
  decode_scale_ = scale;
}

std::int32_t JpegImage::Width() const {
  return JpegScaledSide(OrientationSwapsSides(orientation_) ? stored_height_ : stored_width_,
                        decode_scale_);
}

std::int32_t JpegImage::Height() const {
  return JpegScaledSide(OrientationSwapsSides(orientation_) ? stored_width_ : stored_height_,
                        decode_scale_);
}

std::span<const std::uint8_t> JpegImage::Bytes() const {
  return AsBytes(data_);
}

void JpegImage::DecodeInto(Raster& target) const {
  if (data_.empty()) throw JpegError("No image loaded");
  const JpegDecodeOptions options{decode_fast_, decode_scale_, skip_unused_scans_};
  if (orientation_ == 1) {
    DecodeJpegInto(Bytes(), options, target);
    return;
  }
  Raster upright = ReadJpeg(Bytes(), options);
  ApplyOrientation(upright, orientation_);
  if (upright.width != target.width || upright.height != target.height || target.bits != 24) {
    throw JpegError(kTargetSizeMismatch);
  }
  target.pixels = std::move(upright.pixels);
}

Raster JpegImage::Decode() const {
  Raster out;
  out.Allocate(Width(), Height(), 24);
  DecodeInto(out);
  return out;
}

// --- Operations ---

void ResampleFrom(PixelGraphic& target, const PixelGraphic& source) {
  if (source.Width() <= 0 || source.Height() <= 0) {
    throw ImageError("Cannot resample an empty image");
  }
  Raster out;
  out.Allocate(target.Width(), target.Height(), 24);
  const ResampleFilter filter = target.StretchMode() == smFast     ? ResampleFilter::Nearest
                                : target.StretchMode() == smMedium ? ResampleFilter::Box
                                                                   : ResampleFilter::Lanczos3;
  Resample(source.Pixels(), out, filter);
  target.SetPixels(std::move(out));
}

bool ReadImageFileInfo(const std::string& path, int index, ImageFileInfo* info) {
  std::string data;
  if (FileNamePart(path).empty() || !FileExists(path) || !ReadWholeFile(path, &data)) {
    return false;
  }
  const auto bytes = AsBytes(data);
  const ImageFormat* reader = ChooseReader(bytes, ExtensionPart(path));
  if (!reader) return false;
  try {
    const ImageInfo found = reader->Info(bytes, index);
    *info = {found.width, found.height, found.bits, std::string(reader->description)};
    return true;
  } catch (const ImageError&) {
    return false;
  }
}

bool IsJPEGFileName(std::string_view path) {
  const std::string ext = LowerAscii(ExtensionPart(path));
  return ext == ".jpg" || ext == ".jpeg" || ext == ".jpe";
}

namespace {

int ScaleForSide(std::int32_t stored, std::int32_t box) {
  if (box <= stored / 8) return 8;
  if (box <= stored / 4) return 4;
  if (box <= stored / 2) return 2;
  return 1;
}

}  // namespace

int ChooseJPEGScale(std::int32_t stored_width, std::int32_t stored_height, std::int32_t box_width,
                    std::int32_t box_height) {
  return std::min(ScaleForSide(stored_width, box_width), ScaleForSide(stored_height, box_height));
}

bool SaveToJpeg(PixelGraphic& image, const std::string& path, int quality, bool progressive) {
  quality = std::clamp(quality, 0, 100);
  JPEGSaveQuality = quality;
  JPEGSaveProgressive = progressive;
  try {
    image.SetColorResolutionPrompt(ResolutionPrompt::Convert);
    image.SaveToFile(path, WriteOptions{quality, progressive});
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace parvel
