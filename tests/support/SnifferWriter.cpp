#include "SnifferWriter.h"
