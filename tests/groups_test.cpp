// vexlor-groups on a small data set whose artworks are known: copies made as
// people make them join their original, a look-alike of another series does
// not, and the output keeps DATA's lines.

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <sstream>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "search/groups.h"
#include "tests/test_support.h"

namespace {

using namespace vexlor;

class GroupsTool : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }

  // The group column of each output line ("-" for "Bad Icon").
  static std::vector<std::string> Groups(const std::string& out) {
    std::vector<std::string> groups;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) groups.push_back(line.substr(0, line.find('\t')));
    return groups;
  }

  TempDir dir_;
};

TEST_F(GroupsTool, CopiesJoinTheirOriginalAndALookAlikeStaysApart) {
  // Copies as people make them, of the 48 px calculator over white.
  const cv::Mat calculator = cv::imread(TestDataPath("calculator.png"), cv::IMREAD_UNCHANGED);
  cv::Mat white(calculator.size(), CV_8UC3), small, blurred;
  for (int y = 0; y < calculator.rows; ++y)
    for (int x = 0; x < calculator.cols; ++x) {
      const cv::Vec4b p = calculator.at<cv::Vec4b>(y, x);
      for (int c = 0; c < 3; ++c)
        white.at<cv::Vec3b>(y, x)[c] = cv::saturate_cast<uchar>((p[c] * p[3] + 255 * (255 - p[3])) / 255.0);
    }
  cv::resize(white, small, {32, 32}, 0, 0, cv::INTER_AREA);
  cv::GaussianBlur(white, blurred, {3, 3}, 0.6);
  // Another icon of its series: the same body with a badge.
  cv::Mat badge = white.clone();
  cv::circle(badge, {36, 36}, 9, cv::Scalar(0, 0, 220), cv::FILLED);
  ASSERT_TRUE(cv::imwrite(Path("small.png"), small));
  ASSERT_TRUE(cv::imwrite(Path("blurred.png"), blurred));
  ASSERT_TRUE(cv::imwrite(Path("white.jpg"), white, {cv::IMWRITE_JPEG_QUALITY, 75}));
  ASSERT_TRUE(cv::imwrite(Path("badge.png"), badge));
  WriteFile(Path("list"), TestDataPath("audio-card.jpg") + "\n" + TestDataPath("calculator.png") +
                              "\n" + Path("white.jpg") + "\n" + Path("missing.png") + "\n" +
                              Path("badge.png") + "\n" + Path("blurred.png") + "\n" +
                              TestDataPath("audio-card-62x61.png") + "\n" + Path("small.png") +
                              "\n" + TestDataPath("package-256.png") + "\n");
  ASSERT_EQ(RunProgram(VEXLOR_BATCH_BINARY, {"-q", "--background", "white", "-o", Path("data"),
                                             Path("list")})
                .exit_status,
            0);
  for (const char* rule : {"--strict", "--index=never", "--loose"}) {
    const ProgramResult r = RunProgram(VEXLOR_GROUPS_BINARY, {rule, Path("data")});
    ASSERT_EQ(r.exit_status, 0) << r.err;
    const std::vector<std::string> g = Groups(r.out);
    ASSERT_EQ(g.size(), 9u) << r.out;
    // Numbered in the order of first lines: audio-card 1, calculator 2.
    EXPECT_EQ(g[0], "1") << rule;
    EXPECT_EQ(g[6], "1") << rule << ": audio-card resized";
    EXPECT_EQ(g[1], "2") << rule;
    EXPECT_EQ(g[2], "2") << rule << ": JPEG over white";
    EXPECT_EQ(g[5], "2") << rule << ": blurred";
    EXPECT_EQ(g[3], "-");
    EXPECT_EQ(g[4], "3") << rule << ": the badge is another icon";
    EXPECT_NE(g[8], "2") << rule;
    if (std::string(rule) == "--loose") {
      EXPECT_EQ(g[7], "2") << "resized to 32 px";
    }
    EXPECT_NE(r.out.find("-\t" + Path("missing.png") + "\n"), std::string::npos) << r.out;
  }
  // The page: groups of more than one, largest first (the calculator's).
  const ProgramResult paged = RunProgram(VEXLOR_GROUPS_BINARY, {"--html", Path("page.html"), Path("data")});
  ASSERT_EQ(paged.exit_status, 0) << paged.err;
  const std::string page = ReadFile(Path("page.html"));
  EXPECT_LT(page.find("id=\"group-2\""), page.find("id=\"group-1\""));
  EXPECT_EQ(page.find("id=\"group-3\""), std::string::npos) << "the badge alone is no group to show";
  EXPECT_EQ(RunProgram(VEXLOR_GROUPS_BINARY, {"--html", Path("no/such/page.html"), Path("data")}).exit_status, 2);
}

