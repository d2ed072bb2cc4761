// Compiled by the layer check of the build, never linked: with the race layer's
// include root both includes resolve; with the tick layer's the second must not,
// since race/ sits above tick/.
#include "tick/TickState.h"
#include "race/RaceState.h"
