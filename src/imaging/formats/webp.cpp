#include "imaging/formats/webp.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>
#include <utility>

#include "imaging/exif.h"
#include "imaging/formats/rgba.h"
#include "imaging/imageerrors.h"

namespace parvel {
namespace {

struct DemuxFree {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct AnimFree {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};

WebPBitstreamFeatures Features(std::span<const std::uint8_t> data) {
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data.data(), data.size(), &features) != VP8_STATUS_OK) {
    throw WebpReadError(kUnreadableFile);
  }
  if (!SizeIsAcceptable(features.width, features.height)) {
    throw WebpReadError(kImageTooLarge);
  }
  return features;
}

// The orientation of the "EXIF" chunk (a TIFF block, with or without "Exif\0\0" before it).
int Orientation(std::span<const std::uint8_t> data) {
  WebPData bytes{data.data(), data.size()};
  const std::unique_ptr<WebPDemuxer, DemuxFree> demux(WebPDemux(&bytes));
  if (!demux || !(WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & EXIF_FLAG)) return 1;
  WebPChunkIterator chunk;
  if (!WebPDemuxGetChunk(demux.get(), "EXIF", 1, &chunk)) return 1;
  const int orientation =
      ReadExifOrientation(std::span<const std::uint8_t>(chunk.chunk.bytes, chunk.chunk.size));
  WebPDemuxReleaseChunkIterator(&chunk);
  return orientation;
}

Raster DecodeStill(std::span<const std::uint8_t> data, const WebPBitstreamFeatures& features) {
  const bool alpha = features.has_alpha != 0;
  const std::size_t stride = static_cast<std::size_t>(features.width) * (alpha ? 4 : 3);
  std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(features.height));
  const int out_stride = static_cast<int>(stride);
  const std::uint8_t* done =
      alpha ? WebPDecodeRGBAInto(data.data(), data.size(), pixels.data(), pixels.size(), out_stride)
            : WebPDecodeRGBInto(data.data(), data.size(), pixels.data(), pixels.size(), out_stride);
  if (done == nullptr) throw WebpReadError("The picture data is damaged");
  Raster out;
  out.Allocate(features.width, features.height, 24);
  CopyInterleavedRows(pixels.data(), stride, alpha, out);
  return out;
}

Raster DecodeFirstFrame(std::span<const std::uint8_t> data) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) throw WebpReadError("Library mismatch");
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  WebPData bytes{data.data(), data.size()};
  const std::unique_ptr<WebPAnimDecoder, AnimFree> decoder(WebPAnimDecoderNew(&bytes, &options));
  WebPAnimInfo info;
  if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &info)) {
    throw WebpReadError("Unreadable animation");
  }
  if (!SizeIsAcceptable(info.canvas_width, info.canvas_height)) {
    throw WebpReadError(kImageTooLarge);
  }
  std::uint8_t* frame = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp) || frame == nullptr) {
    throw WebpReadError("The picture data is damaged");
  }
  Raster out;
  out.Allocate(static_cast<std::int32_t>(info.canvas_width),
               static_cast<std::int32_t>(info.canvas_height), 24);
  CopyInterleavedRows(frame, std::size_t{info.canvas_width} * 4, true, out);
  return out;
}

}  // namespace

bool IsWebpSignature(std::span<const std::uint8_t> head) {
  return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
         std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

ImageInfo ReadWebpInfo(std::span<const std::uint8_t> data) {
  const WebPBitstreamFeatures features = Features(data);
  ImageInfo info;
  info.width = features.width;
  info.height = features.height;
  if (OrientationSwapsSides(Orientation(data))) std::swap(info.width, info.height);
  info.bits = features.has_alpha ? 32 : 24;
  info.subformat = features.has_animation ? "animated"
                   : features.format == 2 ? "lossless"
                                          : "lossy";
  return info;
}

Raster ReadWebp(std::span<const std::uint8_t> data) {
  const WebPBitstreamFeatures features = Features(data);
  Raster out = features.has_animation ? DecodeFirstFrame(data) : DecodeStill(data, features);
  ApplyOrientation(out, Orientation(data));
  return out;
}

}  // namespace parvel
