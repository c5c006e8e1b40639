#pragma once

#include "mid/panel.h"
