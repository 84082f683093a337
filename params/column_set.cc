#include "params/params.h"
