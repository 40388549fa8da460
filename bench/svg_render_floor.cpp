// The floor of an SVG's cost: librsvg and cairo alone, rendering each SVG of
// a list at its natural size on one thread, as rsvg-convert sizes it, into a
// transparent ARGB32 surface, and nothing else (no PNG written, nothing
// measured).
//
//   vexlor_svg_render_floor LIST
#include <librsvg/rsvg.h>

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

bool NaturalSize(RsvgHandle* handle, double* w, double* h) {
  if (rsvg_handle_get_intrinsic_size_in_pixels(handle, w, h)) return true;
  gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
  RsvgLength width{}, height{};
  RsvgRectangle viewBox{};
  rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &width, &hasHeight, &height, &hasViewBox,
                                       &viewBox);
  if (hasViewBox) {
    *w = viewBox.width;
    *h = viewBox.height;
    return true;
  }
  RsvgRectangle ink{}, logical{};
  if (!rsvg_handle_get_geometry_for_element(handle, nullptr, &ink, &logical, nullptr)) return false;
  *w = ink.width;
  *h = ink.height;
  return true;
}

bool Render(const std::string& path) {
  RsvgHandle* handle = rsvg_handle_new_from_file(path.c_str(), nullptr);
  if (handle == nullptr) return false;
  rsvg_handle_set_dpi(handle, 96.0);
  double w = 0, h = 0;
  bool rendered = NaturalSize(handle, &w, &h) && w > 0 && h > 0;
  if (rendered) {
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, static_cast<int>(std::ceil(w)), static_cast<int>(std::ceil(h)));
    cairo_t* cr = cairo_create(surface);
    const RsvgRectangle viewport{0, 0, w, h};
    rendered = rsvg_handle_render_document(handle, cr, &viewport, nullptr);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
  g_object_unref(handle);
  return rendered;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vexlor_svg_render_floor LIST\n");
    return 2;
  }
  std::ifstream list(argv[1]);
  int failed = 0;
  for (std::string path; std::getline(list, path);) failed += Render(path) ? 0 : 1;
  std::printf("%d not rendered\n", failed);
  return 0;
}
