#include "output/output.h"
