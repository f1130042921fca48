#pragma once
// What putting a movie back is doing and why it failed, in the installed
// language, for the window and the command line alike.

#include <QString>

#include <exception>

namespace hotaru {
struct PutBackProgress;
}

namespace language {

// "動画を変換中 (2回目, 画質 80%)", "ｺﾋﾟｰを読み直し中" ...
QString putBackStageText(const hotaru::PutBackProgress& progress);
// Why a put-back failed: the file concerned and, where it helps, the step.
QString putBackFailureText(const std::exception_ptr& error);

}  // namespace language
