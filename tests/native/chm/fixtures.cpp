// Test helpers over the real CHM fixtures; see fixtures.h.
#include "fixtures.h"

#include <fstream>
#include <sstream>

#include <zlib.h>

namespace {
bool EndsWithGz(const std::string& path) {
    return path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
}
} // namespace

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
    if (EndsWithGz(path)) {
        Bytes bytes;
        gzFile in = gzopen(path.c_str(), "rb");
        if (!in) return bytes;
        unsigned char buffer[1 << 16];
        int n;
        while ((n = gzread(in, buffer, sizeof buffer)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        gzclose(in);
        return bytes;
    }
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes) {
    if (EndsWithGz(path)) {
        gzFile out = gzopen(path.c_str(), "wb9");
        if (!out) return false;
        bool ok =
            gzwrite(out, bytes.data(), static_cast<unsigned>(bytes.size())) == static_cast<int>(bytes.size());
        return gzclose(out) == Z_OK && ok;
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
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
