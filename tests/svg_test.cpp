// SVG icons: measured as their rsvg-convert PNG is measured, byte for byte;
// hostile ones bounded and told; the renderer loaded only for SVGs.

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <zlib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "tests/test_support.h"
#include "decode/svg_renderer.h"
#include "vexlor/vexlor.h"

namespace {

const std::string kSvgHead = "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                             "xmlns:xlink=\"http://www.w3.org/1999/xlink\"";

// Fractal noise of ten octaves over 9 megapixels: 4.5 s of processor time
// and more, well beyond the limit (4 megapixels took 2.0 s here, at the limit
// itself, and were sometimes rendered).
const std::string kSlowSvg =
    kSvgHead + " width='3000' height='3000'><filter id='f' x='0' y='0' width='1' height='1'>"
               "<feTurbulence baseFrequency='0.01' numOctaves='10'/></filter>"
               "<rect width='3000' height='3000' filter='url(#f)'/></svg>";

// A PNG of 20,000 x 20,000 black grey pixels in 1.4 MB, as base64: 1.2 GB
// once decoded to RGB.
std::string ImageBombBase64() {
  constexpr int kSide = 20000;
  std::string deflated;
  z_stream z{};
  EXPECT_EQ(deflateInit(&z, 1), Z_OK);
  const std::vector<unsigned char> row(kSide + 1, 0);  // filter byte, samples
  std::vector<unsigned char> out(1 << 16);
  for (int y = 0; y <= kSide; ++y) {
    z.next_in = const_cast<unsigned char*>(row.data());
    z.avail_in = y < kSide ? static_cast<uInt>(row.size()) : 0;
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, y < kSide ? Z_NO_FLUSH : Z_FINISH);
      deflated.append(reinterpret_cast<char*>(out.data()), out.size() - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  const auto chunk = [](const std::string& type, const std::string& data) {
    std::string c;
    for (int shift = 24; shift >= 0; shift -= 8) c += static_cast<char>((data.size() >> shift) & 0xff);
    const std::string body = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    c += body;
    for (int shift = 24; shift >= 0; shift -= 8) c += static_cast<char>((crc >> shift) & 0xff);
    return c;
  };
  const std::string side = {0, 0, 0x4e, 0x20};  // 20000
  const std::string png = "\x89PNG\r\n\x1a\n" + chunk("IHDR", side + side + std::string{8, 0, 0, 0, 0}) +
                          chunk("IDAT", deflated) + chunk("IEND", "");
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < png.size(); i += 3) {
    std::uint32_t v = static_cast<unsigned char>(png[i]) << 16;
    if (i + 1 < png.size()) v |= static_cast<unsigned char>(png[i + 1]) << 8;
    if (i + 2 < png.size()) v |= static_cast<unsigned char>(png[i + 2]);
    text += kDigits[v >> 18];
    text += kDigits[(v >> 12) & 63];
    text += i + 1 < png.size() ? kDigits[(v >> 6) & 63] : '=';
    text += i + 2 < png.size() ? kDigits[v & 63] : '=';
  }
  return text;
}

class SvgTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }
  // The lines vexlor-batch writes for `icons` with `options`.
  std::string Lines(const std::vector<std::string>& icons, std::vector<std::string> options = {}) {
    std::string list;
    for (const std::string& icon : icons) list += icon + "\n";
    WriteFile(Path("list"), list);
    options.insert(options.begin(), "-q");
    options.push_back(Path("list"));
    const ProgramResult r = RunBatchBinary(options);
    EXPECT_EQ(r.exit_status, 0) << r.err;
    return r.out;
  }
  // `svg` written and converted by rsvg-convert with `convert_options`.
  std::string Converted(const std::string& name, const std::string& svg,
                        const std::string& convert_options = "") {
    WriteFile(Path(name), svg);
    const std::string command = "rsvg-convert " + convert_options + " '" + Path(name) + "' > '" +
                                Path(name) + ".png'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return Path(name) + ".png";
  }
  TempDir dir_;
};

