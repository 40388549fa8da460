#include "vexlor/results_file.h"

#include <gtest/gtest.h>

#include "record/record_format.h"
#include "tests/test_support.h"
#include "vexlor/descriptors.h"
#include "vexlor/record.h"

namespace {

using namespace vexlor;

class ResultsFileTest : public testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_ / "results.txt";
  std::string error_;
};

TEST_F(ResultsFileTest, OverwriteReplacesTheContentWithoutANewline) {
  WriteFile(path_, "old content\nmore\n");
  ASSERT_TRUE(WriteMessageToFile(path_, false, "1 2 3 ").ok());
  EXPECT_EQ(ReadFile(path_), "1 2 3 ");
}

TEST_F(ResultsFileTest, AppendCreatesTheFileAndEndsEveryRecordWithANewline) {
  ASSERT_TRUE(WriteMessageToFile(path_, true, "1 2 ").ok());
  ASSERT_TRUE(WriteMessageToFile(path_, true, "3 4 ").ok());
  EXPECT_EQ(ReadFile(path_), "1 2 \n3 4 \n");
}

TEST_F(ResultsFileTest, AppendAfterAnOverwriteStartsALineOfItsOwn) {
  ASSERT_TRUE(WriteMessageToFile(path_, false, "1 2 ").ok());
  ASSERT_TRUE(WriteMessageToFile(path_, true, "Bad Icon").ok());
  ASSERT_TRUE(WriteMessageToFile(path_, true, "3 4 ").ok());
  EXPECT_EQ(ReadFile(path_), "1 2 \nBad Icon\n3 4 \n");
}

TEST_F(ResultsFileTest, MessagesAreWrittenUnchanged) {
  ASSERT_TRUE(WriteMessageToFile(path_, false, "Bad Icon").ok());
  EXPECT_EQ(ReadFile(path_), "Bad Icon");
  ASSERT_TRUE(WriteMessageToFile(path_, true, "Bad Icon").ok());
  EXPECT_EQ(ReadFile(path_), "Bad Icon\nBad Icon\n");
}

TEST_F(ResultsFileTest, ReportsAFolderThatDoesNotExist) {
  const std::string path = dir_ / "missing/results.txt";
  for (bool append : {false, true}) {
    EXPECT_EQ(WriteMessageToFile(path, append, "1 ").message(), "cannot open '" + path + "': No such file or directory");
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}

TEST_F(ResultsFileTest, ReportsAFolderGivenAsTheFile) {
  error_ = WriteMessageToFile(dir_.path(), true, "1 ").message();
  EXPECT_NE(error_.find("Is a directory"), std::string::npos) << error_;
}

TEST_F(ResultsFileTest, ReportsAFullDevice) {
  error_ = WriteMessageToFile("/dev/full", true, "1 ").message();
  EXPECT_EQ(error_, "cannot write '/dev/full': No space left on device");
}

TEST_F(ResultsFileTest, WriteToFileWritesTheChosenForm) {
  const Descriptors d(SolidIcon(62, 62, cv::Vec3b(0, 0, 0)));
  ASSERT_TRUE(WriteToFile(d, path_, false, RecordForm::kTinyInt).ok());
  EXPECT_EQ(ReadFile(path_), RecordLine(d, RecordForm::kTinyInt));
  ASSERT_TRUE(WriteToFile(d, path_, true, RecordForm::kDouble).ok());
  EXPECT_EQ(ReadFile(path_),
            RecordLine(d, RecordForm::kTinyInt) + "\n" + RecordLine(d, RecordForm::kDouble) + "\n");
}

}  // namespace