TEST_F(GroupsTool, RefusesWhatIsNoDataSetAndTellsIconsItCannotMeasureAgain) {
  WriteFile(Path("list"), TestDataPath("calculator.png") + "\n" + Path("gone.png") + "\n");
  ASSERT_TRUE(cv::imwrite(Path("gone.png"), cv::imread(TestDataPath("audio-card.png"))));
  ASSERT_EQ(RunProgram(VEXLOR_BATCH_BINARY, {"-q", "-o", Path("data"), Path("list")}).exit_status, 0);
  std::filesystem::remove(Path("gone.png"));
  const ProgramResult gone = RunProgram(VEXLOR_GROUPS_BINARY, {Path("data")});
  EXPECT_EQ(gone.exit_status, 2);
  EXPECT_EQ(Groups(gone.out), (std::vector<std::string>{"1", "2"}));
  EXPECT_NE(gone.err.find("1 icon could not be measured again"), std::string::npos) << gone.err;
  EXPECT_NE(gone.err.find("gone.png"), std::string::npos) << gone.err;

  std::filesystem::remove(Path("data.manifest"));
  const ProgramResult plain = RunProgram(VEXLOR_GROUPS_BINARY, {Path("data")});
  EXPECT_EQ(plain.exit_status, 1);
  EXPECT_NE(plain.err.find("has no manifest"), std::string::npos) << plain.err;
  EXPECT_EQ(RunProgram(VEXLOR_GROUPS_BINARY, {"--strict", "--loose", Path("data")}).exit_status, 1);
}

// The signature's cosines, rounded to 1/65536, are the same under any libm:
// none lies near a rounding boundary.
TEST(IconSignature, CosinesAreFarFromRoundingBoundaries) {
  for (int u = 0; u < 8; ++u)
    for (int x = 0; x < 31; ++x) {
      const double scaled = std::cos((2 * x + 1) * u * std::numbers::pi / 62) * 65536;
      EXPECT_GT(std::fabs(scaled - std::floor(scaled) - 0.5), 1e-6) << u << " " << x;
    }
}

// A disc in the middle is symmetric both ways, so its 48 frequencies odd
// in either direction are 0, the median: those bits are not steady (noise
// flips them), the 16 others are.
TEST(IconSignature, BitsAtTheMedianAreNotSteady) {
  NormalisedIcon disc;
  for (int y = 0; y < kNormalisedSide; ++y)
    for (int x = 0; x < kNormalisedSide; ++x)
      std::fill_n(&disc.samples[(y * kNormalisedSide + x) * 3], 3,
                  (2 * x - 61) * (2 * x - 61) + (2 * y - 61) * (2 * y - 61) < 40 * 40 ? 40 : 230);
  std::uint64_t steady = 0;
  IconSignature(disc, &steady);
  std::uint64_t even = 0;  // the bits of frequencies even both ways
  for (int u = 0; u < 8; u += 2)
    for (int v = 0; v < 8; v += 2) even |= std::uint64_t{1} << (63 - (u * 8 + v));
  EXPECT_EQ(steady, even);
  EXPECT_EQ(LookOfIcon(disc).steady, even);
}

