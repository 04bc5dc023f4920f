// Sample tree for the include check: one include of each kind it must refuse.
#include "session/text.h"
#include "resource.h"
#include "drivers/components.h"
#include "../session/text.h"
#include "text.h"
#include "registration/record.h"
