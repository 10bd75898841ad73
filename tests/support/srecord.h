#pragma once

// srec_cat and srec_info (package srecord) read the load formats back as an
// independent check. They are programs of the build machine: the Windows
// test program skips the tests that need them; elsewhere a missing tool fails
// those tests.

#include <gtest/gtest.h>

#include <string>

#include "support/assemble.h"
#include "support/platform.h"

bool srec_tools_found();

// The first statement of a test that reads files back with the tools.
#define REQUIRE_SREC_TOOLS()                                                                             \
    do {                                                                                                 \
        if (!runs_build_machine_tools()) GTEST_SKIP() << "the srecord tools run on the build machine";   \
        ASSERT_TRUE(srec_tools_found()) << "srec_cat and srec_info read the load formats back: install " \
                                           "the package srecord";                                         \
    } while (false)

// Standard output of an srecord command line run in `dir`, byte for byte; its
// standard error goes to dir/tool.err.
std::string srec_tool(const TempDir& dir, const std::string& command);
