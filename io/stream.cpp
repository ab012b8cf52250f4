#include "io/stream.h"
