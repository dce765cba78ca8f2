#include "draw/core/drawengine.h"
