#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/setup_engine.h"
#include "tests/support/test_env.h"

namespace {

// Stream seam: records every block read and write, and lets a test act on
// the n-th read or shorten a write.
struct StreamSpy {
    std::vector<size_t> reads, writes;
    SetupEngine* engine = nullptr;
    size_t abortOnRead = 0;       // 1-based read that requests an abort first
    size_t dropFromWrite = 0;     // 1-based write whose bytes are dropped
    size_t dropBytes = 0;
    std::string destination;
};
StreamSpy g_spy;

size_t SpyRead(void* buffer, size_t bytes, FILE* stream) {
    if (g_spy.reads.size() + 1 == g_spy.abortOnRead) g_spy.engine->cancelState = kCancelRequested;
    size_t n = StandardCopyStreamOps().read(buffer, bytes, stream);
    g_spy.reads.push_back(n);
    return n;
}

size_t SpyWrite(const void* buffer, size_t bytes, FILE* stream) {
    g_spy.writes.push_back(bytes);
    if (g_spy.writes.size() == g_spy.dropFromWrite) {
        size_t kept = bytes > g_spy.dropBytes ? bytes - g_spy.dropBytes : 0;
        return StandardCopyStreamOps().write(buffer, kept, stream);
    }
    return StandardCopyStreamOps().write(buffer, bytes, stream);
}

class FileCopyTest : public ::testing::Test {
protected:
    ScratchDir dir_;
    SetupEngine engine_;
    std::string source_ = dir_ / "source.pac";
    std::string destination_ = dir_ / "destination.pac";

    void SetUp() override {
        g_spy = StreamSpy();
        g_spy.engine = &engine_;
        g_copyStreamOps = {SpyRead, SpyWrite};
    }
    void TearDown() override { g_copyStreamOps = StandardCopyStreamOps(); }

    bool Copy() { return engine_.CopyFileChecked(destination_.c_str(), source_.c_str()); }
    bool SameContent() { return ReadBytes(source_) == ReadBytes(destination_); }
};

}  // namespace

