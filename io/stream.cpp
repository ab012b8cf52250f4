// The byte streams are all inline (stream.h); compiling the header on its own here checks
// that it includes everything it needs.
#include "io/stream.h"
