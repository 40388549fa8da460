#include "report/results_file.h"

#include <gtest/gtest.h>

#include "descriptors/descriptors.h"
#include "report/record_format.h"
#include "tests/test_support.h"

namespace {

class ResultsFileTest : public testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_ / "results.txt";
  std::string error_;
};

TEST_F(ResultsFileTest, OverwriteReplacesTheContentWithoutANewline) {
  WriteFile(path_, "old content\nmore\n");
  ASSERT_TRUE(WriteRecordToFile(path_.c_str(), false, "1 2 3 ", &error_));
  EXPECT_EQ(ReadFile(path_), "1 2 3 ");
}

TEST_F(ResultsFileTest, AppendCreatesTheFileAndEndsEveryRecordWithANewline) {
  ASSERT_TRUE(WriteRecordToFile(path_.c_str(), true, "1 2 ", &error_));
  ASSERT_TRUE(WriteRecordToFile(path_.c_str(), true, "3 4 ", &error_));
  EXPECT_EQ(ReadFile(path_), "1 2 \n3 4 \n");
}

TEST_F(ResultsFileTest, AppendAfterAnOverwriteStartsALineOfItsOwn) {
  ASSERT_TRUE(WriteRecordToFile(path_.c_str(), false, "1 2 ", &error_));
  ASSERT_TRUE(WriteMessageToFile(path_.c_str(), true, "Bad Icon", &error_));
  ASSERT_TRUE(WriteRecordToFile(path_.c_str(), true, "3 4 ", &error_));
  EXPECT_EQ(ReadFile(path_), "1 2 \nBad Icon\n3 4 \n");
}

TEST_F(ResultsFileTest, MessagesAreWrittenUnchanged) {
  ASSERT_TRUE(WriteMessageToFile(path_.c_str(), false, "Bad Icon", &error_));
  EXPECT_EQ(ReadFile(path_), "Bad Icon");
  ASSERT_TRUE(WriteMessageToFile(path_.c_str(), true, "Bad Icon", &error_));
  EXPECT_EQ(ReadFile(path_), "Bad Icon\nBad Icon\n");
}

TEST_F(ResultsFileTest, ReportsAFolderThatDoesNotExist) {
  const std::string path = dir_ / "missing/results.txt";
  for (bool append : {false, true}) {
    EXPECT_FALSE(WriteRecordToFile(path.c_str(), append, "1 ", &error_));
    EXPECT_EQ(error_, "cannot open '" + path + "': No such file or directory");
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}

TEST_F(ResultsFileTest, ReportsAFolderGivenAsTheFile) {
  EXPECT_FALSE(WriteRecordToFile(dir_.path().c_str(), true, "1 ", &error_));
  EXPECT_NE(error_.find("Is a directory"), std::string::npos) << error_;
}

TEST_F(ResultsFileTest, ReportsAFullDevice) {
  EXPECT_FALSE(WriteRecordToFile("/dev/full", true, "1 ", &error_));
  EXPECT_EQ(error_, "cannot write '/dev/full': No space left on device");
}

TEST_F(ResultsFileTest, WriteToFileWritesTheChosenForm) {
  const Descriptors d(SolidIcon(62, 62, cv::Vec3b(0, 0, 0)));
  ASSERT_TRUE(d.WriteToFile(path_.c_str(), false, true, &error_));
  EXPECT_EQ(ReadFile(path_), FormatRecord(d, true));
  ASSERT_TRUE(d.WriteToFile(path_.c_str(), true, false, &error_));
  EXPECT_EQ(ReadFile(path_),
            FormatRecord(d, true) + "\n" + FormatRecord(d, false) + "\n");
}

}  // namespace