TEST_F(SvgTest, RecordsEqualTheirRsvgConvertPngs) {
  const std::string shapes =
      "<rect x='-2' y='1' width='9' height='13' fill='#c03' fill-opacity='0.6'/>"
      "<circle cx='12' cy='9' r='6' fill='none' stroke='#2a6' stroke-width='1.5'/></svg>";
  struct Case {
    const char* name;
    std::string svg;
  };
  const std::vector<Case> cases = {
      {"viewbox.svg", kSvgHead + " viewBox='0 0 16 16'>" + shapes},
      {"px.svg", kSvgHead + " width='16px' height='16px'>" + shapes},
      {"em.svg", kSvgHead + " width='1.5em' height='1.25em' viewBox='0 0 16 16'>" + shapes},
      {"fraction.svg", kSvgHead + " width='16.4' height='15.5'>" + shapes},
      {"percent.svg", kSvgHead + " width='50%' height='75%' viewBox='0 0 32 24'>" + shapes},
      {"wide.svg", kSvgHead + " width='40' height='12'>" + shapes},
  };
  std::vector<std::string> svgs, pngs;
  for (const Case& c : cases) {
    pngs.push_back(Converted(c.name, c.svg));
    svgs.push_back(Path(c.name));
  }
  // An SVGZ, recognised by its content whatever its name.
  ASSERT_EQ(std::system(("gzip -c '" + Path("px.svg") + "' > '" + Path("px.icon") + "'").c_str()), 0);
  svgs.push_back(Path("px.icon"));
  pngs.push_back(pngs[1]);
  for (const std::vector<std::string>& options :
       {std::vector<std::string>{}, {"--double"}, {"--double", "--background", "white", "--blur", "1"}})
    EXPECT_TRUE(Lines(svgs, options) == Lines(pngs, options)) << testing::PrintToString(options);

  // A fixed size, as rsvg-convert fits it.
  const std::string fitted = Converted("wide.svg", cases[5].svg, "-w 20 -h 20 -a");
  EXPECT_EQ(Lines({Path("wide.svg")}, {"--svg-size", "20"}), Lines({fitted}));
  EXPECT_NE(Lines({Path("wide.svg")}, {"--svg-size", "20"}), Lines({Path("wide.svg")}));
}

TEST_F(SvgTest, ReferencesOutsideTheFolderAndTheNetworkAreNeverFollowed) {
  // Were any of these opened, the FIFO would block the rendering until its
  // time ran out, and the icon would be refused.
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(dir_.path() / "icons");
  const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 4), 0);
  ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/a.png";
  const std::string plain = kSvgHead + " width='16' height='16'><rect width='8' height='8'/>";
  const std::vector<std::string> hostile = {
      plain + "<image width='16' height='16' xlink:href='../fifo'/></svg>",
      plain + "<image width='16' height='16' xlink:href='file://" + Path("fifo") + "'/></svg>",
      plain + "<image width='16' height='16' xlink:href='" + url + "'/></svg>",
      plain + "<text xmlns:xi='http://www.w3.org/2001/XInclude' y='12'><xi:include href='../fifo' "
              "parse='text'/></text></svg>",
  };
  WriteFile(Path("icons/plain.svg"), plain + "</svg>");
  std::vector<std::string> icons;
  for (std::size_t i = 0; i < hostile.size(); ++i) {
    icons.push_back(Path("icons/hostile-" + std::to_string(i) + ".svg"));
    WriteFile(icons.back(), hostile[i]);
  }
  const std::string expected = Lines({Path("icons/plain.svg")});
  for (const std::string& icon : icons) {
    const ProgramResult r = RunVexlorBinary({"-I", icon, "-R", Path("r.txt"), "-A", "1"});
    EXPECT_EQ(r.exit_status, 0) << icon << r.err;
  }
  EXPECT_EQ(ReadFile(Path("r.txt")).size(), expected.size() * hostile.size());
  EXPECT_LT(::accept(listener, nullptr, nullptr), 0) << "a connection was opened";
  ::close(listener);
  // An entity of a file is refused outright, without opening it.
  WriteFile(Path("icons/entity.svg"), "<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY secret SYSTEM "
                                      "'../fifo'>]>" + plain + "<text y='12'>&secret;</text></svg>");
  const ProgramResult entity = RunVexlorBinary({"-I", Path("icons/entity.svg"), "-R", Path("r.txt")});
  EXPECT_EQ(entity.exit_status, 255);
  EXPECT_NE(entity.err.find("Entity 'secret' not defined"), std::string::npos) << entity.err;
}

