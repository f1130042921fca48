#include "language/PutBackTexts.h"

#include "language/Failures.h"

#include "disc/BlockSource.h"
#include "disc/PatchedCopy.h"
#include "platform/InOutError.h"
#include "remake/MovieRemake.h"
#include "remake/PutBack.h"

#include <QCoreApplication>

namespace language {
namespace {

struct PutBackTexts {
    Q_DECLARE_TR_FUNCTIONS(PutBackTexts)
};

QString file(const std::string& path) { return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())); }

QString stepText(hotaru::disc::CopyStep step)
{
    using hotaru::disc::CopyStep;
    switch (step) {
    case CopyStep::CheckSpace:
        return PutBackTexts::tr("空き容量を確認中");
    case CopyStep::Copy:
        return PutBackTexts::tr("ﾃﾞｨｽｸｲﾒｰｼﾞをｺﾋﾟｰ中");
    case CopyStep::Patch:
        return PutBackTexts::tr("ﾑｰﾋﾞｰを書き込み中");
    case CopyStep::Pack:
        return PutBackTexts::tr("chdman でCHDを作成中");
    case CopyStep::ReadBack:
        return PutBackTexts::tr("ｺﾋﾟｰを読み直して確認中");
    case CopyStep::Rename:
        return PutBackTexts::tr("ﾌｧｲﾙ名を付け替え中");
    }
    return {};
}

QString patchText(const hotaru::disc::PatchFailure& e)
{
    using hotaru::disc::PatchFailure;
    const QString where = file(e.file);
    QString what;
    switch (e.code) {
    case PatchFailure::OwnFiles:
        return PutBackTexts::tr("%1 は元のﾃﾞｨｽｸｲﾒｰｼﾞのﾌｧｲﾙです。別のﾌｫﾙﾀﾞを指定してください").arg(where);
    case PatchFailure::NoSpace:
        return PutBackTexts::tr("%1 の空き容量が足りません (%2 KB 必要、空き %3 KB)。何も書き込んでいません")
            .arg(where)
            .arg((e.needed + 1023) / 1024)
            .arg((e.available + 1023) / 1024);
    case PatchFailure::Stopped:
        return PutBackTexts::tr("中止しました。何も書き込んでいません");
    case PatchFailure::ChangeOutside:
        what = PutBackTexts::tr("書き込む範囲がｱｰｶｲﾌﾞの外にあります");
        break;
    case PatchFailure::ReadFailed:
        what = PutBackTexts::tr("読み込めません (%1)").arg(ioText(e.ioCode));
        break;
    case PatchFailure::WriteFailed:
        what = PutBackTexts::tr("書き込めません (%1)").arg(ioText(e.ioCode));
        break;
    case PatchFailure::ToolFailed:
        what = PutBackTexts::tr("chdman が失敗しました: %1").arg(file(e.toolOutput).trimmed());
        break;
    case PatchFailure::OutsideFolder:
        return PutBackTexts::tr("%1 がほかのﾌｫﾙﾀﾞのﾌｧｲﾙを指しているため、ｺﾋﾟｰを作れません").arg(where);
    case PatchFailure::ReadBackDiffers:
        what = PutBackTexts::tr("読み直すとｱｰｶｲﾌﾞの %1 ﾊﾞｲﾄ目が書いた内容と違います").arg(e.at);
        break;
    }
    return PutBackTexts::tr("%1: %2 (%3)").arg(where, what, stepText(e.step));
}

