#include "textio/writer.h"
