#pragma once

#include <QIcon>

namespace app {
// The program's icon, with its 16 and 32 pixel images.
QIcon programIcon();

}  // namespace app