// Chains of more than kGroupNeighbours + 1 records: cut where they join
// distinct pictures, kept whole where one picture is copied many times.
TEST(GroupRows, ChainsAreCutBetweenDistinctPicturesOnly) {
  const auto none = [](std::size_t) { return false; };  // no "Bad Icon" rows
  const auto groupsOf = [&](std::size_t n, const std::vector<std::uint64_t>& signature,
                            const std::function<double(std::size_t, std::size_t)>& distance) {
    std::vector<std::optional<IconLook>> looks;
    for (const std::uint64_t bits : signature) looks.push_back(IconLook{bits, {}});
    return GroupRows(n, none, looks, [&](std::size_t row) {
      std::vector<Neighbour> near;
      for (std::size_t other = 0; other < n; ++other)
        if (other != row && distance(row, other) < 100) near.push_back({other, distance(row, other)});
      std::stable_sort(near.begin(), near.end(), [](auto& a, auto& b) { return a.distance < b.distance; });
      near.resize(std::min(near.size(), kGroupNeighbours));
      return near;
    }, kDefaultGroups, 2);
  };
  // Two pictures of 8 records, their signatures 5 bits apart, joined by one
  // link of score 6 + 2 x 5 = 16.
  const std::uint64_t a = 0x0123456789abcdef, b = a ^ 0x1f;
  std::vector<std::uint64_t> two(16, a);
  std::fill(two.begin() + 8, two.end(), b);
  const std::vector<std::size_t> cut = groupsOf(16, two, [](std::size_t i, std::size_t j) {
    if (i / 8 == j / 8) return 1.0;
    return (i == 7 && j == 8) || (i == 8 && j == 7) ? 6.0 : 100.0;
  });
  EXPECT_EQ(cut, (std::vector<std::size_t>{1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2}));
  // One picture in 30 copies whose signatures differ by a bit or two, near
  // each other only along a line: at every lower level it falls apart, into
  // pieces of one picture.
  std::vector<std::uint64_t> copies(30);
  for (std::size_t i = 0; i < copies.size(); ++i) copies[i] = a ^ (std::uint64_t{1} << (i % 3));
  const std::vector<std::size_t> kept = groupsOf(30, copies, [](std::size_t i, std::size_t j) {
    return 1.0 + 2.0 * static_cast<double>(i > j ? i - j : j - i);
  });
  EXPECT_EQ(kept, std::vector<std::size_t>(30, 1));

  // A chain that falls into more pieces than are compared pair by pair
  // (2,100 pairs of records in each of two halves, whose pictures differ by
  // a bit from pair to pair and by five between the halves): cut into its
  // two halves all the same, and in no time.
  const std::size_t pairs = 4200, n = 2 * pairs;
  std::vector<std::optional<IconLook>> line(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t pair = i / 2, gray = pair ^ (pair >> 1);
    line[i] = IconLook{a ^ (gray << 16) ^ (pair >= pairs / 2 ? 0xf : 0), {}};
  }
  const std::vector<std::size_t> halves = GroupRows(n, none, line, [&](std::size_t row) {
    std::vector<Neighbour> near;
    if (row % 2 == 1 && row + 1 < n) near.push_back({row + 1, 5});
    near.insert(near.begin(), {row ^ 1, 1});
    return near;
  }, kDefaultGroups, 2);
  EXPECT_EQ(std::count(halves.begin(), halves.begin() + pairs, 1), static_cast<long>(pairs));
  EXPECT_EQ(std::count(halves.begin() + pairs, halves.end(), 2), static_cast<long>(pairs));
}

// Record `i` of a made-up series: one signature throughout, and a grey map
// of a picture that varies across its cells, each cell moved by up to
// `jitter` - 1 levels from record to record.
IconLook SeriesLook(std::size_t i, std::size_t jitter) {
  IconLook look;
  look.signature = 0x0123456789abcdef;
  for (std::size_t c = 0; c < look.grey.size(); ++c)
    look.grey[c] = static_cast<std::uint8_t>(100 + 2 * (c % 30) + (i + c) % jitter);
  return look;
}

// Nearest rows for GroupRows where each of `rows` rows is 3 from every other.
std::function<std::vector<Neighbour>(std::size_t)> AllNear(std::size_t rows) {
  return [rows](std::size_t row) {
    std::vector<Neighbour> near;
    for (std::size_t other = 0; other < rows; ++other)
      if (other != row) near.push_back({other, 3.0});
    return near;
  };
}

// Nearest rows for GroupRows from `apart`, the distances of the pairs of
// rows that are near; a row in no pair has none.
std::function<std::vector<Neighbour>(std::size_t)> NearestOfPairs(
    std::map<std::pair<std::size_t, std::size_t>, double> apart) {
  return [apart = std::move(apart)](std::size_t row) {
    std::vector<Neighbour> near;
    for (const auto& [pair, distance] : apart)
      if (pair.first == row || pair.second == row)
        near.push_back({pair.first == row ? pair.second : pair.first, distance});
    std::sort(near.begin(), near.end(), [](auto& x, auto& y) { return x.distance < y.distance; });
    return near;
  };
}

