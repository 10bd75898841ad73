#pragma once

#include <string>

// How a file's line ends are written: text files take the platform's line
// end for each "\n", binary files are written byte for byte.
enum class FileKind { text, binary };

// Creates or truncates the named file and writes `contents` to it; false when
// it cannot be created or written.
bool write_whole_file(const std::string& name, const std::string& contents, FileKind kind);
