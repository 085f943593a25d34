// The one open of an image file: only regular files, never blocking, reads
// bounded by the size seen at open.
#include "imagelib/file_input.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <future>

namespace tervo::imagelib {
namespace {

using testing::TempDir;

TEST(FileInput, ReadsARegularFileAndStopsAtItsEnd) {
    TempDir dir;
    const auto path = dir.write("a.bin", "0123456789");
    const auto input = FileInput::open(path.c_str());
    ASSERT_TRUE(input);
    EXPECT_EQ(input->size(), 10);

    char buf[16] = {};
    EXPECT_EQ(input->read_at(2, buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "2345");
    EXPECT_EQ(input->read_at(7, buf, 16), 3u);
    EXPECT_EQ(std::string(buf, 3), "789");
    EXPECT_EQ(input->read_at(10, buf, 1), 0u);
    EXPECT_EQ(input->read_at(1000, buf, 1), 0u);
    EXPECT_EQ(input->read_at(-1, buf, 1), 0u);

    FileCursor cursor(*input);
    EXPECT_EQ(cursor.read(buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "012");
    EXPECT_TRUE(cursor.skip(5));
    EXPECT_EQ(cursor.read(buf, 16), 2u);
    EXPECT_EQ(std::string(buf, 2), "89");
    EXPECT_EQ(cursor.position(), 10);
    EXPECT_FALSE(cursor.skip(1));
    cursor.seek(4);
    EXPECT_FALSE(cursor.skip(7));
}

TEST(FileInput, CursorGivesTheFileBytesWhateverTheMixOfReadsSeeksAndSkips) {
    // Bytes that differ at every offset across several read-ahead buffers.
    std::string bytes(3 * FileCursor::kReadAhead + 123, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7919u) >> 3);
    TempDir dir;
    const auto path = dir.write("mixed.bin", bytes);
    const auto input = FileInput::open(path.c_str());
    ASSERT_TRUE(input);

    FileCursor cursor(*input);
    std::string got(bytes.size(), '\0');
    const std::size_t steps[] = {1, 7, FileCursor::kReadAhead - 3, 2, FileCursor::kReadAhead + 5, 13};
    int64_t at = 0;
    for (std::size_t i = 0; at < int64_t(bytes.size()); ++i) {
        if (i % 5 == 4) {
            // Back a little, then read on again: the buffer must not serve
            // stale bytes for the new place.
            at = std::max<int64_t>(0, at - 11);
            cursor.seek(at);
        }
        const std::size_t n = cursor.read(got.data() + at, std::min<std::size_t>(steps[i % 6], bytes.size() - at));
        ASSERT_GT(n, 0u);
        at += int64_t(n);
        ASSERT_EQ(cursor.position(), at);
    }
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(cursor.read(got.data(), 1), 0u);

    cursor.seek(0);
    ASSERT_TRUE(cursor.skip(int64_t(FileCursor::kReadAhead) + 1));
    char one = 0;
    ASSERT_EQ(cursor.read(&one, 1), 1u);
    EXPECT_EQ(one, bytes[FileCursor::kReadAhead + 1]);
}

TEST(FileInput, RefusesWhatIsNotARegularFile) {
    TempDir dir;
    EXPECT_FALSE(FileInput::open(dir.str().c_str()));
    EXPECT_FALSE(FileInput::open((dir.path() / "missing.bmp").c_str()));
    EXPECT_FALSE(FileInput::open(""));
    EXPECT_FALSE(FileInput::open(nullptr));

    const auto zero = dir.path() / "zero.bmp";
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    EXPECT_FALSE(FileInput::open(zero.c_str()));

    const std::string socket_path = (dir.path() / "socket.bmp").string();
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    std::strcpy(address.sun_path, socket_path.c_str());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(FileInput::open(socket_path.c_str()));
    ::close(sock);

    // A symlink to a regular file is that file.
    const auto real = dir.write("real.bmp", "BM");
    const auto link = dir.path() / "link.bmp";
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    EXPECT_TRUE(FileInput::open(link.c_str()));
}

TEST(FileInput, RefusesAFifoWithoutWaitingForAWriter) {
    TempDir dir;
    const std::string fifo = (dir.path() / "pipe.bmp").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto opened = std::async(std::launch::async, [&] { return FileInput::open(fifo.c_str()) != nullptr; });
    if (opened.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        // Blocked waiting for a writer: give it one so the test still ends.
        const int writer = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        opened.wait();
        if (writer >= 0) ::close(writer);
        FAIL() << "opening a FIFO blocked";
    }
    EXPECT_FALSE(opened.get());
}

TEST(FileInput, OpensANameThatIsNotUtf8) {
    TempDir dir;
    const std::string name = (dir.path() / "\xff\xfe.bmp").string();
    std::ofstream(name, std::ios::binary) << "BMxyz";
    const auto input = FileInput::open(name.c_str());
    ASSERT_TRUE(input);
    EXPECT_EQ(input->size(), 5);
}

TEST(FileInput, ReadsOnlyTheSizeSeenAtOpen) {
    TempDir dir;
    const auto path = dir.write("grow.bin", "abcd");
    const auto input = FileInput::open(path.c_str());
    ASSERT_TRUE(input);
    std::ofstream(path, std::ios::binary | std::ios::app) << "efgh";

    EXPECT_EQ(input->size(), 4);
    char buf[8] = {};
    EXPECT_EQ(input->read_at(0, buf, 8), 4u);
    EXPECT_EQ(std::string(buf, 4), "abcd");
    EXPECT_EQ(input->read_at(4, buf, 4), 0u);

    // A file that shrank meanwhile gives short reads, not garbage.
    ASSERT_EQ(::truncate(path.c_str(), 2), 0);
    EXPECT_EQ(input->read_at(0, buf, 4), 2u);
}

}  // namespace
}  // namespace tervo::imagelib
