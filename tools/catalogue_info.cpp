// catalogue-info: what the built-in catalogue knows of a disc, for scripts
// that make stand-in discs: the archive's exact size or the number of movies.
#include "catalogue/Catalogue.h"

#include <cstdio>
#include <string_view>

int main(int argc, char** argv)
{
    const std::string_view disc = argc == 3 ? argv[1] : "";
    const std::string_view what = argc == 3 ? argv[2] : "";
    if ((disc != "1" && disc != "2") || (what != "size" && what != "movies")) {
        std::fprintf(stderr, "usage: catalogue-info 1|2 size|movies\n");
        return 2;
    }
    const int n = disc == "1" ? 1 : 2;
    const int answer =
        what == "movies" ? hotaru::movieCount(n) : (n == 1 ? hotaru::Disc1ArchiveSize : hotaru::Disc2ArchiveSize);
    std::printf("%d\n", answer);
    return 0;
}
