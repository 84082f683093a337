#include "textio/reader.h"
