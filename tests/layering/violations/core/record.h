// The record reaching up into the commands: the check must refuse it.
#pragma once
#include "app/commands.h"
