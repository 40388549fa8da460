// The floor of an SVG's cost: librsvg and cairo alone, rendering each SVG of
// a list at its natural size on one thread, as rsvg-convert sizes it, into a
// transparent ARGB32 surface, and nothing else (no PNG written, nothing
// measured). The size is taken by the renderer's own function.
//
//   vexlor_svg_render_floor LIST
#include <cairo.h>
#include <librsvg/rsvg.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "decode/svg_drawing.h"

namespace {

bool Render(const std::string& path) {
  RsvgHandle* handle = rsvg_handle_new_from_file(path.c_str(), nullptr);
  if (handle == nullptr) return false;
  rsvg_handle_set_dpi(handle, 96.0);
  double w = 0, h = 0;
  bool rendered = vexlor::SvgNaturalSize(handle, &w, &h) && w > 0 && h > 0;
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
