// The whole content of a host file, byte for byte; empty when it cannot be read.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string FileContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}
