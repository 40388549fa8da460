#include "decode/svg_drawing.h"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "pixels/composite.h"

namespace vexlor {

namespace {

struct Size {
  double w = 0, h = 0;
};

// rsvg-convert's size for --width=N --height=N --keep-aspect-ratio: the
// largest that fits N x N.
Size Fitted(Size natural, int side) {
  const double n = side;
  const double scale = std::min(n / natural.w, n / natural.h);
  return {natural.w * scale, natural.h * scale};
}

// librsvg's message as one line of a message: its line ends (the XML
// parser's end with one) as spaces, none at the end.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

bool SvgNaturalSize(RsvgHandle* handle, double* width, double* height) {
  if (rsvg_handle_get_intrinsic_size_in_pixels(handle, width, height)) return true;
  gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
  RsvgLength w{}, h{};
  RsvgRectangle viewBox{};
  rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &w, &hasHeight, &h, &hasViewBox,
                                       &viewBox);
  if (hasViewBox) {
    *width = viewBox.width;
    *height = viewBox.height;
    return true;
  }
  RsvgRectangle ink{}, logical{};
  GError* error = nullptr;
  if (!rsvg_handle_get_geometry_for_element(handle, nullptr, &ink, &logical, &error)) {
    g_clear_error(&error);
    return false;
  }
  *width = ink.width;
  *height = ink.height;
  return true;
}

// Unpremultiplying an opaque sample gives it back: (c x 255 + 127) / 255 = c.
constexpr bool OpaqueSamplesStay() {
  for (std::uint32_t c = 0; c < 256; ++c)
    if ((c * 255 + 255 / 2) / 255 != c) return false;
  return true;
}
static_assert(OpaqueSamplesStay());

Status DrawSvg(const std::uint8_t* bytes, std::size_t size, const std::string& base_path,
               const SvgSettings& settings, const std::function<bool(int, int)>& sized,
               const std::function<bool(const std::uint8_t*)>& row) {
  GFile* base = base_path.empty() ? nullptr : g_file_new_for_path(base_path.c_str());
  GInputStream* stream =
      g_memory_input_stream_new_from_data(bytes, static_cast<gssize>(size), nullptr);
  GError* error = nullptr;
  RsvgHandle* handle =
      rsvg_handle_new_from_stream_sync(stream, base, RSVG_HANDLE_FLAGS_NONE, nullptr, &error);
  g_object_unref(stream);
  if (base != nullptr) g_object_unref(base);
  const auto fail = [&](const std::string& what) {
    Status failed = Status::IconRefused(what + (error != nullptr ? ": " + OneLine(error->message) : ""));
    g_clear_error(&error);
    if (handle != nullptr) g_object_unref(handle);
    return failed;
  };
  if (handle == nullptr) return fail("librsvg cannot read it");
  rsvg_handle_set_dpi(handle, 96.0);
  Size natural;
  if (!SvgNaturalSize(handle, &natural.w, &natural.h) || !(natural.w > 0 && natural.h > 0))
    return fail("it has no size");
  const Size final = settings.svg_size > 0 ? Fitted(natural, settings.svg_size) : natural;
  const double wide = std::ceil(final.w), high = std::ceil(final.h);
  if (!(wide <= 32767 && high <= 32767) || wide * high > static_cast<double>(settings.max_pixels)) {
    g_object_unref(handle);
    return Status::IconRefused("an SVG of " + std::to_string(final.w) + " x " +
                               std::to_string(final.h) + " pixels, more than " +
                               std::to_string(settings.max_pixels) + " pixels");
  }
  const int cols = static_cast<int>(wide), rows = static_cast<int>(high);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cols, rows);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, final.w / natural.w, final.h / natural.h);
  const RsvgRectangle viewport{0, 0, natural.w, natural.h};
  const gboolean rendered = rsvg_handle_render_document(handle, cr, &viewport, &error);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  if (!rendered || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return fail("librsvg cannot render it");
  }
  g_object_unref(handle);
  if (!sized(rows, cols)) {
    cairo_surface_destroy(surface);
    return Status::IconRefused("the icon was not taken");
  }
  // Unpremultiplied as cairo writes a PNG, then as vexlor reads one.
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const Background& bg = settings.background;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(cols) * 3);
  for (int y = 0; y < rows; ++y) {
    const auto* in =
        reinterpret_cast<const std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    std::uint8_t* out = line.data();
    for (int x = 0; x < cols; ++x, out += 3) {
      const std::uint32_t p = in[x], a = p >> 24;
      std::uint32_t c[3] = {0, 0, 0};  // blue, green, red
      if (a == 255)  // most pixels of an icon; the division gives them back as they are
        for (int i = 0; i < 3; ++i) c[i] = (p >> (8 * i)) & 0xff;
      else if (a != 0)
        for (int i = 0; i < 3; ++i) c[i] = (((p >> (8 * i)) & 0xff) * 255 + a / 2) / a;
      if (bg.set) {
        CompositePixel(out, c[0], c[1], c[2], a, bg);
      } else {
        out[0] = static_cast<std::uint8_t>(c[0]);
        out[1] = static_cast<std::uint8_t>(c[1]);
        out[2] = static_cast<std::uint8_t>(c[2]);
      }
    }
    if (!row(line.data())) {
      cairo_surface_destroy(surface);
      return Status::IconRefused("the icon was not taken");
    }
  }
  cairo_surface_destroy(surface);
  return {};
}

}  // namespace vexlor
