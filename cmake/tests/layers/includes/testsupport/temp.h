#pragma once
#include "platform/high/high.h"
