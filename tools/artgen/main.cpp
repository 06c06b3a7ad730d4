// artgen OUTDIR: writes every art file of the gadget into OUTDIR.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "artwork.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: artgen OUTDIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    for (const artgen::ArtFile& file : artgen::GenerateArtwork()) {
        std::ofstream out(dir / file.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "artgen: cannot write %s\n", (dir / file.name).string().c_str());
            return 1;
        }
    }
    return 0;
}