// Icons of one series whose signatures agree, an emblem apart: the grey map
// parts them, where copies that differ a little everywhere, or all alike
// (brighter), stay together.
TEST(GroupRows, AnEmblemInAFewCellsPartsWhatTheSignatureJoins) {
  const auto none = [](std::size_t) { return false; };
  // 24 records close by the root distance, their signatures equal: 8 copies
  // of a picture (each cell off by up to 2 levels), 8 of it 40 levels
  // brighter, and 8 with an emblem that darkens 2 cells by 60.
  std::vector<std::optional<IconLook>> looks(24);
  for (std::size_t i = 0; i < looks.size(); ++i) {
    IconLook& look = looks[i].emplace(SeriesLook(i, 3));
    if (i >= 8 && i < 16)
      for (std::uint8_t& cell : look.grey) cell += 40;
    if (i >= 16) look.grey[27] -= 60, look.grey[28] -= 60;
  }
  const auto nearest = [&](std::size_t row) {
    std::vector<Neighbour> near;
    for (std::size_t other = 0; other < looks.size() && near.size() < kGroupNeighbours; ++other)
      if (other != row && (other >= 16) == (row >= 16)) near.push_back({other, 3.0});
    if (row == 0 || row == 16) near.push_back({row == 0 ? 16u : 0u, 3.0});  // the chains meet
    return near;
  };
  std::vector<std::size_t> expected(24, 1);
  std::fill(expected.begin() + 16, expected.end(), 2);
  EXPECT_EQ(GroupRows(looks.size(), none, looks, nearest, kDefaultGroups, 2), expected);
}

// A faint emblem (embossed, 12 levels in two cells) on a picture otherwise
// the same to a level: the default parts it, as a sibling; the loose rule,
// which has no faint tier, joins it.
TEST(GroupRows, AFaintEmblemOnAnOtherwiseStillPictureParts) {
  const auto none = [](std::size_t) { return false; };
  std::vector<std::optional<IconLook>> looks(10);
  for (std::size_t i = 0; i < looks.size(); ++i) {
    IconLook& look = looks[i].emplace(SeriesLook(i, 2));
    if (i >= 5) look.grey[27] -= 12, look.grey[28] -= 12;
  }
  const auto nearest = AllNear(looks.size());
  EXPECT_EQ(GroupRows(looks.size(), none, looks, nearest, kDefaultGroups, 1),
            (std::vector<std::size_t>{1, 1, 1, 1, 1, 2, 2, 2, 2, 2}));
  EXPECT_EQ(GroupRows(looks.size(), none, looks, nearest, kLooseGroups, 1),
            std::vector<std::size_t>(10, 1));
}

// Two siblings, a faint emblem apart, and one plain picture alike each
// (their small sizes, say, which lose the emblem): the plain picture joins
// the nearer sibling, and the two siblings stay apart rather than joining
// through it. The loose rule, without the faint tier, joins all three.
TEST(GroupRows, SiblingsAFaintEmblemApartDoNotJoinThroughAThirdPicture) {
  const auto none = [](std::size_t) { return false; };
  std::vector<std::optional<IconLook>> looks(18);  // 6 each: emblem at 27, plain, emblem at 35
  for (std::size_t i = 0; i < looks.size(); ++i) {
    IconLook& look = looks[i].emplace(SeriesLook(i, 2));
    if (i < 6) look.grey[27] -= 12, look.grey[28] -= 12;
    if (i >= 6 && i < 12)
      for (std::size_t c = 2; c < look.grey.size(); c += 3) look.grey[c] += 2;
    if (i >= 12) look.grey[35] -= 13, look.grey[36] -= 13;
  }
  const auto nearest = [&](std::size_t row) {
    std::vector<Neighbour> near;
    for (std::size_t other = 0; other < looks.size(); ++other)
      if (other / 6 == row / 6 && other != row) near.push_back({other, 3.0});
    for (std::size_t other = 6; other < 12; ++other)  // the plain picture is near both
      if (other / 6 != row / 6) near.push_back({other, 5.0});
    if (row >= 6 && row < 12)
      for (const std::size_t other : {0, 1, 12, 13}) near.push_back({other, 5.0});
    return near;
  };
  std::vector<std::size_t> expected(18, 1);
  std::fill(expected.begin() + 12, expected.end(), 2);
  EXPECT_EQ(GroupRows(looks.size(), none, looks, nearest, kDefaultGroups, 1), expected);
  EXPECT_EQ(GroupRows(looks.size(), none, looks, nearest, kLooseGroups, 1), std::vector<std::size_t>(18, 1));
}

