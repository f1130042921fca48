#include "disc/ImageMessage.h"

#include "platform/InOutError.h"

namespace hotaru::disc {

std::string imageMessage(const ImageError& e)
{
    switch (e.fault()) {
    case ImageFault::NoArchive:
        return "ﾃﾞｨｽｸｲﾒｰｼﾞに hotaru4 がありません";
    case ImageFault::MissingTrackFile:
        return "CUEｼｰﾄのﾄﾗｯｸのﾌｧｲﾙが見つかりません";
    case ImageFault::TrackTooShort:
        return "ﾄﾗｯｸのﾌｧｲﾙがCUEｼｰﾄより短くなっています";
    case ImageFault::BadSheet:
        return "CUEｼｰﾄの " + std::to_string(e.line()) + " 行目が読めません";
    case ImageFault::NoDataTrack:
        return "ﾃﾞｨｽｸｲﾒｰｼﾞにﾃﾞｰﾀﾄﾗｯｸがありません";
    case ImageFault::NotSupported:
        return "この形式のﾃﾞｨｽｸｲﾒｰｼﾞには対応していません";
    case ImageFault::UnknownCodec:
        return "CHDの圧縮形式 " + e.codec() + " には対応していません";
    case ImageFault::ChecksumFailed:
        return "ﾃﾞｨｽｸｲﾒｰｼﾞが壊れています (ﾁｪｯｸｻﾑが合いません)";
    case ImageFault::Malformed:
        return "ﾃﾞｨｽｸｲﾒｰｼﾞが壊れています";
    case ImageFault::UnreadableSector:
        return "読み直しても読めないｾｸﾀがあります (" + ioMessage(e.ioCode()) + ")";
    }
    return e.what();
}

}  // namespace hotaru::disc
