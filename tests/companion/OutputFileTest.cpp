// The writers' output file: gathered writes go out after the buffered bytes,
// and a write cut short by a full disk keeps exactly what fitted.
#include "companion/io/OutputFile.h"

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/uio.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

// An open file and 300 pieces of 1..300 bytes, each filled with its own letter.
class OutputFileGathered : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(file.open(path));
    for (size_t n = 0; n < 300; ++n) pieces.push_back(std::string(1 + n, static_cast<char>('a' + n % 26)));
    for (std::string& piece : pieces) {
      iov.push_back({&piece[0], piece.size()});
      joined += piece;
    }
  }
  bool writeAll() { return file.writeGathered(iov.data(), static_cast<int>(iov.size())); }

  oryxtest::TempDir dir;
  const std::string path = dir.file("g.txt");
  oryx::OutputFile file;
  std::vector<std::string> pieces;
  std::vector<struct iovec> iov;
  std::string joined;
};

}  // namespace

TEST_F(OutputFileGathered, BufferedBytesThenEveryPieceInOrder) {
  file.append("head:", 5);
  ASSERT_TRUE(writeAll());
  ASSERT_TRUE(file.close());
  EXPECT_EQ(oryxtest::readFile(path), "head:" + joined);
}

TEST_F(OutputFileGathered, ShortWriteOnAFullDiskKeepsExactlyWhatFitted) {
  {
    // The limit falls inside a piece: the first write is cut short there.
    oryxtest::FileSizeLimit limit(20001);
    EXPECT_FALSE(writeAll());
  }
  EXPECT_FALSE(file.good());
  EXPECT_EQ(file.failureErrno(), EFBIG);
  EXPECT_FALSE(file.close());
  EXPECT_EQ(oryxtest::readFile(path), joined.substr(0, 20001));
}
