// Where device nodes and their sysfs descriptions live; tests point both at a tree of their own
// and hand out their own file descriptors for the nodes.
#pragma once

#include <fcntl.h>

#include <functional>
#include <string>

namespace sonivex {

// Opens a device node: a file descriptor, or -1 with errno set.
using NodeOpener = std::function<int(const std::string& path, int flags)>;

struct DeviceRoots {
    std::string sysfs = "/sys";
    std::string dev = "/dev";
    NodeOpener openNode;  // empty = open(2)

    int Open(const std::string& path, int flags) const {
        return openNode ? openNode(path, flags) : ::open(path.c_str(), flags);
    }
};

}  // namespace sonivex
