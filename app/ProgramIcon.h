#pragma once

#include <QIcon>

// The program's icon, with its 16 and 32 pixel images.
QIcon programIcon();
