// vexlor-card: a picture of what the descriptor sees in one icon.

#include <cstdio>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "app/command_line.h"
#include "app/program_start.h"
#include "process/exit_codes.h"
#include "vexlor/card.h"
#include "vexlor/vexlor.h"

namespace {

using namespace vexlor;

struct CardOptions {
  std::string icon;
  std::string output;
  LoadSettings load;
  Distortion distortion;
};

int Run(const CardOptions& o, std::FILE* messages) {
  std::optional<Descriptors> described;
  cv::Mat seen;
  Status status = DescribeFile(o.icon, o.load, o.distortion, &described, &seen);
  if (status.ok()) status = WriteCardPng(DrawCard(*described, seen), o.output);
  if (status.ok()) return kExitSuccess;
  std::fprintf(messages, "vexlor-card: %s\n", status.message().c_str());
  return kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  StartProgram();
  QuietImageLibrary();
  CardOptions o;
  CLI::App app(
      "Draws what the descriptor sees in ICON as a PNG picture: the icon after the\n"
      "distortion, resampled to 62 x 62, enlarged and drawn at half its brightness (so\n"
      "that the strokes stand out); the 4 x 4 grid with the twelve\n"
      "cells numbered as in the results file (corners shaded); in each cell its\n"
      "orientation histogram as eight strokes from the centre (bin 0 left, 2 up, 4\n"
      "right, 6 down; one length scale for the whole card) and its Lab sums L+ L- a+\n"
      "a- b+ b- as bars; beside the grid the four quadrant groups and the middle group.",
      "vexlor-card");
  app.add_option("ICON", o.icon, "Icon file")->required();
  app.add_option("-o,--output", o.output, "The PNG file to write")
      ->required()
      ->check(NonEmptyPath())
      ->check(PngPath())
      ->option_text("CARD.png");
  AddDistortionOptions(app, &o.distortion);
  AddLoadOptions(app, &o.load);
  app.set_version_flag("--version", std::string("vexlor-card ") + VEXLOR_VERSION);
  if (const std::optional<int> exit = ParseCommandLine(app, argc, argv, "vexlor-card"))
    return *exit;
  return RunMeasuring("vexlor-card", [&](std::FILE* messages) { return Run(o, messages); });
}
