#pragma once
// Datatype, plug-direction and declaration-flag codes the document shares with the engine.
#include "engine/declaration_flags.h"
#include "engine/types.h"
