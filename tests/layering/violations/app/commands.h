#pragma once
#include "core/record.h"
