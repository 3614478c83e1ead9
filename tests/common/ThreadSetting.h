// NPAR_THREADS (the thread count of the reader and the writers) set for a
// scope and put back as it was when the scope ends, however it ends.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class ThreadSetting {
public:
    // threads: the setting's text; null leaves it unset.
    explicit ThreadSetting(const char* threads) {
        if (const char* before = std::getenv(kName)) fBefore = before;
        Set(threads);
    }
    ~ThreadSetting() { Set(fBefore ? fBefore->c_str() : nullptr); }
    ThreadSetting(const ThreadSetting&) = delete;
    ThreadSetting& operator=(const ThreadSetting&) = delete;

private:
    static constexpr const char* kName = "NPAR_THREADS";
    static void Set(const char* threads) {
        if (threads)
            setenv(kName, threads, 1);
        else
            unsetenv(kName);
    }
    std::optional<std::string> fBefore;
};
