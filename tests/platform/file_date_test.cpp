#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/file_date.h"
#include "tests/support/file_times.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;

class FileDateTest : public testing::Test {
  protected:
    FileDateTest() {
        std::string pattern = (fs::temp_directory_path() / "file-date-XXXXXX").string();
        directory_ = ::mkdtemp(pattern.data());
        file_ = directory_ / "chiffrel";
        std::ofstream(file_) << "program";
    }
    ~FileDateTest() override { fs::remove_all(directory_); }

    // Sets the file's last-write time to this local date and time.
    void SetLocalWriteTime(int year, int month, int day, int hour, int minute, int second) {
        ASSERT_TRUE(testing_support::SetLocalWriteTime(file_.string(), year, month, day, hour,
                                                       minute, second));
    }

    fs::path directory_;
    fs::path file_;
};

TEST_F(FileDateTest, GivesTheLocalWriteTimeToTwoSeconds) {
    SetLocalWriteTime(2026, 3, 18, 14, 25, 37);
    EXPECT_EQ(FileDateOf(file_.string()), (DosDateTime{2026, 3, 18, 14, 25, 36}));
    SetLocalWriteTime(1998, 12, 31, 23, 59, 58);
    EXPECT_EQ(FileDateOf(file_.string()), (DosDateTime{1998, 12, 31, 23, 59, 58}));
}

TEST_F(FileDateTest, KeepsMidnight) {
    SetLocalWriteTime(2024, 2, 29, 0, 0, 1);
    EXPECT_EQ(FileDateOf(file_.string()), (DosDateTime{2024, 2, 29, 0, 0, 0}));
}

TEST_F(FileDateTest, UnreadableOrUnrepresentableFilesGiveTheFirstDosDay) {
    const DosDateTime firstDosDay{1980, 1, 1, 0, 0, 0};
    EXPECT_EQ(FileDateOf((directory_ / "missing").string()), firstDosDay);
    SetLocalWriteTime(1979, 12, 31, 23, 59, 59);
    EXPECT_EQ(FileDateOf(file_.string()), firstDosDay);
    SetLocalWriteTime(2108, 1, 1, 12, 0, 0);
    EXPECT_EQ(FileDateOf(file_.string()), firstDosDay);
}

}  // namespace
}  // namespace chiffrel
