#pragma once

#include "low/clock.h"
