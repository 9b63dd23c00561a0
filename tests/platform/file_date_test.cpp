#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "platform/file_date.h"
#include "tests/support/file_times.h"
#include "tests/support/scratch_directory.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;

class FileDateTest : public testing::Test {
  protected:
    FileDateTest() { std::ofstream(file_) << "program"; }

    // Sets the file's last-write time to this local date and time.
    void SetLocalWriteTime(int year, int month, int day, int hour, int minute, int second) {
        ASSERT_TRUE(testing_support::SetLocalWriteTime(file_.string(), year, month, day, hour,
                                                       minute, second));
    }

    testing_support::ScratchDirectory directory_{"file-date"};
    fs::path file_ = directory_.File("chiffrel");
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
    EXPECT_EQ(FileDateOf(directory_.File("missing").string()), firstDosDay);
    SetLocalWriteTime(1979, 12, 31, 23, 59, 59);
    EXPECT_EQ(FileDateOf(file_.string()), firstDosDay);
    SetLocalWriteTime(2108, 1, 1, 12, 0, 0);
    EXPECT_EQ(FileDateOf(file_.string()), firstDosDay);
}

}  // namespace
}  // namespace chiffrel