// A recompressed copy whose grey map stays within 2 levels of its original's
// but whose signature flipped 16 bits that are not steady joins it; a
// picture whose cells moved further is weighed by all its bits, and stays
// apart.
TEST(GroupRows, BitsThatAreNotSteadyCountOnlyWhereAGreyCellMovedFurther) {
  const auto none = [](std::size_t) { return false; };
  std::vector<std::optional<IconLook>> looks(4);
  for (std::size_t i = 0; i < looks.size(); ++i) {
    IconLook& look = looks[i].emplace(SeriesLook(i, 2));
    look.steady = ~std::uint64_t{0xffffff};
  }
  looks[2]->signature ^= 0xffff;
  looks[3]->signature ^= 0xff00ff;
  for (std::uint8_t& cell : looks[3]->grey) cell += 3;
  const auto nearest = AllNear(looks.size());
  EXPECT_EQ(GroupRows(looks.size(), none, looks, nearest, kDefaultGroups, 1),
            (std::vector<std::size_t>{1, 1, 1, 2}));
}

// Two series that look the same in grey, one yellow and one green (a cell
// 54 to 90 apart): kept apart; copies whose colours moved by up to 36 stay
// together.
TEST(GroupRows, SiblingsInAnotherHueStayApart) {
  const auto none = [](std::size_t) { return false; };
  std::vector<std::optional<IconLook>> looks(8);
  for (std::size_t i = 0; i < looks.size(); ++i) {
    IconLook& look = looks[i].emplace(SeriesLook(i, 2));
    look.colour.fill(static_cast<std::int16_t>(12 * (i % 4)));
    if (i >= 4) look.colour[5] += 90;
  }
  const auto nearest = AllNear(looks.size());
  EXPECT_EQ(GroupRows(looks.size(), none, looks, nearest, kDefaultGroups, 1),
            (std::vector<std::size_t>{1, 1, 1, 1, 2, 2, 2, 2}));
}

