// The report file, written through a temporary file and a rename.
#include "OutputFile.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace report {
namespace {

std::string TemporaryPattern(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".XXXXXX";
}

// The permissions a newly created file gets (mkstemp makes it private).
mode_t CreationMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool WriteAll(int descriptor, const char* data, size_t size) {
    size_t written = 0;
    while (written < size) {
        const ssize_t n = write(descriptor, data + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

OutputFile::OutputFile(std::string path, std::string temporary, int descriptor)
    : fPath(std::move(path)), fTemporary(std::move(temporary)), fDescriptor(descriptor) {}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, std::string& error) {
    const std::string pattern = TemporaryPattern(path);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    fchmod(descriptor, CreationMode());
    return std::unique_ptr<OutputFile>(new OutputFile(path, name.data(), descriptor));
}

OutputFile::~OutputFile() {
    if (fDescriptor >= 0) close(fDescriptor);
    if (!fTemporary.empty()) unlink(fTemporary.c_str());
}

bool OutputFile::Write(const char* data, size_t size) {
    if (fWriteError != 0) return false;
    if (WriteAll(fDescriptor, data, size)) return true;
    fWriteError = errno != 0 ? errno : EIO;
    return false;
}

bool OutputFile::Commit(std::string& error) {
    bool ok = fWriteError == 0;
    int saved = fWriteError;
    if (close(fDescriptor) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    fDescriptor = -1;
    if (ok && std::rename(fTemporary.c_str(), fPath.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        error = "cannot write " + fPath + ": " + std::strerror(saved);
        return false;  // the destructor removes the temporary file
    }
    fTemporary.clear();
    return true;
}

}  // namespace report
