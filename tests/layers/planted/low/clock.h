// The bottom layer of the planted tree.
#pragma once
