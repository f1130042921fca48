// catalogue-info: what the built-in catalogue knows of a disc, for scripts
// that make stand-in discs: the archive's exact size, the number of movies,
// the largest movie's number, or a movie's title (UTF-8), size or offset in
// bytes.
#include "catalogue/Catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: catalogue-info 1|2 size|movies|largest\n"
                         "       catalogue-info 1|2 title|bytes|offset MOVIE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string_view disc = argc >= 3 ? argv[1] : "";
    const std::string_view what = argc >= 3 ? argv[2] : "";
    if (disc != "1" && disc != "2")
        return usage();
    const int n = disc == "1" ? 1 : 2;
    if (argc == 3 && what == "largest") {
        std::int32_t largest = 1;
        for (std::int32_t m = 2; m <= hotaru::movieCount(n); ++m)
            if (hotaru::movieSize(n, m) > hotaru::movieSize(n, largest))
                largest = m;
        std::printf("%d\n", largest);
        return 0;
    }
    if (argc == 3 && (what == "size" || what == "movies")) {
        std::printf("%d\n", what == "movies" ? hotaru::movieCount(n)
                                             : (n == 1 ? hotaru::Disc1ArchiveSize : hotaru::Disc2ArchiveSize));
        return 0;
    }
    if (argc != 4 || (what != "title" && what != "bytes" && what != "offset"))
        return usage();
    const std::string number = argv[3];
    char* end = nullptr;
    const long movie = std::strtol(number.c_str(), &end, 10);
    if (number.empty() || *end != '\0' || movie < 1 || movie > hotaru::movieCount(n))
        return usage();
    const auto m = static_cast<std::int32_t>(movie);
    if (what == "title")
        std::printf("%s\n", std::string(hotaru::movieTitle(n, m)).c_str());
    else
        std::printf("%d\n", what == "bytes" ? hotaru::movieSize(n, m) : hotaru::movieOffset(n, m));
    return 0;
}