// A theme's artworks, each drawn anew at 16 and at 32 px (signatures 10 bits
// apart, too far to link), each drawing nearest its series sibling at its
// own size: each artwork's drawings end in one group. Not joined: two
// pictures 24 bits apart (another picture, not a drawing), drawings further
// than the rule's most, and a size too few icons have to tell anything.
TEST(GroupRows, AnArtworkDrawnAtOtherSizesJoinsWhereItsSiblingsShareTheirs) {
  const auto none = [](std::size_t) { return false; };
  const std::uint64_t a = 0x0123456789abcdef;
  struct Drawing {
    std::uint64_t signature;
    std::uint32_t side;
  };
  const std::vector<Drawing> drawings = {
      {a, 16}, {a ^ 0x3ff, 32},                                            // 0, 1: one artwork
      {a ^ 0xffffffff00000000, 16}, {a ^ 0xffffffff000003ff, 32},          // 2, 3: its sibling
      {a ^ 0xffffffff, 16}, {a ^ 0xffffffff ^ 0xffffff, 32},               // 4, 5: 24 bits apart
      {a ^ 0xffff0000ffff0000, 16}, {a ^ 0xffff0000ffff03ff, 32},          // 6, 7: 25 apart
      {a ^ 0xffff0000ffff, 16}, {a ^ 0xffff0000ffff ^ 0x3ff, 15}};         // 8, 9: 15 px is rare
  const std::size_t fillers = 200, n = drawings.size() + fillers;  // alone, at 16 px
  std::vector<std::optional<IconLook>> looks(n);
  for (std::size_t row = 0; row < n; ++row) {
    const Drawing drawing = row < drawings.size() ? drawings[row] : Drawing{~a ^ row, 16};
    IconLook& look = looks[row].emplace();
    look.signature = drawing.signature;
    look.width = look.height = drawing.side;
  }
  const auto nearest = NearestOfPairs({{{0, 1}, 8}, {{2, 3}, 8}, {{0, 2}, 5}, {{1, 3}, 5}, {{0, 3}, 12},
                                       {{1, 2}, 12}, {{4, 5}, 6}, {{6, 7}, 25}, {{8, 9}, 6}});
  const std::vector<std::size_t> groups = GroupRows(n, none, looks, nearest, kDefaultGroups, 2);
  EXPECT_EQ(std::vector<std::size_t>(groups.begin(), groups.begin() + 10),
            (std::vector<std::size_t>{1, 1, 2, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(groups.back(), 8 + fillers);
}

// An icon at 64 px with its copy at 32 px, and the theme's own drawing at
// 32 px (10 signature bits off, too far to link): the copy is the 64 px
// picture scaled, so it keeps the icon from no drawing at 32 px, and the
// drawing, all of whose cells moved from the copy's, joins. Another icon's
// series sibling at 32 px, one cell far from that icon's copy and 40 a
// little (too many to part as siblings within a group), does not.
TEST(GroupRows, CopiesAtASizeDoNotKeepAnIconFromItsDrawingThere) {
  const auto none = [](std::size_t) { return false; };
  const std::uint64_t a = 0x0123456789abcdef, b = a ^ 0xffff0000ffff0000;
  struct Icon {
    std::uint64_t signature;
    std::uint32_t side;
    int moved;  // levels added to every detail cell, or if negative to cell 37 (and 2 to 40 others)
  };
  const std::vector<Icon> icons = {
      {a, 64, 0}, {a ^ 0x7000000, 32, 0}, {a ^ 0x3ff, 32, 3},    // 0-2: A, its copy, its drawing
      {b, 64, 0}, {b ^ 0x7000000, 32, 0}, {b ^ 0x3ff, 32, -40}};  // 3-5: B, its copy, a sibling
  std::vector<std::optional<IconLook>> looks(icons.size());
  for (std::size_t row = 0; row < icons.size(); ++row) {
    IconLook& look = looks[row].emplace(SeriesLook(0, 1));
    look.signature = icons[row].signature;
    look.width = look.height = icons[row].side;
    for (std::size_t c = 0; c < look.detail.size(); ++c)
      look.detail[c] = static_cast<std::uint8_t>(60 + c % 100 + std::max(icons[row].moved, 0));
    if (icons[row].moved < 0) {
      look.detail[37] += 40;
      for (std::size_t c = 100; c < 140; ++c) look.detail[c] += 2;
    }
  }
  const auto nearest =
      NearestOfPairs({{{0, 1}, 1}, {{0, 2}, 5}, {{1, 2}, 6}, {{3, 4}, 1}, {{3, 5}, 5}, {{4, 5}, 6}});
  EXPECT_EQ(GroupRows(icons.size(), none, looks, nearest, kDefaultGroups, 2),
            (std::vector<std::size_t>{1, 1, 1, 2, 2, 3}));
}

// A series of twelve icons drawn at 64 px only, each row's nearest its
// eleven siblings: no row's nearest is of a group it may join. Two of them
// have a drawing at 16 px, too far to link, whose nearest is its icon:
// the one 8 signature bits off, as alike as a scaled copy, joins it; the
// one 10 bits off stays apart.
TEST(GroupRows, AnIconWhoseNearestAreItsSiblingsTakesItsDrawingAlikeAsACopy) {
  const auto none = [](std::size_t) { return false; };
  const std::size_t series = 12, n = series + 2;
  std::vector<std::optional<IconLook>> looks(n);
  std::map<std::pair<std::size_t, std::size_t>, double> apart;
  for (std::size_t row = 0; row < series; ++row) {
    IconLook& look = looks[row].emplace();
    look.signature = 0x9e3779b97f4a7c15 * (row + 1);  // about 32 bits from each other
    look.width = look.height = 64;
    for (std::size_t other = 0; other < row; ++other) apart[{other, row}] = 6;
  }
  for (const std::size_t small : {series, series + 1}) {
    IconLook& look = looks[small].emplace();
    const std::size_t icon = small - series;
    look.signature = looks[icon]->signature ^ (icon == 0 ? 0xff : 0x3ff);
    look.width = look.height = 16;
    apart[{icon, small}] = 9;
  }
  std::vector<std::size_t> expected(n);
  for (std::size_t row = 0; row < series; ++row) expected[row] = row + 1;
  expected[series] = 1;
  expected[series + 1] = series + 1;
  EXPECT_EQ(GroupRows(n, none, looks, NearestOfPairs(apart), kDefaultGroups, 2), expected);
}

// A calendar's days at one size: one picture but for the day, which only
// the detail map sees. Each day ends in its own group with its copies and
// A's drawing at another size. Not parted: a day 8 levels off (no further
// than a copy's noise), a copy that moves more cells than a sibling may
// (27 of 256) and the drawing at 24 px, whose cells all may move.
TEST(GroupRows, IconsOfOneSizeAlikeButForADetailPart) {
  const auto none = [](std::size_t) { return false; };
  std::vector<std::optional<IconLook>> looks(7);
  for (std::size_t row = 0; row < looks.size(); ++row) {
    IconLook& look = looks[row].emplace(SeriesLook(0, 1));
    for (std::size_t c = 0; c < look.detail.size(); ++c) look.detail[c] = static_cast<std::uint8_t>(60 + c % 100);
    look.width = look.height = row == 5 ? 24 : 48;
  }
  const auto move = [&](std::size_t row, std::size_t from, std::size_t to, int levels) {
    for (std::size_t c = from; c < to; ++c) looks[row]->detail[c] = static_cast<std::uint8_t>(looks[row]->detail[c] + levels);
  };
  for (const std::size_t row : {1, 2, 4}) move(row, 120, 145, 2);  // days B and C: 26 cells from A
  move(1, 37, 38, 40);                                               // B, and 4: its exact copy
  move(4, 37, 38, 40);
  move(2, 100, 101, 40);                                             // C
  move(3, 37, 38, 40);                                               // A's copy: 27 cells moved
  move(3, 120, 146, 2);
  move(5, 200, 201, 40);                                             // A drawn at 24 px
  move(6, 37, 38, 8);                                                // as good as A
  const auto nearest = [](std::size_t row) {
    const std::map<std::size_t, std::pair<std::size_t, double>> closest = {
        {0, {3, 1}}, {3, {0, 1}}, {1, {4, 1}}, {4, {1, 1}}, {2, {6, 3}}, {5, {0, 1}}, {6, {0, 2}}};
    std::vector<Neighbour> near = {{closest.at(row).first, closest.at(row).second}};
    for (std::size_t other = 0; other < 7; ++other)
      if (other != row && other != closest.at(row).first) near.push_back({other, 3.0});
    return near;
  };
  EXPECT_EQ(GroupRows(7, none, looks, nearest, kDefaultGroups, 2),
            (std::vector<std::size_t>{1, 2, 3, 1, 2, 1, 1}));
}

// Colour cells at multiples of 62 / 4 rounded down (15 or 16 pixels), each
// value red - green and (red + green) / 2 - blue, means rounded toward zero.
TEST(IconColourMap, CellsFollowTheGridAndRoundTowardZero) {
  NormalisedIcon icon;
  icon.samples.fill(128);
  for (int y = 0; y < 15; ++y)  // cell 0, 15 x 15: pure red
    for (int x = 0; x < 15; ++x) {
      std::uint8_t* bgr = &icon.samples[(y * 62 + x) * 3];
      bgr[0] = 0, bgr[1] = 0, bgr[2] = 255;
    }
  for (int x = 46; x < 62; ++x) icon.samples[(61 * 62 + x) * 3] = 255;  // cell 15's last row: blue
  const ColourMap map = IconColourMap(icon);
  EXPECT_EQ(map[0], 255);
  EXPECT_EQ(map[1], 127);  // (255 + 0) / 2 - 0 = 127.5
  EXPECT_EQ(map[2], 0);
  EXPECT_EQ(map[30], 0);
  EXPECT_EQ(map[31], -7);  // 16 of 256 pixels 127 bluer: -7.94
}

// Cells at multiples of 62 / 8 rounded down (7 or 8 pixels), means rounded half up.
TEST(IconGreyMap, CellsFollowTheGridAndRoundHalfUp) {
  NormalisedIcon icon;
  icon.samples.fill(255);
  for (int y = 54; y < 62; ++y)  // exactly the last cell
    for (int x = 54; x < 62; ++x) std::fill_n(&icon.samples[(y * 62 + x) * 3], 3, 0);
  for (int x = 0; x < 7; ++x) std::fill_n(&icon.samples[x * 3], 3, 0);  // one row of 7 of cell 0's 49
  const GreyMap map = IconGreyMap(icon);
  EXPECT_EQ(map[63], 0);
  EXPECT_EQ(map[62], 255);
  EXPECT_EQ(map[55], 255);
  EXPECT_EQ(map[0], 219);  // 255 x 42 / 49 = 218.57
  // The detail map's cells at multiples of 62 / 16 (3 or 4 pixels).
  const DetailMap detail = IconDetailMap(icon);
  EXPECT_EQ(detail[0], 170);  // 3 of 9 black
  EXPECT_EQ(detail[1], 170);  // 4 of 12
  EXPECT_EQ(detail[237], 255);
  EXPECT_EQ(detail[238], 0);
}

}  // namespace