TEST_F(FileCopyTest, CopiesInChunksAndCountsTheBytes) {
    struct Case { size_t bytes; std::vector<size_t> reads; };
    const Case cases[] = {
        {0, {0}},
        {100, {100}},
        {65536, {65536, 0}},
        {200000, {65536, 65536, 65536, 3392}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        MakeFile(source_, c.bytes);
        MakeFile(destination_, 300000, 9);  // an old, longer copy is truncated
        g_spy.reads.clear();
        g_spy.writes.clear();
        engine_.bytesCopied = 1000;
        EXPECT_TRUE(Copy());
        EXPECT_EQ(g_spy.reads, c.reads);
        EXPECT_EQ(g_spy.writes, c.reads);  // each read is written as it came
        EXPECT_EQ(engine_.bytesCopied.load(), 1000u + c.bytes);
        EXPECT_EQ(FileBytes(destination_), static_cast<int64_t>(c.bytes));
        EXPECT_TRUE(SameContent());
        EXPECT_EQ(engine_.srcStream, nullptr);
        EXPECT_EQ(engine_.dstStream, nullptr);
    }
}

TEST_F(FileCopyTest, AbortRequestedBeforeTheCopyLeavesAnEmptyDestination) {
    MakeFile(source_, 200000);
    MakeFile(destination_, 5000, 3);
    engine_.cancelState = kCancelRequested;
    EXPECT_TRUE(Copy());
    EXPECT_TRUE(g_spy.reads.empty());
    EXPECT_EQ(FileBytes(destination_), 0);
    EXPECT_EQ(engine_.cancelState.load(), kCancelSeenByCopy);
    EXPECT_EQ(engine_.bytesCopied.load(), 0u);
}

TEST_F(FileCopyTest, AbortDuringTheSecondChunkStopsAfterIt) {
    MakeFile(source_, 200000);
    g_spy.abortOnRead = 2;
    EXPECT_TRUE(Copy());
    EXPECT_EQ(g_spy.reads, (std::vector<size_t>{65536, 65536}));
    EXPECT_EQ(FileBytes(destination_), 131072);  // no size check after an abort
    EXPECT_EQ(engine_.cancelState.load(), kCancelSeenByCopy);
    EXPECT_EQ(engine_.bytesCopied.load(), 131072u);
}

TEST_F(FileCopyTest, AnAbortAlreadySeenSkipsTheSizeCheck) {
    for (int32_t state : {kCancelSeenByCopy, kCancelSeenByThread}) {
        SCOPED_TRACE(state);
        MakeFile(source_, 200000);
        g_spy.writes.clear();
        g_spy.dropFromWrite = 1;  // the copy comes out 65,537 bytes short
        g_spy.dropBytes = 65537;
        engine_.cancelState = state;
        EXPECT_TRUE(Copy());
        EXPECT_EQ(FileBytes(destination_), 200000 - 65536);  // not repaired
        EXPECT_EQ(engine_.cancelState.load(), state);
    }
}

TEST_F(FileCopyTest, ACopyTooShortIsRepairedWithTheWholeFileCopy) {
    MakeFile(source_, 200000);
    // 70,000 bytes go missing: all of the second write, 4,464 of the third.
    g_copyStreamOps.write = [](const void* buffer, size_t bytes, FILE* stream) -> size_t {
        g_spy.writes.push_back(bytes);
        size_t index = g_spy.writes.size();
        if (index == 2) return 0;
        if (index == 3) return StandardCopyStreamOps().write(buffer, bytes - 4464, stream);
        return StandardCopyStreamOps().write(buffer, bytes, stream);
    };
    engine_.bytesCopied = 500;
    EXPECT_TRUE(Copy());
    EXPECT_TRUE(SameContent());
    EXPECT_EQ(engine_.bytesCopied.load(), 500u + 200000u);
}

TEST_F(FileCopyTest, ACopyExactlySixtyFourKibShortIsAccepted) {
    MakeFile(source_, 200000);
    g_spy.dropFromWrite = 2;
    g_spy.dropBytes = 65536;
    EXPECT_TRUE(Copy());
    EXPECT_EQ(FileBytes(destination_), 200000 - 65536);
}

TEST_F(FileCopyTest, FallbackCountsTheSourceOnce) {
    MakeFile(source_, 200000);
    g_copyStreamOps.write = [](const void*, size_t bytes, FILE*) -> size_t {
        g_spy.writes.push_back(bytes);
        return 0;  // nothing reaches the destination
    };
    engine_.bytesCopied = 40;
    EXPECT_TRUE(Copy());
    EXPECT_TRUE(SameContent());
    EXPECT_EQ(engine_.bytesCopied.load(), 40u + 200000u);
}

TEST_F(FileCopyTest, StillWrongAfterTheFallbackIsAFailure) {
    MakeFile(source_, 200000);
    // Nothing reaches the destination, and another program marks it
    // read-only while the stream still has it open, so the whole-file copy
    // cannot replace it either.
    g_spy.destination = destination_;
    g_copyStreamOps.write = [](const void*, size_t, FILE*) -> size_t {
        SetFileAttributesA(g_spy.destination.c_str(), FILE_ATTRIBUTE_READONLY);
        return 0;
    };
    EXPECT_FALSE(Copy());
    EXPECT_EQ(FileBytes(destination_), 0);
    SetFileAttributesA(destination_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileCopyTest, MissingSourceTouchesNothing) {
    MakeFile(destination_, 1234, 5);
    auto before = ReadBytes(destination_);
    engine_.bytesCopied = 77;
    EXPECT_FALSE(Copy());
    EXPECT_EQ(ReadBytes(destination_), before);
    EXPECT_EQ(engine_.bytesCopied.load(), 77u);
    EXPECT_EQ(engine_.srcStream, nullptr);
}

TEST_F(FileCopyTest, UnwritableDestinationFailsAndClosesTheSource) {
    MakeFile(source_, 1000);
    MakeFile(destination_, 10, 4);
    SetFileAttributesA(destination_.c_str(), FILE_ATTRIBUTE_READONLY);
    const std::string missingFolder = dir_ / "no-such-folder\\file.pac";
    for (const std::string& target : {destination_, missingFolder}) {
        SCOPED_TRACE(target);
        EXPECT_FALSE(engine_.CopyFileChecked(target.c_str(), source_.c_str()));
        EXPECT_EQ(engine_.srcStream, nullptr);
        // Closed: the source can be opened again with no sharing at all.
        EXPECT_EQ(engine_.FileSize(source_.c_str()), 1000u);
    }
    EXPECT_EQ(FileBytes(destination_), 10);
    SetFileAttributesA(destination_.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileSize, GivesTheLowSizeOrZero) {
    ScratchDir dir;
    SetupEngine engine;
    MakeFile(dir / "a", 12345);
    EXPECT_EQ(engine.FileSize((dir / "a").c_str()), 12345u);
    EXPECT_EQ(engine.FileSize((dir / "missing").c_str()), 0u);
    HANDLE holder = CreateFileA((dir / "a").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(engine.FileSize((dir / "a").c_str()), 0u);  // held open by another
    CloseHandle(holder);
}

namespace {

class SelectedBytesTest : public ::testing::Test {
protected:
    ScratchDir dir_;
    SetupEngine engine_;
    std::vector<std::string> names_;

    // Install list of 24 names f00..f23 whose files in the source folder
    // have size 1000 + position.
    void SetUp() override {
        std::vector<const char*> list;
        for (int k = 0; k < 24; ++k) {
            char name[8];
            sprintf(name, "f%02d", k);
            names_.push_back(name);
        }
        for (auto& name : names_) list.push_back(name.c_str());
        list.push_back(nullptr);
        engine_.installFiles = engine_.CopyList(engine_.installFiles, list.data());
        strcpy(engine_.sourceDir, dir_.Path().c_str());
        for (int k = 0; k < 24; ++k) MakeFile(dir_ / names_[k], 1000 + k);
    }
    static uint32_t Sum(int from, int to) {
        uint32_t total = 0;
        for (int k = from; k < to; ++k) total += 1000 + k;
        return total;
    }
};

}  // namespace

TEST_F(SelectedBytesTest, SumsTheSelectedFilesOfTheRange) {
    engine_.SetCopyRange(1, 0, 11);
    EXPECT_EQ(engine_.SelectedBytes(), Sum(0, 11));
    DeleteFileA((dir_ / "f04").c_str());  // a missing file adds 0
    engine_.selected[2] = 0;              // a gap in the selection
    EXPECT_EQ(engine_.SelectedBytes(), Sum(0, 11) - 1004 - 1002);
    engine_.SetCopyRange(0, 0, 0);
    EXPECT_EQ(engine_.SelectedBytes(), 0u);
}

TEST_F(SelectedBytesTest, EntriesFromTwentyOnAreAlwaysSelected) {
    for (auto& entry : engine_.selected) entry = 0;
    engine_.SetCopyRange(2, 0, 9999);
    EXPECT_EQ(engine_.SelectedBytes(), Sum(20, 24));
}

TEST_F(SelectedBytesTest, APathThatDoesNotFitAddsNothing) {
    std::string deep(250, 'd');
    strcpy(engine_.sourceDir, deep.c_str());
    engine_.SetCopyRange(2, 0, 9999);
    EXPECT_EQ(engine_.SelectedBytes(), 0u);
}
