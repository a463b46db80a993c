// Any bytes stand in for the settings file.
#include "fuzz_entry.h"

VORLANE_FUZZ_TARGET("settings_store")
