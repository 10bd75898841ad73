#include "support/srecord.h"

#include <cstdio>
#include <cstdlib>

bool srec_tools_found() {
    return std::system("command -v srec_cat >/dev/null 2>&1 && command -v srec_info >/dev/null 2>&1") == 0;
}

std::string srec_tool(const TempDir& dir, const std::string& command) {
    const std::string line = "cd '" + dir.path.string() + "' && " + command + " 2>tool.err";
    std::string out;
    if (FILE* pipe = popen(line.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            out.append(buffer, n);
        }
        pclose(pipe);
    }
    return out;
}