TEST_F(SvgTest, HostileSvgsAreBadIconsToldInBoundedTime) {
  std::string laughs = "<?xml version='1.0'?><!DOCTYPE svg [<!ENTITY a0 'ha'>";
  for (int i = 1; i < 12; ++i)
    laughs += "<!ENTITY a" + std::to_string(i) + " '" + std::string(10, '&').replace(0, 10, "") +
              [&] {
                std::string ten;
                for (int k = 0; k < 10; ++k) ten += "&a" + std::to_string(i - 1) + ";";
                return ten;
              }() + "'>";
  laughs += "]>" + kSvgHead + " width='16' height='16'><text y='12'>&a11;</text></svg>";
  WriteFile(Path("laughs.svg"), laughs);
  WriteFile(Path("huge.svg"), kSvgHead + " width='100000' height='100000'><rect width='1' height='1'/></svg>");
  WriteFile(Path("slow.svg"), kSlowSvg);
  WriteFile(Path("good.svg"), kSvgHead + " width='16' height='16'><rect width='8' height='8'/></svg>");
  std::map<std::string, std::string> told;
  for (const std::string name : {"laughs.svg", "huge.svg", "slow.svg"}) {
    const ProgramResult r = RunVexlorBinary({"-I", Path(name), "-R", Path("r.txt")});
    EXPECT_EQ(r.exit_status, 255) << name;
    EXPECT_TRUE(r.err.starts_with("vexlor: cannot load '" + Path(name) + "': ")) << r.err;
    EXPECT_EQ(ReadFile(Path("r.txt")), "Bad Icon");
    told[name] = r.err;
  }
  EXPECT_NE(told["slow.svg"].find("its rendering took more than 2 s of processor time"),
            std::string::npos) << told["slow.svg"];
  EXPECT_NE(told["huge.svg"].find("more than 67108864 pixels"), std::string::npos) << told["huge.svg"];

  // The batch goes on: one line for each, the good icon measured.
  WriteFile(Path("list"), Path("laughs.svg") + "\n" + Path("huge.svg") + "\n" + Path("good.svg") + "\n");
  const ProgramResult b = RunBatchBinary({"-q", Path("list")});
  EXPECT_EQ(b.exit_status, 0);
  EXPECT_TRUE(b.out.starts_with("Bad Icon\nBad Icon\n")) << b.out.substr(0, 40);
  EXPECT_EQ(Tokens(b.out.substr(18)).size(), 416u);
}

TEST_F(SvgTest, AnSvgBeyondItsRenderersLimitsCostsItsOwnLineAndNoOther) {
  // In one folder: a reference to a 3 GB file (sparse), an embedded image
  // bomb, five SVGs that would take seconds, and two that name a FIFO, which
  // is never opened; the plain SVG after them all is measured as it is alone.
  std::filesystem::create_directory(dir_.path() / "icons");
  const std::string rect = kSvgHead + " width='16' height='16'><rect width='8' height='8' fill='#c03'/>";
  WriteFile(Path("icons/plain.svg"), rect + "</svg>");
  WriteFile(Path("icons/big.bin"), "");
  std::filesystem::resize_file(Path("icons/big.bin"), std::uintmax_t{3} << 30);
  WriteFile(Path("icons/big.svg"), rect + "<image width='16' height='16' xlink:href='big.bin'/></svg>");
  WriteFile(Path("icons/bomb.svg"), rect + "<image width='16' height='16' xlink:href='data:image/png;base64," +
                                        ImageBombBase64() + "'/></svg>");
  ASSERT_EQ(::mkfifo(Path("icons/fifo").c_str(), 0600), 0);
  WriteFile(Path("icons/fifo.svg"), rect + "<image width='16' height='16' xlink:href='fifo'/></svg>");
  std::vector<std::string> icons = {"big", "bomb", "fifo"};
  for (int i = 0; i < 5; ++i) {
    icons.push_back("slow" + std::to_string(i));
    WriteFile(Path("icons/" + icons.back() + ".svg"), kSlowSvg);
  }
  icons.insert(icons.end(), {"fifo", "plain"});
  std::string list;
  for (const std::string& icon : icons) list += Path("icons/" + icon + ".svg") + "\n";
  WriteFile(Path("list"), list);
  const ProgramResult alone = RunVexlorBinary({"-I", Path("icons/plain.svg"), "-R", Path("plain.txt"), "-A", "1"});
  ASSERT_EQ(alone.exit_status, 0) << alone.err;
  const std::string plain = ReadFile(Path("plain.txt"));

  const ProgramResult r = RunBatchBinary({"-q", "-j", "2", Path("list")});
  EXPECT_EQ(r.exit_status, 0) << r.err;
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(r.out.substr(at, end + 1 - at));
  ASSERT_EQ(lines.size(), icons.size()) << r.out;
  EXPECT_EQ(lines[0], "Bad Icon\n");
  // The bomb's image cannot be decoded within the memory an SVG may use
  // (it would be drawn black over the rectangle), and librsvg draws the rest
  // of the SVG without it.
  EXPECT_EQ(lines[1], plain);
  for (std::size_t i = 3; i < 8; ++i) EXPECT_EQ(lines[i], "Bad Icon\n") << icons[i];
  EXPECT_EQ(lines[2], plain);
  EXPECT_EQ(lines[8], plain);
  EXPECT_EQ(lines[9], plain);
  // Reading the large file ends at the memory limit or, on a busy machine,
  // first at the time limit.
  EXPECT_TRUE(std::regex_search(
      r.err, std::regex("big.svg': its (renderer ended .* 1024 MB of memory|rendering took more "
                        "than 2 s of processor time)")))
      << r.err;
  for (int i = 0; i < 5; ++i)
    EXPECT_NE(r.err.find("slow" + std::to_string(i) +
                         ".svg': its rendering took more than 2 s of processor time"),
              std::string::npos)
        << r.err;
}

