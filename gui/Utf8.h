#pragma once
// The core speaks UTF-8 and Qt UTF-16: the one way across. Qt Core only, so
// the command line uses it too.

#include <QString>

#include <string_view>

namespace gui {

inline QString fromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace gui
