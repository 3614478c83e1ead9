// Items written on a worker thread while the procedure goes on: they reach
// the stream in order, at most the given number wait, a failure of the
// stream comes back at the end, and with one thread nothing changes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "OutputDocument.h"
#include "writers/WorkerStream.h"

namespace {

// Keeps the texts of the items it is given, slowly, and fails on "fail".
class SlowStream : public npar::DocumentStream {
public:
    SlowStream(std::vector<std::string>& texts, std::atomic<int>& written)
        : fTexts(texts), fWritten(written) {}
    std::unique_ptr<npar::OutputItem> Item(std::unique_ptr<npar::OutputItem> item) override {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (item->text == "fail") throw std::runtime_error("the stream failed");
        fTexts.push_back(item->text);
        ++fWritten;
        return item;
    }
    void End(const npar::OutputDocument&) override { fTexts.push_back("end"); }

private:
    std::vector<std::string>& fTexts;
    std::atomic<int>& fWritten;
};

std::unique_ptr<npar::OutputItem> Text(const std::string& text) {
    return std::make_unique<npar::OutputItem>(npar::OutputItem::Kind::Text, text);
}

class WorkerStreamTest : public ::testing::Test {
protected:
    void SetUp() override { setenv("NPAR_THREADS", "2", 1); }
    void TearDown() override { unsetenv("NPAR_THREADS"); }
};

TEST_F(WorkerStreamTest, ItemsArriveInOrderAndNoMoreThanTheLimitWait) {
    std::vector<std::string> texts;
    std::atomic<int> written{0};
    npar::OutputDocument document;
    auto stream = npar::OnWorkerThread(std::make_unique<SlowStream>(texts, written), 3);
    int mostAhead = 0;
    for (int i = 0; i < 200; ++i) {
        stream->Item(Text(std::to_string(i)));
        // Handed over minus written: those waiting, and the one being written.
        mostAhead = std::max(mostAhead, i + 1 - written.load());
    }
    EXPECT_LE(mostAhead, 3 + 1);
    EXPECT_GE(mostAhead, 2) << "the items were written on the procedure's thread";
    stream->End(document);
    ASSERT_EQ(texts.size(), 201u);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(texts[static_cast<size_t>(i)], std::to_string(i));
    EXPECT_EQ(texts.back(), "end");
}

TEST_F(WorkerStreamTest, AFailureOfTheStreamIsThrownAtTheEnd) {
    std::vector<std::string> texts;
    std::atomic<int> written{0};
    npar::OutputDocument document;
    auto stream = npar::OnWorkerThread(std::make_unique<SlowStream>(texts, written), 2);
    for (const char* text : {"a", "b", "fail", "c", "d"}) stream->Item(Text(text));
    EXPECT_THROW(stream->End(document), std::runtime_error);
    EXPECT_EQ(texts, (std::vector<std::string>{"a", "b"})) << "nothing after the failure, no end";
}

TEST(WorkerStream, WithOneThreadTheStreamIsUsedAsItIs) {
    setenv("NPAR_THREADS", "1", 1);
    std::vector<std::string> texts;
    std::atomic<int> written{0};
    auto slow = std::make_unique<SlowStream>(texts, written);
    npar::DocumentStream* inner = slow.get();
    auto stream = npar::OnWorkerThread(std::move(slow), 2);
    unsetenv("NPAR_THREADS");
    EXPECT_EQ(stream.get(), inner);
}

}  // namespace
