// The report file: a file written through a temporary file and a rename,
// anything else that can be written written as it stands.
#include "OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write " + path + ": " + std::strerror(error);
}

// How a destination is written.
struct Destination {
    enum class Way { Replace, InPlace, Refuse } way = Way::Replace;
    std::string target;     // Replace: the file replaced (a link's target)
    bool existing = false;  // Replace: a file is there, whose permissions the new one keeps
    mode_t mode = 0;
    bool truncate = false;  // InPlace: a file, emptied first
    int error = 0;          // Refuse: why
};

Destination DestinationOf(const std::string& path) {
    Destination destination;
    destination.target = path;
    struct stat link;
    if (lstat(path.c_str(), &link) != 0) return destination;  // a new file
    struct stat file = link;
    if (S_ISLNK(link.st_mode) && stat(path.c_str(), &file) != 0) {
        // A link to nothing (yet): written through, which makes its target.
        destination.way = Destination::Way::InPlace;
        return destination;
    }
    if (S_ISDIR(file.st_mode)) {
        destination.way = Destination::Way::Refuse;
        destination.error = EISDIR;
    } else if (!S_ISREG(file.st_mode)) {
        destination.way = Destination::Way::InPlace;  // a device, a pipe, a socket
    } else {
        destination.existing = true;
        destination.mode = file.st_mode & 0777;
        if (S_ISLNK(link.st_mode)) {
            char resolved[PATH_MAX];
            if (realpath(path.c_str(), resolved)) {
                destination.target = resolved;
            } else {
                destination.way = Destination::Way::InPlace;
                destination.truncate = true;
            }
        }
    }
    return destination;
}

}  // namespace

OutputFile::OutputFile(std::string path, std::string target, std::string temporary, int descriptor)
    : fPath(std::move(path)),
      fTarget(std::move(target)),
      fTemporary(std::move(temporary)),
      fDescriptor(descriptor) {}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path, std::string& error) {
    const Destination destination = DestinationOf(path);
    if (destination.way == Destination::Way::Refuse) {
        error = CannotWrite(path, destination.error);
        return nullptr;
    }
    if (destination.way == Destination::Way::InPlace) {
        const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (destination.truncate ? O_TRUNC : 0);
        const int descriptor = open(path.c_str(), flags, 0666);
        if (descriptor < 0) {
            error = CannotWrite(path, errno);
            return nullptr;
        }
        return std::unique_ptr<OutputFile>(new OutputFile(path, path, "", descriptor));
    }
    const std::string pattern = TemporaryPattern(destination.target);
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) {
        error = CannotWrite(path, errno);
        return nullptr;
    }
    fchmod(descriptor, destination.existing ? destination.mode : CreationMode());
    return std::unique_ptr<OutputFile>(
        new OutputFile(path, destination.target, name.data(), descriptor));
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
    if (ok && !fTemporary.empty() && std::rename(fTemporary.c_str(), fTarget.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        error = CannotWrite(fPath, saved);
        return false;  // the destructor removes the temporary file
    }
    fTemporary.clear();
    return true;
}

}  // namespace report
