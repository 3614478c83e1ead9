// Writing the report file: the text goes to a temporary file beside the
// target, which replaces the target only when everything was written, so a
// failed run never leaves half a file.
#pragma once

#include <memory>
#include <string>

namespace report {

class OutputFile {
public:
    // Creates the temporary file beside path, so that a destination that
    // cannot be written shows before any work is done. Gives null and a
    // message when it cannot be created.
    static std::unique_ptr<OutputFile> Create(const std::string& path, std::string& error);

    // Removes the temporary file unless Commit succeeded.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Appends text to the temporary file; false once a write has failed.
    bool Write(const char* data, size_t size);
    // Moves the file to the target path when every write succeeded.
    bool Commit(std::string& error);

private:
    OutputFile(std::string path, std::string temporary, int descriptor);

    std::string fPath;
    std::string fTemporary;
    int fDescriptor;
    int fWriteError = 0;  // errno of the first write that failed
};

}  // namespace report
