// vexlor-nearest and its search on hand-made data sets whose distances are
// worked out by hand, and on the faults users make.

#include "vexlor/nearest.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace {

using namespace vexlor;

// A record line of `form` whose descriptor part is zero but for `set`
// (index, value) pairs, followed by the form's weights and ranges.
std::string Record(RecordForm form, std::vector<std::pair<int, std::string>> set) {
  std::vector<std::string> values(kSearchedValueCount, "0");
  for (const auto& [i, v] : set) values[static_cast<size_t>(i)] = v;
  const bool tiny = form == RecordForm::kTinyInt;
  for (int i = 0; i < 168; ++i) values.push_back(i < 96 ? (tiny ? "4" : "16") : "1");
  for (int j = 0; j < 40; ++j) values.push_back(tiny ? "40" : "8");
  std::string line;
  for (const std::string& v : values) line += v + " ";
  return line + "\n";
}

// r1 zero; r2 and r4 equal (3 in a bin, 4 in a Lab sum, 5 in a group); r3
// "Bad Icon"; r5 10 in a Lab sum.
std::string DataSet(RecordForm form) {
  const std::string r2 = Record(form, {{0, "3"}, {100, "4"}, {170, "5"}});
  return Record(form, {}) + r2 + "Bad Icon\n" + r2 + Record(form, {{96, "10"}});
}

class NearestTool : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_ / "names", "r1\nr2\nr3\nr4\nr5\n");
    WriteFile(dir_ / "query", Record(RecordForm::kTinyInt, {}));
  }
  ProgramResult Run(std::vector<std::string> args) {
    return RunProgram(VEXLOR_NEAREST_BINARY, args);
  }
  std::string Path(const std::string& name) const { return dir_ / name; }

  TempDir dir_;
};

TEST_F(NearestTool, ListsTheNearestByEachMetricWithTiesInLineOrder) {
  const struct {
    RecordForm form;
    const char* metric;
    const char* expected;
  } cases[] = {
      {RecordForm::kTinyInt, "l1", "1\t1\t0\tr1\n1\t2\t10\tr5\n1\t3\t12\tr2\n1\t4\t12\tr4\n"},
      {RecordForm::kTinyInt, "l2",
       "1\t1\t0\tr1\n1\t2\t7.0710678118654755\tr2\n1\t3\t7.0710678118654755\tr4\n1\t4\t10\tr5\n"},
      // 4 * 3 + 1 * 4 + 5 / 40
      {RecordForm::kTinyInt, "weighted", "1\t1\t0\tr1\n1\t2\t10\tr5\n1\t3\t16.125\tr2\n1\t4\t16.125\tr4\n"},
      // 16 * 3 + 1 * 4 + 5 / 8
      {RecordForm::kDouble, "weighted", "1\t1\t0\tr1\n1\t2\t10\tr5\n1\t3\t52.625\tr2\n1\t4\t52.625\tr4\n"},
      {RecordForm::kDouble, "l2",
       "1\t1\t0\tr1\n1\t2\t7.0710678118654755\tr2\n1\t3\t7.0710678118654755\tr4\n1\t4\t10\tr5\n"},
  };
  for (const auto& c : cases) {
    WriteFile(Path("data"), DataSet(c.form));
    WriteFile(Path("query"), Record(c.form, {}));
    const ProgramResult r = Run({"-k", "9", "--metric", c.metric, Path("data"), Path("names"),
                                 "--records", Path("query")});
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, c.expected) << c.metric;
  }
  // Fractions of the double form, and -k.
  WriteFile(Path("query"), Record(RecordForm::kDouble, {{1, "0.5"}, {200, "0.25"}}));
  const ProgramResult r = Run({"-k", "1", "--metric", "weighted", Path("data"), Path("names"),
                               "--records", Path("query")});
  EXPECT_EQ(r.out, "1\t1\t8.03125\tr1\n");  // 16 * 0.5 + 0.25 / 8
}

TEST_F(NearestTool, MeasuresIconQueriesInTheFormOfTheData) {
  const std::string a = TestDataPath("calculator.png"), b = TestDataPath("audio-card.png");
  WriteFile(Path("list"), a + "\n" + b + "\n");
  WriteFile(Path("names0"), std::string("calc\0card\0", 10));
  for (const char* form : {"--double", "-q"}) {
    ASSERT_EQ(RunProgram(VEXLOR_BATCH_BINARY, {"-q", form, "-o", Path("data"), Path("list")})
                  .exit_status, 0);
    const ProgramResult r = Run({"-0", "-k", "1", "-j", "2", Path("data"), Path("names0"), b, a});
    EXPECT_EQ(r.exit_status, 0) << r.err;
    EXPECT_EQ(r.out, b + "\t1\t0\tcard\n" + a + "\t1\t0\tcalc\n") << form;
  }
  const ProgramResult r = Run({Path("data"), Path("names0"), "-0", Path("none.png"), a});
  EXPECT_EQ(r.exit_status, 2);
  EXPECT_NE(r.err.find("none.png"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.substr(0, a.size()), a) << "the other query is answered";
}

TEST_F(NearestTool, RefusesDataNamesAndQueriesThatDoNotFit) {
  WriteFile(Path("data"), DataSet(RecordForm::kTinyInt));
  const auto expectError = [&](std::vector<std::string> args, const std::string& message) {
    const ProgramResult r = Run(args);
    EXPECT_EQ(r.exit_status, 2) << message;
    EXPECT_EQ(r.out, "") << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  };
  WriteFile(Path("short"), "r1\nr2\n");
  expectError({Path("data"), Path("short"), "--records", Path("query")},
              Path("short") + ": 2 names for the 5 lines of '" + Path("data") + "'");
  WriteFile(Path("long"), "r1\nr2\nr3\nr4\nr5\nr6\n");
  expectError({Path("data"), Path("long"), "--records", Path("query")}, Path("long") + ":6:");
  WriteFile(Path("query"), Record(RecordForm::kDouble, {}));
  expectError({Path("data"), Path("names"), "--records", Path("query")},
              Path("query") + ":1: a record of double form");
  WriteFile(Path("torn"), DataSet(RecordForm::kTinyInt) + "1 2 3 \n");
  expectError({Path("torn"), Path("names"), "--records", Path("query")}, Path("torn") + ":6:");
  std::string odd = Record(RecordForm::kTinyInt, {});
  odd.replace(odd.size() - 4, 2, "41");
  WriteFile(Path("odd"), odd);
  expectError({Path("odd"), Path("r1"), "--records", Path("query")}, Path("odd") + ":1: its weights");
  const ProgramResult bad = Run({"-k", "1", Path("data"), Path("names"), "--records", Path("data")});
  EXPECT_EQ(bad.exit_status, 2);
  EXPECT_NE(bad.err.find(Path("data") + ":3: \"Bad Icon\""), std::string::npos) << bad.err;
  EXPECT_EQ(bad.out, "1\t1\t0\tr1\n2\t1\t0\tr2\n4\t1\t0\tr2\n5\t1\t0\tr5\n");
  EXPECT_EQ(Run({Path("data"), Path("names")}).exit_status, 1) << "no query";
  EXPECT_EQ(Run({Path("data"), Path("names"), "--metric", "cosine", "x.png"}).exit_status, 1);
}

}  // namespace
