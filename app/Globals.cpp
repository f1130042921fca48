#include "Globals.h"

QString ArchivePath;
std::int32_t ArchiveVariant = 0;
hotaru::TPickList PickList;
QString OutputFolder;

QString applicationTitle() { return QStringLiteral("ホタル奇譚ムービーカッター"); }
