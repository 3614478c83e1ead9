// Writing the report file. A regular file (or a new one) is written through
// a temporary file beside it, which replaces it only when everything was
// written, so a failed run never leaves half a file; the replacement keeps
// the permissions of the file it replaces. A symbolic link is followed: its
// target is the file replaced, and the link stays. Anything else that can be
// written (a device such as /dev/null, a named pipe) is written as it
// stands, never replaced; a folder is refused.
#pragma once

#include <memory>
#include <string>

namespace report {

class OutputFile {
public:
    // Opens the destination (for a file, creates the temporary file beside
    // it), so that a destination that cannot be written shows before any work
    // is done. Gives null and a message when it cannot be opened.
    static std::unique_ptr<OutputFile> Create(const std::string& path, std::string& error);

    // Removes the temporary file unless Commit succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Appends text to the file; false once a write has failed.
    bool Write(const char* data, size_t size);
    // Moves the temporary file to the target path, or closes the destination
    // written as it stands, when every write succeeded.
    bool Commit(std::string& error);

private:
    // temporary: empty when the destination is written as it stands.
    OutputFile(std::string path, std::string target, std::string temporary, int descriptor);

    std::string fPath;       // what the user named, for messages
    std::string fTarget;     // the file a temporary file replaces
    std::string fTemporary;  // empty: written in place
    int fDescriptor;
    int fWriteError = 0;  // errno of the first write that failed
};

}  // namespace report
