#pragma once

#include "PickList.h"

#include <QIcon>
#include <QString>

#include <cstdint>

// Program-wide state, owned by the user-interface thread. A run of the
// extraction worker takes its own copy; it never reads these directly.
extern QString ArchivePath;              // the archive in use; empty until one is found or opened
extern std::int32_t ArchiveVariant;      // 1, 2, or 0 when none is recognised
extern hotaru::TPickList PickList;       // the chosen movies, in extraction order
extern QString OutputFolder;             // empty, or a folder ending in a separator

inline QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The application's title, also the caption of its error box.
QString applicationTitle();
// The program's icon, with its 16 and 32 pixel images.
QIcon applicationIcon();
