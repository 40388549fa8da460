#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "process/exit_codes.h"
#include "support/quoted.h"

namespace vexlor {

namespace {

// 20000 as "20,000".
std::string Thousands(std::size_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

}  // namespace

void AddDistortionOptions(CLI::App& app, Distortion* distortion) {
  app.add_option("--blur", distortion->blur,
                 "Gaussian blur size B, 0.." + std::to_string(kMaxOptionBlur) +
                     ", aperture 2B+1 (vexlor -B)")
      ->check(CLI::Range(0, kMaxOptionBlur));
  // A factor that is no number would scale a channel to 0 unnoticed.
  static const CLI::Validator aNumber(
      [](const std::string& text) {
        return std::isnan(std::strtod(text.c_str(), nullptr)) ? std::string("not a number")
                                                              : std::string();
      },
      "");
  app.add_option("--red", distortion->red, "Red channel factor (vexlor -cR)")->check(aNumber);
  app.add_option("--green", distortion->green, "Green channel factor (vexlor -cG)")->check(aNumber);
  app.add_option("--blue", distortion->blue, "Blue channel factor (vexlor -cB)")->check(aNumber);
}

void AddJobsOption(CLI::App& app, unsigned* jobs) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  *jobs = cores;
  app.add_option_function<unsigned>(
         "-j,--jobs", [jobs, cores](unsigned n) { *jobs = n == 0 ? cores : n; },
         "Worker threads, 0: all cores (the default)")
      ->check(CLI::Range(0u, 1024u));
}

void AddIndexOption(CLI::App& app, IndexUse* use) {
  app.add_option("--index", *use,
                 "auto, always or never (default auto). TinyInt records are\n"
                 "searched with the root metric through an index kept beside\n"
                 "DATA (DATA.index, built at its first use): every distance\n"
                 "exact, a true neighbour rarely missed. auto uses it when it\n"
                 "pays: " + Thousands(kIndexFromRecords) + " records or more and " +
                     Thousands(kIndexLoadQueries) + " queries, or " +
                     Thousands(kIndexBuildQueries) + "\n"
                 "while it is yet to be built; never searches exactly")
      ->transform(CLI::CheckedTransformer(std::map<std::string, IndexUse>{
                                              {"auto", IndexUse::kAuto},
                                              {"always", IndexUse::kAlways},
                                              {"never", IndexUse::kNever}},
                                          CLI::ignore_case))
      ->option_text("WHEN");
}

void AddLoadOptions(CLI::App& app, LoadSettings* load) {
  AddBackgroundOption(app, &load->background);
  AddSvgSizeOption(app, &load->svg_size);
}

void AddSvgSizeOption(CLI::App& app, int* svg_size) {
  app.add_option("--svg-size", *svg_size,
                 "Render SVG icons to fit N x N pixels (as rsvg-convert --width=N --height=N\n"
                 "--keep-aspect-ratio), for sets whose SVGs declare no useful size\n"
                 "(default: each SVG's own size), 1.." + std::to_string(kMaxSvgSize))
      ->check(CLI::Range(1, kMaxSvgSize))
      ->option_text("N");
}

void AddBackgroundOption(CLI::App& app, Background* background) {
  app.add_option_function<std::string>(
         "--background",
         [background](const std::string& text) {
           if (!ParseBackground(text, background))
             throw CLI::ValidationError("--background",
                                        "'" + Quoted(text, 40) + "' is no colour (white, black, #rrggbb or #rgb)");
         },
         "Composite every icon over this colour by its alpha first, so that the\n"
         "record holds what is visible: white, black, #rrggbb or #rgb (default: alpha\n"
         "dropped, as vexlor does)")
      ->option_text("COLOUR");
}

const CLI::Validator& NonEmptyPath() {
  static const CLI::Validator validator(
      [](const std::string& path) { return path.empty() ? std::string("the file name is empty") : std::string(); },
      "");
  return validator;
}

const CLI::Validator& PngPath() {
  static const CLI::Validator validator(
      [](const std::string& path) {
        const std::size_t slash = path.rfind('/');
        const std::size_t dot = path.rfind('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
          return std::string();
        return Lowercase(path.substr(dot)) == ".png"
                   ? std::string()
                   : "the file is written as PNG, not " + path.substr(dot);
      },
      "");
  return validator;
}

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::optional<int> ParseCommandLine(CLI::App& app, int argc, const char* const* argv,
                                    const char* tool, const std::function<void()>& check) {
  try {
    app.parse(argc, argv);
    if (check) check();
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "%s: %s\nRun '%s --help' for the options.\n", tool, e.what(), tool);
    return kExitBadArguments;
  }
  return std::nullopt;
}

}  // namespace vexlor
