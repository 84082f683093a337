#include "soundings/soundings.h"