TEST_F(SvgTest, SvgsAreRenderedInAProcessOfTheirOwnStartedOnlyForThem) {
  // Each process writes what the dynamic linker loads to a file of its own.
  const auto loaders = [&](const std::string& icon) {
    const std::filesystem::path traces = dir_.path() / "traces";
    std::filesystem::remove_all(traces);
    std::filesystem::create_directory(traces);
    ProgramSetup traced;
    traced.set_env = {"LD_DEBUG=files", "LD_DEBUG_OUTPUT=" + (traces / "trace").string()};
    const ProgramResult r = RunVexlorBinary({"-I", icon, "-R", Path("r.txt")}, traced);
    EXPECT_EQ(r.exit_status, 0) << icon << r.err;
    std::vector<bool> loadsRsvg;
    for (const auto& trace : std::filesystem::directory_iterator(traces))
      loadsRsvg.push_back(ReadFile(trace.path()).find("librsvg") != std::string::npos);
    std::sort(loadsRsvg.begin(), loadsRsvg.end());
    return loadsRsvg;
  };
  WriteFile(Path("a.svg"), kSvgHead + " width='16' height='16'><rect width='8' height='8'/></svg>");
  EXPECT_EQ(loaders(TestDataPath("calculator.png")), std::vector<bool>{false});
  EXPECT_EQ(loaders(TestDataPath("audio-card.jpg")), std::vector<bool>{false});
  EXPECT_EQ(loaders(Path("a.svg")), (std::vector<bool>{false, true}));
}

TEST_F(SvgTest, AThreadIsHeldBetweenSvgsOnlyWhenItAsksAndLetGoAtTheFirstOtherIcon) {
  cpu_set_t all;
  ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
  if (CPU_COUNT(&all) < 2) GTEST_SKIP() << "one processor: nothing to hold";
  const auto processors = [] {
    cpu_set_t now;
    EXPECT_EQ(::sched_getaffinity(0, sizeof now, &now), 0);
    return CPU_COUNT(&now);
  };
  WriteFile(Path("a.svg"), kSvgHead + " width='16' height='16'><rect width='8' height='8'/></svg>");
  std::optional<vexlor::Descriptors> out;
  // A caller's thread is never left held.
  ASSERT_TRUE(vexlor::DescribeFile(Path("a.svg"), {}, &out).ok());
  EXPECT_EQ(processors(), CPU_COUNT(&all));
  // vexlor-batch's are, between SVGs, until an icon of another kind.
  std::thread([&] {
    vexlor::KeepSvgHoldsOnThisThread();
    ASSERT_TRUE(vexlor::DescribeFile(Path("a.svg"), {}, &out).ok());
    EXPECT_EQ(processors(), 1) << "held to its renderer's processor between SVGs";
    ASSERT_TRUE(vexlor::DescribeFile(TestDataPath("calculator.png"), {}, &out).ok());
    EXPECT_EQ(processors(), CPU_COUNT(&all));
  }).join();
}

TEST_F(SvgTest, TheRendererHoldsItsTwoSocketsAndNothingElseOfVexlors) {
  WriteFile(Path("a.svg"), kSvgHead + " width='16' height='16'><rect width='8' height='8'/></svg>");
  std::optional<vexlor::Descriptors> out;
  ASSERT_TRUE(vexlor::DescribeFile(Path("a.svg"), {}, &out).ok());
  std::vector<std::string> held;  // the renderer's open files, in descriptor order
  for (const auto& process : std::filesystem::directory_iterator("/proc")) {
    std::ifstream stat(process.path() / "stat");
    std::string pid, name, state;
    long parent = 0;
    if (!(stat >> pid >> name >> state >> parent) || parent != ::getpid() ||
        name != "(vexlor-svg-rend)")
      continue;
    std::map<int, std::string> files;
    for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd"))
      files[std::stoi(fd.path().filename())] = std::filesystem::read_symlink(fd.path()).string();
    for (const auto& [fd, file] : files) held.push_back(file.substr(0, file.find(':')));
  }
  // Requests in, replies out, librsvg's warnings nowhere; the rest is the
  // renderer's own (its poll of the requests holds no descriptor).
  ASSERT_GE(held.size(), 3u);
  EXPECT_EQ(held[0], "socket");
  EXPECT_EQ(held[1], "socket");
  EXPECT_EQ(held[2], "/dev/null");
}

}  // namespace
