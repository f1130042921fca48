#pragma once
#include "QtTestMain.h"
