// Test helpers over the real CHM fixtures; see fixtures.h.
#include "fixtures.h"

#include <fstream>
#include <sstream>

std::map<std::string, std::vector<ExpectedObject>> LoadManifest(const std::string& path) {
    std::map<std::string, std::vector<ExpectedObject>> manifest;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string file, name, length, sha;
        if (std::getline(fields, file, '\t') && std::getline(fields, name, '\t') &&
            std::getline(fields, length, '\t') && std::getline(fields, sha))
            manifest[file].push_back({name, static_cast<uint32_t>(std::stoul(length)), sha});
    }
    return manifest;
}

std::string FixtureDir() {
    return std::string(LUMIVO_SOURCE_DIR) + "/tests/data/chm";
}

std::string FixturePath(const std::string& name) {
    return FixtureDir() + "/" + name;
}

Bytes ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

ChmContainer* OpenBytes(const Bytes& bytes) {
    return OpenContainerFile(ChmFileOpenMemory(bytes.data(), bytes.size()));
}

bool ReadString(ChmContainer* container, const std::string& name, std::string* out) {
    unsigned char* data;
    uint32_t length;
    if (ReadObject(container, name.c_str(), &data, &length) != 0) return false;
    out->assign(reinterpret_cast<char*>(data), length);
    FreeObject(data);
    return true;
}
