#include "media/soundplayer.h"
