#include "unGlobal.h"

std::string StatusText;
