#pragma once

// What the program does differently on Linux and on Windows, in this one
// place: the calls behind safe output files, the standard descriptors and the
// signals.

#include <cstddef>
#include <cstdio>
#include <string>
#include <system_error>

// Makes the process safe to run before anything else happens: a standard
// descriptor that is closed gets the null device, so that no file opened
// later can take its place; a console that went away (a closed pipe) and a
// file-size limit are write errors, not signals that end the run.
void prepare_process();

// Switches standard input to binary reading (no line-end translation).
void read_standard_input_as_binary();

// Where the last component of a path begins: just after its last folder
// separator (or drive), 0 when it has none.
std::size_t last_component_start(const std::string& path);

// Whether `name` is written in place rather than replaced: an existing file
// that is not a regular one (a device such as /dev/null or NUL, a FIFO; a
// directory, which then cannot be opened).
bool written_in_place(const std::string& name);

// Whether this process may replace the file `name`: there is none, or it may
// write it (a file made read-only is not replaced).
bool may_replace(const std::string& name);

// Creates a new, empty file with a name of its own in the folder of `target`,
// with the permissions `target` has when it exists; returns its name, or an
// empty name with the reason in `error`.
std::string create_file_beside(const std::string& target, std::error_code& error);

// Renames `from` over `to` in one step: `to` is either still the old file or
// already the new one.
bool replace_file(const std::string& from, const std::string& to, std::error_code& error);

// The reason of the C library's last failure (errno).
std::error_code last_error();
