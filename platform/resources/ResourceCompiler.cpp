// The resource compiler, run at build time:
//     <deliverable>-artwork <definition file> <output folder>
// reads a deliverable's Resources.def, draws the pictures it names with the deliverable's
// DrawArtwork, and writes <output folder>/resources.cpp, which places the resource table into the
// section ".tapweave.rsrc" of the file it is built into (layout: platform/modules/ResourceFormat.h;
// data of each kind: platform/include/platform/resources.h). Each picture is also written to the
// output folder (bitmaps as <name>.bmp, icons as <name>.pam) for looking at.
//
// The definition file, one statement a line; "#" starts a comment line:
//     bitmap <number> <picture>
//     icon <number> <picture>
//     version <number> <translation>
//     value <name> <text to the end of the line>     (strings of the version above it)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Artwork.h"
#include "ResourceFormat.h"
#include "platform/resources.h"

namespace {

using platform::Image;

struct Resource {
    std::uint32_t type;
    std::uint32_t id;
    std::string data;
};

class DefinitionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

void PutNumber(std::string& out, std::uint32_t value) {
    for (int index = 0; index < 4; ++index) {
        out += static_cast<char>((value >> (8 * index)) & 0xFF);
    }
}

void Pad(std::string& out) {
    out.append((platform::resourceAlignment - out.size() % platform::resourceAlignment) %
                   platform::resourceAlignment,
               '\0');
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

Image Draw(const std::string& name, int size) {
    std::optional<Image> image = DrawArtwork(name);
    if (!image) {
        throw DefinitionError("no picture named \"" + name + "\"");
    }
    if (size != 0 && (image->Width() != size || image->Height() != size)) {
        throw DefinitionError("picture \"" + name + "\" is not " + std::to_string(size) + " x " +
                              std::to_string(size));
    }
    return *image;
}

std::uint32_t Number(std::istringstream& words) {
    long long number = -1;
    if (!(words >> number) || number < 0 || number > 0xFFFF) {
        throw DefinitionError("a resource number from 0 to 65535 is expected");
    }
    return static_cast<std::uint32_t>(number);
}

// The resources a definition file names; pictures are also written to the output folder.
std::vector<Resource> ReadDefinition(std::istream& in, const std::string& output) {
    std::vector<Resource> resources;
    Resource* version = nullptr;
    std::string line;
    for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
        try {
            std::istringstream words(line);
            std::string keyword;
            if (!(words >> keyword) || keyword.front() == '#') {
                continue;
            }
            if (keyword == "value") {
                std::string name;
                std::string text;
                if (!version || !(words >> name) || !std::getline(words >> std::ws, text) ||
                    name.find('=') != std::string::npos) {
                    throw DefinitionError("\"value <name> <text>\" after a version is expected");
                }
                version->data += name + "=" + text + "\n";
                continue;
            }
            const std::uint32_t id = Number(words);
            std::string argument;
            if (!(words >> argument)) {
                throw DefinitionError("a picture name or translation is expected");
            }
            version = nullptr;
            if (keyword == "bitmap") {
                const Image image = Draw(argument, 0);
                WriteFile(output + "/" + argument + ".bmp", image.Bitmap());
                resources.push_back({RT_BITMAP, id, image.Bitmap()});
            } else if (keyword == "icon") {
                const Image image = Draw(argument, 32);
                WriteFile(output + "/" + argument + ".pam", image.Pam());
                resources.push_back({RT_GROUP_ICON, id, image.Icon()});
            } else if (keyword == "version") {
                resources.push_back({RT_VERSION, id, argument + "\n"});
                version = &resources.back();
            } else {
                throw DefinitionError("unknown statement \"" + keyword + "\"");
            }
        } catch (const DefinitionError& error) {
            throw DefinitionError("line " + std::to_string(lineNumber) + ": " + error.what());
        }
    }
    return resources;
}

std::string Table(std::vector<Resource> resources) {
    std::sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
        return a.type != b.type ? a.type < b.type : a.id < b.id;
    });
    for (std::size_t index = 1; index < resources.size(); ++index) {
        if (resources[index].type == resources[index - 1].type &&
            resources[index].id == resources[index - 1].id) {
            throw DefinitionError("resource " + std::to_string(resources[index].id) +
                                  " is defined twice");
        }
    }
    std::string data;
    std::string entries;
    const std::size_t dataStart =
        platform::resourceHeaderSize + resources.size() * platform::resourceEntrySize;
    for (const Resource& resource : resources) {
        PutNumber(entries, resource.type);
        PutNumber(entries, resource.id);
        PutNumber(entries, static_cast<std::uint32_t>(dataStart + data.size()));
        PutNumber(entries, static_cast<std::uint32_t>(resource.data.size()));
        data += resource.data;
        Pad(data);
    }
    std::string table(platform::resourceMarker, sizeof platform::resourceMarker);
    PutNumber(table, static_cast<std::uint32_t>(resources.size()));
    PutNumber(table, static_cast<std::uint32_t>(dataStart + data.size()));
    return table + entries + data;
}

std::string Source(const std::string& table, const std::string& definition) {
    std::ostringstream out;
    out << "// Made by the resource compiler from " << definition << "; do not edit.\n"
        << "alignas(" << platform::resourceAlignment << ") __attribute__((section(\""
        << platform::resourceSectionName << "\"), used))\n"
        << "static const unsigned char resourceTable[" << table.size() << "] = {";
    for (std::size_t index = 0; index < table.size(); ++index) {
        out << (index % 16 == 0 ? "\n   " : "") << ' '
            << static_cast<unsigned>(static_cast<unsigned char>(table[index])) << ',';
    }
    out << "\n};\n";
    return out.str();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " <definition file> <output folder>\n";
        return 2;
    }
    const std::string definition = argv[1];
    const std::string output = argv[2];
    try {
        std::ifstream in(definition);
        if (!in) {
            throw std::runtime_error("cannot read " + definition);
        }
        const std::vector<Resource> resources = ReadDefinition(in, output);
        WriteFile(output + "/resources.cpp", Source(Table(resources), definition));
    } catch (const std::exception& error) {
        std::cerr << definition << ": " << error.what() << "\n";
        return 1;
    }
    return 0;
}
