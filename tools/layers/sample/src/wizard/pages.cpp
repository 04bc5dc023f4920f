// Sample tree for the include check: includes it accepts.
#include "session/text.h"
#include "payload/placement.h"
#include "wizard/pages.h"
#include "resource.h"
