// Runs a shell command and returns what it printed (stdout, binary-safe).
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace sonivex::testing {

inline std::string Shell(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buffer[4096];
    for (size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        out.append(buffer, n);
    return out;
}

}  // namespace sonivex::testing
