#include "imaging/formats/heif.h"

#include <libheif/heif.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/formats/rgba.h"
#include "imaging/imageerrors.h"

namespace parvel {
namespace {

struct ContextFree {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleFree {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageFree {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

void Check(const heif_error& error) {
  if (error.code != heif_error_Ok) {
    throw HeifReadError(error.message != nullptr ? error.message : kUnreadableFile);
  }
}

// The context reads the caller's bytes in place; they outlive it.
std::unique_ptr<heif_context, ContextFree> OpenContext(std::span<const std::uint8_t> data) {
  if (data.size() < 12) throw HeifReadError(kUnexpectedEnd);
  std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
  if (!context) throw HeifReadError(kOutOfMemory);
  Check(
      heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(), nullptr));
  return context;
}

std::unique_ptr<heif_image_handle, HandleFree> OpenImage(heif_context* context, int index) {
  heif_image_handle* handle = nullptr;
  if (index == 0) {
    Check(heif_context_get_primary_image_handle(context, &handle));
  } else {
    const int count = heif_context_get_number_of_top_level_images(context);
    if (index < 0 || index >= count) throw HeifReadError("Image index out of range");
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    heif_context_get_list_of_top_level_image_IDs(context, ids.data(), count);
    Check(heif_context_get_image_handle(context, ids[static_cast<std::size_t>(index)], &handle));
  }
  return std::unique_ptr<heif_image_handle, HandleFree>(handle);
}

std::string Brand(std::span<const std::uint8_t> data) {
  return std::string(reinterpret_cast<const char*>(data.data()) + 8, 4);
}

}  // namespace

bool IsHeifSignature(std::span<const std::uint8_t> head) {
  if (head.size() < 12) return false;
  return heif_check_filetype(head.data(), static_cast<int>(head.size())) ==
         heif_filetype_yes_supported;
}

ImageInfo ReadHeifInfo(std::span<const std::uint8_t> data, int index) {
  const auto context = OpenContext(data);
  const auto handle = OpenImage(context.get(), index);
  ImageInfo info;
  info.image_count = heif_context_get_number_of_top_level_images(context.get());
  // The size after the container's rotation.
  info.width = heif_image_handle_get_width(handle.get());
  info.height = heif_image_handle_get_height(handle.get());
  info.bits = heif_image_handle_has_alpha_channel(handle.get()) ? 32 : 24;
  info.subformat = Brand(data);
  return info;
}

Raster ReadHeif(std::span<const std::uint8_t> data, int index) {
  const auto context = OpenContext(data);
  const auto handle = OpenImage(context.get(), index);
  if (!SizeIsAcceptable(heif_image_handle_get_width(handle.get()),
                        heif_image_handle_get_height(handle.get()))) {
    throw HeifReadError(kImageTooLarge);
  }
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  // The default options apply the container's rotation and mirroring.
  std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
  heif_image* decoded = nullptr;
  Check(heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          options.get()));
  const std::unique_ptr<heif_image, ImageFree> image(decoded);
  int stride = 0;
  const std::uint8_t* plane =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
  if (plane == nullptr || !SizeIsAcceptable(width, height) || stride < width * (alpha ? 4 : 3)) {
    throw HeifReadError("The decoder gave no picture");
  }
  Raster out;
  out.Allocate(width, height, 24);
  CopyInterleavedRows(plane, static_cast<std::size_t>(stride), alpha, out);
  return out;
}

}  // namespace parvel
