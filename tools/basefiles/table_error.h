// Errors of the base-files builder: a table that cannot be read names its
// file and line, so that whoever edits a table sees at once where.
#pragma once

#include <stdexcept>
#include <string>

namespace basefiles {

class TableError : public std::runtime_error {
public:
    TableError(const std::string& source, int line, const std::string& what)
        : std::runtime_error(source + ":" + std::to_string(line) + ": " + what),
          source_(source), line_(line) {}

    const std::string& source() const { return source_; }
    int line() const { return line_; }

private:
    std::string source_;
    int line_;
};

// A failure while writing a base file (record-manager status or file system).
class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace basefiles
