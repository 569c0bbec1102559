// The writers' output file: gathered writes go out after the buffered bytes,
// and a write cut short by a full disk keeps exactly what fitted.
#include "export/ExportFile.h"

#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/uio.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

// Pieces of 1..300 bytes, each filled with its own letter.
std::vector<std::string> makePieces() {
  std::vector<std::string> pieces;
  for (size_t n = 0; n < 300; ++n) pieces.push_back(std::string(1 + n, static_cast<char>('a' + n % 26)));
  return pieces;
}

std::vector<struct iovec> iovecsOf(std::vector<std::string>& pieces) {
  std::vector<struct iovec> iov;
  for (std::string& piece : pieces) iov.push_back({&piece[0], piece.size()});
  return iov;
}

}  // namespace

TEST(ExportFileGathered, BufferedBytesThenEveryPieceInOrder) {
  oryxtest::TempDir dir;
  oryx::ExportFile file;
  ASSERT_TRUE(file.open(dir.file("g.txt")));
  std::vector<std::string> pieces = makePieces();
  std::vector<struct iovec> iov = iovecsOf(pieces);
  file.append("head:", 5);
  ASSERT_TRUE(file.writeGathered(iov.data(), static_cast<int>(iov.size())));
  ASSERT_TRUE(file.close());
  std::string expected = "head:";
  for (const std::string& piece : pieces) expected += piece;
  EXPECT_EQ(oryxtest::readFile(dir.file("g.txt")), expected);
}

TEST(ExportFileGathered, ShortWriteOnAFullDiskKeepsExactlyWhatFitted) {
  oryxtest::TempDir dir;
  oryx::ExportFile file;
  ASSERT_TRUE(file.open(dir.file("g.txt")));
  std::vector<std::string> pieces = makePieces();
  std::vector<struct iovec> iov = iovecsOf(pieces);
  std::string expected;
  for (const std::string& piece : pieces) expected += piece;
  {
    // The limit falls inside a piece: the first write is cut short there.
    oryxtest::FileSizeLimit limit(20001);
    EXPECT_FALSE(file.writeGathered(iov.data(), static_cast<int>(iov.size())));
  }
  EXPECT_FALSE(file.good());
  EXPECT_EQ(file.failureErrno(), EFBIG);
  EXPECT_FALSE(file.close());
  EXPECT_EQ(oryxtest::readFile(dir.file("g.txt")), expected.substr(0, 20001));
}
