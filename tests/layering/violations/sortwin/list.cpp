// A feature including another feature beside it, and built with widgets.
#include "tools/filters.h"
