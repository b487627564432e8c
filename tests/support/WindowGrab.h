#pragma once
#include "tests/support/GuiTest.h"  // GrabWindow
