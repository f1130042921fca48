#include "language/Failures.h"

#include "catalogue/NameTemplate.h"
#include "disc/ImageError.h"
#include "movie/SubtitleFile.h"
#include "platform/InOutError.h"

#include <QCoreApplication>

namespace language {
namespace {

// The context the translations know these texts by.
struct Failures {
    Q_DECLARE_TR_FUNCTIONS(Failures)
};

}  // namespace

QString ioText(int code)
{
    using namespace hotaru;
    switch (code) {
    case io::FileNotFound:
        return Failures::tr("ﾌｧｲﾙが見つかりません");
    case io::PathNotFound:
        return Failures::tr("不正なﾌｧｲﾙ名です");
    case io::TooManyOpenFiles:
        return Failures::tr("ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます");
    case io::AccessDenied:
        return Failures::tr("ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    case io::ReadPastEnd:
        return Failures::tr("ﾌｧｲﾙの末尾以降を読み込みました");
    case io::ShortWrite:
        return Failures::tr("ﾃﾞｨｽｸがいっぱいです");
    case io::NameTooLong:
        return Failures::tr("ﾌｧｲﾙ名が長すぎます");
    case io::NotAFile:
        return Failures::tr("ﾌｧｲﾙではありません");
    // The Japanese gives these by number, as the runtime always has.
    case io::FileExists:
        return Failures::tr("I/O ｴﾗｰ (%1)", "the file exists").arg(code);
    case io::DiskFull:
        return Failures::tr("I/O ｴﾗｰ (%1)", "disk full").arg(code);
    case io::InvalidName:
        return Failures::tr("I/O ｴﾗｰ (%1)", "invalid file name").arg(code);
    case io::DeviceError:
        return Failures::tr("I/O ｴﾗｰ (%1)", "read or write error on the device").arg(code);
    default:
        return Failures::tr("I/O ｴﾗｰ (%1)").arg(code);
    }
}

QString imageText(const hotaru::disc::ImageError& e)
{
    using hotaru::disc::ImageFault;
    switch (e.fault()) {
    case ImageFault::NoArchive:
        return Failures::tr("ﾃﾞｨｽｸｲﾒｰｼﾞに hotaru4 がありません");
    case ImageFault::MissingTrackFile:
        return Failures::tr("CUEｼｰﾄのﾄﾗｯｸのﾌｧｲﾙが見つかりません");
    case ImageFault::TrackTooShort:
        return Failures::tr("ﾄﾗｯｸのﾌｧｲﾙがCUEｼｰﾄより短くなっています");
    case ImageFault::BadSheet:
        return Failures::tr("CUEｼｰﾄの %1 行目が読めません").arg(e.line());
    case ImageFault::NoDataTrack:
        return Failures::tr("ﾃﾞｨｽｸｲﾒｰｼﾞにﾃﾞｰﾀﾄﾗｯｸがありません");
    case ImageFault::NotSupported:
        return Failures::tr("この形式のﾃﾞｨｽｸｲﾒｰｼﾞには対応していません");
    case ImageFault::UnknownCodec:
        return Failures::tr("CHDの圧縮形式 %1 には対応していません").arg(QString::fromStdString(e.codec()));
    case ImageFault::ChecksumFailed:
        return Failures::tr("ﾃﾞｨｽｸｲﾒｰｼﾞが壊れています (ﾁｪｯｸｻﾑが合いません)");
    case ImageFault::Malformed:
        break;
    case ImageFault::UnreadableSector:
        return Failures::tr("読み直しても読めないｾｸﾀがあります (%1)").arg(ioText(e.ioCode()));
    }
    return Failures::tr("ﾃﾞｨｽｸｲﾒｰｼﾞが壊れています");
}

QString errorText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const hotaru::EInOutError& e) {
        return ioText(e.code());
    } catch (const hotaru::disc::ImageError& e) {
        return imageText(e);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
    }
    return ioText(0);
}

QString nameTemplateText(const hotaru::NameTemplateCheck& check)
{
    using hotaru::NameTemplateError;
    const QString field = QString::fromStdString(check.field);
    switch (check.error) {
    case NameTemplateError::None:
        break;
    case NameTemplateError::UnknownField:
        return Failures::tr("{%1} という項目はありません").arg(field);
    case NameTemplateError::UnclosedBrace:
        return Failures::tr("「%1」の { が閉じていません").arg(field);
    case NameTemplateError::StrayBrace:
        return Failures::tr("対になる { のない } があります");
    case NameTemplateError::Separator:
        return Failures::tr("ﾌｧｲﾙ名に %1 は使えません").arg(field);
    case NameTemplateError::EmptyName:
        return Failures::tr("ﾃﾞｨｽｸ%1のﾑｰﾋﾞｰ%2の名前が空になります").arg(check.disc).arg(check.movie);
    case NameTemplateError::OutsideFolder:
        return Failures::tr("ﾃﾞｨｽｸ%1のﾑｰﾋﾞｰ%2の名前が「%3」になり、保存先のﾌｫﾙﾀﾞの外を指します")
            .arg(check.disc)
            .arg(check.movie)
            .arg(field);
    }
    return {};
}

QString subtitleText(const hotaru::SubtitleProblem& problem)
{
    using hotaru::SubtitleError;
    QString what;
    switch (problem.error) {
    case SubtitleError::Unreadable:
        what = Failures::tr("字幕ﾌｧｲﾙを読み込めません");
        break;
    case SubtitleError::TooLarge:
        what = Failures::tr("字幕ﾌｧｲﾙが大きすぎます");
        break;
    case SubtitleError::UnknownFormat:
        what = Failures::tr("字幕ﾌｧｲﾙの形式が分かりません");
        break;
    case SubtitleError::NotText:
        what = Failures::tr("UTF-8 でも Shift-JIS でもありません");
        break;
    case SubtitleError::NoTiming:
        what = Failures::tr("時間の行がありません");
        break;
    case SubtitleError::BadTime:
        what = Failures::tr("時間が正しくありません");
        break;
    case SubtitleError::EndBeforeStart:
        what = Failures::tr("終わりが始まりより前です");
        break;
    case SubtitleError::NoEvents:
        what = Failures::tr("[Events] がありません");
        break;
    case SubtitleError::NoFormat:
        what = Failures::tr("[Events] の Format 行が足りません");
        break;
    case SubtitleError::BadDialogue:
        what = Failures::tr("Dialogue 行の項目が足りません");
        break;
    case SubtitleError::NoCues:
        what = Failures::tr("表示する字幕がありません");
        break;
    }
    return problem.line > 0 ? Failures::tr("%1 行目: %2").arg(problem.line).arg(what) : what;
}

}  // namespace language
