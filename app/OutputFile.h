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

    // Writes text and moves the file to the target path.
    bool Commit(const std::string& text, std::string& error);

private:
    OutputFile(std::string path, std::string temporary, int descriptor);

    std::string fPath;
    std::string fTemporary;
    int fDescriptor;
};

}  // namespace report
