// SVG icons: measured as their rsvg-convert PNG is measured, byte for byte;
// hostile ones bounded and told; the renderer loaded only for SVGs.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

const std::string kSvgHead = "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                             "xmlns:xlink=\"http://www.w3.org/1999/xlink\"";

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
  // Fractal noise of ten octaves over 64 megapixels: minutes of work.
  WriteFile(Path("slow.svg"), kSvgHead + " width='8000' height='8000'><filter id='f' x='0' y='0' "
            "width='1' height='1'><feTurbulence baseFrequency='0.01' numOctaves='10'/></filter>"
            "<rect width='8000' height='8000' filter='url(#f)'/></svg>");
  WriteFile(Path("good.svg"), kSvgHead + " width='16' height='16'><rect width='8' height='8'/></svg>");
  const std::vector<std::string> told = {"laughs.svg", "huge.svg", "slow.svg"};
  for (const std::string& name : told) {
    const ProgramResult r = RunVexlorBinary({"-I", Path(name), "-R", Path("r.txt")});
    EXPECT_EQ(r.exit_status, 255) << name;
    EXPECT_TRUE(r.err.starts_with("vexlor: cannot load '" + Path(name) + "': ")) << r.err;
    EXPECT_EQ(ReadFile(Path("r.txt")), "Bad Icon");
  }
  const ProgramResult slow = RunVexlorBinary({"-I", Path("slow.svg"), "-R", Path("r.txt")});
  EXPECT_NE(slow.err.find("its rendering took more than 2 s"), std::string::npos) << slow.err;
  const ProgramResult huge = RunVexlorBinary({"-I", Path("huge.svg"), "-R", Path("r.txt")});
  EXPECT_NE(huge.err.find("more than 67108864 pixels"), std::string::npos) << huge.err;

  // The batch goes on: one line for each, the good icon measured.
  WriteFile(Path("list"), Path("laughs.svg") + "\n" + Path("huge.svg") + "\n" + Path("good.svg") + "\n");
  const ProgramResult b = RunBatchBinary({"-q", Path("list")});
  EXPECT_EQ(b.exit_status, 0);
  EXPECT_TRUE(b.out.starts_with("Bad Icon\nBad Icon\n")) << b.out.substr(0, 40);
  EXPECT_EQ(Tokens(b.out.substr(18)).size(), 416u);
}

TEST_F(SvgTest, TheRendererIsLoadedOnlyForSvgs) {
  const auto loadsRsvg = [&](const std::string& icon) {
    ProgramSetup traced;
    traced.set_env = {"LD_DEBUG=files"};
    const ProgramResult r = RunVexlorBinary({"-I", icon, "-R", Path("r.txt")}, traced);
    EXPECT_EQ(r.exit_status, 0) << icon;
    return r.err.find("librsvg") != std::string::npos || r.err.find("libcairo") != std::string::npos;
  };
  WriteFile(Path("a.svg"), kSvgHead + " width='16' height='16'><rect width='8' height='8'/></svg>");
  EXPECT_FALSE(loadsRsvg(TestDataPath("calculator.png")));
  EXPECT_FALSE(loadsRsvg(TestDataPath("audio-card.jpg")));
  EXPECT_TRUE(loadsRsvg(Path("a.svg")));
}

}  // namespace