QString remakeText(const hotaru::RemakeFailure& e)
{
    using hotaru::RemakeFailure;
    const QString where = file(e.file);
    switch (e.code) {
    case RemakeFailure::OriginalUnreadable:
        return PutBackTexts::tr("ﾃﾞｨｽｸのﾑｰﾋﾞｰが壊れていて、大きさや音声の形式が読み取れません");
    case RemakeFailure::SourceUnreadable:
        return PutBackTexts::tr("%1: 動画として読み込めません").arg(where);
    case RemakeFailure::NoPictures:
        return PutBackTexts::tr("%1: 映像がありません").arg(where);
    case RemakeFailure::TooLong:
        return PutBackTexts::tr("%1: %2 秒あり、上限の %3 秒より長いので書き戻しません")
            .arg(where)
            .arg(e.seconds, 0, 'f', 1)
            .arg(e.limit);
    case RemakeFailure::DoesNotFit:
        return PutBackTexts::tr("%1: 最低の画質でも %2 ﾊﾞｲﾄになり、元のﾑｰﾋﾞｰの %3 ﾊﾞｲﾄに収まりません")
            .arg(where)
            .arg(e.smallest)
            .arg(e.budget);
    case RemakeFailure::SubtitlesUnusable:
        return PutBackTexts::tr("%1: %2").arg(where, subtitleText(e.subtitleProblem));
    case RemakeFailure::NoFont:
        return e.file.empty() ? PutBackTexts::tr("字幕を描く日本語のﾌｫﾝﾄが見つかりません")
                              : PutBackTexts::tr("%1: 字幕を描くﾌｫﾝﾄを読み込めません").arg(where);
    case RemakeFailure::Stopped:
        return PutBackTexts::tr("中止しました。何も書き込んでいません");
    case RemakeFailure::EncoderMissing:
        return PutBackTexts::tr("Cinepak のｴﾝｺｰﾀﾞが組み込まれていません");
    case RemakeFailure::PictureSizeUnsupported:
        return PutBackTexts::tr("ﾃﾞｨｽｸのﾑｰﾋﾞｰの画面の大きさは Cinepak で作れません (縦横とも4の倍数のみ)");
    case RemakeFailure::SoundUnsupported:
        return PutBackTexts::tr("ﾃﾞｨｽｸのﾑｰﾋﾞｰの音声が 8/16 ﾋﾞｯﾄ PCM でないため、動画からは作れません");
    case RemakeFailure::EncoderFailed:
        return PutBackTexts::tr("%1: Cinepak への変換に失敗しました").arg(where);
    }
    return where;
}

}  // namespace

QString putBackStageText(const hotaru::PutBackProgress& p)
{
    switch (p.stage) {
    case hotaru::PutBackStage::Reading:
        return PutBackTexts::tr("ﾃﾞｨｽｸからﾑｰﾋﾞｰを読み込み中");
    case hotaru::PutBackStage::Encoding:
        return p.attempt > 1 ? PutBackTexts::tr("Cinepak に変換中 (%1回目, 画質 %2%)").arg(p.attempt).arg(p.quality)
                             : PutBackTexts::tr("Cinepak に変換中");
    case hotaru::PutBackStage::Writing:
        return stepText(p.step);
    }
    return {};
}

QString putBackFailureText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const hotaru::PutBackFailure& e) {
        if (e.code == hotaru::PutBackFailure::UnknownDisc)
            return PutBackTexts::tr("ｱｰｶｲﾌﾞが %1 ﾊﾞｲﾄで、どちらのﾃﾞｨｽｸのものでもありません").arg(e.archiveSize);
        return PutBackTexts::tr("ﾃﾞｨｽｸ%1 にﾑｰﾋﾞｰ %2 はありません").arg(e.disc).arg(e.movie);
    } catch (const hotaru::RemakeFailure& e) {
        return remakeText(e);
    } catch (const hotaru::disc::PatchFailure& e) {
        return patchText(e);
    } catch (const hotaru::disc::ReadStopped&) {
        return PutBackTexts::tr("中止しました。何も書き込んでいません");
    } catch (const hotaru::EInOutError& e) {
        return PutBackTexts::tr("%1: %2").arg(file(e.path()), ioText(e.code()));
    } catch (...) {
    }
    return errorText(error);
}

}  // namespace language
