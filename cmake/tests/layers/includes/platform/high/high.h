#pragma once
#include "common/low/low.h"
