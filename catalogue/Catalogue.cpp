#include "catalogue/Catalogue.h"

#include <array>

namespace hotaru {

namespace {

struct Movie {
    std::string_view title;
    std::int32_t size;
    std::int32_t offset;
};

// Titles double as file names: each fits 30 bytes in Shift-JIS and avoids the
// characters Windows refuses in names.
constexpr std::array<Movie, Disc1MovieCount> disc1{{
    {"オープニング", 23695360, 0},
    {"蛍の舞う夜", 21714944, 23695360},
    {"鷲ノ宮あかね登場", 10629120, 45410304},
    {"白鳥しおり登場", 3647488, 56039424},
    {"約束の丘", 15925248, 59686912},
    {"ソナタの調べ", 2252800, 75612160},
    {"夏祭りの宵", 7669760, 77864960},
    {"表通りの決闘", 4354048, 85534720},
    {"雨上がりの校舎", 10299392, 89888768},
    {"星降る湖畔", 13074432, 100188160},
    {"少尉の決意", 7872512, 113262592},
    {"月下の告白", 11155456, 121135104},
    {"夜明け前", 2365440, 132290560},
    {"風の便り", 7206912, 134656000},
    {"秘密の図書室", 4964352, 141862912},
    {"花火大会", 2453504, 146827264},
    {"初雪の朝", 5044224, 149280768},
    {"幻の列車", 6717440, 154324992},
    {"古城の鐘", 3758080, 161042432},
    {"蛍火の記憶", 13369344, 164800512},
    {"別れの駅", 8794112, 178169856},
    {"追憶の海", 5408768, 186963968},
    {"光の回廊", 8200192, 192372736},
    {"あかねエンディング", 6754304, 200572928},
    {"しおりエンディング", 6830080, 207327232},
    {"ノーマルエンディング", 6856704, 214157312},
    {"スタッフロール 其の一", 6797312, 221014016},
    {"スタッフロール 其の二", 6643712, 227811328},
    {"予告編", 6578176, 234455040},
    {"おまけ映像 Ａ", 6819840, 241033216},
    {"おまけ映像 Ｂ", 8142848, 247853056},
}};

constexpr std::array<Movie, Disc2MovieCount> disc2{{
    {"ディスク2 オープニング", 23656448, 0},
    {"再会の約束", 3160064, 23656448},
    {"十六夜の庭", 6418432, 26816512},
    {"能舞台の幻", 5474304, 33234944},
    {"嵐の夜", 18081792, 38709248},
    {"時計塔の秘密", 8200192, 56791040},
    {"最後の作戦", 27613184, 64991232},
    {"蛍の道しるべ", 7170048, 92604416},
    {"二人の休日", 2365440, 99774464},
    {"炎の決断", 17963008, 102139904},
    {"想い出の写真", 25802752, 120102912},
    {"湖上の舞踏会", 10117120, 145905664},
    {"涙の理由", 9189376, 156022784},
    {"旅立ちの朝", 8921088, 165212160},
    {"あかねの真実", 10545152, 174133248},
    {"しおりの願い", 8108032, 184678400},
    {"グランドフィナーレ", 6684672, 192786432},
    {"エピローグ", 6621184, 199471104},
    {"ディスク2 予告", 2453504, 206092288},
}};

const Movie* find(std::int32_t disc, std::int32_t movie) noexcept
{
    if (movie < 1 || movie > movieCount(disc))
        return nullptr;
    const auto index = static_cast<std::size_t>(movie - 1);
    return disc == 1 ? &disc1[index] : &disc2[index];
}

}  // namespace

std::int32_t discOfSize(std::int64_t archiveSize) noexcept
{
    if (archiveSize == Disc1ArchiveSize)
        return 1;
    if (archiveSize == Disc2ArchiveSize)
        return 2;
    return 0;
}

std::int32_t movieCount(std::int32_t disc) noexcept
{
    switch (disc) {
    case 1:
        return static_cast<std::int32_t>(disc1.size());
    case 2:
        return static_cast<std::int32_t>(disc2.size());
    default:
        return 0;
    }
}

bool isMovie(std::int32_t disc, std::int32_t movie) noexcept { return find(disc, movie) != nullptr; }

std::string_view movieTitle(std::int32_t disc, std::int32_t movie) noexcept
{
    const Movie* m = find(disc, movie);
    return m ? m->title : std::string_view{};
}

std::int32_t movieSize(std::int32_t disc, std::int32_t movie) noexcept
{
    const Movie* m = find(disc, movie);
    return m ? m->size : 0;
}

std::int32_t movieOffset(std::int32_t disc, std::int32_t movie) noexcept
{
    const Movie* m = find(disc, movie);
    return m ? m->offset : 0;
}

}  // namespace hotaru
