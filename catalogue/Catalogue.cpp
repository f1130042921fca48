#include "catalogue/Catalogue.h"

#include <array>

namespace hotaru {

namespace {

struct Movie {
    std::string_view title;
    std::string_view englishTitle;  // shown to those who read English; files keep `title`
    std::int32_t size;
    std::int32_t offset;
};

// Titles double as file names: each fits 30 bytes in Shift-JIS and avoids the
// characters Windows refuses in names.
constexpr std::array<Movie, Disc1MovieCount> disc1{{
    {"オープニング", "Opening", 23695360, 0},
    {"蛍の舞う夜", "A Night of Dancing Fireflies", 21714944, 23695360},
    {"鷲ノ宮あかね登場", "Enter Akane Washinomiya", 10629120, 45410304},
    {"白鳥しおり登場", "Enter Shiori Shiratori", 3647488, 56039424},
    {"約束の丘", "The Hill of Promises", 15925248, 59686912},
    {"ソナタの調べ", "Strains of a Sonata", 2252800, 75612160},
    {"夏祭りの宵", "Summer Festival Evening", 7669760, 77864960},
    {"表通りの決闘", "Duel on the Main Street", 4354048, 85534720},
    {"雨上がりの校舎", "The School after the Rain", 10299392, 89888768},
    {"星降る湖畔", "Starfall by the Lake", 13074432, 100188160},
    {"少尉の決意", "The Lieutenant's Resolve", 7872512, 113262592},
    {"月下の告白", "Confession in the Moonlight", 11155456, 121135104},
    {"夜明け前", "Before Dawn", 2365440, 132290560},
    {"風の便り", "Word on the Wind", 7206912, 134656000},
    {"秘密の図書室", "The Secret Library", 4964352, 141862912},
    {"花火大会", "The Fireworks Display", 2453504, 146827264},
    {"初雪の朝", "Morning of the First Snow", 5044224, 149280768},
    {"幻の列車", "The Phantom Train", 6717440, 154324992},
    {"古城の鐘", "Bells of the Old Castle", 3758080, 161042432},
    {"蛍火の記憶", "Memories of Firefly Light", 13369344, 164800512},
    {"別れの駅", "The Station of Farewells", 8794112, 178169856},
    {"追憶の海", "Sea of Remembrance", 5408768, 186963968},
    {"光の回廊", "Corridor of Light", 8200192, 192372736},
    {"あかねエンディング", "Akane's Ending", 6754304, 200572928},
    {"しおりエンディング", "Shiori's Ending", 6830080, 207327232},
    {"ノーマルエンディング", "Normal Ending", 6856704, 214157312},
    {"スタッフロール 其の一", "Staff Roll, Part One", 6797312, 221014016},
    {"スタッフロール 其の二", "Staff Roll, Part Two", 6643712, 227811328},
    {"予告編", "Trailer", 6578176, 234455040},
    {"おまけ映像 Ａ", "Bonus Footage A", 6819840, 241033216},
    {"おまけ映像 Ｂ", "Bonus Footage B", 8142848, 247853056},
}};

constexpr std::array<Movie, Disc2MovieCount> disc2{{
    {"ディスク2 オープニング", "Disc 2 Opening", 23656448, 0},
    {"再会の約束", "A Promise to Meet Again", 3160064, 23656448},
    {"十六夜の庭", "The Garden under the Waning Moon", 6418432, 26816512},
    {"能舞台の幻", "Vision on the Noh Stage", 5474304, 33234944},
    {"嵐の夜", "Night of the Storm", 18081792, 38709248},
    {"時計塔の秘密", "The Clock Tower's Secret", 8200192, 56791040},
    {"最後の作戦", "The Last Operation", 27613184, 64991232},
    {"蛍の道しるべ", "The Fireflies' Guiding Light", 7170048, 92604416},
    {"二人の休日", "A Day Off for Two", 2365440, 99774464},
    {"炎の決断", "A Decision in the Flames", 17963008, 102139904},
    {"想い出の写真", "A Photograph to Remember", 25802752, 120102912},
    {"湖上の舞踏会", "The Ball on the Lake", 10117120, 145905664},
    {"涙の理由", "The Reason for Tears", 9189376, 156022784},
    {"旅立ちの朝", "The Morning of Departure", 8921088, 165212160},
    {"あかねの真実", "The Truth about Akane", 10545152, 174133248},
    {"しおりの願い", "Shiori's Wish", 8108032, 184678400},
    {"グランドフィナーレ", "Grand Finale", 6684672, 192786432},
    {"エピローグ", "Epilogue", 6621184, 199471104},
    {"ディスク2 予告", "Disc 2 Trailer", 2453504, 206092288},
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

std::string_view movieEnglishTitle(std::int32_t disc, std::int32_t movie) noexcept
{
    const Movie* m = find(disc, movie);
    return m ? m->englishTitle : std::string_view{};
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
