#pragma once
// What the module registry needs to know of a built-in control module type besides its unit
// generator: its id, its number in patches of the old numeric id scheme (-1: none) and its
// module flags.
#include "modules/oscillators/module_descriptor.h"
