// The writers' output buffer: what a writer reads back of its own output
// must not depend on where the buffer was last handed on, and a consumer
// that fails must not be fed again.
#include <gtest/gtest.h>

#include <string>

#include "OutputSink.h"

namespace {

TEST(OutputSink, EndsWithSeesAcrossHandedOnChunks) {
    std::string consumed;
    npar::OutputSink sink(
        [&consumed](const char* data, size_t size) {
            consumed.append(data, size);
            return true;
        },
        4);
    EXPECT_FALSE(sink.EndsWith("\n"));
    sink += "table\n";  // handed on at once: the buffer is empty again
    EXPECT_TRUE(sink.EndsWith("\n"));
    EXPECT_FALSE(sink.EndsWith("\n\n"));
    sink += '\n';
    EXPECT_TRUE(sink.EndsWith("\n\n"));
    EXPECT_TRUE(sink.EndsWith("e\n\n"));
    EXPECT_EQ(sink.Size(), 7u);
    EXPECT_TRUE(sink.Flush());
    EXPECT_EQ(consumed, "table\n\n");
    EXPECT_TRUE(sink.EndsWith("le\n\n"));
}

TEST(OutputSink, StopsFeedingAConsumerThatFailed) {
    int calls = 0;
    npar::OutputSink sink(
        [&calls](const char*, size_t) {
            ++calls;
            return false;
        },
        2);
    sink += "abc";
    sink += "def";
    EXPECT_FALSE(sink.Flush());
    EXPECT_EQ(calls, 1);
}

TEST(OutputSink, KeepsEverythingInAString) {
    std::string text = "";
    npar::OutputSink sink(text);
    for (int i = 0; i < 1000; ++i) sink += "0123456789";
    EXPECT_TRUE(sink.Flush());
    EXPECT_EQ(text.size(), 10000u);
    EXPECT_EQ(sink.Size(), 10000u);
}

}  // namespace
