#pragma once

// How a tried-out draft went now lives with Magic.
#include "ask/DraftRunOutcome.h"
